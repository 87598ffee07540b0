#include "tools/dbi/query.h"

#include <algorithm>
#include <iterator>

#include "tools/core/format.h"

namespace Tools {

std::size_t skip_sql_quoted(const std::string &sql, std::size_t start)
{
  const char quote = sql[start];
  std::size_t i = start + 1;
  while (i < sql.size()) {
    const char c = sql[i++];
    if (c == '\\' && quote != '`' && i < sql.size())
      ++i;
    else if (c == quote)
      return i;
  }
  return i;
}

namespace {

// Replaces every occurrence of token outside quoted literals and
// identifiers.
std::string replace_token(const std::string &query, const std::string &token, const std::string &replacement)
{
  std::string out;
  out.reserve(query.size() + replacement.size());
  std::size_t i = 0;
  while (i < query.size()) {
    char c = query[i];
    if (c == '\'' || c == '"' || c == '`') {
      const std::size_t end = skip_sql_quoted(query, i);
      out.append(query, i, end - i);
      i = end;
      continue;
    }
    if (query.compare(i, token.size(), token) == 0) {
      out += replacement;
      i += token.size();
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

std::string expand_record(std::string query, const DBBindType *record)
{
  if (!record)
    return query;
  const std::string &table = record->get_name();
  std::string columns = " ";
  const std::vector<std::string> &names = record->get_names();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i)
      columns += ",";
    columns += table;
    columns += ".";
    columns += names[i];
  }
  return replace_token(query, "%" + table, columns);
}

// Lends a result row's cells to a DBRow without copying them.
class RowCells
{
  DBRow &row;
  std::vector<std::string> &cells;

public:
  RowCells(DBRow &row, std::vector<std::string> &cells) : row(row), cells(cells) { row.values.swap(cells); }
  ~RowCells() { row.values.swap(cells); }
  RowCells(const RowCells &) = delete;
  RowCells &operator=(const RowCells &) = delete;
};

DBErg<DBRowList> read(Database &db, const std::string &query, bool with_table_names, DBLimit *limit)
{
  if (limit)
    return limit->read(db, query, with_table_names);
  return with_table_names ? db.select(query, true) : db.exec(query);
}

int values_worker(Database &db, std::string query, DBTypeList &fields, DBLimit *limit)
{
  DBErg<DBRowList> result = read(db, query, false, limit);
  if (!result)
    return -1;
  const std::size_t rows = result.rows.rows.size();
  std::size_t k = 0;
  for (const std::vector<std::string> &row : result.rows.rows)
    for (const std::string &cell : row) {
      if (k >= fields.fields.size())
        return static_cast<int>(rows);
      if (fields.fields[k])
        fields.fields[k]->from_string(cell);
      ++k;
    }
  return static_cast<int>(rows);
}

int objects_worker(Database &db, std::string query, DBBindList &list, DBLimit *limit)
{
  DBErg<DBRowList> result = read(db, expand_table_fields(query, list), true, limit);
  if (!result)
    return -1;
  const std::size_t rows = result.rows.rows.size();
  const unsigned count = static_cast<unsigned>(list.size());
  DBRow row(result.rows.names);
  for (std::size_t r = 0; r < rows; ++r) {
    RowCells cells(row, result.rows.rows[r]);
    for (unsigned k = 0; k < count; ++k) {
      std::size_t index = r * count + k;
      if (index >= list.records.size() || !list[static_cast<unsigned>(index)])
        return static_cast<int>(r);
      list[static_cast<unsigned>(index)]->load_from_db(row);
    }
    if (count == 0)
      return 0;
  }
  return static_cast<int>(rows);
}

int object_rows_worker(Database &db, std::string query, DBArrayBind &arrays, DBLimit *limit)
{
  DBErg<DBRowList> result = read(db, expand_table_fields(query, arrays), true, limit);
  if (!result)
    return -1;
  const std::size_t rows = result.rows.rows.size();
  arrays.build_rows();
  const std::size_t width = arrays.size();
  const std::size_t length = static_cast<std::size_t>(arrays.get_length());
  const std::vector<DBBindType *> &table = arrays.get_rows();
  DBRow row(result.rows.names);
  for (std::size_t r = 0; r < rows; ++r) {
    if (r >= length)
      return static_cast<int>(length);
    RowCells cells(row, result.rows.rows[r]);
    for (std::size_t a = 0; a < width; ++a)
      table[r * width + a]->load_from_db(row);
  }
  return static_cast<int>(rows);
}

} // namespace

std::string DBLimit::text() const { return format(" limit %d, %d", offset, count); }

namespace {
// Pages sent as asked before a read reads ahead.
const unsigned long long PAGES_AS_ASKED = 8;
} // namespace

void DBLimit::moved_on(std::size_t rows)
{
  offset += static_cast<unsigned>(rows);
  next_offset = offset;
  given += static_cast<unsigned>(rows);
}

DBErg<DBRowList> DBLimit::hand_out(std::size_t rows)
{
  DBErg<DBRowList> page(ahead.rows.names);
  std::vector<std::vector<std::string> > &from = ahead.rows.rows;
  page.rows.rows.assign(std::make_move_iterator(from.begin() + static_cast<std::ptrdiff_t>(taken)),
                        std::make_move_iterator(from.begin() + static_cast<std::ptrdiff_t>(taken + rows)));
  taken += rows;
  moved_on(rows);
  return page;
}

DBErg<DBRowList> DBLimit::read(Database &db, const std::string &sql, bool with_table_names)
{
  auto run = [&](const std::string &text) { return with_table_names ? db.select(text, true) : db.exec(text); };
  if (offset != next_offset || sql != query || with_table_names != table_names) {
    query = sql;
    table_names = with_table_names;
    given = 0;
    ahead = DBErg<DBRowList>();
  } else if (ahead.ok) {
    const std::size_t left = ahead.rows.rows.size() - taken;
    if (left >= count || ahead_reached_end)
      return hand_out(std::min<std::size_t>(left, count));
    ahead = DBErg<DBRowList>();
  }

  if (count == 0 || given < PAGES_AS_ASKED * count) {
    DBErg<DBRowList> page = run(query + text());
    if (page.ok)
      moved_on(page.rows.rows.size());
    return page;
  }
  const unsigned rows = given;
  ahead = run(query + format(" limit %d, %d", offset, rows));
  if (!ahead.ok)
    return DBErg<DBRowList>();
  taken = 0;
  ahead_reached_end = ahead.rows.rows.size() < rows;
  return hand_out(std::min<std::size_t>(ahead.rows.rows.size(), count));
}

DBBindType *DBArrayBind::operator[](unsigned i) const
{
  if (i >= arrays.size() || arrays[i].empty())
    return nullptr;
  return arrays[i][0];
}

void DBArrayBind::build_rows()
{
  const std::size_t width = arrays.size();
  const std::size_t len = static_cast<std::size_t>(length);
  rows.assign(width * len, nullptr);
  for (std::size_t r = 0; r < len; ++r)
    for (std::size_t a = 0; a < width; ++a)
      rows[r * width + a] = arrays[a][r];
}

std::string expand_table_fields(std::string query, const DBBindList &list)
{
  for (int i = 0; i < list.size(); ++i)
    query = expand_record(query, list[static_cast<unsigned>(i)]);
  return query;
}

std::string expand_table_fields(std::string query, const DBArrayBind &arrays)
{
  for (unsigned i = 0; i < arrays.size(); ++i)
    query = expand_record(query, arrays[i]);
  return query;
}

int select_values(Database &db, const std::string &query, DBTypeList &fields)
{
  return values_worker(db, query, fields, nullptr);
}

int select_values(Database &db, const std::string &query, DBTypeList &fields, DBLimit &limit)
{
  return values_worker(db, query, fields, &limit);
}

int select_objects(Database &db, const std::string &query, DBBindList &list)
{
  return objects_worker(db, query, list, nullptr);
}

int select_objects(Database &db, const std::string &query, DBBindList &list, DBLimit &limit)
{
  return objects_worker(db, query, list, &limit);
}

int select_object_rows(Database &db, const std::string &query, DBArrayBind &arrays)
{
  return object_rows_worker(db, query, arrays, nullptr);
}

int select_object_rows(Database &db, const std::string &query, DBArrayBind &arrays, DBLimit &limit)
{
  return object_rows_worker(db, query, arrays, &limit);
}

bool insert_object(Database &db, DBBindType &record)
{
  DBRow row(record.get_names(), record.get_values());
  return db.insert(record.get_table(), row).ok;
}

bool update_object(Database &db, DBBindType &record, const std::string &where)
{
  DBRow row(record.get_names(), record.get_values());
  return db.update(record.get_table(), row, where).ok;
}

} // namespace Tools
