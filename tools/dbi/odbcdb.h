#ifndef KORVAN_TOOLS_DBI_ODBCDB_H
#define KORVAN_TOOLS_DBI_ODBCDB_H

// The driver that talks to one MariaDB data source through ODBC. Statements
// go as plain text, results come back as text cells. The ODBC headers stay
// in the source file: the handles are kept as opaque pointers.

#include <string>

#include "tools/dbi/db.h"

namespace Tools {

class ODBCDB : public DB
{
  void *env;
  void *dbc;
  bool connected;
  bool lost;
  DBFailure failure;
  std::string error;

  // Takes the failure's kind from its diagnostics on the handle, and
  // marks the connection lost when they say that it is gone.
  void note_failure(short handle_type, void *handle);

  // The session's database as the driver tracks it; empty when unknown.
  std::string current_database();

public:
  ODBCDB();
  ~ODBCDB() override;
  ODBCDB(const ODBCDB &) = delete;
  ODBCDB &operator=(const ODBCDB &) = delete;

  const char *get_error() override { return error.c_str(); }
  // A connection attribute: before connect the driver's own set-up
  // statements start the session with it, afterwards the driver sends it.
  bool set_autocommit(bool on) override;
  // SQL_SUCCESS_WITH_INFO is a connection too.
  bool connect(const char *dsn, const char *user, const char *password) override;
  // The data source names a database of its own; a name given here (the
  // "Datenbank" of the connection settings) is used instead, so that the
  // setting is not silently ignored. An empty name keeps the data source's,
  // and so does the name of the database the session is in already: the
  // driver knows it without asking the server.
  bool select_db(const char *database) override;
  DBErg<DBRowList> exec(const std::string &sql) override { return select(sql, false); }
  // Runs the statement once and reads every cell whole; NULL gives the
  // empty text. A fetch error fails the whole result.
  DBErg<DBRowList> select(const std::string &sql, bool with_table_names) override;
  void disconnect() override;
  int get_insert_id() override;
  bool connection_lost() override { return lost; }
  DBFailure get_failure() override { return failure; }
};

} // namespace Tools

#endif
