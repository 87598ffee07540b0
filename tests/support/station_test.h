#ifndef KORVAN_TESTS_SUPPORT_STATION_TEST_H
#define KORVAN_TESTS_SUPPORT_STATION_TEST_H

// The fixture of the window tests: the main window of
// korvan_gui_test::MainWindowFixture with a user logged in, the windows
// its menu entries show, a second station on the same database, and checks
// read on the test's own connection `db`.

#include <memory>
#include <string>
#include <vector>

#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/seed.h"

namespace korvan_test {

class StationTest : public korvan_gui_test::MainWindowFixture
{
protected:
  // Stores the USER row first unless told not to: booked lines name it.
  USER login(const std::string &name, bool stored = true);
  // A main window on a connection of its own, with the same user.
  std::unique_ptr<MainWindow> second_station();

  // Chooses the menu entry of the main window (or of another station); the
  // window of that class shown (of that class name, where windows share a
  // base W).
  template <class W> W *open(FX::FXuint id, const char *name = nullptr, FX::FXWindow *station = nullptr)
  {
    station = station ? station : main;
    korvan_gui_test::send_command(station, id);
    korvan_gui_test::run_pending(20);
    for (FX::FXWindow *w = korvan_gui_test::app()->getRootWindow()->getFirst(); w; w = w->getNext())
      if (W *found = dynamic_cast<W *>(w))
        if (found->getOwner() == station && (!name || std::string(name) == w->getClassName()))
          return found;
    return nullptr;
  }

  int count(const std::string &sql) { return korvan_gui_test::query_int(*db, sql); }
  std::string value(const std::string &sql) { return korvan_gui_test::query_value(*db, sql); }
  // Raises the window and saves the screen as <name>.png in shot_dir().
  void shot(FX::FXWindow *window, const std::string &name);
  // The next message box comes onto the screen as the program shows it
  // (not to the harness), is saved as <name>.png and answered OK; `box`
  // (which must live until then) gets its title and text.
  void show_next_box(korvan_gui_test::Box &box, const std::string &name);
};

// The first button inside the window with that text (any for ""), and
// that selector (any for 0).
FX::FXButton *button(FX::FXWindow *window, const std::string &text, FX::FXuint selector = 0);

// The first of the widgets that shows that text, or null.
template <class List> typename List::value_type named(const List &widgets, const std::string &text)
{
  for (typename List::value_type w : widgets)
    if (text == Tools::fxcompat::whole(w->getText()))
      return w;
  return nullptr;
}

// Every widget of class T inside the window, in widget order.
template <class T> std::vector<T *> find_all(FX::FXWindow *window)
{
  std::vector<T *> found;
  for (FX::FXWindow *child = window->getFirst(); child; child = child->getNext()) {
    if (T *t = dynamic_cast<T *>(child))
      found.push_back(t);
    for (T *t : find_all<T>(child))
      found.push_back(t);
  }
  return found;
}

} // namespace korvan_test

#endif
