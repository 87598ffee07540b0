#include "rooms/place.h"

#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/query.h"

namespace {

// The first row of the statement into `record`, which keeps the name
// `name` in column `column` when none comes back.
template <class T>
int read_first(Tools::Database &db, const std::string &by_key, const std::string &by_name, T &record,
               Tools::DBTypeVarChar T::*column, std::string name)
{
  const int key = record.idx;
  T found;
  Tools::DBBindList list;
  list.add(&found);
  if (key != 0) {
    const int n = Tools::select_objects(db, by_key, list);
    if (n < 0) {
      record.idx = 0;
      return -1;
    }
    if (n > 0 && (found.*column).value == name) {
      record = found;
      return 1;
    }
  }
  record = T();
  record.*column = name;
  if (name.empty())
    return 0;
  const int n = Tools::select_objects(db, by_name, list);
  if (n > 0)
    record = found;
  return n < 0 ? -1 : n;
}

} // namespace

int Place::reload_room(Tools::Database &db, LAYOUTK &room, std::string name)
{
  return read_first(db, Tools::format("select %%LAYOUTK from LAYOUTK where idx = '%d' ", int(room.idx)),
                    Tools::format("select %%LAYOUTK from LAYOUTK where name = '%s' ", Tools::sql_escape(name)), room,
                    &LAYOUTK::name, name);
}

int Place::reload_table(Tools::Database &db, const LAYOUTK &room, LAYOUTP &table, std::string name)
{
  if (int(room.idx) == 0) {
    table = LAYOUTP();
    table.label_name = name;
    return 0;
  }
  return read_first(db,
                    Tools::format("select %%LAYOUTP from LAYOUTP where idx = '%d' and layout_idx = '%d' ",
                                  int(table.idx), int(room.idx)),
                    Tools::format("select %%LAYOUTP from LAYOUTP where layout_idx = '%d' and label_name = '%s' ",
                                  int(room.idx), Tools::sql_escape(name)),
                    table, &LAYOUTP::label_name, name);
}

int Place::reload(Tools::Database &db, LAYOUTK &room, LAYOUTP &table)
{
  const int rooms = reload_room(db, room, room.name.value);
  const int tables = reload_table(db, room, table, table.label_name.value);
  return rooms < tables ? rooms : tables;
}
