#ifndef KORVAN_GUI_MONEYFIELD_H
#define KORVAN_GUI_MONEYFIELD_H

// The field for every amount of money: right-justified, two decimals,
// blue from zero up and red below.
//
// What is typed, pasted or set is read one way (Tools::read_amount):
// "1234,56", "1.234,56" and "1234.56" are the same amount, so the comma
// key types a comma, and the keypad's decimal keys type one too. A text
// that is no amount, one with more digits than an amount holds, or one
// whose dots group thousands without a comma ("1.500"), is left as it is
// (and shown red) for the window to refuse in words, saying which it is;
// an empty field counts as 0.

#include <string>
#include <vector>

#include "tools/core/money.h"
#include "tools/widgets/fxcompat.h"
#include "tools/widgets/theme.h"
#include "gui/lang.h"

class MoneyField : public Tools::ThemeTextField
{
  FXDECLARE(MoneyField)

protected:
  MoneyField();
  void set_colour(double value);

public:
  static const FX::FXColor POSITIVE_COLOUR;
  static const FX::FXColor NEGATIVE_COLOUR;
  // The largest amount held to the cent: 13 digits before the point.
  static constexpr double LARGEST = 9999999999999.99;

  using Reading = Tools::AmountReading;
  static constexpr Reading AMOUNT = Reading::AMOUNT;
  static constexpr Reading NOT_A_NUMBER = Reading::NOT_AN_AMOUNT;
  static constexpr Reading TOO_MANY_DIGITS = Reading::TOO_MANY_DIGITS;
  static constexpr Reading THOUSANDS_WITHOUT_COMMA = Reading::THOUSANDS_WITHOUT_COMMA;
  // The amount of a text (0 for an empty text, and for one that is no
  // amount).
  static Reading read(const std::string &text, double &value);
  // The amount of the field's text.
  Reading read(double &value) const;

  MoneyField(FX::FXComposite *p, FX::FXObject *tgt, FX::FXSelector sel, int cols);

  // Shows the amount of the text with two decimals; a text that is no
  // amount stays as it is.
  void set_value(const std::string &text);
  // Shows the amount held by a variable, rounded to the cent.
  void set_amount(double amount);

  long onUpdate(FX::FXObject *, FX::FXSelector, void *);
  long onFocusOut(FX::FXObject *, FX::FXSelector, void *);
  long onKeyPress(FX::FXObject *, FX::FXSelector, void *);
};

// The words for a money field that holds no amount, for every window that
// stores or books what its fields hold.
class AmountRefusal
{
  StaticText not_an_amount;
  StaticText too_many_digits;
  StaticText thousands_without_comma;
  StaticText either_or;

public:
  explicit AmountRefusal(AppContext *context);
  AmountRefusal() = default;

  // Why the text is no amount, in words (empty for an amount).
  std::string why(MoneyField::Reading reading, const std::string &text) const;

  // The first of `fields` that holds no amount is refused in an error box
  // owned by `owner`, which says why, names the field and quotes its text,
  // and gets the focus; true when every field holds an amount.
  bool amounts_valid(FX::FXWindow *owner, const char *title, const std::vector<MoneyField *> &fields) const;
};

#endif
