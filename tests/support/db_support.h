#ifndef KORVAN_TESTS_SUPPORT_DB_SUPPORT_H
#define KORVAN_TESTS_SUPPORT_DB_SUPPORT_H

// Test access to the private MariaDB server that scripts/test starts
// (scripts/db). ctest runs every test as a process of its own, in
// parallel, so each works in a database of its own:
//
//   ASSERT_TRUE(korvan_test::fresh_database("korvan_t_gui"));
//   Tools::Ref<Tools::Database> db = korvan_test::open_database("korvan_t_gui");
//
// Missing settings are an error, never a reason to skip: settings() throws
// std::runtime_error naming the missing variable.

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "tools/core/debug.h"
#include "tools/core/ref.h"
#include "tools/dbi/database.h"

namespace korvan_test {

// ODBCINI (the private odbc.ini), KORVAN_TEST_DSN (the data source of the
// default database), KORVAN_TEST_DB_USER, _PASSWORD, _NAME (the default
// database) and _SOCKET.
struct DbSettings
{
  std::string odbcini, dsn, user, password, name, socket;
};
DbSettings settings();

// Drops and creates the database and loads the create script into it one
// statement at a time, as an administrator would. False (with the reason
// on standard error) when any step fails.
bool fresh_database(const std::string &name);
// Runs the statements of a script one by one; false at the first failure.
bool load_script(Tools::Database &db, const std::string &script);
// A handle (AUTOCOMMIT off, as the program has it) working in the given
// database, or the data source's own for ""; test is_connected().
Tools::Ref<Tools::Database> open_database(const std::string &name = std::string());
// A handle of the server's administrator: the account that started the
// private server, let in through its socket without a password. For what
// the tests' database user may not do: the server's global settings and
// its general log, or the transactions of every session.
Tools::Ref<Tools::Database> open_owner();
// Writes an odbc.ini with one data source `dsn` for the database on the
// private server (or on the server behind `socket`), to run the real
// program against it (as ODBCINI). The data source names the character
// set given, as an administrator's may.
bool write_odbc_ini(const std::string &path, const std::string &dsn, const std::string &database,
                    const std::string &charset = "utf8mb4", const std::string &socket = "");
// Adds the data source `dsn` (as write_odbc_ini makes it) to a copy of the
// run's odbc.ini in the folder `dir`, which ODBCINI names from then on.
bool add_data_source(const std::string &dir, const std::string &dsn, const std::string &database,
                     const std::string &charset = "utf8mb4", const std::string &socket = "");

// A server that takes every connection and never answers (a hung one): a
// socket in a folder of its own that listens while nobody serves it, so
// that the system completes each connect and nothing more comes. The data
// source `dsn` names it, in a copy of the run's odbc.ini that ODBCINI names
// while the object lives.
class SilentServer
{
  std::string folder;
  std::string previous_odbcini;
  int fd = -1;

public:
  explicit SilentServer(const std::string &dsn);
  ~SilentServer();
  SilentServer(const SilentServer &) = delete;
  SilentServer &operator=(const SilentServer &) = delete;
  bool listening() const { return fd >= 0; }
};
// "<prefix>_<suite>_<test>" for the running test, cut to MariaDB's 64
// characters with a hash keeping it unique.
std::string test_database_name(const std::string &prefix);
// The first cell of the statement's first row, "" when there is none; a
// failed statement also fails the running test.
std::string query_value(Tools::Database &db, const std::string &sql);
// Whether the connection is inside a transaction it has yet to end: work
// left open, locks held. One the server has dropped holds none.
bool in_transaction(Tools::Database &db);
// The whole text of a file; empty when it cannot be read.
std::string slurp(const std::string &path);
// korvan-create-sql --upgrade | mariadb DATABASE, as an administrator runs
// it: whether it went through, and what the client printed.
bool upgrade(const std::string &database, std::string &printed);

// Keeps the log lines of every thread while installed (restores the
// previous sink after).
class LogCapture : public Tools::Debug
{
  Tools::Debug *previous = Tools::debug_sink;
  std::mutex lock;

public:
  std::vector<std::string> messages;
  LogCapture() { Tools::debug_sink = this; }
  ~LogCapture() override { Tools::debug_sink = previous; }
  void output(const char *, unsigned, const char *, const std::string &m) override
  {
    std::lock_guard<std::mutex> hold(lock);
    messages.push_back(m);
  }
  int count(const std::string &m) const { return static_cast<int>(std::count(messages.begin(), messages.end(), m)); }
};

} // namespace korvan_test

#endif
