// The connection handle and the ODBC driver against the private server;
// the create script: its exact text, loading it into the server, and the
// upgrade as an administrator runs it through the server's client.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include <unistd.h>

#include "schema/create_sql.h"
#include "schema/tables.h"
#include "tests/support/db_fixture.h"
#include "tests/support/recording_db.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/query.h"

using namespace Tools;
using korvan_test::query_value;

namespace {

using Odbc = korvan_test::FreshDatabase;

TEST_F(Odbc, ConnectsToTheChosenDatabaseOrNotAtAll)
{
  korvan_test::DbSettings s = korvan_test::settings();
  Database chosen(s.dsn, s.user, s.password, database, Database::ODBC);
  EXPECT_EQ(database, query_value(chosen, "select database()"));
  // An empty name keeps the data source's own database.
  Database dsn_default(s.dsn, s.user, s.password, "", Database::ODBC);
  EXPECT_EQ(s.name, query_value(dsn_default, "select database()"));

  // The server's reason follows on a line of its own, without the password.
  Database wrong(s.dsn, s.user, s.password + "x", s.name, Database::ODBC);
  EXPECT_FALSE(wrong.is_connected());
  EXPECT_EQ(0u, wrong.get_error().find("connection failed\nAccess denied"));
  EXPECT_EQ(std::string::npos, wrong.get_error().find(s.password + "x"));
  // A database that is not there (of a name the user may have, or the
  // server refuses the name) fails instead of connecting to another.
  Database missing(s.dsn, s.user, s.password, s.name + "_no_such_db`x", Database::ODBC);
  EXPECT_FALSE(missing.is_connected());
  EXPECT_NE(std::string::npos, missing.get_error().find("Unknown database"));
}

// A user's name and password reach the server as they are, also with what
// separates or quotes the parts of a connection string, or blanks around
// them; no name of another data source or password within them is taken.
TEST_F(Odbc, AUserAndPasswordGoAsTheyAreWhateverTheyHold)
{
  const korvan_test::DbSettings s = korvan_test::settings();
  Ref<Database> owner = korvan_test::open_owner();
  ASSERT_TRUE(owner->is_connected());
  const std::string user = "korvan_odd;{" + std::to_string(getpid()) + "}";
  const std::string login = format("'%s'@'localhost'", sql_escape(user));
  for (const std::string password :
       {"a;b}c{d=e f\"g'h", "}x", "{y}}", " ", " vorn", "hinten\t", "x;DSN=korvan_no_such_source;PWD=y"}) {
    // The data source names a database of its own.
    ASSERT_TRUE(owner->exec(format("CREATE OR REPLACE USER %s IDENTIFIED BY '%s'", login, sql_escape(password))).ok &&
                owner->exec(format("GRANT SELECT ON `%s`.* TO %s", s.name, login)).ok &&
                owner->exec(format("GRANT SELECT ON `%s`.* TO %s", database, login)).ok)
        << owner->get_error();
    Database in(s.dsn, user, password, database, Database::ODBC);
    EXPECT_TRUE(in.is_connected()) << password << ": " << in.get_error();
    Database wrong(s.dsn, user, password + "}", database, Database::ODBC);
    EXPECT_EQ(0u, wrong.get_error().find("connection failed\nAccess denied")) << password << ": " << wrong.get_error();
  }
  EXPECT_TRUE(owner->exec("DROP USER " + login).ok) << owner->get_error();
}

// A handle that could not connect keeps why for every report of the
// statements tried on it afterwards, and says that it never connected
// (which a lost connection is not). A server that takes the connection
// and never answers is given up on (the connect returns).
TEST_F(Odbc, AHandleThatNeverConnectedSaysWhyAtEveryStatement)
{
  const korvan_test::DbSettings s = korvan_test::settings();
  korvan_test::SilentServer hung("korvan_silent");
  ASSERT_TRUE(hung.listening());
  const struct
  {
    std::string dsn, password;
    int kind;
    const char *error; // how the report's error begins
    DBFailure failure;
  } cases[] = {
      {s.dsn, s.password + "x", Database::ODBC, "connection failed\nAccess denied", DBFailure::OTHER},
      {"korvan_no_such_source", s.password, Database::ODBC, "connection failed\n", DBFailure::OTHER},
      // No data source named is none, not the first one configured.
      {"", s.password, Database::ODBC, "connection failed\n", DBFailure::OTHER},
      {s.dsn, s.password, -1, "No Database!", DBFailure::OTHER},
      {"korvan_silent", s.password, Database::ODBC, "connection failed\nno answer from the server within 5 seconds\n",
       DBFailure::NO_ANSWER},
  };
  for (const auto &c : cases) {
    Database handle(c.dsn, s.user, c.password, database, c.kind);
    // What connecting met, before any statement (a handle without a driver
    // met nothing yet).
    if (c.kind == Database::ODBC) {
      EXPECT_EQ(c.failure, handle.last_failure()) << c.dsn;
    }
    for (const char *sql : {"select 1", "commit;"}) {
      EXPECT_FALSE(handle.exec(sql).ok);
      const DBFailureReport r = handle.failure_report();
      EXPECT_TRUE(r.not_connected && !r.connection_lost && r.kind == c.failure && r.statement == sql)
          << c.dsn << " " << sql;
      EXPECT_EQ(0u, r.error.find(c.error)) << c.dsn << " " << sql << ": " << r.error;
    }
  }
  EXPECT_FALSE(db->failure_report().not_connected);
}

TEST_F(Odbc, ASessionSetUpHalfIsNoConnectionAndNoDriverRunsNothing)
{
  korvan_test::DbSettings s = korvan_test::settings();
  for (const char *failing : {"", "SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED;",
                               "SET SESSION innodb_lock_wait_timeout = 5, sql_mode = 'STRICT_TRANS_TABLES,"
                               "ERROR_FOR_DIVISION_BY_ZERO,NO_AUTO_CREATE_USER,NO_ENGINE_SUBSTITUTION', "
                               "character_set_client = utf8mb4, character_set_connection = utf8mb4, "
                               "character_set_results = utf8mb4;"}) { // "": autocommit fails
    korvan_test::RecordingDB *driver = new korvan_test::RecordingDB;
    driver->autocommit_fails = !*failing;
    driver->failing.insert(failing);
    EXPECT_FALSE(Database(driver, s.dsn, s.user, s.password, database).is_connected()) << failing;
  }
  Database none(s.dsn, s.user, s.password, database, -1);
  EXPECT_FALSE(none.exec("select 1").ok || none.commit() || none.rollback());
  EXPECT_EQ("No Database!", none.get_error());
}

// Every start pays for the set-up: of ours only the isolation level and
// the bound on lock waits with the SQL mode go to the server, and a USE
// only for a database the session is not in.
TEST_F(Odbc, SetUpSendsOneStatementOfOursAndUseOnlyWhenNeeded)
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
  } cases[] = {{"", 2}, {s.name, 2}, {database, 3}};
  for (const auto &c : cases) {
    Database handle(s.dsn, s.user, s.password, c.database, Database::ODBC);
    EXPECT_EQ(driver_only + c.ours, questions(handle.exec(count))) << "database '" << c.database << "'";
  }
}

