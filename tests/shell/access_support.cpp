#include "tests/shell/access_support.h"

#include "schema/tables.h"
#include "tests/guisupport/gui_support.h"
#include "tools/dbi/query.h"

using namespace FX;

namespace korvan_access_test {

std::string label_texts(FXWindow *window)
{
  std::string out;
  for (FXWindow *w = window->getFirst(); w; w = w->getNext()) {
    if (FXLabel *label = dynamic_cast<FXLabel *>(w))
      if (!dynamic_cast<FXButton *>(w) && !label->getText().empty())
        out += std::string(label->getText().text()) + "\n";
    out += label_texts(w);
  }
  return out;
}

void expect_box(Box &box)
{
  korvan_gui_test::answer_modal(
      [&box](FXWindow *w) {
        box.seen = true;
        if (FXTopWindow *top = dynamic_cast<FXTopWindow *>(w))
          box.title = top->getTitle().text();
        box.text = label_texts(w);
      },
      MBOX_CLICKED_OK);
}

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
