#ifndef KORVAN_TESTS_SUPPORT_FILES_H
#define KORVAN_TESTS_SUPPORT_FILES_H

// What the tests read back from outside the program: a file's text.

#include <string>

namespace korvan_test {

// The whole text of a file; empty when it cannot be read.
std::string slurp(const std::string &path);

} // namespace korvan_test

#endif