// A second station sees a commit while its own transaction is still open
// (each statement reads what is committed), and never what was rolled
// back.
TEST_F(Odbc, CommitAndRollbackAsSeenFromASecondConnection)
{
  Ref<Database> other = korvan_test::open_database(database);
  const std::string count = "select count(*) from LAYOUTK";
  EXPECT_EQ("0", query_value(*other, count)); // the other session's transaction starts here
  LAYOUTK room;
  ASSERT_TRUE(insert_object(*db, room)) << db->get_error();
  EXPECT_EQ("1", query_value(*db, count));
  EXPECT_EQ("0", query_value(*other, count));
  EXPECT_TRUE(db->rollback());
  EXPECT_EQ("0", query_value(*db, count));
  ASSERT_TRUE(insert_object(*db, room));
  EXPECT_TRUE(db->commit());
  // Seen without the other session ending its own transaction.
  EXPECT_EQ("1", query_value(*other, count));
}

TEST_F(Odbc, AFailedStatementGivesItsTextTheReasonAndATrace)
{
  const std::string sql = "selec 100% from LAYOUTK where name = '%s %d'";
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(db->exec(sql).ok);
  EXPECT_EQ("here\n" + sql + "\n", ::testing::internal::GetCapturedStdout());
  // The statement, then the server's reason, for the error box.
  const std::string failure = db->get_error();
  EXPECT_EQ(0u, failure.find("sql error\nquery: " + sql + "\n"));
  EXPECT_NE(std::string::npos, failure.find("You have an error in your SQL syntax"));
  EXPECT_TRUE(db->exec("select 1").ok);
  EXPECT_EQ(failure, db->get_error()); // it outlives a later success
  EXPECT_FALSE(db->connection_lost());
}

TEST_F(Odbc, ResultsComeWithTheirNamesOnceAndWhole)
{
  DBErg<DBRowList> none = db->select("select idx, name from LAYOUTK where idx = 99", false);
  EXPECT_TRUE(none.ok && none.rows.rows.empty());
  EXPECT_EQ((std::vector<std::string>{"idx", "name"}), none.rows.names);
  DBErg<DBRowList> r = db->select("select idx, name, count(*) from LAYOUTK group by idx, name", true);
  EXPECT_EQ((std::vector<std::string>{"LAYOUTK.idx", "LAYOUTK.name", "count(*)"}), r.rows.names);
  ASSERT_TRUE(db->exec("set @n := 0").ok);
  EXPECT_EQ("1", query_value(*db, "select @n := @n + 1"));
  EXPECT_EQ("1", query_value(*db, "select @n")); // the statement ran once

  const std::string v256(256, 'v');
  std::string umlauts;
  for (int i = 0; i < 3000; ++i)
    umlauts += "ä";
  r = db->exec("select '" + v256 + "', repeat('x', 10000), repeat('ä', 3000), cast(repeat('y', 70000) as char)");
  EXPECT_EQ((std::vector<std::string>{v256, std::string(10000, 'x'), umlauts, std::string(70000, 'y')}),
            r.rows.rows.at(0));
  // NULL reads empty, also after a row with a value.
  r = db->exec("select x from (select 1 o, 'abc' x union all select 2, NULL union all select 3, '') t order by o");
  EXPECT_EQ((std::vector<std::vector<std::string> >{{"abc"}, {""}, {""}}), r.rows.rows);
}

