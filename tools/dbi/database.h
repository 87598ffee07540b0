#ifndef KORVAN_TOOLS_DBI_DATABASE_H
#define KORVAN_TOOLS_DBI_DATABASE_H

// The program's connection to its database and the only object that talks
// to a driver. It connects at construction with the session in explicit
// transactions, runs statements, builds INSERT, UPDATE and SELECT
// texts from records' column names and values, and keeps the last
// statement and an error text for the callers' error reports.

#include <functional>
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
public:
  // What the transaction open on the connection holds.
  enum class Holding {
    NOTHING, // none is open, or it was ended
    READS,   // plain reads only: ending it changes no result
    WORK,    // a change or a lock: its unit of work ends it
  };

private:
  DB *db;
  std::string last_query;
  std::string error;
  DBFailure failure;
  unsigned long statements;
  Holding holding_now;
  // Statements on a table outside transactions are sent while above 0.
  int untransacted;
  std::function<void()> reads_opened;
  std::function<void()> work_opened;

  void open(const std::string &host, const std::string &username, const std::string &password,
            const std::string &database);
  void drop_driver();
  // Remembers sql as the last statement and what the transaction holds
  // once it has run; false when there is no driver.
  bool note_query(const std::string &sql);
  // Notes the kind of the result's failure, if any, and passes it on.
  DBErg<DBRowList> noted(DBErg<DBRowList> result);
  // What a statement (`sql`, whose first word is `word`) leaves the
  // transaction holding, after `before`.
  static Holding holding_after(Holding before, const std::string &word, const std::string &sql);
  // A commit or rollback done (or made moot by a lost connection) leaves
  // nothing open; passes the result on.
  DBErg<DBRowList> ended(const std::string &sql, DBErg<DBRowList> result);
  // "INSERT INTO table(names) " and then `then` ("VALUES ( ", say).
  static std::string insert_head(const std::string &table, const std::vector<std::string> &names,
                                 const char *then = "VALUES ( ");
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

  // Both report whether the server ended the transaction. A commit that
  // failed may have lost work, or (on a lost connection) stored it without
  // saying so: every caller says which to the person.
  [[nodiscard]] bool commit();
  bool rollback();

  // ---- what the open transaction holds ----
  //
  // Every statement but SET opens a transaction on a session without
  // autocommit, a plain read too, and the server then holds metadata
  // locks on every table it read until the transaction ends: an ALTER
  // TABLE or CREATE TRIGGER waits for a station that only looked at a
  // list. Since the sessions read committed rows, ending a transaction that
  // only read changes no result.
  //
  // By its first word, and its lock clause for a select: a plain read
  // (select, show, explain) holds READS; SET and USE hold nothing; commit and
  // rollback end it; anything else, or a select with FOR_UPDATE or
  // SHARE_LOCK, holds WORK (also when it failed: a refused statement may
  // keep its locks).
  Holding holding() const { return holding_now; }
  // Ends a transaction that holds READS with a commit; leaves one that
  // holds WORK to its unit of work. False only when the commit failed.
  bool end_reads();
  // Called when a plain read opens a transaction, so that the caller ends
  // it once the action is over (none: nobody is told).
  void on_reads_opened(std::function<void()> hook) { reads_opened = std::move(hook); }
  // Called when a statement makes the transaction hold work (from
  // nothing or from reads), so that the caller can see whether its unit
  // of work ended it (none: nobody is told).
  void on_work_opened(std::function<void()> hook) { work_opened = std::move(hook); }
  // While one lives, the handle's statements go to a table outside
  // transactions (LANG): they open nothing and leave what the transaction
  // holds as it was.
  class Untransacted
  {
    Database &db;

  public:
    explicit Untransacted(Database &database) : db(database) { ++db.untransacted; }
    ~Untransacted() { --db.untransacted; }
    Untransacted(const Untransacted &) = delete;
    Untransacted &operator=(const Untransacted &) = delete;
  };

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
  // Its text, for a caller that sends it itself (a benchmark that makes
  // years of lines in one statement, say); `select` begins the select
  // ("SELECT STRAIGHT_JOIN ", say).
  static std::string insert_select_text(const std::string &table, const DBRow &row,
                                        const std::map<std::string, std::string> &taken, const std::string &from,
                                        const char *select = "SELECT ");
  // The where text follows the last closing quote directly.
  DBErg<DBRowList> update(const std::string &table, const DBRow &row, std::string where);
  DBErg<DBRowList> select(const std::string &table, const DBRow &columns, const std::string &where);
};

} // namespace Tools

#endif
