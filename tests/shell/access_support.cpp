#include "tests/shell/access_support.h"

#include "schema/tables.h"
#include "tests/guisupport/gui_support.h"
#include "tools/dbi/query.h"

using namespace FX;

namespace korvan_access_test {

void type_text(FXObject *widget, const std::string &text)
{
  for (char c : text) {
    FXEvent ev;
    ev.type = SEL_KEYPRESS;
    ev.code = static_cast<unsigned char>(c);
    ev.state = 0;
    ev.text = FXString(&c, 1);
    widget->handle(nullptr, FXSEL(SEL_KEYPRESS, 0), &ev);
    ev.type = SEL_KEYRELEASE;
    widget->handle(nullptr, FXSEL(SEL_KEYRELEASE, 0), &ev);
  }
}

bool add_user(Tools::Database &db, const std::string &login, const std::string &password, bool valid)
{
  USER row;
  row.login = login;
  row.passwd = password;
  row.gueltig = valid ? JANEIN::JA : JANEIN::NEIN;
  return Tools::insert_object(db, row) && db.commit();
}

bool mentions(const std::vector<std::string> &texts, const std::string &what)
{
  for (const std::string &t : texts)
    if (t.find(what) != std::string::npos)
      return true;
  return false;
}

} // namespace korvan_access_test
