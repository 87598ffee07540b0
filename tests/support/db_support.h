#ifndef KORVAN_TESTS_SUPPORT_DB_SUPPORT_H
#define KORVAN_TESTS_SUPPORT_DB_SUPPORT_H

// Test access to the private MariaDB server that scripts/test starts
// (scripts/db). Every test binary works in a database of its own, because
// ctest runs the binaries in parallel:
//
//   ASSERT_TRUE(korvan_test::fresh_database("korvan_t_gui"));
//   Tools::Ref<Tools::Database> db = korvan_test::open_database("korvan_t_gui");
//
// Missing settings are an error, never a reason to skip: settings() throws
// std::runtime_error naming the missing variable.

#include <string>

#include "tools/core/ref.h"
#include "tools/dbi/database.h"

namespace korvan_test {

struct DbSettings
{
  std::string odbcini;  // ODBCINI: the private odbc.ini
  std::string dsn;      // KORVAN_TEST_DSN: data source of the default database
  std::string user;     // KORVAN_TEST_DB_USER
  std::string password; // KORVAN_TEST_DB_PASSWORD
  std::string name;     // KORVAN_TEST_DB_NAME: the default database
  std::string socket;   // KORVAN_TEST_DB_SOCKET
};

DbSettings settings();

// Drops and creates the database and loads the create script into it one
// statement at a time, as an administrator would. False (with the reason
// on standard error) when any step fails.
bool fresh_database(const std::string &name);

// Runs the statements of a script (one per call) on an open handle; false
// at the first failure, whose text is on standard error.
bool load_script(Tools::Database &db, const std::string &script);

// A connected handle (AUTOCOMMIT off, as the program has it) working in the
// given database; an empty name keeps the data source's own. The handle
// is returned also when connecting failed: test is_connected().
Tools::Ref<Tools::Database> open_database(const std::string &name = std::string());

// Writes an odbc.ini with one data source `dsn` for the given database on
// the private server, for running the real program against it (pass the
// path as ODBCINI). False when the file cannot be written.
bool write_odbc_ini(const std::string &path, const std::string &dsn, const std::string &database);

// A database name of its own for the running GoogleTest test: ctest runs
// every discovered test as a process of its own, in parallel, so tests of
// one binary must not share a database either. "<prefix>_<suite>_<test>",
// cut to MariaDB's 64 characters with a hash keeping it unique.
std::string test_database_name(const std::string &prefix);

// The first cell of the statement's first row, "" when there is none; a
// failed statement also fails the running test.
std::string query_value(Tools::Database &db, const std::string &sql);

} // namespace korvan_test

#endif
