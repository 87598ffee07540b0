#ifndef KORVAN_TESTS_SUPPORT_DB_FIXTURE_H
#define KORVAN_TESTS_SUPPORT_DB_FIXTURE_H

// The fixture of tests that work in a database of their own. Apart from
// db_support.h, which also serves programs that include X11 headers:
// those define None, which GoogleTest's headers use as a name.

#include <gtest/gtest.h>

#include "tests/support/db_support.h"

namespace korvan_test {

// A fresh database named after the test, with `db` connected to it; the
// database is dropped afterwards.
class FreshDatabase : public ::testing::Test
{
protected:
  std::string database;
  Tools::Ref<Tools::Database> db;

  void SetUp() override;
  void TearDown() override;
};

} // namespace korvan_test

#endif
