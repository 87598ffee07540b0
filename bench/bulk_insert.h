#ifndef KORVAN_BENCH_BULK_INSERT_H
#define KORVAN_BENCH_BULK_INSERT_H

// Years of order lines are made on the server in one INSERT ... SELECT
// over a sequence: the record gives every column's constant value, and
// `computed` the SQL expression of the columns that vary with the row.

#include <map>
#include <string>
#include <vector>

#include "tools/core/string_utils.h"
#include "tools/dbi/dbbindtype.h"

struct BulkColumns
{
  std::string names; // `a`, `b`, ...
  std::string exprs; // what the SELECT gives for each, in that order
};

inline BulkColumns bulk_columns(const Tools::DBBindType &row, const std::map<std::string, std::string> &computed)
{
  const std::vector<std::string> names = row.get_names();
  const std::vector<std::string> values = row.get_values();
  BulkColumns b;
  for (std::size_t i = 0; i < names.size(); ++i) {
    b.names += (i ? ", `" : "`") + names[i] + "`";
    auto c = computed.find(names[i]);
    b.exprs += (i ? ", " : "") + (c != computed.end() ? c->second : "'" + Tools::sql_escape(values[i]) + "'");
  }
  return b;
}

#endif
