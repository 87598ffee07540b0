#include "tests/rooms/rooms_plan_support.h"

#include <gtest/gtest.h>

#include "tools/dbi/query.h"
#include "schema/tables.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/db_support.h"

using namespace FX;

namespace rooms_plan_test {

int add_room(Tools::Database &db, const std::string &name, int width, int height)
{
  LAYOUTK room;
  room.name = name;
  room.width = width;
  room.height = height;
  EXPECT_TRUE(Tools::insert_object(db, room)) << db.get_error();
  const int idx = db.get_insert_id();
  EXPECT_TRUE(db.commit());
  return idx;
}

int add_table(Tools::Database &db, int room, const std::string &name, int x, int y, int w, int h)
{
  LAYOUTP table;
  table.layout_idx = room;
  table.label_name = name;
  table.label_x = x;
  table.label_y = y;
  table.label_width = w;
  table.label_height = h;
  EXPECT_TRUE(Tools::insert_object(db, table)) << db.get_error();
  const int idx = db.get_insert_id();
  EXPECT_TRUE(db.commit());
  return idx;
}

int add_line(Tools::Database &db, int room, const std::string &room_name, int table, const std::string &table_name,
             bool cancelled, bool paid)
{
  // The order's user and article do not matter here.
  EXPECT_FALSE(!db.exec("SET FOREIGN_KEY_CHECKS=0"));
  BONLINE line;
  line.layoutk_idx = room;
  line.layoutk_name = room_name;
  line.layoutp_idx = table;
  line.layoutp_label_name = table_name;
  line.anzahl = 1;
  if (cancelled)
    line.storniert = JANEIN::JA;
  if (paid)
    line.bezahlt = JANEIN::JA;
  EXPECT_TRUE(Tools::insert_object(db, line)) << db.get_error() << "\n" << db.get_last_query();
  const int idx = db.get_insert_id();
  EXPECT_TRUE(db.commit());
  return idx;
}

} // namespace rooms_plan_test
