#ifndef KORVAN_TESTS_GUISUPPORT_GUI_SUPPORT_H
#define KORVAN_TESTS_GUISUPPORT_GUI_SUPPORT_H

// The GUI test harness: one toolkit application per test binary on the
// display that scripts/test starts, a private HOME for the settings
// registry, an application context (a test's own, or the program's main
// window) against a database of the test's own, the toolkit's own messages
// to drive them, answers to modal loops, and the person in front of the
// message boxes.
//
// Message boxes never reach the screen here: each one takes the next
// answer armed with expect_box (or answer_box), in the order armed. A box
// that no test armed fails the test at once with its title and text and is
// answered OK (a question No); an answer armed for a box that never came
// fails the test at its end.
//
// Work left open on the shared connection when the event loop goes idle
// (a change or a lock that an action did not end) fails the test too
// (IdleReads' reporter).

#include <functional>
#include <string>
#include <vector>

#include "tests/support/db_fixture.h"
#include "tools/widgets/fxcompat.h"
#include "gui/appcontext.h"
#include "gui/iconmanager.h"
#include "gui/idlereads.h"
#include "schema/tables.h"

class MainWindow;
class Login;

namespace korvan_gui_test {

using korvan_test::LogCapture;
using korvan_test::query_value;

// The application on the display, with a private HOME: started once per
// test binary (or benchmark), null without a display; ended with its HOME.
FX::FXApp *start_app();
void end_app();
FX::FXApp *app();
// The program's settings registry file under the private home.
std::string registry_path();

// Runs events and chores until the condition holds, at most `ms` ms.
bool run_until(const std::function<bool()> &condition, int ms = 2000);
void run_pending(int ms = 50);

// Armed before a modal loop runs: calls `answer` with the modal window,
// then ends the loop with `code` unless the answer has closed it.
void answer_modal(std::function<void(FX::FXWindow *)> answer, FX::FXuint code = 0);
// The same for a modal window that must be a W.
template <class W> void answer(std::function<void(W *)> act, FX::FXuint code = 0)
{
  answer_modal(
      [act](FX::FXWindow *w) {
        W *dialog = dynamic_cast<W *>(w);
        ASSERT_NE(nullptr, dialog) << "another window came up";
        act(dialog);
      },
      code);
}
// Runs the steps one after another from timeouts, so also inside modal
// loops; a step that gives false is tried again 50 ms later, all within
// `ms` (a failure of the test after). A modal window still open after the
// last step must close within that time too.
void run_steps(std::vector<std::function<bool()> > steps, int ms = 5000);

// A message box as an armed answer saw it.
struct Box
{
  bool seen = false;
  std::string title;
  std::string text; // the box's text, ending in a line end
};
// Arms the answer to the next message box not yet answered: it records the
// box into `box` (which must live until then) and presses `code`.
void expect_box(Box &box, FX::FXuint code = FX::MBOX_CLICKED_OK);
// The same, calling `seen` with the box while it is up.
void expect_box(std::function<void(const Box &)> seen, FX::FXuint code = FX::MBOX_CLICKED_OK);
// Sends the command and answers the box it shows; a failure without box.
void answer_box(Box &box, FX::FXObject *target, FX::FXuint id, FX::FXuint code = FX::MBOX_CLICKED_OK);
// The answers armed and not yet taken.
int boxes_armed();

// Work that a test leaves open on the shared connection on purpose (a
// window in the middle of its work, as it were) while it drives other
// windows: while one lives, each report of it is kept here instead of
// failing the test.
class WorkKeptOpen
{
  IdleReads::Reporter harness;

public:
  std::vector<std::string> reports;
  WorkKeptOpen();
  ~WorkKeptOpen();
  WorkKeptOpen(const WorkKeptOpen &) = delete;
  WorkKeptOpen &operator=(const WorkKeptOpen &) = delete;
};

long send_command(FX::FXObject *target, FX::FXuint id, void *data = nullptr);
// A key press and release (code from fxkeys.h, with the text it types).
long press_key(FX::FXObject *target, FX::FXuint code, FX::FXuint state = 0, const std::string &text = "");
// One key per character of the UTF-8 text, as a keyboard types it.
void type_keys(FX::FXObject *target, const std::string &text);

// Records what a widget sends to its target; `reply` answers (1 unset).
struct Recorder : public FX::FXObject
{
  struct Message
  {
    FX::FXuint type, id;
    void *data;
  };
  std::vector<Message> messages;
  std::function<long(const Message &)> reply;
  long handle(FX::FXObject *, FX::FXSelector sel, void *data) override;
};

// xdotool with `args` on the test display; false when it failed.
bool xdo(const std::string &args);
// Gives the window the keyboard, and waits until it has it (xdotool's wait
// can last for ever when the focus does not move).
bool focus(FX::FXWindow *window, bool wait = true);
// Moves the pointer onto the point of the window (its middle when x is
// negative) in two steps: popups select an item only after motion over it.
bool point_at(FX::FXWindow *window, int x = -1, int y = -1);
// Points there and clicks the button (1 left, 3 right, 4 and 5 the wheel).
bool click(FX::FXWindow *window, int button, int x = -1, int y = -1);
FX::FXMenuPane *modal_menu();
FX::FXWindow *menu_entry(FX::FXWindow *pane, const std::string &text);

// A data source of its own for the database, in a private odbc.ini, with
// the character set given.
std::string data_source(const std::string &database, const std::string &charset = "utf8mb4");
// A MainWindow, created and shown, on the database (none for ""); needs
// the harness with the shell (korvan_gui_test_support), as do the login's.
MainWindow *make_main_window(const std::string &database);
// Runs "Anmeldung" with one step per login dialog it shows: what is done
// in it and the code it ends with. The number of dialogs met.
struct LoginStep
{
  std::function<void(Login *)> act;
  int code;
};
int run_login(MainWindow *main, const std::vector<LoginStep> &steps);
// Fills in name and password and presses "Ok".
void confirm(Login *login, const std::string &name, const std::string &password);

// An application context without the shell: a plain main window with a
// database handle, a user, the button pictures and the program's texts.
class TestContext : public FX::FXMainWindow, public AppContext
{
  Tools::Ref<Tools::Database> database;
  Tools::Ref<USER> user;
  IconManager icons;

public:
  explicit TestContext(FX::FXApp *app);
  ~TestContext() override;
  void create() override;

