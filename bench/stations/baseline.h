#ifndef KORVAN_BENCH_STATIONS_BASELINE_H
#define KORVAN_BENCH_STATIONS_BASELINE_H

// Which one-station run a run of a list is measured against: its
// neighbour, the nearest one in the list, the one before it when two are
// as near. A list such as 1,8,1,8 makes pairs of runs moments apart, so
// that a shared machine's changing load weighs on both of a pair alike;
// a run compared with one of another moment would show that load instead.

#include <cstddef>
#include <vector>

// `is_one[i]`: run i is a one-station run (without kills). The index of
// the run that `run` is measured against, or -1 when the list has none.
inline int neighbour_one(const std::vector<bool> &is_one, std::size_t run)
{
  int nearest = -1;
  std::size_t distance = 0;
  for (std::size_t i = 0; i < is_one.size(); ++i) {
    const std::size_t d = i < run ? run - i : i - run;
    if (is_one[i] && (nearest < 0 || d < distance)) {
      nearest = static_cast<int>(i);
      distance = d;
    }
  }
  return nearest;
}

#endif
