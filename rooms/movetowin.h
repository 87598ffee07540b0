#ifndef KORVAN_ROOMS_MOVETOWIN_H
#define KORVAN_ROOMS_MOVETOWIN_H
// The choice of the room and table that order lines move to. It fills
// the caller's two records; the order-line window moves the lines.
#include "tools/widgets/fxcompat.h"
#include "schema/tables.h"
#include "gui/combobox.h"
#include "gui/dialog.h"

class MoveToWin : public Dialog
{
  FXDECLARE(MoveToWin)
public:
  enum {
    ID_ROOM = 68,
    ID_OK = 69,
    ID_CANCEL = 70,
    ID_DESK = 71,
  };

protected:
  LAYOUTK *room;
  LAYOUTP *table;
  DBComboBox<LAYOUTP> *table_combo;
  DBComboBox<LAYOUTK> *room_combo;

  MoveToWin();

public:
  MoveToWin(FX::FXWindow *owner, AppContext &main, LAYOUTK &room, LAYOUTP &table);
  virtual ~MoveToWin();

  DBComboBox<LAYOUTK> *get_room_combo() const { return room_combo; }
  DBComboBox<LAYOUTP> *get_table_combo() const { return table_combo; }

  long onRoom(FX::FXObject *, FX::FXSelector, void *);
  long onDesk(FX::FXObject *, FX::FXSelector, void *);
  long onOk(FX::FXObject *, FX::FXSelector, void *);
  long onCancel(FX::FXObject *, FX::FXSelector, void *);
};

#endif
