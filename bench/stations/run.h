#ifndef KORVAN_BENCH_STATIONS_RUN_H
#define KORVAN_BENCH_STATIONS_RUN_H

// One run: a number of stations serving the house for some seconds, with
// or without kills; what they did, what the server and the machine did
// meanwhile, and the rules checked afterwards.

#include <string>
#include <vector>

#include "bench/stations/common.h"
#include "bench/stations/follower.h"
#include "bench/stations/killer.h"
#include "bench/stations/station.h"

namespace friday {

struct RunResult
{
  int stations = 0;
  double seconds = 0;
  double kill_every = 0;
  Kills kills;
  KindStats kinds[KINDS];
  Followed followed;
  long stored_after_all = 0, reconnects = 0;
  std::vector<Check> checks;
  double load_before = 0, load_after = 0;
  double server_cores = -1, client_cores = -1, other_cores = -1;
  long long lock_waits = 0, lock_wait_ms = 0, deadlocks = 0, commits = 0, rollbacks = 0, statements = 0;
  long long pages_read = 0, log_waits = 0; // from the disk: the buffer pool too small; the log buffer full
  std::string deadlock_report;
  bool broken() const
  {
    for (const Check &c : checks)
      if (c.broken != 0)
        return true;
    return false;
  }
};

// `count` stations on the house in `database` for `seconds`, the server
// killing one's connection every `kill_every` seconds (0: never); `run`
// numbers the runs of one program, to keep their users apart.
RunResult run_stations(const std::string &database, int count, double seconds, double kill_every, int run);

} // namespace friday

#endif
