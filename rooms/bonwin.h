#ifndef KORVAN_ROOMS_BONWIN_H
#define KORVAN_ROOMS_BONWIN_H
// The open order lines of one table, one room or the whole house, and
// what staff do with them: book a new line, cancel one, move lines to
// another table, and settle them in cash or with another kind of payment.
//
// Every action asks first and writes only after "Ja": nothing is written
// and no line is locked while a question waits for its answer. Then each
// line is read again, locked, changed and written, and the action ends
// with its own commit, or with a rollback that keeps nothing of it: a
// line that another station has cancelled, paid or moved since the list
// was filled, or that another station holds for longer than a few
// seconds, stops the action with a message.
#include <functional>
#include <string>
#include <vector>
#include "tools/widgets/fxcompat.h"
#include "tools/core/ref.h"
#include "tools/dbi/dbbindtype.h"
#include "schema/tables.h"
#include "gui/dialog.h"
#include "gui/lang.h"

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
  StaticText changed_elsewhere;
  StaticText busy_elsewhere;
  StaticText no_user;

  BonWin();

  // The question before an action; true for "Ja" only.
  bool ask(const std::string &question);
  typedef std::vector<Tools::Ref<Tools::DBBindType> > Rows;
  // Reads the lines `shown` (the rows as the list was filled) again in one
  // statement, locked until the transaction ends, into `lines`, in the
  // same order. When one cannot be read or locked, is gone, is no longer
  // open, or no longer stands where the list showed it, the transaction
  // is rolled back, the reason shown, and the result is false.
  bool lock_open_lines(const Rows &shown, std::vector<Tools::Ref<BONLINE> > &lines);
  // The lines `shown`, read again and locked (lock_open_lines), each
  // stamped, given `change` (which returns what the log says once the
  // line is written, or nothing) and written back; then the action is
  // kept. At the first line that cannot be read or written the
  // transaction is rolled back and the reason shown: nothing of the
  // action is kept.
  void change_lines(const Rows &shown, const std::function<std::string(BONLINE &)> &change);
  // Commits the action and shows the list as it is now.
  void keep();
  // Whether somebody is logged in (message when not).
  bool have_user();
  // The selected lines; none when nobody is logged in (message).
  Rows chosen_lines();

public:
  // How long an action waits for a line that another station holds.
  static constexpr int LOCK_WAIT_SECONDS = 3;

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
