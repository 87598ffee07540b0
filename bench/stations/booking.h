#ifndef KORVAN_BENCH_STATIONS_BOOKING_H
#define KORVAN_BENCH_STATIONS_BOOKING_H

// Whether the lines a station booked stand on the server as it booked
// them, in every column a booking stores that a person reads back: the
// article (its key and the number the order window shows), the price (its
// key and its amount), the quantity, the room and the table (their keys and
// the names the order window shows) and the bill's mark ("Rechnung": none
// printed yet). The user is the one the rows are read by. A booking does
// not read back the key of its line, so
// the station's bookings are compared with the rows of its user as a whole:
// every booking must meet a row of its own that says the same.
//
// Any station may have moved a line since. The action on it that began
// first found it where it was booked: its station read the line before
// the action began, and a move stored before that reading would have
// begun earlier still, and so would be the first. (A move that was not
// stored moved nothing.) That action also read the names the line carried
// there.

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "bench/linefollower.h"

// A line as a station booked it, or as a row holds it.
struct Booking
{
  int article = 0;           // artnr_idx
  std::string number;        // artnr
  int price = 0;             // preis_idx
  long long cents = 0;       // preis, in cents
  int quantity = 0;          // anzahl
  int room = 0;              // layoutk_idx
  std::string room_name;     // layoutk_name
  int table = 0;             // layoutp_idx
  std::string table_name;    // layoutp_label_name
  std::string bill = "NEIN"; // bill_printed

  bool operator<(const Booking &o) const
  {
    return std::tie(article, number, price, cents, quantity, room, room_name, table, table_name, bill) <
           std::tie(o.article, o.number, o.price, o.cents, o.quantity, o.room, o.room_name, o.table, o.table_name,
                    o.bill);
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
    row.stored.room_name = first->seen_room_name;
    row.stored.table = first->seen_table;
    row.stored.table_name = first->seen_table_name;
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
