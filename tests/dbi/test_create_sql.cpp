// The create script: its exact text, and loading it into the server.
#include <gtest/gtest.h>

#include "schema/create_sql.h"
#include "tests/support/db_fixture.h"
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
