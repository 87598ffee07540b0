#ifndef KORVAN_BENCH_STATIONS_COMMON_H
#define KORVAN_BENCH_STATIONS_COMMON_H

// What every part of the Friday night uses: the clock, the statements that
// must work (seeding, checking) and a rule as the end of a run prints it.

#include <chrono>
#include <string>
#include <vector>

#include "tools/core/ref.h"
#include "tools/dbi/database.h"

namespace friday {

typedef std::chrono::steady_clock Clock;

double seconds_since(Clock::time_point t);

// A text as printf makes it (the figures of the reports).
__attribute__((format(printf, 1, 2))) std::string printed(const char *format, ...);

// Runs a statement that must work (seeding, checking); false with the
// reason on standard error.
bool run(Tools::Database &db, const std::string &sql);
// The rows of a query, or nothing (with the reason on standard error).
std::vector<std::vector<std::string> > rows_of(Tools::Database &db, const std::string &sql);
// The first cell, or `fallback` when there is none.
std::string value_of(Tools::Database &db, const std::string &sql, const std::string &fallback = "");
long long count_of(Tools::Database &db, const std::string &sql);

// A connection of its own to the database ("": the data source's own).
Tools::Ref<Tools::Database> connect_to(const std::string &database);

// A rule that must hold after a run: how often it was broken, and the
// first cases.
struct Check
{
  std::string rule;
  long long broken;
  std::string detail;
};

} // namespace friday

#endif
