#include "gui/datefield.h"

#include <cctype>

#include "tools/core/string_utils.h"

using namespace FX;

FXDEFMAP(DateField) DateFieldMap[] = {
    FXMAPFUNC(SEL_VERIFY, 0, DateField::onVerify),
};

FXIMPLEMENT(DateField, Tools::ThemeTextField, DateFieldMap, ARRAYNUMBER(DateFieldMap))

DateField::DateField() {}

DateField::DateField(FXComposite *p, FXObject *tgt, FXSelector sel)
    : Tools::ThemeTextField(p, 10, tgt, sel, TEXTFIELD_LIMITED | FRAME_SUNKEN, 0, 0, 0, 0, 2, 2, 2, 2)
{
}

bool DateField::acceptable(const std::string &s)
{
  int month = 0;
  for (std::string::size_type i = 0; i < s.size(); ++i) {
    bool digit = std::isdigit(static_cast<unsigned char>(s[i])) != 0;
    if (i <= 3) {
      if (!digit)
        return false;
    } else if (i == 4 || i == 7) {
      if (s[i] != '-')
        return false;
    } else if (i == 5 || i == 6) {
      if (!digit)
        return false;
      month = Tools::from_text<int>(s.substr(5, 2), 0);
      if (month < 0 || month > 12)
        return false;
    } else {
      if (!digit)
        return false;
      int day = Tools::from_text<int>(s.substr(8), 0);
      if (day < 0 || day > 31)
        return false;
      unsigned m = 1u << month;
      if (m & 0x15aa) { // months of 31 days
        if (day > 31)
          return false;
      } else if (m & 0xa50) { // April, June, September, November
        if (day > 30)
          return false;
      } else if (m == 0x4) { // February; leap years are not told apart
        if (day > 29)
          return false;
      } else {
        return false; // a day after month 00
      }
    }
  }
  return true;
}

long DateField::onVerify(FXObject *sender, FXSelector sel, void *ptr)
{
  if (FXTextField::onVerify(sender, sel, ptr))
    return 1;
  const char *proposed = static_cast<const char *>(ptr);
  return acceptable(proposed ? proposed : "") ? 0 : 1;
}
