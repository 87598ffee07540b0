#include "gui/moneyfield.h"

#include <cmath>
#include <cstdlib>

#include "gui/messagebox.h"
#include "tools/core/money.h"
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

// Not limited to the columns: a longer amount is refused in words rather
// than cut while it is typed.
MoneyField::MoneyField(FXComposite *p, FXObject *tgt, FXSelector sel, int cols)
    : Tools::ThemeTextField(p, cols, tgt, sel, TEXTFIELD_REAL | JUSTIFY_RIGHT | FRAME_SUNKEN, 0, 0, 0, 0, 2, 2, 2,
                            2)
{
  setTextColor(POSITIVE_COLOUR);
}

MoneyField::Reading MoneyField::read(const std::string &text, double &value)
{
  value = 0;
  const std::string number = Tools::strip(text, " \t");
  if (number.empty())
    return AMOUNT;
  char *end = nullptr;
  const long double typed = std::strtold(number.c_str(), &end);
  if (end != number.c_str() + number.size() || std::isnan(typed))
    return NOT_A_NUMBER;
  if (!(std::fabs(typed) <= LARGEST))
    return TOO_LARGE;
  // Rounded to cents as every amount is, so 1.005 goes up as written.
  value = Tools::from_cents(Tools::to_cents(static_cast<double>(typed)));
  return AMOUNT;
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

AmountRefusal::AmountRefusal(AppContext *context)
    : not_an_amount(context, "Message", "Bitte einen Betrag als Zahl eingeben, etwa 12.50."),
      too_large(context, "Message", "Der Betrag ist zu groß.")
{
}

bool AmountRefusal::amounts_valid(FXWindow *owner, const char *title, const std::vector<MoneyField *> &fields) const
{
  for (MoneyField *field : fields) {
    double value;
    const MoneyField::Reading reading = field->read(value);
    if (reading == MoneyField::AMOUNT)
      continue;
    MessageBox::error(owner, title, (reading == MoneyField::TOO_LARGE ? too_large : not_an_amount).str());
    field->setFocus();
    field->selectAll();
    return false;
  }
  return true;
}
