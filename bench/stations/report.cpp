#include "bench/stations/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <thread>

#include "bench/stations/baseline.h"
#include "tools/core/format.h"

namespace friday {

namespace {

float percentile(std::vector<float> v, double p)
{
  if (v.empty())
    return 0;
  std::sort(v.begin(), v.end());
  const std::size_t rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(v.size())));
  return v[std::min(v.size() - 1, rank == 0 ? 0 : rank - 1)];
}

long actions_done(const RunResult &r)
{
  long n = 0;
  for (int k = BOOK; k < KINDS; ++k)
    n += r.kinds[k].done;
  return n;
}

float worst_p99(const RunResult &r)
{
  float worst = 0;
  for (int k = VIEW; k < KINDS; ++k)
    worst = std::max(worst, percentile(r.kinds[k].ms, 0.99));
  return worst;
}

// 5, 0.5: as short as the number allows.
std::string seconds_text(double seconds) { return printed("%g", seconds); }

// "view 2, book 1, storno 0, ...": a count per kind of action.
std::string per_kind(const long (&counts)[KINDS])
{
  std::string text;
  for (int k = VIEW; k < KINDS; ++k)
    text += Tools::format("%s%s %s", text.empty() ? "" : ", ", KIND_NAMES[k], std::to_string(counts[k]));
  return text;
}

bool every_kind_killed(const RunResult &r)
{
  for (int k = VIEW; k < KINDS; ++k)
    if (r.kinds[k].killed == 0)
      return false;
  return true;
}

// Per kind of action: done and refused a second, kills, latency.
void print_actions(const RunResult &r)
{
  std::printf("%-13s %9s %9s %10s %8s %10s %7s %8s %8s %8s\n", "action", "done/s", "lines/s", "changed/s", "busy/s",
              "deadlock/s", "killed", "p50 ms", "p99 ms", "max ms");
  KindStats all;
  for (int k = VIEW; k < KINDS; ++k) {
    const KindStats &s = r.kinds[k];
    if (k > VIEW)
      all.add(s);
    std::printf("%-13s %9.1f %9.1f %10.2f %8.2f %10.2f %7ld %8.2f %8.2f %8.2f\n", KIND_NAMES[k],
                static_cast<double>(s.done) / r.seconds, static_cast<double>(s.lines) / r.seconds,
                static_cast<double>(s.refused[CHANGED]) / r.seconds, static_cast<double>(s.refused[BUSY]) / r.seconds,
                static_cast<double>(s.refused[DEADLOCK]) / r.seconds, s.killed, percentile(s.ms, 0.5),
                percentile(s.ms, 0.99), percentile(s.ms, 1.0));
  }
  std::printf("%-13s %9.1f %9s %10.2f %8.2f %10.2f %7ld %8.2f %8.2f %8.2f\n", "all but view",
              static_cast<double>(all.done) / r.seconds, "", static_cast<double>(all.refused[CHANGED]) / r.seconds,
              static_cast<double>(all.refused[BUSY]) / r.seconds,
              static_cast<double>(all.refused[DEADLOCK]) / r.seconds, all.killed, percentile(all.ms, 0.5),
              percentile(all.ms, 0.99), percentile(all.ms, 1.0));
}

// Where the kills were aimed and where they landed.
void print_kills(const RunResult &r)
{
  long landed[KINDS];
  for (int k = VIEW; k < KINDS; ++k)
    landed[k] = r.kinds[k].killed;
  std::printf("kills: %ld sent, aimed at %s; landed in %s; %ld refused (the session was ending), %ld times no "
              "station in the kind aimed at within 1 s (then in any); %ld reconnects; %ld booking%s found stored "
              "after a lost commit answer\n",
              r.kills.sent, per_kind(r.kills.aimed).c_str(), per_kind(landed).c_str(), r.kills.missed,
              r.kills.none_in_kind, r.reconnects, r.stored_after_all, r.stored_after_all == 1 ? "" : "s");
}

// A run in the table of a series; `base`: one station's actions a second
// in its neighbour (0: none).
void print_series_row(const RunResult &r, double base)
{
  long refused = 0;
  KindStats all;
  for (int k = BOOK; k < KINDS; ++k) {
    all.add(r.kinds[k]);
    for (int f = 0; f < REFUSALS; ++f)
      refused += r.kinds[k].refused[f];
  }
  int worst = VIEW;
  for (int k = VIEW; k < KINDS; ++k)
    if (percentile(r.kinds[k].ms, 0.99) > percentile(r.kinds[worst].ms, 0.99))
      worst = k;
  const double rate = static_cast<double>(actions_done(r)) / r.seconds;
  const double cores = r.server_cores + r.client_cores;
  std::printf("%-8d %-6s %10.1f %7s %10.2f %7.2f %8.2f %-14s %6.2f %9.0f %6.2f %6.1f %-6s\n", r.stations,
              r.kill_every > 0 ? (seconds_text(r.kill_every) + "s").c_str() : "-", rate,
              base > 0 ? printed("%.2fx", rate / base).c_str() : "-", static_cast<double>(refused) / r.seconds,
              percentile(all.ms, 0.5), worst_p99(r), printed("(%s)", KIND_NAMES[worst]).c_str(), cores,
              cores > 0 ? rate / cores : 0.0, r.other_cores, std::max(r.load_before, r.load_after),
              r.broken() ? "BROKEN" : "held");
}

// One station's actions a second in the run that run i is measured
// against (its neighbour); 0 when there is none.
double one_station_rate(const std::vector<RunResult> &runs, std::size_t i)
{
  std::vector<bool> is_one;
  for (const RunResult &r : runs)
    is_one.push_back(r.stations == 1 && r.kill_every == 0);
  const int one = neighbour_one(is_one, i);
  if (one < 0)
    return 0;
  const RunResult &r = runs[static_cast<std::size_t>(one)];
  return static_cast<double>(actions_done(r)) / r.seconds;
}