TEST_F(Odbc, DateTimesReadAsTheServerWritesThem)
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
}

TEST_F(Odbc, EveryByteOfATextRoundTripsInsideItsQuotes)
{
  korvan_test::RecordingDB *rec = nullptr;
  Ref<Database> recorded = korvan_test::connect_recording(database, rec);
  LANG row;
  row.system = std::string("it's");
  row.type = std::string("a\\");
  row.orig = std::string("a\0b\"%LANG\n\t\xc3\xa4", 13);
  row.trans = std::string("x\\', (select 1)) -- "); // crafted to end its literal
  ASSERT_TRUE(insert_object(*recorded, row)) << recorded->get_error();
  EXPECT_EQ(std::string("INSERT INTO LANG(idx,\nsystem,\ntype,\norig,\ntrans) VALUES ( '0',\n'it\\'s',\n'a\\\\',\n"
                        "'a\\0b\"%LANG\n\t\xc3\xa4',\n'x\\\\\\', (select 1)) -- ')"),
            rec->statements.back());
  row.idx = recorded->get_insert_id();
  LANG back;
  DBBindList list;
  list.add(&back);
  ASSERT_EQ(1, select_objects(*db, format("select %%LANG from LANG where idx = '%s'", row.idx.value), list));
  EXPECT_EQ(row.get_values(), back.get_values());

  ASSERT_TRUE(recorded->update("LANG", DBRow({"orig", "trans"}, {"'", "\\"}), "where idx > 0").ok);
  EXPECT_EQ("UPDATE LANG SET orig='\\'',\ntrans='\\\\'where idx > 0", rec->statements.back());
  DBErg<DBRowList> cells = recorded->select("LANG", DBRow({"orig", "trans"}), "where idx > 0");
  EXPECT_EQ("SELECT orig,trans FROM LANG where idx > 0", rec->statements.back());
  EXPECT_EQ((std::vector<std::vector<std::string> >{{"'", "\\"}}), cells.rows.rows);
}

// A stored key is looked up as the program trims what is typed: white
// space of every kind around it goes on both sides, and nothing else. A
// key compared as it reads has each white space inside as one blank, on
// both sides alike.
TEST_F(Odbc, TheServerTrimsAStoredKeyAsTheProgramTrimsATypedOne)
{
  for (const std::string text : {" \t\r\n Bier \n", "\xc2\xa0" "Bier\xe3\x80\x80\xe2\x80\xaf", "Helles Bier",
                                 "Bier\xe2\x80\x8b", " \xc2\xa0\t", "x\\' or '1", "\xe2\x80\x8a\xf0\x9f\x8d\xba ",
                                 " Helles\xc2\xa0\xe2\x80\x83" "Bier\xe1\x9a\x80" "1\xe2\x80\xa8" "2\t\xc2\x85"}) {
    const std::string quoted = "'" + sql_escape(text) + "'";
    EXPECT_EQ(trim_white(text), query_value(*db, "select " + sql_trim_white(quoted))) << text;
    EXPECT_EQ(white_as_blank(text), query_value(*db, "select " + sql_white_as_blank(quoted))) << text;
  }
  // A new name is compared with a stored one as the program compares them.
  for (const auto &names : std::vector<std::pair<std::string, std::string> >{
           {"Helles\xc2\xa0" "Bier ", "helles bier"}, {"ÄPFEL", "äpfel"}, {"T1", "T 1"}, {"x\\' or '1", "X\\' OR '1"}}) {
    const std::string quoted = "'" + sql_escape(names.first) + "'";
    EXPECT_EQ(same_name(names.first, names.second) ? "1" : "0",
              query_value(*db, "select " + sql_same_name(quoted, names.second)))
        << names.first;
  }
}

