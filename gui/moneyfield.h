#ifndef KORVAN_GUI_MONEYFIELD_H
#define KORVAN_GUI_MONEYFIELD_H

// The field for every amount of money: right-justified, two decimals,
// blue from zero up and red below; a comma or the keypad's decimal keys
// type the decimal point.

#include <string>

#include "tools/widgets/fxcompat.h"
#include "tools/widgets/theme.h"

class MoneyField : public Tools::ThemeTextField
{
  FXDECLARE(MoneyField)

protected:
  MoneyField();
  void set_colour(double value);

public:
  static const FX::FXColor POSITIVE_COLOUR;
  static const FX::FXColor NEGATIVE_COLOUR;

  MoneyField(FX::FXComposite *p, FX::FXObject *tgt, FX::FXSelector sel, int cols);

  // Shows the amount in the text with two decimals; a text without a
  // number counts as 0.
  void set_value(const std::string &text);

  long onUpdate(FX::FXObject *, FX::FXSelector, void *);
  long onFocusOut(FX::FXObject *, FX::FXSelector, void *);
  long onKeyPress(FX::FXObject *, FX::FXSelector, void *);
};

#endif
