// The part of the harness that drives the program's own main window.
#include "tests/guisupport/gui_support.h"

#include "shell/mainwindow.h"
#include "tests/support/db_support.h"

using namespace FX;

namespace korvan_gui_test {

namespace {
// Nobody answers a login at start here.
const bool no_login_at_start = (MainWindow::setLoginAtStart(false), true);
} // namespace

MainWindow *make_main_window(const std::string &database)
{
  FXRegistry &reg = app()->reg();
  reg.deleteSection("DBSETTINGS");
  if (!database.empty()) {
    korvan_test::DbSettings s = korvan_test::settings();
    reg.writeStringEntry("DBSETTINGS", "host", data_source(database).c_str());
    reg.writeStringEntry("DBSETTINGS", "username", s.user.c_str());
    reg.writeStringEntry("DBSETTINGS", "password", s.password.c_str());
    reg.writeStringEntry("DBSETTINGS", "database", database.c_str());
  }
  MainWindow *w = new MainWindow(app());
  w->create();
  run_pending(20);
  return w;
}

void MainWindowFixture::SetUp()
{
  database = korvan_test::test_database_name("korvan_t");
  ASSERT_TRUE(korvan_test::fresh_database(database));
  db = connect(database);
  ASSERT_TRUE(db->is_connected()) << db->get_error();
  main = make_main_window(database);
  ASSERT_TRUE(main->getDatabase()->is_connected()) << main->getDatabase()->get_error();
}

void MainWindowFixture::destroy_main()
{
  delete main;
  main = nullptr;
}

void MainWindowFixture::TearDown()
{
  destroy_main();
  if (db.valid() && db->is_connected())
    db->exec("DROP DATABASE IF EXISTS `" + database + "`");
  db = Tools::Ref<Tools::Database>();
}

} // namespace korvan_gui_test
