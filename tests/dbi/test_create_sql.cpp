// The create script: its exact text, and loading it into the server.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "schema/create_sql.h"
#include "tests/support/db_support.h"

namespace {

std::string read_file(const std::string &path)
{
  std::ifstream in(path.c_str(), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

const char *const GRP_UST_PART = "DROP TABLE IF EXISTS `GRP_UST`;\n"
                                 "CREATE TABLE `GRP_UST` (\n"
                                 " `idx` INT NOT NULL ,\n"
                                 "`gueltig` ENUM ( 'NEIN', 'JA' ) CHARACTER SET utf8 COLLATE utf8_general_ci NOT NULL ,\n"
                                 "`gueltig_von` DATETIME NOT NULL ,\n"
                                 "`gueltig_bis` DATETIME NOT NULL ,\n"
                                 "`hist_an_zeit` DATETIME NOT NULL ,\n"
                                 "`hist_an_user` VARCHAR(20) CHARACTER SET utf8 COLLATE utf8_general_ci NOT NULL ,\n"
                                 "`hist_ae_zeit` DATETIME NOT NULL ,\n"
                                 "`hist_ae_user` VARCHAR(20) CHARACTER SET utf8 COLLATE utf8_general_ci NOT NULL ,\n"
                                 "`hist_lo_zeit` DATETIME NOT NULL ,\n"
                                 "`hist_lo_user` VARCHAR(20) CHARACTER SET utf8 COLLATE utf8_general_ci NOT NULL ,\n"
                                 "`name` VARCHAR(20) CHARACTER SET utf8 COLLATE utf8_general_ci NOT NULL ,\n"
                                 "`bezeichnung` VARCHAR(50) CHARACTER SET utf8 COLLATE utf8_general_ci NOT NULL ,\n"
                                 "`bezeichnung2` VARCHAR(50) CHARACTER SET utf8 COLLATE utf8_general_ci NOT NULL ,\n"
                                 "`ust` DOUBLE NOT NULL \n"
                                 ") ENGINE = INNODB;\n"
                                 "ALTER TABLE `GRP_UST` ADD PRIMARY KEY ( `idx` );\n"
                                 "ALTER TABLE `GRP_UST` CHANGE `idx` `idx` INT( 11 ) NOT NULL AUTO_INCREMENT;\n"
                                 "ALTER TABLE `GRP_UST`  DEFAULT CHARACTER SET utf8 COLLATE utf8_general_ci;\n";

const char *const KEYS_PART =
    "ALTER TABLE `GRP_UST` ADD INDEX `idx_GRP_UST_name`(`name`);\n"
    "ALTER TABLE `ART` ADD INDEX `idx_ART_artnr`(`artnr`);\n"
    "ALTER TABLE `USER` ADD INDEX `idx_USER_login`(`login`);\n"
    "ALTER TABLE `LAYOUTK` ADD INDEX `idx_LAYOUTK_name`(`name`);\n"
    "ALTER TABLE `LAYOUTP` ADD INDEX `idx_LAYOUTP_label_name`(`label_name`);\n"
    "ALTER TABLE `ART` add FOREIGN KEY (`gruppe_ust_idx`) REFERENCES `GRP_UST`(`idx`);\n"
    "ALTER TABLE `ART` add FOREIGN KEY (`gruppe_ust`) REFERENCES `GRP_UST`(`name`);\n"
    "ALTER TABLE `GRP_ART` add FOREIGN KEY (`art_artnr`) REFERENCES `ART`(`artnr`);\n"
    "ALTER TABLE `GRP_ART` add FOREIGN KEY (`art_idx`) REFERENCES `ART`(`idx`);\n"
    "ALTER TABLE `LAYOUTP` add FOREIGN KEY (`layout_idx`) REFERENCES `LAYOUTK`(`idx`);\n"
    "ALTER TABLE `BONLINE` add FOREIGN KEY (`user`) REFERENCES `USER`(`login`);\n"
    "ALTER TABLE `BONLINE` add FOREIGN KEY (`user_idx`) REFERENCES `USER`(`idx`);\n"
    "ALTER TABLE `BONLINE` add FOREIGN KEY (`layoutk_idx`) REFERENCES `LAYOUTK`(`idx`);\n"
    "ALTER TABLE `BONLINE` add FOREIGN KEY (`layoutk_name`) REFERENCES `LAYOUTK`(`name`);\n"
    "ALTER TABLE `BONLINE` add FOREIGN KEY (`layoutp_idx`) REFERENCES `LAYOUTP`(`idx`);\n"
    "ALTER TABLE `BONLINE` add FOREIGN KEY (`layoutp_label_name`) REFERENCES `LAYOUTP`(`label_name`);\n"
    "ALTER TABLE `PREIS` add FOREIGN KEY (`art_artnr`) REFERENCES `ART`(`artnr`);\n"
    "ALTER TABLE `PREIS` add FOREIGN KEY (`art_idx`) REFERENCES `ART`(`idx`);\n";

} // namespace

TEST(CreateSql, MatchesTheScriptByteForByte)
{
  const std::string script = create_sql();
  EXPECT_EQ(read_file(KORVAN_DBI_TEST_DATA "create.sql"), script);
  EXPECT_EQ(script, create_sql());

  const std::string head = "SET FOREIGN_KEY_CHECKS=0;\n";
  const std::string tail = "SET FOREIGN_KEY_CHECKS=1;\n";
  ASSERT_EQ(0u, script.find(head + GRP_UST_PART));
  const std::string keys = std::string(KEYS_PART) + tail;
  ASSERT_GE(script.size(), keys.size());
  EXPECT_EQ(keys, script.substr(script.size() - keys.size()));
}

TEST(CreateSql, SplitsIntoStatements)
{
  std::vector<std::string> parts =
      split_sql_statements("SET A=1;\n-- note; here\nINSERT INTO T VALUES ('a;b', \"c;\\\"d\", `e;f`);\n/* x; */ ;\n");
  ASSERT_EQ(2u, parts.size());
  EXPECT_EQ("SET A=1", parts[0]);
  EXPECT_EQ("INSERT INTO T VALUES ('a;b', \"c;\\\"d\", `e;f`)", parts[1]);
  EXPECT_EQ(10u + 10u + 30u + 5u + 13u + 2u, split_sql_statements(create_sql()).size());
}

TEST(CreateSqlOnServer, LoadsTwiceOverExistingTables)
{
  const std::string name = korvan_test::test_database_name("korvan_t_dbi");
  ASSERT_TRUE(korvan_test::fresh_database(name));
  Tools::Ref<Tools::Database> db = korvan_test::open_database(name);
  ASSERT_TRUE(db->is_connected());
  ASSERT_TRUE(db->exec("insert into LAYOUTK(name, width, height, color) values ('x', 1, 1, 1)").ok);
  ASSERT_TRUE(db->commit());
  EXPECT_TRUE(korvan_test::load_script(*db, create_sql()));
  Tools::DBErg<Tools::DBRowList> tables = db->exec("SHOW TABLES");
  ASSERT_TRUE(tables.ok);
  EXPECT_EQ(10u, tables.rows.rows.size());
  Tools::DBErg<Tools::DBRowList> rows = db->exec("select count(*) from LAYOUTK");
  ASSERT_TRUE(rows.ok);
  EXPECT_EQ("0", rows.rows.rows[0][0]);
  Tools::DBErg<Tools::DBRowList> engine =
      db->exec("select engine from information_schema.tables where table_schema = database() and table_name = 'LANG'");
  ASSERT_EQ(1u, engine.rows.rows.size());
  EXPECT_EQ("MyISAM", engine.rows.rows[0][0]);
}

TEST(CreateSqlOnServer, AnOlderDatabaseGetsTheIndexOfOpenLinesOnce)
{
  const std::string name = korvan_test::test_database_name("korvan_t_dbi");
  ASSERT_TRUE(korvan_test::fresh_database(name));
  Tools::Ref<Tools::Database> db = korvan_test::open_database(name);
  ASSERT_TRUE(db->is_connected());
  // As an earlier script made it.
  ASSERT_TRUE(db->exec("ALTER TABLE BONLINE DROP INDEX idx_BONLINE_open").ok) << db->get_error();
  const std::string columns = "select group_concat(column_name order by seq_in_index) from information_schema.statistics "
                              "where table_schema = database() and index_name = 'idx_BONLINE_open'";
  for (int run = 0; run < 2; ++run) {
    EXPECT_TRUE(korvan_test::load_script(*db, upgrade_sql())) << run;
    Tools::DBErg<Tools::DBRowList> found = db->exec(columns);
    ASSERT_TRUE(found.ok);
    ASSERT_EQ(1u, found.rows.rows.size());
    EXPECT_EQ("storniert,bezahlt,layoutk_idx,layoutp_idx", found.rows.rows[0][0]) << run;
  }
  db->exec("DROP DATABASE IF EXISTS `" + name + "`");
}
