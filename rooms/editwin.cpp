#include "rooms/editwin.h"

#include <string>
#include <vector>

#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "gui/messagebox.h"
#include "gui/dberror.h"

using namespace FX;

FXDEFMAP(EditWin) EditWinMap[] = {
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_SAVE_ROOM, EditWin::onSaveRoom),
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_DELETE_ROOM, EditWin::onDeleteRoom),
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_NEW_ROOM, EditWin::onNewRoom),
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_CANCEL, EditWin::onCancel),
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_NEW_TABLE, EditWin::onNewTable),
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_DELETE_TABLE, EditWin::onDeleteTable),
    FXMAPFUNCS(SEL_COMMAND, EditWin::ID_TITLE, EditWin::ID_APPLY, EditWin::onApply),
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_ROOM, EditWin::onRoom),
    FXMAPFUNC(SEL_CLOSE, 0, EditWin::onCloseEditor),
    FXMAPFUNC(SEL_COMMAND, Dialog::ID_CLOSE, EditWin::onCloseEditor),
};

FXIMPLEMENT(EditWin, NaviWin, EditWinMap, ARRAYNUMBER(EditWinMap))

EditWin::EditWin()
    : title_field(nullptr), height_field(nullptr), width_field(nullptr), new_table_button(nullptr),
      apply_button(nullptr), delete_table_button(nullptr), room_combo(nullptr), table_counter(1), editable(false)
{
}

