#ifndef KORVAN_TOOLS_DBI_DB_H
#define KORVAN_TOOLS_DBI_DB_H

// The boundary between the connection handle and a database client
// interface. Only Tools::Database creates, calls and deletes a driver.

#include <string>

#include "tools/dbi/dbbindtype.h"

namespace Tools {

class DB
{
public:
  virtual ~DB();
  // The last failure's text; a success does not clear it.
  virtual const char *get_error() = 0;
  // Whether the server commits every statement by itself. Asked before
  // connect, the session starts that way without a statement of its own.
  virtual bool set_autocommit(bool on) = 0;
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
};

} // namespace Tools

#endif
