#include "tools/dbi/database.h"

#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/odbcdb.h"
#include "tools/dbi/secret.h"

namespace Tools {

namespace {
const char *const NO_DATABASE = "No Database!";
}

const char *const Database::FOR_UPDATE = " for update wait 3";
const char *const Database::SHARE_LOCK = " lock in share mode wait 3";
static_assert(Database::LOCK_WAIT_SECONDS == 3, "FOR_UPDATE and SHARE_LOCK name the wait");

DB::~DB() = default;

Database::Database(const std::string &host, const std::string &username, const std::string &password,
                   const std::string &database, int kind)
    : db(kind == ODBC ? new ODBCDB() : nullptr), last_query(), error(NO_DATABASE), failure(DBFailure::NONE), statements(0),
      holding_now(Holding::NOTHING), untransacted(0)
{
  if (db)
    open(host, username, password, database);
}

Database::Database(DB *driver, const std::string &host, const std::string &username, const std::string &password,
                   const std::string &database)
    : db(driver), last_query(), error(NO_DATABASE), failure(DBFailure::NONE), statements(0),
      holding_now(Holding::NOTHING), untransacted(0)
{
  if (db)
    open(host, username, password, database);
}

Database::~Database() { delete db; }

void Database::drop_driver()
{
  error = db->get_error();
  // The set-up statement's failure, or the connect's (NO_ANSWER, say).
  if (failure == DBFailure::NONE)
    failure = db->get_failure();
  if (failure == DBFailure::NONE)
    failure = DBFailure::OTHER;
  delete db;
  db = nullptr;
}

void Database::open(const std::string &host, const std::string &username, const std::string &password,
                    const std::string &database)
{
  // Every change runs in a transaction that only commit or rollback ends.
  // Asked for before connecting, the driver's own set-up statements start
  // the session that way, without one more of ours.
  if (!db->set_autocommit(false) || !db->connect(host.c_str(), username.c_str(), password.c_str())) {
    drop_driver();
    return;
  }
  // Without this the session would keep its first snapshot and never see
  // lines that other terminals commit.
  if (!exec("SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED;"))
    drop_driver();
  // A station waits on another's unfinished save (a row it changes, a key
  // it is storing) a few seconds at most, then gets a refusal to report.
  // The same statement fixes the session's SQL mode and character set, so
  // that quoted values mean what they say on any server and through any
  // data source.
  else if (!exec(format("SET SESSION innodb_lock_wait_timeout = %d, sql_mode = '%s', character_set_client = %s, "
                        "character_set_connection = %s, character_set_results = %s;",
                        SESSION_LOCK_WAIT_SECONDS, SQL_MODE, SESSION_CHARSET, SESSION_CHARSET, SESSION_CHARSET)))
    drop_driver();
  // The database's name goes in that character set too: read in the data
  // source's own (gbk, say), a name's last byte could take its closing
  // quote and choose another database or none.
  else if (!db->select_db(database.c_str()))
    drop_driver();
}

std::string Database::get_error() const { return Secret::mask(db ? std::string(db->get_error()) : error); }

namespace {

// The statement's first word, in lower case.
std::string first_word(const std::string &sql)
{
  std::size_t i = 0;
  while (i < sql.size() && (isspace(static_cast<unsigned char>(sql[i])) || sql[i] == '('))
    ++i;
  std::string word;
  for (; i < sql.size() && isalpha(static_cast<unsigned char>(sql[i])); ++i)
    word += static_cast<char>(tolower(static_cast<unsigned char>(sql[i])));
  return word;
}

// Whether a select locks what it reads. A value that holds such words
// only makes the read count as work, which its caller ends: the safe side.
bool locks(const std::string &sql)
{
  const std::string upper = toupper(sql);
  return upper.find("FOR UPDATE") != std::string::npos || upper.find("LOCK IN SHARE MODE") != std::string::npos ||
         upper.find("FOR SHARE") != std::string::npos;
}

bool ends(const std::string &word) { return word == "commit" || word == "rollback"; }

} // namespace

Database::Holding Database::holding_after(Holding before, const std::string &word, const std::string &sql)
{
  // Settings of the session (and the database it works in) open nothing.
  if (word == "set" || word == "use")
    return before;
  if (ends(word))
    return Holding::NOTHING;
  const bool read = word == "select" || word == "show" || word == "explain" || word == "describe" || word == "desc";
  if (!read || locks(sql))
    return Holding::WORK;
  return before == Holding::NOTHING ? Holding::READS : before;
}

bool Database::note_query(const std::string &sql)
{
  // Kept for error reports: without the secrets of the statement.
  last_query = Secret::mask(sql);
  ++statements;
  // Without a driver the error and its kind stay what connecting met: the
  // reason why there is no connection, for the report.
  if (!db) {
    if (failure == DBFailure::NONE)
      failure = DBFailure::OTHER;
    return false;
  }
  // An end that failed may have ended nothing: it counts once it is done
  // (see ended).
  const std::string word = first_word(sql);
  if (untransacted > 0 || ends(word))
    return true;
  const Holding before = holding_now;
  holding_now = holding_after(before, word, sql);
  if (before == Holding::NOTHING && holding_now == Holding::READS && reads_opened)
    reads_opened();
  if (before != Holding::WORK && holding_now == Holding::WORK && work_opened)
    work_opened();
  return true;
}

DBErg<DBRowList> Database::ended(const std::string &sql, DBErg<DBRowList> result)
{
  // The server has ended the transaction itself when it dropped the
  // connection.
  if (untransacted == 0 && ends(first_word(sql)) && (result.ok || connection_lost()))
    holding_now = Holding::NOTHING;
  return result;
}

DBErg<DBRowList> Database::noted(DBErg<DBRowList> result)
{
  failure = result.ok ? DBFailure::NONE : db->get_failure();
  return result;
}

DBErg<DBRowList> Database::exec(const std::string &sql)
{
  return note_query(sql) ? ended(sql, noted(db->exec(sql))) : DBErg<DBRowList>();
}

DBErg<DBRowList> Database::select(const std::string &sql, bool with_table_names)
{
  return note_query(sql) ? ended(sql, noted(db->select(sql, with_table_names))) : DBErg<DBRowList>();
}

bool Database::commit() { return exec("commit;").ok; }

bool Database::rollback() { return exec("rollback;").ok; }

bool Database::end_reads() { return holding_now != Holding::READS || commit(); }

int Database::get_insert_id() { return db ? db->get_insert_id() : 0; }

std::string Database::insert_head(const std::string &table, const std::vector<std::string> &names, const char *then)
{
  std::string sql = "INSERT INTO " + table + "(";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i)
      sql += ",\n";
    sql += names[i];
  }
  sql += ") ";
  sql += then;
  return sql;
}

