#include "rooms/floorplan.h"

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"

const char *FloorPlan::text(Outcome outcome)
{
  switch (outcome) {
  case NO_ROOM_NAME:
    return "Bitte einen Raum auswählen.";
  case NUL_IN_NAME:
    return "Ein Text enthält ein Nullzeichen, das nicht gespeichert werden kann:";
  case NAME_MISFIT:
    return "Ein Text enthält ein Zeichen, das nicht gespeichert werden kann (etwa ein Emoji):";
  case NAME_INVISIBLE:
    return "Ein Name kann keine unsichtbaren Zeichen oder Steuerzeichen enthalten:";
  case NAME_TOO_LONG:
    return "Dieser Name ist zu lang:";
  case TABLE_NAME_MISSING:
    return "Jeder Tisch braucht einen Namen.";
  case TABLE_NAME_TAKEN:
    return "Diesen Namen hat schon ein anderer Tisch des Raumes:";
  case SIZE_TOO_SMALL:
    return "Breite und Höhe eines Tisches müssen mindestens 1 sein:";
  case OUTSIDE_ROOM:
    return "Dieser Tisch liegt nicht ganz im Raum:";
  case ROOM_NAME_TAKEN:
    return "Diesen Namen hat schon ein anderer Raum:";
  case CHANGED_ELSEWHERE:
    return "Der Raum wurde inzwischen an einem anderen Platz geändert. Es wurde nichts gespeichert.";
  case BUSY_ELSEWHERE:
    return "Der Raum wird gerade an einem anderen Platz gespeichert. Es wurde nichts gespeichert.";
  case ROOM_HAS_LINES:
    return "Dieser Raum hat Bonierungen und kann nicht umbenannt werden:";
  case TABLE_HAS_LINES:
    return "Bonierungen tragen diesen Tischnamen; der Tisch kann nicht umbenannt werden:";
  case TABLE_KEEPS_LINES:
    return "Bonierungen tragen diesen Tisch oder seinen Namen; der Tisch kann nicht gelöscht werden:";
  case ROOM_KEEPS_LINES:
    return "Bonierungen tragen diesen Raum oder einen seiner Tische; der Raum kann nicht gelöscht werden:";
  case NOT_LOADED:
    return "Dieser Raum ist nicht geladen. Bitte den Raum zuerst auswählen.";
  case DONE:
  case FAILED:
    break;
  }
  return "";
}

const char *const FloorPlan::CHOOSE_AGAIN =
    "Der Plan bleibt im Editor; den Raum neu auswählen zeigt den gespeicherten Stand.";
const char *const FloorPlan::ROOM_FIELD = "Raum";
const char *const FloorPlan::TABLE_FIELD = "Titel";

std::string FloorPlan::Result::text(const Words &words) const
{
  const auto say = [&](const char *german) { return words ? words(german) : std::string(german); };
  const char *own = FloorPlan::text(outcome);
  if (!*own)
    return std::string();
  switch (outcome) {
  case NO_ROOM_NAME:
  case TABLE_NAME_MISSING:
  case NOT_LOADED:
    return say(own);
  case CHANGED_ELSEWHERE:
  case BUSY_ELSEWHERE:
    return say(own) + "\n" + say(CHOOSE_AGAIN);
  case NUL_IN_NAME:
    // Shown up to the NUL, which a box would end the text at.
    return say(own) + "\n" + name.substr(0, name.find('\0')) + "\\0";
  case NAME_MISFIT:
  case NAME_INVISIBLE: {
    const std::string field = say(of_table ? TABLE_FIELD : ROOM_FIELD);
    // What does not show is written as its code, so that the box shows it.
    const std::string shown = outcome == NAME_INVISIBLE ? Tools::invisible_shown(name) : name;
    return say(own) + "\n" + (field.empty() ? field : field + ": ") + shown;
  }
  default:
    return Tools::format("%s '%s'", say(own), name);
  }
}

