#ifndef KORVAN_BENCH_STATIONS_BOOKING_H
#define KORVAN_BENCH_STATIONS_BOOKING_H

// Whether the lines a station booked stand on the server as it booked
// them: the article, the price (its key and its amount), the quantity, the
// room and the table. A booking does not read back the key of its line, so
// the station's bookings are compared with the rows of its user as a whole:
// every booking must meet a row of its own that says the same.
//
// Any station may have moved a line since. The action on it that began
// first found it where it was booked: its station read the line before
// the action began, and a move stored before that reading would have
// begun earlier still, and so would be the first. (A move that was not
// stored moved nothing.)

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include "bench/linefollower.h"

// A line as a station booked it, or as a row holds it.
struct Booking
{
  int article = 0;     // artnr_idx
  int price = 0;       // preis_idx
  long long cents = 0; // preis, in cents
  int quantity = 0;    // anzahl
  int room = 0;        // layoutk_idx
  int table = 0;       // layoutp_idx

  bool operator<(const Booking &o) const
  {
    return std::tie(article, price, cents, quantity, room, table) <
           std::tie(o.article, o.price, o.cents, o.quantity, o.room, o.table);
  }
  bool operator==(const Booking &o) const { return !(*this < o) && !(o < *this); }
};

// A row of a station's user: its key, and the line as booked where the
// row stands now.
struct BookedRow
{
  int line = 0;
  Booking stored;
};

// The row as it was booked: where the first action on it found it (the
// steps of its line, of every station), else where it stands now.
inline BookedRow as_booked(BookedRow row, const std::vector<const Step *> &steps)
{
  const Step *first = nullptr;
  for (const Step *s : steps)
    if (!first || s->t0 < first->t0)
      first = s;
  if (first) {
    row.stored.room = first->seen_room;
    row.stored.table = first->seen_table;
  }
  return row;
}

// What differs between a station's bookings and the rows of its user (as
// booked): bookings that no row holds, and rows that no booking explains.
struct BookingsCompared
{
  std::vector<Booking> not_stored;
  std::vector<BookedRow> not_booked;

  bool same() const { return not_stored.empty() && not_booked.empty(); }
};

inline BookingsCompared compare_bookings(std::vector<Booking> booked, std::vector<BookedRow> rows)
{
  std::sort(booked.begin(), booked.end());
  std::sort(rows.begin(), rows.end(), [](const BookedRow &a, const BookedRow &b) {
    return a.stored < b.stored || (a.stored == b.stored && a.line < b.line);
  });
  BookingsCompared c;
  std::size_t b = 0, r = 0;
  while (b < booked.size() || r < rows.size()) {
    if (r == rows.size() || (b < booked.size() && booked[b] < rows[r].stored))
      c.not_stored.push_back(booked[b++]);
    else if (b == booked.size() || rows[r].stored < booked[b])
      c.not_booked.push_back(rows[r++]);
    else {
      ++b;
      ++r;
    }
  }
  return c;
}

#endif
