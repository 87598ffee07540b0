// The part of the harness that drives the program's own main window.
#include "tests/guisupport/gui_support.h"

#include <memory>

#include "shell/login.h"
#include "shell/mainwindow.h"

using namespace FX;

namespace korvan_gui_test {

namespace {
// Nobody answers a login at start here.
const bool no_login_at_start = (MainWindow::setLoginAtStart(false), true);

void arm(const std::vector<LoginStep> &steps, std::size_t i, const std::shared_ptr<int> &met)
{
  if (i < steps.size())
    answer<Login>(
        [steps, i, met](Login *login) {
          ++*met;
          steps[i].act(login);
          arm(steps, i + 1, met);
        },
        static_cast<FXuint>(steps[i].code));
}
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

template <> void WindowFixture<MainWindow>::SetUp()
{
  FreshDatabase::SetUp();
  ASSERT_FALSE(HasFatalFailure());
  main = make_main_window(database);
  ASSERT_TRUE(main->getDatabase()->is_connected()) << main->getDatabase()->get_error();
}

int run_login(MainWindow *main, const std::vector<LoginStep> &steps)
{
  std::shared_ptr<int> met = std::make_shared<int>(0);
  arm(steps, 0, met);
  send_command(main, MainWindow::ID_LOGIN);
  return *met;
}

void confirm(Login *login, const std::string &name, const std::string &password)
{
  login->getNameField()->setText(name.c_str());
  login->getPasswordField()->setText(password.c_str());
  send_command(login, Login::ID_OK);
}

} // namespace korvan_gui_test
