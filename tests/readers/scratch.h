#ifndef KORVAN_TESTS_READERS_SCRATCH_H
#define KORVAN_TESTS_READERS_SCRATCH_H

// A private directory per test (under KORVAN_TMP when set), removed after.

#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/db_support.h"

class Scratch : public ::testing::Test
{
protected:
  std::string dir;

  void SetUp() override
  {
    const char *base = std::getenv("KORVAN_TMP");
    dir = std::string(base && *base ? base : "/tmp") + "/readers.XXXXXX";
    ASSERT_NE(mkdtemp(&dir[0]), nullptr);
  }
  void TearDown() override { EXPECT_EQ(0, std::system(("rm -rf '" + dir + "'").c_str())); }

  std::string path(const std::string &name) const { return dir + "/" + name; }
  std::string put(const std::string &name, const std::string &text) const
  {
    std::ofstream(path(name), std::ios::binary) << text;
    return path(name);
  }
};

using korvan_test::slurp;

inline std::string data_file(const std::string &name) { return std::string(KORVAN_SOURCE_DIR) + "tests/data/" + name; }

#endif
