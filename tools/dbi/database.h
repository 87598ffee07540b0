#ifndef KORVAN_TOOLS_DBI_DATABASE_H
#define KORVAN_TOOLS_DBI_DATABASE_H

// The program's connection to its database and the only object that talks
// to a driver. It connects at construction with the session in explicit
// transactions, runs statements, builds INSERT, UPDATE and SELECT
// texts from records' column names and values, and keeps the last
// statement and an error text for the callers' error reports.

#include <map>
#include <string>

#include "tools/dbi/db.h"
#include "tools/dbi/dbbindtype.h"

namespace Tools {

// What a failed statement leaves to report, taken before the statements
// that follow it (a rollback, say) replace it.
struct DBFailureReport
{
  DBFailure kind = DBFailure::NONE;
  std::string error;     // the database's words
  std::string statement; // the statement that failed
  // The server has dropped the connection: every statement fails until a
  // new one is made.
  bool connection_lost = false;
  // There never was a connection (the server could not be reached, say):
  // `error` holds why.
  bool not_connected = false;
};

class Database
{
  DB *db;
  std::string last_query;
  std::string error;
  DBFailure failure;
  unsigned long statements;

  void open(const std::string &host, const std::string &username, const std::string &password,
            const std::string &database);
  void drop_driver();
  // Remembers sql as the last statement; false when there is no driver.
  bool note_query(const std::string &sql);
  // Notes the kind of the result's failure, if any, and passes it on.
  DBErg<DBRowList> noted(DBErg<DBRowList> result);
  // "INSERT INTO table(names) " and then `then` ("VALUES ( ", say).
  std::string insert_head(const std::string &table, const std::vector<std::string> &names,
                          const char *then = "VALUES ( ") const;
  static std::string quoted_values(const std::vector<std::string> &values);

public:
  static const int ODBC = 3;
  // How long a unit of work waits for the rows it locks to change them
  // (FOR_UPDATE) before it gives up: another station is at work on them.
  static constexpr int LOCK_WAIT_SECONDS = 3;
  // Locks the rows a select reads until the transaction ends, waiting
  // LOCK_WAIT_SECONDS at most; a select's text ends with it.
  static const char *const FOR_UPDATE; // " for update wait 3"
  // The same for rows a unit of work only names (a price, a kind of
  // payment): they cannot be changed or deleted before it ends, while other
  // stations may still read and name them at the same time.
  static const char *const SHARE_LOCK; // " lock in share mode wait 3"
  // The longest any other statement waits for a row another connection
  // holds (a key another station is storing, say).
  static constexpr int SESSION_LOCK_WAIT_SECONDS = 5;
  // The SQL mode of every session, whatever the server's administrator
  // chose: strict, and reading a backslash as the escape that
  // Tools::sql_escape writes (with NO_BACKSLASH_ESCAPES a quoted value
  // could end early and become part of the statement).
  static constexpr const char *SQL_MODE =
      "STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO,NO_AUTO_CREATE_USER,NO_ENGINE_SUBSTITUTION";
  // The character set in which every session reads what the program sends
  // and sends what it reads, whatever the data source names: the program's
  // texts are UTF-8, and Tools::sql_escape escapes byte by byte, which is
  // safe only where no byte of a character can start one of two bytes that
  // takes the added backslash as its second (as in gbk, big5 or sjis).
  static constexpr const char *SESSION_CHARSET = "utf8mb4";

  Database(const std::string &host, const std::string &username, const std::string &password,
           const std::string &database, int kind);
  // Takes a driver of the caller's (owned from here on) and connects it
  // like the constructor above does with its own.
  Database(DB *driver, const std::string &host, const std::string &username, const std::string &password,
           const std::string &database);
  ~Database();
  Database(const Database &) = delete;
  Database &operator=(const Database &) = delete;

  bool is_connected() const { return db != nullptr; }
  bool operator!() const { return db == nullptr; }

  std::string get_error() const;
  // Whether the server has dropped this connection (see DB); a handle
  // that never connected has lost nothing.
  bool connection_lost() const { return db && db->connection_lost(); }
  // What kind of failure the last statement met: NONE when it succeeded,
  // CONNECTION_LOST once the server has dropped the connection, OTHER
  // without a driver. Ask before the next statement (a rollback, say).
  DBFailure last_failure() const { return failure; }
  // All of it, for a report.
  DBFailureReport failure_report() const
  {
    return DBFailureReport{failure, get_error(), get_last_query(), connection_lost(), !db};
  }
  std::string get_last_query() const { return last_query; }
  // How many statements the handle has sent. Rows kept from an earlier
  // statement tell by it whether the handle has written, committed or
  // rolled back since.
  unsigned long get_statement_count() const { return statements; }

  DBErg<DBRowList> exec(const std::string &sql);
  DBErg<DBRowList> select(const std::string &sql, bool with_table_names);

  // Both report whether the server ended the transaction.
  bool commit();
  bool rollback();

  int get_insert_id();

  // Every value goes between single quotes through Tools::sql_escape.
  DBErg<DBRowList> insert(const std::string &table, const DBRow &row);
  DBErg<DBRowList> insert(const std::string &table, const DBRowList &rows);
  // One row, or none, selected by `from` ("T join U ... where ..."): the
  // columns named in `taken` get the expression given there ("T.name"),
  // the others the row's values in quotes. `affected` of the result says
  // whether a row was inserted.
  DBErg<DBRowList> insert_select(const std::string &table, const DBRow &row,
                                 const std::map<std::string, std::string> &taken, const std::string &from);
  // The where text follows the last closing quote directly.
  DBErg<DBRowList> update(const std::string &table, const DBRow &row, std::string where);
  DBErg<DBRowList> select(const std::string &table, const DBRow &columns, const std::string &where);
};

} // namespace Tools

#endif
