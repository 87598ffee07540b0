// The log sink and its window: every line once on standard output, kept
// until a window shows it, then shown as it comes; "Löschen" empties both.

#include <gtest/gtest.h>

#include "schema/tables.h"
#include "shell/debugwin.h"
#include "shell/mainwindow.h"
#include "shell/mydebug.h"
#include "tests/guisupport/gui_support.h"
#include "tools/core/debug.h"

using namespace FX;

namespace {

class DebugLog : public korvan_gui_test::MainWindowFixture
{
protected:
  std::string shown() { return main->getDebugWin()->getText()->getText().text(); }
};

int occurrences(const std::string &text, const std::string &what)
{
  int n = 0;
  for (std::string::size_type p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
    ++n;
  return n;
}

TEST_F(DebugLog, LinesWaitForTheWindowThenGoStraightIntoIt)
{
  MyDebug *debug = main->getDebug();
  debug->clear();
  testing::internal::CaptureStdout();
  TOOLS_LOG("erste Zeile");
  TOOLS_LOG(std::string("zweite Zeile\nmit Umbruch"));
  ASSERT_EQ(2u, debug->getMessages().size());
  const std::string &first = debug->getMessages().front();
  EXPECT_EQ(0u, first.find("tests/shell/test_debuglog:")) << first;
  EXPECT_NE(std::string::npos, first.find(":virtual void {anonymous}::DebugLog_LinesWaitForTheWindowThenGoStraightIntoIt_Test::TestBody(): erste Zeile"))
      << first;

  EXPECT_EQ(1, korvan_gui_test::send_command(main, MainWindow::ID_DEBUG));
  DebugWin *win = main->getDebugWin();
  ASSERT_NE(nullptr, win);
  EXPECT_TRUE(win->shown());
  EXPECT_TRUE(debug->getMessages().empty());
  std::string text = shown();
  EXPECT_LT(text.find("erste Zeile\n"), text.find("zweite Zeile\nmit Umbruch\n"));

  TOOLS_LOG("dritte Zeile");
  EXPECT_TRUE(debug->getMessages().empty());
  EXPECT_NE(std::string::npos, shown().find("dritte Zeile\n"));
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(1, occurrences(out, ": erste Zeile\n"));
  EXPECT_EQ(1, occurrences(out, ": zweite Zeile\nmit Umbruch\n"));
  EXPECT_EQ(1, occurrences(out, ": dritte Zeile\n"));

  EXPECT_TRUE(korvan_gui_test::screenshot(korvan_gui_test::shot_dir() + "/debugwin.png"));

  // "Ok" hides the window; it keeps collecting.
  korvan_gui_test::send_command(win, DebugWin::ID_OK);
  EXPECT_FALSE(win->shown());
  TOOLS_LOG("versteckt");
  EXPECT_NE(std::string::npos, shown().find("versteckt\n"));

  // The menu shows the same window again.
  korvan_gui_test::send_command(main, MainWindow::ID_DEBUG);
  EXPECT_EQ(win, main->getDebugWin());
  EXPECT_TRUE(win->shown());
}

TEST_F(DebugLog, ClearEmptiesViewAndSinkAndLaterLinesStillCome)
{
  korvan_gui_test::send_command(main, MainWindow::ID_DEBUG);
  DebugWin *win = main->getDebugWin();
  ASSERT_NE("", shown());
  EXPECT_EQ(1, korvan_gui_test::send_command(win, DebugWin::ID_CLEAR));
  EXPECT_EQ("", shown());
  EXPECT_TRUE(main->getDebug()->getMessages().empty());
  TOOLS_LOG("danach");
  EXPECT_NE(std::string::npos, shown().find("danach\n"));
  EXPECT_EQ(1, occurrences(shown(), "\n"));
}

TEST_F(DebugLog, SqlErrorsOfTheLookupAreLoggedNotShown)
{
  ASSERT_FALSE(!db->exec("drop table LANG"));
  korvan_gui_test::LogCapture log;
  Tools::Ref<LANG> row = main->getLangFor("Label", "Name:");
  EXPECT_EQ(0, row->idx.value);
  EXPECT_FALSE(main->installLang(row));
  ASSERT_EQ(2u, log.messages.size());
  EXPECT_EQ(0u, log.messages[0].find("SqlError: ")) << log.messages[0];
  EXPECT_NE(std::string::npos, log.messages[0].find("\nSql: select "));
  EXPECT_NE(std::string::npos, log.messages[1].find("\nSql: INSERT INTO"));
  EXPECT_EQ(nullptr, korvan_gui_test::app()->getModalWindow());
}

} // namespace
