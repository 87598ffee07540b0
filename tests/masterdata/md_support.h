#ifndef KORVAN_TESTS_MASTERDATA_MD_SUPPORT_H
#define KORVAN_TESTS_MASTERDATA_MD_SUPPORT_H

// What the master-data tests share: a main window with a logged-in user
// (whose login the history stamps carry), the window of a menu entry as
// the main window made it, and rows stored from the test's own connection.

#include <string>
#include <vector>

#include "tools/widgets/fxcompat.h"
#include "tools/dbi/database.h"
#include "schema/tables.h"
#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"
#include "tests/shell/access_support.h"

namespace md_test {

extern const char *const LOGIN; // the logged-in user of every fixture

class MasterDataTest : public korvan_gui_test::MainWindowFixture
{
protected:
  void SetUp() override;

  // Chooses the menu entry and returns the window it shows.
  template <class W> W *open(FX::FXuint id)
  {
    korvan_gui_test::send_command(main, id);
    korvan_gui_test::run_pending(20);
    return find<W>();
  }
  // The main window's window of that class, or null.
  template <class W> W *find()
  {
    for (FX::FXWindow *w = korvan_gui_test::app()->getRootWindow()->getFirst(); w; w = w->getNext())
      if (W *found = dynamic_cast<W *>(w))
        if (found->getOwner() == main)
          return found;
    return nullptr;
  }

  // Stores the row from the test's connection, commits, gives its idx.
  int store(Tools::DBBindType &row);
  int count(const std::string &sql) { return korvan_gui_test::query_int(*db, sql); }
  std::string value(const std::string &sql) { return korvan_gui_test::query_value(*db, sql); }
  // Raises the window and saves the screen as <name>.png.
  void shot(FX::FXWindow *window, const std::string &name);
};

// Every widget of class T inside the window, in widget order.
template <class T> void find_all(FX::FXWindow *window, std::vector<T *> &found)
{
  for (FX::FXWindow *child = window->getFirst(); child; child = child->getNext()) {
    if (T *t = dynamic_cast<T *>(child))
      found.push_back(t);
    find_all(child, found);
  }
}
template <class T> std::vector<T *> find_all(FX::FXWindow *window)
{
  std::vector<T *> found;
  find_all(window, found);
  return found;
}

int store_group(Tools::Database &db, const std::string &name, double rate, bool valid = true);

} // namespace md_test

#endif
