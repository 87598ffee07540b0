// The query layer: table tokens, paging and records through the server.
#include <gtest/gtest.h>

#include "schema/tables.h"
#include "tests/support/db_support.h"
#include "tests/support/recording_db.h"
#include "tools/core/format.h"
#include "tools/dbi/query.h"

using namespace Tools;

TEST(TableToken, ExpandsOnlyBoundTablesOutsideLiterals)
{
  LAYOUTK room;
  DBBindList list;
  list.add(&room);
  const std::string columns = " LAYOUTK.idx,LAYOUTK.name,LAYOUTK.width,LAYOUTK.height,LAYOUTK.color";
  EXPECT_EQ("select" + columns, expand_table_fields("select%LAYOUTK", list));
  EXPECT_EQ("select " + columns + " from LAYOUTK", expand_table_fields("select %LAYOUTK from LAYOUTK", list));
  EXPECT_EQ("select %ART from ART", expand_table_fields("select %ART from ART", list));
  // Values and identifiers are not templates.
  EXPECT_EQ("select 1 from LAYOUTK where name = '100%LAYOUTK' or name = \"%LAYOUTK\" or `%LAYOUTK` = 'it\\'s "
            "%LAYOUTK'",
            expand_table_fields("select 1 from LAYOUTK where name = '100%LAYOUTK' or name = \"%LAYOUTK\" or "
                                "`%LAYOUTK` = 'it\\'s %LAYOUTK'",
                                list));
  EXPECT_EQ("a " + columns + " 'x''%LAYOUTK' " + columns,
            expand_table_fields("a %LAYOUTK 'x''%LAYOUTK' %LAYOUTK", list));

  DBBindList none;
  EXPECT_EQ("select %LAYOUTK", expand_table_fields("select %LAYOUTK", none));

  LAYOUTP place;
  LAYOUTK rooms[3];
  LAYOUTP places[3];
  DBArrayBind arrays;
  arrays.bind_array(rooms).bind_array(places);
  EXPECT_EQ(2u, arrays.size());
  EXPECT_EQ(&rooms[0], arrays[0]);
  EXPECT_EQ(nullptr, arrays[2]);
  std::string both = expand_table_fields("select %LAYOUTK,%LAYOUTP from LAYOUTK, LAYOUTP", arrays);
  EXPECT_EQ(0u, both.find("select " + columns + ", LAYOUTP.idx,LAYOUTP.layout_idx,"));
}

TEST(DBArrayBind, RefusesArraysOfDifferentLengths)
{
  ART arts[100];
  USER users[50];
  DBArrayBind arrays;
  arrays.bind_array(arts);
  try {
    arrays.bind_array(users);
    FAIL();
  } catch (const BaseException &e) {
    EXPECT_STREQ("Different array_sizes are not allowed!", e.what());
  }
}

namespace {

class QueryTest : public ::testing::Test
{
protected:
  std::string name;
  Ref<Database> db;

  void SetUp() override
  {
    name = korvan_test::test_database_name("korvan_t_dbi");
    ASSERT_TRUE(korvan_test::fresh_database(name));
    db = korvan_test::open_database(name);
    ASSERT_TRUE(db->is_connected()) << db->get_error();
  }

  void add_rooms(int n)
  {
    for (int i = 1; i <= n; ++i) {
      LAYOUTK room;
      room.name = format("R%03d", i);
      room.width = i;
      ASSERT_TRUE(insert_object(*db, room)) << db->get_error();
    }
    ASSERT_TRUE(db->commit());
  }
};

} // namespace

