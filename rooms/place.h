#ifndef KORVAN_ROOMS_PLACE_H
#define KORVAN_ROOMS_PLACE_H

// The room and the table that an order line is booked on or moved to,
// read again when a window's two lists name them. The lists show names;
// the records keep the keys. A key wins while its row still carries the
// name shown: two rooms of an older database may share a name, and the
// list cannot tell them apart. Only a name the user chose anew is looked
// up by name.

#include <string>

#include "tools/dbi/database.h"
#include "schema/tables.h"

class Place
{
public:
  // 1 when found (the record is then that row), 0 when no room has that
  // name (a fresh record that keeps the name), -1 when the statement
  // failed (key 0).
  static int reload_room(Tools::Database &db, LAYOUTK &room, std::string name);
  // The same for the table of that name in the room (none without a room).
  static int reload_table(Tools::Database &db, const LAYOUTK &room, LAYOUTP &table, std::string name);
  // Both, by the names the two records hold: the lower result.
  static int reload(Tools::Database &db, LAYOUTK &room, LAYOUTP &table);
};

#endif
