#include "bench/stations/common.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "tests/support/db_support.h"

namespace friday {

double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

std::string printed(const char *format, ...)
{
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

bool run(Tools::Database &db, const std::string &sql)
{
  if (db.exec(sql).ok)
    return true;
  std::fprintf(stderr, "bench_stations: statement failed: %s\n%s\n", db.get_error().c_str(),
               sql.substr(0, 600).c_str());
  return false;
}

std::vector<std::vector<std::string> > rows_of(Tools::Database &db, const std::string &sql)
{
  Tools::DBErg<Tools::DBRowList> r = db.exec(sql);
  if (!r.ok) {
    std::fprintf(stderr, "bench_stations: query failed: %s\n%s\n", db.get_error().c_str(), sql.c_str());
    return {};
  }
  return r.rows.rows;
}

std::string value_of(Tools::Database &db, const std::string &sql, const std::string &fallback)
{
  const std::vector<std::vector<std::string> > rows = rows_of(db, sql);
  return rows.empty() || rows[0].empty() ? fallback : rows[0][0];
}

long long count_of(Tools::Database &db, const std::string &sql)
{
  const std::string v = value_of(db, sql, "-1");
  return std::atoll(v.c_str());
}

// The driver library sets itself up on the first connection; connecting
// one station at a time keeps that out of any race.
static std::mutex connecting;

Tools::Ref<Tools::Database> connect_to(const std::string &database)
{
  std::lock_guard<std::mutex> hold(connecting);
  return korvan_test::open_database(database);
}

} // namespace friday
