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

int NaviWin::read_room(const std::string &name, LAYOUTK &found)
{
  Tools::DBBindList list;
  list.add(&found);
  return Tools::select_objects(
      *get_db(), "select %LAYOUTK from LAYOUTK " + Tools::format("where name = '%s'", Tools::sql_escape(name)), list);
}

int NaviWin::read_rooms(std::vector<Tools::Ref<LAYOUTK> > &rooms)
{
  return Tools::select_rows<LAYOUTK>(*get_db(), "LAYOUTK", rooms, "");
}

void NaviWin::fit_room(const LAYOUTK &found)
{
  if (canvas)
    canvas->clear();
  next_id = ID_DESK_FIRST;
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
}

bool NaviWin::show_room(const LAYOUTK &found)
{
  fit_room(found);
  std::vector<Tools::Ref<LAYOUTP> > desks;
  if (Tools::select_rows<LAYOUTP>(*get_db(), "LAYOUTP", desks, Tools::format("where layout_idx='%s'", int(room.idx))) <
      0) {
    db_error();
    return false;
  }
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
  return place_label(*row);
}

FixLabel *NaviWin::place_label(const LAYOUTP &row)
{
  FixLabel *label = new FixLabel(canvas, FRAME_RAISED | FRAME_THICK | ICON_BEFORE_TEXT, row);
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