namespace {

bool too_long(const Tools::DBTypeVarChar &column)
{
  return Tools::utf8_length(column.value) > static_cast<std::size_t>(column.size);
}

// As the people who pick them tell names apart: case and the white space
// around them do not count, and white space inside counts as one blank
// ("T 1" with a no-break space is "T 1"). Two names that both were stored
// before are compared as they were then, without the blanks inside: a room
// that holds such a pair stays saveable.
bool alike(const std::string &a, const std::string &b, bool either_new)
{
  if (either_new)
    return Tools::same_name(a, b);
  return Tools::icase_equal(Tools::trim_white(a), Tools::trim_white(b));
}

// Every column alike, to the byte.
bool same_row(const Tools::DBBindType &a, const Tools::DBBindType &b)
{
  const std::vector<Tools::DBType *> &x = a.get_types(), &y = b.get_types();
  if (x.size() != y.size())
    return false;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (x[i]->to_string() != y[i]->to_string())
      return false;
  return true;
}

// A refusal before any statement ran.
FloorPlan::Result refusal(FloorPlan::Outcome outcome, const std::string &name = std::string(), bool of_table = false)
{
  FloorPlan::Result r;
  r.outcome = outcome;
  r.name = name;
  r.of_table = of_table;
  return r;
}

// Rows with key 0 stand for no table: nothing can name them apart.
bool in_plan(const LAYOUTP &table) { return int(table.idx) != 0; }

// Whether a (trimmed) name is new or not the one stored.
bool is_new(const std::string &name, const std::string *stored)
{
  return !stored || Tools::trim_white(*stored) != name;
}

// The same for the plan's room. A name that is new or changed is compared
// with the white space inside as one blank each and may not hold what does
// not show; a name stored before stays as it is.
bool new_room_name(const FloorPlan::Plan &loaded, const FloorPlan::Plan &plan)
{
  return is_new(plan.room.name.value, int(plan.room.idx) != 0 ? &loaded.room.name.value : nullptr);
}

const LAYOUTP *loaded_table(const FloorPlan::Plan &loaded, int idx)
{
  for (const LAYOUTP &table : loaded.tables)
    if (int(table.idx) == idx)
      return &table;
  return nullptr;
}

// What a name of the plan may not be (besides empty): the refusal, or
// done.
FloorPlan::Result name_fault(const Tools::DBTypeVarChar &column, bool new_name, bool of_table)
{
  const std::string &name = column.value;
  if (name.find('\0') != std::string::npos)
    return refusal(FloorPlan::NUL_IN_NAME, name, of_table);
  if (Tools::utf8_mb3_misfit(name) != std::string::npos)
    return refusal(FloorPlan::NAME_MISFIT, name, of_table);
  if (new_name && Tools::invisible_at(name) != std::string::npos)
    return refusal(FloorPlan::NAME_INVISIBLE, name, of_table);
  if (too_long(column))
    return refusal(FloorPlan::NAME_TOO_LONG, name, of_table);
  return FloorPlan::Result();
}

// The faults of the plan's table `i`, compared with the tables before it
// (`new_names`: whether each of them carries a new or changed name; this
// one's is added).
FloorPlan::Result table_fault(const FloorPlan::Plan &loaded, const FloorPlan::Plan &plan, std::size_t i,
                              std::vector<bool> &new_names)
{
  const LAYOUTP &row = plan.tables[i];
  const LAYOUTK &room = plan.room;
  const std::string &name = row.label_name.value;
  const LAYOUTP *as_loaded = int(row.idx) != 0 ? loaded_table(loaded, row.idx) : nullptr;
  if (int(row.idx) != 0 && !as_loaded)
    return refusal(FloorPlan::CHANGED_ELSEWHERE, name, true);
  if (name.empty())
    return refusal(FloorPlan::TABLE_NAME_MISSING, "", true);
  const bool new_name = is_new(name, as_loaded ? &as_loaded->label_name.value : nullptr);
  const FloorPlan::Result fault = name_fault(row.label_name, new_name, true);
  if (!fault.done())
    return fault;
  for (std::size_t j = 0; j < i; ++j)
    if (alike(plan.tables[j].label_name.value, name, new_name || new_names[j]))
      return refusal(FloorPlan::TABLE_NAME_TAKEN, name, true);
  new_names.push_back(new_name);
  if (row.label_width < 1 || row.label_height < 1)
    return refusal(FloorPlan::SIZE_TOO_SMALL, name, true);
  if (row.label_x < 0 || row.label_y < 0 || row.label_x + row.label_width > room.width ||
      row.label_y + row.label_height > room.height)
    return refusal(FloorPlan::OUTSIDE_ROOM, name, true);
  return FloorPlan::Result();
}

} // namespace

FloorPlan::FloorPlan(Tools::Database &database) : db(database) {}

// ---- reading ----

int FloorPlan::read(const std::string &where, Plan &plan)
{
  Plan found;
  Tools::DBBindList list;
  list.add(&found.room);
  const int rooms = Tools::select_objects(db, "select %LAYOUTK from LAYOUTK " + where, list);
  if (rooms <= 0 || int(found.room.idx) == 0)
    return rooms < 0 ? -1 : 0;
  std::vector<Tools::Ref<LAYOUTP> > tables;
  if (Tools::select_rows<LAYOUTP>(db, "LAYOUTP", tables, Tools::format("where layout_idx='%s'", int(found.room.idx))) <
      0)
    return -1;
  for (const Tools::Ref<LAYOUTP> &table : tables)
    if (in_plan(*table))
      found.tables.push_back(*table);
  plan = found;
  return 1;
}