// Whatever SQL mode the server's administrator chose (scripts/test runs
// this binary once more on a server set to NO_BACKSLASH_ESCAPES and
// ANSI_QUOTES), a session reads a value as sql_escape wrote it: a quote, a
// backslash and a quote after a backslash come back as stored, in every
// column of every table, and a condition on them finds exactly that row.
TEST_F(Odbc, QuotesAndBackslashesRoundTripExactlyInEveryTableWhateverTheServersMode)
{
  EXPECT_EQ(Database::SQL_MODE, query_value(*db, "select @@session.sql_mode"))
      << "the server's own: " << query_value(*db, "select @@global.sql_mode");
  EXPECT_EQ("a\"b", query_value(*db, "select \"a\\\"b\"")); // a string, not a name

  ASSERT_TRUE(db->exec("SET SESSION FOREIGN_KEY_CHECKS = 0").ok);
  const std::vector<std::string> hostile = {"'", "\\", "\\'", "x\\' or idx = 1 #"};
  each_record([&](DBBindType *record) {
    const std::string table = record->get_table();
    std::vector<DBTypeVarChar *> texts;
    for (DBType *column : record->get_types())
      if (DBTypeVarChar *text = dynamic_cast<DBTypeVarChar *>(column))
        texts.push_back(text);
    ASSERT_FALSE(texts.empty()) << table;
    std::string idx;
    // Each column holds each value once: stored first, then changed (a
    // value longer than its column gives way to the quote after a
    // backslash).
    for (std::size_t round = 0; round < hostile.size(); ++round) {
      std::vector<std::string> written;
      for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string &value = hostile[(i + round) % hostile.size()];
        written.push_back(value.size() <= static_cast<std::size_t>(texts[i]->size) ? value : "\\'");
        texts[i]->value = written.back();
      }
      if (round == 0) {
        ASSERT_TRUE(insert_object(*db, *record)) << db->get_error();
        idx = std::to_string(db->get_insert_id());
      } else {
        ASSERT_TRUE(update_object(*db, *record, "where idx = " + idx)) << db->get_error();
      }
      for (DBTypeVarChar *text : texts)
        text->value.clear();
      DBBindList list;
      list.add(record);
      ASSERT_EQ(1, select_objects(*db, format("select %%%s from %s where idx = %s", table, table, idx), list));
      for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string column = table + "." + texts[i]->get_name();
        EXPECT_EQ(written[i], texts[i]->value) << column;
        EXPECT_EQ("1", query_value(*db, format("select count(*) from %s where idx = %s and %s = '%s'", table, idx,
                                               texts[i]->get_name(), sql_escape(written[i]))))
            << column;
      }
    }
  });
}

// A data source may name a character set in which the last byte of a
// UTF-8 character starts a character of two bytes (gbk, big5): a session
// read so would take the backslash that sql_escape puts before a quote for
// that character's second byte, and the quote would end the text. Whatever
// the data source says, the session reads what the program sends as
// utf8mb4: a quote or a backslash after every byte that can end a UTF-8
// character comes back as stored and finds its row (the login that ended
// its quotes so: LoginTest), and a database named with a backtick after
// such a byte is the one chosen.
TEST_F(Odbc, AQuoteAfterALeadByteStaysEscapedWhateverTheDataSourcesCharset)
{
  const korvan_test::DbSettings s = korvan_test::settings();
  char dir[] = "/tmp/korvan-charset.XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  // The Euro sign's last byte starts a character of gbk that the backtick
  // would end.
  const std::string odd = database.substr(0, 56) + "_\xe2\x82\xac`";
  ASSERT_TRUE(db->exec("CREATE DATABASE `" + substitude(odd, "`", "``") + "`").ok) << db->get_error();
  // The run's odbc.ini again for the tests after this one, in this process.
  const std::shared_ptr<void> restore(nullptr, [this, s, dir, odd](void *) {
    setenv("ODBCINI", s.odbcini.c_str(), 1);
    std::filesystem::remove_all(dir);
    db->exec("DROP DATABASE IF EXISTS `" + substitude(odd, "`", "``") + "`");
  });
  for (const char *charset : {"gbk", "big5"}) {
    ASSERT_TRUE(korvan_test::add_data_source(dir, std::string("korvan_") + charset, database, charset));
    Database chosen(std::string("korvan_") + charset, s.user, s.password, odd, Database::ODBC);
    ASSERT_TRUE(chosen.is_connected()) << charset << ": " << chosen.get_error();
    EXPECT_EQ(odd, query_value(chosen, "select database()")) << charset;
    Database station(std::string("korvan_") + charset, s.user, s.password, "", Database::ODBC);
    ASSERT_TRUE(station.is_connected()) << charset << ": " << station.get_error();
    EXPECT_EQ("utf8mb4 utf8mb4 utf8mb4",
              query_value(station, "select concat_ws(' ', @@character_set_client, @@character_set_connection, "
                                   "@@character_set_results)"))
        << charset;
    // U+4E00 to U+4E3F end in each byte from 0x80 to 0xbf, every one of
    // them a lead byte of gbk, most of them of big5.
    std::vector<std::string> written;
    for (int last = 0x80; last <= 0xbf; ++last) {
      LANG row;
      row.system = std::string(charset);
      row.orig = std::string("\xe4\xb8") + static_cast<char>(last) + (last % 2 ? "\\" : "'") + " or 1 #";
      row.trans = row.orig.value + "'";
      ASSERT_TRUE(insert_object(station, row)) << charset << " " << last << ": " << station.get_error();
      written.push_back(row.orig.value);
      EXPECT_EQ("1", query_value(station, format("select count(*) from LANG where system = '%s' and orig = '%s' and "
                                                 "BINARY trans = '%s'",
                                                 charset, sql_escape(row.orig.value), sql_escape(row.trans.value))))
          << charset << " " << last;
    }
    ASSERT_TRUE(station.commit());
    // Read as stored by this station and by one on a data source of utf8mb4.
    for (Database *reader : {&station, &*db}) {
      DBErg<DBRowList> back =
          reader->exec(format("select orig, trans from LANG where system = '%s' order by idx", charset));
      ASSERT_EQ(written.size(), back.rows.rows.size()) << charset;
      for (std::size_t i = 0; i < written.size(); ++i)
        EXPECT_EQ((std::vector<std::string>{written[i], written[i] + "'"}), back.rows.rows[i]) << charset << " " << i;
    }
  }
}

