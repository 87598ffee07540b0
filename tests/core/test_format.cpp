#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tools/core/format.h"

using Tools::format;

namespace {

template <class F> std::string error_of(F f)
{
  try {
    f();
  } catch (const Tools::BaseException &e) {
    return e.what();
  }
  return "(no error)";
}

// A program type that prints as a text but is not of string kind.
struct Label
{
  std::string text;
  operator const char *() const { return text.c_str(); }
};

} // namespace

namespace Tools {
template <> struct FormatArg<Label> : FormatCStrArg<Label> {};
} // namespace Tools

namespace {

TEST(FormatTest, TheProgramsOwnFormats)
{
  EXPECT_EQ("2026-01-05 07:08:09", format("%d-%02d-%02d %02d:%02d:%02d", 2026, 1, 5, 7, 8, 9));
  EXPECT_EQ("12.50", format("%0.2lf", 12.5));
  EXPECT_EQ("-3.14", format("%0.2lf", -3.14159));
  EXPECT_EQ(" limit 200, 100", format(" limit %d, %d", 200u, 100u));
  EXPECT_EQ("select %ART from ART where idx = '7'", format("select %%ART from ART where idx = '%s'", std::string("7")));
  EXPECT_EQ("a.c:12:f(): msg", format("%s:%d:%s: %s", "a.c", 12u, "f()", std::string("msg")));
  EXPECT_EQ("where name = 'x' and idx = '42' ", format("where name = '%s' and idx = '%s' ", std::string("x"), 42));
}

TEST(FormatTest, PercentSignsAndDirectivesAfterTheLastArgument)
{
  EXPECT_EQ("plain text", format("plain text", 1));
  EXPECT_EQ("100% sure", format("100%% sure", 1));
  // once every argument is used the rest is copied as written
  EXPECT_EQ("1 %d %% %s", format("%d %d %% %s", 1));
  EXPECT_EQ("select %BONLINE", format("select %%BONLINE", std::string("unused")));
  EXPECT_EQ("x%", format("x%", 1));
  EXPECT_EQ("", format("", 1));
}

TEST(FormatTest, PositionalArguments)
{
  EXPECT_EQ("b a", format("%2$s %s", "a", "b"));
  // position 1 consumes the one argument, so the second directive is copied
  EXPECT_EQ("x %1$s", format("%1$s %1$s", "x"));
  EXPECT_EQ("x y", format("%1$s %2$s", "x", "y"));
  // flags after a position are not recognised
  EXPECT_EQ("%1$-5s", format("%1$-5s", "x"));
}

TEST(FormatTest, StarWidthAndPrecision)
{
  EXPECT_EQ("   ab", format("%*s", 5, "ab"));
  EXPECT_EQ("ab   |", format("%*s|", -5, "ab"));
  EXPECT_EQ("abc", format("%.*s", 3, "abcdef"));
  EXPECT_EQ("", format("%.*s", -2, "abcdef"));
  EXPECT_EQ("   1.50", format("%*.*f", 7, 2, 1.5));
  EXPECT_EQ("    x", format("%2$*1$s", 5, "x"));
}

TEST(FormatTest, TheFourErrors)
{
  EXPECT_EQ("expecting int arg", error_of([] { format("%*d", 2.5, 1); }));
  EXPECT_EQ("expecting int arg", error_of([] { format("%*d", "a", 1); }));
  EXPECT_EQ("The arg you wan't to use is out of range", error_of([] { format("%*3$d", 1, 2); }));
  EXPECT_EQ("out of arg range", error_of([] { format("%3$d", 1, 2); }));
  EXPECT_EQ("out of arg range", error_of([] { format("%$d", 1); }));
  EXPECT_EQ("out of arg range", error_of([] { format("%*d", 5); }));
  const Tools::FormatArgRef none[7] = {};
  EXPECT_EQ("Number of args out of range", error_of([&] { Tools::Formatter f("x", none, 7); }));
  EXPECT_EQ("1 2 3 4 5 6", format("%d %d %d %d %d %d", 1, 2, 3, 4, 5, 6));
}

TEST(FormatTest, ConversionLettersOnlySetStreamFlags)
{
  EXPECT_EQ("42", format("%s", 42));
  EXPECT_EQ("text", format("%d", "text"));
  EXPECT_EQ("1.500000", format("%s", 1.5));
  EXPECT_EQ("1.500000", format("%d", 1.5));
  EXPECT_EQ("65", format("%c", 65));
  // "u" and "p" are not conversions: copied, and the argument stays next
  EXPECT_EQ("%u 7", format("%u %d", 7));
  EXPECT_EQ("%p 7", format("%p %d", 7));
  EXPECT_EQ("ffff", format("%x", static_cast<short>(-1)));
  EXPECT_EQ("ffffffff", format("%x", -1));
}

TEST(FormatTest, FlagsFillAndAdjustment)
{
  EXPECT_EQ("42   |", format("%-05d|", 42));
  EXPECT_EQ("42   |", format("%0-5d|", 42));
  EXPECT_EQ("   42", format("%0 5d", 42));
  EXPECT_EQ("00042", format("% 05d", 42));
  EXPECT_EQ("   ab", format("%05s", "ab"));
  EXPECT_EQ("ab   |", format("%-5s|", std::string("ab")));
  EXPECT_EQ("7", format("%.9d", 7)); // precision does nothing to integers
}

TEST(FormatTest, PrecisionCutsStringsButNotProgramTypes)
{
  EXPECT_EQ("  abc", format("%5.3s", "abcdef"));
  EXPECT_EQ("abc", format("%.3s", std::string("abcdef")));
  EXPECT_EQ("abcdef", format("%.3s", Label{"abcdef"}));
  EXPECT_EQ("   abcdef", format("%9.3s", Label{"abcdef"}));
}

TEST(FormatTest, HexWithAltAndPrecision)
{
  EXPECT_EQ("  0x00ff", format("%#8.4x", 255));
  EXPECT_EQ("0x00ff", format("%#.4x", 255));
  EXPECT_EQ("0x0000ff", format("%#08x", 255));
  EXPECT_EQ("0x000", format("%#05x", 0));
}

TEST(FormatTest, UnfinishedDirectives)
{
  EXPECT_EQ("a %-5", format("a %-5", 1));
  EXPECT_EQ("a ", format("a %.", 1));
  EXPECT_EQ("a %-", format("a %-", 1));
  EXPECT_EQ("%5!x 1", format("%5!x %d", 1));
}

TEST(FormatTest, NumbersBeyondIntAreCapped)
{
  // a width far beyond int must neither overflow nor allocate gigabytes
  std::string s = format("%99999999999999999999d|", 1);
  EXPECT_EQ('|', s.back());
  EXPECT_LE(s.size(), 70000u);
  s = format("%.99999999999999s|", "abc");
  EXPECT_EQ("abc|", s);
  s = format("%*d|", -2147483647 - 1, 1); // the lowest int as a negative width
  EXPECT_EQ('1', s[0]);
  EXPECT_EQ('|', s.back());
}

TEST(FormatTest, AgreesWithPrintfOnCommonDirectives)
{
  const char *formats[] = {"%d", "%5d", "%-5d|", "%05d", "%+d", "%x", "%X", "%#x", "%o", "%#o", "%+05d"};
  const int values[] = {0, 7, -7, 255, 123456, -2147483647};
  for (const char *f : formats)
    for (int v : values) {
      char buf[64];
      std::snprintf(buf, sizeof buf, f, v);
      if (std::string(f).find('x') != std::string::npos || std::string(f).find('X') != std::string::npos ||
          std::string(f).find('o') != std::string::npos)
        if (v < 0 || (v == 0 && std::string(f).find('#') != std::string::npos))
          continue; // streams print 0 with a prefix and negatives by pattern
      EXPECT_EQ(buf, format(f, v)) << f << " " << v;
    }
  const char *dformats[] = {"%f", "%.2f", "%10.3f", "%-10.1f|", "%+.1f", "%e", "%.3E", "%0.2lf"};
  const double dvalues[] = {0.0, 1.5, -2.25, 12345.678, 1e-7};
  for (const char *f : dformats)
    for (double v : dvalues) {
      char buf[64];
      std::snprintf(buf, sizeof buf, f, v);
      EXPECT_EQ(buf, format(f, v)) << f << " " << v;
    }
}

} // namespace
