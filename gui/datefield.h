#ifndef KORVAN_GUI_DATEFIELD_H
#define KORVAN_GUI_DATEFIELD_H

// A field for dates written YYYY-MM-DD. Every change is checked position
// by position, so the field never holds a text that cannot grow into a
// date; partial input passes while it is typed.

#include <string>

#include "tools/widgets/fxcompat.h"
#include "tools/widgets/theme.h"

class DateField : public Tools::ThemeTextField
{
  FXDECLARE(DateField)

protected:
  DateField();

public:
  DateField(FX::FXComposite *p, FX::FXObject *tgt, FX::FXSelector sel);

  // True when the text could be, or become, a date of that form.
  static bool acceptable(const std::string &text);

  long onVerify(FX::FXObject *, FX::FXSelector, void *);
};

#endif
