// Records bound by column name, and the result containers.
#include <gtest/gtest.h>

#include <vector>

#include "tools/core/debug.h"
#include "tools/dbi/dbbindtype.h"

using namespace Tools;

namespace {

struct Lines : Debug
{
  std::vector<std::string> messages;
  void output(const char *, unsigned, const char *, const std::string &message) override
  {
    messages.push_back(message);
  }
};

struct SinkGuard
{
  Lines lines;
  SinkGuard() { debug_sink = &lines; }
  ~SinkGuard() { debug_sink = nullptr; }
};

class Two : public DBBindType
{
public:
  DBTypeInt idx;
  DBTypeVarChar artnr;
  Two() : DBBindType("ART"), idx(this, "idx"), artnr(this, "artnr", 20) {}
};

} // namespace

TEST(DBBindType, LoadsPlainAndQualifiedNamesAndLogsMisses)
{
  SinkGuard guard;
  Two record;
  DBRow row({"ART.artnr", "idx"}, {"A1", "7"});
  EXPECT_TRUE(record.load_from_db(row));
  EXPECT_EQ("A1", record.artnr.value);
  EXPECT_EQ(7, record.idx.value);
  ASSERT_EQ(1u, guard.lines.messages.size());
  EXPECT_EQ("ART.artnr != idx && ART.artnr != ART.idx", guard.lines.messages[0]);

  guard.lines.messages.clear();
  DBRow foreign({"GRP_UST.name"}, {"x"});
  EXPECT_FALSE(record.load_from_db(foreign));
  EXPECT_EQ(2u, guard.lines.messages.size());
  EXPECT_EQ("A1", record.artnr.value);

  // A prefix of the table name is not the table.
  DBRow near({"AR.idx", "ARTX.idx"}, {"1", "2"});
  EXPECT_FALSE(record.load_from_db(near));
  EXPECT_EQ(7, record.idx.value);
}

TEST(DBBindType, LookupAssignmentAndValues)
{
  Two a, b;
  EXPECT_EQ(nullptr, a.get_cell_by_name("missing"));
  EXPECT_FALSE(a.set_cell_by_name("missing", "1"));
  EXPECT_TRUE(a.set_cell_by_name("artnr", "X-1"));
  a.idx = 3;
  b = a;
  EXPECT_EQ(3, b.idx.value);
  EXPECT_EQ("X-1", b.artnr.value);
  EXPECT_EQ((std::vector<std::string>{"3", "X-1"}), b.get_values());
}

TEST(DBBindType, ValuesOfUnsetYesNoThrow)
{
  DBBindType record("T");
  DBTypeJaNein flag(&record, "flag");
  EXPECT_THROW(record.get_values(), JANEIN_RANGE::Error);
}

TEST(DBContainers, ResultFlagAndListBounds)
{
  DBErg<DBRowList> failed;
  EXPECT_TRUE(!failed);
  DBErg<DBRowList> empty(std::vector<std::string>{"a"});
  EXPECT_FALSE(!empty);
  EXPECT_TRUE(empty.rows.rows.empty());

  Two one, two;
  DBBindList list;
  list.add(&one).add(&two);
  EXPECT_EQ(2, list.size());
  EXPECT_EQ(&two, list[1]);
  EXPECT_EQ(nullptr, list[2]);

  DBTypeInt field;
  DBTypeList fields;
  fields.add(&field).add(&one.idx);
  EXPECT_EQ(2u, fields.fields.size());
}

TEST(DBBindType, LoadsRowsInAnyColumnOrderAndTakesTheFirstOfTwins)
{
  Two record;
  DBRow reordered({"artnr", "ART.idx", "extra"}, {"B2", "9", "x"});
  EXPECT_TRUE(record.load_from_db(reordered));
  EXPECT_EQ("B2", record.artnr.value);
  EXPECT_EQ(9, record.idx.value);

  DBBindType twins("T");
  DBTypeInt first(&twins, "n");
  DBTypeInt second(&twins, "n");
  DBRow row({"x", "n"}, {"1", "5"});
  EXPECT_TRUE(twins.load_from_db(row));
  EXPECT_EQ(5, first.value);
  EXPECT_EQ(0, second.value);
  EXPECT_EQ(&first, twins.get_cell_by_name("n"));
}
