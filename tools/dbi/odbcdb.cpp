#include "tools/dbi/odbcdb.h"

#include <sql.h>
#include <sqlext.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/secret.h"

namespace Tools {

namespace {

// Columns whose text fits this many bytes are bound to a buffer; wider or
// unsized ones (TEXT, BLOB) are read piecewise with SQLGetData.
const SQLULEN MAX_BOUND_BYTES = 16384;
// Room for sign, point and exponent of numbers whose size is their digits.
const SQLULEN NUMBER_SLACK = 64;
// utf8mb4 takes up to four bytes per character.
const SQLULEN BYTES_PER_CHAR = 4;

bool succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// The server's own words on a failure ("Duplicate entry ...", "Cannot
// delete or update a parent row ..."), one line per record, without the
// driver's "[vendor][version]" tags. Without them an error box could only
// say that something failed.
std::string diagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
  std::string text;
  for (SQLSMALLINT rec = 1; rec <= 5; ++rec) {
    SQLCHAR state[6] = {0};
    SQLCHAR message[1024] = {0};
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    SQLRETURN rc = SQLGetDiagRec(type, handle, rec, state, &native, message, sizeof message, &len);
    if (!succeeded(rc))
      break;
    std::string line(reinterpret_cast<char *>(message));
    while (!line.empty() && line[0] == '[') {
      std::string::size_type close = line.find(']');
      if (close == std::string::npos)
        break;
      line.erase(0, close + 1);
    }
    if (!text.empty())
      text += "\n";
    text += line;
  }
  return text;
}

// The kind of failure the diagnostics report, from the server's error
// numbers (MariaDB's). The connection itself is gone on a connection
// exception (class 08, "Connection not open" on every statement after
// the loss), or on the client library's numbers for a server gone away
// or lost, a network read or write that failed (the first statement
// after a restart or a KILL), a session killed or ended by the server
// for inactivity.
DBFailure failure_kind(SQLSMALLINT type, SQLHANDLE handle)
{
  static const SQLINTEGER gone[] = {1927, 2006, 2013, 2055, 4031, 5013, 5014};
  static const struct
  {
    SQLINTEGER number;
    DBFailure kind;
  } kinds[] = {
      {1205, DBFailure::LOCK_WAIT},       {1213, DBFailure::DEADLOCK},
      {1451, DBFailure::ROW_REFERRED_TO}, {1217, DBFailure::ROW_REFERRED_TO},
      {1452, DBFailure::ROW_MISSING},     {1216, DBFailure::ROW_MISSING},
      {1062, DBFailure::DUPLICATE_KEY},   {1586, DBFailure::DUPLICATE_KEY},
      {1022, DBFailure::DUPLICATE_KEY},
  };
  DBFailure found = DBFailure::OTHER;
  for (SQLSMALLINT rec = 1; rec <= 5; ++rec) {
    SQLCHAR state[6] = {0};
    SQLCHAR message[256] = {0};
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    if (!succeeded(SQLGetDiagRec(type, handle, rec, state, &native, message, sizeof message, &len)))
      break;
    if (state[0] == '0' && state[1] == '8')
      return DBFailure::CONNECTION_LOST;
    for (SQLINTEGER code : gone)
      if (native == code)
        return DBFailure::CONNECTION_LOST;
    for (const auto &k : kinds)
      if (native == k.number && found == DBFailure::OTHER)
        found = k.kind;
  }
  return found;
}

// A failure's text, and the server's reason on a line of its own when there
// is one, without the secrets it may quote.
std::string with_reason(std::string text, const std::string &reason)
{
  if (!reason.empty())
    text += "\n" + Secret::mask(reason);
  return text;
}

// A value of a connection string as it is: in braces, a closing brace
// inside doubled.
std::string braced(const char *value)
{
  std::string text = "{";
  for (const char *c = value ? value : ""; *c; ++c) {
    if (*c == '}')
      text += '}';
    text += *c;
  }
  return text + "}";
}

// Whether the driver takes the value from a connection string as it is:
// it drops white space at either end.
bool kept_in_braces(const char *value)
{
  const std::size_t n = value ? std::strlen(value) : 0;
  return n == 0 || (!std::isspace(static_cast<unsigned char>(value[0])) &&
                    !std::isspace(static_cast<unsigned char>(value[n - 1])));
}

// The text the driver wrote into buf, cut at the length it reported and at
// the buffer's end.
std::string returned_text(const SQLCHAR *buf, SQLINTEGER len, std::size_t capacity)
{
  std::size_t n = len < 0 ? 0 : static_cast<std::size_t>(len);
  if (n >= capacity)
    n = capacity - 1;
  return std::string(reinterpret_cast<const char *>(buf), n);
}

struct Statement
{
  SQLHSTMT handle = SQL_NULL_HSTMT;
  ~Statement()
  {
    if (handle != SQL_NULL_HSTMT)
      SQLFreeHandle(SQL_HANDLE_STMT, handle);
  }
};

// Reads a whole cell piecewise. False on a driver error.
bool get_long_data(SQLHSTMT stmt, SQLUSMALLINT col, std::string &out)
{
  out.clear();
  char chunk[4096];
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(stmt, col, SQL_C_CHAR, chunk, sizeof chunk, &indicator);
    if (rc == SQL_NO_DATA)
      return true;
    if (!succeeded(rc))
      return false;
    if (indicator == SQL_NULL_DATA) {
      out.clear();
      return true;
    }
    if (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof chunk)) {
      out.append(chunk, sizeof chunk - 1); // a part; more follows
      continue;
    }
    out.append(chunk, static_cast<std::size_t>(indicator));
    if (rc == SQL_SUCCESS)
      return true;
  }
}

