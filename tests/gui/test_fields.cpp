// The money field (typing, colours, leaving the field) and the date field
// refusing input character by character.

#include <gtest/gtest.h>

#include "gui/datefield.h"
#include "gui/moneyfield.h"
#include "tests/gui/gui_env.h"

using namespace FX;
using namespace gui_test;

namespace {

std::string text_of(FXTextField *f) { return f->getText().text(); }

// Types the text one key at a time, as the keyboard would.
void type(FXTextField *field, const std::string &text)
{
  for (char c : text)
    type_key(field, static_cast<unsigned char>(c), std::string(1, c));
}

void leave(FXTextField *field) { field->handle(field, FXSEL(SEL_FOCUSOUT, 0), nullptr); }
void update(FXTextField *field) { field->handle(field, FXSEL(SEL_UPDATE, 0), nullptr); }

} // namespace

TEST(MoneyField, CommaAndKeypadKeysTypeThePointAndLeavingShowsTwoDecimals)
{
  MoneyField field(owner(), nullptr, 0, 15);
  field.create();
  EXPECT_TRUE(field.getJustify() & JUSTIFY_RIGHT);
  type(&field, "12,5");
  EXPECT_EQ(text_of(&field), "12.5");
  leave(&field);
  EXPECT_EQ(text_of(&field), "12.50");
  EXPECT_EQ(field.getTextColor(), MoneyField::POSITIVE_COLOUR);

  field.setText("");
  type(&field, "3");
  type_key(&field, KEY_KP_Separator, ",");
  type(&field, "2");
  type_key(&field, KEY_KP_Decimal, "");
  EXPECT_EQ(text_of(&field), "3.2");
  field.setText("7");
  field.setCursorPos(1);
  type_key(&field, KEY_KP_Decimal, ".");
  type(&field, "25");
  EXPECT_EQ(text_of(&field), "7.25");
}

TEST(MoneyField, NegativeAmountsTurnRedWhileTypedAndEmptyCountsAsZero)
{
  MoneyField field(owner(), nullptr, 0, 15);
  field.create();
  type(&field, "-3");
  update(&field);
  EXPECT_EQ(field.getTextColor(), MoneyField::NEGATIVE_COLOUR);
  leave(&field);
  EXPECT_EQ(text_of(&field), "-3.00");
  EXPECT_EQ(field.getTextColor(), MoneyField::NEGATIVE_COLOUR);

  field.setText("");
  update(&field);
  EXPECT_EQ(field.getTextColor(), MoneyField::POSITIVE_COLOUR);
  leave(&field);
  EXPECT_EQ(text_of(&field), "0.00");

  // No amount: left as it is, in red, for the window to refuse.
  field.setText("-");
  leave(&field);
  EXPECT_EQ(text_of(&field), "-");
  EXPECT_EQ(field.getTextColor(), MoneyField::NEGATIVE_COLOUR);
  field.set_value("12345.678");
  EXPECT_EQ(text_of(&field), "12345.68");
}

TEST(MoneyField, ReadsAmountsRoundedToCentsAndTellsWhatIsNoAmountOrTooLarge)
{
  const struct
  {
    const char *text;
    MoneyField::Reading reading;
    double value;
  } cases[] = {
      {"12.5", MoneyField::AMOUNT, 12.5},
      {"1.23456789", MoneyField::AMOUNT, 1.23},
      {"1.005", MoneyField::AMOUNT, 1.01},
      {"-2.675", MoneyField::AMOUNT, -2.68},
      {" 7 ", MoneyField::AMOUNT, 7},
      {"", MoneyField::AMOUNT, 0},
      {"9999999999999.99", MoneyField::AMOUNT, 9999999999999.99},
      {"abc", MoneyField::NOT_A_NUMBER, 0},
      {"-", MoneyField::NOT_A_NUMBER, 0},
      {"12.5x", MoneyField::NOT_A_NUMBER, 0},
      {"99999999999999999999", MoneyField::TOO_LARGE, 0},
      {"-10000000000000", MoneyField::TOO_LARGE, 0},
  };
  for (const auto &c : cases) {
    double value = -1;
    EXPECT_EQ(c.reading, MoneyField::read(c.text, value)) << c.text;
    if (c.reading == MoneyField::AMOUNT) {
      EXPECT_DOUBLE_EQ(c.value, value) << c.text;
    }
  }

  // Typed whole, not cut at the field's width: the window refuses it.
  MoneyField field(owner(), nullptr, 0, 15);
  field.create();
  type(&field, "99999999999999999999");
  double value;
  EXPECT_EQ(MoneyField::TOO_LARGE, field.read(value));
  EXPECT_EQ(text_of(&field), "99999999999999999999");
}

TEST(DateField, RefusesInputPositionByPosition)
{
  DateField field(owner(), nullptr, 0);
  field.create();
  auto typed = [&](const std::string &text) {
    field.setText("");
    type(&field, text);
    return text_of(&field);
  };
  EXPECT_EQ(typed("2008-02-29"), "2008-02-29"); // no leap-year test
  EXPECT_EQ(typed("2008-02-30"), "2008-02-3");
  EXPECT_EQ(typed("2008-04-31"), "2008-04-3");
  EXPECT_EQ(typed("2008-13"), "2008-1");
  EXPECT_EQ(typed("2008-00"), "2008-00");
  EXPECT_EQ(typed("2008-00-1"), "2008-00-");
  EXPECT_EQ(typed("2008-01-00"), "2008-01-00");
  EXPECT_EQ(typed("2008-12-31"), "2008-12-31");
  EXPECT_EQ(typed("2008-01-32"), "2008-01-3");
  EXPECT_EQ(typed("20a8"), "208");
  EXPECT_EQ(typed("2008/"), "2008");
  EXPECT_EQ(typed("2008-01-011"), "2008-01-01"); // ten columns only

  EXPECT_TRUE(DateField::acceptable(""));
  EXPECT_TRUE(DateField::acceptable("2008-0"));
  EXPECT_FALSE(DateField::acceptable("2008-1a"));
  EXPECT_FALSE(DateField::acceptable("2008-06-31"));
  EXPECT_TRUE(DateField::acceptable("2008-06-30"));
}