TEST_F(Odbc, ARowListIsInsertedUpToItsFirstFailure)
{
  korvan_test::RecordingDB *rec = nullptr;
  Ref<Database> recorded = korvan_test::connect_recording(database, rec);
  DBRowList rooms(std::vector<std::string>{"name", "width", "height", "color"});
  rooms.rows = {{"A", "1", "0", "0"}, {std::string(21, 'n'), "2", "0", "0"}, {"C", "3", "0", "0"}};
  EXPECT_FALSE(recorded->insert("LAYOUTK", rooms).ok); // the name is too long
  EXPECT_EQ(2u, rec->statements.size());
  EXPECT_EQ("1", query_value(*recorded, "select count(*) from LAYOUTK"));
}

// Every kind of failure the program acts on, provoked on the server: the
// handle names it from the server's error number, not from its words.
TEST_F(Odbc, EachFailureIsNamedByItsKindAndASuccessClearsIt)
{
  for (const char *sql : {"create table P (id int primary key) engine=InnoDB",
                          "create table C (pid int, foreign key (pid) references P (id)) engine=InnoDB",
                          "insert into P values (1), (2)", "insert into C values (1)", "commit"})
    ASSERT_TRUE(db->exec(sql).ok) << sql << "\n" << db->get_error();
  struct
  {
    const char *sql;
    DBFailure kind;
  } refused[] = {
      {"insert into P values (1)", DBFailure::DUPLICATE_KEY},
      {"delete from P where id = 1", DBFailure::ROW_REFERRED_TO},
      {"update P set id = 7 where id = 1", DBFailure::ROW_REFERRED_TO},
      {"insert into C values (9)", DBFailure::ROW_MISSING},
      {"select nonsense from nowhere", DBFailure::OTHER},
  };
  for (const auto &r : refused) {
    EXPECT_FALSE(db->exec(r.sql).ok) << r.sql;
    EXPECT_EQ(r.kind, db->last_failure()) << r.sql << "\n" << db->get_error();
    ASSERT_TRUE(db->rollback());
    EXPECT_EQ(DBFailure::NONE, db->last_failure()) << "after " << r.sql;
  }

  // A row another station holds: this one gives up after the unit of
  // work's wait, with the transaction still its own to end, whether it
  // is to change the row or only to name it.
  Ref<Database> other = korvan_test::open_database(database);
  ASSERT_TRUE(other->exec("select id from P where id = 1 for update").ok);
  for (const char *lock : {Database::FOR_UPDATE, Database::SHARE_LOCK}) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(db->exec(std::string("select id from P where id = 1") + lock).ok) << lock;
    EXPECT_EQ(DBFailure::LOCK_WAIT, db->last_failure()) << db->get_error();
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(waited, Database::LOCK_WAIT_SECONDS - 0.5) << lock;
    EXPECT_LT(waited, Database::LOCK_WAIT_SECONDS + 5.0) << lock;
    ASSERT_TRUE(db->rollback());
  }

  // Two stations that each wait for the other's row: the server picks one
  // and rolls its whole transaction back.
  ASSERT_TRUE(db->exec("select id from P where id = 2 for update").ok);
  DBFailure first = DBFailure::NONE;
  std::thread waiting([&] {
    if (!other->exec("select id from P where id = 2 for update").ok)
      first = other->last_failure();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const bool mine = db->exec("select id from P where id = 1 for update").ok;
  const DBFailure second = mine ? DBFailure::NONE : db->last_failure();
  if (mine)
    db->rollback(); // lets the other one go on
  waiting.join();
  EXPECT_EQ(1, (first == DBFailure::DEADLOCK) + (second == DBFailure::DEADLOCK))
      << int(first) << " " << int(second);
  db->rollback();
  other->rollback();

  // A row only named is named by others too, and changed by none.
  ASSERT_TRUE(db->exec(std::string("select id from P where id = 1") + Database::SHARE_LOCK).ok);
  EXPECT_TRUE(other->exec(std::string("select id from P where id = 1") + Database::SHARE_LOCK).ok);
  EXPECT_FALSE(other->exec("select id from P where id = 1 for update nowait").ok);
  ASSERT_TRUE(other->rollback());
  ASSERT_TRUE(db->rollback());

  // The server ends a connection: from then on every statement of it,
  // the rollback too, is said to have lost it; the one that ended it goes on.
  ASSERT_TRUE(other->exec("insert into P values (3)").ok);
  ASSERT_TRUE(db->exec("KILL CONNECTION " + query_value(*other, "select connection_id()")).ok);
  EXPECT_FALSE(other->exec("select 1").ok);
  EXPECT_EQ(DBFailure::CONNECTION_LOST, other->last_failure()) << other->get_error();
  EXPECT_FALSE(other->rollback());
  EXPECT_EQ(DBFailure::CONNECTION_LOST, other->last_failure());
  EXPECT_TRUE(other->connection_lost());
  // For good: nothing reconnects by itself.
  EXPECT_FALSE(other->exec("select 1").ok);
  EXPECT_EQ(DBFailure::CONNECTION_LOST, other->last_failure());
  EXPECT_FALSE(db->connection_lost());
  EXPECT_EQ("2", query_value(*db, "select count(*) from P"));
  EXPECT_EQ(DBFailure::NONE, db->last_failure());

  // No driver at all.
  Database none(korvan_test::settings().dsn, "", "", database, -1);
  EXPECT_FALSE(none.exec("select 1").ok);
  EXPECT_EQ(DBFailure::OTHER, none.last_failure());
}

// A row inserted from what a select finds, or none; each statement
// without a result says how many rows it inserted, changed or deleted.
TEST_F(Odbc, AnInsertFromASelectTakesItsCellsAndSaysWhetherItInsertedARow)
{
  korvan_test::RecordingDB *rec = nullptr;
  Ref<Database> recorded = korvan_test::connect_recording(database, rec);
  ASSERT_TRUE(recorded->exec("insert into LAYOUTK (name, width, height, color) values ('Saal', 300, 200, 1)").ok);
  DBRow room(std::vector<std::string>{"name", "width", "height", "color"}, {"Saal's", "1", "1", "7"});
  const std::map<std::string, std::string> taken = {{"width", "LAYOUTK.width"}, {"height", "LAYOUTK.height + 1"}};
  const DBErg<DBRowList> one = recorded->insert_select("LAYOUTK", room, taken, "LAYOUTK where name = 'Saal'");
  ASSERT_TRUE(one.ok) << recorded->get_error();
  EXPECT_EQ(1, one.affected);
  EXPECT_EQ("INSERT INTO LAYOUTK(name,\nwidth,\nheight,\ncolor) SELECT 'Saal\\'s',\nLAYOUTK.width,\n"
            "LAYOUTK.height + 1,\n'7'\nFROM LAYOUTK where name = 'Saal'",
            rec->statements.back());
  EXPECT_EQ("Saal's 300 201 7", query_value(*recorded, "select concat_ws(' ', name, width, height, color) from LAYOUTK "
                                                       "where idx = 2"));
  const DBErg<DBRowList> none = recorded->insert_select("LAYOUTK", room, taken, "LAYOUTK where name = 'Halle'");
  ASSERT_TRUE(none.ok);
  EXPECT_EQ(0, none.affected);
  EXPECT_EQ(2, recorded->exec("update LAYOUTK set width = 5").affected);
  EXPECT_EQ(1, recorded->exec("delete from LAYOUTK where idx = 2").affected);
}

// What the open transaction holds, as the handle sees it, against what
// the server says (@@in_transaction, asked outside the count): a plain
// read holds reads, which end_reads ends with a commit and which the
// caller hears of once per transaction; SET holds nothing; a change or a
// lock is work that end_reads leaves alone, also when it failed. A read
// that failed, and SHOW, open nothing on the server: ending them costs a
// commit, nothing more. A statement on a table outside transactions
// changes nothing. A commit on a connection the server dropped ends it.
TEST_F(Odbc, TheHandleKnowsWhetherItsTransactionOnlyReadAndEndsNothingElse)
{
  using H = Database::Holding;
  const char *const END = nullptr; // end_reads()
  const struct
  {
    const char *sql;
    H holding;
    const char *on_server;
    int heard; // how often the handle said that reads opened, so far
    bool outside = false;
  } steps[] = {
      {"SET FOREIGN_KEY_CHECKS = 0", H::NOTHING, "0", 0},
      {"set session innodb_lock_wait_timeout = 5", H::NOTHING, "0", 0},
      {END, H::NOTHING, "0", 0},
      {"select count(*) from LAYOUTK", H::READS, "1", 1},
      {" (SELECT count(*) from BONLINE)", H::READS, "1", 1},
      {"SET FOREIGN_KEY_CHECKS = 1", H::READS, "1", 1},
      {END, H::NOTHING, "0", 1},
      {"select idx from LAYOUTK for update wait 3", H::WORK, "1", 1},
      {END, H::WORK, "1", 1},
      {"rollback;", H::NOTHING, "0", 1},
      {"select count(*) from LAYOUTP", H::READS, "1", 2},
      {"select idx from LAYOUTK lock in share mode", H::WORK, "1", 2},
      {"select count(*) from LAYOUTP", H::WORK, "1", 2},
      {"commit", H::NOTHING, "0", 2},
      {"insert into LAYOUTK (name, width, height, color) values ('Saal', 300, 200, 1)", H::WORK, "1", 2},
      {END, H::WORK, "1", 2},
      {"commit;", H::NOTHING, "0", 2},
      {"insert into LAYOUTK (idx, name, width, height, color) values (1, 'doppelt', 1, 1, 1)", H::WORK, "1", 2}, // refused
      {"rollback", H::NOTHING, "0", 2},
      {"select * from no_such_table", H::READS, "0", 3},
      {END, H::NOTHING, "0", 3},
      {"show tables", H::READS, "0", 4},
      {END, H::NOTHING, "0", 4},
      {"insert into LANG (system, type, orig) values ('GUI', 'Test', 'x')", H::NOTHING, "0", 4, true},
      {"select count(*) from LANG", H::NOTHING, "0", 4, true},
      {"delete from LAYOUTK where name = 'keiner'", H::WORK, "1", 4},
      {"select count(*) from LAYOUTK", H::WORK, "1", 4},
      {"rollback", H::NOTHING, "0", 4},
  };
  Ref<Database> station = korvan_test::open_database(database);
  int heard = 0, worked = 0;
  station->on_reads_opened([&] { ++heard; });
  // Told of each step to WORK: from nothing or from reads.
  station->on_work_opened([&] { ++worked; });
  for (const auto &step : steps) {
    const std::string what = step.sql ? step.sql : "end_reads";
    if (!step.sql) {
      EXPECT_TRUE(station->end_reads());
    } else {
      std::optional<Database::Untransacted> outside;
      if (step.outside)
        outside.emplace(*station);
      station->exec(step.sql);
    }
    EXPECT_EQ(step.holding, station->holding()) << what;
    EXPECT_EQ(step.heard, heard) << what;
    const Database::Untransacted asking(*station);
    EXPECT_EQ(step.on_server, query_value(*station, "select @@in_transaction")) << what;
  }
  EXPECT_EQ(H::NOTHING, station->holding()) << "asking changed nothing";
  EXPECT_EQ(5, worked);

  LAYOUTK room;
  ASSERT_TRUE(insert_object(*station, room));
  ASSERT_EQ(H::WORK, station->holding());
  ASSERT_TRUE(db->exec("KILL CONNECTION " + query_value(*station, "select connection_id()")).ok);
  EXPECT_FALSE(station->commit());
  EXPECT_EQ(H::NOTHING, station->holding()) << "the server ended it";
  EXPECT_EQ("Saal", query_value(*db, "select group_concat(name) from LAYOUTK")) << "the insert went with the connection";
}

TEST(CreateSql, MatchesTheScriptByteForByte)
{
  EXPECT_EQ(korvan_test::slurp(KORVAN_DBI_TEST_DATA "create.sql"), create_sql());
}

TEST(CreateSql, SplitsAtSemicolonsOutsideQuotesAndComments)
{
  EXPECT_EQ((std::vector<std::string>{"SET A=1", "INSERT INTO T VALUES ('a;b', \"c;\\\"d\", `e;f`)"}),
            split_sql_statements("SET A=1;\n-- note; here\nINSERT INTO T VALUES ('a;b', \"c;\\\"d\", `e;f`);\n"
                                 "/* x; */ ;\n"));
  // A block of statements between the client's DELIMITER lines is one.
  EXPECT_EQ((std::vector<std::string>{"SET A=1", "BEGIN NOT ATOMIC SELECT ';'; SELECT 2; END", "SET B=2"}),
            split_sql_statements("SET A=1;\ndelimiter //\nBEGIN NOT ATOMIC SELECT ';'; SELECT 2; END //\n"
                                 "DELIMITER ;\nSET B=2;\n"));
}

using CreateSqlOnServer = korvan_test::FreshDatabase;

using korvan_test::upgrade;

TEST_F(CreateSqlOnServer, LoadsAgainOverFilledTablesAndUpgradesAnOlderDatabaseOnce)
{
  ASSERT_TRUE(db->exec("insert into LAYOUTK(name, width, height, color) values ('x', 1, 1, 1)").ok);
  ASSERT_TRUE(db->commit());
  EXPECT_TRUE(korvan_test::load_script(*db, create_sql()));
  EXPECT_EQ(10u, db->exec("SHOW TABLES").rows.rows.size());
  EXPECT_EQ("0", korvan_test::query_value(*db, "select count(*) from LAYOUTK"));

  // The index of open lines and the unique keys, missing as an earlier
  // script made them; the keys stored twice meanwhile (as the keys compare
  // them: case and trailing blanks aside).
  for (const char *sql : {"ALTER TABLE BONLINE DROP INDEX idx_BONLINE_open", "ALTER TABLE GRP_UST DROP INDEX uq_GRP_UST_name",
                          "ALTER TABLE ART DROP INDEX uq_ART_artnr", "ALTER TABLE SONST_ART DROP INDEX uq_SONST_ART_name",
                          "SET SESSION sql_mode = '', FOREIGN_KEY_CHECKS = 0",
                          "insert into GRP_UST(name) values ('Bier'), ('bier '), ('Wein'), ('O''Hara'), ('o''hara')",
                          "insert into ART(artnr) values ('A1'), ('A1'), ('A2')", "insert into SONST_ART(name) values ('Karte')",
                          "commit"})
    ASSERT_TRUE(db->exec(sql).ok) << sql << "\n" << db->get_error();
  const std::string indexes = "select group_concat(index_name, ':', column_name order by index_name, seq_in_index) "
                              "from information_schema.statistics where table_schema = database() and (index_name "
                              "like 'uq%' or index_name = 'idx_BONLINE_open')";
  std::string printed;
  EXPECT_FALSE(upgrade(database, printed));
  EXPECT_NE(std::string::npos, printed.find("nothing changed")) << printed;
  // Each of them by its idx and spelling: listed one a line, and in the
  // message.
  EXPECT_NE(std::string::npos, printed.find("Stored more than once\nART.artnr idx 1: 'A1'\nART.artnr idx 2: 'A1'\n"
                                            "GRP_UST.name idx 1: 'Bier'\nGRP_UST.name idx 2: 'bier '\n"))
      << printed;
  EXPECT_NE(std::string::npos, printed.find("GRP_UST.name: idx 1 'Bier' = idx 2 'bier ', idx 4 'O\\'Hara' = idx 5 "
                                            "'o\\'hara'; ART.artnr: idx 1 'A1' = idx 2 'A1'\n"))
      << printed;
  EXPECT_EQ("", korvan_test::query_value(*db, indexes));

  ASSERT_TRUE(db->exec("delete from GRP_UST where name = 'bier' and idx > 1").ok && db->commit());
  ASSERT_TRUE(db->exec("delete from GRP_UST where name = 'o''hara' and idx > 4").ok && db->commit());
  ASSERT_TRUE(db->exec("update ART set artnr = 'A3' where idx = 2").ok && db->commit());
  for (int run = 0; run < 2; ++run) {
    EXPECT_TRUE(upgrade(database, printed)) << run << printed;
    EXPECT_EQ("idx_BONLINE_open:storniert,idx_BONLINE_open:bezahlt,idx_BONLINE_open:layoutk_idx,idx_BONLINE_open:"
              "layoutp_idx,uq_ART_artnr:artnr,uq_GRP_UST_name:name,uq_SONST_ART_name:name",
              korvan_test::query_value(*db, indexes))
        << run;
  }
}

TEST_F(CreateSqlOnServer, AnUpgradeWhileAStationUsesTheTableStopsAfterAFewSecondsAndSaysWhy)
{
  ASSERT_TRUE(db->exec("ALTER TABLE BONLINE DROP INDEX idx_BONLINE_open").ok) << db->get_error();
  // A station that has read order lines holds a lock on the table until it
  // ends its transaction.
  Tools::Ref<Tools::Database> station = korvan_test::open_database(database);
  ASSERT_TRUE(station->exec("select count(*) from BONLINE").ok);

  Tools::Ref<Tools::Database> other = korvan_test::open_database(database);
  auto since = [](std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };

  std::string printed;
  bool upgraded = true;
  double seconds = 0;
  std::thread administrator([&] {
    const auto start = std::chrono::steady_clock::now();
    upgraded = upgrade(database, printed);
    seconds = since(start);
  });
  // Another station's next statement on the table queues behind the
  // waiting change, and goes through once the upgrade gives up.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_TRUE(other->exec("select count(*) from BONLINE").ok) << other->get_error();
  const double waited = since(asked);
  administrator.join();

  EXPECT_FALSE(upgraded);
  EXPECT_NE(std::string::npos, printed.find(STATIONS_OPEN)) << printed;
  EXPECT_GE(seconds, UPGRADE_LOCK_WAIT_SECONDS - 1);
  EXPECT_LT(seconds, UPGRADE_LOCK_WAIT_SECONDS + 20);
  EXPECT_LT(waited, UPGRADE_LOCK_WAIT_SECONDS + 20);
  EXPECT_TRUE(station->exec("select count(*) from BONLINE").ok); // the station works on

  ASSERT_TRUE(station->rollback() && other->rollback());
  EXPECT_TRUE(upgrade(database, printed)) << printed;
  EXPECT_EQ("4", korvan_test::query_value(*db, "select count(*) from information_schema.statistics where "
                                               "table_schema = database() and index_name = 'idx_BONLINE_open'"));
}

} // namespace
