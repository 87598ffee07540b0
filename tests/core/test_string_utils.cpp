#include <gtest/gtest.h>

#include <list>

#include "tools/core/string_utils.h"

using Tools::split;
using Tools::split_any;
using Tools::split_unquoted;
using V = std::vector<std::string>;

namespace {

TEST(StringUtilsTest, CaseAndComparison)
{
  EXPECT_EQ("ABC ÄÖ 1", Tools::toupper("abc ÄÖ 1"));
  EXPECT_EQ("\xc3\xa4", Tools::toupper("\xc3\xa4")); // umlaut bytes stay
  EXPECT_TRUE(Tools::icase_equal("Ok", "OK"));
  EXPECT_FALSE(Tools::icase_equal("Ok", "Oke"));
  EXPECT_TRUE(Tools::is_int("0123"));
  EXPECT_FALSE(Tools::is_int(""));
  EXPECT_FALSE(Tools::is_int("-1"));
  EXPECT_FALSE(Tools::is_int("1 "));
}

TEST(StringUtilsTest, Strip)
{
  EXPECT_EQ("a b", Tools::strip("  a b\n", " \t\n\r"));
  EXPECT_EQ("", Tools::strip("   ", " "));
  EXPECT_EQ("a b", Tools::strip("\t a b \r"));
}

TEST(StringUtilsTest, SplitAny)
{
  EXPECT_EQ((V{"a", "", "b"}), split_any("a,,b", ",", -1));
  EXPECT_EQ((V{"a", "b"}), split_any(",a,b,", ",", -1));
  EXPECT_EQ((V{"x", "y z"}), split_any("x y z", " ", 2));
  EXPECT_EQ((V{""}), split_any("", ",", -1));
  EXPECT_EQ((V{"a=b=c"}), split_any("a=b=c", "=", 1));
  EXPECT_EQ((V{"abc"}), split_any("abc", "", -1));
}

TEST(StringUtilsTest, SplitAtWholeSeparator)
{
  EXPECT_EQ((V{"ab", "cd"}), split("ab%%cd", "%%"));
  EXPECT_EQ((V{"abc"}), split("abc", "%"));
  EXPECT_EQ((V{"a", ""}), split("a%", "%"));
  EXPECT_EQ((V{"a", "b%c"}), split("a%b%c", "%", 2));
  EXPECT_EQ((V{"abc"}), split("abc", "")); // an empty separator must not loop
}

TEST(StringUtilsTest, SplitUnquoted)
{
  EXPECT_EQ((V{"a", "\"b c\"", "d"}), split_unquoted("a \"b c\" d", " "));
  // an escaped quote opens nothing
  EXPECT_EQ((V{"x=\\\"a", "b\\\""}), split_unquoted("x=\\\"a b\\\"", " "));
  // a quote behind two backslashes is a real quote
  EXPECT_EQ((V{"\\\\\"a b\""}), split_unquoted("\\\\\"a b\"", " "));
  // an unclosed quote protects nothing
  EXPECT_EQ((V{"\"a", "b"}), split_unquoted("\"a b", " "));
  EXPECT_EQ((V{"", ""}), split_unquoted(" ", " "));
}

TEST(StringUtilsTest, WrapText)
{
  EXPECT_EQ("aaa bbb\n  ccc\n  ddd\n  eee\n", Tools::wrap_text("aaa bbb ccc ddd eee", 8, 2));
  EXPECT_EQ("aaa bbb\n  ccc ddd\n  eee\n", Tools::wrap_text("aaa bbb ccc ddd eee", 9, 2));
  EXPECT_EQ("short", Tools::wrap_text("short", 10, 2));
  // a word longer than the line is cut hard instead of looping
  EXPECT_EQ("abcd\n  ef\n  gh\n  ij\n", Tools::wrap_text("abcdefghij", 4, 2));
  std::string odd = Tools::wrap_text("abc def", 3, 9); // indent wider than the line
  EXPECT_EQ(0u, odd.find("abc"));
  EXPECT_FALSE(Tools::wrap_text(std::string(1000, 'x'), 1, 0).empty());
}

TEST(StringUtilsTest, SqlEscapeKeepsEveryValueInsideItsQuotes)
{
  EXPECT_EQ("O\\'Brien", Tools::sql_escape("O'Brien"));
  EXPECT_EQ("a\\\\b", Tools::sql_escape("a\\b"));
  // a trailing backslash must not escape the closing quote
  EXPECT_EQ("x\\\\", Tools::sql_escape("x\\"));
  EXPECT_EQ("\\\\\\'", Tools::sql_escape("\\'"));
  EXPECT_EQ("a\\0b", Tools::sql_escape(std::string("a\0b", 3)));
  EXPECT_EQ("100%ART \xc3\xa4\n", Tools::sql_escape("100%ART \xc3\xa4\n"));
}

TEST(StringUtilsTest, SmallHelpers)
{
  EXPECT_EQ("TRUE", Tools::bool2text(true));
  EXPECT_EQ("FALSE", Tools::bool2text(false));
  EXPECT_TRUE(Tools::text2bool("1"));
  EXPECT_TRUE(Tools::text2bool("tRuE"));
  EXPECT_FALSE(Tools::text2bool("yes"));
  EXPECT_EQ("a-b-c", Tools::substitude("a.b.c", ".", "-"));
  EXPECT_EQ("abc", Tools::substitude("abc", "", "x"));
}

TEST(StringUtilsTest, FromTextTakesTheLeadingNumberOrTheFallback)
{
  EXPECT_EQ(42, Tools::from_text<int>("42x", 0));
  EXPECT_EQ(7, Tools::from_text<int>("x", 7));
  EXPECT_EQ(7, Tools::from_text<int>("", 7));
  EXPECT_EQ(-3, Tools::from_text<int>("  -3", 0));
  EXPECT_EQ(12, Tools::from_text<int>("12abc", 0));
  EXPECT_DOUBLE_EQ(3.5, Tools::from_text<double>(" 3.5", 0.0));
  EXPECT_DOUBLE_EQ(12.0, Tools::from_text<double>("12,5", 0.0));
  EXPECT_DOUBLE_EQ(1.25, Tools::from_text<double>("abc", 1.25));
  EXPECT_EQ(9, Tools::from_text<int>("99999999999999999999", 9)); // overflow: fallback
}

TEST(StringUtilsTest, ToTextKeepsAmountsWhole)
{
  EXPECT_EQ("0.1", Tools::to_text(0.1));
  EXPECT_EQ("100", Tools::to_text(100.0));
  EXPECT_EQ("2.5", Tools::to_text(2.5));
  EXPECT_EQ("1234.56", Tools::to_text(1234.56));
  EXPECT_EQ("12345.67", Tools::to_text(12345.67));
  EXPECT_EQ("-0.3", Tools::to_text(0.1 + 0.2 - 0.6));
  for (double v : {12345.67, 99999.99, 0.01, 1e-7, 123456789.12})
    EXPECT_EQ(v, Tools::from_text<double>(Tools::to_text(v), 0.0)) << v;
  EXPECT_EQ("-12", Tools::to_text(-12));
}

TEST(StringUtilsTest, ListIterGivesTheObjects)
{
  int a = 1, b = 2;
  std::list<int *> ptrs{&a, &b};
  int sum = 0;
  for (Tools::ListIter<int *> it(ptrs.begin()); it != ptrs.end(); it++)
    sum += *it.operator->();
  EXPECT_EQ(3, sum);

  struct Obj
  {
    int v;
  };
  std::list<Tools::Ref<Obj> > refs{Tools::Ref<Obj>(new Obj{4}), Tools::Ref<Obj>(), Tools::Ref<Obj>(new Obj{5})};
  sum = 0;
  int empty = 0;
  for (Tools::ListIter<Tools::Ref<Obj> > it(refs.begin()); it != refs.end(); it++) {
    if (it.operator->())
      sum += it->v;
    else
      ++empty;
  }
  EXPECT_EQ(9, sum);
  EXPECT_EQ(1, empty);
}

} // namespace
