#ifndef KORVAN_ROOMS_BONWIN_H
#define KORVAN_ROOMS_BONWIN_H
// The open order lines of one table, one room or the whole house, and
// what staff do with them: book a new line, cancel one, move lines to
// another table, and settle them in cash or with another kind of payment.
//
// Every action asks first and writes only after "Ja": nothing is written
// and no line is locked while a question waits for its answer. Then the
// order operations (Orders) do the work in one unit of work of their own,
// and the window shows how it ended: a line that another station has
// cancelled, paid or moved since the list was filled, or that another
// station holds for longer than a few seconds, stops the action with a
// message, shown after everything was rolled back.
#include <functional>
#include <string>
#include <vector>
#include "tools/widgets/fxcompat.h"
#include "tools/core/ref.h"
#include "tools/dbi/dbbindtype.h"
#include "schema/tables.h"
#include "gui/dialog.h"
#include "gui/lang.h"
#include "rooms/orderrefusals.h"
#include "rooms/orders.h"

class SpreadSheet;

class BonWin : public Dialog
{
  FXDECLARE(BonWin)
public:
  enum {
    ID_BONIEREN = 68,
    ID_OK = 69,
    ID_CANCEL = 70,
    ID_SHEET = 75,
    ID_STORNO = 76,
    ID_MOVETO = 77,
    ID_BAR = 78,
    ID_BEZAHLEN = 79,
  };

protected:
  SpreadSheet *sheet;
  LAYOUTK *room;
  LAYOUTP *table;
  // The line chosen last, as the list showed it; idx 0 means none.
  BONLINE current_line;
  StaticText storno_question;
  StaticText paid_question;
  OrderRefusals refusals;

  BonWin();

  // The question before an action; true for "Ja" only.
  bool ask(const std::string &question);
  typedef std::vector<Tools::Ref<Tools::DBBindType> > Rows;
  // The lines of the rows as the list showed them.
  static Orders::SeenLines seen(const Rows &rows);
  // Whether somebody is logged in (message when not).
  bool have_user();
  // The selected rows; none when nobody is logged in (message).
  Rows chosen_lines();
  // The order operations for the user logged in.
  Orders orders();
  // Shows how an operation ended (it has ended its unit of work), and the
  // list as it is now unless a statement failed.
  void report(const Orders::Result &result);
public:
  BonWin(FX::FXWindow *owner, AppContext &main, LAYOUTK &room, LAYOUTP &table);
  virtual ~BonWin();

  void refresh_table();

  SpreadSheet *get_sheet() const { return sheet; }

  long onBonieren(FX::FXObject *, FX::FXSelector, void *);
  long onOk(FX::FXObject *, FX::FXSelector, void *);
  long onCancel(FX::FXObject *, FX::FXSelector, void *);
  long onStorno(FX::FXObject *, FX::FXSelector, void *);
  long onSelect(FX::FXObject *, FX::FXSelector, void *);
  long onMoveTo(FX::FXObject *, FX::FXSelector, void *);
  long onBar(FX::FXObject *, FX::FXSelector, void *);
  long onBezahlen(FX::FXObject *, FX::FXSelector, void *);
};

#endif
