#include "rooms/roomwin.h"

#include <string>
#include <vector>

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "gui/messagebox.h"
#include "gui/buttonbar.h"
#include "gui/lang.h"
#include "rooms/bonwin.h"
#include "rooms/orders.h"

using namespace FX;

// ---- the table button ----

FXDEFMAP(DeskButton) DeskButtonMap[] = {
    FXMAPFUNC(SEL_PAINT, 0, DeskButton::onPaint),
};

FXIMPLEMENT(DeskButton, FixButton, DeskButtonMap, ARRAYNUMBER(DeskButtonMap))

DeskButton::DeskButton(FXComposite *p, FXObject *tgt, FXSelector sel, const LAYOUTP &row)
    : FixButton(p, tgt, sel, BUTTON_NORMAL, row)
{
}

long DeskButton::onPaint(FXObject *sender, FXSelector sel, void *ptr)
{
  if (backColor != RoomWin::MARK_COLOR || state != STATE_UP)
    return ThemeButton::onPaint(sender, sel, ptr);
  FXEvent *ev = static_cast<FXEvent *>(ptr);
  FXDCWindow dc(this, ev);
  const Tools::FaceColors marked = {Tools::BUTTON_FACE.outline, Tools::BUTTON_FACE.corner, backColor, backColor};
  dc.setForeground(backColor);
  dc.fillRectangle(0, 0, width, height);
  Tools::draw_face(dc, baseColor, marked, width, height, false);
  if (!label.empty()) {
    FXint tw = labelWidth(label), th = labelHeight(label), tx, ty, ix, iy;
    just_x(tx, ix, tw, 0);
    just_y(ty, iy, th, 0);
    dc.setFont(font);
    dc.setForeground(isEnabled() ? textColor : shadowColor);
    drawLabel(dc, label, hotoff, tx, ty, tw, th);
  }
  return 1;
}

// ---- the room screen ----

const FXColor RoomWin::MARK_COLOR = FXRGB(150, 150, 200);

FXDEFMAP(RoomWin) RoomWinMap[] = {
    FXMAPFUNCS(SEL_COMMAND, RoomWin::ID_ROOM_FIRST, RoomWin::ID_ROOM_LAST, RoomWin::onRoom),
    FXMAPFUNC(SEL_COMMAND, RoomWin::ID_BONIEREN, RoomWin::onBonieren),
    FXMAPFUNC(SEL_COMMAND, RoomWin::ID_OVERVIEW, RoomWin::onOverview),
    FXMAPFUNCS(SEL_COMMAND, NaviWin::ID_DESK_FIRST, NaviWin::ID_DESK_LAST, RoomWin::onDesk),
};

FXIMPLEMENT(RoomWin, NaviWin, RoomWinMap, ARRAYNUMBER(RoomWinMap))

RoomWin::RoomWin() : room_frame(nullptr), rooms_box(nullptr), order_box(nullptr), created(false) {}

