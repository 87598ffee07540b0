// The ODBC driver and the connection handle against the private server.
#include <gtest/gtest.h>

#include "schema/tables.h"
#include "tools/core/debug.h"
#include "tests/support/db_support.h"
#include "tools/dbi/odbcdb.h"
#include "tools/dbi/query.h"

using namespace Tools;

namespace {

class OdbcTest : public ::testing::Test
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

  std::string scalar(Database &on, const std::string &sql)
  {
    DBErg<DBRowList> r = on.exec(sql);
    EXPECT_TRUE(r.ok) << on.get_error();
    if (r.rows.rows.empty() || r.rows.rows[0].empty())
      return "<no row>";
    return r.rows.rows[0][0];
  }
};

} // namespace

TEST(OdbcConnect, GoodAndWrongPassword)
{
  korvan_test::DbSettings s = korvan_test::settings();
  Database good(s.dsn, s.user, s.password, s.name, Database::ODBC);
  ASSERT_TRUE(good.is_connected()) << good.get_error();
  EXPECT_EQ("", good.get_error());
  EXPECT_EQ("SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED;", good.get_last_query());

  Database wrong(s.dsn, s.user, s.password + "x", s.name, Database::ODBC);
  EXPECT_FALSE(wrong.is_connected());
  EXPECT_TRUE(!wrong);
  // the server's reason follows on a line of its own, without the password
  EXPECT_EQ(0u, wrong.get_error().find("connection failed\nAccess denied"));
  EXPECT_EQ(std::string::npos, wrong.get_error().find(s.password + "x"));

  Database unknown("no-such-dsn", s.user, s.password, s.name, Database::ODBC);
  EXPECT_FALSE(unknown.is_connected());
}

TEST_F(OdbcTest, TheDatabaseSettingChoosesTheDatabase)
{
  korvan_test::DbSettings s = korvan_test::settings();
  const std::string &other = name; // made by the fixture, not the data source's

  Database chosen(s.dsn, s.user, s.password, other, Database::ODBC);
  ASSERT_TRUE(chosen.is_connected()) << chosen.get_error();
  EXPECT_EQ(other, scalar(chosen, "select database()"));

  // an empty name keeps the data source's own database
  Database dsn_default(s.dsn, s.user, s.password, "", Database::ODBC);
  ASSERT_TRUE(dsn_default.is_connected());
  EXPECT_EQ(s.name, scalar(dsn_default, "select database()"));

  // a database that is not there is a connection that failed, not one to
  // some other database
  Database missing(s.dsn, s.user, s.password, "no_such_db`x", Database::ODBC);
  EXPECT_FALSE(missing.is_connected());
  EXPECT_NE(std::string::npos, missing.get_error().find("Unknown database"));
}

TEST_F(OdbcTest, SessionRunsWithoutAutocommitInReadCommitted)
{
  EXPECT_EQ("0", scalar(*db, "select @@autocommit"));
  EXPECT_EQ("READ-COMMITTED", scalar(*db, "select @@tx_isolation"));
}

// Every start pays for the set-up: of ours only the isolation level goes
// to the server, and a USE only for a database the session is not in.
TEST_F(OdbcTest, SetUpSendsOneStatementOfOursAndUseOnlyWhenNeeded)
{
  korvan_test::DbSettings s = korvan_test::settings();
  const std::string count = "show session status like 'Questions'";
  auto questions = [](DBErg<DBRowList> r) { return r.rows.rows.empty() ? -1L : std::stol(r.rows.rows[0].at(1)); };
  ODBCDB bare;
  ASSERT_TRUE(bare.connect(s.dsn.c_str(), s.user.c_str(), s.password.c_str())) << bare.get_error();
  const long driver_only = questions(bare.exec(count));
  struct
  {
    std::string database;
    long ours;
  } cases[] = {{"", 1}, {s.name, 1}, {name, 2}};
  for (const auto &c : cases) {
    Database handle(s.dsn, s.user, s.password, c.database, Database::ODBC);
    EXPECT_EQ(driver_only + c.ours, questions(handle.exec(count))) << "database '" << c.database << "'";
  }
}

