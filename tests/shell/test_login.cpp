// The login: who gets in and who does not, the built-in account with and
// without a database, the ways back to a new login, and passwords kept out
// of every report.

#include <gtest/gtest.h>

#include <numeric>

#include "shell/debugwin.h"
#include "shell/login.h"
#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/seed.h"

using namespace FX;
using namespace korvan_gui_test;
using korvan_test::add_user;

namespace {

// Tries the input and expects the refusal (`words`, or else the wrong
// login's); the dialog stays open.
void refused(Login *login, const std::string &name, const std::string &password, const char *words = "")
{
  Box box;
  expect_box(box);
  confirm(login, name, password);
  EXPECT_NE(std::string::npos, box.text.find(*words ? words : "Falsches Passwort"))
      << name << " / " << password << ": " << box.text;
  EXPECT_EQ(static_cast<FXWindow *>(login), app()->getModalWindow());
}

class LoginTest : public MainWindowFixture
{
protected:
  int users(const std::string &where = "") { return query_int(*db, "select count(*) from USER " + where); }
};

TEST_F(LoginTest, WrongInvalidDoubledWrongCaseAndInjectedLoginsAreRefused)
{
  ASSERT_TRUE(add_user(*db, "anna", "geheim"));
  ASSERT_TRUE(add_user(*db, "bert", "passwort", false));
  ASSERT_TRUE(add_user(*db, "carl", "zwilling"));
  ASSERT_TRUE(add_user(*db, "carl", "zwilling"));
  send_command(main, MainWindow::ID_DEBUG);
  const char *const refusals[][3] = {
      // A character no table holds is refused before it is looked up.
      {"anna \xf0\x9f\x8d\xba", "geheim", "(etwa ein Emoji):\nLogin: anna \xf0\x9f\x8d\xba\n"},
      {"anna", "geheim\xf0\x9f\x8d\xba", "(etwa ein Emoji):\nPasswort: ***\n"},
      {"anna", "falsch"},
      {"anna", ""},
      {"bert", "passwort"}, // not valid
      {"carl", "zwilling"}, // two rows
      {"anna", "GEHEIM"},
      {"anna", "geheim "},
      {"anna", "gehéim"},
      {"x' or '1'='1", "x' or '1'='1"},
      {"anna", "x' or '1'='1"},
      {"anna' -- ", "egal"},
      {"anna\\", "' or 1=1 -- "},
  };
  run_login(main, {{[&](Login *l) {
                      for (const auto &r : refusals)
                        refused(l, r[0], r[1], r[2] ? r[2] : "");
                      // Nothing of the last user's work stays in view.
                      EXPECT_FALSE(main->getSystemTitle()->isEnabled());
                      EXPECT_FALSE(main->getDebugWin()->shown());
                      confirm(l, "anna", "geheim");
                    },
                    Login::ACCEPTED}});
  EXPECT_TRUE(main->getSystemTitle()->isEnabled());
  EXPECT_EQ("anna", main->getUser()->login.value);
  EXPECT_NE(0, main->getUser()->idx.value);
  EXPECT_EQ(4, users()); // nothing was created or changed
}

TEST_F(LoginTest, TheBuiltInAccountMakesItsRowOnlyInAnEmptyUserTable)
{
  // The second login finds the row made by the first and adds none.
  for (int start = 0; start < 2; ++start) {
    run_login(main, {{[](Login *l) { confirm(l, "wrt", "tresen"); }, Login::ACCEPTED}});
    EXPECT_EQ(1, users("where login = 'wrt' and BINARY passwd = 'tresen' and gueltig = 'JA'"));
    EXPECT_EQ(1, users());
    EXPECT_EQ(query_int(*db, "select idx from USER"), main->getUser()->idx.value);
  }
  // Once others exist, only its own valid row with that password lets it in.
  ASSERT_TRUE(add_user(*db, "anna", "geheim"));
  const char *const changes[] = {
      "update USER set passwd = 'anders' where login = 'wrt'",
      "update USER set passwd = 'tresen', gueltig = 'NEIN' where login = 'wrt'",
      "delete from USER where login = 'wrt'",
  };
  run_login(main, {{[&](Login *l) {
                      for (const char *change : changes) {
                        ASSERT_TRUE(db->exec(change).ok && db->commit());
                        refused(l, "wrt", "tresen");
                      }
                      confirm(l, "anna", "geheim");
                    },
                    Login::ACCEPTED}});
  EXPECT_EQ(1, users());
}

// A built-in account whose row cannot be completed, and a login on a
// database without its USER table: each error box names the failed
// statement, but no form of the password reaches a box, the log or
// standard output, and nothing is left pending.
TEST_F(LoginTest, NoPasswordInAnErrorBoxTheLogOrOnStandardOutput)
{
  LogCapture log;
  std::vector<std::string> boxes;
  int left = -1;
  auto attempt = [&](Login *l, const std::string &name, const std::string &password) {
    Box box;
    expect_box(box);
    confirm(l, name, password);
    boxes.push_back(box.text);
  };
  // What fails while standard output is captured shows only in the checks after.
  testing::internal::CaptureStdout();
  run_login(main, {{[&](Login *l) {
                      db->exec("create trigger no_changes before update on USER for each row "
                               "signal sqlstate '45000' set message_text = 'keine Aenderungen'");
                      attempt(l, "wrt", "tresen");
                      main->getDatabase()->commit();
                      left = users();
                      db->exec("drop table BONLINE");
                      db->exec("drop table USER");
                      attempt(l, "anna", "Zauber'wort9");
                      send_command(l, Login::ID_CANCEL);
                    },
                    Login::CANCELLED}});
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(0, left) << "a half-made account waits for a later commit";
  ASSERT_EQ(2u, boxes.size());
  EXPECT_NE(std::string::npos, boxes[0].find("keine Aenderungen")) << boxes[0];
  EXPECT_NE(std::string::npos, boxes[1].find("passwd='***'")) << boxes[1];
  const std::string logged = std::accumulate(log.messages.begin(), log.messages.end(), std::string());
  EXPECT_NE(std::string::npos, out.find("passwd='***'")) << out;
  EXPECT_NE(std::string::npos, logged.find("passwd='***'")) << logged;
  const std::string kept = main->getDatabase()->get_error() + main->getDatabase()->get_last_query();
  for (const char *form : {"tresen", "Zauber'wort9", "Zauber\\'wort9", "Zauber"})
    for (const std::string &where : {boxes[0], boxes[1], out, logged, kept})
      EXPECT_EQ(std::string::npos, where.find(form)) << where;
}

// Escape, the close button and a user gone before the row is read each
// bring a new, empty login; only "Abbrechen" quits. Only Return in the
// password field confirms.
TEST_F(LoginTest, EveryOtherWayOutBringsANewLogin)
{
  ASSERT_TRUE(add_user(*db, "anna", "geheim"));
  ASSERT_TRUE(add_user(*db, "bert", "passwort"));
  const int dialogs = run_login(main, {{[](Login *l) {
                                          l->getNameField()->setText("anna");
                                          press_key(l, KEY_Escape);
                                        },
                                        Login::CLOSED},
                                       {[](Login *l) {
                                          EXPECT_STREQ("", l->getNameField()->getText().text());
                                          l->handle(nullptr, FXSEL(SEL_CLOSE, 0), nullptr);
                                        },
                                        Login::CLOSED},
                                       {[&](Login *l) {
                                          confirm(l, "anna", "geheim");
                                          ASSERT_TRUE(db->exec("delete from USER where login = 'anna'").ok &&
                                                      db->commit());
                                        },
                                        Login::ACCEPTED},
                                       {[](Login *l) {
                                          type_keys(l->getNameField(), "bert");
                                          press_key(l->getNameField(), KEY_Return);
                                          // Typed and left, the password confirms nothing; Return does.
                                          type_keys(l->getPasswordField(), "passwort");
                                          l->getPasswordField()->handle(nullptr, FXSEL(SEL_FOCUSOUT, 0), nullptr);
                                          EXPECT_EQ(static_cast<FXWindow *>(l), app()->getModalWindow());
                                          press_key(l->getPasswordField(), KEY_Return);
                                        },
                                        Login::ACCEPTED}});
  EXPECT_EQ(4, dialogs);
  EXPECT_EQ("bert", main->getUser()->login.value);
  run_pending();
  EXPECT_FALSE(main->isQuitting());
}

} // namespace
