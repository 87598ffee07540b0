// The create script: its exact text, loading it into the server, and the
// upgrade as an administrator runs it through the server's client.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "schema/create_sql.h"
#include "tests/support/db_fixture.h"

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

namespace {
// korvan-create-sql --upgrade | mariadb DATABASE: whether it went through,
// and what it printed.
bool upgrade(const std::string &database, std::string &printed)
{
  const korvan_test::DbSettings s = korvan_test::settings();
  const std::string command = std::string("'") + KORVAN_CREATE_SQL + "' --upgrade | mariadb --no-defaults --socket='" +
                              s.socket + "' --user='" + s.user + "' --password='" + s.password + "' '" + database +
                              "' 2>&1";
  FILE *pipe = popen(command.c_str(), "r");
  printed.clear();
  char buffer[512];
  while (pipe && fgets(buffer, sizeof buffer, pipe))
    printed += buffer;
  return pipe && pclose(pipe) == 0;
}
} // namespace

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
  EXPECT_NE(std::string::npos, printed.find("GRP_UST.name: 'Bier' (2 rows), 'O\\'Hara' (2 rows); ART.artnr: "
                                            "'A1' (2 rows)\n"))
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

  std::string printed;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(upgrade(database, printed));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_NE(std::string::npos, printed.find(STATIONS_OPEN)) << printed;
  EXPECT_GE(seconds, UPGRADE_LOCK_WAIT_SECONDS - 1);
  EXPECT_LT(seconds, UPGRADE_LOCK_WAIT_SECONDS + 20);
  EXPECT_TRUE(station->exec("select count(*) from BONLINE").ok); // the station works on

  ASSERT_TRUE(station->rollback());
  EXPECT_TRUE(upgrade(database, printed)) << printed;
  EXPECT_EQ("4", korvan_test::query_value(*db, "select count(*) from information_schema.statistics where "
                                               "table_schema = database() and index_name = 'idx_BONLINE_open'"));
}
