#ifndef KORVAN_TESTS_GUISUPPORT_GUI_SUPPORT_H
#define KORVAN_TESTS_GUISUPPORT_GUI_SUPPORT_H

// The GUI test harness: one toolkit application per test binary (made by
// a GoogleTest environment on the display that scripts/test starts), a
// private HOME so that the settings registry never touches the user's,
// main windows created against a database of the test's own, the
// toolkit's own messages to drive them, and answers to modal loops.
//
//   korvan_gui_test::MainWindowFixture gives each test `main` (created,
//   shown, connected to a fresh database named after the test) and `db`,
//   a second connection to the same database for checking.

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/core/debug.h"
#include "tools/core/ref.h"
#include "tools/dbi/database.h"
#include "tools/widgets/fxcompat.h"

class MainWindow;

namespace korvan_gui_test {

// The binary's application object (created and `create`d).
FX::FXApp *app();
// The private home directory of this binary.
const std::string &home();
// The settings registry file of the program under that home.
std::string registry_path();

// Runs pending events and chores until the condition holds or `ms`
// milliseconds have passed; gives the condition's last value.
bool run_until(const std::function<bool()> &condition, int ms = 2000);
// Runs what is pending now (events, timeouts, chores, repaints).
void run_pending(int ms = 50);

// Once a modal loop runs, calls `answer` with the modal window and then
// ends that loop with `code` unless the answer has closed it already.
// Arm it before the call that runs the loop.
void answer_modal(std::function<void(FX::FXWindow *)> answer, FX::FXuint code = 0);
// How many modal windows armed answers have met; the failure if none came.
int answered_count();

// A message box as an armed answer saw it.
struct Box
{
  bool seen = false;
  std::string title;
  std::string text; // the labels' texts, one per line
};
// Every non-empty label text inside the window (buttons left out), one
// per line.
std::string label_texts(FX::FXWindow *window);
// Arms an answer that records the next modal box into `box` (emptied
// first) and ends it with `code`.
void expect_box(Box &box, FX::FXuint code = FX::MBOX_CLICKED_OK);
// Sends the command to the target and answers the box it shows with
// `code`; a failure when no box came while the command ran.
void answer_box(Box &box, FX::FXObject *target, FX::FXuint id, FX::FXuint code = FX::MBOX_CLICKED_OK);

// SEL_COMMAND with the id to the target's handler.
long send_command(FX::FXObject *target, FX::FXuint id, void *data = nullptr);
// A key press and release (code from fxkeys.h) to the target's handler.
long press_key(FX::FXObject *target, FX::FXuint code, FX::FXuint state = 0);

// The pointer and the keyboard themselves: xdotool with `args` on the
// test display; false when it failed.
bool xdo(const std::string &args);
// Where the point (x, y) of the window is on the screen.
void on_screen(FX::FXWindow *window, int x, int y, int &sx, int &sy);
// Moves the pointer onto the point of the window (its middle when x is
// negative) in two steps, as the toolkit's popups select an item only after
// motion over it.
bool point_at(FX::FXWindow *window, int x = -1, int y = -1);
// Points at the window's point and clicks the button (1 left, 3 right).
bool click(FX::FXWindow *window, int button, int x = -1, int y = -1);

// Runs the steps one after another from timeouts, so also inside modal
// loops (a popup menu's, a message box's); a step that returns false is
// tried again 50 ms later, all of them within `ms`. Failures of the test
// when time runs out.
void run_steps(std::vector<std::function<bool()> > steps, int ms = 5000);
// The menu pane that runs modally now, or null.
FX::FXMenuPane *modal_menu();
// The entry of the menu pane whose text is `text`, or null.
FX::FXWindow *menu_entry(FX::FXWindow *pane, const std::string &text);

// A data source of its own for the database (its name is returned),
// added to a private odbc.ini that ODBCINI then names.
std::string data_source(const std::string &database);
// Stores the four connection settings in the registry, for the next
// MainWindow::create (host = the database's own data source).
void store_db_settings(const std::string &database);
void clear_db_settings();

// A new MainWindow, created and shown (its create opens the database
// through the registry's settings).
MainWindow *make_main_window(const std::string &database);

// A connection of the test's own to a database on the private server.
Tools::Ref<Tools::Database> connect(const std::string &database);
// The first cell of the first row, "" when there is none.
std::string query_value(Tools::Database &db, const std::string &sql);
int query_int(Tools::Database &db, const std::string &sql);

// Saves the whole screen as PNG (ImageMagick's import).
bool screenshot(const std::string &path);
// Where screenshots go: $KORVAN_SHOTS or the build's test directory.
std::string shot_dir();

// Keeps log lines while installed (restores the previous sink after).
class LogCapture : public Tools::Debug
{
  Tools::Debug *previous;

public:
  std::vector<std::string> messages;
  LogCapture();
  ~LogCapture() override;
  void output(const char *file, unsigned line, const char *function, const std::string &message) override;
  int count(const std::string &message) const;
};

// A fresh database named after the running test, a main window created
// against it, and a second connection for checks. Deletes the window and
// drops the database afterwards.
class MainWindowFixture : public ::testing::Test
{
protected:
  std::string database;
  MainWindow *main = nullptr;
  Tools::Ref<Tools::Database> db;

  void SetUp() override;
  void TearDown() override;
  // Deletes the main window now (to test what happens after).
  void destroy_main();
};

} // namespace korvan_gui_test

#endif
