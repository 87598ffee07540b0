#include "bench/stations/follower.h"

#include <cstdlib>
#include <map>
#include <string>

#include "tools/core/format.h"
#include "tools/core/money.h"

namespace friday {

namespace {

typedef std::map<int, std::vector<const Step *> > ByLine;

// A line as it is now, and its amounts in cents.
struct Stored
{
  LineState state;
  long long cash = 0, other = 0;
  int other_kind = 0;
};
typedef std::map<int, Stored> Now;

ByLine steps_by_line(const std::vector<std::unique_ptr<Station> > &stations, Followed &f)
{
  ByLine by_line;
  for (const auto &s : stations)
    for (const Step &step : s->steps) {
      by_line[step.line].push_back(&step);
      ++f.steps;
      f.cut_off += step.sure ? 0 : 1;
    }
  f.lines = static_cast<long>(by_line.size());
  return by_line;
}

// A row of read_now's statement.
Stored stored_of(const std::vector<std::string> &row, const std::map<std::string, int> &station_of,
                 const std::vector<std::unique_ptr<Station> > &stations)
{
  Stored st;
  st.state.room = std::atoi(row[1].c_str());
  st.state.table = std::atoi(row[2].c_str());
  const bool paid = row[3] == "JA", cancelled = row[4] == "JA";
  st.state.status = paid && !cancelled ? 'p' : cancelled && !paid ? 'c' : !paid && !cancelled ? 'o' : '?';
  const auto writer = station_of.find(row[5]);
  st.state.by = writer == station_of.end() ? -1 : writer->second;
  // A Storno names its station twice: as the writer and as its user.
  if (st.state.status == 'c' &&
      (st.state.by < 0 || row[6] != row[5] || std::atoi(row[7].c_str()) != stations[st.state.by]->user_idx))
    st.state.by = -2;
  st.cash = Tools::to_cents(std::atof(row[8].c_str()));
  st.other = Tools::to_cents(std::atof(row[9].c_str()));
  st.other_kind = std::atoi(row[10].c_str());
  return st;
}

// The lines that steps or payments name, as they are now.
Now read_now(Tools::Database &db, const std::vector<std::unique_ptr<Station> > &stations, const ByLine &by_line)
{
  std::map<std::string, int> station_of;
  for (std::size_t i = 0; i < stations.size(); ++i)
    station_of[stations[i]->login] = static_cast<int>(i);
  Now now;
  std::vector<int> keys;
  for (const auto &e : by_line)
    keys.push_back(e.first);
  for (const auto &s : stations)
    for (const Payment &p : s->payments)
      keys.insert(keys.end(), p.lines.begin(), p.lines.end());
  for (std::size_t at = 0; at < keys.size(); at += 500) {
    std::string list;
    for (std::size_t i = at; i < keys.size() && i < at + 500; ++i)
      list += (list.empty() ? "" : ",") + std::to_string(keys[i]);
    for (const std::vector<std::string> &row :
         rows_of(db, "select idx, layoutk_idx, layoutp_idx, bezahlt, storniert, hist_ae_user, storno_user,"
                     " storno_user_idx, bar_bezahlt, sonst_bezahlt, sonst_art_idx from BONLINE where idx in (" +
                         list + ")")) {
      if (row.size() != 11)
        continue;
      now[std::atoi(row[0].c_str())] = stored_of(row, station_of, stations);
    }
  }
  db.rollback();
  return now;
}

// How the report names tables, stations and lines.
class Names
{
public:
  Names(const Floor &f, const std::vector<std::unique_ptr<Station> > &s, Clock::time_point b)
      : floor(f), stations(s), began(b)
  {
  }

