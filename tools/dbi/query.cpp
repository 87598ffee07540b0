#include "tools/dbi/query.h"

#include <algorithm>
#include <cctype>
#include <cstring>
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

// Every table of the program keys its rows by this column.
const char *const KEY_COLUMN = "idx";

bool word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'; }

// The word starting at i, in lower case.
std::string word_at(const std::string &sql, std::size_t i)
{
  std::string word;
  while (i < sql.size() && word_char(sql[i]))
    word += static_cast<char>(std::tolower(static_cast<unsigned char>(sql[i++])));
  return word;
}

// Behind the blanks from i on.
std::size_t skip_blanks(const std::string &sql, std::size_t i)
{
  while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i])))
    ++i;
  return i;
}

std::string trimmed(const std::string &text)
{
  const std::size_t first = skip_blanks(text, 0);
  std::size_t last = text.size();
  while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
    --last;
  return text.substr(first, last - first);
}

std::string lower(std::string text)
{
  for (char &c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The items of a column list, split at the commas outside quotes and
// parentheses, each without its blanks.
std::vector<std::string> list_items(const std::string &list)
{
  std::vector<std::string> items;
  std::size_t start = 0;
  int depth = 0;
  for (std::size_t i = 0; i <= list.size();) {
    if (i == list.size() || (list[i] == ',' && depth == 0)) {
      const std::string item = trimmed(list.substr(start, i - start));
      if (!item.empty())
        items.push_back(item);
      start = ++i;
      continue;
    }
    const char c = list[i];
    if (c == '\'' || c == '"' || c == '`') {
      i = skip_sql_quoted(list, i);
      continue;
    }
    if (c == '(' || c == ')')
      depth += c == '(' ? 1 : -1;
    ++i;
  }
  return items;
}

// Where the clauses of a statement begin, outside quotes and parentheses.
struct Clauses
{
  static const std::size_t none = std::string::npos;
  std::size_t where = none;      // the word WHERE
  std::size_t group_list = none; // behind GROUP BY
  std::size_t group_end = none;  // where the GROUP BY list ends, when not at the end
  std::size_t order = none;      // the word ORDER of the ORDER BY
  std::size_t order_list = none; // behind ORDER BY
  // A clause after which no ORDER BY may follow (LIMIT, UNION, INTO, a
  // lock, WITH ROLLUP).
  bool closed = false;

  explicit Clauses(const std::string &query)
  {
    int depth = 0;
    for (std::size_t i = 0; i < query.size();) {
      const char c = query[i];
      if (c == '\'' || c == '"' || c == '`') {
        i = skip_sql_quoted(query, i);
        continue;
      }
      if (c == '(' || c == ')') {
        depth += c == '(' ? 1 : -1;
        ++i;
        continue;
      }
      if (!word_char(c) || (i > 0 && word_char(query[i - 1]))) {
        ++i;
        continue;
      }
      const std::string word = word_at(query, i);
      const std::size_t start = i;
      i += word.size();
      if (depth != 0)
        continue;
      const std::size_t next = skip_blanks(query, i);
      const std::string following = word_at(query, next);
      if ((word == "group" || word == "order") && following == "by") {
        if (group_list != none && group_end == none)
          group_end = start;
        if (word == "group") {
          group_list = next + 2;
        } else {
          order = start;
          order_list = next + 2;
        }
        i = next + 2;
      } else if (word == "having" && group_list != none && group_end == none) {
        group_end = start;
      } else if (word == "where" && where == none) {
        where = start;
      } else if (word == "limit" || word == "union" || word == "into" || word == "for" || word == "lock" ||
                 word == "procedure" || (word == "with" && following == "rollup")) {
        closed = true;
        return;
      }
    }
  }
};

// The columns of an ORDER BY list without their direction, in lower case;
// `descending` tells whether one of them is sorted downwards.
std::vector<std::string> order_columns(const std::string &list, bool *descending = nullptr)
{
  std::vector<std::string> columns;
  for (std::string item : list_items(list)) {
    for (const char *direction : {" asc", " desc"}) {
      const std::size_t n = std::strlen(direction);
      if (item.size() > n && lower(item.substr(item.size() - n)) == direction) {
        item = trimmed(item.substr(0, item.size() - n));
        if (descending && direction[2] == 'd')
          *descending = true;
      }
    }
    columns.push_back(lower(item));
  }
  return columns;
}

// Whether `column` (lower case) names the key: as it is, or without its
// table.
bool names_key(const std::string &column, const std::string &key)
{
  const std::string k = lower(key);
  const std::size_t dot = k.rfind('.');
  return column == k || (dot != std::string::npos && column == k.substr(dot + 1));
}

// The key of a paged statement that is ordered by that key alone, upwards:
// its pages can go on from the last key given instead of stepping over
// every row before them. Empty for any other statement.
std::string sole_order_key(const std::string &query, const std::vector<std::string> &keys)
{
  if (keys.size() != 1)
    return std::string();
  const Clauses clauses(query);
  if (clauses.closed || clauses.group_list != Clauses::none || clauses.order_list == Clauses::none)
    return std::string();
  bool descending = false;
  const std::vector<std::string> columns = order_columns(query.substr(clauses.order_list), &descending);
  if (descending || columns.size() != 1 || !names_key(columns[0], keys[0]))
    return std::string();
  return keys[0];
}

// The key columns of the records a read loads, once per table.
std::vector<std::string> record_keys(const std::vector<const DBBindType *> &records)
{
  std::vector<std::string> keys;
  for (const DBBindType *record : records) {
    if (!record || !record->get_cell_by_name(KEY_COLUMN))
      continue;
    const std::string key = record->get_name() + "." + KEY_COLUMN;
    if (std::find(keys.begin(), keys.end(), key) == keys.end())
      keys.push_back(key);
  }
  return keys;
}

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

DBErg<DBRowList> read(Database &db, const std::string &query, bool with_table_names, DBLimit *limit,
                      const std::string &key = std::string())
{
  if (limit)
    return limit->read(db, query, with_table_names, key);
  return with_table_names ? db.select(query, true) : db.exec(query);
}

int values_worker(Database &db, std::string query, DBTypeList &fields, DBLimit *limit)
{
  DBErg<DBRowList> result = read(db, limit ? stable_order(query, {}) : query, false, limit);
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
  query = expand_table_fields(query, list);
  std::string key;
  if (limit) {
    const std::vector<std::string> keys =
        record_keys(std::vector<const DBBindType *>(list.records.begin(), list.records.end()));
    query = stable_order(query, keys);
    key = sole_order_key(query, keys);
  }
  DBErg<DBRowList> result = read(db, query, true, limit, key);
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
  query = expand_table_fields(query, arrays);
  std::string key;
  if (limit) {
    std::vector<const DBBindType *> records;
    for (unsigned i = 0; i < arrays.size(); ++i)
      records.push_back(arrays[i]);
    const std::vector<std::string> keys = record_keys(records);
    query = stable_order(query, keys);
    key = sole_order_key(query, keys);
  }
  DBErg<DBRowList> result = read(db, query, true, limit, key);
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

DBErg<DBRowList> DBLimit::run(Database &db, const std::string &sql)
{
  DBErg<DBRowList> result = table_names ? db.select(sql, true) : db.exec(sql);
  source_statements = db.get_statement_count();
  return result;
}

void DBLimit::moved_on(const DBErg<DBRowList> &page)
{
  const std::size_t rows = page.rows.rows.size();
  offset += static_cast<unsigned>(rows);
  next_offset = offset;
  last_page = std::chrono::steady_clock::now();
  given += static_cast<unsigned>(rows);
  if (key.empty() || rows == 0)
    return;
  last_key.clear();
  const std::vector<std::string> &names = page.rows.names;
  for (std::size_t k = 0; k < names.size(); ++k)
    if (names_key(lower(names[k]), key) && k < page.rows.rows.back().size()) {
      last_key = page.rows.rows.back()[k];
      return;
    }
}

DBErg<DBRowList> DBLimit::hand_out(std::size_t rows)
{
  DBErg<DBRowList> page(ahead.rows.names);
  std::vector<std::vector<std::string> > &from = ahead.rows.rows;
  page.rows.rows.assign(std::make_move_iterator(from.begin() + static_cast<std::ptrdiff_t>(taken)),
                        std::make_move_iterator(from.begin() + static_cast<std::ptrdiff_t>(taken + rows)));
  taken += rows;
  moved_on(page);
  return page;
}

DBErg<DBRowList> DBLimit::read(Database &db, const std::string &sql, bool with_table_names,
                               const std::string &order_key)
{
  if (&db != source || offset != next_offset || sql != query || with_table_names != table_names ||
      order_key != key) {
    source = &db;
    query = sql;
    table_names = with_table_names;
    key = order_key;
    last_key.clear();
    given = 0;
    ahead = DBErg<DBRowList>();
  } else if (db.get_statement_count() != source_statements ||
             std::chrono::steady_clock::now() - last_page > std::chrono::milliseconds(MAX_IDLE_MS)) {
    // The handle was used since: what it wrote, committed or rolled back
    // is in the database and not in the rows kept. Or the page comes on a
    // later action, after other stations may have changed the rows. The
    // read goes on as asked, as it began.
    given = 0;
    ahead = DBErg<DBRowList>();
  } else if (ahead.ok) {
    const std::size_t left = ahead.rows.rows.size() - taken;
    if (left >= count || (ahead_reached_end && left > 0))
      return hand_out(std::min<std::size_t>(left, count));
    // Used up: at the end of the rows the server tells whether more came.
    ahead = DBErg<DBRowList>();
  }

  if (count == 0 || given < PAGES_AS_ASKED * count) {
    DBErg<DBRowList> page = run(db, query + text());
    if (page.ok)
      moved_on(page);
    return page;
  }
  const unsigned most = std::max(count, MAX_AHEAD / count * count);
  const unsigned rows = std::min(given, most);
  const std::string behind = last_key.empty() ? std::string() : after_key(query, key, last_key);
  ahead = run(db, behind.empty() ? query + format(" limit %d, %d", offset, rows) : behind + format(" limit %d", rows));
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

std::string stable_order(const std::string &query, const std::vector<std::string> &keys)
{
  const Clauses clauses(query);
  if (clauses.closed)
    return query;
  const std::size_t none = Clauses::none;
  const std::vector<std::string> unique =
      clauses.group_list != none
          ? list_items(query.substr(clauses.group_list,
                                    clauses.group_end == none ? none : clauses.group_end - clauses.group_list))
          : keys;
  // What the order has already.
  std::vector<std::string> present;
  if (clauses.order_list != none)
    present = order_columns(query.substr(clauses.order_list));
  std::string missing;
  for (const std::string &key : unique) {
    const bool there = std::find(present.begin(), present.end(), lower(key)) != present.end() ||
                       (unique.size() == 1 && std::any_of(present.begin(), present.end(), [&](const std::string &c) {
                          return names_key(c, key);
                        }));
    if (!there)
      missing += (missing.empty() ? "" : ", ") + key;
  }
  if (missing.empty())
    return query;
  std::size_t end = query.size();
  while (end > 0 && std::isspace(static_cast<unsigned char>(query[end - 1])))
    --end;
  return query.substr(0, end) + (clauses.order_list != none ? ", " : " order by ") + missing;
}

std::string after_key(const std::string &query, const std::string &key, const std::string &value)
{
  const Clauses clauses(query);
  if (clauses.closed || clauses.group_list != Clauses::none || clauses.order == Clauses::none)
    return std::string();
  const std::string condition = key + " > '" + sql_escape(value) + "' ";
  if (clauses.where == Clauses::none)
    return query.substr(0, clauses.order) + "where " + condition + query.substr(clauses.order);
  const std::size_t own = clauses.where + 5; // behind WHERE
  return query.substr(0, clauses.where) + "where " + condition + "and (" +
         trimmed(query.substr(own, clauses.order - own)) + ") " + query.substr(clauses.order);
}

bool insert_object(Database &db, DBBindType &record)
{
  DBRow row(record.get_names(), record.get_values());
  return db.insert(record.get_table(), row).ok;
}

bool update_object(Database &db, DBBindType &record, const std::string &where, long *found)
{
  DBRow row(record.get_names(), record.get_values());
  const DBErg<DBRowList> written = db.update(record.get_table(), row, where);
  if (!written || !found)
    return written.ok;
  *found = written.affected;
  if (*found > 0)
    return true;
  DBTypeInt rows;
  DBTypeList fields;
  fields.add(&rows);
  if (select_values(db, format("select count(*) from %s %s", record.get_table(), where), fields) < 0)
    return false;
  *found = rows;
  return true;
}

} // namespace Tools
