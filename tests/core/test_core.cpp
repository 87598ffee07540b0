// The core library: the shared handle, the range-guarded enumeration, the
// debug sink, the formatter, the text helpers and amounts of money.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/core/debug.h"
#include "tools/core/enum_range.h"
#include "tools/core/format.h"
#include "tools/core/money.h"
#include "tools/core/ref.h"
#include "tools/core/string_utils.h"
#include "tests/support/characters.h"

using namespace Tools;

namespace {

int deleted = 0;

struct Counted
{
  int value;
  explicit Counted(int v) : value(v) {}
  ~Counted() { ++deleted; }
  bool operator==(const Counted &o) const { return value == o.value; }
};

TEST(Ref, LastCopyDeletesExactlyOnce)
{
  deleted = 0;
  {
    Ref<Counted> a(new Counted(1));
    {
      Ref<Counted> b(a), c;
      c = b;
      a = c; // the same block: nothing changes
    }
    EXPECT_EQ(0, deleted);
  }
  EXPECT_EQ(1, deleted);
  Counted owned(5);
  Ref<Counted> c(new Counted(5));
  EXPECT_TRUE(Ref<Counted>(Ref<Counted>(&owned, false)) == c);
  EXPECT_EQ(1, deleted); // a handle that does not own never deletes
  c = Ref<Counted>();
  EXPECT_EQ(2, deleted);
  EXPECT_THROW(c->value = 1, Ref<Counted>::BadRef);
  // Replacing the head of a chain by its own successor must not free the
  // successor before it is shared.
  struct Node
  {
    Ref<Node> next;
    int v;
  };
  Ref<Node> head(new Node{Ref<Node>(new Node{Ref<Node>(), 2}), 1});
  head = head->next;
  EXPECT_EQ(2, head->v);
}

struct Kind
{
  enum Enum { INT = 1, VARCHAR, ENUM, DOUBLE, DATETIME };
  typedef Enum ETYPE;
  static constexpr int FIRST__ = INT, LAST__ = DATETIME;
};

typedef EnumRange<Kind, CopyNone<Kind> > K;

TEST(EnumRange, RefusesValuesOutsideItsRangeAndReadingUnset)
{
  for (int v = 0; v <= 6; ++v) {
    const Kind::Enum e = static_cast<Kind::Enum>(v);
    const bool in_range = v >= Kind::INT && v <= Kind::DATETIME;
    K k(Kind::DOUBLE);
    if (in_range) {
      k = K(e);
    } else {
      EXPECT_THROW(K x(e), K::Error) << v;
      EXPECT_THROW(k = e, K::Error) << v;
    }
    EXPECT_EQ(in_range ? v : Kind::DOUBLE, k.get_value()); // a refused value keeps the old one
  }
  K unset;
  EXPECT_THROW(unset.get_value(), K::Error);
  EXPECT_THROW(K copy(unset), K::Error);
}

int built = 0;
void log_something(int n) { TOOLS_LOG(format("value %d", ++built + n)); }

TEST(Debug, OnlyAnInstalledSinkGetsPlaceAndMessage)
{
  struct Collector : Debug
  {
    std::string line;
    void output(const char *file, unsigned line_no, const char *function, const std::string &message) override
    {
      line += format("%s:%d %s %s", file, line_no, function, message);
    }
  } sink;
  log_something(1); // before the sink: neither built nor sent
  debug_sink = &sink;
  log_something(1);
  debug_sink = nullptr;
  log_something(1);
  EXPECT_EQ(1, built);
  EXPECT_EQ(0u, sink.line.find("tests/core/test_core:"));
  EXPECT_NE(std::string::npos, sink.line.find("log_something(int) value 2"));
}

template <class F> std::string error_of(F f)
{
  try {
    f();
  } catch (const BaseException &e) {
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

// A program type whose text is itself built by the formatter, as an
// amount field's text may be.
struct Amount
{
  double value;
  std::string text;
  explicit Amount(double v) : value(v) {}
  operator const char *()
  {
    text = format("%0.2lf", value);
    return text.c_str();
  }
};

} // namespace

namespace Tools {
template <> struct FormatArg<Amount> : FormatCStrArg<Amount> {};
} // namespace Tools

namespace {

TEST(Format, RulesOfItsOwn)
{
  const std::pair<const char *, std::string> cases[] = {
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
      {"   42", format("%0 5d", 42)},
      {"abc", format("%.3s", std::string("abcdef"))},
      {"  0x00ff", format("%#8.4x", 255)},
      {"a %-5", format("a %-5", 1)},
      {"a ", format("a %.", 1)},
      {"%5!x 1", format("%5!x %d", 1)},
      // A type that formats while it renders leaves the outer text alone.
      {"    1.50", format("%8s", Amount(1.5))},
      {"  2.5|1.50    |ff", format("%5.1f|%-8s|%x", 2.5, Amount(1.5), 255)},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.first, c.second);
}

TEST(Format, TheFourErrorsAndTheWidthCap)
{
  const FormatArgRef seven[7] = {};
  const std::pair<const char *, std::string> errors[] = {
      {"expecting int arg", error_of([] { format("%*d", 2.5, 1); })},
      {"expecting int arg", error_of([] { format("%*d", "a", 1); })},
      {"The arg you wan't to use is out of range", error_of([] { format("%*3$d", 1, 2); })},
      {"out of arg range", error_of([] { format("%3$d", 1, 2); })},
      {"out of arg range", error_of([] { format("%*d", 5); })},
      {"Number of args out of range", error_of([&] { Formatter f("x", seven, 7); })},
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
  // "a", "ä", "€", "b": characters of one, two, three and one bytes.
  const std::string mixed = "a\xc3\xa4\xe2\x82\xac"
                            "b";
  std::vector<std::size_t> cuts;
  for (std::size_t n = 0; n <= 5; ++n)
    cuts.push_back(utf8_bytes(mixed, n));
  EXPECT_EQ((std::vector<std::size_t>{0, 1, 3, 6, 7, 7}), cuts);
  EXPECT_EQ(4u, utf8_length(mixed));
  // What three-byte UTF-8 holds: umlauts, €, Greek, Japanese, but no beer
  // mug (four bytes) and nothing that is no UTF-8.
  const std::pair<std::string, std::size_t> fits[] = {
      {mixed + "αβγ 日本語", std::string::npos}, {"Bier \xf0\x9f\x8d\xba", 5}, {"a\xe4" "b", 1}, {"\xe2\x82", 0},
      {"\xc0\xaf", 0}, {"\xe0\x80\xaf", 0}, {"\xed\xa0\x80", 0}, {std::string("\0x", 2), std::string::npos},
  };
  for (const auto &f : fits)
    EXPECT_EQ(f.second, utf8_mb3_misfit(f.first)) << f.first;
  EXPECT_TRUE(icase_equal("Ok", "OK") && is_int("0123") && text2bool("1") && text2bool("tRuE"));
  EXPECT_FALSE(icase_equal("Ok", "Oke") || is_int("") || is_int("-1") || text2bool("yes"));
}

TEST(Money, AnAmountIsReadAsAGermanWritesItOrAsTheProgramShowsItAndNothingElse)
{
  const struct
  {
    const char *text;
    AmountReading reading;
    long long cents;
  } cases[] = {
      {"1234,56", AmountReading::AMOUNT, 123456},
      {"1.234,56", AmountReading::AMOUNT, 123456},
      {"1234.56", AmountReading::AMOUNT, 123456},
      {"1.234.567,8", AmountReading::AMOUNT, 123456780},
      {" -12, ", AmountReading::AMOUNT, -1200},
      {"+,5", AmountReading::AMOUNT, 50},
      {"", AmountReading::AMOUNT, 0},
      {"0009999999999999.99", AmountReading::AMOUNT, 999999999999999},
      {"12,50 €", AmountReading::NOT_AN_AMOUNT, 0},
      {"1,234.56", AmountReading::NOT_AN_AMOUNT, 0},
      {"1.234.56", AmountReading::NOT_AN_AMOUNT, 0},
      {"12.34,5", AmountReading::NOT_AN_AMOUNT, 0}, // no group of three
      {"1234.567,8", AmountReading::NOT_AN_AMOUNT, 0},
      {"0x1A", AmountReading::NOT_AN_AMOUNT, 0},
      {"nan", AmountReading::NOT_AN_AMOUNT, 0},
      {"1e3", AmountReading::NOT_AN_AMOUNT, 0},
      {"1 234", AmountReading::NOT_AN_AMOUNT, 0},
      {"-", AmountReading::NOT_AN_AMOUNT, 0},
      {",", AmountReading::NOT_AN_AMOUNT, 0},
      {"--1", AmountReading::NOT_AN_AMOUNT, 0},
      {"1.234", AmountReading::THOUSANDS_WITHOUT_COMMA, 0}, // 1234, or 1.234 with three decimals
      {"2,675", AmountReading::TOO_MANY_DIGITS, 0},
      {"10000000000000", AmountReading::TOO_MANY_DIGITS, 0},
      {"10.000.000.000.000,00", AmountReading::TOO_MANY_DIGITS, 0},
      // Dots that group thousands need a comma, however many groups; a
      // dot after a leading zero or before other than three digits is the
      // decimal sign.
      {"1.500", AmountReading::THOUSANDS_WITHOUT_COMMA, 0},
      {"-1.234.567", AmountReading::THOUSANDS_WITHOUT_COMMA, 0},
      {"1.234.567,00", AmountReading::AMOUNT, 123456700},
      {"10.000.000.000.000", AmountReading::TOO_MANY_DIGITS, 0},
      {"0.125", AmountReading::TOO_MANY_DIGITS, 0},
      {"1.5000", AmountReading::TOO_MANY_DIGITS, 0},
      {"1.5", AmountReading::AMOUNT, 150},
      // The line ends of a text copied from a cell, and any white space.
      {"12,50\n", AmountReading::AMOUNT, 1250},
      {"\r\n 1.234,56\t\r\n", AmountReading::AMOUNT, 123456},
      {"\xc2\xa0" "7\xe3\x80\x80", AmountReading::AMOUNT, 700},
      {"1\n2", AmountReading::NOT_AN_AMOUNT, 0},
  };
  for (const auto &c : cases) {
    long long cents = -1;
    EXPECT_EQ(c.reading, read_amount(c.text, cents)) << c.text;
    EXPECT_EQ(c.cents, cents) << c.text;
  }
}

TEST(StringUtils, KeysGoWithoutWhiteSpaceOfAnyKindAndShowWhatTheyCannotHold)
{
  // What trims a key; the server's lookups trim alike (tests/dbi).
  const std::pair<std::string, std::string> trimmed[] = {
      {" \t\r\n Bier \n", "Bier"},
      {"\xc2\xa0" "Bier" "\xc2\xa0", "Bier"},                     // no-break space
      {"\xe3\x80\x80" "Bier\xe2\x80\xaf" "\x0b\x0c", "Bier"}, // ideographic, narrow no-break
      {"Helles Bier", "Helles Bier"},
      {"Bier\xe2\x80\x8b", "Bier\xe2\x80\x8b"}, // a zero-width space is no white space
      {" \xc2\xa0\t", ""},
      {" Bier \xf0\x9f\x8d\xba ", "Bier \xf0\x9f\x8d\xba"},
      {" \xe4 ", "\xe4"}, // no UTF-8: kept as it is
  };
  for (const auto &t : trimmed)
    EXPECT_EQ(t.second, trim_white(t.first)) << t.first;

  const std::pair<std::string, std::size_t> invisible[] = {
      {"Bier", std::string::npos},         {"Bi\ter", 2},
      {"Bier\xe2\x80\x8b", 4},             {"\xc2\xad" "Bier", 0}, // soft hyphen
      {"Bi\xe2\x80\x8d" "er", 2},          {"\xef\xbb\xbf" "Bier", 0}, // joiner, byte order mark
      {"Bier\xc2\x85", 4},                {"\xc3\xa4\xe2\x80\x8e", 2}, // next line, direction mark
      {"Ω\xe2\x82\xac日本", std::string::npos},
      {"Bier \xf0\x9f\x8d\xba", std::string::npos},              // an emoji shows
      {"Bier\xf3\xa0\x80\x81", 4}, {"Bi\xf3\xb0\x80\x80", 2}, // a tag, private use beyond 16 bits
      {"B\xe4" "er", std::string::npos},                          // no UTF-8: for the character-set check
  };
  for (const auto &i : invisible)
    EXPECT_EQ(i.second, invisible_at(i.first)) << i.first;
  EXPECT_EQ("Bier<U+200B> <U+0009>", invisible_shown("Bier\xe2\x80\x8b \t"));
  EXPECT_EQ("Bi<U+F0000>", invisible_shown("Bi\xf3\xb0\x80\x80"));
  EXPECT_EQ("a b  c d", invisible_as_blank("a\xe4" "b\xe2\x80\xae\xc2\x9b" "c\x7f" "d"));

  // Decided by what Unicode says of each character: refused inside a name
  // and alone; white space trimmed, and one blank inside when compared.
  for (const korvan_test::LookAlike &c : korvan_test::LOOK_ALIKES) {
    const std::string in = std::string("T") + c.text + "1";
    const std::string around = c.text + std::string("T1") + c.text;
    EXPECT_EQ(c.white ? "T1" : around, trim_white(around)) << in;
    if (c.shown) {
      EXPECT_EQ(1u, invisible_at(in)) << c.shown;
      EXPECT_EQ(0u, invisible_at(c.text)) << c.shown;
      EXPECT_EQ(std::string("T") + c.shown + "1", invisible_shown(in));
      EXPECT_EQ("T 1", invisible_as_blank(in)) << c.shown;
    } else {
      EXPECT_EQ(std::string::npos, invisible_at(in)) << in;
      EXPECT_EQ(in, invisible_as_blank(in));
      EXPECT_EQ("T 1", white_as_blank(c.text + in + " "));
    }
  }
  EXPECT_EQ("T  1", white_as_blank("T \xe3\x80\x80" "1")); // one blank each, not one for all

  // A new name read as the stored one: blanks of every kind as one blank
  // each, case aside (of every letter that has one), nothing else.
  const struct
  {
    const char *a, *b;
    bool same;
  } names[] = {
      {" Helles\xc2\xa0" "Bier\t", "helles bier", true}, {"ÄPFEL", "äpfel", true}, {"ΩΜΈΓΑ", "ωμέγα", true},
      {"T1", "T 1", false}, {"T  1", "T 1", false}, {"Bier\xe2\x80\x8b", "Bier", false}, {"Apfel", "Äpfel", false},
      {"B\xe4" "r", "B\xe4" "r", true}, {"B\xe4" "r", "B\xc4" "r", false}, // no UTF-8: byte for byte
  };
  for (const auto &n : names) {
    EXPECT_EQ(n.same, same_name(n.a, n.b)) << n.a << " / " << n.b;
    EXPECT_EQ(n.same, same_name(n.b, n.a)) << n.b << " / " << n.a;
  }
}

TEST(Money, LinesAreRoundedOnceAHalfCentAwayFromZero)
{
  const std::pair<long long, long long> lines[] = {
      {38, line_cents(0.125, 3)},                                   // 0.375, not 3 x 0.13
      {13, line_cents(0.125, 1)},                                   // a half cent goes up
      {268, line_cents(2.675, 1)},                                  // stored as 2.67499999...
      {101, line_cents(1.005, 1)},        {30, line_cents(0.1, 3)}, // 0.30000000000000004
      {2469134, line_cents(12345.67, 2)}, {-268, line_cents(-2.675, 1)}, {0, line_cents(3.5, 0)},
      // Large whole-cent amounts stay as they are.
      {500000000, line_cents(5000000, 1)}, {12345678912, line_cents(123456789.12, 1)},
      {999999999999999, line_cents(9999999999999.99, 1)},
  };
  for (const auto &l : lines)
    EXPECT_EQ(l.first, l.second) << &l - lines;
  EXPECT_EQ("0.38", money_text(from_cents(38)));
  EXPECT_EQ("-2.50", money_text(from_cents(-250)));
  EXPECT_EQ(1234567, to_cents(from_cents(1234567)));
}

} // namespace
