#include "rooms/movetowin.h"

#include <iostream>

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "tools/widgets/theme.h"
#include "gui/messagebox.h"
#include "gui/buttonbar.h"
#include "rooms/orders.h"
#include "rooms/place.h"

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
  room_combo->set_order("name"); // the rooms by name, as they were always listed
  new Label(row, &main, "Tisch:", nullptr, LABEL_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
  table_combo = new DBComboBox<LAYOUTP>(row, &main, "label_name", this, ID_DESK, 0);
  room_combo->fill();
  add_bind_var(static_cast<ComboBox *>(room_combo), &room->name.value);
  add_bind_var(static_cast<ComboBox *>(table_combo), &table->label_name.value);

  new FXHorizontalSeparator(frame, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  ButtonBar *bar = new ButtonBar(frame, &main);
  bar->add_ok(this, ID_OK, true);
  bar->add_cancel(this, ID_CANCEL, true);

  vars_to_widgets();
  // The tables of the room the lines stand in, or none.
  onRoom(room_combo, FXSEL(SEL_COMMAND, ID_ROOM), nullptr);
}

MoveToWin::~MoveToWin() {}

long MoveToWin::onRoom(FXObject *, FXSelector, void *)
{
  const int found = Place::reload_room(*get_db(), *room, room_combo->getText().text());
  if (found < 0)
    db_error();
  // The table chosen so far belonged to the room before.
  *table = LAYOUTP();
  table_combo->set_where(Orders::room_tables_condition(room->idx.value));
  table_combo->fill();
  if (found > 0)
    std::cout << get_db()->get_error() << "\n" << get_db()->get_last_query() << std::endl;
  return 1;
}

long MoveToWin::onDesk(FXObject *, FXSelector, void *)
{
  const int found = Place::reload_table(*get_db(), *room, *table, table_combo->getText().text());
  if (found < 0)
    db_error();
  // The trace names a table found, not the fresh record of none.
  if (found > 0)
    TOOLS_LOG(Tools::format("LAYOUTP idx: %d: %s ", table->idx.value, table->label_name.value));
  return 1;
}

long MoveToWin::onOk(FXObject *sender, FXSelector sel, void *data)
{
  widgets_to_vars();
  // The records must name what the two lists show now: a room picked
  // after the table, or a list emptied by hand, leaves nothing loaded.
  if (Place::reload(*get_db(), *room, *table) < 0) {
    db_error();
    return 1;
  }
  const StaticText *missing = room->idx.value == 0 ? &msg_select_room : table->idx.value == 0 ? &msg_select_table : nullptr;
  if (!missing)
    return FXDialogBox::onCmdAccept(sender, sel, data);
  TOOLS_LOG(Tools::format("message: %s", *missing));
  MessageBox::error(this, title_data_error.str(), missing->str());
  return 1;
}

long MoveToWin::onCancel(FXObject *sender, FXSelector sel, void *data)
{
  return FXDialogBox::onCmdCancel(sender, sel, data);
}
