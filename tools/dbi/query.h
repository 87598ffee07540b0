#ifndef KORVAN_TOOLS_DBI_QUERY_H
#define KORVAN_TOOLS_DBI_QUERY_H

// The query layer: how the program reads values and records and writes
// records back. A query template names all columns of a bound record by a
// table token, a percent sign and the table name:
//
//   Tools::format("select %%ART from ART where idx = '%s'", key)
//
// reaches the layer as "select %ART from ART where idx = '7'" and runs as
// "select  ART.idx,ART.gueltig,... from ART where idx = '7'". Tokens inside
// quoted literals are left alone, so a value such as '100%ART' stays as
// it is. Reads return the rows loaded or -1 when the statement failed; the
// caller then reports Database::get_error and get_last_query.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "tools/core/base_exception.h"
#include "tools/core/ref.h"
#include "tools/dbi/database.h"
#include "tools/dbi/dbbindtype.h"

namespace Tools {

// A page of a read: " limit offset, count" is appended, and a successful
// read moves offset on by the rows it gave. The layer orders the rows of a
// paged read by something no two rows share (stable_order), so that the
// pages neither repeat nor lose rows.
//
// The first pages of a read go to the server as asked. A read that goes
// on beyond them reads a long list, and each further page would make the
// server step over every row before it again (20,000 rows in pages of a
// hundred took fourteen times as long as one read). So from there on one
// statement reads ahead as many rows as the read has given so far, at most
// MAX_AHEAD, and the pages are handed out from those. A statement ordered
// by its key alone reads ahead from behind the last key given (after_key):
// the server finds that place without stepping over the rows before, and
// a row another station deleted or added before it shifts nothing. A page
// from the read-ahead shows the database as that statement saw it, as one
// long read would; the server is asked again
//   - when the handle has sent any other statement since (a write, a
//     commit or a rollback: the page then shows the database now),
//   - when the page is asked for more than MAX_IDLE_MS after the one
//     before: a list that pages on a person's action would otherwise show
//     what other stations changed or deleted meanwhile only after its
//     read-ahead ran out,
//   - when the read-ahead is used up at the end of the rows (a row added
//     since is found),
//   - and for a page whose offset or statement does not continue the read.
struct DBLimit
{
  // The most rows one read-ahead holds (a multiple of count is used).
  static constexpr unsigned MAX_AHEAD = 5000;
  // Pages asked for closer together than this come from the read-ahead.
  static constexpr int MAX_IDLE_MS = 1000;

  unsigned count;
  unsigned offset;

  explicit DBLimit(unsigned count) : count(count), offset(0) {}
  std::string text() const;
  // The page at offset of the statement `query` (the limit not yet
  // appended), through Database::select with table names or exec. `key`
  // is the column the statement is ordered by alone, when that is unique.
  DBErg<DBRowList> read(Database &db, const std::string &query, bool with_table_names,
                        const std::string &key = std::string());

private:
  // The read that the next page continues.
  const Database *source = nullptr;
  unsigned long source_statements = 0; // the handle's count after our statement
  std::string query;
  bool table_names = false;
  std::string key;      // the unique column the statement is ordered by, or empty
  std::string last_key; // its value in the last row given, or empty
  unsigned next_offset = 0;
  unsigned given = 0; // rows its pages gave
  std::chrono::steady_clock::time_point last_page;
  // Rows read ahead; those from `taken` on are not handed out yet.
  DBErg<DBRowList> ahead;
  std::size_t taken = 0;
  bool ahead_reached_end = false;

  DBErg<DBRowList> run(Database &db, const std::string &sql);
  void moved_on(const DBErg<DBRowList> &page);
  DBErg<DBRowList> hand_out(std::size_t rows);
};

// Binds caller-owned arrays of records (all of one length) for
// select_object_rows; result row r goes to record r of every array.
class DBArrayBind
{
  std::vector<DBBindType *> rows; // row-major: row * arrays + array
  std::vector<std::vector<DBBindType *> > arrays;
  int length;

public:
  DBArrayBind() : length(0) {}

