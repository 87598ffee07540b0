#include "tests/shell/access_support.h"

#include <memory>

using namespace FX;

namespace korvan_access_test {

namespace {

void arm(const std::vector<Step> &steps, std::size_t i, const std::shared_ptr<int> &met)
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

int run_login(MainWindow *main, const std::vector<Step> &steps)
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

void type_text(FXObject *widget, const std::string &text)
{
  for (char c : text)
    press_key(widget, static_cast<unsigned char>(c), 0, std::string(1, c));
}

} // namespace korvan_access_test
