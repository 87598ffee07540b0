// The main window: the settings it stores at quit, its log, and a teardown
// that leaves nothing behind that could still be used; and the steps of
// start-up that need no toolkit.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "gui/lang.h"
#include "schema/create_sql.h"
#include "shell/debugwin.h"
#include "shell/mydebug.h"
#include "shell/startup.h"
#include "shell/login.h"
#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/seed.h"
#include "tests/support/db_support.h"
#include "tools/core/base_exception.h"

using namespace FX;
using namespace korvan_gui_test;
using korvan_test::add_user;

namespace {

using MainWindowTest = MainWindowFixture;

// The file holds the database password: whichever way the program ends,
// it is written for its owner only, also over a file others could read.
TEST_F(MainWindowTest, EveryWayOutStoresTheSettingsForTheOwnerOnly)
{
  const std::string path = registry_path();
  const struct
  {
    const char *way;
    std::function<void(MainWindow *)> quit;
  } ways[] = {
      {"quit", [](MainWindow *m) { send_command(m, MainWindow::ID_QUIT); }},
      {"close", [](MainWindow *m) { m->handle(nullptr, FXSEL(SEL_CLOSE, 0), nullptr); }},
      {"cancel",
       [](MainWindow *m) {
         run_login(m, {{[](Login *l) { send_command(l, Login::ID_CANCEL); }, Login::CANCELLED}});
       }},
  };
  for (const auto &w : ways) {
    ASSERT_EQ(0, system(("mkdir -p \"$(dirname '" + path + "')\" && echo >'" + path + "' && chmod 644 '" + path + "'")
                            .c_str()));
    main->getConnectSettings().password = w.way;
    w.quit(main);
    EXPECT_TRUE(run_until([&] { return main->isQuitting(); })) << w.way;
    struct stat st;
    ASSERT_EQ(0, stat(path.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777u) << w.way;
    EXPECT_NE(std::string::npos, korvan_test::slurp(path).find(std::string("password=") + w.way + "\n")) << w.way;
    destroy_main();
    main = make_main_window(database);
  }
}

TEST_F(MainWindowTest, ASettingsFileThatCannotBeWrittenIsReportedAtQuit)
{
  const std::string path = registry_path();
  unlink(path.c_str());
  // Not even root writes a file where a directory stands.
  ASSERT_EQ(0, system(("mkdir -p '" + path + "'").c_str()));
  Box box;
  answer_box(box, main, MainWindow::ID_QUIT);
  EXPECT_NE(std::string::npos, box.text.find(path)) << box.text;
  EXPECT_TRUE(main->isQuitting());
  // The box's texts are gone with it, and no longer among those F11 switches.
  EXPECT_EQ(1, press_key(main, KEY_F11));
  rmdir(path.c_str());
}

TEST_F(MainWindowTest, TeardownRemovesTheLogBeforeTheWindowsGo)
{
  send_command(main, MainWindow::ID_DEBUG);
  ASSERT_EQ(static_cast<Tools::Debug *>(main->getDebug()), Tools::debug_sink);
  new Label(main, main, "Kind"); // a text that goes with its window
  destroy_main();
  EXPECT_EQ(nullptr, Tools::debug_sink);
  TOOLS_LOG("nach dem Ende"); // nobody listens, nothing is touched
}

// Every line goes once to standard output and is kept until the debug
// window shows it, then straight into the window; "Löschen" empties it.
TEST_F(MainWindowTest, LogLinesWaitForTheDebugWindowThenGoStraightIntoIt)
{
  auto in_order = [](const std::string &text) {
    const std::string::size_type first = text.find(": erste Zeile\n"), second = text.find(": zweite Zeile\n");
    return first < second && second != std::string::npos && first == text.rfind(": erste Zeile\n") &&
           second == text.rfind(": zweite Zeile\n");
  };
  main->getDebug()->clear();
  testing::internal::CaptureStdout();
  TOOLS_LOG("erste Zeile");
  ASSERT_EQ(1u, main->getDebug()->getMessages().size());
  send_command(main, MainWindow::ID_DEBUG);
  DebugWin *win = main->getDebugWin();
  send_command(win, DebugWin::ID_OK); // hidden, it keeps collecting
  TOOLS_LOG("zweite Zeile");
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(in_order(out)) << out;
  EXPECT_TRUE(main->getDebug()->getMessages().empty());
  EXPECT_TRUE(in_order(win->getText()->getText().text()));
  send_command(win, DebugWin::ID_CLEAR);
  EXPECT_STREQ("", win->getText()->getText().text());
  TOOLS_LOG("danach");
  EXPECT_NE(-1, win->getText()->getText().find("danach\n"));
}

TEST_F(MainWindowTest, SqlErrorsOfTheTextLookupAreLoggedNotShown)
{
  ASSERT_TRUE(db->exec("drop table LANG").ok);
  LogCapture log;
  StaticText text(main, "Label", "Name:");
  EXPECT_EQ(0, text.get_row()->idx.value);
  ASSERT_FALSE(log.messages.empty());
  for (const std::string &line : log.messages)
    EXPECT_EQ(0u, line.find("SqlError: ")) << line;
  EXPECT_EQ(nullptr, app()->getModalWindow());
}

// The create script replaces an older, longer one whole; a file that cannot
// be opened or written is reported and start-up goes on.
TEST(Startup, TheCreateScriptIsWrittenWholeOrReported)
{
  char dir[] = "/tmp/korvan-startup.XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  const std::string path = std::string(dir) + "/create.sql";
  std::ofstream(path) << std::string(500000, 'x');
  const struct
  {
    std::string path, error;
  } cases[] = {{path, ""}, {"/dev/full", "warning cannt write create.sql\n"}, {dir, "warning cannt create create.sql\n"}};
  for (const auto &c : cases) {
    std::ostringstream err;
    EXPECT_EQ(c.error.empty(), write_create_script(c.path, err)) << c.path;
    EXPECT_EQ(c.error, err.str());
  }
  EXPECT_EQ(create_sql(), korvan_test::slurp(path));
  EXPECT_EQ(0, system(("rm -r '" + std::string(dir) + "'").c_str()));
}

TEST(Startup, AnExceptionReachingTheTopIsReportedWithExitCodeOne)
{
  std::ostringstream err;
  EXPECT_EQ(1, run_guarded([]() -> int { throw Tools::BaseException("bad reference"); }, err));
  EXPECT_EQ(1, run_guarded([]() -> int { throw 42; }, err));
  EXPECT_EQ(7, run_guarded([] { return 7; }, err));
  EXPECT_EQ("korvan: bad reference\nkorvan: unknown exception\n", err.str());
}

} // namespace