TEST_F(QueryTest, SelectObjectsLoadsFirstRowAndCountsAll)
{
  add_rooms(3);
  LAYOUTK room;
  DBBindList list;
  list.add(&room);
  DBLimit limit(10);
  EXPECT_EQ(1, select_objects(*db, "select %LAYOUTK from LAYOUTK order by idx", list, limit));
  EXPECT_EQ(3u, limit.offset);
  EXPECT_EQ("R001", room.name.value);

  LAYOUTK untouched;
  untouched.name = std::string("keep");
  DBBindList one;
  one.add(&untouched);
  EXPECT_EQ(0, select_objects(*db, "select %LAYOUTK from LAYOUTK where idx = '999'", one));
  EXPECT_EQ("keep", untouched.name.value);

  EXPECT_EQ(-1, select_objects(*db, "select %LAYOUTK from NOWHERE", one));

  DBTypeInt count;
  DBTypeList fields;
  fields.add(&count);
  EXPECT_EQ(1, select_values(*db, "select count(*) from LAYOUTK", fields));
  EXPECT_EQ(3, static_cast<int>(count));

  // One field, many cells: the rest is dropped.
  DBTypeInt first;
  DBTypeList single;
  single.add(&first);
  EXPECT_EQ(3, select_values(*db, "select width, idx from LAYOUTK order by idx", single));
  EXPECT_EQ(1, first.value);
}

TEST_F(QueryTest, SelectRowsAppendsOwnedRecords)
{
  add_rooms(3);
  std::vector<Ref<LAYOUTK> > rooms;
  rooms.push_back(Ref<LAYOUTK>(new LAYOUTK()));
  rooms.push_back(Ref<LAYOUTK>(new LAYOUTK()));
  EXPECT_EQ(5, select_rows(*db, "LAYOUTK", rooms, "order by idx"));
  EXPECT_EQ("R001", rooms[2]->name.value);
  EXPECT_EQ("R003", rooms[4]->name.value);
  EXPECT_EQ(3, rooms[4]->width.value);
  EXPECT_EQ(-1, select_rows(*db, "NOWHERE", rooms, ""));
}

TEST_F(QueryTest, PagesThroughRowsAHundredAtATime)
{
  add_rooms(250);
  LAYOUTK rooms[100];
  DBArrayBind arrays;
  arrays.bind_array(rooms);
  DBLimit limit(100);
  const std::string query = "select %LAYOUTK from LAYOUTK order by idx";

  EXPECT_EQ(100, select_object_rows(*db, query, arrays, limit));
  EXPECT_EQ(100u, limit.offset);
  EXPECT_EQ("R001", rooms[0].name.value);
  EXPECT_EQ("R100", rooms[99].name.value);
  EXPECT_EQ("select  LAYOUTK.idx,LAYOUTK.name,LAYOUTK.width,LAYOUTK.height,LAYOUTK.color from LAYOUTK order by idx "
            "limit 0, 100",
            db->get_last_query());

  EXPECT_EQ(100, select_object_rows(*db, query, arrays, limit));
  EXPECT_EQ(200u, limit.offset);
  EXPECT_EQ("R101", rooms[0].name.value);
  EXPECT_EQ(0u, db->get_last_query().find("select  LAYOUTK.idx"));
  EXPECT_NE(std::string::npos, db->get_last_query().find(" limit 100, 100"));

  EXPECT_EQ(50, select_object_rows(*db, query, arrays, limit));
  EXPECT_EQ(250u, limit.offset);
  EXPECT_EQ("R201", rooms[0].name.value);
  EXPECT_EQ("R250", rooms[49].name.value);
  EXPECT_EQ("R151", rooms[50].name.value); // from the page before
  EXPECT_EQ(100u, arrays.get_rows().size());

  EXPECT_EQ(0, select_object_rows(*db, query, arrays, limit));
  EXPECT_EQ(250u, limit.offset);

  // Without a limit the arrays take what fits.
  EXPECT_EQ(100, select_object_rows(*db, query, arrays));
}

