#include "tools/dbi/dbbindtype.h"

#include <algorithm>

#include "tools/core/debug.h"
#include "tools/core/format.h"

namespace Tools {

DBBindType::~DBBindType() = default;

DBBindType &DBBindType::operator=(const DBBindType &other)
{
  if (this == &other)
    return *this;
  for (DBType *column : types) {
    const DBType *source = other.get_cell_by_name(column->get_name());
    if (source)
      column->from_string(source->to_string());
  }
  return *this;
}

void DBBindType::add_column(DBType *column)
{
  const std::string &name = column->get_name();
  if (name.find('.') != std::string::npos || std::find(names.begin(), names.end(), name) != names.end())
    distinct_names = false;
  names.push_back(name);
  types.push_back(column);
}

bool DBBindType::load_from_db(const DBRow &row)
{
  bool result = false;
  const std::size_t cells = row.names.size() < row.values.size() ? row.names.size() : row.values.size();
  for (std::size_t i = 0; i < cells; ++i) {
    const std::string &cell = row.names[i];
    // A qualified name must carry this record's table; compare without
    // building "TABLE.column" for every column.
    bool qualified = cell.size() > table.size() && cell[table.size()] == '.' &&
                     cell.compare(0, table.size(), table) == 0;
    // Rows usually carry a record's columns in its own order: try the
    // column at the cell's place first. The missed comparisons are logged,
    // so with a sink installed the search keeps its order.
    if (distinct_names && !debug_sink && i < types.size()) {
      const std::string &column = names[i];
      if (cell == column || (qualified && cell.compare(table.size() + 1, std::string::npos, column) == 0)) {
        types[i]->from_string(row.values[i]);
        result = true;
        continue;
      }
    }
    for (std::size_t j = 0; j < types.size(); ++j) {
      const std::string &column = names[j];
      if (cell == column || (qualified && cell.compare(table.size() + 1, std::string::npos, column) == 0)) {
        types[j]->from_string(row.values[i]);
        result = true;
        break;
      }
      TOOLS_LOG(format("%s != %s && %s != %s.%s", cell, column, cell, table, column));
    }
  }
  return result;
}

std::vector<std::string> DBBindType::get_values() const
{
  std::vector<std::string> values;
  values.reserve(types.size());
  for (const DBType *column : types)
    values.push_back(column->to_string());
  return values;
}

DBType *DBBindType::get_cell_by_name(const std::string &name)
{
  for (std::size_t j = 0; j < types.size(); ++j)
    if (names[j] == name)
      return types[j];
  return nullptr;
}

const DBType *DBBindType::get_cell_by_name(const std::string &name) const
{
  return const_cast<DBBindType *>(this)->get_cell_by_name(name);
}

bool DBBindType::set_cell_by_name(const std::string &name, const std::string &text)
{
  DBType *column = get_cell_by_name(name);
  if (!column)
    return false;
  column->from_string(text);
  return true;
}

} // namespace Tools