TEST_F(OdbcTest, RollbackAndCommitAsSeenFromASecondConnection)
{
  Ref<Database> other = korvan_test::open_database(name);
  ASSERT_TRUE(other->is_connected());
  const std::string count = "select count(*) from LAYOUTK";
  EXPECT_EQ("0", scalar(*other, count)); // the other session's transaction starts here

  LAYOUTK room;
  room.name = std::string("Saal");
  ASSERT_TRUE(insert_object(*db, room)) << db->get_error();
  EXPECT_EQ("1", scalar(*db, count));
  EXPECT_EQ("0", scalar(*other, count));
  EXPECT_TRUE(db->rollback());
  EXPECT_EQ("0", scalar(*db, count));

  ASSERT_TRUE(insert_object(*db, room));
  EXPECT_TRUE(db->commit());
  // Seen without the other session ending its own transaction.
  EXPECT_EQ("1", scalar(*other, count));
}

TEST_F(OdbcTest, SyntaxErrorGivesTextAndTrace)
{
  const std::string sql = "selec 100% from LAYOUTK where name = '%s %d'";
  ::testing::internal::CaptureStdout();
  DBErg<DBRowList> r = db->exec(sql);
  std::string printed = ::testing::internal::GetCapturedStdout();
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.rows.names.empty());
  // The statement, then the server's reason, so that an error box can say
  // what went wrong.
  const std::string head = "sql error\nquery: " + sql + "\n";
  EXPECT_EQ(head, db->get_error().substr(0, head.size()));
  EXPECT_NE(std::string::npos, db->get_error().find("You have an error in your SQL syntax"));
  EXPECT_EQ(std::string::npos, db->get_error().find("[ma-"));
  EXPECT_EQ(sql, db->get_last_query());
  EXPECT_EQ("here\n" + sql + "\n", printed);

  // The failure's text outlives a later success.
  const std::string failure = db->get_error();
  EXPECT_TRUE(db->exec("select 1").ok);
  EXPECT_EQ(failure, db->get_error());
}

TEST_F(OdbcTest, ResultsWithoutRowsAndWithoutColumns)
{
  DBErg<DBRowList> none = db->select("select idx, name from LAYOUTK where idx = 99", false);
  ASSERT_TRUE(none.ok);
  EXPECT_EQ((std::vector<std::string>{"idx", "name"}), none.rows.names);
  EXPECT_TRUE(none.rows.rows.empty());

  DBErg<DBRowList> update = db->exec("update LAYOUTK set width = 1 where idx = 99");
  EXPECT_TRUE(update.ok);
  EXPECT_TRUE(update.rows.names.empty());
  EXPECT_TRUE(db->commit());
}

TEST_F(OdbcTest, TableQualifiedNamesAndComputedColumns)
{
  ASSERT_TRUE(db->exec("insert into LAYOUTK(name, width, height, color) values ('A', 1, 2, 3)").ok);
  DBErg<DBRowList> r = db->select("select idx, name, count(*) from LAYOUTK group by idx, name", true);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ((std::vector<std::string>{"LAYOUTK.idx", "LAYOUTK.name", "count(*)"}), r.rows.names);
  ASSERT_EQ(1u, r.rows.rows.size());
  EXPECT_EQ("A", r.rows.rows[0][1]);
  EXPECT_EQ("1", r.rows.rows[0][2]);
  DBErg<DBRowList> plain = db->exec("select idx from LAYOUTK");
  EXPECT_EQ((std::vector<std::string>{"idx"}), plain.rows.names);

  // With a sink installed, each column's table is traced.
  struct Lines : Debug
  {
    std::vector<std::string> messages;
    void output(const char *, unsigned, const char *, const std::string &message) override
    {
      messages.push_back(message);
    }
  } lines;
  debug_sink = &lines;
  DBErg<DBRowList> traced = db->select("select name, count(*) from LAYOUTK group by name", true);
  debug_sink = nullptr;
  ASSERT_TRUE(traced.ok);
  EXPECT_EQ((std::vector<std::string>{"Buffer: LAYOUTK length: 7", "Buffer:  length: 0"}), lines.messages);
}

TEST_F(OdbcTest, StatementRunsOnce)
{
  ASSERT_TRUE(db->exec("set @n := 0").ok);
  EXPECT_EQ("1", scalar(*db, "select @n := @n + 1"));
  EXPECT_EQ("1", scalar(*db, "select @n"));
  ASSERT_TRUE(db->exec("insert into LAYOUTK(name, width, height, color) select 'X', 0, 0, 0").ok);
  EXPECT_EQ("1", scalar(*db, "select count(*) from LAYOUTK"));
}