RoomWin::RoomWin(FXWindow *owner, AppContext *mw)
    : NaviWin(owner, mw, "Räume", DECOR_ALL), room_frame(nullptr), rooms_box(nullptr), order_box(nullptr),
      created(false)
{
  FXVerticalFrame *all = new FXVerticalFrame(this, LAYOUT_FILL, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
  rooms_box = new GroupBox(all, mw, "Räume", FRAME_RIDGE | LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  room_frame = new FXMatrix(rooms_box, 1, MATRIX_BY_COLUMNS | PACK_UNIFORM_WIDTH, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

  FXHorizontalFrame *plan = new FXHorizontalFrame(all, LAYOUT_FILL, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
  canvas = new FixComposite(plan, this, ID_CANVAS, FRAME_RIDGE | LAYOUT_FILL);
  // The plan takes all the room there is, so that it shows the stored
  // size of the room; the button column keeps its natural width.
  order_box = new FXGroupBox(plan, "", FRAME_RIDGE | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  FXVerticalFrame *buttons = new FXVerticalFrame(order_box, PACK_UNIFORM_WIDTH | PACK_UNIFORM_HEIGHT | LAYOUT_FILL);
  new BarButton(buttons, mw, "Bonieren", "", this, ID_BONIEREN, BUTTON_NORMAL);
  new BarButton(buttons, mw, "Übersicht", "", this, ID_OVERVIEW, BUTTON_NORMAL);

  reset();
}

RoomWin::~RoomWin()
{
  room_buttons.clear();
  desks.clear();
}

void RoomWin::create()
{
  NaviWin::create();
  created = true;
  // Now that the buttons can measure their names: the rows, and the size
  // they need, before the window is first placed.
  arrange_rooms();
  resize(getDefaultWidth(), getDefaultHeight());
}

void RoomWin::show()
{
  NaviWin::show();
  reset();
}

void RoomWin::show(FXuint placement)
{
  NaviWin::show(placement);
  reset();
}

FixButton *RoomWin::make_desk(const LAYOUTP &row, FXSelector sel) { return new DeskButton(canvas, this, sel, row); }

void RoomWin::reset()
{
  NaviWin::reset();
  for (Tools::ThemeButton *button : room_buttons)
    delete button;
  room_buttons.clear();
  desks.clear();

  Tools::Ref<Tools::Database> db = get_db();
  std::vector<Tools::Ref<LAYOUTK> > rooms;
  if (db.valid() && db.try_get()) {
    if (read_rooms(rooms) < 0) {
      if (created)
        db_error();
      rooms.clear();
    }
  }

  // One row, until the buttons can be measured.
  room_frame->setNumColumns(FXMAX(1, static_cast<FXint>(rooms.size())));
  int position = 0;
  for (const Tools::Ref<LAYOUTK> &r : rooms) {
    const int id = ID_ROOM_FIRST + position <= ID_ROOM_LAST ? ID_ROOM_FIRST + position : ID_ROOM_LAST;
    Tools::ThemeButton *button = new Tools::ThemeButton(room_frame, Tools::format("%s", r->name.value).c_str(), nullptr,
                                                        this, id, BUTTON_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
    if (created)
      button->create();
    room_buttons.push_back(button);
    ++position;
  }
  if (created) {
    // A window first shown without rooms (a first day, no connection) is
    // as small as its empty frame: it grows to hold the buttons made now,
    // in rows that fit the screen, and stays on the screen.
    arrange_rooms();
    keep_on_screen(getDefaultWidth(), getDefaultHeight());
    recalc();
    layout();
    update();
  }
}

void RoomWin::arrange_rooms()
{
  // The room for the buttons: the screen's width less the margins of the
  // frames that hold them. A column is as wide as the widest name.
  FXint room_for = getRoot()->getWidth() - getPadLeft() - getPadRight();
  for (FXWindow *w = room_frame; w && w != this; w = w->getParent())
    if (FXPacker *frame = dynamic_cast<FXPacker *>(w))
      room_for -= frame->getPadLeft() + frame->getPadRight() + 2 * frame->getBorderWidth();
  FXint widest = 0;
  for (Tools::ThemeButton *button : room_buttons)
    widest = FXMAX(widest, button->getDefaultWidth());
  const FXint spacing = room_frame->getHSpacing();
  const FXint fit = (room_for + spacing) / FXMAX(1, widest + spacing);
  const FXint columns = FXMAX(1, FXMIN(fit, static_cast<FXint>(room_buttons.size())));
  if (columns != room_frame->getNumColumns())
    room_frame->setNumColumns(columns);
}

void RoomWin::keep_on_screen(FXint need_w, FXint need_h)
{
  // Never smaller than it is (the plan may have made it larger), no larger
  // than the screen, and moved onto it where it reaches beyond an edge.
  const FXint screen_w = getRoot()->getWidth(), screen_h = getRoot()->getHeight();
  const FXint w = FXMIN(FXMAX(getWidth(), need_w), screen_w);
  const FXint h = FXMIN(FXMAX(getHeight(), need_h), screen_h);
  const FXint x = FXMAX(0, FXMIN(getX(), screen_w - w));
  const FXint y = FXMAX(0, FXMIN(getY(), screen_h - h));
  if (x != getX() || y != getY() || w != getWidth() || h != getHeight())
    position(x, y, w, h);
}

void RoomWin::keep_buttons_on_screen()
{
  // The room buttons above and the order buttons below, beside a plan of
  // any size: the plan takes its room's size, the buttons keep theirs.
  FXPacker *all = static_cast<FXPacker *>(rooms_box->getParent());
  FXPacker *plan = static_cast<FXPacker *>(order_box->getParent());
  const FXint order_w = plan->getPadLeft() + plan->getHSpacing() + order_box->getDefaultWidth() + plan->getPadRight();
  const FXint order_h = plan->getPadTop() + order_box->getDefaultHeight() + plan->getPadBottom();
  keep_on_screen(getPadLeft() + all->getPadLeft() + FXMAX(rooms_box->getDefaultWidth(), order_w) + all->getPadRight() +
                     getPadRight(),
                 getPadTop() + all->getPadTop() + rooms_box->getDefaultHeight() + all->getVSpacing() + order_h +
                     all->getPadBottom() + getPadBottom());
}

bool RoomWin::count_open(std::map<int, int> &open)
{
  Tools::Ref<Tools::Database> db = get_db();
  if (!db.valid() || !db.try_get())
    return false;
  return Orders::count_open(*db, int(room.idx), open);
}

void RoomWin::mark(FixButton *desk, int open)
{
  desk->setBackColor(open > 0 ? MARK_COLOR : getBackColor());
  desk->update();
}

FixButton *RoomWin::addDesk(Tools::Ref<LAYOUTP> row)
{
  FixButton *desk = NaviWin::addDesk(row);
  if (desk)
    desks.push_back(desk);
  return desk;
}

void RoomWin::countOpen()
{
  if (desks.empty())
    return;
  std::map<int, int> open;
  if (!count_open(open)) {
    db_error();
    return;
  }
  for (FixButton *desk : desks)
    mark(desk, open[desk->get_record().idx]);
}

long RoomWin::onRoom(FXObject *sender, FXSelector, void *)
{
  FXButton *pressed = sender ? dynamic_cast<FXButton *>(sender) : nullptr;
  if (!pressed)
    return 1;
  Tools::Ref<Tools::Database> db = get_db();
  if (!db.valid() || !db.try_get())
    return 1;
  const std::string text = pressed->getText().text();

  LAYOUTK found;
  const int rows = read_room(text, found);
  if (rows < 0) {
    // The plan shown stays what it was, and so do its marks.
    db_error();
    return 1;
  }
  if (rows == 0) {
    // Deleted in the editor since the buttons were made.
    MessageBox::error(this, title_data_error.str(), Tools::format("Fehler Laden des Raumes '%s'", text));
    return 1;
  }

  desks.clear();
  if (show_room(found))
    countOpen();
  keep_buttons_on_screen();

  for (Tools::ThemeButton *button : room_buttons)
    button->setState(STATE_UP);
  pressed->setState(STATE_DOWN);
  return 1;
}

void RoomWin::run_bonwin(LAYOUTK &for_room, LAYOUTP &for_table)
{
  {
    BonWin win(this, *context, for_room, for_table);
    win.execute(PLACEMENT_OWNER);
  }
  countOpen();
}

long RoomWin::onDesk(FXObject *sender, FXSelector, void *)
{
  FixButton *desk = sender ? dynamic_cast<FixButton *>(sender) : nullptr;
  if (!desk)
    return 1;
  // A copy: the order-line window keeps it for its whole run.
  LAYOUTP table = desk->get_record();
  TOOLS_LOG(Tools::format("selected Desk: %s", table.label_name.value));
  run_bonwin(room, table);
  return 1;
}

long RoomWin::onBonieren(FXObject *, FXSelector, void *)
{
  LAYOUTP table;
  run_bonwin(room, table);
  return 1;
}

long RoomWin::onOverview(FXObject *, FXSelector, void *)
{
  LAYOUTK all_rooms;
  LAYOUTP table;
  run_bonwin(all_rooms, table);
  return 1;
}
