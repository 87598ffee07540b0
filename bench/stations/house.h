#ifndef KORVAN_BENCH_STATIONS_HOUSE_H
#define KORVAN_BENCH_STATIONS_HOUSE_H

// The house the stations serve: 3 rooms of 30 tables, 40 articles in
// groups with their prices, a card and a voucher, and a year of history
// (paid lines with their amounts, cancelled ones with who cancelled them);
// and the master data as every station holds it.

#include <cstddef>
#include <vector>

#include "schema/tables.h"
#include "tools/core/ref.h"
#include "tools/dbi/database.h"

namespace friday {

// Stores a new row and gives its key; 0 (with the reason on standard
// error) when that failed.
int store(Tools::Database &db, Tools::DBBindType &row);

// Builds the house in an empty database, with `history` lines of the past
// year; false when any step failed (with the reason on standard error).
bool seed_house(Tools::Database &db, long history);

// A line written again after it was settled is the one fault the rows
// alone cannot show (a line paid twice carries the second payment only).
// The server notes each such write, inside the transaction that makes it:
// a rolled-back one leaves no note.
extern const char *const AUDIT_TABLE;
extern const char *const AUDIT_TRIGGER;

// The master data as every station holds it: records of its own, read
// from the database (a kept house is used as it is).
struct Floor
{
  std::vector<Tools::Ref<LAYOUTK> > rooms;
  std::vector<Tools::Ref<LAYOUTP> > tables;
  std::vector<std::size_t> table_room; // index into rooms
  std::vector<Tools::Ref<ART> > articles;
  std::vector<std::vector<Tools::Ref<PREIS> > > prices; // per article
  Tools::Ref<SONST_ART> card, voucher;

  bool load(Tools::Database &db);
};

} // namespace friday

#endif
