#ifndef KORVAN_TESTS_SHELL_ACCESS_SUPPORT_H
#define KORVAN_TESTS_SHELL_ACCESS_SUPPORT_H

// Helpers of the login, connection and translation-editor tests: what a
// message box says, typing into a field, and USER rows for a database.

#include <string>
#include <vector>

#include "tools/dbi/database.h"
#include "tools/widgets/fxcompat.h"

namespace korvan_access_test {

// A message box as it was seen by an armed answer.
struct Box
{
  bool seen = false;
  std::string title;
  std::string text; // the labels' texts, one per line
};

// Every label text inside the window, one per line.
std::string label_texts(FX::FXWindow *window);

// Arms an answer that records the next modal box into `box` and presses
// its OK button.
void expect_box(Box &box);

// Types the text into the widget key by key, as a keyboard would.
void type_text(FX::FXObject *widget, const std::string &text);

// Stores a USER row and commits it.
bool add_user(Tools::Database &db, const std::string &login, const std::string &password, bool valid = true);

// Whether the text occurs anywhere in the strings.
bool mentions(const std::vector<std::string> &texts, const std::string &what);

} // namespace korvan_access_test

#endif
