#ifndef KORVAN_TESTS_SHELL_ACCESS_SUPPORT_H
#define KORVAN_TESTS_SHELL_ACCESS_SUPPORT_H

// Helpers of the shell's tests: answering the dialogs the main window runs
// modally, typing.

#include <functional>
#include <string>
#include <vector>

#include "shell/login.h"
#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/seed.h"

namespace korvan_access_test {

using namespace korvan_gui_test;

// One login dialog: what is done in it, and the result it ends with.
struct Step
{
  std::function<void(Login *)> act;
  int code;
};

// Runs "Anmeldung" with one step per login dialog it shows; the number of
// dialogs met.
int run_login(MainWindow *main, const std::vector<Step> &steps);

// Fills in name and password and presses "Ok".
void confirm(Login *login, const std::string &name, const std::string &password);

// Types the text into the widget key by key, as a keyboard would.
void type_text(FX::FXObject *widget, const std::string &text);

// USER rows, stored as the other window tests store theirs.
using korvan_test::add_user;

} // namespace korvan_access_test

#endif