  template <class T, std::size_t N> DBArrayBind &bind_array(T (&array)[N])
  {
    if (length != 0 && static_cast<std::size_t>(length) != N)
      throw BaseException("Different array_sizes are not allowed!");
    length = static_cast<int>(N);
    std::vector<DBBindType *> records;
    records.reserve(N);
    for (std::size_t i = 0; i < N; ++i)
      records.push_back(&array[i]);
    arrays.push_back(records);
    return *this;
  }

  unsigned size() const { return static_cast<unsigned>(arrays.size()); }
  int get_length() const { return length; }
  // The first record of the i-th array, or null.
  DBBindType *operator[](unsigned i) const;
  void build_rows();
  const std::vector<DBBindType *> &get_rows() const { return rows; }
};

// sql[start] opens a quoted literal or identifier (' " or `): the index
// just past its closing quote, or the end of sql when it is not closed.
// Inside '...' and "..." a backslash escapes the next byte (MariaDB's
// default mode); a doubled quote closes and reopens, which comes out the
// same.
std::size_t skip_sql_quoted(const std::string &sql, std::size_t start);

// The statement of a paged read, ordered so that no two rows tie: the
// unique sort keys go last, after any order the statement has. A grouped
// statement is keyed by its GROUP BY list (one row per group), any other
// by `keys` (the key columns of the records it reads, such as ART.idx).
// A statement with a LIMIT, UNION, INTO or locking clause of its own, or
// without keys, stays as it is.
std::string stable_order(const std::string &query, const std::vector<std::string> &keys);

// The statement ordered by `key` with only the rows behind `value`:
// "key > 'value'" joins its WHERE clause. Empty for a statement without an
// ORDER BY, a grouped one, or one with a LIMIT, UNION, INTO or lock of its
// own.
std::string after_key(const std::string &query, const std::string &key, const std::string &value);

std::string expand_table_fields(std::string query, const DBBindList &list);
std::string expand_table_fields(std::string query, const DBArrayBind &arrays);

int select_values(Database &db, const std::string &query, DBTypeList &fields);
// Paged, a statement that is neither grouped nor ordered by something
// unique must give at most one row (an aggregate such as count(*)).
int select_values(Database &db, const std::string &query, DBTypeList &fields, DBLimit &limit);

// Loads row r into records r*size .. r*size+size-1 of the list: with one
// record, only the first row is loaded (the call then gives 0 or 1).
int select_objects(Database &db, const std::string &query, DBBindList &list);
int select_objects(Database &db, const std::string &query, DBBindList &list, DBLimit &limit);

int select_object_rows(Database &db, const std::string &query, DBArrayBind &arrays);
int select_object_rows(Database &db, const std::string &query, DBArrayBind &arrays, DBLimit &limit);

bool insert_object(Database &db, DBBindType &record);
// With `found`, how many rows the update found: the server counts only
// the rows a statement changed, so a row written with the values it held
// already counts as none. When it changed none, the rows that meet
// `where` are counted after it; in a table with transactions the update
// holds those it found locked until the unit of work ends, so that none
// of them has gone meanwhile. A row another station deleted counts as
// none either way.
bool update_object(Database &db, DBBindType &record, const std::string &where, long *found = nullptr);

// Appends one owned record per result row of "SELECT <columns> FROM
// <table> <where>"; the vector's size afterwards, or -1 when the statement
// failed or a result column is not a column of T.
template <class T>
int select_rows(Database &db, const std::string &table, std::vector<Ref<T> > &rows, const std::string &where)
{
  T work;
  DBRow columns(work.get_names());
  DBErg<DBRowList> result = db.select(table, columns, where);
  if (!result)
    return -1;
  const std::vector<std::string> &names = result.rows.names;
  for (const std::vector<std::string> &cells : result.rows.rows) {
    for (std::size_t k = 0; k < names.size() && k < cells.size(); ++k)
      if (!work.set_cell_by_name(names[k], cells[k]))
        return -1;
    Ref<T> record(new T());
    *record = work;
    rows.push_back(record);
  }
  return static_cast<int>(rows.size());
}

} // namespace Tools

#endif
