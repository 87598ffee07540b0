// Tools::format against snprintf on the program's typical texts. Goal: at
// most three times the time of snprintf.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/ratio_reporter.h"
#include "tools/core/format.h"

namespace {

const std::string user = "kellner", room = "Terrasse", table = "Tisch 12";

void BM_sql_format(benchmark::State &state)
{
  for (auto _ : state) {
    std::string s = Tools::format("select %%BONLINE from BONLINE where user = '%s' and layoutk_name = '%s' and "
                                  "layoutp_label_name = '%s' ",
                                  user, room, table);
    benchmark::DoNotOptimize(s);
  }
}
void BM_sql_snprintf(benchmark::State &state)
{
  for (auto _ : state) {
    char buf[256];
    int n = std::snprintf(buf, sizeof buf,
                          "select %%BONLINE from BONLINE where user = '%s' and layoutk_name = '%s' and "
                          "layoutp_label_name = '%s' ",
                          user.c_str(), room.c_str(), table.c_str());
    std::string s(buf, n);
    benchmark::DoNotOptimize(s);
  }
}

void BM_stamp_format(benchmark::State &state)
{
  for (auto _ : state) {
    std::string s = Tools::format("%d-%02d-%02d %02d:%02d:%02d", 2026, 12, 6, 17, 5, 9);
    benchmark::DoNotOptimize(s);
  }
}
void BM_stamp_snprintf(benchmark::State &state)
{
  for (auto _ : state) {
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%d-%02d-%02d %02d:%02d:%02d", 2026, 12, 6, 17, 5, 9);
    std::string s(buf, n);
    benchmark::DoNotOptimize(s);
  }
}

void BM_money_format(benchmark::State &state)
{
  double amount = 12345.67;
  for (auto _ : state) {
    std::string s = Tools::format("%0.2lf", amount);
    benchmark::DoNotOptimize(s);
  }
}
void BM_money_snprintf(benchmark::State &state)
{
  double amount = 12345.67;
  for (auto _ : state) {
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%0.2lf", amount);
    std::string s(buf, n);
    benchmark::DoNotOptimize(s);
  }
}

BENCHMARK(BM_sql_format);
BENCHMARK(BM_sql_snprintf);
BENCHMARK(BM_stamp_format);
BENCHMARK(BM_stamp_snprintf);
BENCHMARK(BM_money_format);
BENCHMARK(BM_money_snprintf);

} // namespace

int main(int argc, char **argv)
{
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.ratio("BM_sql_format", "BM_sql_snprintf", "SQL statement, three strings");
  reporter.ratio("BM_stamp_format", "BM_stamp_snprintf", "time stamp, six ints");
  reporter.ratio("BM_money_format", "BM_money_snprintf", "money text");
  benchmark::Shutdown();
  return 0;
}
