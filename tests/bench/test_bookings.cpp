// The load driver compares what each station booked with the rows of its
// user: these cases are rows a correct server leaves (also after other
// stations moved the lines), and rows a server leaves that stores a
// booking otherwise than it was handed over. And which one-station run a
// run of a list is measured against.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/stations/baseline.h"
#include "bench/stations/booking.h"

namespace {

std::chrono::steady_clock::time_point at(int ms)
{
  return std::chrono::steady_clock::time_point(std::chrono::milliseconds(ms));
}

// `quantity` of article 7 (number 1007) at price 70 (3.20) on table
// `table` of room 1, named as the house names them ("Saal", "T4").
Booking booked(int table, int quantity = 1, int price = 70, long long cents = 320, int room = 1)
{
  Booking b;
  b.article = 7;
  b.number = "1007";
  b.price = price;
  b.cents = cents;
  b.quantity = quantity;
  b.room = room;
  b.room_name = room == 1 ? "Saal" : "Terrasse";
  b.table = table;
  b.table_name = "T" + std::to_string(table);
  return b;
}

// The booking with one column as a row may hold it otherwise.
Booking with(Booking b, std::string Booking::*column, const char *value)
{
  b.*column = value;
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
  s.seen_room_name = "Saal";
  s.seen_table = seen;
  s.seen_table_name = "T" + std::to_string(seen);
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
      {"stored with another article's number",
       {booked(4), booked(4)},
       {row(10, booked(4)), row(11, with(booked(4), &Booking::number, "1008"))},
       {},
       1,
       1},
      {"stored with another table's name",
       {booked(4)},
       {row(10, with(booked(4), &Booking::table_name, "T5"))},
       {},
       1,
       1},
      {"stored with another room's name",
       {booked(4)},
       {row(10, with(booked(4), &Booking::room_name, "Bar"))},
       {},
       1,
       1},
      {"stored as printed on a bill", {booked(4)}, {row(10, with(booked(4), &Booking::bill, "JA"))}, {}, 1, 1},
      {"moved on: the names where the first action found it",
       {booked(4)},
       {row(10, with(booked(8), &Booking::table_name, "T8"))},
       {found_at(10, 4, 10, 20)},
       0,
       0},
      {"stored with another table's name, then moved on",
       {booked(4)},
       {row(10, booked(8))},
       {[] {
         Step s = found_at(10, 4, 10, 20);
         s.seen_table_name = "T5";
         return s;
       }()},
       1,
       1},
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

// The one-station run each run of a list is measured against: 1 the
// one-station runs, 8 the others.
TEST(Series, EachRunIsMeasuredAgainstItsNeighbouringOneStationRun)
{
  const struct
  {
    std::vector<int> list;
    std::vector<int> against; // per run
  } cases[] = {
      {{1, 2, 4, 8, 16}, {0, 0, 0, 0, 0}}, {{1, 8, 1, 8}, {0, 0, 2, 2}}, {{8, 1, 1, 8}, {1, 1, 2, 2}},
      {{1, 8, 8, 8, 1}, {0, 0, 0, 4, 4}},  {{8, 8}, {-1, -1}},           {{}, {}},
  };
  for (const auto &c : cases) {
    std::vector<bool> is_one;
    for (int n : c.list)
      is_one.push_back(n == 1);
    for (std::size_t i = 0; i < c.list.size(); ++i)
      EXPECT_EQ(c.against[i], neighbour_one(is_one, i)) << "run " << i << " of " << ::testing::PrintToString(c.list);
  }
}

} // namespace
