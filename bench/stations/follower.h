#ifndef KORVAN_BENCH_STATIONS_FOLLOWER_H
#define KORVAN_BENCH_STATIONS_FOLLOWER_H

// What each action left behind. Every action a station counted as done
// must stand on the server as the station did it: a line it paid is paid
// by it, where it saw the line, with the parts it handed over; a line it
// cancelled carries its user as the Storno user; a line it moved stands on
// the target table, or later actions took it on from there. A lost update
// (a write that never arrived, or that a later one overwrote unseen)
// breaks one of these while the counts still hold. Each line is followed
// through the actions of every station on it (LineFollower).

#include <memory>
#include <vector>

#include "bench/stations/common.h"
#include "bench/stations/station.h"

namespace friday {

// The lines the stations acted on, followed through their actions.
struct Followed
{
  std::vector<Check> checks; // paid, cancelled, moved
  long lines = 0, steps = 0, cut_off = 0, undecided = 0;
};

// `floor` names the tables of the lines shown.
Followed follow_lines(Tools::Database &db, const std::vector<std::unique_ptr<Station> > &stations,
                      Clock::time_point began, const Floor &floor);

} // namespace friday

#endif
