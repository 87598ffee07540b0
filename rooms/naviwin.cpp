#include "rooms/naviwin.h"

#include <vector>

#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "gui/fixcomposite.h"

using namespace FX;

FXDEFMAP(NaviWin) NaviWinMap[] = {
    FXMAPFUNC(SEL_COMMAND, NaviWin::ID_CANVAS, NaviWin::onCanvas),
};

FXIMPLEMENT(NaviWin, Dialog, NaviWinMap, ARRAYNUMBER(NaviWinMap))

NaviWin::NaviWin() : canvas(nullptr), selected(nullptr), room(), as_labels(false), next_id(ID_DESK_FIRST) {}

NaviWin::NaviWin(FXWindow *owner, AppContext *mw, const FXString &title, FXuint opts)
    : Dialog(owner, mw, title, opts, 0, 0), canvas(nullptr), selected(nullptr), room(), as_labels(false),
      next_id(ID_DESK_FIRST)
{
}

NaviWin::~NaviWin() {}

long NaviWin::onCanvas(FXObject *sender, FXSelector sel, void *data) { return onSelect(sender, sel, data); }

int NaviWin::count_tables()
{
  Tools::Ref<Tools::Database> db = get_db();
  Tools::DBTypeInt count;
  Tools::DBTypeList fields;
  fields.add(&count);
  if (Tools::select_values(*db, Tools::format("select count(*) from LAYOUTP where layout_idx  ='%s'", int(room.idx)),
                           fields) < 0)
    return -1;
  return count;
}

bool NaviWin::loadRoom()
{
  widgets_to_vars();
  if (canvas)
    canvas->clear();
  next_id = ID_DESK_FIRST;

  Tools::Ref<Tools::Database> db = get_db();
  if (!db.valid() || !db.try_get())
    return false;

  // Read into a record of its own: a name that matches nothing must not
  // leave the previous room's key under the new name, or that room's
  // tables would be shown, saved or deleted as this one's.
  LAYOUTK found;
  Tools::DBBindList list;
  list.add(&found);
  const int rows = Tools::select_objects(
      *db, Tools::format("select %%LAYOUTK from LAYOUTK where name = '%s' ", Tools::sql_escape(room.name.value)), list);
  if (rows < 0) {
    db_error("Datanbankefehler");
    return false;
  }
  if (rows == 0 || int(found.idx) == 0) {
    const std::string name = room.name.value;
    room = LAYOUTK();
    room.name = name;
    return false;
  }
  room = found;

  if (canvas) {
    // The canvas fills its part of the window: the window grows or shrinks
    // by what the canvas lacks, until the canvas has the room's size.
    const int want_w = room.width;
    const int want_h = room.height;
    if (shown())
      layout();
    for (int round = 0; round < 3 && shown() && want_w > 0 && want_h > 0; ++round) {
      const int dw = want_w - canvas->getWidth();
      const int dh = want_h - canvas->getHeight();
      if (dw == 0 && dh == 0)
        break;
      resize(getWidth() + dw, getHeight() + dh);
      layout();
    }
  }
  recalc();

  const int tables = count_tables();
  if (tables < 0) {
    db_error("Datanbankefehler");
    return true;
  }
  if (tables <= 0) {
    vars_to_widgets();
    return true;
  }

  std::vector<Tools::Ref<LAYOUTP> > desks;
  if (Tools::select_rows<LAYOUTP>(*db, "LAYOUTP", desks, Tools::format("where layout_idx='%s'", int(room.idx))) < 0) {
    db_error("Datanbankefehler");
    return true;
  }
  // No rows after a count above 0: the tables went in between; the room
  // is simply empty now.
  for (Tools::Ref<LAYOUTP> &row : desks) {
    if (as_labels)
      addLabel(row);
    else
      addDesk(row);
  }
  vars_to_widgets();
  return true;
}

FixButton *NaviWin::make_desk(const LAYOUTP &row, FXSelector sel)
{
  return new FixButton(canvas, this, sel, BUTTON_NORMAL, row);
}

FixButton *NaviWin::addDesk(Tools::Ref<LAYOUTP> row)
{
  if (!canvas || !row.valid() || !row.try_get() || int(row->idx) == 0)
    return nullptr;
  // Past the last id of the range every table shares that id; the handler
  // tells the tables apart by the button itself.
  const int id = next_id <= ID_DESK_LAST ? next_id : ID_DESK_LAST;
  FixButton *button = make_desk(*row, id);
  if (canvas->id())
    button->create();
  canvas->recalc();
  canvas->layout();
  ++next_id;
  return button;
}

FixLabel *NaviWin::addLabel(Tools::Ref<LAYOUTP> row)
{
  if (!canvas || !row.valid() || !row.try_get() || int(row->idx) == 0)
    return nullptr;
  FixLabel *label = new FixLabel(canvas, FRAME_RAISED | FRAME_THICK | ICON_BEFORE_TEXT, *row);
  if (canvas->id())
    label->create();
  canvas->recalc();
  canvas->layout();
  return label;
}

void NaviWin::reset()
{
  if (canvas)
    canvas->clear();
}

long NaviWin::onSelect(FXObject *, FXSelector, void *data)
{
  if (selected)
    selected->setFrameStyle(FRAME_RAISED | FRAME_THICK);
  FXObject *object = static_cast<FXObject *>(data);
  selected = object ? dynamic_cast<FixLabel *>(object) : nullptr;
  if (selected)
    selected->setFrameStyle(FRAME_SUNKEN | FRAME_THICK);
  return 1;
}
