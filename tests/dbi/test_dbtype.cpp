// Column values on their own: conversions and the yes/no enumeration.
#include <gtest/gtest.h>

#include <sstream>

#include "tools/dbi/dbbindtype.h"
#include "tools/dbi/dbtype.h"

using namespace Tools;

TEST(DBTypeDouble, KeepsCentsThroughText)
{
  DBBindType record("T");
  DBTypeDouble v(&record, "preis");
  v = 1234.56;
  EXPECT_EQ("1234.56", v.to_string());
  v = 2.5;
  EXPECT_EQ("2.50", v.format("%0.2lf"));
  // Amounts of more than six digits must survive the way through a text.
  v = 12345.67;
  DBTypeDouble w(&record, "other");
  w.from_string(v.to_string());
  EXPECT_DOUBLE_EQ(12345.67, w.value);
  w.from_string("abc");
  EXPECT_EQ(0.0, w.value);
}

TEST(DBTypeVarChar, TakesAnyLengthAndCopiesWithoutRegistering)
{
  DBBindType record("T");
  DBTypeVarChar v(&record, "name", 20);
  ASSERT_EQ(1u, record.get_types().size());
  std::string thirty(30, 'x');
  v = thirty;
  EXPECT_EQ(thirty, v.to_string());
  EXPECT_EQ(20u, v.get_size());

  DBTypeVarChar copy(v);
  EXPECT_EQ(1u, record.get_types().size());
  EXPECT_EQ("name", copy.get_name());
  EXPECT_EQ(thirty, copy.value);

  // Assignment copies value and size, never the name.
  DBTypeVarChar other(&record, "other", 5);
  other = v;
  EXPECT_EQ("other", other.get_name());
  EXPECT_EQ(20u, other.get_size());
  EXPECT_EQ(thirty, other.value);

  v = std::string("Grüße");
  EXPECT_EQ("Grüße", Tools::format("%s", v));
  EXPECT_STREQ("Grüße", static_cast<const char *>(v));
}

TEST(DBTypeDateTime, GivesBackItsTextAndWritesEmptyAsZeroDate)
{
  DBBindType record("T");
  DBTypeDateTime v(&record, "hist_an_zeit");
  v.from_string("2026-12-06 17:01:02");
  EXPECT_EQ("2026-12-06 17:01:02", v.to_string());
  // Strict mode refuses '' in a DATETIME column.
  v.from_string("");
  EXPECT_EQ("0000-00-00 00:00:00", v.to_string());
  EXPECT_EQ("", v.format("%s"));
}

TEST(DBTypeJaNein, UnsetThrowsAndOnlyExactTextsSet)
{
  DBBindType record("T");
  DBTypeJaNein v(&record, "gueltig");
  try {
    v.to_string();
    FAIL() << "an unset yes/no value must not be written";
  } catch (const JANEIN_RANGE::Error &e) {
    EXPECT_STREQ("EnumRange: Uninitialized value!", e.what());
  }
  EXPECT_EQ("-5000", v.format("%d"));
  v.from_string("JA");
  EXPECT_EQ("JA", v.to_string());
  v.from_string("ja");
  EXPECT_EQ("JA", v.to_string());
  v.from_string("NEIN");
  EXPECT_EQ("NEIN", v.format("%s"));
  EXPECT_EQ("0", v.format("%d"));
  EXPECT_EQ("JA", v.value_name(1));
  EXPECT_EQ("", v.value_name(2));

  // A copy of an unset column stays unset instead of throwing.
  DBTypeJaNein fresh(&record, "other");
  DBTypeJaNein copy(fresh);
  EXPECT_FALSE(copy.value.is_set());
}

TEST(JaNeinText, StreamsAndConversions)
{
  JANEIN_RANGE unset;
  std::ostringstream out;
  out << unset;
  EXPECT_EQ("NEIN", out.str());

  JANEIN_RANGE ja(JANEIN::JA);
  EXPECT_EQ("JA", Tools::to_text(ja));

  JANEIN_RANGE v(JANEIN::NEIN);
  std::istringstream in("  JA rest");
  in >> v;
  EXPECT_EQ(JANEIN::JA, v.get_value());
  std::istringstream bad("yes");
  bad >> v;
  EXPECT_FALSE(bad.fail());
  EXPECT_EQ(JANEIN::JA, v.get_value());

  EXPECT_EQ(JANEIN::NEIN, Tools::from_text<JANEIN_RANGE>(" NEIN", ja).get_value());
  EXPECT_EQ(JANEIN::JA, Tools::from_text<JANEIN_RANGE>("vielleicht", ja).get_value());
  EXPECT_EQ("1", Tools::format("%d", JANEIN::JA));
}

TEST(DBTypeNumbers, ServerTextsAndOtherTextsGiveTheStreamValues)
{
  DBTypeInt i;
  for (const char *text : {"0", "-12", "123456789", "2147483647", "-2147483648", "99999999999", " 7", "+5", "-", "1.9",
                           "0x10", "12abc", ""}) {
    i.from_string(text);
    EXPECT_EQ(Tools::from_text<int>(text, 0), i.value) << text;
  }
  i = -7;
  EXPECT_EQ("-7", i.to_string());
  DBBindType record("T");
  DBTypeDouble d(&record, "d");
  for (const char *text : {"12345.67", "-0.5", "3", "0.1", "1e3", ".5", "5.", "-", "abc", "1234567890123.25"}) {
    d.from_string(text);
    EXPECT_EQ(Tools::from_text<double>(text, 0.0), d.value) << text;
  }
}
