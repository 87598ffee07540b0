#ifndef KORVAN_TESTS_SHELL_ACCESS_SUPPORT_H
#define KORVAN_TESTS_SHELL_ACCESS_SUPPORT_H

// Helpers of the login, connection and translation-editor tests: what a
// message box says, typing into a field, and USER rows for a database.

#include <string>
#include <vector>

#include "tools/dbi/database.h"
#include "tools/widgets/fxcompat.h"
#include "tests/guisupport/gui_support.h"

namespace korvan_access_test {

using korvan_gui_test::Box;
using korvan_gui_test::expect_box;
using korvan_gui_test::label_texts;

// Types the text into the widget key by key, as a keyboard would.
void type_text(FX::FXObject *widget, const std::string &text);

// Stores a USER row and commits it.
bool add_user(Tools::Database &db, const std::string &login, const std::string &password, bool valid = true);

// Whether the text occurs anywhere in the strings.
bool mentions(const std::vector<std::string> &texts, const std::string &what);

} // namespace korvan_access_test

#endif
