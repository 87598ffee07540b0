// The connection dialog: testing settings touches nothing, "Ok" puts a
// working connection in place without a restart and refuses one that does
// not work, and the settings reach the registry at quit.

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "shell/connect.h"
#include "shell/login.h"
#include "shell/mainwindow.h"
#include "schema/tables.h"
#include "tests/guisupport/gui_support.h"
#include "tests/shell/access_support.h"
#include "tests/support/db_support.h"
#include "tests/support/files.h"
#include "tools/dbi/database.h"
#include "tools/widgets/theme.h"

using namespace FX;
using korvan_access_test::Box;
using korvan_access_test::expect_box;

namespace {

using korvan_test::slurp;

const char *const FAILED = "Die Verbindung konnte nicht hergestellt werden!\n";
const char *const SUCCESS = "Erfolg! Die Verbindung zur Datanbank konnte hergestellt werden!\n";

std::string field(Connect *c, int which) { return c->get_field(which)->getText().text(); }

void set_fields(Connect *c, const MainWindow::ConnectSettings &s)
{
  c->get_field(Connect::HOST)->setText(s.host.c_str());
  c->get_field(Connect::DATABASE)->setText(s.database.c_str());
  c->get_field(Connect::USERNAME)->setText(s.username.c_str());
  c->get_field(Connect::PASSWORD)->setText(s.password.c_str());
}

// Presses the button and gives the box it brought up.
Box press(Connect *c, FXuint id)
{
  Box box;
  expect_box(box);
  korvan_gui_test::send_command(c, id);
  EXPECT_TRUE(box.seen);
  return box;
}

// Runs "Datenbankverbindung" with `act` answering the dialog, which then
// ends with `code` unless `act` ended it.
void run_connect(MainWindow *main, std::function<void(Connect *)> act, FXuint code = 0)
{
  bool met = false;
  korvan_gui_test::answer_modal(
      [&](FXWindow *w) {
        Connect *c = dynamic_cast<Connect *>(w);
        met = c != nullptr;
        if (c)
          act(c);
      },
      code);
  korvan_gui_test::send_command(main, MainWindow::ID_CONNECT);
  EXPECT_TRUE(met) << "no connection dialog";
}

// The settings of a working connection to `database`.
MainWindow::ConnectSettings working(const std::string &database)
{
  korvan_test::DbSettings s = korvan_test::settings();
  MainWindow::ConnectSettings c;
  c.host = korvan_gui_test::data_source(database);
  c.database = database;
  c.username = s.user;
  c.password = s.password;
  return c;
}

bool same(const MainWindow::ConnectSettings &a, const MainWindow::ConnectSettings &b)
{
  return a.host == b.host && a.database == b.database && a.username == b.username && a.password == b.password;
}

using ConnectTest = korvan_gui_test::MainWindowFixture;

TEST_F(ConnectTest, TestingGoodAndBadSettingsThenCancelChangesNothing)
{
  const MainWindow::ConnectSettings before = main->getConnectSettings();
  Tools::Database *connection = main->getDatabase().try_get();
  run_connect(main, [&](Connect *c) {
    // The dialog opens on the main window's settings.
    EXPECT_EQ(before.host, field(c, Connect::HOST));
    EXPECT_EQ(before.password, field(c, Connect::PASSWORD));
    EXPECT_TRUE(korvan_gui_test::screenshot(korvan_gui_test::shot_dir() + "/connect.png"));

    Box good = press(c, Connect::ID_TEST);
    EXPECT_EQ("Info", good.title);
    EXPECT_EQ(SUCCESS, good.text);

    MainWindow::ConnectSettings wrong = before;
    wrong.host = "nirgendwo";
    set_fields(c, wrong);
    Box no_source = press(c, Connect::ID_TEST);
    EXPECT_EQ("Datenbankfehler", no_source.title);
    EXPECT_EQ(FAILED, no_source.text);

    wrong = before;
    wrong.password = before.password + "x";
    set_fields(c, wrong);
    EXPECT_EQ(FAILED, press(c, Connect::ID_TEST).text);

    set_fields(c, before);
    EXPECT_EQ("Info", press(c, Connect::ID_TEST).title);
    wrong.username = "niemand";
    set_fields(c, wrong);
    korvan_gui_test::send_command(c, Connect::ID_CANCEL);
  });
  EXPECT_TRUE(same(before, main->getConnectSettings()));
  EXPECT_EQ(connection, main->getDatabase().try_get());
  EXPECT_TRUE(main->getDatabase()->is_connected());
}

TEST_F(ConnectTest, EveryOpeningShowsTheSettingsTheMainWindowHoldsNow)
{
  main->getConnectSettings().username = "inzwischen";
  run_connect(main, [](Connect *c) {
    EXPECT_EQ("inzwischen", field(c, Connect::USERNAME));
    korvan_gui_test::press_key(c, KEY_Escape);
  });
  EXPECT_EQ("inzwischen", main->getConnectSettings().username);
}

// Started without a database, the dialog installs one: the login that
// follows checks users against it, and the registry has the settings
// after quit.
TEST(ConnectWithoutDatabase, OkInstallsAWorkingConnectionAndAsksForALoginThere)
{
  const std::string name = korvan_test::test_database_name("korvan_t");
  ASSERT_TRUE(korvan_test::fresh_database(name));
  Tools::Ref<Tools::Database> db = korvan_gui_test::connect(name);
  ASSERT_TRUE(korvan_access_test::add_user(*db, "anna", "geheim"));

  MainWindow *main = korvan_gui_test::make_main_window("");
  ASSERT_FALSE(main->getDatabase()->is_connected());
  // Logged in without a database: an empty user.
  main->setUser(Tools::Ref<USER>(new USER));
  Tools::Database *old = main->getDatabase().try_get();
  const MainWindow::ConnectSettings good = working(name);

  bool asked = false;
  run_connect(
      main,
      [&](Connect *c) {
        EXPECT_EQ("", field(c, Connect::HOST));
        MainWindow::ConnectSettings wrong = good;
        wrong.password = "falsch";
        set_fields(c, wrong);
        EXPECT_EQ(FAILED, press(c, Connect::ID_OK).text);
        // Still open, and the main window still on its old handle.
        EXPECT_EQ(static_cast<FXWindow *>(c), korvan_gui_test::app()->getModalWindow());
        EXPECT_EQ(old, main->getDatabase().try_get());
        EXPECT_EQ("", main->getConnectSettings().host);

        set_fields(c, good);
        // The login comes once the dialog has gone.
        korvan_gui_test::answer_modal(
            [&](FXWindow *w) {
              Login *l = dynamic_cast<Login *>(w);
              ASSERT_NE(nullptr, l);
              asked = true;
              EXPECT_TRUE(main->getDatabase()->is_connected());
              l->getNameField()->setText("anna");
              l->getPasswordField()->setText("geheim");
              korvan_gui_test::send_command(l, Login::ID_OK);
            },
            Login::ACCEPTED);
        korvan_gui_test::send_command(c, Connect::ID_OK);
        EXPECT_FALSE(c->shown());
      },
      1);
  EXPECT_TRUE(asked);
  ASSERT_TRUE(main->getDatabase()->is_connected());
  EXPECT_NE(old, main->getDatabase().try_get());
  EXPECT_TRUE(same(good, main->getConnectSettings()));
  ASSERT_TRUE(main->getUser().valid());
  EXPECT_EQ("anna", main->getUser()->login.value);

  const std::string path = korvan_gui_test::registry_path();
  unlink(path.c_str());
  korvan_gui_test::send_command(main, MainWindow::ID_QUIT);
  const std::string text = slurp(path);
  for (const std::string &line : {"host=" + good.host, "database=" + good.database, "username=" + good.username,
                                  "password=" + good.password})
    EXPECT_NE(std::string::npos, text.find(line + "\n")) << text;

  delete main;
  db->exec("DROP DATABASE IF EXISTS `" + name + "`");
}

} // namespace
