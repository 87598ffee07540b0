// The create script: its exact text, and loading it into the server.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "schema/create_sql.h"
#include "tests/support/db_support.h"

TEST(CreateSql, MatchesTheScriptByteForByte)
{
  std::ifstream in(KORVAN_DBI_TEST_DATA "create.sql", std::ios::binary);
  std::ostringstream script;
  script << in.rdbuf();
  EXPECT_EQ(script.str(), create_sql());
}

TEST(CreateSql, SplitsAtSemicolonsOutsideQuotesAndComments)
{
  EXPECT_EQ((std::vector<std::string>{"SET A=1", "INSERT INTO T VALUES ('a;b', \"c;\\\"d\", `e;f`)"}),
            split_sql_statements("SET A=1;\n-- note; here\nINSERT INTO T VALUES ('a;b', \"c;\\\"d\", `e;f`);\n"
                                 "/* x; */ ;\n"));
}

using CreateSqlOnServer = korvan_test::FreshDatabase;

TEST_F(CreateSqlOnServer, LoadsAgainOverFilledTables)
{
  ASSERT_TRUE(db->exec("insert into LAYOUTK(name, width, height, color) values ('x', 1, 1, 1)").ok);
  ASSERT_TRUE(db->commit());
  EXPECT_TRUE(korvan_test::load_script(*db, create_sql()));
  EXPECT_EQ(10u, db->exec("SHOW TABLES").rows.rows.size());
  EXPECT_EQ("0", korvan_test::query_value(*db, "select count(*) from LAYOUTK"));
}
