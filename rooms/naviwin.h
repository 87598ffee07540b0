#ifndef KORVAN_ROOMS_NAVIWIN_H
#define KORVAN_ROOMS_NAVIWIN_H

// The floor plan of one room: a window holding a room record (LAYOUTK) and
// a canvas on which the room's tables (LAYOUTP rows) stand at their stored
// place and size. The room screen shows them as buttons, the layout editor
// as labels that can be dragged. The subclass builds the canvas.

#include <string>
#include <vector>

#include "tools/core/ref.h"
#include "schema/tables.h"
#include "gui/dialog.h"

class FixComposite;
class FixLabel;
class FixButton;

class NaviWin : public Dialog
{
  FXDECLARE(NaviWin)

public:
  enum {
    ID_CANVAS = Dialog::ID_LAST, // 68
    ID_DESK_FIRST = 69,          // the table buttons number from here...
    ID_DESK_LAST = 169           // ...to here; later tables share the last id
  };

protected:
  FixComposite *canvas;
  FixLabel *selected;
  LAYOUTK room;
  bool as_labels;
  int next_id;

  NaviWin();
  // The button of one table; the room screen makes its own kind.
  virtual FixButton *make_desk(const LAYOUTP &row, FX::FXSelector sel);
  // Reads the first room of that name into `found`: the rows read (0 or
  // 1), -1 when the statement failed.
  int read_room(const std::string &name, LAYOUTK &found);
  // Every room, in the order the database gives them: the rows read, -1
  // when the statement failed.
  int read_rooms(std::vector<Tools::Ref<LAYOUTK> > &rooms);
  // The label of one table, also of one not stored yet (key 0).
  FixLabel *place_label(const LAYOUTP &row);
  // Makes `found` the room shown on an empty canvas of the room's size.
  void fit_room(const LAYOUTK &found);
  // Makes `found`, a room read from the database, the room shown: the
  // canvas takes its size and its tables, read in one statement. False
  // when the tables could not be read (the error is shown; the canvas
  // stays empty).
  bool show_room(const LAYOUTK &found);

public:
  NaviWin(FX::FXWindow *owner, AppContext *mw, const FX::FXString &title, FX::FXuint opts);
  virtual ~NaviWin();

  virtual long onSelect(FX::FXObject *, FX::FXSelector, void *);
  virtual FixLabel *addLabel(Tools::Ref<LAYOUTP> row);
  virtual FixButton *addDesk(Tools::Ref<LAYOUTP> row);
  virtual void reset();

  FixComposite *get_canvas() const { return canvas; }
  LAYOUTK &get_room() { return room; }

  // The handler the message map reaches; it calls the virtual onSelect.
  long onCanvas(FX::FXObject *, FX::FXSelector, void *);
};

static_assert(static_cast<int>(NaviWin::ID_CANVAS) == 68, "the canvas keeps id 68");

#endif
