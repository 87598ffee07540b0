// The query layer: table tokens, paging and records through the server.
#include <gtest/gtest.h>

#include "schema/tables.h"
#include "tests/support/db_fixture.h"
#include "tests/support/recording_db.h"
#include "tools/core/format.h"
#include "tools/dbi/query.h"

using namespace Tools;

namespace {

TEST(TableToken, ExpandsOnlyBoundTablesOutsideLiterals)
{
  LAYOUTK room;
  DBBindList list;
  list.add(&room);
  const std::string columns = " LAYOUTK.idx,LAYOUTK.name,LAYOUTK.width,LAYOUTK.height,LAYOUTK.color";
  const std::string literals = "where name = '100%LAYOUTK' or name = \"%LAYOUTK\" or `%LAYOUTK` = 'it\\'s %LAYOUTK'";
  const std::pair<std::string, std::string> cases[] = {
      {"select" + columns + " from LAYOUTK", "select%LAYOUTK from LAYOUTK"},
      {"select %ART from ART", "select %ART from ART"},
      {literals, literals},
      {"a " + columns + " 'x''%LAYOUTK' " + columns, "a %LAYOUTK 'x''%LAYOUTK' %LAYOUTK"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.first, expand_table_fields(c.second, list));

  // Arrays bind each its table; arrays of another length are refused.
  LAYOUTK rooms[3];
  LAYOUTP places[3];
  USER users[2];
  DBArrayBind arrays;
  arrays.bind_array(rooms).bind_array(places);
  EXPECT_EQ(0u, expand_table_fields("select %LAYOUTK,%LAYOUTP", arrays).find("select " + columns + ", LAYOUTP.idx,"));
  EXPECT_THROW(arrays.bind_array(users), BaseException);
}

class Query : public korvan_test::FreshDatabase
{
protected:
  void add_rooms(int n)
  {
    std::string values;
    for (int i = 1; i <= n; ++i)
      values += format("%s('R%04d', %d, 0, 0)", i > 1 ? "," : "", i, i);
    ASSERT_TRUE(db->exec("insert into LAYOUTK(name, width, height, color) values " + values).ok) << db->get_error();
    ASSERT_TRUE(db->commit());
  }
};

TEST_F(Query, ReadsGiveTheRowsLoadedOrMinusOne)
{
  add_rooms(3);
  LAYOUTK room, untouched;
  DBBindList list, other;
  list.add(&room);
  DBLimit limit(10);
  EXPECT_EQ(1, select_objects(*db, "select %LAYOUTK from LAYOUTK order by idx", list, limit));
  EXPECT_EQ("R0001", room.name.value); // one record takes the first row ...
  EXPECT_EQ(3u, limit.offset);         // ... and the page moves on by all
  EXPECT_EQ(-1, select_objects(*db, "select %LAYOUTK from NOWHERE", list, limit));
  EXPECT_EQ(3u, limit.offset);
  untouched.name = std::string("keep");
  other.add(&untouched);
  EXPECT_EQ(0, select_objects(*db, "select %LAYOUTK from LAYOUTK where idx = '999'", other));
  EXPECT_EQ("keep", untouched.name.value);

  // One field, many cells: the rest is dropped.
  DBTypeInt first;
  DBTypeList fields;
  fields.add(&first);
  EXPECT_EQ(3, select_values(*db, "select width, idx from LAYOUTK order by idx", fields));
  EXPECT_EQ(1, first.value);

  std::vector<Ref<LAYOUTK> > rooms(1, Ref<LAYOUTK>(new LAYOUTK()));
  EXPECT_EQ(4, select_rows(*db, "LAYOUTK", rooms, "order by idx"));
  EXPECT_EQ("R0003", rooms[3]->name.value);
  EXPECT_EQ(-1, select_rows(*db, "NOWHERE", rooms, ""));
}

TEST_F(Query, ALongReadInPagesGivesEveryRowOnceInFewStatements)
{
  add_rooms(1005);
  korvan_test::RecordingDB *rec = nullptr;
  Ref<Database> recorded = korvan_test::connect_recording(name, rec);
  LAYOUTK rooms[10];
  DBArrayBind arrays;
  arrays.bind_array(rooms);
  DBLimit limit(10);
  const std::string query = "select %LAYOUTK from LAYOUTK order by idx";
  std::vector<std::string> names;
  int n;
  while ((n = select_object_rows(*recorded, query, arrays, limit)) > 0)
    for (int i = 0; i < n; ++i)
      names.push_back(rooms[i].name.value);
  EXPECT_EQ(0, n);
  ASSERT_EQ(1005u, names.size());
  for (int i = 0; i < 1005; ++i)
    ASSERT_EQ(format("R%04d", i + 1), names[static_cast<std::size_t>(i)]);
  EXPECT_EQ(1005u, limit.offset);
  // The first pages go as asked, then a few statements read ahead.
  const std::vector<std::string> &sent = rec->statements;
  ASSERT_GE(sent.size(), 8u);
  for (unsigned p = 0; p < 8; ++p)
    EXPECT_EQ(expand_table_fields(query, arrays) + format(" limit %d, 10", p * 10), sent[p]);
  EXPECT_LE(sent.size(), 13u);

  // A page that does not continue the read starts a new one.
  rec->statements.clear();
  limit.offset = 500;
  EXPECT_EQ(10, select_object_rows(*recorded, query, arrays, limit));
  EXPECT_EQ("R0501", rooms[0].name.value);
  ASSERT_EQ(1u, sent.size());
  EXPECT_NE(std::string::npos, sent[0].find(" limit 500, 10"));
  EXPECT_EQ(10, select_object_rows(*recorded, query, arrays)); // without a limit: what fits

  // A read ahead that fails is a failed page; the read goes on from there.
  DBLimit again(10);
  rec->after = [](korvan_test::RecordingDB &r, const std::string &sql) {
    if (sql.find(" limit 70, 10") != std::string::npos)
      r.quiet("rename table LAYOUTK to LAYOUTK_GONE");
  };
  while (again.offset < 80)
    ASSERT_EQ(10, select_object_rows(*recorded, query, arrays, again));
  EXPECT_EQ(-1, select_object_rows(*recorded, query, arrays, again));
  EXPECT_EQ(80u, again.offset);
  rec->after = nullptr;
  ASSERT_TRUE(rec->quiet("rename table LAYOUTK_GONE to LAYOUTK").ok);
  EXPECT_EQ(10, select_object_rows(*recorded, query, arrays, again));
  EXPECT_EQ("R0081", rooms[0].name.value);
}

TEST_F(Query, AnOrderLineWithItsRoomAndTableRoundTrips)
{
  ASSERT_TRUE(db->exec("set foreign_key_checks = 0").ok); // no user row needed
  LAYOUTK room;
  room.name = std::string("Saal \\ 1");
  ASSERT_TRUE(insert_object(*db, room)) << db->get_error();
  room.idx = db->get_insert_id();
  LAYOUTP table;
  table.layout_idx = room.idx.value;
  table.label_name = std::string("Tisch 'A'");
  ASSERT_TRUE(insert_object(*db, table)) << db->get_error();
  table.idx = db->get_insert_id();

  BONLINE line;
  line.user = std::string("Jörg's");
  line.layoutk_idx = room.idx.value;
  line.layoutk_name = room.name;
  line.layoutp_idx = table.idx.value;
  line.layoutp_label_name = table.label_name;
  line.artnr = std::string("100%BONLINE");
  line.bill_number = std::string("a\\'b\nc%d");
  for (int i = 0; i < 256; ++i)
    line.storno_user.value += i < 128 ? "ü" : "x"; // the column's 256 characters in 384 bytes
  line.sonst_art_name = std::string("Straße\\");
  line.preis = 12345.67;
  ASSERT_TRUE(insert_object(*db, line)) << db->get_error();
  line.idx = db->get_insert_id();
  line.bar_bezahlt = 37037.01;
  line.bezahlt = JANEIN::JA;
  ASSERT_TRUE(update_object(*db, line, format("where idx = '%s'", line.idx.value))) << db->get_error();

  // Room, table and line in one row, each from its own columns.
  LAYOUTK r;
  LAYOUTP p;
  BONLINE back;
  DBBindList all;
  all.add(&r).add(&p).add(&back);
  ASSERT_EQ(1, select_objects(*db,
                              "select %LAYOUTK,%LAYOUTP,%BONLINE from LAYOUTK, LAYOUTP, BONLINE where "
                              "LAYOUTP.layout_idx = LAYOUTK.idx and BONLINE.layoutp_idx = LAYOUTP.idx",
                              all));
  EXPECT_EQ(room.get_values(), r.get_values());
  EXPECT_EQ(table.get_values(), p.get_values());
  EXPECT_EQ(line.get_values(), back.get_values()); // the price with every digit
}

} // namespace
