// Column values and the records that bind them by column name; the query
// layer: table tokens, paging and records through the server.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "schema/tables.h"
#include "tests/support/db_fixture.h"
#include "tests/support/recording_db.h"
#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/dbi/query.h"

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

// Every column of every table record, set apart from its fresh value,
// comes along when a record is copied or assigned, by its name: the
// records have no copies of their own beside the base's.
template <class T> void expect_copied_whole()
{
  T original;
  int i = 0;
  for (DBType *column : original.get_types()) {
    ++i;
    if (dynamic_cast<DBTypeInt *>(column))
      column->from_string(std::to_string(1000 + i));
    else if (dynamic_cast<DBTypeDouble *>(column))
      column->from_string(format("%d.%02d", 1000000000 + i, i));
    else if (dynamic_cast<DBTypeDateTime *>(column))
      column->from_string(format("2024-03-%02d 10:20:30", i));
    else if (dynamic_cast<DBTypeVarChar *>(column))
      column->from_string(format("v%d", i));
    else
      column->from_string(column->to_string() == "JA" ? "NEIN" : "JA");
  }
  const std::vector<std::string> values = original.get_values();
  const T fresh;
  for (std::size_t c = 0; c < values.size(); ++c)
    EXPECT_NE(values[c], fresh.get_values()[c]) << original.get_name() << "." << original.get_names()[c];
  T assigned;
  assigned = original;
  EXPECT_EQ(T(original).get_values(), values) << original.get_name();
  EXPECT_EQ(assigned.get_values(), values) << original.get_name();
}

template <class... T> void expect_all_copied_whole() { (expect_copied_whole<T>(), ...); }

TEST(Records, EveryTableCopiesAndAssignsEveryColumn)
{
  expect_all_copied_whole<GRP_UST, USER, ART, GRP_ART, LAYOUTK, LAYOUTP, BONLINE, PREIS, SONST_ART, LANG>();
}

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