// "YYYY-MM-DD HH:MM:SS", the text the driver gives for a date-time
// without fractions, written onto the end of row from the driver's struct:
// the driver's own conversion prints every cell through a format and took
// a quarter of the time of reading order lines.
void append_timestamp(std::vector<std::string> &row, const char *buffer)
{
  static const char pairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                              "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                              "8081828384858687888990919293949596979899";
  SQL_TIMESTAMP_STRUCT t;
  std::memcpy(&t, buffer, sizeof t);
  char text[19] = {'0', '0', '0', '0', '-', '0', '0', '-', '0', '0', ' ', '0', '0', ':', '0', '0', ':', '0', '0'};
  auto two = [&](char *out, unsigned value) { std::memcpy(out, pairs + 2 * (value % 100), 2); };
  const unsigned year = static_cast<unsigned>(t.year) % 10000;
  two(text, year / 100);
  two(text + 2, year % 100);
  two(text + 5, t.month);
  two(text + 8, t.day);
  two(text + 11, t.hour);
  two(text + 14, t.minute);
  two(text + 17, t.second);
  row.emplace_back(text, sizeof text);
}

// The driver gives the zero date as NULL in a date-time struct.
const char *const ZERO_TIMESTAMP = "0000-00-00 00:00:00";

// How one result column is read: bound as text, bound as a date-time
// struct, or piecewise with SQLGetData (TEXT, BLOB and the unsized).
struct Column
{
  enum Kind { PIECES, TEXT, TIMESTAMP };
  Kind kind = PIECES;
  bool nullable = true;
  SQLLEN capacity = 0; // buffer bytes, a text's terminator included
  SQLLEN indicator = 0;
  char *buffer = nullptr;

  Column() = default;
  Column(SQLSMALLINT type, SQLULEN size, SQLSMALLINT digits, SQLSMALLINT nulls) : nullable(nulls != SQL_NO_NULLS)
  {
    if (type == SQL_TYPE_TIMESTAMP && digits == 0) {
      kind = TIMESTAMP;
      capacity = sizeof(SQL_TIMESTAMP_STRUCT);
    } else if (size > 0 && size * BYTES_PER_CHAR + NUMBER_SLACK <= MAX_BOUND_BYTES) {
      kind = TEXT;
      capacity = static_cast<SQLLEN>(size * BYTES_PER_CHAR + NUMBER_SLACK);
    }
  }
};

