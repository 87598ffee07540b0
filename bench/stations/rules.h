#ifndef KORVAN_BENCH_STATIONS_RULES_H
#define KORVAN_BENCH_STATIONS_RULES_H

// The rules that must hold after a run, checked on the server by SQL and
// against what the stations counted: nothing settled twice or
// half-written, every booking there exactly once, every refusal a known
// one, every station at work.

#include <memory>
#include <vector>

#include "bench/stations/common.h"
#include "bench/stations/follower.h"
#include "bench/stations/station.h"

namespace friday {

// The rules in the order they are printed (the followed lines' among them);
// `floor` names the articles of the lines shown.
std::vector<Check> check_house(Tools::Database &db, const std::vector<std::unique_ptr<Station> > &stations,
                               const Followed &followed, const Floor &floor);

} // namespace friday

#endif