  std::string place(int room, int table) const
  {
    for (std::size_t t = 0; t < floor.tables.size(); ++t)
      if (floor.tables[t]->idx.value == table && floor.rooms[floor.table_room[t]]->idx.value == room)
        return Tools::format("%s %s", floor.rooms[floor.table_room[t]]->name.value, floor.tables[t]->label_name.value);
    return Tools::format("room %d table %d", room, table);
  }
  std::string who(int by) const
  {
    return by >= 0    ? stations[static_cast<std::size_t>(by)]->login
           : by == -1 ? std::string("nobody of this run")
                      : std::string("a Storno user not its writer");
  }
  std::string state_text(const LineState &s) const
  {
    const char *status = s.status == 'o' ? "open" : s.status == 'p' ? "paid" : s.status == 'c' ? "cancelled" : "gone";
    return Tools::format("%s, %s, last written by %s", place(s.room, s.table), status, who(s.by));
  }
  double at(Clock::time_point t) const { return std::chrono::duration<double>(t - began).count(); }

private:
  const Floor &floor;
  const std::vector<std::unique_ptr<Station> > &stations;
  const Clock::time_point began;
};

// A line whose steps explain it not: counted against the check of the
// step to blame, with the steps for the first five.
void judge_line(Followed &f, int line, const std::vector<const Step *> &steps, const Now &now, const Names &names)
{
  const auto found = now.find(line);
  LineState state;
  state.status = '?';
  if (found != now.end())
    state = found->second.state;
  LineFollower follower(steps, state);
  const int explained = follower.explained();
  if (explained < 0)
    ++f.undecided;
  if (explained != 0)
    return;
  const Step::Effect guilty = follower.to_blame()->effect;
  Check &c = f.checks[guilty == Step::CANCEL ? 1 : guilty == Step::MOVE ? 2 : 0];
  if (++c.broken > 5)
    return;
  c.detail += Tools::format("\n      line %d, now %s:", line, names.state_text(state));
  for (const Step *s : follower.in_order())
    c.detail += printed("\n        %.3f to %.3f s: %s, %s%s, at %s%s", names.at(s->t0), names.at(s->t1),
                        names.who(s->station).c_str(), s->sure ? "" : "cut off, ", KIND_NAMES[s->kind],
                        names.place(s->seen_room, s->seen_table).c_str(),
                        s->effect == Step::MOVE ? (" to " + names.place(s->to_room, s->to_table)).c_str() : "");
}

// The parts of every payment, as handed over.
void judge_payments(Followed &f, const std::vector<std::unique_ptr<Station> > &stations, Now &now)
{
  for (const auto &s : stations)
    for (const Payment &p : s->payments) {
      long long cash = 0, other = 0;
      bool kind_named = true;
      std::string lines;
      for (int line : p.lines) {
        const Stored &st = now[line];
        cash += st.cash;
        other += st.other;
        kind_named = kind_named && (st.other == 0 || st.other_kind == p.other_kind);
        lines += (lines.empty() ? "" : ", ") + std::to_string(line);
      }
      if (cash == p.cash && other == p.other && kind_named)
        continue;
      if (++f.checks[0].broken <= 5)
        f.checks[0].detail += printed(
            "\n      %s, %s, lines %s: handed over %.2f cash + %.2f other (kind %d), stored %.2f + %.2f%s",
            s->login.c_str(), KIND_NAMES[p.kind], lines.c_str(), Tools::from_cents(p.cash), Tools::from_cents(p.other),
            p.other_kind, Tools::from_cents(cash), Tools::from_cents(other), kind_named ? "" : ", another kind named");
    }
}

} // namespace

Followed follow_lines(Tools::Database &db, const std::vector<std::unique_ptr<Station> > &stations,
                      Clock::time_point began, const Floor &floor)
{
  Followed f;
  f.checks = {{"every line a station paid: paid by it where it saw the line, with the parts it handed over", 0, ""},
              {"every line a station cancelled: cancelled where it saw the line, its user the Storno user", 0, ""},
              {"every line a station moved: on the target table, or taken on from there by later actions", 0, ""}};
  const ByLine by_line = steps_by_line(stations, f);
  Now now = read_now(db, stations, by_line);
  const Names names(floor, stations, began);
  for (const auto &e : by_line)
    judge_line(f, e.first, e.second, now, names);
  judge_payments(f, stations, now);
  return f;
}

} // namespace friday
