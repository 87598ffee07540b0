#ifndef KORVAN_BENCH_RATIO_REPORTER_H
#define KORVAN_BENCH_RATIO_REPORTER_H

// A console reporter that also remembers each benchmark's time per
// iteration, so that main() can print ours against the baseline.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

class RatioReporter : public benchmark::ConsoleReporter
{
public:
  std::map<std::string, double> times; // name -> ns per iteration

  void ReportRuns(const std::vector<Run> &runs) override
  {
    for (const Run &run : runs)
      if (run.run_type == Run::RT_Iteration && run.iterations > 0)
        times[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }

  // Prints ours / baseline and returns the ratio (0 when one is missing).
  double ratio(const std::string &ours, const std::string &baseline, const char *label)
  {
    if (!times.count(ours) || !times.count(baseline) || times[baseline] <= 0)
      return 0;
    double r = times[ours] / times[baseline];
    std::printf("%-40s %8.2fx the time of the baseline\n", label, r);
    return r;
  }
};

#endif