// The columns of one executed statement and the one block that holds
// their bound buffers.
class ResultColumns
{
  SQLHSTMT stmt;
  std::vector<Column> columns;
  std::unique_ptr<char[]> block;

  // A cell that is no plain text or date-time, or NULL.
  bool read_other(SQLUSMALLINT number, std::vector<std::string> &row, std::string &scratch);

public:
  explicit ResultColumns(SQLHSTMT stmt) : stmt(stmt) {}
  // The columns' names, "TABLE.column" with table names for columns of a
  // table; chooses how each column is read.
  std::vector<std::string> describe(SQLSMALLINT count, bool with_table_names);
  bool bind();
  // Every row; false on a driver error (no half result).
  bool fetch_all(std::vector<std::vector<std::string> > &rows);
};

std::vector<std::string> ResultColumns::describe(SQLSMALLINT count, bool with_table_names)
{
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(count));
  columns.clear();
  columns.reserve(static_cast<std::size_t>(count));
  for (SQLUSMALLINT i = 1; i <= count; ++i) {
    SQLCHAR name[256];
    SQLSMALLINT name_len = 0, data_type = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
    SQLULEN size = 0;
    name[0] = 0;
    SQLDescribeCol(stmt, i, name, sizeof name, &name_len, &data_type, &size, &digits, &nullable);
    std::string column = returned_text(name, name_len, sizeof name);

    if (with_table_names) {
      SQLCHAR table[256];
      SQLSMALLINT table_len = 0;
      table[0] = 0;
      SQLColAttribute(stmt, i, SQL_DESC_BASE_TABLE_NAME, table, sizeof table, &table_len, nullptr);
      std::string table_name = returned_text(table, table_len, sizeof table);
      TOOLS_LOG(format("Buffer: %s length: %d", table_name, static_cast<int>(table_name.size())));
      if (!table_name.empty())
        column = table_name + "." + column;
    }
    names.push_back(column);
    columns.emplace_back(data_type, size, digits, nullable);
  }
  return names;
}

bool ResultColumns::bind()
{
  // Every buffer starts where a date-time struct may.
  const SQLLEN align = alignof(SQL_TIMESTAMP_STRUCT);
  auto room = [align](const Column &c) { return (c.capacity + align - 1) / align * align; };
  SQLLEN total = 0;
  for (const Column &c : columns)
    if (c.kind != Column::PIECES)
      total += room(c);
  block.reset(new char[total > 0 ? static_cast<std::size_t>(total) : 1]);
  char *p = block.get();
  for (SQLUSMALLINT i = 1; i <= columns.size(); ++i) {
    Column &c = columns[i - 1];
    if (c.kind == Column::PIECES)
      continue;
    c.buffer = p;
    p += room(c);
    const SQLSMALLINT target = c.kind == Column::TIMESTAMP ? SQL_C_TYPE_TIMESTAMP : SQL_C_CHAR;
    if (!succeeded(SQLBindCol(stmt, i, target, c.buffer, c.capacity, &c.indicator)))
      return false;
  }
  return true;
}

bool ResultColumns::read_other(SQLUSMALLINT number, std::vector<std::string> &row, std::string &scratch)
{
  const Column &c = columns[number - 1];
  if (c.kind == Column::TEXT && c.indicator == SQL_NULL_DATA) {
    row.emplace_back();
    return true;
  }
  // The zero date comes as NULL from a column that holds no NULL; any other
  // NULL date, a text longer than its column's size and the unsized
  // columns are read whole through the driver's text.
  if (c.kind == Column::TIMESTAMP && c.indicator == SQL_NULL_DATA && !c.nullable) {
    row.emplace_back(ZERO_TIMESTAMP);
    return true;
  }
  if (!get_long_data(stmt, number, scratch))
    return false;
  row.push_back(scratch);
  return true;
}

