#ifndef KORVAN_ROOMS_ROOMWIN_H
#define KORVAN_ROOMS_ROOMWIN_H

// The service screen "Räume": one button per room, the chosen room's
// floor plan with one button per table, and the order lines of a table,
// a room or the whole house behind them. A table with open lines (neither
// cancelled nor paid) carries the mark colour; the marks are counted
// again whenever the order-line window closes. A press on a room sends
// three statements, however many tables it has and however long the
// history of order lines: the room, its tables, and one grouped count of
// its open lines. However many rooms there are, and however long their
// names, their buttons and the order buttons stay on the screen: the rooms
// take further rows where one would leave it.

#include <list>
#include <map>

#include "tools/widgets/theme.h"
#include "gui/fixcomposite.h"
#include "rooms/naviwin.h"

// A table button that shows the mark colour on its face, where the themed
// button would paint its gradient over the background colour.
class DeskButton : public FixButton
{
  FXDECLARE(DeskButton)

protected:
  DeskButton() {}

public:
  DeskButton(FX::FXComposite *p, FX::FXObject *tgt, FX::FXSelector sel, const LAYOUTP &row);
  long onPaint(FX::FXObject *, FX::FXSelector, void *);
};

class RoomWin : public NaviWin
{
  FXDECLARE(RoomWin)

public:
  enum {
    ID_ROOM_FIRST = 170,
    ID_ROOM_LAST = 270, // later rooms share this id; the handler reads the button
    ID_BONIEREN = 271,
    ID_OVERVIEW = 272,
  };
  // A table with open lines.
  static const FX::FXColor MARK_COLOR;

protected:
  // The room buttons, all of one width, in one row while the screen holds
  // it and in as many rows as it takes beyond.
  FX::FXMatrix *room_frame;
  // The boxes of the room buttons and of the order buttons.
  FX::FXPacker *rooms_box, *order_box;
  std::list<Tools::ThemeButton *> room_buttons;
  // The table buttons of the room shown, which the count marks.
  std::list<FixButton *> desks;
  bool created;

  RoomWin();
  FixButton *make_desk(const LAYOUTP &row, FX::FXSelector sel) override;
  // The open lines of each table of the room shown that has any, by the
  // table's key, in one statement; false when it failed.
  bool count_open(std::map<int, int> &open);
  void mark(FixButton *desk, int open);
  // Runs the order-line window for the two records, then counts again.
  void run_bonwin(LAYOUTK &for_room, LAYOUTP &for_table);
  // As many room buttons to a row as the screen's width holds.
  void arrange_rooms();
  // The window holds what needs that size and lies on the screen.
  void keep_on_screen(FX::FXint need_w, FX::FXint need_h);
  // The window holds every room button and the order buttons, beside
  // the plan of the room shown, and lies on the screen.
  void keep_buttons_on_screen();

public:
  RoomWin(FX::FXWindow *owner, AppContext *mw);
  virtual ~RoomWin();

  void create() override;
  void show() override;
  void show(FX::FXuint placement) override;

  FixButton *addDesk(Tools::Ref<LAYOUTP> row) override;
  void reset() override;
  void countOpen();

  const std::list<Tools::ThemeButton *> &get_room_buttons() const { return room_buttons; }
  const std::list<FixButton *> &get_desks() const { return desks; }

  long onRoom(FX::FXObject *, FX::FXSelector, void *);
  long onBonieren(FX::FXObject *, FX::FXSelector, void *);
  long onOverview(FX::FXObject *, FX::FXSelector, void *);
  long onDesk(FX::FXObject *, FX::FXSelector, void *);
};

#endif
