#include "tests/support/files.h"

#include <cstdio>
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

std::string command_output(const std::string &command)
{
  std::string out;
  FILE *p = popen((command + " 2>/dev/null").c_str(), "r");
  if (!p)
    return out;
  char buf[256];
  while (fgets(buf, sizeof buf, p))
    out += buf;
  pclose(p);
  return out;
}

} // namespace korvan_test