TEST_F(QueryTest, ALongReadInPagesGivesEveryRowOnceInFewStatements)
{
  std::string values;
  for (int i = 1; i <= 1000; ++i)
    values += format("%s('R%04d', %d, 0, 0)", i > 1 ? "," : "", i, i);
  ASSERT_TRUE(db->exec("insert into LAYOUTK(name, width, height, color) values " + values).ok) << db->get_error();
  ASSERT_TRUE(db->commit());

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
  ASSERT_EQ(1000u, names.size());
  for (int i = 0; i < 1000; ++i)
    ASSERT_EQ(format("R%04d", i + 1), names[static_cast<std::size_t>(i)]);
  EXPECT_EQ(1000u, limit.offset);
  // The first pages go as asked; each page after them would make the
  // server step over every row before it again.
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

TEST_F(QueryTest, OrderLineRoundTrip)
{
  USER waiter;
  waiter.login = std::string("Jörg's");
  waiter.passwd = std::string("geheim");
  ASSERT_TRUE(insert_object(*db, waiter)) << db->get_error();
  waiter.idx = db->get_insert_id();
  LAYOUTK room;
  room.name = std::string("Saal \\ 1");
  ASSERT_TRUE(insert_object(*db, room)) << db->get_error();
  room.idx = db->get_insert_id();
  LAYOUTP table;
  table.layout_idx = room.idx.value;
  table.label_name = std::string("Tisch 'A'");
  ASSERT_TRUE(insert_object(*db, table)) << db->get_error();
  table.idx = db->get_insert_id();

  std::string long_text;
  for (int i = 0; i < 128; ++i)
    long_text += "ü";
  for (int i = 0; i < 128; ++i)
    long_text += static_cast<char>('a' + i % 26);

  BONLINE line;
  line.user = waiter.login;
  line.user_idx = waiter.idx.value;
  line.layoutk_idx = room.idx.value;
  line.layoutk_name = room.name;
  line.layoutp_idx = table.idx.value;
  line.layoutp_label_name = table.label_name;
  line.artnr = std::string("100%BONLINE");
  line.bill_number = std::string("a\\'b\nc%d");
  line.storno_user = long_text;
  line.sonst_art_name = std::string("Straße\\");
  line.preis = 12345.67;
  line.anzahl = 3;
  line.hist_an_user = std::string("%s'%%");
  line.hist_an_zeit = std::string("2026-12-06 17:45:00");
  ASSERT_TRUE(insert_object(*db, line)) << db->get_error();
  line.idx = db->get_insert_id();
  ASSERT_TRUE(db->commit());

  BONLINE back;
  DBBindList list;
  list.add(&back);
  ASSERT_EQ(1, select_objects(*db, format("select %%BONLINE from BONLINE where idx = '%s'", line.idx.value), list));
  for (DBType *column : line.get_types())
    EXPECT_EQ(column->to_string(), back.get_cell_by_name(column->get_name())->to_string()) << column->get_name();
  EXPECT_EQ(long_text, back.storno_user.value);
  EXPECT_DOUBLE_EQ(12345.67, back.preis.value);
  EXPECT_EQ("0000-00-00 00:00:00", back.gueltig_von.value);
  EXPECT_EQ(JANEIN::NEIN, back.bezahlt.value.get_value());
  EXPECT_EQ(JANEIN::JA, back.gueltig.value.get_value());

  back.bezahlt = JANEIN::JA;
  back.bar_bezahlt = 37037.01;
  back.bill_number = std::string("it's paid");
  ASSERT_TRUE(update_object(*db, back, format("where idx = '%s'", back.idx.value))) << db->get_error();
  ASSERT_TRUE(db->commit());
  BONLINE again;
  DBBindList list2;
  list2.add(&again);
  ASSERT_EQ(1, select_objects(*db, format("select %%BONLINE from BONLINE where idx = '%s'", line.idx.value), list2));
  EXPECT_EQ(JANEIN::JA, again.bezahlt.value.get_value());
  EXPECT_DOUBLE_EQ(37037.01, again.bar_bezahlt.value);
  EXPECT_EQ("it's paid", again.bill_number.value);
  EXPECT_EQ(long_text, again.storno_user.value);

  // The room and its table come back in one row, each from its own columns.
  LAYOUTK r;
  LAYOUTP p;
  DBBindList pair;
  pair.add(&r).add(&p);
  EXPECT_EQ(1, select_objects(*db, "select %LAYOUTK,%LAYOUTP from LAYOUTK, LAYOUTP where LAYOUTP.layout_idx = "
                                   "LAYOUTK.idx",
                              pair));
  EXPECT_EQ("Saal \\ 1", r.name.value);
  EXPECT_EQ("Tisch 'A'", p.label_name.value);
  EXPECT_EQ(r.idx.value, p.layout_idx.value);
}