EditWin::EditWin(FXWindow *owner, AppContext *mw)
    : NaviWin(owner, mw, "Editor", DECOR_ALL), title_field(nullptr), height_field(nullptr), width_field(nullptr),
      new_table_button(nullptr), apply_button(nullptr), delete_table_button(nullptr), room_combo(nullptr),
      table_counter(1), editable(false),
      not_loaded(mw, "Message", "Dieser Raum ist nicht geladen. Bitte den Raum zuerst auswählen."),
      room_name_taken(mw, "Message", "Diesen Namen hat schon ein anderer Raum:"),
      table_name_taken(mw, "Message", "Diesen Namen hat schon ein anderer Tisch des Raumes:"),
      table_name_missing(mw, "Message", "Jeder Tisch braucht einen Namen."),
      name_too_long(mw, "Message", "Dieser Name ist zu lang:"),
      size_too_small(mw, "Message", "Breite und Höhe eines Tisches müssen mindestens 1 sein:"),
      outside_room(mw, "Message", "Dieser Tisch liegt nicht ganz im Raum:"),
      not_saved(mw, "Message", "Der Raum wurde nicht gespeichert; die Änderungen stehen noch im Editor."),
      room_has_lines(mw, "Message", "Dieser Raum hat Bonierungen und kann nicht umbenannt werden:"),
      table_has_lines(mw, "Message", "Bonierungen tragen diesen Tischnamen; der Tisch kann nicht umbenannt werden:"),
      table_keeps_lines(mw, "Message",
                        "Bonierungen tragen diesen Tisch oder seinen Namen; der Tisch kann nicht gelöscht werden:"),
      room_keeps_lines(mw, "Message",
                       "Bonierungen tragen diesen Raum oder einen seiner Tische; der Raum kann nicht gelöscht werden:"),
      changed_elsewhere(mw, "Message",
                        "Der Raum wurde inzwischen an einem anderen Platz geändert. Es wurde nichts gespeichert."),
      busy_elsewhere(mw, "Message",
                     "Der Raum wird gerade an einem anderen Platz gespeichert. Es wurde nichts gespeichert."),
      choose_again(mw, "Message", "Der Plan bleibt im Editor; den Raum neu auswählen zeigt den gespeicherten Stand.")
{
  as_labels = true;

  FXVerticalFrame *all = new FXVerticalFrame(this, LAYOUT_FILL, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

  FXHorizontalFrame *top = new FXHorizontalFrame(all, LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  new Label(top, mw, "Raum:");
  room_combo = new DBComboBox<LAYOUTK>(top, mw, "name", this, ID_ROOM, 0);
  room_combo->set_order("name"); // the rooms by name, as they were always listed
  room_combo->fill();
  add_bind_var(static_cast<ComboBox *>(room_combo), &room.name.value);
  new BarButtonNew(top, mw, this, ID_NEW_ROOM, BUTTON_NORMAL | LAYOUT_RIGHT);

  new FXHorizontalSeparator(all, SEPARATOR_GROOVE | LAYOUT_FILL_X);

  FXHorizontalFrame *middle = new FXHorizontalFrame(all, LAYOUT_FILL, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  canvas = new FixComposite(middle, this, ID_CANVAS, FRAME_RIDGE | LAYOUT_FILL);
  canvas->set_edit_mode(true);
  new FXVerticalSeparator(middle, SEPARATOR_GROOVE | LAYOUT_FILL_Y);
  // The column keeps its natural width: the plan takes the rest, so that
  // the size saved for the room is what the user sees.
  FXVerticalFrame *column = new FXVerticalFrame(middle, LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  new_table_button = new BarButton(column, mw, "Neuer Tisch", "", this, ID_NEW_TABLE, BUTTON_NORMAL | LAYOUT_FILL_X);
  new FXHorizontalSeparator(column, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  FXMatrix *matrix = new FXMatrix(column, 2, MATRIX_BY_COLUMNS, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  new Label(matrix, mw, "Titel:");
  title_field = new Tools::ThemeTextField(matrix, 10, this, ID_TITLE, FRAME_SUNKEN | TEXTFIELD_NORMAL);
  new Label(matrix, mw, "Höhe:");
  height_field = new Tools::ThemeTextField(matrix, 10, this, ID_HEIGHT, FRAME_SUNKEN | TEXTFIELD_INTEGER);
  new Label(matrix, mw, "Breite:");
  width_field = new Tools::ThemeTextField(matrix, 10, this, ID_WIDTH, FRAME_SUNKEN | TEXTFIELD_INTEGER);
  apply_button = new BarButton(column, mw, "Verändern", "", this, ID_APPLY, BUTTON_NORMAL | LAYOUT_FILL_X);
  new FXHorizontalSeparator(column, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  delete_table_button =
      new BarButton(column, mw, "Tisch Löschen", "", this, ID_DELETE_TABLE, BUTTON_NORMAL | LAYOUT_FILL_X);

  new FXHorizontalSeparator(all, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  ButtonBar *bar = new ButtonBar(all, mw);
  bar->add_delete(this, ID_DELETE_ROOM);
  bar->add_save(this, ID_SAVE_ROOM, true);
  bar->add_cancel(this, ID_CANCEL, true);

  selected = nullptr;
  table_counter = 1;
  enable_edit(false);
}

EditWin::~EditWin() {}

namespace {

bool too_long(const Tools::DBTypeVarChar &column)
{
  return Tools::utf8_length(column.value) > static_cast<std::size_t>(column.size);
}

// As the people who pick them tell names apart: case and the blanks
// around them do not count.
bool same_name(const std::string &a, const std::string &b) { return Tools::icase_equal(Tools::strip(a), Tools::strip(b)); }

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

} // namespace

void EditWin::enable_edit(bool on)
{
  editable = on;
  FXWindow *parts[] = {canvas, title_field, height_field, width_field, new_table_button, apply_button,
                       delete_table_button};
  for (FXWindow *w : parts) {
    if (!w)
      continue;
    if (on)
      w->enable();
    else
      w->disable();
  }
}

void EditWin::clear_fields()
{
  selected = nullptr;
  title_field->setText("", FALSE);
  height_field->setText("", FALSE);
  width_field->setText("", FALSE);
}

long EditWin::onRoom(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  if (!text_fits(room_combo, room.name.value))
    return 1;
  LAYOUTK found;
  // Names are stored without the blanks around them; one stored before
  // that rule is found as well.
  const int rows = read_room(
      Tools::format("where trim(name) = '%s' ", Tools::sql_escape(Tools::strip(room.name.value))), found);
  if (rows < 0) {
    db_error();
    return 1;
  }
  if (rows > 0 && int(found.idx) != 0) {
    load(found);
    return 1;
  }
  // A name that no room has: the room loaded keeps its plan and takes the
  // name at "Speichern"; without one, a new room is begun under it.
  if (int(stored.idx) == 0) {
    const std::string typed = room.name.value;
    room = LAYOUTK();
    room.name = typed;
    canvas->clear();
    enable_edit(false);
    clear_fields();
  }
  return 1;
}

void EditWin::load(const LAYOUTK &found)
{
  // Another room, or the same one again: what was not saved is dropped.
  stored_tables.clear();
  show_room(found);
  take_as_stored(false);
}

FixLabel *EditWin::addLabel(Tools::Ref<LAYOUTP> row)
{
  // As read: a label without a stored size takes its natural one, which
  // the database does not hold.
  FixLabel *label = NaviWin::addLabel(row);
  if (label)
    stored_tables[int(row->idx)] = *row;
  return label;
}

void EditWin::take_as_stored(bool tables_written)
{
  removed.clear();
  stored = room;
  if (tables_written) {
    stored_tables.clear();
    for (FXWindow *child = canvas->getFirst(); child; child = child->getNext())
      if (FixLabel *label = dynamic_cast<FixLabel *>(child))
        stored_tables[int(label->get_record().idx)] = label->get_record();
  }
  enable_edit(true);
  clear_fields();
}

long EditWin::onSelect(FXObject *sender, FXSelector sel, void *data)
{
  NaviWin::onSelect(sender, sel, data);
  if (selected) {
    title_field->setText(selected->getText(), FALSE);
    height_field->setText(Tools::format("%d", selected->getHeight()).c_str(), FALSE);
    width_field->setText(Tools::format("%d", selected->getWidth()).c_str(), FALSE);
    selected->setFrameStyle(FRAME_SUNKEN | FRAME_THICK);
  }
  return 1;
}

long EditWin::onApply(FXObject *, FXSelector, void *)
{
  if (!selected)
    return 0;
  selected->setText(title_field->getText());
  selected->setHeight(Tools::from_text<int>(std::string(height_field->getText().text()), 0));
  selected->setWidth(Tools::from_text<int>(std::string(width_field->getText().text()), 0));
  canvas->recalc();
  canvas->update();
  return 1;
}

bool EditWin::table_shown(const std::string &name)
{
  for (FXWindow *child = canvas->getFirst(); child; child = child->getNext()) {
    FixLabel *label = dynamic_cast<FixLabel *>(child);
    if (label && same_name(std::string(label->getText().text()), name))
      return true;
  }
  return false;
}

long EditWin::onNewTable(FXObject *, FXSelector, void *)
{
  // Tables belong to a stored room; without one the row would point nowhere.
  if (int(room.idx) == 0)
    return 1;
  // Key 0 until "Speichern" stores it.
  LAYOUTP row;
  row.layout_idx = int(room.idx);
  // A number that a table of this room shows already is skipped.
  while (table_shown(Tools::format("Tisch %d", table_counter)))
    ++table_counter;
  row.label_name = Tools::format("Tisch %d", table_counter);
  ++table_counter;
  onSelect(nullptr, 0, static_cast<FXObject *>(place_label(row)));
  return 1;
}

long EditWin::onDeleteTable(FXObject *, FXSelector, void *)
{
  if (!selected)
    return 1;
  const int idx = selected->get_record().idx;
  if (idx != 0)
    removed.push_back(idx);
  delete selected;
  clear_fields();
  canvas->recalc();
  canvas->layout();
  return 1;
}

void EditWin::trim_names()
{
  room.name = Tools::strip(room.name.value);
  for (FXWindow *child = canvas->getFirst(); child; child = child->getNext()) {
    FixLabel *label = dynamic_cast<FixLabel *>(child);
    if (!label)
      continue;
    const std::string text = Tools::fxcompat::whole(label->getText());
    const std::string trimmed = Tools::strip(text);
    if (trimmed != text)
      label->setText(FXString(trimmed.data(), static_cast<FXint>(trimmed.size())));
  }
}

std::string EditWin::plan_refusal()
{
  if (Tools::strip(room.name.value).empty())
    return msg_select_room.str();
  if (room.name.value.find('\0') != std::string::npos)
    return nul_refusal(room.name.value);
  if (Tools::utf8_mb3_misfit(room.name.value) != std::string::npos)
    return misfit_refusal(room.name.value, field_name(room_combo));
  if (too_long(room.name))
    return Tools::format("%s '%s'", name_too_long, room.name.value);
  std::vector<std::string> names;
  for (FXWindow *child = canvas->getFirst(); child; child = child->getNext()) {
    FixLabel *label = dynamic_cast<FixLabel *>(child);
    if (!label)
      continue;
    const LAYOUTP &row = label->get_record();
    const std::string &name = row.label_name.value;
    if (Tools::strip(name).empty())
      return table_name_missing.str();
    if (name.find('\0') != std::string::npos)
      return nul_refusal(name);
    if (Tools::utf8_mb3_misfit(name) != std::string::npos)
      return misfit_refusal(name, field_name(title_field));
    if (too_long(row.label_name))
      return Tools::format("%s '%s'", name_too_long, name);
    for (const std::string &other : names)
      if (same_name(other, name))
        return Tools::format("%s '%s'", table_name_taken, name);
    names.push_back(name);
    if (row.label_width < 1 || row.label_height < 1)
      return Tools::format("%s '%s'", size_too_small, name);
    if (row.label_x < 0 || row.label_y < 0 || row.label_x + row.label_width > room.width ||
        row.label_y + row.label_height > room.height)
      return Tools::format("%s '%s'", outside_room, name);
  }
  return std::string();
}

int EditWin::count(Tools::Database &db, const std::string &sql)
{
  Tools::DBTypeInt number;
  Tools::DBTypeList fields;
  fields.add(&number);
  return Tools::select_values(db, sql, fields) < 0 ? -1 : int(number);
}

void EditWin::refuse_rolled_back(const std::string &refusal)
{
  if (!get_db()->rollback())
    db_error();
  MessageBox::error(this, title_data_error.str(), refusal);
}

bool EditWin::lock_as_loaded(Tools::Database &db, std::string &refusal)
{
  // Another editor's save waits here for this one to end, and finds
  // the plan changed then; this one waits a few seconds at most.
  const std::string lock = Tools::Database::FOR_UPDATE;
  std::vector<Tools::Ref<LAYOUTK> > rooms;
  std::vector<Tools::Ref<LAYOUTP> > tables;
  if (Tools::select_rows<LAYOUTK>(db, "LAYOUTK", rooms, Tools::format("where idx = '%s'", int(stored.idx)) + lock) < 0 ||
      Tools::select_rows<LAYOUTP>(db, "LAYOUTP", tables,
                                  Tools::format("where layout_idx = '%s'", int(stored.idx)) + lock) < 0) {
    if (db.last_failure() == Tools::DBFailure::LOCK_WAIT)
      refusal = Tools::format("%s\n%s", busy_elsewhere, choose_again);
    return false;
  }
  bool same = rooms.size() == 1 && same_row(*rooms[0], stored) && tables.size() == stored_tables.size();
  for (const Tools::Ref<LAYOUTP> &table : tables) {
    const auto loaded = stored_tables.find(int(table->idx));
    same = same && loaded != stored_tables.end() && same_row(*table, loaded->second);
  }
  if (!same) {
    TOOLS_LOG(Tools::format("room %d changed elsewhere since it was loaded", int(stored.idx)));
    refusal = Tools::format("%s\n%s", changed_elsewhere, choose_again);
  }
  return same;
}

bool EditWin::write_plan(Tools::Database &db, std::vector<FixLabel *> &inserted, std::string &refusal)
{
  // Another station may have saved the room since it was loaded here:
  // what it stored is not written over.
  if (int(room.idx) != 0 && !lock_as_loaded(db, refusal))
    return false;
  // Order lines name their room and table, and the server keeps a name
  // that a line carries, in any room and in any case (a change of a
  // single byte is refused), and a table whose key or name a line
  // carries: the statement it refuses tells which row that is.
  const auto carried = [&](const StaticText &why, const std::string &name) {
    if (db.last_failure() == Tools::DBFailure::ROW_REFERRED_TO)
      refusal = Tools::format("%s '%s'", why, name);
    return false;
  };
  if (int(room.idx) == 0) {
    if (!Tools::insert_object(db, room))
      return false;
    room.idx = db.get_insert_id();
  } else if (!Tools::update_object(db, room, Tools::format("where idx = '%s' ", int(room.idx)))) {
    return carried(room_has_lines, stored.name.value);
  }
  for (int idx : removed)
    if (!db.exec(Tools::format("delete from LAYOUTP where idx='%s'", idx)))
      return carried(table_keeps_lines, stored_tables[idx].label_name.value);
  for (FXWindow *child = canvas->getFirst(); child; child = child->getNext()) {
    FixLabel *label = dynamic_cast<FixLabel *>(child);
    if (!label)
      continue;
    LAYOUTP &row = label->get_record();
    row.layout_idx = int(room.idx);
    if (int(row.idx) != 0) {
      if (!Tools::update_object(db, row, Tools::format("where idx='%s'", int(row.idx))))
        return carried(table_has_lines, stored_tables[int(row.idx)].label_name.value);
      continue;
    }
    if (!Tools::insert_object(db, row))
      return false;
    row.idx = db.get_insert_id();
    inserted.push_back(label);
  }
  return db.commit();
}

long EditWin::onSaveRoom(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  trim_names();
  room.width = canvas->getWidth();
  room.height = canvas->getHeight();
  std::string refusal = plan_refusal();
  Tools::Ref<Tools::Database> db = get_db();
  if (refusal.empty()) {
    const int others =
        count(*db, Tools::format("select count(*) from LAYOUTK where trim(name) = '%s' and idx <> '%s'",
                                 Tools::sql_escape(room.name.value), int(room.idx)));
    if (others < 0) {
      db_error();
      return 1;
    }
    if (others > 0)
      refusal = Tools::format("%s '%s'", room_name_taken, room.name.value);
  }
  if (!refusal.empty()) {
    MessageBox::error(this, title_data_error.str(), refusal);
    return 1;
  }

  const int room_idx = room.idx;
  std::vector<FixLabel *> inserted;
  if (!write_plan(*db, inserted, refusal)) {
    // Nothing of the save is kept, and the plan stays as the user made it:
    // the rows it inserted exist no more.
    room.idx = room_idx;
    for (FixLabel *label : inserted)
      label->get_record().idx = 0;
    if (refusal.empty())
      db_error_rolled_back(not_saved.str());
    else
      refuse_rolled_back(refusal);
    return 1;
  }

  // The plan on the screen is now what the database holds.
  const std::string saved = room.name.value;
  room_combo->fill();
  room_combo->setText(saved.c_str());
  take_as_stored(true);
  return 1;
}

long EditWin::onDeleteRoom(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  Tools::Ref<Tools::Database> db = get_db();
  const std::string name = Tools::sql_escape(Tools::strip(room.name.value));
  const int idx = room.idx;

  // The tables go by the loaded room's key, the room by name and key: a
  // name typed over the loaded one would delete the tables and keep the
  // room. Only the room that is loaded under this name is deleted.
  const int loaded =
      count(*db, Tools::format("select count(*) from LAYOUTK where trim(name) = '%s' and idx  ='%s'", name, idx));
  if (loaded < 0) {
    db_error();
    return 1;
  }
  if (idx == 0 || loaded < 1) {
    MessageBox::error(this, title_data_error.str(), not_loaded.str());
    return 1;
  }

  // The server keeps the room and each of its tables while order lines
  // carry its key or its name (a table's name also in another room).
  if (!db->exec(Tools::format("delete from LAYOUTP where layout_idx = '%s'", idx)) ||
      !db->exec(Tools::format("delete from LAYOUTK where trim(name) = '%s' and idx = '%s'", name, idx)) ||
      !db->commit()) {
    // The plan on the screen stays as it is, unsaved changes included.
    if (db->last_failure() == Tools::DBFailure::ROW_REFERRED_TO)
      refuse_rolled_back(Tools::format("%s '%s'", room_keeps_lines, room.name.value));
    else
      db_error_rolled_back();
    return 1;
  }
  reset();
  return 1;
}

void EditWin::reset()
{
  NaviWin::reset();
  room_combo->fill();
  onNewRoom(nullptr, 0, nullptr);
}

long EditWin::onNewRoom(FXObject *, FXSelector, void *)
{
  room = LAYOUTK();
  stored = LAYOUTK();
  stored_tables.clear();
  removed.clear();
  vars_to_widgets();
  enable_edit(false);
  canvas->clear();
  clear_fields();
  return 1;
}

void EditWin::drop_changes()
{
  LAYOUTK found;
  if (int(stored.idx) == 0 || read_room(Tools::format("where idx = '%s' ", int(stored.idx)), found) <= 0) {
    onNewRoom(nullptr, 0, nullptr);
    return;
  }
  load(found);
}

long EditWin::onCancel(FXObject *, FXSelector, void *)
{
  drop_changes();
  hide();
  return 1;
}

long EditWin::onCloseEditor(FXObject *sender, FXSelector sel, void *data)
{
  drop_changes();
  return Dialog::onClose(sender, sel, data);
}
