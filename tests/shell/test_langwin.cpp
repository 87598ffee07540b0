// The translation editor: every LANG row in a sheet, a translation typed
// there stored and used at once (an apostrophe included), texts stored
// meanwhile listed at the next showing.

#include <gtest/gtest.h>

#include "gui/lang.h"
#include "gui/spreadsheet.h"
#include "shell/langwin.h"
#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/recording_db.h"

using namespace FX;
using korvan_test::RecordingDB;

namespace {

// The visible columns after the row header (idx).
enum { SYSTEM, TYPE, ORIG, TRANS };

int row_of(SpreadSheet *sheet, const std::string &orig)
{
  for (int r = 0; r < sheet->getNumRows(); ++r)
    if (sheet->getItemText(r, ORIG) == orig.c_str())
      return r;
  return -1;
}

using LangWinTest = korvan_gui_test::MainWindowFixture;

TEST_F(LangWinTest, ATranslationWithAnApostropheIsStoredAndShownAfterOk)
{
  Label *label = new Label(main, main, "Kellner's Liste");
  label->create();
  EXPECT_EQ(1, korvan_gui_test::query_int(*db, "select count(*) from LANG where orig = 'Kellner\\'s Liste'"));

  korvan_gui_test::send_command(main, MainWindow::ID_LANGWIN);
  LangWin *win = main->getLangWin();
  ASSERT_NE(nullptr, win);
  SpreadSheet *sheet = win->get_sheet();
  EXPECT_EQ(korvan_gui_test::query_int(*db, "select count(*) from LANG"), sheet->getNumRows());
  const int row = row_of(sheet, "Kellner's Liste");
  ASSERT_GE(row, 0);
  EXPECT_STREQ("Label", sheet->getItemText(row, TYPE).text());
  EXPECT_TRUE(korvan_gui_test::screenshot(korvan_gui_test::shot_dir() + "/langwin.png"));

  // Typed into the cell, then another cell chosen: the sheet writes back.
  sheet->setItemText(row, TRANS, "Waiter's list");
  sheet->setCurrentItem(row == 0 ? 1 : 0, ORIG, TRUE);
  EXPECT_EQ("Waiter's list",
            korvan_gui_test::query_value(*db, "select trans from LANG where orig = 'Kellner\\'s Liste'"));

  // Used at once, without "Ok", and without reading LANG again.
  RecordingDB *rec = nullptr;
  main->setDatabase(korvan_test::connect_recording(database, rec));
  rec->statements.clear();
  korvan_gui_test::send_command(main, MainWindow::ID_LANGMODE);
  EXPECT_STREQ("Waiter's list", label->getText().text());
  Label *later = new Label(main, main, "Kellner's Liste");
  EXPECT_STREQ("Waiter's list", later->getText().text());
  EXPECT_TRUE(rec->statements.empty()) << rec->statements[0];

  // "Ok" reads the translations again, with one statement.
  korvan_gui_test::send_command(win, LangWin::ID_OK);
  EXPECT_FALSE(win->shown());
  EXPECT_EQ(1u, rec->statements.size());
  EXPECT_STREQ("Waiter's list", label->getText().text());
  korvan_gui_test::send_command(main, MainWindow::ID_LANGMODE);
  EXPECT_STREQ("Kellner's Liste", label->getText().text());
}

TEST_F(LangWinTest, ShowingAgainListsNewTextsAndTheSheetCannotAddOrDeleteRows)
{
  korvan_gui_test::send_command(main, MainWindow::ID_LANGWIN);
  LangWin *win = main->getLangWin();
  SpreadSheet *sheet = win->get_sheet();
  const int rows = sheet->getNumRows();
  EXPECT_EQ(-1, row_of(sheet, "Neu seit eben"));
  korvan_gui_test::press_key(win, KEY_Escape);
  EXPECT_FALSE(win->shown());

  StaticText fresh(main, "Message", "Neu seit eben");
  korvan_gui_test::send_command(main, MainWindow::ID_LANGWIN);
  EXPECT_EQ(win, main->getLangWin()); // the same window again
  EXPECT_EQ(rows + 1, sheet->getNumRows());
  EXPECT_GE(row_of(sheet, "Neu seit eben"), 0);

  // The sheet's requests for a new or a deleted row go unanswered.
  SpreadSheet::MenuRequest add(SpreadSheet::MenuRequest::NEW);
  EXPECT_EQ(0, win->handle(sheet, FXSEL(SEL_COMMAND, LangWin::ID_SHEET), &add));
  SpreadSheet::MenuRequest drop(SpreadSheet::MenuRequest::DELETE);
  drop.row = sheet->get_row(0);
  EXPECT_EQ(0, win->handle(sheet, FXSEL(SEL_COMMAND, LangWin::ID_SHEET), &drop));
  EXPECT_EQ(rows + 1, korvan_gui_test::query_int(*db, "select count(*) from LANG"));
}

TEST_F(LangWinTest, LoggingOutHidesTheEditor)
{
  korvan_gui_test::send_command(main, MainWindow::ID_LANGWIN);
  ASSERT_TRUE(main->getLangWin()->shown());
  main->setLoggedIn(false);
  EXPECT_FALSE(main->getLangWin()->shown());
  main->setLoggedIn(true);
}

} // namespace

namespace {
TEST_F(LangWinTest, TheTranslationColumnHasRoomAndATabIsShownAndTypedAsAnEscape)
{
  korvan_gui_test::send_command(main, MainWindow::ID_LANGWIN);
  SpreadSheet *sheet = main->getLangWin()->get_sheet();
  EXPECT_GE(sheet->getColumnWidth(TRANS), sheet->getColumnWidth(ORIG));
  EXPECT_GE(sheet->getColumnWidth(TRANS), sheet->getFont()->getTextWidth("Datenbankverbindung"));
  for (int r = 0; r < sheet->getNumRows(); ++r)
    for (int c = SYSTEM; c <= TRANS; ++c)
      EXPECT_EQ(-1, sheet->getItemText(r, c).find('\t')) << sheet->getItemText(r, c).text();

  const int row = row_of(sheet, "&Quit\\tCtl-Q");
  ASSERT_GE(row, 0);
  sheet->setItemText(row, TRANS, "&Beenden\\tStrg-Q");
  sheet->setCurrentItem(row == 0 ? 1 : 0, ORIG, TRUE);
  EXPECT_EQ("&Beenden\tStrg-Q", korvan_gui_test::query_value(*db, "select trans from LANG where orig like '&Quit%'"));
  EXPECT_EQ(1, korvan_gui_test::query_int(*db, "select count(*) from LANG where orig = '&Quit\tCtl-Q'"));
}

TEST_F(LangWinTest, EscapeClosesWhileTheSheetHasTheFocus)
{
  korvan_gui_test::send_command(main, MainWindow::ID_LANGWIN);
  LangWin *win = main->getLangWin();
  win->get_sheet()->setFocus();
  korvan_gui_test::press_key(win, KEY_Escape);
  EXPECT_FALSE(win->shown());
}
} // namespace
