#include "gui/moneyfield.h"

#include <cmath>

#include "tools/core/format.h"
#include "tools/core/money.h"
#include "tools/core/string_utils.h"
#include "gui/messagebox.h"

using namespace FX;

const FXColor MoneyField::POSITIVE_COLOUR = FXRGB(0, 0, 255);
const FXColor MoneyField::NEGATIVE_COLOUR = FXRGB(255, 0, 0);

FXDEFMAP(MoneyField) MoneyFieldMap[] = {
    FXMAPFUNC(SEL_UPDATE, 0, MoneyField::onUpdate),
    FXMAPFUNC(SEL_FOCUSOUT, 0, MoneyField::onFocusOut),
    FXMAPFUNC(SEL_KEYPRESS, 0, MoneyField::onKeyPress),
};

FXIMPLEMENT(MoneyField, Tools::ThemeTextField, MoneyFieldMap, ARRAYNUMBER(MoneyFieldMap))

MoneyField::MoneyField() {}

// Not limited to the columns: a longer amount is refused in words rather
// than cut while it is typed. Not the toolkit's real-number field either:
// that one knows no decimal comma and drops what it cannot read.
MoneyField::MoneyField(FXComposite *p, FXObject *tgt, FXSelector sel, int cols)
    : Tools::ThemeTextField(p, cols, tgt, sel, JUSTIFY_RIGHT | FRAME_SUNKEN, 0, 0, 0, 0, 2, 2, 2, 2)
{
  setTextColor(POSITIVE_COLOUR);
}

MoneyField::Reading MoneyField::read(const std::string &text, double &value)
{
  long long cents;
  const Reading reading = Tools::read_amount(text, cents);
  value = Tools::from_cents(cents);
  return reading;
}

MoneyField::Reading MoneyField::read(double &value) const
{
  const FXString &text = getText();
  return read(Tools::fxcompat::whole(text), value);
}

void MoneyField::set_colour(double value) { setTextColor(value >= 0 ? POSITIVE_COLOUR : NEGATIVE_COLOUR); }

void MoneyField::set_value(const std::string &text)
{
  double value;
  if (read(text, value) != AMOUNT) {
    setTextColor(NEGATIVE_COLOUR);
    setText(FXString(text.c_str(), static_cast<FXint>(text.size())), FALSE);
    return;
  }
  set_colour(value);
  setText(Tools::money_text(value).c_str(), FALSE);
}

void MoneyField::set_amount(double amount)
{
  // Beyond the cents an amount has no digits to show; what cannot be held
  // to the cent keeps all of its own, to be refused.
  set_value(std::fabs(amount) <= LARGEST ? Tools::money_text(Tools::from_cents(Tools::to_cents(amount)))
                                         : Tools::to_text<double>(amount));
}

long MoneyField::onUpdate(FXObject *, FXSelector, void *)
{
  double value;
  if (read(value) == AMOUNT)
    set_colour(value);
  else
    setTextColor(NEGATIVE_COLOUR);
  return 1;
}

long MoneyField::onFocusOut(FXObject *sender, FXSelector sel, void *ptr)
{
  const FXString &text = getText();
  set_value(Tools::fxcompat::whole(text));
  return FXTextField::onFocusOut(sender, sel, ptr);
}

long MoneyField::onKeyPress(FXObject *sender, FXSelector sel, void *ptr)
{
  // The keypad's decimal key types the decimal comma whatever the
  // keyboard's layout: "1.234" and then that key goes on as 1.234,...
  FXEvent *event = static_cast<FXEvent *>(ptr);
  if (event && (event->code == KEY_KP_Decimal || event->code == KEY_KP_Separator)) {
    event->code = ',';
    event->text = ",";
  }
  return FXTextField::onKeyPress(sender, sel, ptr);
}

AmountRefusal::AmountRefusal(AppContext *context)
    : not_an_amount(context, "Message", "Das ist kein Betrag. Bitte so eingeben: 1234,56 oder 1.234,56 oder 1234.56"),
      too_many_digits(context, "Message", "Der Betrag hat zu viele Stellen: höchstens 13 vor und 2 nach dem Komma."),
      thousands_without_comma(context, "Message",
                              "Ein Punkt trennt Tausender nur zusammen mit einem Komma. Bitte so eingeben:"),
      either_or(context, "Message", "oder")
{
}

std::string AmountRefusal::why(MoneyField::Reading reading, const std::string &text) const
{
  switch (reading) {
  case MoneyField::AMOUNT:
    return std::string();
  case MoneyField::TOO_MANY_DIGITS:
    return too_many_digits.str();
  case MoneyField::THOUSANDS_WITHOUT_COMMA:
    // What was most likely meant, both ways it can be written.
    return Tools::format("%s %s %s %s", thousands_without_comma.str(), Tools::with_decimal_comma(text),
                         either_or.str(), Tools::without_grouping(text));
  default:
    return not_an_amount.str();
  }
}

bool AmountRefusal::amounts_valid(FXWindow *owner, const char *title, const std::vector<MoneyField *> &fields) const
{
  for (MoneyField *field : fields) {
    double value;
    const MoneyField::Reading reading = field->read(value);
    if (reading == MoneyField::AMOUNT)
      continue;
    const std::string text = Tools::fxcompat::whole(field->getText());
    MessageBox::error(owner, title,
                      Tools::format("%s\n%s: %s", why(reading, text), Tools::field_label(field), text));
    field->setFocus();
    field->selectAll();
    return false;
  }
  return true;
}