bool ResultColumns::fetch_all(std::vector<std::vector<std::string> > &rows)
{
  // The driver holds the whole result once the statement ran and knows its
  // size: one allocation for the row list instead of a growing one.
  SQLLEN expected = 0;
  if (succeeded(SQLRowCount(stmt, &expected)) && expected > 0 && expected < 10000000)
    rows.reserve(static_cast<std::size_t>(expected));
  const std::size_t n = columns.size();
  std::string scratch;
  for (;;) {
    const SQLRETURN rc = SQLFetch(stmt);
    if (rc == SQL_NO_DATA)
      return true;
    if (!succeeded(rc))
      return false; // a lost connection or a failed conversion
    rows.emplace_back();
    std::vector<std::string> &row = rows.back();
    row.reserve(n);
    // The common cells first: a text within its column's size, a date-time.
    for (std::size_t i = 0; i < n; ++i) {
      const Column &c = columns[i];
      if (c.kind == Column::TEXT && c.indicator >= 0 && c.indicator < c.capacity)
        row.emplace_back(c.buffer, static_cast<std::size_t>(c.indicator));
      else if (c.kind == Column::TIMESTAMP && c.indicator != SQL_NULL_DATA)
        append_timestamp(row, c.buffer);
      else if (!read_other(static_cast<SQLUSMALLINT>(i + 1), row, scratch))
        return false;
    }
  }
}

} // namespace

ODBCDB::ODBCDB()
    : env(nullptr), dbc(nullptr), connected(false), lost(false), failure(DBFailure::NONE), error()
{
  SQLHENV e = SQL_NULL_HENV;
  if (succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &e))) {
    env = e;
    SQLSetEnvAttr(e, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLHDBC c = SQL_NULL_HDBC;
    if (succeeded(SQLAllocHandle(SQL_HANDLE_DBC, e, &c)))
      dbc = c;
  }
}

