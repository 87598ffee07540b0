#include "tests/support/db_fixture.h"

namespace korvan_test {

void FreshDatabase::SetUp()
{
  name = test_database_name("korvan_t_db");
  ASSERT_TRUE(fresh_database(name));
  db = open_database(name);
  ASSERT_TRUE(db->is_connected()) << db->get_error();
}

void FreshDatabase::TearDown()
{
  db = Tools::Ref<Tools::Database>();
  Tools::Ref<Tools::Database> admin = open_database();
  EXPECT_TRUE(admin->exec("DROP DATABASE IF EXISTS `" + name + "`").ok) << admin->get_error();
}

} // namespace korvan_test
