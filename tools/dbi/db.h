#ifndef KORVAN_TOOLS_DBI_DB_H
#define KORVAN_TOOLS_DBI_DB_H

// The boundary between the connection handle and a database client
// interface. Only Tools::Database creates, calls and deletes a driver.

#include <string>

#include "tools/dbi/dbbindtype.h"

namespace Tools {

// What kind of failure a statement met, as far as the program acts on it.
enum class DBFailure {
  NONE,            // the statement succeeded
  LOCK_WAIT,       // another connection held a row or table longer than the wait
  DEADLOCK,        // the server broke a deadlock and rolled the transaction back
  ROW_REFERRED_TO, // a row another table's rows still name was to go or change
  ROW_MISSING,     // a row named a row of another table that does not exist
  DUPLICATE_KEY,   // a unique key another row holds already
  CONNECTION_LOST, // the server has dropped the connection
  NO_ANSWER,       // a connect found no server that answered within DB::CONNECT_TIMEOUT_SECONDS
  OTHER,
};

class DB
{
public:
  // How long a connect waits for the server to answer before it gives up:
  // a host that takes the connection and never answers (a server hung, a
  // firewall that swallows the packets) would keep the station waiting for
  // ever, at the start, in the login and in the connection dialog.
  static constexpr int CONNECT_TIMEOUT_SECONDS = 5;

  virtual ~DB();
  // The last failure's text; a success does not clear it.
  virtual const char *get_error() = 0;
  // Whether the server commits every statement by itself. Asked before
  // connect, the session starts that way without a statement of its own.
  virtual bool set_autocommit(bool on) = 0;
  // Gives up after CONNECT_TIMEOUT_SECONDS without an answer (NO_ANSWER).
  virtual bool connect(const char *dsn, const char *user, const char *password) = 0;
  virtual bool select_db(const char *database) = 0;
  // Rows come back with plain column names.
  virtual DBErg<DBRowList> exec(const std::string &sql) = 0;
  // With table names, a column of a table is named "TABLE.column".
  virtual DBErg<DBRowList> select(const std::string &sql, bool with_table_names) = 0;
  virtual void disconnect() = 0;
  virtual int get_insert_id() = 0;
  // Whether a failure showed that the server has dropped the connection
  // (a restart, a KILL, a session timed out). It stays dropped: nothing
  // reconnects, only a new connection works again.
  virtual bool connection_lost() = 0;
  // The kind of the last failure; a success does not clear it.
  virtual DBFailure get_failure() = 0;
};

} // namespace Tools

#endif
