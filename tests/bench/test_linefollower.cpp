// The load driver judges each order line by the actions the stations
// counted as done on it: these cases are lines a correct server leaves,
// and lines a lost update or a stale list leaves, with the action to blame.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/linefollower.h"

namespace {

const int ROOM = 1;

std::chrono::steady_clock::time_point at(int ms)
{
  return std::chrono::steady_clock::time_point(std::chrono::milliseconds(ms));
}

// One line's action: its station, effect, the table it saw the line at
// (and for a move the target), and when it began and ended.
Step step(int station, Step::Effect effect, int seen, int to, int t0, int t1, bool sure = true)
{
  Step s;
  s.station = station;
  s.effect = effect;
  s.seen_room = s.to_room = ROOM;
  s.seen_table = seen;
  s.to_table = to;
  s.t0 = at(t0);
  s.t1 = at(t1);
  s.sure = sure;
  return s;
}
Step move(int station, int from, int to, int t0, int t1, bool sure = true)
{
  return step(station, Step::MOVE, from, to, t0, t1, sure);
}
Step pay(int station, int table, int t0, int t1) { return step(station, Step::PAY, table, 0, t0, t1); }
Step cancel(int station, int table, int t0, int t1) { return step(station, Step::CANCEL, table, 0, t0, t1); }

LineState now(int table, char status, int by)
{
  LineState s;
  s.room = ROOM;
  s.table = table;
  s.status = status;
  s.by = by;
  return s;
}

struct Case
{
  const char *what;
  std::vector<Step> steps;
  LineState now;
  int explained;
  int blamed; // index into steps; -1: not asked
};

TEST(LineFollower, LinesAndTheActionsThatExplainThemOrNot)
{
  const std::vector<Case> cases = {
      {"a move stands on its target", {move(0, 1, 2, 0, 1)}, now(2, 'o', 0), 1, -1},
      {"a move that never arrived", {move(0, 1, 2, 0, 1)}, now(1, 'o', 0), 0, 0},
      {"paid where the move left it", {move(0, 1, 2, 0, 1), pay(1, 2, 2, 3)}, now(2, 'p', 1), 1, -1},
      {"paid from a list that was stale", {move(0, 1, 2, 0, 1), pay(1, 1, 2, 3)}, now(2, 'p', 1), 0, 1},
      {"a move lost, then paid", {move(0, 1, 2, 0, 1), pay(1, 1, 2, 3)}, now(1, 'p', 1), 0, 0},
      {"overlapping: the payment's clock ended first", {move(0, 1, 2, 0, 10), pay(1, 2, 5, 8)}, now(2, 'p', 1), 1,
       -1},
      {"paid before the move that took it there began", {pay(1, 2, 0, 1), move(0, 1, 2, 5, 6)}, now(2, 'p', 1), 0, -1},
      {"moved on by another station", {move(0, 1, 2, 0, 1), move(1, 2, 3, 2, 3)}, now(3, 'o', 1), 1, -1},
      {"moved there and back and on", {move(0, 1, 2, 0, 1), move(1, 2, 1, 2, 3), move(0, 1, 3, 4, 5)},
       now(3, 'o', 0), 1, -1},
      {"the last of three moves lost", {move(0, 1, 2, 0, 1), move(1, 2, 1, 2, 3), move(0, 1, 3, 4, 5)},
       now(1, 'o', 1), 0, 2},
      {"a move a kill cut off, stored", {move(0, 1, 2, 0, 1, false), pay(1, 2, 2, 3)}, now(2, 'p', 1), 1, -1},
      {"a move a kill cut off, not stored", {move(0, 1, 2, 0, 1, false), pay(1, 1, 2, 3)}, now(1, 'p', 1), 1, -1},
      {"cut off and nothing after it", {move(0, 1, 2, 0, 1, false)}, now(1, 'o', -1), 1, -1},
      {"cancelled by its station", {cancel(3, 4, 0, 1)}, now(4, 'c', 3), 1, -1},
      {"a Storno under another user", {cancel(3, 4, 0, 1)}, now(4, 'c', -2), 0, 0},
      {"cancelled, then paid", {cancel(3, 4, 0, 1), pay(1, 4, 2, 3)}, now(4, 'p', 1), 0, 1},
      {"paid twice at once, both told done", {pay(0, 4, 0, 10), pay(1, 4, 1, 9)}, now(4, 'p', 1), 0, -1},
      {"paid, and the line is gone", {pay(0, 4, 0, 1)}, now(0, '?', -1), 0, 0},
  };
  for (const Case &c : cases) {
    std::vector<const Step *> steps;
    for (const Step &s : c.steps)
      steps.push_back(&s);
    LineFollower follower(steps, c.now);
    EXPECT_EQ(c.explained, follower.explained()) << c.what;
    if (c.blamed >= 0) {
      EXPECT_EQ(&c.steps[static_cast<std::size_t>(c.blamed)], follower.to_blame()) << c.what;
    }
  }
}

TEST(LineFollower, TooManyPossibleOrdersAreNotJudged)
{
  // Twelve cut-off moves at once and a line where none of them could
  // have put it: 12! orders are more than are tried.
  std::vector<Step> cut_off;
  for (int i = 0; i < 12; ++i)
    cut_off.push_back(move(i, 20 + i, 40 + i, 0, 100, false));
  cut_off.push_back(pay(0, 1, 200, 201));
  std::vector<const Step *> steps;
  for (const Step &s : cut_off)
    steps.push_back(&s);
  EXPECT_EQ(-1, LineFollower(steps, now(9, 'p', 0)).explained());
}

} // namespace
