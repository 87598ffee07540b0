#ifndef KORVAN_BENCH_RATIO_REPORTER_H
#define KORVAN_BENCH_RATIO_REPORTER_H

// A console reporter that also remembers each benchmark's time per
// iteration in every repetition, so that main() can print ours against the
// baseline; and the command line every benchmark program starts from.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter
{
  // Seconds per iteration, one entry per repetition; under the name and
  // arguments ("BM_x", "BM_y/1024"), without the options the run adds to
  // the name ("/iterations:10/real_time").
  std::map<std::string, std::vector<double> > times;
  // The values of each user counter, one entry per repetition, under the
  // name as above, a colon and the counter's name.
  std::map<std::string, std::vector<double> > counters;

public:
  // The median of the values; 0 for none.
  static double median(std::vector<double> v)
  {
    if (v.empty())
      return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }

  void ReportRuns(const std::vector<Run> &runs) override
  {
    for (const Run &run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations <= 0 || run.error_occurred)
        continue;
      const std::string &args = run.run_name.args;
      const std::string name = run.run_name.function_name + (args.empty() ? "" : "/" + args);
      times[name].push_back(run.real_accumulated_time / static_cast<double>(run.iterations));
      for (const auto &counter : run.counters)
        counters[name + ":" + counter.first].push_back(counter.second.value);
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // The median over the repetitions, in milliseconds; 0 when it did not run.
  double median_ms(const std::string &name) const
  {
    auto found = times.find(name);
    return found == times.end() ? 0 : 1000 * median(found->second);
  }

  // A counter's value in each repetition (none when it did not run).
  std::vector<double> counter_values(const std::string &name, const std::string &counter) const
  {
    auto found = counters.find(name + ":" + counter);
    return found == counters.end() ? std::vector<double>() : found->second;
  }

  // Prints ours / baseline (medians) and returns the ratio (0 when one is
  // missing).
  double ratio(const std::string &ours, const std::string &baseline, const char *label) const
  {
    const double a = median_ms(ours), b = median_ms(baseline);
    if (a <= 0 || b <= 0)
      return 0;
    const double r = a / b;
    const std::size_t n = times.find(ours)->second.size();
    std::printf("%-40s %8.2fx the time of the baseline", label, r);
    std::printf(n > 1 ? " (medians of %zu runs)\n" : "\n", n);
    return r;
  }
};

// Adds our defaults for the flags the command line does not set, so that
// a plain start measures long enough for stable ratios, while a short
// check (scripts/test) passes its own. Call before benchmark::Initialize.
inline void add_defaults(int &argc, char **&argv, std::initializer_list<const char *> defaults)
{
  static std::vector<char *> args;
  args.assign(argv, argv + argc);
  for (const char *flag : defaults) {
    const char *eq = std::strchr(flag, '=');
    const std::size_t key = eq ? static_cast<std::size_t>(eq - flag) + 1 : std::strlen(flag);
    bool given = false;
    for (int i = 1; i < argc; ++i)
      given = given || std::strncmp(argv[i], flag, key) == 0;
    if (!given)
      args.push_back(const_cast<char *>(flag));
  }
  argc = static_cast<int>(args.size());
  args.push_back(nullptr);
  argv = args.data();
}

// Set by the short check in scripts/test: a benchmark that builds its data
// may build less of it. Times are not judged then.
inline bool brief_run()
{
  const char *v = std::getenv("KORVAN_BENCH_BRIEF");
  return v && *v && std::strcmp(v, "0") != 0;
}

#endif
