#ifndef KORVAN_ROOMS_BONWIN_H
#define KORVAN_ROOMS_BONWIN_H
// The open order lines of one table, one room or the whole house, and
// what staff do with them: book a new line, cancel one, move lines to
// another table, and settle them in cash or with another kind of payment.
//
// Every action that writes runs in the connection's open transaction and
// ends it itself, with exactly one commit or rollback. Each line is read
// again, locked, inside that transaction before it is changed: a line that
// another station has cancelled, paid or moved since the list was filled
// stops the action and nothing of it is kept.
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

  // The amount of an order line in cents: its unit price (column preis)
  // times its quantity (anzahl). False when the record lacks a numeric
  // price; a record without a quantity counts once.
  static bool line_cents(const Tools::DBBindType &line, long long &cents);
  static long long to_cents(double amount);
  static double from_cents(long long cents) { return static_cast<double>(cents) / 100.0; }
  // Shows the amounts of that column of a filled sheet with two decimals.
  static void show_money(SpreadSheet *sheet, const std::string &column);

protected:
  SpreadSheet *sheet;
  LAYOUTK *room;
  LAYOUTP *table;
  BONLINE current_line;
  StaticText storno_question;
  StaticText paid_question;
  StaticText changed_elsewhere;
  StaticText no_user;

  BonWin();

  // Reads the line again, locked until the transaction ends, into `line`.
  // Shows the reason and gives false when it cannot be read, is gone, is
  // no longer open, or no longer stands where `shown` (the record the list
  // or the selection holds) says.
  bool reread_open_line(const Tools::DBBindType &shown, BONLINE &line);
  // Writes a changed line back; false (error shown) when it fails.
  bool write_line(BONLINE &line);
  // Ends the transaction after the closing question: only Yes keeps it.
  void finish(bool keep);
  // Discards the open transaction after a failure.
  void discard();
  // Whether somebody is logged in (message when not).
  bool have_user();
  // The idx cell of a sheet row, as text.
  static std::string idx_of(const Tools::Ref<Tools::DBBindType> &row);

public:
  BonWin(FX::FXWindow *owner, AppContext &main, LAYOUTK &room, LAYOUTP &table);
  virtual ~BonWin();

  void refresh_table();

  SpreadSheet *get_sheet() const { return sheet; }
  const BONLINE &get_current_line() const { return current_line; }

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
