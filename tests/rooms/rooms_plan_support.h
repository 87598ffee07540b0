#ifndef KORVAN_TESTS_ROOMS_ROOMS_PLAN_SUPPORT_H
#define KORVAN_TESTS_ROOMS_ROOMS_PLAN_SUPPORT_H

// Helpers of the floor-plan tests: rows written from the test's own
// connection and a driver that remembers the program's statements (the
// message boxes the windows show are seen through korvan_gui_test::Box).

#include <string>
#include <vector>

#include "tests/support/recording_db.h"
#include "tools/dbi/database.h"
#include "tools/widgets/fxcompat.h"

namespace rooms_plan_test {

using korvan_test::connect_recording;
using korvan_test::RecordingDB;

// Rows written and committed on the test's connection. Each gives the new
// row's key.
int add_room(Tools::Database &db, const std::string &name, int width = 0, int height = 0);
int add_table(Tools::Database &db, int room, const std::string &name, int x, int y, int w = 0, int h = 0);
int add_line(Tools::Database &db, int room, const std::string &room_name, int table, const std::string &table_name,
             bool cancelled = false, bool paid = false);

} // namespace rooms_plan_test

#endif
