#ifndef KORVAN_TESTS_READERS_SCRATCH_H
#define KORVAN_TESTS_READERS_SCRATCH_H

// A private directory per test, under KORVAN_TMP when the test script set
// it, removed with everything in it at the end of the test.

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

class Scratch : public ::testing::Test
{
protected:
  std::string dir;

  void SetUp() override
  {
    const char *base = std::getenv("KORVAN_TMP");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/readers.XXXXXX";
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    dir = pattern;
  }
  void TearDown() override
  {
    if (!dir.empty())
      if (std::system(("rm -rf '" + dir + "'").c_str()) != 0)
        ADD_FAILURE() << "cannot remove " << dir;
  }

  std::string path(const std::string &name) const { return dir + "/" + name; }

  std::string put(const std::string &name, const std::string &text) const
  {
    std::ofstream out(path(name), std::ios::binary);
    out << text;
    return path(name);
  }
};

inline std::string slurp(const std::string &file)
{
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string data_file(const std::string &name) { return std::string(KORVAN_SOURCE_DIR) + "tests/data/" + name; }

#endif
