#include "tests/support/files.h"

#include <fstream>
#include <sstream>

namespace korvan_test {

std::string slurp(const std::string &path)
{
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

} // namespace korvan_test