// The goals, stated; the times are not judged here.
void print_goals(const std::vector<RunResult> &runs)
{
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const RunResult &r = runs[i];
    const double base = one_station_rate(runs, i);
    if (base > 0 && r.stations == 8 && r.kill_every == 0) {
      const double x = (static_cast<double>(actions_done(r)) / r.seconds) / base;
      std::printf("goal: 8 stations complete at least 3x one station's actions per second: %.2fx, %s\n", x,
                  x >= 3 ? "met" : "missed");
    }
    if (r.stations == 16)
      std::printf("goal: p99 of every action at most 100 ms at 16 stations%s: worst %.2f ms, %s\n",
                  r.kill_every > 0 ? " (with kills)" : "", worst_p99(r), worst_p99(r) <= 100 ? "met" : "missed");
    if (r.kill_every > 0)
      std::printf("goal: kills reach every kind of action (%d station%s, %.0f s): %s\n", r.stations,
                  r.stations == 1 ? "" : "s", r.seconds, every_kind_killed(r) ? "met" : "missed");
    if (r.stations == 16 || r.kill_every > 0)
      std::printf("goal: no rule broken at %d station%s%s: %s\n", r.stations, r.stations == 1 ? "" : "s",
                  r.kill_every > 0 ? " with kills" : "", r.broken() ? "missed" : "met");
  }
}

} // namespace

void print_run(const RunResult &r)
{
  std::printf("\n%d station%s, %.1f s%s\n", r.stations, r.stations == 1 ? "" : "s", r.seconds,
              r.kill_every > 0 ? (", a connection killed every " + seconds_text(r.kill_every) + " s").c_str() : "");
  std::printf("machine: %u cores, load average %.1f before, %.1f after; cores used by the server %.2f, by the "
              "stations %.2f, by other work %.2f\n",
              std::thread::hardware_concurrency(), r.load_before, r.load_after, r.server_cores, r.client_cores,
              r.other_cores);
  print_actions(r);
  if (r.kill_every > 0)
    print_kills(r);
  std::printf("server: %lld statements, %lld commits, %lld rollbacks, %lld row lock waits (%lld ms in all), %lld "
              "deadlocks, %lld pages read from disk, %lld waits for the log buffer\n",
              r.statements, r.commits, r.rollbacks, r.lock_waits, r.lock_wait_ms, r.deadlocks, r.pages_read,
              r.log_waits);
  if (!r.deadlock_report.empty())
    std::printf("the server's last deadlock:\n%s\n", r.deadlock_report.c_str());
  std::printf("followed %ld lines through %ld steps of done actions and %ld of actions a kill cut off (stored or "
              "not)%s\n",
              r.followed.lines, r.followed.steps - r.followed.cut_off, r.followed.cut_off,
              r.followed.undecided ? Tools::format("; %s lines with too many possible orders, not judged",
                                                   std::to_string(r.followed.undecided))
                                         .c_str()
                                   : "");
  for (const Check &c : r.checks)
    std::printf("  %-6s %s%s\n", c.broken ? "BROKEN" : "ok", c.rule.c_str(),
                c.broken ? (Tools::format(" (%s)", std::to_string(c.broken)) + c.detail).c_str() : "");
  std::fflush(stdout);
}

void print_series(const std::vector<RunResult> &runs)
{
  std::printf("\n%-8s %-6s %10s %7s %10s %7s %8s %-14s %6s %9s %6s %6s %-6s\n", "stations", "kills", "actions/s",
              "x one", "refused/s", "p50 ms", "p99 ms", "(worst action)", "cores", "per core", "other", "load",
              "rules");
  for (std::size_t i = 0; i < runs.size(); ++i)
    print_series_row(runs[i], one_station_rate(runs, i));
  std::printf("(actions/s: the done actions but the views, p50 of those; x one: against the nearest one-station "
              "run of the list, the earlier of two; p99 the worst kind's, the views too; cores: what the server and "
              "the stations used; per core: actions a second per core of those; "
              "other: cores other work took meanwhile, of %u; load: the higher load average before and after)\n",
              std::thread::hardware_concurrency());
  print_goals(runs);
}

void write_json(const std::string &path, const std::vector<RunResult> &runs)
{
  std::ofstream out(path.c_str(), std::ios::trunc);
  out << "{\n  \"context\": {\"executable\": \"bench_stations\", \"num_cpus\": " << std::thread::hardware_concurrency()
      << "},\n  \"benchmarks\": [";
  bool first = true;
  for (const RunResult &r : runs)
    for (int k = VIEW; k < KINDS; ++k) {
      const KindStats &s = r.kinds[k];
      std::string name = KIND_NAMES[k];
      std::replace(name.begin(), name.end(), ' ', '_');
      out << (first ? "\n" : ",\n") << "    {\"name\": \"stations/" << r.stations
          << (r.kill_every > 0 ? "/kills/" : "/") << name
          << "\", \"run_type\": \"iteration\", \"iterations\": " << s.done
          << ", \"real_time\": " << percentile(s.ms, 0.5) << ", \"p99_ms\": " << percentile(s.ms, 0.99)
          << ", \"time_unit\": \"ms\", \"items_per_second\": " << static_cast<double>(s.done) / r.seconds
          << ", \"error_occurred\": " << (r.broken() ? "true" : "false") << "}";
      first = false;
    }
  out << "\n  ]\n}\n";
}

} // namespace friday
