#include "tests/support/db_fixture.h"

namespace korvan_test {

void FreshDatabase::SetUp()
{
  database = test_database_name("korvan_t");
  ASSERT_TRUE(fresh_database(database));
  db = open_database(database);
  ASSERT_TRUE(db->is_connected()) << db->get_error();
}

void FreshDatabase::TearDown()
{
  db = Tools::Ref<Tools::Database>();
  Tools::Ref<Tools::Database> admin = open_database();
  EXPECT_TRUE(admin->exec("DROP DATABASE IF EXISTS `" + database + "`").ok) << admin->get_error();
}

} // namespace korvan_test
