// The steps of start-up that do not need the toolkit.

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "schema/create_sql.h"
#include "shell/startup.h"
#include "tools/core/base_exception.h"

namespace {

TEST(Startup, CreateScriptIsWrittenWholeAndTruncatesTheOldOne)
{
  char dir[] = "/tmp/korvan-startup.XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  const std::string path = std::string(dir) + "/create.sql";
  {
    std::ofstream old(path);
    old << std::string(500000, 'x');
  }
  std::ostringstream err;
  EXPECT_TRUE(write_create_script(path, err));
  EXPECT_EQ("", err.str());
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(create_sql(), text.str());
  unlink(path.c_str());
  rmdir(dir);
}

TEST(Startup, AScriptTheDiskDoesNotTakeIsReported)
{
  std::ostringstream err;
  EXPECT_FALSE(write_create_script("/dev/full", err));
  EXPECT_EQ("warning cannt write create.sql\n", err.str());
}

TEST(Startup, AnExceptionReachingTheTopIsReportedWithExitCodeOne)
{
  std::ostringstream err;
  EXPECT_EQ(1, run_guarded([]() -> int { throw Tools::BaseException("bad reference"); }, err));
  EXPECT_EQ("korvan: bad reference\n", err.str());

  std::ostringstream err2;
  EXPECT_EQ(1, run_guarded([]() -> int { throw 42; }, err2));
  EXPECT_NE(std::string::npos, err2.str().find("korvan:"));

  std::ostringstream quiet;
  EXPECT_EQ(7, run_guarded([] { return 7; }, quiet));
  EXPECT_EQ("", quiet.str());
}

} // namespace
