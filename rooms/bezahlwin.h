#ifndef KORVAN_ROOMS_BEZAHLWIN_H
#define KORVAN_ROOMS_BEZAHLWIN_H
// The split of a bill between cash and one other kind of payment. It
// writes nothing: the caller gets the cash, the total, the rest and the
// chosen kind through its own variables and books the lines itself.
#include <vector>
#include "tools/widgets/fxcompat.h"
#include "tools/core/ref.h"
#include "tools/dbi/dbbindtype.h"
#include "schema/tables.h"
#include "gui/dialog.h"
#include "gui/lang.h"
#include "gui/moneyfield.h"
#include "rooms/orderrefusals.h"

class SpreadSheet;

class BezahlWin : public Dialog
{
  FXDECLARE(BezahlWin)
public:
  enum {
    ID_OK = 68,
    ID_CANCEL = 69,
    ID_KIND = 70,
    ID_BAR = 71,
    ID_REST = 72,
  };

protected:
  SpreadSheet *kinds;
  std::vector<Tools::Ref<Tools::DBBindType> > rows;
  SONST_ART *kind;
  double *cash;
  double *total;
  double *rest;
  MoneyField *cash_field;
  MoneyField *total_field;
  MoneyField *rest_field;
  StaticText message;
  StaticText more_than_bill;
  AmountRefusal amount_refusal;
  OrderRefusals refusals;

  BezahlWin();
  // Shows the three amounts rounded to cents, as the fields show them.
  void show_amounts();
  // Whether the field holds an amount (an empty one counts as 0).
  static bool readable(const MoneyField *field);
  // In cents, what the rest asks of the chosen kind beyond its value
  // (0 or less: nothing; a kind of value 0 has no bound).
  long long beyond_value() const;
  // Refuses "Ok" in words that name the kind's value and what is still
  // open; the dialog stays.
  long refuse_beyond_value();

public:
  BezahlWin(FX::FXWindow *owner, AppContext &main, const std::vector<Tools::Ref<Tools::DBBindType> > &rows,
            SONST_ART &kind, double &cash, double &total, double &rest);
  virtual ~BezahlWin();

  void fill_table();

  SpreadSheet *get_kinds() const { return kinds; }
  MoneyField *get_cash_field() const { return cash_field; }
  MoneyField *get_rest_field() const { return rest_field; }

  long onOk(FX::FXObject *, FX::FXSelector, void *);
  long onCancel(FX::FXObject *, FX::FXSelector, void *);
  long onBar(FX::FXObject *, FX::FXSelector, void *);
  long onRest(FX::FXObject *, FX::FXSelector, void *);
  long onBezahlArt(FX::FXObject *, FX::FXSelector, void *);
};

#endif
