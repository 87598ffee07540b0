// The formatter and the text helpers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/core/format.h"
#include "tools/core/string_utils.h"

using namespace Tools;

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

TEST(Format, AgreesWithPrintfOnCommonDirectives)
{
  auto agree = [](const char *f, auto v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    EXPECT_EQ(buf, format(f, v)) << f << " " << v;
  };
  for (const char *f : {"%d", "%5d", "%-5d|", "%05d", "%+d", "%x", "%X", "%#x", "%o", "%#o", "%+05d"})
    for (int v : {0, 7, -7, 255, 123456, -2147483647})
      // streams print 0 with a prefix and negatives by pattern
      if (!std::strpbrk(f, "xXo") || (v > 0 || (v == 0 && f[1] != '#')))
        agree(f, v);
  for (const char *f : {"%f", "%.2f", "%10.3f", "%-10.1f|", "%+.1f", "%e", "%.3E", "%0.2lf"})
    for (double v : {0.0, 1.5, -2.25, 12345.678, 1e-7})
      agree(f, v);
}

TEST(Format, RulesOfItsOwn)
{
  const std::pair<const char *, std::string> cases[] = {
      {"12.50", format("%0.2lf", 12.5)},
      {"2026-01-05 07:08:09", format("%d-%02d-%02d %02d:%02d:%02d", 2026, 1, 5, 7, 8, 9)},
      {"select %ART from ART where idx = '7'", format("select %%ART from ART where idx = '%s'", std::string("7"))},
      // Once every argument is used the rest is copied as written.
      {"1 %d %% %s", format("%d %d %% %s", 1)},
      {"x%", format("x%", 1)},
      {"b a", format("%2$s %s", "a", "b")},
      {"x %1$s", format("%1$s %1$s", "x")},
      {"ab   |", format("%*s|", -5, "ab")},
      {"    x", format("%2$*1$s", 5, "x")},
      // Conversion letters only set stream flags.
      {"42", format("%s", 42)},
      {"text", format("%d", "text")},
      {"   42", format("%0 5d", 42)},
      {"   ab", format("%05s", "ab")},
      {"abc", format("%.3s", std::string("abcdef"))},
      {"  0x00ff", format("%#8.4x", 255)},
      {"a %-5", format("a %-5", 1)},
      {"a ", format("a %.", 1)},
      {"%5!x 1", format("%5!x %d", 1)},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.first, c.second);
}

TEST(Format, TheFourErrorsAndTheWidthCap)
{
  const Tools::FormatArgRef seven[7] = {};
  const std::pair<const char *, std::string> errors[] = {
      {"expecting int arg", error_of([] { format("%*d", 2.5, 1); })},
      {"expecting int arg", error_of([] { format("%*d", "a", 1); })},
      {"The arg you wan't to use is out of range", error_of([] { format("%*3$d", 1, 2); })},
      {"out of arg range", error_of([] { format("%3$d", 1, 2); })},
      {"out of arg range", error_of([] { format("%*d", 5); })},
      {"Number of args out of range", error_of([&] { Tools::Formatter f("x", seven, 7); })},
      {"(no error)", error_of([] { format("%d %d %d %d %d %d", 1, 2, 3, 4, 5, 6); })},
  };
  for (const auto &e : errors)
    EXPECT_EQ(e.first, e.second);

  // A width far beyond int must neither overflow nor allocate gigabytes.
  std::string s = format("%99999999999999999999d|", 1);
  EXPECT_EQ('|', s.back());
  EXPECT_LE(s.size(), 70000u);
  EXPECT_EQ("abc|", format("%.99999999999999s|", "abc"));
  s = format("%*d|", -2147483647 - 1, 1); // the lowest int as a negative width
  EXPECT_EQ("1 ", s.substr(0, 2));
  EXPECT_LE(s.size(), 70000u);
}

TEST(StringUtils, Helpers)
{
  const std::pair<const char *, std::string> cases[] = {
      {"ABC \xc3\xa4 1", Tools::toupper("abc \xc3\xa4 1")},
      {"a b", strip("\t a b \r\n")},
      {"", strip("   ", " ")},
      {"aaa bbb\n  ccc ddd\n  eee\n", wrap_text("aaa bbb ccc ddd eee", 9, 2)},
      {"abcd\n  ef\n  gh\n  ij\n", wrap_text("abcdefghij", 4, 2)}, // cut hard instead of looping
      {"abc", wrap_text("abc def", 3, 9).substr(0, 3)},            // indent wider than the line
      // A trailing backslash must not escape the closing quote.
      {"O\\'Brien a\\\\b", sql_escape("O'Brien a\\b")},
      {"x\\\\ \\\\\\'", sql_escape("x\\ \\'")},
      {"a\\0b 100%ART \xc3\xa4\n", sql_escape(std::string("a\0b 100%ART \xc3\xa4\n", 15))},
      {"a-b-c", substitude("a.b.c", ".", "-")},
      {"abc", substitude("abc", "", "x")},
      // A number at the start, else the fallback; overflow too.
      {"42", to_text(from_text<int>("42x", 0))},
      {"7", to_text(from_text<int>("", 7))},
      {"9", to_text(from_text<int>("99999999999999999999", 9))},
      {"12", to_text(from_text<double>("12,5", 0.0))},
      // Amounts keep every digit on their way through a text.
      {"12345.67", to_text(12345.67)},
      {"123456789.12", to_text(123456789.12)},
      {"-0.3", to_text(0.1 + 0.2 - 0.6)},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.first, c.second);
  typedef std::vector<std::string> V;
  const std::pair<V, V> splits[] = {
      {{"a", "", "b"}, split_any("a,,b", ",", -1)},
      {{"x", "y z"}, split_any("x y z", " ", 2)},
      {{"ab", "cd"}, split("ab%%cd", "%%")},
      {{"a", "b%c"}, split("a%b%c", "%", 2)},
      {{"abc"}, split("abc", "")}, // an empty separator must not loop
      {{"a", "\"b c\"", "d"}, split_unquoted("a \"b c\" d", " ")},
      {{"x=\\\"a", "b\\\""}, split_unquoted("x=\\\"a b\\\"", " ")}, // an escaped quote opens nothing
      {{"\\\\\"a b\""}, split_unquoted("\\\\\"a b\"", " ")},        // behind two backslashes it does
      {{"\"a", "b"}, split_unquoted("\"a b", " ")},                 // an unclosed quote protects nothing
  };
  for (const auto &c : splits)
    EXPECT_EQ(c.first, c.second);
  EXPECT_FALSE(wrap_text(std::string(1000, 'x'), 1, 0).empty());
  EXPECT_TRUE(icase_equal("Ok", "OK") && is_int("0123") && text2bool("1") && text2bool("tRuE"));
  EXPECT_FALSE(icase_equal("Ok", "Oke") || is_int("") || is_int("-1") || text2bool("yes"));
}

} // namespace