int FloorPlan::load(const std::string &name, Plan &plan)
{
  return read(Tools::format("where %s = '%s' ", Tools::sql_trim_white("name"), Tools::sql_escape(Tools::trim_white(name))),
              plan);
}

int FloorPlan::load(int idx, Plan &plan) { return read(Tools::format("where idx = '%s' ", idx), plan); }

// ---- the end of a unit of work ----

FloorPlan::Result FloorPlan::failed(Outcome refusal, const std::string &name)
{
  // Read before the rollback, which is a statement of its own.
  const Tools::DBFailureReport report = db.failure_report();
  Result r;
  static_cast<Tools::DBFailureReport &>(r) = report;
  // The one kind of failure that means the refusal asked about: another
  // station holding the rows a save locks, or order lines that carry the
  // row to change.
  const Tools::DBFailure meant =
      refusal == BUSY_ELSEWHERE ? Tools::DBFailure::LOCK_WAIT : Tools::DBFailure::ROW_REFERRED_TO;
  r.outcome = refusal != FAILED && report.kind == meant ? refusal : FAILED;
  if (r.outcome != FAILED)
    r.name = name;
  TOOLS_LOG(Tools::format("rolled back: %s", r.error));
  // On a lost connection this fails too; the server has then ended the
  // transaction itself.
  db.rollback();
  return r;
}

FloorPlan::Result FloorPlan::refused(Outcome outcome, const std::string &name)
{
  Result r;
  r.outcome = outcome;
  r.name = name;
  if (!db.rollback()) {
    r.outcome = FAILED;
    static_cast<Tools::DBFailureReport &>(r) = db.failure_report();
  }
  return r;
}

// ---- saving ----

FloorPlan::Result FloorPlan::check(const Plan &loaded, const Plan &plan)
{
  const LAYOUTK &room = plan.room;
  if (room.name.value.empty())
    return refusal(NO_ROOM_NAME, "", false);
  Result r = name_fault(room.name, new_room_name(loaded, plan), false);
  if (!r.done())
    return r;
  // Keys come from the plan loaded: a plan of another room, or a table
  // that the room did not have, would write over rows never compared.
  if (int(room.idx) != int(loaded.room.idx))
    return refusal(CHANGED_ELSEWHERE, room.name.value, false);
  // Whether each table checked so far carries a new or changed name.
  std::vector<bool> new_names;
  for (std::size_t i = 0; i < plan.tables.size() && r.done(); ++i)
    r = table_fault(loaded, plan, i, new_names);
  return r;
}

FloorPlan::Result FloorPlan::lock_as_loaded(const Plan &loaded)
{
  // Another editor's save waits here for this one to end, and finds the
  // plan changed then; this one waits a few seconds at most.
  const int idx = loaded.room.idx;
  std::vector<Tools::Ref<LAYOUTK> > rooms;
  std::vector<Tools::Ref<LAYOUTP> > tables;
  if (Tools::select_rows<LAYOUTK>(db, "LAYOUTK", rooms,
                                  Tools::format("where idx = '%s'", idx) + Tools::Database::FOR_UPDATE) < 0 ||
      Tools::select_rows<LAYOUTP>(db, "LAYOUTP", tables,
                                  Tools::format("where layout_idx = '%s'", idx) + Tools::Database::FOR_UPDATE) < 0)
    return failed(BUSY_ELSEWHERE);
  bool same = rooms.size() == 1 && same_row(*rooms[0], loaded.room);
  std::size_t compared = 0;
  for (const Tools::Ref<LAYOUTP> &table : tables) {
    if (!in_plan(*table))
      continue;
    const LAYOUTP *as_loaded = loaded_table(loaded, table->idx);
    same = same && as_loaded && same_row(*table, *as_loaded);
    ++compared;
  }
  same = same && compared == loaded.tables.size();
  if (!same) {
    TOOLS_LOG(Tools::format("room %d changed elsewhere since it was loaded", idx));
    return refused(CHANGED_ELSEWHERE);
  }
  return Result();
}

