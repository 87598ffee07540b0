#ifndef KORVAN_TOOLS_DBI_DBBINDTYPE_H
#define KORVAN_TOOLS_DBI_DBBINDTYPE_H

// Row records and the plain containers statements and results travel in.
// Every cell is a text; no container knows column kinds, and none owns the
// records or columns it points to.

#include <string>
#include <vector>

#include "tools/dbi/dbtype.h"

namespace Tools {

// One row: column names and one text per name.
struct DBRow
{
  std::vector<std::string> names;
  std::vector<std::string> values;

  explicit DBRow(const std::vector<std::string> &names) : names(names) {}
  DBRow(const std::vector<std::string> &names, const std::vector<std::string> &values)
      : names(names), values(values)
  {
  }
};

// A result set: column names and rows of texts.
struct DBRowList
{
  std::vector<std::string> names;
  std::vector<std::vector<std::string> > rows;

  DBRowList() = default;
  explicit DBRowList(const std::vector<std::string> &names) : names(names) {}
};

// A result with its success flag. Default: a failed statement.
template <class T> struct DBErg
{
  T rows;
  bool ok;
  // The rows a statement without a result inserted, changed or deleted.
  long affected = 0;

  DBErg() : rows(), ok(false) {}
  explicit DBErg(const std::vector<std::string> &names) : rows(names), ok(true) {}

  bool operator!() const { return !ok; }
};

// The base of every table record: table name plus its columns in the
// order in which they registered, which is their declaration order.
class DBBindType
{
protected:
  std::vector<DBType *> types; // members of the derived record
  std::vector<std::string> names;
  std::string table;
  // Every name occurs once and has no dot: a cell then matches at most one
  // column, wherever the search starts.
  bool distinct_names;

public:
  explicit DBBindType(const std::string &table) : table(table), distinct_names(true) {}
  // A copy's column pointers would point into the source: records copy
  // by assignment, or by a constructor that builds and then assigns.
  DBBindType(const DBBindType &) = delete;
  virtual ~DBBindType();

  // Copies every column from the source's column of the same name through
  // its text; a column the source lacks keeps its value.
  DBBindType &operator=(const DBBindType &other);

  void add_column(DBType *column);

  const std::string &get_name() const { return table; }
  const std::string &get_table() const { return table; }
  const std::vector<std::string> &get_names() const { return names; }
  const std::vector<DBType *> &get_types() const { return types; }

  // Binds a result row by column name, plain or "TABLE.column"; true when
  // at least one column was set.
  bool load_from_db(const DBRow &row);
  // Every column's SQL text, in column order.
  std::vector<std::string> get_values() const;

  DBType *get_cell_by_name(const std::string &name);
  const DBType *get_cell_by_name(const std::string &name) const;
  bool set_cell_by_name(const std::string &name, const std::string &text);
};

// Records for one select_objects call.
struct DBBindList
{
  std::vector<DBBindType *> records;
  int count;

  DBBindList() : count(0) {}
  template <class T> DBBindList &add(T *record)
  {
    ++count;
    records.push_back(static_cast<DBBindType *>(record));
    return *this;
  }
  int size() const { return count; }
  DBBindType *operator[](unsigned i) const
  {
    return i < static_cast<unsigned>(count) && i < records.size() ? records[i] : nullptr;
  }
};

// Single fields for one select_values call.
struct DBTypeList
{
  std::vector<DBType *> fields;

  DBTypeList &add(DBType *field)
  {
    fields.push_back(field);
    return *this;
  }
};

} // namespace Tools

#endif
