#include "rooms/editwin.h"

#include <string>

#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"

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
      not_loaded(mw, "Message", "Dieser Raum ist nicht geladen. Bitte den Raum zuerst auswählen.")
{
  as_labels = true;
  // The editor still keeps its unsaved changes on the connection: closing
  // it discards them.
  rollback_on_close = true;

  FXVerticalFrame *all = new FXVerticalFrame(this, LAYOUT_FILL, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

  FXHorizontalFrame *top = new FXHorizontalFrame(all, LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  new Label(top, mw, "Raum:");
  room_combo = new DBComboBox<LAYOUTK>(top, mw, "name", this, ID_ROOM, 0);
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

long EditWin::onRoom(FXObject *, FXSelector, void *)
{
  const bool found = loadRoom();
  enable_edit(found);
  selected = nullptr;
  title_field->setText("", FALSE);
  height_field->setText("", FALSE);
  width_field->setText("", FALSE);
  return 1;
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
    if (label && Tools::icase_equal(std::string(label->getText().text()), name))
      return true;
  }
  return false;
}

long EditWin::onNewTable(FXObject *, FXSelector, void *)
{
  // Tables belong to a stored room; without one the row would point nowhere.
  if (int(room.idx) == 0)
    return 1;
  Tools::Ref<Tools::Database> db = get_db();
  Tools::Ref<LAYOUTP> row(new LAYOUTP());
  row->layout_idx = int(room.idx);
  if (!Tools::insert_object(*db, *row)) {
    // No label: the last insert id would be another row's key.
    db_error("Datanbankefehler");
    return 1;
  }
  row->idx = db->get_insert_id();
  // Orders find their table by room and table name: a number that a table
  // of this room already shows is skipped.
  while (table_shown(Tools::format("Tisch %d", table_counter)))
    ++table_counter;
  row->label_name = Tools::format("Tisch %d", table_counter);
  ++table_counter;
  FixLabel *label = addLabel(row);
  if (label)
    onSelect(nullptr, 0, static_cast<FXObject *>(label));
  return 1;
}

long EditWin::onDeleteTable(FXObject *, FXSelector, void *)
{
  if (!selected)
    return 1;
  Tools::Ref<Tools::Database> db = get_db();
  const LAYOUTP &row = selected->get_record();
  if (!db->exec(Tools::format("delete from LAYOUTP where idx='%s'", int(row.idx)))) {
    db_error("Datanbankefehler");
    return 1;
  }
  delete selected;
  selected = nullptr;
  title_field->setText("", FALSE);
  height_field->setText("", FALSE);
  width_field->setText("", FALSE);
  canvas->recalc();
  canvas->layout();
  return 1;
}

long EditWin::onSaveRoom(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  // A room without a name could never be chosen again.
  if (Tools::strip(room.name.value, Tools::WHITESPACE).empty()) {
    FXMessageBox::error(this, MBOX_OK, title_data_error, "%s", static_cast<const char *>(msg_select_room));
    return 1;
  }
  room.width = canvas->getWidth();
  room.height = canvas->getHeight();

  Tools::Ref<Tools::Database> db = get_db();
  const std::string name = Tools::sql_escape(room.name.value);
  const int idx = room.idx;
  Tools::DBTypeInt count;
  Tools::DBTypeList fields;
  fields.add(&count);
  if (Tools::select_values(
          *db, Tools::format("select count(*) from LAYOUTK where name = '%s' and idx  ='%s'", name, idx), fields) < 0) {
    db_error("Datanbankefehler");
    return 1;
  }
  if (int(count) < 1) {
    if (!Tools::insert_object(*db, room)) {
      db_error("Datanbankefehler");
      return 1;
    }
    room.idx = db->get_insert_id();
  } else if (!Tools::update_object(*db, room,
                                   Tools::format("where name = '%s' and idx = '%s' ", name, idx))) {
    db_error("Datanbankefehler");
    return 1;
  }

  for (FXWindow *child = canvas->getFirst(); child; child = child->getNext()) {
    FixLabel *label = dynamic_cast<FixLabel *>(child);
    if (!label)
      continue;
    LAYOUTP &row = label->get_record();
    if (!Tools::update_object(*db, row, Tools::format("where idx='%s'", int(row.idx)))) {
      db_error("Datanbankefehler");
      return 1;
    }
  }
  db->commit();

  const std::string saved = room.name.value;
  room_combo->fill();
  room_combo->setText(saved.c_str());
  onRoom(nullptr, 0, nullptr);
  return 1;
}

long EditWin::onDeleteRoom(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  Tools::Ref<Tools::Database> db = get_db();
  const std::string name = Tools::sql_escape(room.name.value);
  const int idx = room.idx;

  // The tables go by the loaded room's key, the room by name and key: a
  // name typed over the loaded one would delete the tables and keep the
  // room. Only the room that is loaded under this name is deleted.
  Tools::DBTypeInt count;
  Tools::DBTypeList fields;
  fields.add(&count);
  if (Tools::select_values(
          *db, Tools::format("select count(*) from LAYOUTK where name = '%s' and idx  ='%s'", name, idx), fields) < 0) {
    db_error("Datanbankefehler");
    return 1;
  }
  if (idx == 0 || int(count) < 1) {
    FXMessageBox::error(this, MBOX_OK, title_data_error, "%s", static_cast<const char *>(not_loaded));
    return 1;
  }

  if (!db->exec(Tools::format("delete from LAYOUTP where layout_idx = '%s'", idx))) {
    db_error("Datanbankefehler");
    db->rollback();
    reload_after_rollback();
    return 1;
  }
  if (!db->exec(Tools::format("delete from LAYOUTK where name = '%s' and idx = '%s'", name, idx))) {
    db_error("Datanbankefehler");
    db->rollback();
    reload_after_rollback();
    return 1;
  }
  db->commit();
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
  vars_to_widgets();
  enable_edit(false);
  canvas->clear();
  selected = nullptr;
  title_field->setText("", FALSE);
  height_field->setText("", FALSE);
  width_field->setText("", FALSE);
  return 1;
}

long EditWin::onCancel(FXObject *, FXSelector, void *)
{
  onNewRoom(nullptr, 0, nullptr);
  if (db_connected())
    get_db()->rollback();
  hide();
  return 1;
}

void EditWin::reload_after_rollback()
{
  // Tables made since the last save are gone and deleted ones are back:
  // the plan is read again from what the database now holds.
  if (int(room.idx) == 0) {
    canvas->clear();
    selected = nullptr;
    return;
  }
  vars_to_widgets();
  onRoom(nullptr, 0, nullptr);
}

long EditWin::onCloseEditor(FXObject *sender, FXSelector sel, void *data)
{
  const bool rolled_back = rollback_on_close;
  Dialog::onClose(sender, sel, data);
  if (rolled_back)
    reload_after_rollback();
  return 1;
}
