#include "bench/stations/rules.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>

#include "tools/core/format.h"
#include "tools/core/money.h"

namespace friday {

namespace {

// A rule broken by every row the count `sql` counts; `detail_sql` shows
// the first five of them.
void sql_check(Tools::Database &db, std::vector<Check> &checks, const std::string &rule, const std::string &sql,
               const std::string &detail_sql)
{
  Check c{rule, count_of(db, sql), ""};
  if (c.broken != 0 && !detail_sql.empty())
    for (const std::vector<std::string> &row : rows_of(db, detail_sql + " limit 5")) {
      std::string line;
      for (const std::string &cell : row)
        line += (line.empty() ? "" : " | ") + cell;
      c.detail += "\n      " + line;
    }
  db.rollback();
  checks.push_back(c);
}

// A rule broken by every row of `rows` ("from ... where ..."); the first
// five are shown by their `columns`.
void rows_check(Tools::Database &db, std::vector<Check> &checks, const std::string &rule, const std::string &columns,
                const std::string &rows)
{
  sql_check(db, checks, rule, "select count(*) " + rows, "select " + columns + " " + rows);
}

// Lines that more than one done action of the stations settled.
Check settled_twice(const std::vector<std::unique_ptr<Station> > &stations)
{
  std::map<int, int> settled;
  for (const auto &s : stations)
    for (int idx : s->settled)
      ++settled[idx];
  Check twice{"", 0, ""};
  for (const auto &e : settled)
    if (e.second > 1) {
      ++twice.broken;
      if (twice.broken <= 5)
        twice.detail += Tools::format("\n      line %d settled by %d actions", e.first, e.second);
    }
  return twice;
}

// Rules on the rows alone.
void check_rows(Tools::Database &db, const std::vector<std::unique_ptr<Station> > &stations, std::vector<Check> &checks)
{
  const Check twice = settled_twice(stations);
  sql_check(db, checks, "no line paid twice, or both paid and cancelled",
            "select (select count(*) from BONLINE where bezahlt = 'JA' and storniert = 'JA')"
            " + (select count(*) from BENCH_SETTLED_WRITTEN)",
            "select 'paid and cancelled', idx, '' from BONLINE where bezahlt = 'JA' and storniert = 'JA'"
            " union all select 'settled line written again', line, concat(was, ' -> ', became, ' by ', by_user)"
            " from BENCH_SETTLED_WRITTEN");
  checks.back().broken += twice.broken;
  checks.back().detail += twice.detail;
  rows_check(db, checks, "every paid line: cash + other payment = price x quantity, to the cent",
             "idx, preis, anzahl, bar_bezahlt, sonst_bezahlt",
             "from BONLINE where bezahlt = 'JA' and (abs(bar_bezahlt + sonst_bezahlt - round(preis * anzahl, 2))"
             " >= 0.005 or bar_bezahlt < 0 or sonst_bezahlt < 0)");
  rows_check(db, checks,
             "nothing half-written: no amount on an open line, other payments name their kind, a Storno its user",
             "idx, bezahlt, storniert, bar_bezahlt, sonst_bezahlt, sonst_art_name, storno_user",
             "from BONLINE b where (b.bezahlt = 'NEIN' and (b.bar_bezahlt <> 0 or b.sonst_bezahlt <> 0)) or"
             " (b.storniert = 'JA' and (b.storno_user = '' or b.storno_user_idx = 0)) or (b.sonst_bezahlt > 0 and"
             " not exists (select 1 from SONST_ART k where k.idx = b.sonst_art_idx and k.name = b.sonst_art_name))");
  rows_check(db, checks, "no line on a table or room that does not exist",
             "b.idx, b.layoutk_idx, b.layoutk_name, b.layoutp_idx, b.layoutp_label_name",
             "from BONLINE b left join LAYOUTP p on p.idx = b.layoutp_idx left join LAYOUTK k on k.idx ="
             " b.layoutk_idx where p.idx is null or k.idx is null or p.layout_idx <> b.layoutk_idx or binary"
             " p.label_name <> binary b.layoutp_label_name or binary k.name <> binary b.layoutk_name");
}

// The stations' users, as a list for `in (...)`.
std::string logins_of(const std::vector<std::unique_ptr<Station> > &stations)
{
  std::string logins;
  for (const auto &s : stations)
    logins += (logins.empty() ? "'" : ", '") + s->login + "'";
  return logins;
}

// The rows of the stations' users, by user.
typedef std::map<std::string, std::vector<BookedRow> > RowsByUser;

const std::vector<BookedRow> &rows_of_user(const RowsByUser &rows, const std::string &login)
{
  static const std::vector<BookedRow> none;
  const auto found = rows.find(login);
  return found == rows.end() ? none : found->second;
}

// Every booking a station counted stands there once: the rows of its
// user are as many.
Check bookings_counted(const std::vector<std::unique_ptr<Station> > &stations, const RowsByUser &rows)
{
  Check bookings{"every booking a station counted exists exactly once (rows of its user = its count)", 0, ""};
  for (const auto &s : stations) {
    const std::size_t stored = rows_of_user(rows, s->login).size();
    if (stored != s->bookings.size()) {
      ++bookings.broken;
      bookings.detail += Tools::format("\n      %s: %s rows, %s counted", s->login, std::to_string(stored),
                                       std::to_string(s->bookings.size()));
    }
  }
  return bookings;
}

// The rows of the stations' users, each as booked (as_booked).
RowsByUser rows_as_booked(Tools::Database &db, const std::vector<std::unique_ptr<Station> > &stations)
{
  std::map<int, std::vector<const Step *> > by_line;
  for (const auto &s : stations)
    for (const Step &step : s->steps)
      by_line[step.line].push_back(&step);
  RowsByUser rows;
  for (const std::vector<std::string> &row :
       rows_of(db, "select user, idx, artnr_idx, artnr, preis_idx, preis, anzahl, layoutk_idx, layoutk_name,"
                   " layoutp_idx, layoutp_label_name, bill_printed from BONLINE where user in (" +
                       logins_of(stations) + ")")) {
    if (row.size() != 12)
      continue;
    BookedRow r;
    r.line = std::atoi(row[1].c_str());
    r.stored.article = std::atoi(row[2].c_str());
    r.stored.number = row[3];
    r.stored.price = std::atoi(row[4].c_str());
    r.stored.cents = Tools::to_cents(std::atof(row[5].c_str()));
    r.stored.quantity = std::atoi(row[6].c_str());
    r.stored.room = std::atoi(row[7].c_str());
    r.stored.room_name = row[8];
    r.stored.table = std::atoi(row[9].c_str());
    r.stored.table_name = row[10];
    r.stored.bill = row[11];
    const auto steps = by_line.find(r.line);
    rows[row[0]].push_back(steps == by_line.end() ? r : as_booked(r, steps->second));
  }
  db.rollback();
  return rows;
}

// "2 x 1001 Pils at 3.20 (price 7) on Saal T4": the number and the names
// the line carries, the article's name by its key.
std::string booking_text(const Booking &b, const Floor &floor)
{
  std::string article = Tools::format("article %d", b.article);
  for (const Tools::Ref<ART> &a : floor.articles)
    if (a->idx.value == b.article)
      article = a->bezeichnung.value;
  return printed("%d x %s %s at %.2f (price %d) on %s %s (room %d table %d)%s", b.quantity, b.number.c_str(),
                 article.c_str(), Tools::from_cents(b.cents), b.price, b.room_name.c_str(), b.table_name.c_str(),
                 b.room, b.table, b.bill == "NEIN" ? "" : (", bill printed " + b.bill).c_str());
}

// Every line a station booked stands as it booked it, in what a person
// reads back: article and its number, price, quantity, room and table with
// their names (where a later move found it), no bill printed.
Check bookings_as_booked(const std::vector<std::unique_ptr<Station> > &stations, const RowsByUser &rows,
                         const Floor &floor)
{
  Check c{"every line a station booked: stored as it booked it (article and its number, price, quantity, room "
          "and table with their names, no bill printed)",
          0, ""};
  std::size_t shown = 0; // of each side, the first five
  for (const auto &s : stations) {
    const BookingsCompared compared = compare_bookings(s->bookings, rows_of_user(rows, s->login));
    // A line stored otherwise is one booking not stored and one row not
    // booked: it counts once.
    c.broken += static_cast<long long>(std::max(compared.not_stored.size(), compared.not_booked.size()));
    for (std::size_t i = 0; i < compared.not_stored.size() && shown + i < 5; ++i)
      c.detail += "\n      " + s->login + " booked " + booking_text(compared.not_stored[i], floor) +
                  ": none of its lines holds that";
    for (std::size_t i = 0; i < compared.not_booked.size() && shown + i < 5; ++i)
      c.detail += Tools::format("\n      %s: line %d holds %s (before any move), which it never booked", s->login,
                                compared.not_booked[i].line, booking_text(compared.not_booked[i].stored, floor));
    shown += std::max(compared.not_stored.size(), compared.not_booked.size());
  }
  return c;
}

Check refusals_known(const std::vector<std::unique_ptr<Station> > &stations)
{
  Check refusals{"every refusal a known one in words; no failure but those a kill caused", 0, ""};
  for (const auto &s : stations) {
    for (int k = 0; k < KINDS; ++k)
      refusals.broken += s->stats[k].faults;
    for (const std::string &f : s->faults)
      refusals.detail += Tools::format("\n      %s: %s", s->login, f);
  }
  return refusals;
}

Check stations_worked(const std::vector<std::unique_ptr<Station> > &stations)
{
  Check worked{"every station got its work done (it connected, and it completed actions)", 0, ""};
  for (const auto &s : stations) {
    long done = 0;
    for (int k = BOOK; k < KINDS; ++k)
      done += s->stats[k].done;
    if (!s->ready || done == 0) {
      ++worked.broken;
      worked.detail += "\n      " + s->login + ": nothing done";
    }
  }
  return worked;
}

} // namespace

std::vector<Check> check_house(Tools::Database &db, const std::vector<std::unique_ptr<Station> > &stations,
                               const Followed &followed, const Floor &floor)
{
  std::vector<Check> checks;
  check_rows(db, stations, checks);
  const RowsByUser rows = rows_as_booked(db, stations);
  checks.push_back(bookings_counted(stations, rows));
  checks.push_back(bookings_as_booked(stations, rows, floor));
  checks.insert(checks.end(), followed.checks.begin(), followed.checks.end());
  checks.push_back(refusals_known(stations));
  checks.push_back(stations_worked(stations));
  return checks;
}

} // namespace friday