TEST(StableOrder, TheUniqueKeysGoLastAfterTheStatementsOwnOrder)
{
  const std::vector<std::string> key{"T.idx"};
  const std::pair<std::string, std::string> cases[] = {
      {"select a from T order by T.idx", "select a from T  "},
      {"select a from T order by name desc, T.idx", "select a from T order by name desc"},
      {"select a from T where b = 'x' ORDER BY idx", "select a from T where b = 'x' ORDER BY idx"},
      // Words in literals, identifiers and subqueries are no clauses.
      {"select `limit` from T where n = 'order by' and c in (select c from U order by c limit 1) order by T.idx",
       "select `limit` from T where n = 'order by' and c in (select c from U order by c limit 1)"},
      // A grouped statement gives one row per group.
      {"select count(T.name) from T group by T.name order by T.name",
       "select count(T.name) from T group by T.name "},
      {"select a, b from T group by a, b having count(*) > 1 order by a, b",
       "select a, b from T group by a, b having count(*) > 1"},
      {"select a from T group by a order by count(*), a", "select a from T group by a order by count(*)"},
      // What may not be followed by an order.
      {"select a from T limit 5", "select a from T limit 5"},
      {"select a from T for update", "select a from T for update"},
      {"select a from T union select a from U", "select a from T union select a from U"},
      {"select a from T group by a with rollup", "select a from T group by a with rollup"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.first, stable_order(c.second, key)) << c.second;
  EXPECT_EQ("select count(*) from T", stable_order("select count(*) from T", {}));

  const std::pair<std::string, std::string> behind[] = {
      {"select a from T where T.idx > '7' order by T.idx", "select a from T order by T.idx"},
      {"select a from T where T.idx > '7' and (b = 'x' or c in (1, 2)) order by idx",
       "select a from T WHERE b = 'x' or c in (1, 2) order by idx"},
      {"", "select a from T"},
      {"", "select a from T group by a order by a"},
  };
  for (const auto &c : behind)
    EXPECT_EQ(c.first, after_key(c.second, "T.idx", "7")) << c.second;
  EXPECT_EQ("select a from T where T.idx > 'it\\'s' order by T.idx",
            after_key("select a from T order by T.idx", "T.idx", "it's"));
  EXPECT_EQ("select a from T, U order by T.idx, U.idx", stable_order("select a from T, U", {"T.idx", "U.idx"}));
}

class Query : public korvan_test::FreshDatabase
{
protected:
  // Rooms R0001 ... of widths 1 ..., committed unless told not to.
  void add_rooms(int n, bool commit = true)
  {
    ASSERT_TRUE(db->exec(format("insert into LAYOUTK(name, width, height, color) select concat('R', lpad(seq, 4, "
                                "'0')), seq, 0, 0 from seq_1_to_%d",
                                n))
                    .ok &&
                (!commit || db->commit()))
        << db->get_error();
  }
  // The names of the first n rooms read.
  static std::vector<std::string> names(const LAYOUTK *rooms, int n)
  {
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i)
      v.push_back(rooms[i].name.value);
    return v;
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
  Ref<Database> recorded = korvan_test::connect_recording(database, rec);
  LAYOUTK rooms[10];
  DBArrayBind arrays;
  arrays.bind_array(rooms);
  DBLimit limit(10);
  const std::string query = "select %LAYOUTK from LAYOUTK order by idx";
  std::vector<std::string> all, read;
  for (int i = 1; i <= 1005; ++i)
    all.push_back(format("R%04d", i));
  int n;
  while ((n = select_object_rows(*recorded, query, arrays, limit)) > 0)
    for (const std::string &name : names(rooms, n))
      read.push_back(name);
  EXPECT_EQ(0, n);
  EXPECT_EQ(all, read);
  EXPECT_EQ(1005u, limit.offset);
  // The first pages go as asked, then a few statements read ahead.
  const std::vector<std::string> &sent = rec->statements;
  ASSERT_GE(sent.size(), 8u);
  for (unsigned p = 0; p < 8; ++p)
    EXPECT_EQ(expand_table_fields(query, arrays) + format(" limit %d, 10", p * 10), sent[p]);
  EXPECT_LE(sent.size(), 13u);
  // Ordered by its key alone, it reads ahead from behind the last key.
  EXPECT_EQ(expand_table_fields("select %LAYOUTK from LAYOUTK where LAYOUTK.idx > '80' order by idx limit 80", arrays),
            sent[8]);

  // So a row that another station deletes before the place a read has
  // reached neither makes it skip one nor repeat one.
  Ref<Database> station = korvan_test::open_database(database);
  DBLimit moving(10);
  read.clear();
  while ((n = select_object_rows(*recorded, query, arrays, moving)) > 0) {
    for (const std::string &name : names(rooms, n))
      read.push_back(name);
    ASSERT_TRUE(moving.offset != 90 ||
                (station->exec("delete from LAYOUTK where name = 'R0005'").ok && station->commit()));
  }
  EXPECT_EQ(all, read);
  ASSERT_TRUE(db->exec("insert into LAYOUTK(idx, name, width, height, color) values (5, 'R0005', 5, 0, 0)").ok &&
              db->commit());

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

TEST_F(Query, APageAfterTheHandleChangedTheDatabaseOrAfterTheEndShowsTheDatabaseNow)
{
  add_rooms(300);
  LAYOUTK rooms[10];
  DBArrayBind arrays;
  arrays.bind_array(rooms);
  const std::string query = "select %LAYOUTK from LAYOUTK";
  // Nine pages: the ninth comes from rows read ahead.
  auto nine_pages = [&](DBLimit &limit) {
    for (int p = 0; p < 9; ++p)
      ASSERT_EQ(10, select_object_rows(*db, query, arrays, limit)) << p;
  };
  const std::vector<std::string> page10 = {"R0091", "R0092", "R0093", "R0094", "R0095",
                                           "R0096", "R0097", "R0098", "R0099", "R0100"};

  // The handle's own update, not yet committed.
  DBLimit own(10);
  nine_pages(own);
  ASSERT_TRUE(db->exec("update LAYOUTK set name = 'changed' where name = 'R0095'").ok);
  ASSERT_EQ(10, select_object_rows(*db, query, arrays, own));
  std::vector<std::string> expected = page10;
  expected[4] = "changed";
  EXPECT_EQ(expected, names(rooms, 10));
  ASSERT_TRUE(db->rollback());

  // Another station's delete, seen once the handle ends its transaction,
  // as every action of the program does.
  Ref<Database> station = korvan_test::open_database(database);
  DBLimit other(10);
  nine_pages(other);
  ASSERT_TRUE(station->exec("delete from LAYOUTK where name = 'R0095'").ok);
  ASSERT_TRUE(station->commit());
  ASSERT_TRUE(db->commit());
  ASSERT_EQ(10, select_object_rows(*db, query, arrays, other));
  expected = page10;
  expected.erase(expected.begin() + 4);
  expected.push_back("R0101");
  EXPECT_EQ(expected, names(rooms, 10));

  // ... and without that on a page asked for a moment later, as a list
  // that pages on a person's next action asks for it.
  DBLimit later(10);
  nine_pages(later);
  ASSERT_TRUE(station->exec("delete from LAYOUTK where name = 'R0096'").ok && station->commit());
  std::this_thread::sleep_for(std::chrono::milliseconds(DBLimit::MAX_IDLE_MS + 200));
  ASSERT_EQ(10, select_object_rows(*db, query, arrays, later));
  expected.erase(expected.begin() + 4);
  expected.push_back("R0102");
  EXPECT_EQ(expected, names(rooms, 10));

  // Rows the handle wrote and rolled back are gone from the next page.
  ASSERT_TRUE(db->exec("delete from LAYOUTK").ok);
  ASSERT_TRUE(db->commit());
  add_rooms(300, false);
  DBLimit rolled(10);
  nine_pages(rolled);
  ASSERT_TRUE(db->rollback());
  EXPECT_EQ(0, select_object_rows(*db, query, arrays, rolled));

  // A row added after the read reached its end.
  add_rooms(300);
  DBLimit end(10);
  int n;
  while ((n = select_object_rows(*db, query, arrays, end)) > 0) {
  }
  ASSERT_EQ(0, n);
  ASSERT_TRUE(station->exec("insert into LAYOUTK(name, width, height, color) values ('late', 1, 1, 1)").ok);
  ASSERT_TRUE(station->commit());
  ASSERT_EQ(1, select_object_rows(*db, query, arrays, end));
  EXPECT_EQ("late", rooms[0].name.value);
  EXPECT_EQ(0, select_object_rows(*db, query, arrays, end));
}

// Over an order with ties every row comes once, in the statement's own
// order; a very long read holds a few thousand rows at a time, every page
// in its place.
TEST_F(Query, PagesOverAnOrderWithTiesAndAVeryLongReadGiveEveryRowOnce)
{
  ASSERT_TRUE(db->exec("insert into LAYOUTK(name, width, height, color) select concat('R', seq), seq % 3, 0, 0 "
                       "from seq_1_to_100000")
                  .ok &&
              db->commit())
      << db->get_error();
  LAYOUTK rooms[100];
  DBArrayBind arrays;
  arrays.bind_array(rooms);
  DBLimit limit(100);
  std::set<int> seen;
  int n, width = 0;
  bool ordered = true;
  while ((n = select_object_rows(*db, "select %LAYOUTK from LAYOUTK order by width", arrays, limit)) > 0)
    for (int i = 0; i < n; ++i) {
      seen.insert(rooms[i].idx.value);
      ordered = ordered && rooms[i].width.value >= width;
      width = rooms[i].width.value;
    }
  ASSERT_EQ(0, n) << db->get_error();
  EXPECT_EQ(100000u, seen.size());
  EXPECT_TRUE(ordered);

  korvan_test::RecordingDB *rec = nullptr;
  Ref<Database> recorded = korvan_test::connect_recording(database, rec);
  DBTypeInt idx;
  DBTypeList fields;
  fields.add(&idx);
  DBLimit pages(100);
  long long sum = 0;
  while ((n = select_values(*recorded, "select idx from LAYOUTK order by idx", fields, pages)) > 0)
    sum += idx.value; // the first row of each page
  ASSERT_EQ(0, n);
  EXPECT_EQ(100000u, pages.offset);
  EXPECT_EQ(49951000LL, sum); // 1, 101, 201, ...
  unsigned largest = 0;
  for (const std::string &sql : rec->statements)
    largest = std::max(largest, static_cast<unsigned>(std::stoul(sql.substr(sql.rfind(", ") + 2))));
  EXPECT_LE(largest, DBLimit::MAX_AHEAD);
  EXPECT_GE(largest, DBLimit::MAX_AHEAD / 2);
  EXPECT_LE(rec->statements.size(), 40u); // of a thousand pages
}

// Room, table and line in one row, each from its own columns: the price
// with every digit, a text of 256 characters in 384 bytes.
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
  line.layoutk_idx = room.idx.value;
  line.layoutp_idx = table.idx.value;
  line.artnr = std::string("100%BONLINE");
  for (int i = 0; i < 256; ++i)
    line.storno_user.value += i < 128 ? "ü" : "x";
  line.preis = 12345.67;
  ASSERT_TRUE(insert_object(*db, line)) << db->get_error();
  line.idx = db->get_insert_id();
  line.bar_bezahlt = 37037.01;
  line.bezahlt = JANEIN::JA;
  const std::string where = format("where idx = '%s'", line.idx.value);
  long found = -1;
  ASSERT_TRUE(update_object(*db, line, where, &found)) << db->get_error();
  EXPECT_EQ(1, found);
  // Written again as it is, the row changes nothing (the server counts
  // changed rows) and is found all the same; a row not stored is found
  // by neither.
  EXPECT_EQ(0, db->update("BONLINE", DBRow(line.get_names(), line.get_values()), where).affected);
  found = -1;
  ASSERT_TRUE(update_object(*db, line, where, &found)) << db->get_error();
  EXPECT_EQ(1, found);
  found = -1;
  ASSERT_TRUE(update_object(*db, line, format("where idx = '%s'", 1 + line.idx.value), &found));
  EXPECT_EQ(0, found);
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
  EXPECT_EQ(line.get_values(), back.get_values());
}

} // namespace