TEST_F(OdbcTest, CellsComeBackWholeAndNullIsEmpty)
{
  std::string v256;
  for (int i = 0; i < 256; ++i)
    v256 += static_cast<char>('a' + i % 26);
  EXPECT_EQ(v256, scalar(*db, "select '" + v256 + "'"));
  EXPECT_EQ(std::string(10000, 'x'), scalar(*db, "select repeat('x', 10000)"));
  std::string umlauts;
  for (int i = 0; i < 3000; ++i)
    umlauts += "ä";
  EXPECT_EQ(umlauts, scalar(*db, "select repeat('ä', 3000)"));
  EXPECT_EQ(std::string(70000, 'y'), scalar(*db, "select cast(repeat('y', 70000) as char)"));

  DBErg<DBRowList> r =
      db->exec("select o, x from (select 1 o, 'abc' x union all select 2, NULL union all select 3, '') t order by o");
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(3u, r.rows.rows.size());
  EXPECT_EQ("abc", r.rows.rows[0][1]);
  EXPECT_EQ("", r.rows.rows[1][1]);
  EXPECT_EQ("", r.rows.rows[2][1]);
}

TEST_F(OdbcTest, DateTimesReadAsTheServerWritesThem)
{
  ASSERT_TRUE(db->exec("create table STAMPS (o int not null, d datetime not null, n datetime null, f datetime(3) "
                       "null, day date null, t time null)")
                  .ok);
  ASSERT_TRUE(db->exec("insert into STAMPS values "
                       "(1, '0000-00-00 00:00:00', '0000-00-00 00:00:00', '2020-01-02 03:04:05.678', "
                       "'0000-00-00', '-01:00:00'),"
                       "(2, '2008-01-00 00:00:00', null, null, '2020-01-02', '12:00:00'),"
                       "(3, '0000-00-00 10:00:00', '9999-12-31 23:59:59', null, null, null),"
                       "(4, '0001-01-01 00:00:01', '2008-00-00 00:00:00', null, null, null)")
                  .ok)
      << db->get_error();
  // Every column beside the server's own text of it. b.d cannot be NULL in
  // its table but can in the outer join.
  DBErg<DBRowList> r = db->exec(
      "select a.d, cast(a.d as char), a.n, cast(a.n as char), a.f, cast(a.f as char), a.day, cast(a.day as char), "
      "a.t, cast(a.t as char), b.d, cast(b.d as char) from STAMPS a left join STAMPS b on b.o = a.o + 3 order by a.o");
  ASSERT_TRUE(r.ok) << db->get_error();
  ASSERT_EQ(4u, r.rows.rows.size());
  for (std::size_t row = 0; row < 4; ++row)
    for (std::size_t c = 0; c < 12; c += 2)
      EXPECT_EQ(r.rows.rows[row][c + 1], r.rows.rows[row][c]) << "row " << row << ", " << r.rows.names[c];
  EXPECT_EQ("0000-00-00 00:00:00", r.rows.rows[0][0]);
  EXPECT_EQ("0000-00-00 00:00:00", r.rows.rows[0][2]);
  EXPECT_EQ("0001-01-01 00:00:01", r.rows.rows[0][10]);
  EXPECT_EQ("", r.rows.rows[1][2]);
  EXPECT_EQ("", r.rows.rows[1][10]);
}

TEST_F(OdbcTest, StrictServerRefusesTooLongText)
{
  LAYOUTK room;
  room.name = std::string(21, 'n');
  EXPECT_FALSE(insert_object(*db, room));
  EXPECT_NE(std::string::npos, db->get_error().find("sql error"));
  room.name = std::string(20, 'n');
  EXPECT_TRUE(insert_object(*db, room)) << db->get_error();
  int id = db->get_insert_id();
  EXPECT_GT(id, 0);
  EXPECT_EQ(std::to_string(id), scalar(*db, "select idx from LAYOUTK"));
}

TEST_F(OdbcTest, EveryByteOfATextRoundTrips)
{
  LANG row;
  row.system = std::string("GUI");
  row.type = std::string("Label");
  row.orig = std::string("a\0b'\\\"%LANG\n\tä", 15);
  row.trans = std::string("'); drop table LANG; -- ");
  ASSERT_TRUE(insert_object(*db, row)) << db->get_error();
  row.idx = db->get_insert_id();
  LANG back;
  DBBindList list;
  list.add(&back);
  ASSERT_EQ(1, select_objects(*db, format("select %%LANG from LANG where idx = '%s'", row.idx.value), list));
  EXPECT_EQ(row.orig.value, back.orig.value);
  EXPECT_EQ(row.trans.value, back.trans.value);
  EXPECT_EQ("1", scalar(*db, "select count(*) from LANG"));
}
