// The create script: its exact text, and loading it into the server.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

#include "schema/create_sql.h"
#include "tests/support/db_fixture.h"
#include "tests/support/db_support.h"
#include "tests/support/files.h"

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

TEST_F(CreateSqlOnServer, LoadsAgainOverFilledTablesAndUpgradesAnOlderDatabaseOnce)
{
  ASSERT_TRUE(db->exec("insert into LAYOUTK(name, width, height, color) values ('x', 1, 1, 1)").ok);
  ASSERT_TRUE(db->commit());
  EXPECT_TRUE(korvan_test::load_script(*db, create_sql()));
  EXPECT_EQ(10u, db->exec("SHOW TABLES").rows.rows.size());
  EXPECT_EQ("0", korvan_test::query_value(*db, "select count(*) from LAYOUTK"));

  // The index of open lines, missing as an earlier script made it.
  ASSERT_TRUE(db->exec("ALTER TABLE BONLINE DROP INDEX idx_BONLINE_open").ok) << db->get_error();
  for (int run = 0; run < 2; ++run) {
    EXPECT_TRUE(korvan_test::load_script(*db, upgrade_sql())) << run;
    EXPECT_EQ("storniert,bezahlt,layoutk_idx,layoutp_idx",
              korvan_test::query_value(*db, "select group_concat(column_name order by seq_in_index) from "
                                            "information_schema.statistics where table_schema = database() and "
                                            "index_name = 'idx_BONLINE_open'"))
        << run;
  }
}

namespace {

struct ClientRun
{
  int status;
  std::string output;
  double seconds;
};

// The upgrade as an administrator runs it: the tool's script piped into
// the mariadb client.
ClientRun upgrade_through_the_client(const std::string &database)
{
  const korvan_test::DbSettings s = korvan_test::settings();
  setenv("MYSQL_PWD", s.password.c_str(), 1);
  const std::string command = std::string("'") + KORVAN_CREATE_SQL_TOOL + "' --upgrade | mariadb --no-defaults " +
                              "--socket='" + s.socket + "' -u '" + s.user + "' '" + database + "' 2>&1";
  const auto start = std::chrono::steady_clock::now();
  ClientRun run{-1, "", 0};
  if (FILE *pipe = popen(command.c_str(), "r")) {
    char buf[512];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
      run.output.append(buf, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return run;
}

} // namespace

TEST_F(CreateSqlOnServer, AnUpgradeWhileAStationUsesTheTableStopsAfterAFewSecondsAndSaysWhy)
{
  ASSERT_TRUE(db->exec("ALTER TABLE BONLINE DROP INDEX idx_BONLINE_open").ok) << db->get_error();
  // A station that has read order lines holds a lock on the table until it
  // ends its transaction.
  Tools::Ref<Tools::Database> station = korvan_test::open_database(name);
  ASSERT_TRUE(station->exec("select count(*) from BONLINE").ok);

  ClientRun refused = upgrade_through_the_client(name);
  EXPECT_NE(0, refused.status);
  EXPECT_NE(std::string::npos, refused.output.find(STATIONS_OPEN)) << refused.output;
  EXPECT_GE(refused.seconds, UPGRADE_LOCK_WAIT_SECONDS - 1);
  EXPECT_LT(refused.seconds, UPGRADE_LOCK_WAIT_SECONDS + 20);
  EXPECT_TRUE(station->exec("select count(*) from BONLINE").ok); // the station works on

  ASSERT_TRUE(station->rollback());
  ClientRun done = upgrade_through_the_client(name);
  EXPECT_EQ(0, done.status) << done.output;
  EXPECT_EQ("4", korvan_test::query_value(*db, "select count(*) from information_schema.statistics where "
                                               "table_schema = database() and index_name = 'idx_BONLINE_open'"));
}
