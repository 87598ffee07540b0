#include <gtest/gtest.h>

#include <vector>

#include "tools/core/debug.h"
#include "tools/core/format.h"

namespace {

struct Line
{
  std::string file;
  unsigned line;
  std::string function;
  std::string message;
};

struct Collector : Tools::Debug
{
  std::vector<Line> lines;
  void output(const char *file, unsigned line, const char *function, const std::string &message) override
  {
    lines.push_back({file, line, function, message});
  }
};

int built = 0;
std::string message(int n)
{
  ++built;
  return Tools::format("value %d", n);
}

void log_something(int n) { TOOLS_LOG(message(n)); }

TEST(DebugTest, InstalledSinkGetsPlaceAndMessage)
{
  Collector sink;
  Tools::debug_sink = nullptr;
  built = 0;
  log_something(1); // before the sink: neither built nor buffered
  Tools::debug_sink = &sink;
  log_something(2);
  Tools::debug_sink = nullptr;
  log_something(3);

  ASSERT_EQ(1u, sink.lines.size());
  EXPECT_EQ(1, built);
  EXPECT_EQ("value 2", sink.lines[0].message);
  EXPECT_EQ("tests/core/test_debug", sink.lines[0].file);
  EXPECT_GT(sink.lines[0].line, 0u);
  EXPECT_NE(std::string::npos, sink.lines[0].function.find("log_something(int)"));
}

TEST(DebugTest, SourceNameDropsTopAndExtension)
{
  EXPECT_EQ("tools/dbi/database", Tools::source_name(KORVAN_SOURCE_DIR "tools/dbi/database.cpp"));
  EXPECT_EQ("other/x", Tools::source_name("other/x.h"));
  EXPECT_EQ("dir.d/file", Tools::source_name("dir.d/file"));
}

} // namespace
