// The load driver compares what each station booked with the rows of its
// user: these cases are rows a correct server leaves (also after other
// stations moved the lines), and rows a server leaves that stores a
// booking otherwise than it was handed over.

#include <gtest/gtest.h>

#include <vector>

#include "bench/stations/booking.h"

namespace {

std::chrono::steady_clock::time_point at(int ms)
{
  return std::chrono::steady_clock::time_point(std::chrono::milliseconds(ms));
}

// `quantity` of article 7 at price 70 (3.20) on table `table` of room 1.
Booking booked(int table, int quantity = 1, int price = 70, long long cents = 320, int room = 1)
{
  Booking b;
  b.article = 7;
  b.price = price;
  b.cents = cents;
  b.quantity = quantity;
  b.room = room;
  b.table = table;
  return b;
}

BookedRow row(int line, const Booking &stored)
{
  BookedRow r;
  r.line = line;
  r.stored = stored;
  return r;
}

// An action on a line that found it on `seen` of room 1, and when it
// began and ended.
Step found_at(int line, int seen, int t0, int t1, Step::Effect effect = Step::MOVE, bool sure = true)
{
  Step s;
  s.line = line;
  s.effect = effect;
  s.seen_room = s.to_room = 1;
  s.seen_table = seen;
  s.to_table = 99;
  s.t0 = at(t0);
  s.t1 = at(t1);
  s.sure = sure;
  return s;
}

struct Case
{
  const char *what;
  std::vector<Booking> booked;
  std::vector<BookedRow> rows; // as they stand now
  std::vector<Step> steps;     // of every station, on any of the rows
  std::size_t not_stored, not_booked;
};

TEST(Bookings, WhatAStationBookedAgainstTheRowsOfItsUser)
{
  const std::vector<Case> cases = {
      {"stored as booked, in another order",
       {booked(4), booked(5, 2)},
       {row(11, booked(5, 2)), row(10, booked(4))},
       {},
       0,
       0},
      {"the same booking twice, both stored",
       {booked(4), booked(4)},
       {row(10, booked(4)), row(11, booked(4))},
       {},
       0,
       0},
      {"the same booking twice, one stored", {booked(4), booked(4)}, {row(10, booked(4))}, {}, 1, 0},
      {"nothing booked, nothing stored", {}, {}, {}, 0, 0},
      {"a row nobody booked", {booked(4)}, {row(10, booked(4)), row(11, booked(6))}, {}, 0, 1},
      {"stored with quantity 3", {booked(4)}, {row(10, booked(4, 3))}, {}, 1, 1},
      {"stored on another table of the room", {booked(4)}, {row(10, booked(5))}, {}, 1, 1},
      {"stored in another room at the same table", {booked(4)}, {row(10, booked(4, 1, 70, 320, 2))}, {}, 1, 1},
      {"stored with another price of the article", {booked(4)}, {row(10, booked(4, 1, 71))}, {}, 1, 1},
      {"stored at another amount of the price", {booked(4)}, {row(10, booked(4, 1, 70, 330))}, {}, 1, 1},
      {"two bookings' tables swapped",
       {booked(4), booked(5, 2)},
       {row(10, booked(5)), row(11, booked(4, 2))},
       {},
       2,
       2},
      {"moved on by others: where the first action found it",
       {booked(4)},
       {row(10, booked(8))},
       {found_at(10, 4, 10, 20), found_at(10, 6, 30, 40)},
       0,
       0},
      {"moved on: the first to begin counts, not the first to end",
       {booked(4)},
       {row(10, booked(8))},
       {found_at(10, 6, 15, 18, Step::PAY), found_at(10, 4, 10, 20)},
       0,
       0},
      {"a cut-off action found it too",
       {booked(4)},
       {row(10, booked(8))},
       {found_at(10, 4, 10, 20, Step::MOVE, false), found_at(10, 8, 30, 40)},
       0,
       0},
      {"stored on another table, then moved on", {booked(4)}, {row(10, booked(8))}, {found_at(10, 5, 10, 20)}, 1, 1},
      {"another line's actions do not move it", {booked(4)}, {row(10, booked(4))}, {found_at(11, 6, 10, 20)}, 0, 0},
  };
  for (const Case &c : cases) {
    std::vector<BookedRow> rows;
    for (const BookedRow &r : c.rows) {
      std::vector<const Step *> of_line;
      for (const Step &s : c.steps)
        if (s.line == r.line)
          of_line.push_back(&s);
      rows.push_back(as_booked(r, of_line));
    }
    const BookingsCompared compared = compare_bookings(c.booked, rows);
    EXPECT_EQ(c.not_stored, compared.not_stored.size()) << c.what;
    EXPECT_EQ(c.not_booked, compared.not_booked.size()) << c.what;
    EXPECT_EQ(c.not_stored == 0 && c.not_booked == 0, compared.same()) << c.what;
  }
}

TEST(Bookings, TheDifferencesNameTheBookingAndTheLine)
{
  const BookingsCompared compared =
      compare_bookings({booked(4), booked(6)}, {row(10, booked(6)), row(12, booked(4, 5)), row(11, booked(9))});
  ASSERT_EQ(1u, compared.not_stored.size());
  EXPECT_TRUE(compared.not_stored[0] == booked(4));
  ASSERT_EQ(2u, compared.not_booked.size());
  EXPECT_EQ(11, compared.not_booked[0].line);
  EXPECT_EQ(9, compared.not_booked[0].stored.table);
  EXPECT_EQ(12, compared.not_booked[1].line);
  EXPECT_EQ(5, compared.not_booked[1].stored.quantity);
}

} // namespace
