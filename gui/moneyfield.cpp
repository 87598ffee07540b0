#include "gui/moneyfield.h"

#include "tools/core/format.h"
#include "tools/core/string_utils.h"

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

MoneyField::MoneyField(FXComposite *p, FXObject *tgt, FXSelector sel, int cols)
    : Tools::ThemeTextField(p, cols, tgt, sel, TEXTFIELD_LIMITED | TEXTFIELD_REAL | JUSTIFY_RIGHT | FRAME_SUNKEN,
                            0, 0, 0, 0, 2, 2, 2, 2)
{
  setTextColor(POSITIVE_COLOUR);
}

void MoneyField::set_colour(double value) { setTextColor(value >= 0 ? POSITIVE_COLOUR : NEGATIVE_COLOUR); }

void MoneyField::set_value(const std::string &text)
{
  double value = Tools::from_text<double>(text, 0.0);
  set_colour(value);
  setText(Tools::format("%0.2lf", value).c_str(), FALSE);
}

long MoneyField::onUpdate(FXObject *, FXSelector, void *)
{
  set_colour(Tools::from_text<double>(std::string(getText().text()), 0.0));
  return 1;
}

long MoneyField::onFocusOut(FXObject *sender, FXSelector sel, void *ptr)
{
  set_value(getText().text());
  return FXTextField::onFocusOut(sender, sel, ptr);
}

long MoneyField::onKeyPress(FXObject *sender, FXSelector sel, void *ptr)
{
  FXEvent *event = static_cast<FXEvent *>(ptr);
  if (event && (event->code == ',' || event->code == KEY_KP_Decimal || event->code == KEY_KP_Separator)) {
    event->code = '.';
    if (event->text.empty())
      event->text = ".";
    else
      event->text[0] = '.';
  }
  return FXTextField::onKeyPress(sender, sel, ptr);
}
