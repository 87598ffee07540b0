#ifndef KORVAN_TESTS_SUPPORT_RECORDING_DB_H
#define KORVAN_TESTS_SUPPORT_RECORDING_DB_H

// A driver that passes every statement on to the real ODBC driver and
// remembers it, so that tests can check the exact statements a window or
// widget sends to the real server.

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tools/dbi/database.h"
#include "tools/dbi/db.h"
#include "tools/dbi/odbcdb.h"

namespace korvan_test {

class RecordingDB : public Tools::DB
{
  Tools::ODBCDB real;
  // Whether the last statement was one of `failing`.
  bool refused_last = false;
  // Records the statement, then fails it or has `send` run it.
  template <class Send> Tools::DBErg<Tools::DBRowList> pass(const std::string &sql, Send send);

public:
  std::vector<std::string> statements;
  // Run after each statement, with its text (for example to change the
  // table between two statements of one operation).
  std::function<void(RecordingDB &, const std::string &)> after;
  // Statements answered as failed (and recorded) without reaching the
  // server, for failures a real server cannot be made to give.
  std::set<std::string> failing;
  // Refuses the autocommit mode the same way.
  bool autocommit_fails = false;

  const char *get_error() override { return real.get_error(); }
  bool set_autocommit(bool on) override { return !autocommit_fails && real.set_autocommit(on); }
  bool connect(const char *dsn, const char *user, const char *password) override
  {
    return real.connect(dsn, user, password);
  }
  bool select_db(const char *database) override { return real.select_db(database); }
  Tools::DBErg<Tools::DBRowList> exec(const std::string &sql) override;
  Tools::DBErg<Tools::DBRowList> select(const std::string &sql, bool with_table_names) override;
  void disconnect() override { real.disconnect(); }
  int get_insert_id() override { return real.get_insert_id(); }
  bool connection_lost() override { return real.connection_lost(); }
  Tools::DBFailure get_failure() override { return refused_last ? Tools::DBFailure::OTHER : real.get_failure(); }
  // Runs a statement without recording it.
  Tools::DBErg<Tools::DBRowList> quiet(const std::string &sql) { return real.exec(sql); }
  // The recorded statements that start with the prefix.
  std::vector<std::string> starting_with(const std::string &prefix) const;
};

// A connection of the program's kind to `database` through a recording
// driver (owned by the handle); what the set-up sent is not recorded.
Tools::Ref<Tools::Database> connect_recording(const std::string &database, RecordingDB *&recorder);

} // namespace korvan_test

#endif