FloorPlan::Result FloorPlan::write(const Plan &loaded, Plan &plan)
{
  // Order lines name their room and table, and the server keeps a name
  // that a line carries, in any room and in any case (a change of a
  // single byte is refused), and a table whose key or name a line
  // carries: the statement it refuses tells which row that is.
  LAYOUTK &room = plan.room;
  if (int(room.idx) == 0) {
    if (!Tools::insert_object(db, room))
      return failed();
    room.idx = db.get_insert_id();
  } else if (!Tools::update_object(db, room, Tools::format("where idx = '%s' ", int(room.idx)))) {
    return failed(ROOM_HAS_LINES, loaded.room.name.value);
  }
  for (const LAYOUTP &table : loaded.tables) {
    bool kept = false;
    for (const LAYOUTP &row : plan.tables)
      kept = kept || int(row.idx) == int(table.idx);
    if (!kept && !db.exec(Tools::format("delete from LAYOUTP where idx='%s'", int(table.idx))))
      return failed(TABLE_KEEPS_LINES, table.label_name.value);
  }
  for (LAYOUTP &row : plan.tables) {
    row.layout_idx = int(room.idx);
    if (int(row.idx) != 0) {
      if (!Tools::update_object(db, row, Tools::format("where idx='%s'", int(row.idx))))
        return failed(TABLE_HAS_LINES, loaded_table(loaded, row.idx)->label_name.value);
      continue;
    }
    if (!Tools::insert_object(db, row))
      return failed();
    row.idx = db.get_insert_id();
  }
  if (!db.commit())
    return failed();
  return Result();
}

FloorPlan::Result FloorPlan::save(const Plan &loaded, Plan &plan)
{
  // Names are stored without the white space around them.
  plan.room.name = Tools::trim_white(plan.room.name.value);
  for (LAYOUTP &table : plan.tables)
    table.label_name = Tools::trim_white(table.label_name.value);
  Result r = check(loaded, plan);
  if (!r.done())
    return r;

  // Another room of this name: a new or changed name is compared with the
  // white space inside as one blank each, a name stored before as it was.
  const std::string compared =
      new_room_name(loaded, plan)
          ? Tools::sql_same_name("name", plan.room.name.value)
          : Tools::format("%s = '%s'", Tools::sql_trim_white("name"), Tools::sql_escape(plan.room.name.value));
  Tools::DBTypeInt others;
  Tools::DBTypeList fields;
  fields.add(&others);
  if (Tools::select_values(
          db, Tools::format("select count(*) from LAYOUTK where %s and idx <> '%s'", compared, int(plan.room.idx)),
          fields) < 0)
    return failed();
  if (int(others) > 0)
    return refused(ROOM_NAME_TAKEN, plan.room.name.value);

  // Another station may have saved the room since it was loaded: what it
  // stored is not written over.
  if (int(loaded.room.idx) != 0) {
    r = lock_as_loaded(loaded);
    if (!r.done())
      return r;
  }
  // Written on a copy: a plan refused keeps the keys it had.
  Plan written = plan;
  r = write(loaded, written);
  if (r.done())
    plan = written;
  return r;
}

// ---- deleting ----

FloorPlan::Result FloorPlan::remove(const Plan &loaded, const std::string &typed)
{
  const int idx = loaded.room.idx;
  if (idx == 0)
    return refusal(NOT_LOADED);
  const std::string name = Tools::sql_escape(Tools::trim_white(typed)), trimmed = Tools::sql_trim_white("name");
  // The tables go by the loaded room's key, the room by name and key: a
  // name typed over the loaded one would delete the tables and keep the
  // room. Only the room that is loaded under this name is deleted.
  Tools::DBTypeInt rooms;
  Tools::DBTypeList fields;
  fields.add(&rooms);
  if (Tools::select_values(
          db, Tools::format("select count(*) from LAYOUTK where %s = '%s' and idx  ='%s'", trimmed, name, idx),
          fields) < 0)
    return failed();
  if (int(rooms) < 1)
    return refused(NOT_LOADED);
  // The tables go by the room's key, also one that another station added
  // after this plan was loaded: the delete waits for a save under way and
  // takes the room only as it was loaded, as a save writes only over that.
  const Result locked = lock_as_loaded(loaded);
  if (!locked.done())
    return locked;
  // The server keeps the room and each of its tables while order lines
  // carry its key or its name (a table's name also in another room).
  if (!db.exec(Tools::format("delete from LAYOUTP where layout_idx = '%s'", idx)) ||
      !db.exec(Tools::format("delete from LAYOUTK where %s = '%s' and idx = '%s'", trimmed, name, idx)))
    return failed(ROOM_KEEPS_LINES, typed);
  if (!db.commit())
    return failed();
  return Result();
}
