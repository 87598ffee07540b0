#ifndef KORVAN_TESTS_ROOMS_ROOMS_PLAN_SUPPORT_H
#define KORVAN_TESTS_ROOMS_ROOMS_PLAN_SUPPORT_H

// Helpers of the floor-plan tests: rows written from the test's own
// connection and a driver that remembers the program's statements (the
// message boxes the windows show are seen through korvan_gui_test::Box).

#include <string>
#include <vector>

#include "tools/dbi/database.h"
#include "tools/dbi/db.h"
#include "tools/dbi/odbcdb.h"
#include "tools/widgets/fxcompat.h"

namespace rooms_plan_test {

// Passes every statement to the real ODBC driver and remembers it.
class RecordingDB : public Tools::DB
{
  Tools::ODBCDB real;

public:
  std::vector<std::string> statements;

  const char *get_error() override { return real.get_error(); }
  bool connect(const char *dsn, const char *user, const char *password) override
  {
    return real.connect(dsn, user, password);
  }
  bool select_db(const char *database) override { return real.select_db(database); }
  Tools::DBErg<Tools::DBRowList> exec(const std::string &sql) override;
  Tools::DBErg<Tools::DBRowList> select(const std::string &sql, bool with_table_names) override;
  void disconnect() override { real.disconnect(); }
  int get_insert_id() override { return real.get_insert_id(); }
  int count(const std::string &sql) const;
};

// A connection of the program's kind to the database, through a
// recording driver (owned by the handle).
Tools::Ref<Tools::Database> connect_recording(const std::string &database, RecordingDB *&recorder);

// Rows written and committed on the test's connection. Each gives the new
// row's key.
int add_room(Tools::Database &db, const std::string &name, int width = 0, int height = 0);
int add_table(Tools::Database &db, int room, const std::string &name, int x, int y, int w = 0, int h = 0);
int add_line(Tools::Database &db, int room, const std::string &room_name, int table, const std::string &table_name,
             bool cancelled = false, bool paid = false);

} // namespace rooms_plan_test

#endif
