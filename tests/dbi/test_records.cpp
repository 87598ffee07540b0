// Column values, and the records that bind them by column name.
#include <gtest/gtest.h>

#include "schema/tables.h"
#include "tools/core/debug.h"

using namespace Tools;

namespace {

TEST(Columns, NumbersReadAsTheStreamDoesAndAmountsKeepEveryDigit)
{
  DBTypeInt i;
  for (const char *text : {"0", "-12", "123456789", "2147483647", "-2147483648", "99999999999", " 7", "+5", "-", "1.9",
                           "0x10", "12abc", ""}) {
    i.from_string(text);
    EXPECT_EQ(from_text<int>(text, 0), i.value) << text;
  }
  DBBindType record("T");
  DBTypeDouble d(&record, "d");
  for (const char *text : {"12345.67", "-0.5", "3", "0.1", "1e3", ".5", "5.", "-", "abc", "1234567890123.25"}) {
    d.from_string(text);
    EXPECT_EQ(from_text<double>(text, 0.0), d.value) << text;
  }
  DBTypeDouble price(&record, "preis");
  d = 12345.67;
  price.from_string(d.to_string());
  EXPECT_EQ(12345.67, price.value);
  d = 2.5;
  EXPECT_EQ("2.50", d.format("%0.2lf"));
}

TEST(Columns, TextsKeepAnyLengthAndAnEmptyDateTimeIsTheZeroDate)
{
  DBBindType record("T");
  DBTypeVarChar name(&record, "name", 20), other(&record, "other", 5);
  name = std::string(30, 'x'); // the server refuses what is too long
  other = name;                // value and size, never the name
  EXPECT_EQ(std::string(30, 'x'), other.to_string());
  EXPECT_EQ("other", other.get_name());
  DBTypeVarChar copy(name);
  EXPECT_EQ(2u, record.get_types().size()); // a copy joins no record

  // Strict mode refuses '' in a DATETIME column.
  DBTypeDateTime stamp(&record, "hist_an_zeit");
  stamp.from_string("");
  EXPECT_EQ("0000-00-00 00:00:00", stamp.to_string());
  EXPECT_EQ("", stamp.format("%s"));
}

TEST(Columns, YesNoIsWrittenOnlyWhenSetAndReadOnlyFromItsTwoTexts)
{
  DBBindType record("T");
  DBTypeJaNein flag(&record, "gueltig");
  EXPECT_THROW(record.get_values(), JANEIN_RANGE::Error);
  DBTypeJaNein copy(flag);
  EXPECT_FALSE(copy.value.is_set()); // copied unset instead of throwing
  // Any other text leaves the value as it was.
  const std::pair<const char *, const char *> reads[] = {{"JA", "JA"}, {"ja", "JA"}, {"NEIN", "NEIN"}, {"1", "NEIN"}};
  for (const auto &r : reads) {
    flag.from_string(r.first);
    EXPECT_EQ(r.second, flag.to_string()) << r.first;
  }
}

class Two : public DBBindType
{
public:
  DBTypeInt idx;
  DBTypeVarChar artnr;
  Two() : DBBindType("ART"), idx(this, "idx"), artnr(this, "artnr", 20) {}
};

struct Quiet : Debug
{
  void output(const char *, unsigned, const char *, const std::string &) override {}
};

TEST(Records, BindCellsByPlainOrQualifiedNameInAnyOrder)
{
  struct Case
  {
    std::vector<std::string> names, values;
    bool loaded;
    int idx;
    std::string artnr;
  };
  const Case cases[] = {
      {{"ART.idx", "artnr"}, {"3", "C3"}, true, 3, "C3"},
      {{"ART.artnr", "idx"}, {"A1", "7"}, true, 7, "A1"},
      {{"artnr", "ART.idx", "extra"}, {"B2", "9", "x"}, true, 9, "B2"},
      {{"GRP_UST.name"}, {"x"}, false, 0, ""},
      {{"AR.idx", "ARTX.idx"}, {"1", "2"}, false, 0, ""}, // a prefix of the table is not the table
  };
  // With a sink installed the search takes another way.
  Quiet sink;
  for (Debug *installed : {static_cast<Debug *>(nullptr), static_cast<Debug *>(&sink)})
    for (const Case &c : cases) {
      Two record;
      debug_sink = installed;
      EXPECT_EQ(c.loaded, record.load_from_db(DBRow(c.names, c.values)));
      debug_sink = nullptr;
      EXPECT_EQ(c.idx, record.idx.value);
      EXPECT_EQ(c.artnr, record.artnr.value);
    }
}

TEST(Records, CopiesAndAssignmentsKeepTheirOwnColumns)
{
  ART a;
  a.artnr = std::string("A-7");
  a.gueltig = JANEIN::NEIN;
  ART b;
  b = a;
  ART c(a);
  EXPECT_EQ(a.get_values(), b.get_values());
  EXPECT_EQ(a.get_values(), c.get_values());
  EXPECT_TRUE(c.set_cell_by_name("artnr", "changed"));
  EXPECT_EQ("changed", c.artnr.value);
  EXPECT_EQ("A-7", a.artnr.value);

  BONLINE line;
  line.preis = 12345.67;
  line.storniert = JANEIN::JA;
  EXPECT_EQ(line.get_values(), BONLINE(line).get_values());
}

} // namespace