  Tools::Ref<Tools::Database> getDatabase() override { return database; }
  // The texts take their rows from the new database.
  void setDatabase(const Tools::Ref<Tools::Database> &db);
  Tools::Ref<USER> getUser() override { return user; }
  void setUser(const Tools::Ref<USER> &u) { user = u; }
  FX::FXIcon *getIcon(const std::string &name) override { return icons.get_icon(name); }
  IconManager &getIconManager() { return icons; }
};
// A TestContext, created and shown, on the database (none for "").
TestContext *make_context(const std::string &database);

inline Tools::Ref<Tools::Database> connect(const std::string &database)
{
  return korvan_test::open_database(database);
}
int query_int(Tools::Database &db, const std::string &sql);

// The whole screen as PNG, in $KORVAN_SHOTS (the build's test directory).
bool screenshot(const std::string &path);
// $KORVAN_SHOTS, or else the build's folder tests/shots; made if missing.
std::string shot_dir();

// A fresh database named after the test (`database`, `db` a connection
// of the test's own for checks) and `main` on it: a TestContext, or with
// korvan_gui_test_support the program's main window.
template <class Main> class WindowFixture : public korvan_test::FreshDatabase
{
protected:
  Main *main = nullptr;

  void SetUp() override;
  void TearDown() override
  {
    destroy_main();
    FreshDatabase::TearDown();
  }
  // Deletes the main window now (to test what happens after).
  void destroy_main()
  {
    delete main;
    main = nullptr;
  }
};
template <> void WindowFixture<TestContext>::SetUp();
template <> void WindowFixture<MainWindow>::SetUp();
using ContextFixture = WindowFixture<TestContext>;
using MainWindowFixture = WindowFixture<MainWindow>;

} // namespace korvan_gui_test

#endif
