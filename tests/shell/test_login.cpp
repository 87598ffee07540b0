// The login: who gets in and who does not, the built-in account with and
// without a database and on a new or a used installation, the ways out of
// the dialog, and passwords kept out of every report.

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "schema/tables.h"
#include "shell/login.h"
#include "shell/mainwindow.h"
#include "shell/mydebug.h"
#include "tests/guisupport/gui_support.h"
#include "tests/shell/access_support.h"
#include "tools/core/format.h"
#include "tools/dbi/secret.h"
#include "tools/widgets/theme.h"

using namespace FX;
using korvan_access_test::Box;
using korvan_access_test::expect_box;

namespace {

const char *const WRONG = "Falsches Passwort, oder Benutzername.";

// One login dialog of a run of the loop: what is done in it, and the
// result it ends with.
struct Step
{
  std::function<void(Login *)> act;
  int code;
};

void arm(const std::vector<Step> &steps, std::size_t i, int *dialogs)
{
  if (i >= steps.size())
    return;
  korvan_gui_test::answer_modal(
      [steps, i, dialogs](FXWindow *w) {
        Login *login = dynamic_cast<Login *>(w);
        ++*dialogs;
        if (!login) {
          ADD_FAILURE() << "a modal window that is no login";
          return;
        }
        steps[i].act(login);
        arm(steps, i + 1, dialogs);
      },
      static_cast<FXuint>(steps[i].code));
}

// Runs "Anmeldung" with one step per dialog it shows; the number of login
// dialogs met.
int run_login(MainWindow *main, const std::vector<Step> &steps)
{
  int dialogs = 0;
  arm(steps, 0, &dialogs);
  korvan_gui_test::send_command(main, MainWindow::ID_LOGIN);
  return dialogs;
}

void fill(Login *login, const std::string &name, const std::string &password)
{
  login->getNameField()->setText(name.c_str());
  login->getPasswordField()->setText(password.c_str());
}

// Types the input and presses "Ok".
void confirm(Login *login, const std::string &name, const std::string &password)
{
  fill(login, name, password);
  korvan_gui_test::send_command(login, Login::ID_OK);
}

// Tries the input and expects the refusal box; the dialog stays open.
void refused(Login *login, const std::string &name, const std::string &password)
{
  Box box;
  expect_box(box);
  confirm(login, name, password);
  EXPECT_TRUE(box.seen) << name << " / " << password;
  EXPECT_EQ("Datenfehler", box.title);
  EXPECT_EQ(std::string(WRONG) + "\n", box.text);
  EXPECT_EQ(static_cast<FXWindow *>(login), korvan_gui_test::app()->getModalWindow());
}

std::string slurp(const std::string &path)
{
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class LoginTest : public korvan_gui_test::MainWindowFixture
{
protected:
  int users(const std::string &where = "")
  {
    return korvan_gui_test::query_int(*db, "select count(*) from USER " + where);
  }
  bool menus_enabled()
  {
    return main->getSystemTitle()->isEnabled() && main->getWartungTitle()->isEnabled() &&
           main->getAnwendungTitle()->isEnabled();
  }
};

TEST_F(LoginTest, AValidUserLogsInAndBecomesTheCurrentUser)
{
  ASSERT_TRUE(korvan_access_test::add_user(*db, "anna", "geheim"));
  bool disabled_while_shown = false;
  const int dialogs = run_login(main, {{[&](Login *l) {
                                          disabled_while_shown = !menus_enabled();
                                          EXPECT_TRUE(korvan_gui_test::screenshot(korvan_gui_test::shot_dir() +
                                                                                  "/login.png"));
                                          confirm(l, "anna", "geheim");
                                        },
                                        Login::ACCEPTED}});
  EXPECT_EQ(1, dialogs);
  EXPECT_TRUE(disabled_while_shown);
  EXPECT_TRUE(menus_enabled());
  ASSERT_TRUE(main->getUser().valid());
  EXPECT_NE(0, main->getUser()->idx.value);
}

TEST_F(LoginTest, WrongInvalidDoubledWrongCaseAndInjectedLoginsAreRefused)
{
  ASSERT_TRUE(korvan_access_test::add_user(*db, "anna", "geheim"));
  ASSERT_TRUE(korvan_access_test::add_user(*db, "bert", "passwort", false));
  ASSERT_TRUE(korvan_access_test::add_user(*db, "carl", "zwilling"));
  ASSERT_TRUE(korvan_access_test::add_user(*db, "carl", "zwilling"));
  run_login(main, {{[&](Login *l) {
                      refused(l, "anna", "falsch");
                      refused(l, "bert", "passwort");  // not valid
                      refused(l, "carl", "zwilling");  // two rows
                      refused(l, "anna", "GEHEIM");    // case
                      refused(l, "anna", "geheim ");   // trailing blank
                      refused(l, "anna", "gehéim");    // accent
                      refused(l, "x' or '1'='1", "x' or '1'='1");
                      refused(l, "anna", "x' or '1'='1");
                      refused(l, "anna' -- ", "egal");
                      refused(l, "anna\\", "' or 1=1 -- ");
                      EXPECT_FALSE(main->getSystemTitle()->isEnabled());
                      confirm(l, "anna", "geheim");
                    },
                    Login::ACCEPTED}});
  ASSERT_TRUE(main->getUser().valid());
  EXPECT_EQ("anna", main->getUser()->login.value);
  EXPECT_EQ(4, users()); // nothing was created or changed
}

TEST_F(LoginTest, BuiltInAccountCreatesItsRowOnlyOnAnEmptyUserTable)
{
  ASSERT_EQ(0, users());
  run_login(main, {{[&](Login *l) { confirm(l, BUILTIN_USER, BUILTIN_PASSWORD); }, Login::ACCEPTED}});
  // Committed: the second connection sees exactly the one row.
  EXPECT_EQ(1, users());
  EXPECT_EQ(1, users(Tools::format("where login = '%s' and BINARY passwd = '%s' and gueltig = 'JA'", BUILTIN_USER,
                                   BUILTIN_PASSWORD)));
  ASSERT_TRUE(main->getUser().valid());
  EXPECT_EQ(korvan_gui_test::query_int(*db, "select idx from USER"), main->getUser()->idx.value);

  // The next login finds the row and adds none.
  run_login(main, {{[&](Login *l) { confirm(l, BUILTIN_USER, BUILTIN_PASSWORD); }, Login::ACCEPTED}});
  EXPECT_EQ(1, users());
}

TEST_F(LoginTest, BuiltInAccountIsRefusedOnceOtherUsersExistOrItsRowDiffers)
{
  ASSERT_TRUE(korvan_access_test::add_user(*db, "anna", "geheim"));
  run_login(main, {{[&](Login *l) {
                      refused(l, BUILTIN_USER, BUILTIN_PASSWORD);
                      EXPECT_EQ(1, users());
                      confirm(l, "anna", "geheim");
                    },
                    Login::ACCEPTED}});

  // Its own row with another password, or no longer valid.
  ASSERT_TRUE(db->exec("delete from USER").ok && db->commit());
  ASSERT_TRUE(korvan_access_test::add_user(*db, BUILTIN_USER, "anders"));
  ASSERT_TRUE(korvan_access_test::add_user(*db, "anna", "geheim"));
  run_login(main, {{[&](Login *l) {
                      refused(l, BUILTIN_USER, BUILTIN_PASSWORD);
                      ASSERT_TRUE(db->exec(Tools::format("update USER set passwd = '%s', gueltig = 'NEIN' "
                                                         "where login = '%s'",
                                                         BUILTIN_PASSWORD, BUILTIN_USER))
                                      .ok &&
                                  db->commit());
                      refused(l, BUILTIN_USER, BUILTIN_PASSWORD);
                      confirm(l, "anna", "geheim");
                    },
                    Login::ACCEPTED}});
  EXPECT_EQ(2, users());
}

TEST_F(LoginTest, BuiltInAccountThatCannotBeStoredLeavesNothingAndShowsNoPassword)
{
  // The row goes in, but its completion fails.
  ASSERT_TRUE(db->exec("create trigger no_changes before update on USER for each row "
                       "signal sqlstate '45000' set message_text = 'keine Aenderungen'")
                  .ok);
  Box box;
  testing::internal::CaptureStdout();
  run_login(main, {{[&](Login *l) {
                      expect_box(box);
                      confirm(l, BUILTIN_USER, BUILTIN_PASSWORD);
                      EXPECT_EQ(static_cast<FXWindow *>(l), korvan_gui_test::app()->getModalWindow());
                      korvan_gui_test::send_command(l, Login::ID_CANCEL);
                    },
                    Login::CANCELLED}});
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_TRUE(box.seen);
  EXPECT_NE(std::string::npos, box.text.find("UPDATE USER SET")) << box.text;
  EXPECT_NE(std::string::npos, box.text.find("keine Aenderungen")) << box.text;
  EXPECT_NE(std::string::npos, out.find("passwd='***'")) << out;
  EXPECT_EQ(std::string::npos, box.text.find(BUILTIN_PASSWORD)) << box.text;
  EXPECT_EQ(std::string::npos, out.find(BUILTIN_PASSWORD)) << out;
  EXPECT_TRUE(korvan_gui_test::run_until([&] { return main->isQuitting(); }));
  // Nothing is left pending on the program's connection either.
  EXPECT_TRUE(main->getDatabase()->commit());
  EXPECT_EQ(0, users());
}

TEST_F(LoginTest, AUserGoneBeforeTheRowIsReadGetsANewLogin)
{
  ASSERT_TRUE(korvan_access_test::add_user(*db, "anna", "geheim"));
  ASSERT_TRUE(korvan_access_test::add_user(*db, "bert", "passwort"));
  const int dialogs = run_login(main, {{[&](Login *l) {
                                          confirm(l, "anna", "geheim");
                                          ASSERT_TRUE(db->exec("delete from USER where login = 'anna'").ok &&
                                                      db->commit());
                                        },
                                        Login::ACCEPTED},
                                       {[](Login *l) { confirm(l, "bert", "passwort"); }, Login::ACCEPTED}});
  EXPECT_EQ(2, dialogs);
  EXPECT_EQ("bert", main->getUser()->login.value);
}

TEST_F(LoginTest, EscapeAndTheCloseButtonBringANewLogin)
{
  ASSERT_TRUE(korvan_access_test::add_user(*db, "anna", "geheim"));
  const int dialogs = run_login(
      main, {{[](Login *l) {
                fill(l, "anna", "geheim");
                korvan_gui_test::press_key(l, KEY_Escape);
              },
              Login::CLOSED},
             {[](Login *l) {
                // A new dialog starts empty.
                EXPECT_STREQ("", l->getNameField()->getText().text());
                EXPECT_STREQ("", l->getPasswordField()->getText().text());
                l->handle(nullptr, FXSEL(SEL_CLOSE, 0), nullptr);
              },
              Login::CLOSED},
             {[](Login *l) { confirm(l, "anna", "geheim"); }, Login::ACCEPTED}});
  EXPECT_EQ(3, dialogs);
  EXPECT_FALSE(main->isQuitting());
}

TEST_F(LoginTest, CancelQuitsAndStoresTheSettings)
{
  const std::string path = korvan_gui_test::registry_path();
  unlink(path.c_str());
  run_login(main, {{[](Login *l) { korvan_gui_test::send_command(l, Login::ID_CANCEL); }, Login::CANCELLED}});
  EXPECT_FALSE(main->isQuitting()); // the quit waits for the event loop
  EXPECT_FALSE(main->getSystemTitle()->isEnabled());
  EXPECT_TRUE(korvan_gui_test::run_until([&] { return main->isQuitting(); }));
  const std::string text = slurp(path);
  EXPECT_NE(std::string::npos, text.find("database=" + database)) << text;
  EXPECT_NE(std::string::npos, text.find("password=" + main->getConnectSettings().password)) << text;
}

TEST_F(LoginTest, OnlyReturnInThePasswordFieldConfirms)
{
  ASSERT_TRUE(korvan_access_test::add_user(*db, "anna", "geheim"));
  run_login(main, {{[](Login *l) {
                      korvan_access_test::type_text(l->getNameField(), "anna");
                      korvan_gui_test::press_key(l->getNameField(), KEY_Return);
                      EXPECT_EQ(static_cast<FXWindow *>(l), korvan_gui_test::app()->getModalWindow());
                      // The right password typed and the field left: still open.
                      korvan_access_test::type_text(l->getPasswordField(), "geheim");
                      l->getPasswordField()->handle(nullptr, FXSEL(SEL_FOCUSOUT, 0), nullptr);
                      EXPECT_EQ(static_cast<FXWindow *>(l), korvan_gui_test::app()->getModalWindow());
                      korvan_gui_test::press_key(l->getPasswordField(), KEY_Return);
                    },
                    Login::ACCEPTED}});
  ASSERT_TRUE(main->getUser().valid());
  EXPECT_EQ("anna", main->getUser()->login.value);
}

TEST_F(LoginTest, NoPasswordInTheErrorBoxTheLogOrOnStandardOutput)
{
  const std::string secret = "Zauber'wort9";
  ASSERT_TRUE(db->exec("drop table BONLINE").ok);
  ASSERT_TRUE(db->exec("drop table USER").ok);
  korvan_gui_test::LogCapture log;
  Box box;
  testing::internal::CaptureStdout();
  run_login(main, {{[&](Login *l) {
                      expect_box(box);
                      confirm(l, "anna", secret);
                      korvan_gui_test::send_command(l, Login::ID_CANCEL);
                    },
                    Login::CANCELLED}});
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_TRUE(box.seen);
  EXPECT_NE(std::string::npos, box.text.find("passwd='***'")) << box.text;
  EXPECT_NE(std::string::npos, out.find("passwd='***'")) << out;
  for (const std::string &form : {secret, std::string("Zauber\\'wort9"), std::string("Zauber")}) {
    EXPECT_EQ(std::string::npos, box.text.find(form)) << box.text;
    EXPECT_EQ(std::string::npos, out.find(form)) << out;
    EXPECT_FALSE(korvan_access_test::mentions(log.messages, form));
    EXPECT_EQ(std::string::npos, main->getDatabase()->get_last_query().find(form));
    EXPECT_EQ(std::string::npos, main->getDatabase()->get_error().find(form));
  }
  EXPECT_TRUE(korvan_access_test::mentions(log.messages, "passwd='***'"));
  EXPECT_TRUE(korvan_gui_test::run_until([&] { return main->isQuitting(); }));
}

TEST(SecretMask, HidesEveryFormWhileItLivesAndNothingElse)
{
  EXPECT_EQ("a 'x' b", Tools::Secret::mask("a 'x' b"));
  {
    Tools::Secret outer("x'y");
    Tools::Secret empty(""); // masks nothing
    EXPECT_EQ("p='***' q=*** r=x'", Tools::Secret::mask("p='x\\'y' q=x'y r=x'"));
    {
      Tools::Secret inner("ab");
      EXPECT_EQ("***,***,a", Tools::Secret::mask("ab,x'y,a"));
    }
    EXPECT_EQ("ab", Tools::Secret::mask("ab"));
  }
  EXPECT_EQ("x'y", Tools::Secret::mask("x'y"));
}

// Without a database only the built-in account gets in; everything else
// is silently not taken.
TEST(LoginWithoutDatabase, OnlyTheBuiltInAccountGetsInAsAnEmptyUser)
{
  MainWindow *main = korvan_gui_test::make_main_window("");
  ASSERT_FALSE(main->getDatabase()->is_connected());
  int dialogs = 0;
  arm({{[&](Login *l) {
          for (const std::pair<std::string, std::string> &input :
               {std::make_pair(std::string("anna"), std::string("geheim")),
                std::make_pair(BUILTIN_USER, std::string("TRESEN")),
                std::make_pair(std::string(""), std::string(""))}) {
            confirm(l, input.first, input.second);
            EXPECT_EQ(static_cast<FXWindow *>(l), korvan_gui_test::app()->getModalWindow());
            EXPECT_TRUE(l->shown());
          }
          confirm(l, BUILTIN_USER, BUILTIN_PASSWORD);
        },
        Login::ACCEPTED}},
      0, &dialogs);
  korvan_gui_test::send_command(main, MainWindow::ID_LOGIN);
  EXPECT_EQ(1, dialogs);
  EXPECT_TRUE(main->getSystemTitle()->isEnabled());
  ASSERT_TRUE(main->getUser().valid());
  EXPECT_EQ("", main->getUser()->login.value);
  EXPECT_EQ(0, main->getUser()->idx.value);
  delete main;
}

// At start the login follows the shown main window, and "Application
// Created" only once it is settled.
TEST(LoginAtStart, CreateRunsTheLoginBeforeItLogsCreated)
{
  MainWindow::setLoginAtStart(true);
  MainWindow *main = new MainWindow(korvan_gui_test::app());
  // The window's own sink keeps every line until a debug window shows it.
  auto created = [main] {
    int n = 0;
    for (const std::string &line : main->getDebug()->getMessages())
      n += line.find(": Application Created") != std::string::npos;
    return n;
  };
  int dialogs = 0;
  bool shown_first = false;
  int created_before = -1;
  arm({{[&](Login *l) {
          shown_first = main->shown();
          created_before = created();
          confirm(l, BUILTIN_USER, BUILTIN_PASSWORD);
        },
        Login::ACCEPTED}},
      0, &dialogs);
  main->create();
  MainWindow::setLoginAtStart(false);
  EXPECT_EQ(1, dialogs);
  EXPECT_TRUE(shown_first);
  EXPECT_EQ(0, created_before);
  EXPECT_EQ(1, created());
  EXPECT_TRUE(main->getAnwendungTitle()->isEnabled());
  delete main;
}

} // namespace
