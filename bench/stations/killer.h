#ifndef KORVAN_BENCH_STATIONS_KILLER_H
#define KORVAN_BENCH_STATIONS_KILLER_H

// The server killing stations' connections while they act.

#include <memory>
#include <string>
#include <vector>

#include "bench/stations/station.h"

namespace friday {

struct Kills
{
  long sent = 0;
  long missed = 0;        // KILL refused: the session was ending anyway
  long none_in_kind = 0;  // no station began an action of the kind aimed at in time
  long aimed[KINDS] = {}; // by the kind the station was in when its kill was sent
  std::string trouble;
};

// Every `every` seconds one station's connection is killed by the server
// while the station is inside an action. Each kill aims at the kind of
// action that kills have cut off least so far (Storno and moves are rare
// in service), so that a run of a minute reaches every kind: it waits
// until some station is in an action of that kind, then kills it there.
void killer(Shared &shared, std::vector<std::unique_ptr<Station> > &stations, double every, Kills &kills);

} // namespace friday

#endif
