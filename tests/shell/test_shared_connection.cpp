// All windows share one connection. While one window's work is open on
// it, what the user does in another window (closing it, storing a
// translation, testing the connection, logging in again) must neither
// lose that work nor commit it.

#include <gtest/gtest.h>

#include <functional>

#include "gui/dialog.h"
#include "gui/spreadsheet.h"
#include "shell/connect.h"
#include "shell/debugwin.h"
#include "shell/langwin.h"
#include "shell/login.h"
#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"
#include "tests/shell/access_support.h"

using namespace FX;

namespace {

using SharedConnection = korvan_gui_test::MainWindowFixture;

// Answers the next modal dialog of type W with `act`.
template <class W> void answer(std::function<void(W *)> act, FXuint code = 0)
{
  korvan_gui_test::answer_modal(
      [act](FXWindow *w) {
        W *dialog = dynamic_cast<W *>(w);
        ASSERT_NE(nullptr, dialog) << "another window came up";
        act(dialog);
      },
      code);
}

TEST_F(SharedConnection, WhatAnotherWindowDoesNeitherLosesNorCommitsOpenWork)
{
  ASSERT_TRUE(korvan_access_test::add_user(*db, "anna", "geheim"));
  const struct Step
  {
    const char *what;
    std::function<void(MainWindow *)> act;
  } steps[] = {
      {"debug window closed by its close button",
       [](MainWindow *m) {
         korvan_gui_test::send_command(m, MainWindow::ID_DEBUG);
         m->getDebugWin()->handle(nullptr, FXSEL(SEL_CLOSE, 0), nullptr);
       }},
      {"debug window closed with Escape",
       [](MainWindow *m) {
         korvan_gui_test::send_command(m, MainWindow::ID_DEBUG);
         korvan_gui_test::press_key(m->getDebugWin(), KEY_Escape);
       }},
      {"translation stored, then the editor closed",
       [](MainWindow *m) {
         korvan_gui_test::send_command(m, MainWindow::ID_LANGWIN);
         SpreadSheet *sheet = m->getLangWin()->get_sheet();
         sheet->setItemText(0, LangWin::TRANS, "translated");
         sheet->setCurrentItem(1, LangWin::TRANS, TRUE);
         korvan_gui_test::press_key(m->getLangWin(), KEY_Escape);
       }},
      {"translation editor confirmed",
       [](MainWindow *m) {
         korvan_gui_test::send_command(m, MainWindow::ID_LANGWIN);
         korvan_gui_test::send_command(m->getLangWin(), LangWin::ID_OK);
       }},
      {"connection tested, dialog closed",
       [](MainWindow *m) {
         answer<Connect>([](Connect *c) {
           korvan_access_test::Box box;
           korvan_access_test::expect_box(box);
           korvan_gui_test::send_command(c, Connect::ID_TEST);
           korvan_gui_test::press_key(c, KEY_Escape);
         });
         korvan_gui_test::send_command(m, MainWindow::ID_CONNECT);
       }},
      {"login closed, then a user logs in",
       [](MainWindow *m) {
         answer<Login>([](Login *l) {
           korvan_gui_test::press_key(l, KEY_Escape);
           answer<Login>(
               [](Login *again) {
                 again->getNameField()->setText("anna");
                 again->getPasswordField()->setText("geheim");
                 korvan_gui_test::send_command(again, Login::ID_OK);
               },
               Login::ACCEPTED);
         });
         korvan_gui_test::send_command(m, MainWindow::ID_LOGIN);
       }},
      {"a dialog of the framework closed",
       [](MainWindow *m) {
         Dialog other(m, m, "Anderes Fenster");
         other.create();
         other.show(PLACEMENT_OWNER);
         korvan_gui_test::press_key(&other, KEY_Escape);
       }},
  };
  const std::string count = "select count(*) from LAYOUTK where name = 'Offen'";
  for (const Step &step : steps) {
    // A window in the middle of its work: a row written, not yet ended.
    Dialog working(main, main, "Offene Arbeit");
    Tools::Ref<Tools::Database> shared = working.get_db();
    ASSERT_FALSE(!shared->exec("insert into LAYOUTK (name, width, height, color) values ('Offen', 1, 1, 0)"));

    step.act(main);

    EXPECT_EQ("1", korvan_gui_test::query_value(*main->getDatabase(), count)) << step.what << ": lost";
    EXPECT_EQ("0", korvan_gui_test::query_value(*db, count)) << step.what << ": committed";
    // The window ends its own work.
    main->getDatabase()->rollback();
  }
  EXPECT_EQ("translated", korvan_gui_test::query_value(*db, "select trans from LANG where trans = 'translated'"));
}

} // namespace
