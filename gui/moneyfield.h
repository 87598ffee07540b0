#ifndef KORVAN_GUI_MONEYFIELD_H
#define KORVAN_GUI_MONEYFIELD_H

// The field for every amount of money: right-justified, two decimals,
// blue from zero up and red below; a comma or the keypad's decimal keys
// type the decimal point.
//
// An amount is rounded to cents once, when it is read from the text. A
// text that is no number, or an amount too large to be held to the cent,
// is left as typed (and shown red) for the window to refuse in words; an
// empty field counts as 0.

#include <string>
#include <vector>

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

  enum Reading { AMOUNT, NOT_A_NUMBER, TOO_LARGE };
  // The amount of a text, rounded to cents (0 for an empty text).
  static Reading read(const std::string &text, double &value);
  // The amount of the field's text.
  Reading read(double &value) const;

  MoneyField(FX::FXComposite *p, FX::FXObject *tgt, FX::FXSelector sel, int cols);

  // Shows the amount of the text with two decimals; a text that is no
  // amount stays as it is.
  void set_value(const std::string &text);

  long onUpdate(FX::FXObject *, FX::FXSelector, void *);
  long onFocusOut(FX::FXObject *, FX::FXSelector, void *);
  long onKeyPress(FX::FXObject *, FX::FXSelector, void *);
};

// The words for a money field that holds no amount, for every window that
// stores or books what its fields hold.
class AmountRefusal
{
  StaticText not_an_amount;
  StaticText too_large;

public:
  explicit AmountRefusal(AppContext *context);
  AmountRefusal() = default;

  // The first of `fields` that holds no number, or one too large, is
  // refused in an error box owned by `owner` and gets the focus; true
  // when every field holds an amount.
  bool amounts_valid(FX::FXWindow *owner, const char *title, const std::vector<MoneyField *> &fields) const;
};

#endif