ODBCDB::~ODBCDB()
{
  disconnect();
  if (dbc)
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  if (env)
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

bool ODBCDB::set_autocommit(bool on)
{
  if (!dbc) {
    error = "invalid handle";
    failure = DBFailure::OTHER;
    return false;
  }
  const SQLULEN mode = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
  if (succeeded(SQLSetConnectAttr(static_cast<SQLHDBC>(dbc), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(mode), 0)))
    return true;
  error = with_reason("autocommit failed", diagnostics(SQL_HANDLE_DBC, dbc));
  failure = DBFailure::OTHER;
  return false;
}

bool ODBCDB::connect(const char *dsn, const char *user, const char *password)
{
  if (!dbc) {
    error = "invalid handle";
    failure = DBFailure::OTHER;
    return false;
  }
  // The driver bounds the connect, the server's first answer included,
  // only by its data source key CONN_TIMEOUT, given here over the data
  // source's own: SQL_ATTR_LOGIN_TIMEOUT it takes and ignores. So the
  // data source, user and password go as a connection string, each in
  // braces, which keep ';', '=' and blanks within as they are; an empty
  // user is the account's own, as with SQLConnect. Blanks around a value
  // the driver drops, braces or not: a name or password with them goes
  // through SQLConnect as it is, unbounded, rather than not at all. So
  // does an empty data source, which SQLConnect refuses, where a
  // connection string would reach the first one configured.
  const bool bounded = dsn && *dsn && kept_in_braces(dsn) && kept_in_braces(user) && kept_in_braces(password);
  const std::string in = "DSN=" + braced(dsn) + ";UID=" + braced(user) + ";PWD=" + braced(password) +
                         ";CONN_TIMEOUT=" + std::to_string(CONNECT_TIMEOUT_SECONDS);
  const auto start = std::chrono::steady_clock::now();
  SQLHDBC handle = static_cast<SQLHDBC>(dbc);
  const SQLRETURN rc =
      bounded ? SQLDriverConnect(handle, nullptr, (SQLCHAR *)in.c_str(), SQL_NTS, nullptr, 0, nullptr,
                                 SQL_DRIVER_NOPROMPT)
              : SQLConnect(handle, (SQLCHAR *)dsn, SQL_NTS, (SQLCHAR *)user, SQL_NTS, (SQLCHAR *)password, SQL_NTS);
  if (!succeeded(rc)) {
    // Whatever the driver calls it (a handshake lost, a connect timed
    // out): a connect that took the whole bound found no server answering.
    const bool no_answer =
        bounded && std::chrono::steady_clock::now() - start >= std::chrono::seconds(CONNECT_TIMEOUT_SECONDS);
    failure = no_answer ? DBFailure::NO_ANSWER : DBFailure::OTHER;
    error = with_reason(no_answer ? format("connection failed\nno answer from the server within %d seconds",
                                           CONNECT_TIMEOUT_SECONDS)
                                  : std::string("connection failed"),
                        diagnostics(SQL_HANDLE_DBC, dbc));
    return false;
  }
  connected = true;
  return true;
}

std::string ODBCDB::current_database()
{
  SQLCHAR name[512] = {0};
  SQLINTEGER len = 0;
  if (!connected || !succeeded(SQLGetConnectAttr(static_cast<SQLHDBC>(dbc), SQL_ATTR_CURRENT_CATALOG, name,
                                                 sizeof name, &len)))
    return std::string();
  return returned_text(name, len, sizeof name);
}

bool ODBCDB::select_db(const char *database)
{
  std::string name(database ? database : "");
  if (name.empty() || name == current_database())
    return true;
  std::string quoted;
  for (char c : name) {
    if (c == '`')
      quoted += '`'; // a backtick inside a quoted name is doubled
    quoted += c;
  }
  return select("USE `" + quoted + "`", false).ok;
}

void ODBCDB::note_failure(short handle_type, void *handle)
{
  failure = handle ? failure_kind(handle_type, handle) : DBFailure::OTHER;
  if (failure == DBFailure::CONNECTION_LOST && connected)
    lost = true;
  // A dead handle fails every statement with words of its own.
  if (lost)
    failure = DBFailure::CONNECTION_LOST;
}

void ODBCDB::disconnect()
{
  if (connected && dbc)
    SQLDisconnect(static_cast<SQLHDBC>(dbc));
  connected = false;
}

DBErg<DBRowList> ODBCDB::select(const std::string &sql, bool with_table_names)
{
  Statement stmt;
  if (!dbc || !succeeded(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(dbc), &stmt.handle))) {
    stmt.handle = SQL_NULL_HSTMT;
    error = "invalid handle";
    note_failure(SQL_HANDLE_DBC, dbc);
    return DBErg<DBRowList>();
  }

  // The statement goes into error texts as it is, never used as a format,
  // and without the secrets it carries.
  auto failed = [&](const char *what) {
    error = with_reason(format(what, Secret::mask(sql)), diagnostics(SQL_HANDLE_STMT, stmt.handle));
    note_failure(SQL_HANDLE_STMT, stmt.handle);
    return DBErg<DBRowList>();
  };

  SQLRETURN rc = SQLExecDirect(stmt.handle, (SQLCHAR *)sql.data(), static_cast<SQLINTEGER>(sql.size()));
  if (rc == SQL_ERROR) {
    std::cout << "here\n" << Secret::mask(sql) << "\n";
    std::cout.flush();
    return failed("sql error\nquery: %s");
  }
  if (rc == SQL_INVALID_HANDLE) {
    error = "invalid handle";
    note_failure(SQL_HANDLE_STMT, nullptr);
    return DBErg<DBRowList>();
  }

  SQLSMALLINT n = 0;
  if (!succeeded(SQLNumResultCols(stmt.handle, &n)))
    return failed("sql error\nquery: %s");
  if (n <= 0) {
    DBErg<DBRowList> done((std::vector<std::string>()));
    SQLLEN count = 0;
    if (succeeded(SQLRowCount(stmt.handle, &count)))
      done.affected = static_cast<long>(count);
    return done;
  }

  ResultColumns columns(stmt.handle);
  DBErg<DBRowList> result(columns.describe(n, with_table_names));
  if (!columns.bind())
    return failed("sql error\nquery: %s");
  if (!columns.fetch_all(result.rows.rows))
    return failed("fetch error\nquery: %s");
  return result;
}

int ODBCDB::get_insert_id()
{
  DBErg<DBRowList> result = select("SELECT LAST_INSERT_ID()", false);
  if (result.rows.rows.empty() || result.rows.rows[0].empty())
    return 0;
  return from_text<int>(result.rows.rows[0][0], 0);
}

} // namespace Tools
