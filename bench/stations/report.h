#ifndef KORVAN_BENCH_STATIONS_REPORT_H
#define KORVAN_BENCH_STATIONS_REPORT_H

// What a run prints: per kind of action the completed actions and the
// refusals by kind per second, latency p50 and p99, what the server and
// the machine did, and every rule; for a series a table of the runs and
// the goals; the figures as JSON for Google Benchmark's tools. Timings are
// printed, never judged.

#include <string>
#include <vector>

#include "bench/stations/run.h"

namespace friday {

void print_run(const RunResult &r);
void print_series(const std::vector<RunResult> &runs);
void write_json(const std::string &path, const std::vector<RunResult> &runs);

} // namespace friday

#endif
