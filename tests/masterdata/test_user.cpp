// The user window: the password typed twice, kept when left empty and
// never shown or reported; a login required and not taken by another
// valid user; a user with order lines cannot be deleted.

#include <gtest/gtest.h>

#include "tools/core/string_utils.h"
#include "tools/dbi/query.h"
#include "masterdata/user.h"
#include "tests/masterdata/md_support.h"

using namespace FX;
using korvan_access_test::Box;
using korvan_access_test::expect_box;

namespace {

class UserTest : public md_test::MasterDataTest
{
protected:
  User *win = nullptr;
  Tools::ThemeTextField *password = nullptr;
  Tools::ThemeTextField *repeat = nullptr;

  void SetUp() override
  {
    md_test::MasterDataTest::SetUp();
    if (HasFatalFailure())
      return;
    win = open<User>(MainWindow::ID_USER);
    ASSERT_NE(nullptr, win);
    for (Tools::ThemeTextField *f : md_test::find_all<Tools::ThemeTextField>(win))
      if (f->getTextStyle() & TEXTFIELD_PASSWD)
        (password ? repeat : password) = f;
    ASSERT_NE(nullptr, repeat);
  }

  void form(const std::string &login, const std::string &last, const std::string &pw, const std::string &pw2)
  {
    win->widgets_to_vars();
    win->get_record().login = login;
    win->get_record().nach_name = last;
    win->vars_to_widgets();
    password->setText(pw.c_str());
    repeat->setText(pw2.c_str());
  }
  // The stored password, compared byte for byte.
  std::string stored_password(const std::string &login)
  {
    return value("select passwd from USER where login = binary '" + Tools::sql_escape(login) + "'");
  }
};

TEST_F(UserTest, APasswordIsStoredOnceTypedTwiceKeptWhenLeftEmptyAndNeverShown)
{
  form("anna", "Berg", "Geheim1", "Geheim1");
  shot(win, "user");
  korvan_gui_test::send_command(win, User::ID_SAVE);
  ASSERT_EQ("Geheim1", stored_password("anna"));
  const int idx = korvan_gui_test::query_int(*db, "select idx from USER where login = 'anna'");
  EXPECT_STREQ("", password->getText().text()) << "a loaded password is never shown";
  EXPECT_STREQ("", repeat->getText().text());
  EXPECT_EQ("", win->get_record().passwd.value);

  // Other fields changed, password fields left empty: the password stays.
  form("anna", "Bergmann", "", "");
  korvan_gui_test::send_command(win, User::ID_SAVE);
  EXPECT_EQ("Bergmann", value("select nach_name from USER where idx = " + Tools::to_text(idx)));
  EXPECT_EQ("Geheim1", stored_password("anna"));

  // Only the case differs: a new password all the same.
  form("anna", "Bergmann", "geheim1", "geheim1");
  korvan_gui_test::send_command(win, User::ID_SAVE);
  EXPECT_EQ("geheim1", stored_password("anna"));
  EXPECT_EQ(1, count("select count(*) from USER"));

  // Loading by login or by idx never shows it either.
  korvan_gui_test::send_command(win, User::ID_NEW);
  win->get_login_combo()->select_key("anna");
  EXPECT_EQ(idx, static_cast<int>(win->get_record().idx));
  EXPECT_STREQ("", password->getText().text());
  win->get_idx_combo()->select_key(Tools::to_text(idx));
  EXPECT_STREQ("", password->getText().text());

  // A stored user keeps the login: order lines name users by it.
  form("anja", "Bergmann", "", "");
  Box renamed;
  korvan_gui_test::answer_box(renamed, win, User::ID_SAVE);
  EXPECT_NE(std::string::npos, renamed.text.find("behält seinen Namen")) << renamed.text;
  EXPECT_EQ(0, count("select count(*) from USER where login = 'anja'"));
  EXPECT_EQ("geheim1", stored_password("anna"));
}

TEST_F(UserTest, TheChecksBeforeSavingShowTheirMessageAndStoreNothing)
{
  // The repeat left empty or typed differently: both fields are emptied,
  // the rest stays as typed, nothing is stored.
  for (const char *second : {"", "zwei"}) {
    form("bea", "", "eins", second);
    Box mismatch;
    korvan_gui_test::answer_box(mismatch, win, User::ID_SAVE);
    EXPECT_NE(std::string::npos, mismatch.text.find("Unterschiede beim Passwort, bitte nochmals eingeben."))
        << second;
    EXPECT_STREQ("", password->getText().text());
    EXPECT_STREQ("", repeat->getText().text());
    EXPECT_EQ("bea", win->get_record().login.value);
    EXPECT_EQ(0, count("select count(*) from USER"));
  }

  form(" \t\r\n ", "", "", "");
  Box missing;
  korvan_gui_test::answer_box(missing, win, User::ID_SAVE);
  EXPECT_NE(std::string::npos, missing.text.find("Es muß ein Loginname angegben werden!"));
  EXPECT_EQ(0, count("select count(*) from USER"));

  ASSERT_TRUE(korvan_access_test::add_user(*db, "bob", "x"));
  ASSERT_TRUE(korvan_access_test::add_user(*db, "carl", "y", false));
  form("bob", "Zweiter", "z", "z");
  Box taken;
  korvan_gui_test::answer_box(taken, win, User::ID_SAVE);
  EXPECT_NE(std::string::npos,
            taken.text.find("Ein andere User hat bereits den selben Loginnamen, bitte wählen Sie einen anderen."));
  EXPECT_EQ(1, count("select count(*) from USER where login = 'bob'"));

  // A new user needs a password.
  korvan_gui_test::send_command(win, User::ID_NEW);
  form("carla", "Neu", "", "");
  Box no_password;
  korvan_gui_test::answer_box(no_password, win, User::ID_SAVE);
  EXPECT_NE(std::string::npos, no_password.text.find("braucht ein Passwort")) << no_password.text;
  EXPECT_EQ(0, count("select count(*) from USER where login = 'carla'"));

  // An invalid user does not hold the login; blanks around it go.
  form(" carl ", "Neu", "pw", "pw");
  korvan_gui_test::send_command(win, User::ID_SAVE);
  EXPECT_EQ(2, count("select count(*) from USER where login = binary 'carl'"));
}

TEST_F(UserTest, TheUserLoggedInCannotDeleteTheirOwnRow)
{
  ASSERT_TRUE(korvan_access_test::add_user(*db, md_test::LOGIN, "pw"));
  win->reset();
  win->get_login_combo()->select_key(md_test::LOGIN);
  Box refused;
  korvan_gui_test::answer_box(refused, win, User::ID_DELETE_ROW);
  EXPECT_NE(std::string::npos, refused.text.find("nicht selbst löschen")) << refused.text;
  EXPECT_EQ(1, count("select count(*) from USER"));
}

TEST_F(UserTest, AUserWithOrderLinesIsNotDeletedAndAFailedSaveNeverShowsThePassword)
{
  ASSERT_TRUE(korvan_access_test::add_user(*db, "dora", "pw"));
  const int dora = korvan_gui_test::query_int(*db, "select idx from USER where login = 'dora'");
  ASSERT_FALSE(!db->exec("SET FOREIGN_KEY_CHECKS=0"));
  BONLINE line;
  line.user = "dora";
  line.user_idx = dora;
  line.anzahl = 1;
  store(line);
  ASSERT_FALSE(!db->exec("SET FOREIGN_KEY_CHECKS=1"));

  win->reset();
  win->get_login_combo()->select_key("dora");
  ASSERT_EQ(dora, static_cast<int>(win->get_record().idx));
  Box refused;
  korvan_gui_test::answer_box(refused, win, User::ID_DELETE_ROW);
  EXPECT_NE(std::string::npos, refused.text.find("noch verwendet")) << refused.text;
  EXPECT_EQ(1, count("select count(*) from USER where login = 'dora'"));

  // A login longer than the column: refused in words before anything is
  // sent, and the report does not show the password.
  korvan_gui_test::send_command(win, User::ID_NEW);
  // Work another window keeps open on the shared connection.
  ASSERT_FALSE(!main->getDatabase()->exec("update USER set vor_name = 'offen' where login = 'dora'"));
  form("ein_viel_zu_langer_loginname", "", "Tr0ubador", "Tr0ubador");
  korvan_gui_test::LogCapture log;
  Box failed;
  korvan_gui_test::answer_box(failed, win, User::ID_SAVE);
  EXPECT_EQ("Datenfehler", failed.title);
  EXPECT_NE(std::string::npos, failed.text.find("ein_viel_zu_langer_loginname")) << failed.text;
  EXPECT_EQ(std::string::npos, failed.text.find("Tr0ubador")) << failed.text;
  for (const std::string &line : log.messages)
    EXPECT_EQ(std::string::npos, line.find("Tr0ubador")) << line;
  EXPECT_EQ(0, count("select count(*) from USER where login like 'ein_viel%'"));
  EXPECT_EQ("offen", korvan_gui_test::query_value(*main->getDatabase(), "select vor_name from USER where login = 'dora'"))
      << "a refused save leaves the open transaction alone";
  main->getDatabase()->rollback();

  // Deleting a user without order lines works.
  ASSERT_TRUE(korvan_access_test::add_user(*db, "emil", "pw"));
  win->reset();
  win->get_login_combo()->select_key("emil");
  korvan_gui_test::send_command(win, User::ID_DELETE_ROW);
  EXPECT_EQ(0, count("select count(*) from USER where login = 'emil'"));
}

} // namespace
