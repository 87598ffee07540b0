#include "bench/stations/killer.h"

#include <chrono>
#include <thread>

#include "tools/core/format.h"

namespace friday {

namespace {

// A station inside an action, and its connection then.
struct Target
{
  Station *station = nullptr;
  long id = 0;
  int in = -1; // the Kind it was in
};

// Mid-action of the kind `aim`, in any station, waiting a second at most;
// else mid-action of any kind, as a kill comes in service. Of several, the
// one whose action began last: the kill must arrive before it ends.
Target find_target(Shared &shared, std::vector<std::unique_ptr<Station> > &stations, Kind aim, Kills &kills)
{
  Target target;
  for (const int wanted : {static_cast<int>(aim), -1}) {
    const Clock::time_point give_up = Clock::now() + std::chrono::seconds(1);
    while (!target.station && Clock::now() < give_up && !shared.stop.load()) {
      long long latest = 0;
      for (const auto &station : stations) {
        const int kind = station->acting.load();
        const long long since = station->acting_since.load();
        const long connection = station->connection_id.load();
        if (kind >= 0 && (wanted < 0 || kind == wanted) && connection > 0 && (!target.station || since > latest)) {
          target.station = station.get();
          latest = since;
          target.id = connection;
          target.in = kind;
        }
      }
      if (!target.station)
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    if (target.station)
      break;
    if (wanted >= 0 && !shared.stop.load())
      ++kills.none_in_kind;
  }
  return target;
}

} // namespace

void killer(Shared &shared, std::vector<std::unique_ptr<Station> > &stations, double every, Kills &kills)
{
  Tools::Ref<Tools::Database> admin = connect_to(shared.database);
  if (!admin->is_connected()) {
    kills.trouble = "the killer cannot connect: " + admin->get_error();
    return;
  }
  const Kind order[] = {BOOK, STORNO, MOVE, PAY_SPLIT, PAY_CASH, VIEW};
  int turn = 0;
  Clock::time_point next =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(every));
  while (!shared.stop.load()) {
    if (Clock::now() < next) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    next += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(every));
    Kind aim = order[turn++ % KINDS];
    for (Kind k : order)
      if (shared.landed[k].load() < shared.landed[aim].load())
        aim = k;
    const Target target = find_target(shared, stations, aim, kills);
    if (!target.station)
      continue;
    // Named before it is sent: the station, seeing its connection die,
    // must find the kill already there.
    target.station->killed_connection.store(target.id);
    if (admin->exec(Tools::format("KILL CONNECTION %s", std::to_string(target.id))).ok) {
      ++kills.sent;
      ++kills.aimed[target.in];
    } else
      ++kills.missed; // the station's old session, which was ending anyway
  }
}

} // namespace friday
