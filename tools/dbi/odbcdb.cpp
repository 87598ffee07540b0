#include "tools/dbi/odbcdb.h"

#include <sql.h>
#include <sqlext.h>

#include <iostream>
#include <memory>

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

// "sql error\nquery: <statement>", and the server's reason on a line of its
// own when there is one.
std::string statement_error(const char *what, const std::string &shown, SQLHANDLE stmt)
{
  std::string reason = stmt ? diagnostics(SQL_HANDLE_STMT, stmt) : std::string();
  std::string text = format(what, shown);
  if (!reason.empty())
    text += "\n" + Secret::mask(reason);
  return text;
}

// The text the driver wrote into buf, cut at the length it reported and at
// the buffer's end.
std::string returned_text(const SQLCHAR *buf, SQLSMALLINT len, std::size_t capacity)
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

struct Column
{
  bool bound = false;
  SQLLEN capacity = 0; // buffer bytes, terminator included
  SQLLEN indicator = 0;
  char *buffer = nullptr;
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

} // namespace

ODBCDB::ODBCDB() : env(nullptr), dbc(nullptr), connected(false), error()
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

bool ODBCDB::connect(const char *dsn, const char *user, const char *password)
{
  if (!dbc) {
    error = "invalid handle";
    return false;
  }
  SQLRETURN rc = SQLConnect(static_cast<SQLHDBC>(dbc), (SQLCHAR *)dsn, SQL_NTS, (SQLCHAR *)user, SQL_NTS,
                            (SQLCHAR *)password, SQL_NTS);
  if (!succeeded(rc)) {
    std::string reason = Secret::mask(diagnostics(SQL_HANDLE_DBC, dbc));
    error = reason.empty() ? "connection failed" : "connection failed\n" + reason;
    return false;
  }
  connected = true;
  return true;
}

bool ODBCDB::select_db(const char *database)
{
  std::string name(database ? database : "");
  if (name.empty())
    return true;
  std::string quoted;
  for (char c : name) {
    if (c == '`')
      quoted += '`'; // a backtick inside a quoted name is doubled
    quoted += c;
  }
  return select("USE `" + quoted + "`", false).ok;
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
    return DBErg<DBRowList>();
  }

  // The statement goes into error texts as it is, never used as a format,
  // and without the secrets it carries.
  auto failed = [&](const char *what) {
    error = statement_error(what, Secret::mask(sql), stmt.handle);
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
    return DBErg<DBRowList>();
  }

  SQLSMALLINT n = 0;
  if (!succeeded(SQLNumResultCols(stmt.handle, &n)))
    return failed("sql error\nquery: %s");
  if (n <= 0)
    return DBErg<DBRowList>(std::vector<std::string>());

  const std::size_t count = static_cast<std::size_t>(n);
  std::vector<std::string> names;
  names.reserve(count);
  std::vector<Column> columns(count);
  SQLLEN total = 0;
  for (SQLUSMALLINT i = 1; i <= count; ++i) {
    SQLCHAR name[256];
    SQLSMALLINT name_len = 0, data_type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    name[0] = 0;
    SQLDescribeCol(stmt.handle, i, name, sizeof name, &name_len, &data_type, &size, &digits, &nullable);
    std::string column = returned_text(name, name_len, sizeof name);

    if (with_table_names) {
      SQLCHAR table[256];
      SQLSMALLINT table_len = 0;
      table[0] = 0;
      SQLColAttribute(stmt.handle, i, SQL_DESC_BASE_TABLE_NAME, table, sizeof table, &table_len, nullptr);
      std::string table_name = returned_text(table, table_len, sizeof table);
      TOOLS_LOG(format("Buffer: %s length: %d", table_name, static_cast<int>(table_name.size())));
      if (!table_name.empty())
        column = table_name + "." + column;
    }
    names.push_back(column);

    Column &c = columns[i - 1];
    if (size > 0 && size * BYTES_PER_CHAR + NUMBER_SLACK <= MAX_BOUND_BYTES) {
      c.bound = true;
      c.capacity = static_cast<SQLLEN>(size * BYTES_PER_CHAR + NUMBER_SLACK);
      total += c.capacity;
    }
  }

  // One block for all bound buffers.
  std::unique_ptr<char[]> block(new char[total > 0 ? static_cast<std::size_t>(total) : 1]);
  {
    char *p = block.get();
    for (SQLUSMALLINT i = 1; i <= count; ++i) {
      Column &c = columns[i - 1];
      if (!c.bound)
        continue;
      c.buffer = p;
      p += c.capacity;
      if (!succeeded(SQLBindCol(stmt.handle, i, SQL_C_CHAR, c.buffer, c.capacity, &c.indicator)))
        return failed("sql error\nquery: %s");
    }
  }

  DBErg<DBRowList> result(names);
  // The driver holds the whole result once the statement ran and knows its
  // size: one allocation for the row list instead of a growing one.
  SQLLEN expected = 0;
  if (succeeded(SQLRowCount(stmt.handle, &expected)) && expected > 0 && expected < 10000000)
    result.rows.rows.reserve(static_cast<std::size_t>(expected));
  std::string long_cell;
  while ((rc = SQLFetch(stmt.handle)) != SQL_NO_DATA) {
    if (!succeeded(rc)) {
      // A lost connection or a failed conversion: no half result.
      return failed("fetch error\nquery: %s");
    }
    result.rows.rows.emplace_back();
    std::vector<std::string> &row = result.rows.rows.back();
    row.reserve(count);
    for (SQLUSMALLINT i = 1; i <= count; ++i) {
      Column &c = columns[i - 1];
      if (c.bound) {
        if (c.indicator == SQL_NULL_DATA) {
          row.emplace_back();
          continue;
        }
        if (c.indicator >= 0 && c.indicator < c.capacity) {
          row.emplace_back(c.buffer, static_cast<std::size_t>(c.indicator));
          continue;
        }
        // The driver gave more than the column's size: read it again whole.
      }
      if (!get_long_data(stmt.handle, i, long_cell))
        return failed("fetch error\nquery: %s");
      row.push_back(long_cell);
    }
  }
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
