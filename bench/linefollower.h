#ifndef KORVAN_BENCH_LINEFOLLOWER_H
#define KORVAN_BENCH_LINEFOLLOWER_H

// Whether the actions that stations counted as done on one order line
// explain the line as the server holds it afterwards.
//
// The server orders two actions on one line by its lock; the stations'
// clocks only bracket them: an action that ended before another began
// came first, and of actions that overlap any order will do that explains
// what is stored. Each action must have found the line open where its
// station saw it, as the action before left it. An action that a kill cut
// off may or may not be stored; either may explain the line.

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

// A line's state as far as the stations' actions tell it.
struct LineState
{
  int room = 0, table = 0;
  char status = 'o'; // 'o' open, 'p' paid, 'c' cancelled; '?' anything else
  int by = -1;       // the station that wrote it last; -1 none of the run's

  bool operator==(const LineState &o) const
  {
    return room == o.room && table == o.table && status == o.status && by == o.by;
  }
  bool open_at(int r, int t) const { return status == 'o' && room == r && table == t; }
};

// One line of one action a station counted as done, or that a kill cut
// off (stored or not: the station cannot know).
struct Step
{
  enum Effect
  {
    MOVE,
    PAY,
    CANCEL,
  };

  int line = 0;
  int station = 0;
  Effect effect = MOVE;
  int kind = 0; // the driver's own name of the action, for its reports
  bool sure = true;
  std::chrono::steady_clock::time_point t0, t1; // the action began and ended within these
  int seen_room = 0, seen_table = 0;
  std::string seen_room_name, seen_table_name; // the names the line carried there
  int to_room = 0, to_table = 0; // a move's target

  // What the action leaves when it is stored.
  LineState left() const
  {
    LineState s;
    s.room = effect == MOVE ? to_room : seen_room;
    s.table = effect == MOVE ? to_table : seen_table;
    s.status = effect == PAY ? 'p' : effect == CANCEL ? 'c' : 'o';
    s.by = station;
    return s;
  }
};

class LineFollower
{
public:
  // The steps of one line, and the line as it is now.
  LineFollower(std::vector<const Step *> of_line, const LineState &now_)
      : steps(std::move(of_line)), now(now_), used(steps.size(), false)
  {
    std::sort(steps.begin(), steps.end(), [](const Step *a, const Step *b) { return a->t1 < b->t1; });
  }

  // The steps in the order they ended.
  const std::vector<const Step *> &in_order() const { return steps; }

  // 1: an order explains the line as it is now; 0: none does; -1: too
  // many orders to try them all.
  int explained()
  {
    budget = 20000;
    const bool found = walk(steps.size(), std::vector<LineState>(), true);
    return budget < 0 ? -1 : found ? 1 : 0;
  }

  // The step to blame when nothing explains the line: in the order the
  // steps ended, the first that found the line elsewhere than the one
  // before left it, or that one when it was a move and the line is not
  // where it took it either (the move was lost); else the last sure one.
  const Step *to_blame() const
  {
    const Step *before = nullptr;
    for (const Step *s : steps) {
      if (!s->sure)
        continue;
      if (before && !before->left().open_at(s->seen_room, s->seen_table)) {
        const LineState l = before->left();
        return before->effect == Step::MOVE && (now.room != l.room || now.table != l.table) ? before : s;
      }
      before = s;
    }
    return before ? before : steps.back();
  }

private:
  std::vector<const Step *> steps;
  const LineState now;
  std::vector<bool> used;
  long budget = 0;

  static bool open_in(const std::vector<LineState> &states, bool any, const Step &s)
  {
    if (any)
      return true;
    for (const LineState &st : states)
      if (st.open_at(s.seen_room, s.seen_table))
        return true;
    return false;
  }

  // `states`: what the line may be after the steps used so far; `any`
  // before the first sure one (its station read the line as it was).
  bool walk(std::size_t left, const std::vector<LineState> &states, bool any)
  {
    if (--budget < 0)
      return true;
    if (left == 0)
      return any || std::find(states.begin(), states.end(), now) != states.end();
    for (std::size_t i = 0; i < steps.size(); ++i) {
      if (used[i])
        continue;
      bool may_be_next = true;
      for (std::size_t j = 0; j < steps.size() && may_be_next; ++j)
        if (!used[j] && j != i && steps[j]->t1 < steps[i]->t0)
          may_be_next = false;
      const Step &s = *steps[i];
      if (!may_be_next || (s.sure && !open_in(states, any, s)))
        continue;
      std::vector<LineState> next;
      bool next_any = false;
      if (!s.sure) {
        next = states;
        next_any = any;
      }
      if (open_in(states, any, s))
        next.push_back(s.left());
      used[i] = true;
      const bool found = walk(left - 1, next, next_any);
      used[i] = false;
      if (found)
        return true;
    }
    return false;
  }
};

#endif
