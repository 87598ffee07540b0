#include "rooms/movetowin.h"

#include <iostream>

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "tools/widgets/theme.h"
#include "gui/buttonbar.h"

using namespace FX;

static_assert(static_cast<int>(MoveToWin::ID_ROOM) >= static_cast<int>(Dialog::ID_LAST),
              "move ids collide with the dialog's");

FXDEFMAP(MoveToWin) MoveToWinMap[] = {
    FXMAPFUNC(SEL_COMMAND, MoveToWin::ID_ROOM, MoveToWin::onRoom),
    FXMAPFUNC(SEL_COMMAND, MoveToWin::ID_DESK, MoveToWin::onDesk),
    FXMAPFUNC(SEL_COMMAND, MoveToWin::ID_OK, MoveToWin::onOk),
    FXMAPFUNC(SEL_COMMAND, MoveToWin::ID_CANCEL, MoveToWin::onCancel),
};

FXIMPLEMENT(MoveToWin, Dialog, MoveToWinMap, ARRAYNUMBER(MoveToWinMap))

MoveToWin::MoveToWin() : room(nullptr), table(nullptr), table_combo(nullptr), room_combo(nullptr) {}

MoveToWin::MoveToWin(FXWindow *owner, AppContext &main, LAYOUTK &room_record, LAYOUTP &table_record)
    : Dialog(owner, &main, "Auf Tisch verschieben", DECOR_ALL, 0, 0), room(&room_record), table(&table_record),
      table_combo(nullptr), room_combo(nullptr)
{
  FXVerticalFrame *frame = new FXVerticalFrame(this, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  FXHorizontalFrame *row = new FXHorizontalFrame(frame, 0, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  new Label(row, &main, "Raum:", nullptr, LABEL_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
  room_combo = new DBComboBox<LAYOUTK>(row, &main, "name", this, ID_ROOM, 0);
  new Label(row, &main, "Tisch:", nullptr, LABEL_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
  table_combo = new DBComboBox<LAYOUTP>(row, &main, "label_name", this, ID_DESK, 0);
  room_combo->fill();
  table_combo->fill();
  add_bind_var(static_cast<ComboBox *>(room_combo), &room->name.value);
  add_bind_var(static_cast<ComboBox *>(table_combo), &table->label_name.value);

  new FXHorizontalSeparator(frame, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  ButtonBar *bar = new ButtonBar(frame, &main);
  bar->add_ok(this, ID_OK, true);
  bar->add_cancel(this, ID_CANCEL, true);

  vars_to_widgets();
  if (!room->name.value.empty())
    onRoom(room_combo, FXSEL(SEL_COMMAND, ID_ROOM), nullptr);
}

MoveToWin::~MoveToWin() {}

long MoveToWin::onRoom(FXObject *, FXSelector, void *)
{
  Tools::Ref<Tools::Database> db = get_db();
  std::string name = room_combo->getText().text();
  LAYOUTK found;
  Tools::DBBindList list;
  list.add(&found);
  int n = Tools::select_objects(
      *db, Tools::format("select %%LAYOUTK from LAYOUTK where name = '%s' ", Tools::sql_escape(name)), list);
  if (n < 1) {
    db_error("Datanbankefehler");
    return 1;
  }
  *room = found;
  // The table chosen so far belonged to the room before.
  *table = LAYOUTP();
  table_combo->set_where(Tools::format("layout_idx = '%d' ", room->idx.value));
  table_combo->fill();
  std::cout << db->get_error() << "\n" << db->get_last_query() << std::endl;
  return 1;
}

long MoveToWin::onDesk(FXObject *, FXSelector, void *)
{
  std::string name = table_combo->getText().text();
  LAYOUTP found;
  Tools::DBBindList list;
  list.add(&found);
  int n = Tools::select_objects(*get_db(),
                                Tools::format("select %%LAYOUTP from LAYOUTP where layout_idx = '%d' and "
                                              "label_name = '%s' ",
                                              room->idx.value, Tools::sql_escape(name)),
                                list);
  if (n < 1) {
    db_error("Datanbankefehler");
    return 1;
  }
  *table = found;
  TOOLS_LOG(Tools::format("LAYOUTP idx: %d: %s ", table->idx.value, table->label_name.value));
  return 1;
}

long MoveToWin::onOk(FXObject *sender, FXSelector sel, void *data)
{
  widgets_to_vars();
  // The records must name what the two lists show now: a room picked
  // after the table, or a list emptied by hand, leaves nothing loaded.
  Tools::Ref<Tools::Database> db = get_db();
  if (!room->name.value.empty()) {
    LAYOUTK found;
    Tools::DBBindList list;
    list.add(&found);
    if (Tools::select_objects(*db,
                              Tools::format("select %%LAYOUTK from LAYOUTK where name = '%s' ",
                                            Tools::sql_escape(room->name.value)),
                              list) == 1)
      *room = found;
    else
      room->idx = 0;
  } else {
    room->idx = 0;
  }
  if (room->idx.value != 0 && !table->label_name.value.empty()) {
    LAYOUTP found;
    Tools::DBBindList list;
    list.add(&found);
    if (Tools::select_objects(*db,
                              Tools::format("select %%LAYOUTP from LAYOUTP where layout_idx = '%d' and "
                                            "label_name = '%s' ",
                                            room->idx.value, Tools::sql_escape(table->label_name.value)),
                              list) == 1)
      *table = found;
    else
      table->idx = 0;
  } else {
    table->idx = 0;
  }
  if (room->idx.value == 0) {
    TOOLS_LOG(Tools::format("message: %s", msg_select_room));
    FXMessageBox::error(this, MBOX_OK, title_data_error, "%s", static_cast<const char *>(msg_select_room));
    return 1;
  }
  if (table->idx.value == 0) {
    TOOLS_LOG(Tools::format("message: %s", msg_select_table));
    FXMessageBox::error(this, MBOX_OK, title_data_error, "%s", static_cast<const char *>(msg_select_table));
    return 1;
  }
  return FXDialogBox::onCmdAccept(sender, sel, data);
}

long MoveToWin::onCancel(FXObject *sender, FXSelector sel, void *data)
{
  return FXDialogBox::onCmdCancel(sender, sel, data);
}