std::string Database::quoted_values(const std::vector<std::string> &values)
{
  std::string sql;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i)
      sql += ",\n";
    sql += "'";
    sql += sql_escape(values[i]);
    sql += "'";
  }
  sql += ")";
  return sql;
}

DBErg<DBRowList> Database::insert(const std::string &table, const DBRow &row)
{
  return exec(insert_head(table, row.names) + quoted_values(row.values));
}

DBErg<DBRowList> Database::insert(const std::string &table, const DBRowList &rows)
{
  const std::string head = insert_head(table, rows.names);
  DBErg<DBRowList> result;
  for (const std::vector<std::string> &values : rows.rows) {
    result = exec(head + quoted_values(values));
    if (!result)
      break;
  }
  return result;
}

DBErg<DBRowList> Database::insert_select(const std::string &table, const DBRow &row,
                                         const std::map<std::string, std::string> &taken, const std::string &from)
{
  return exec(insert_select_text(table, row, taken, from));
}

std::string Database::insert_select_text(const std::string &table, const DBRow &row,
                                         const std::map<std::string, std::string> &taken, const std::string &from,
                                         const char *select)
{
  std::string sql = insert_head(table, row.names, select);
  for (std::size_t i = 0; i < row.names.size(); ++i) {
    if (i)
      sql += ",\n";
    const auto column = taken.find(row.names[i]);
    if (column != taken.end())
      sql += column->second;
    else
      sql += "'" + sql_escape(i < row.values.size() ? row.values[i] : std::string()) + "'";
  }
  return sql + "\nFROM " + from;
}

DBErg<DBRowList> Database::update(const std::string &table, const DBRow &row, std::string where)
{
  std::string sql = "UPDATE " + table + " SET ";
  for (std::size_t i = 0; i < row.names.size(); ++i) {
    if (i)
      sql += ",\n";
    sql += row.names[i];
    sql += "='";
    if (i < row.values.size())
      sql += sql_escape(row.values[i]);
    sql += "'";
  }
  sql += where;
  return exec(sql);
}

DBErg<DBRowList> Database::select(const std::string &table, const DBRow &columns, const std::string &where)
{
  std::string list;
  for (std::size_t i = 0; i < columns.names.size(); ++i) {
    if (i)
      list += ",";
    list += columns.names[i];
  }
  return exec(format("SELECT %s FROM %s %s", list, table, where));
}

} // namespace Tools
