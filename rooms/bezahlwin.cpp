#include "rooms/bezahlwin.h"

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/money.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "tools/widgets/theme.h"
#include "gui/messagebox.h"
#include "gui/buttonbar.h"
#include "gui/moneyfield.h"
#include "gui/spreadsheet.h"
#include "rooms/orders.h"

using namespace FX;

static_assert(static_cast<int>(BezahlWin::ID_OK) >= static_cast<int>(Dialog::ID_LAST),
              "payment ids collide with the dialog's");

FXDEFMAP(BezahlWin) BezahlWinMap[] = {
    FXMAPFUNC(SEL_COMMAND, BezahlWin::ID_OK, BezahlWin::onOk),
    FXMAPFUNC(SEL_COMMAND, BezahlWin::ID_CANCEL, BezahlWin::onCancel),
    FXMAPFUNC(SEL_COMMAND, BezahlWin::ID_BAR, BezahlWin::onBar),
    FXMAPFUNC(SEL_COMMAND, BezahlWin::ID_REST, BezahlWin::onRest),
    FXMAPFUNC(SEL_CHANGED, BezahlWin::ID_KIND, BezahlWin::onBezahlArt),
};

FXIMPLEMENT(BezahlWin, Dialog, BezahlWinMap, ARRAYNUMBER(BezahlWinMap))

namespace {
// Amounts are worked in cents, so that cash and rest always add up to the
// total that is shown.
double cents_of(double amount) { return Tools::from_cents(Tools::to_cents(amount)); }
// total - part, in cents.
double rest_of(double total, double part) { return Tools::from_cents(Tools::to_cents(total) - Tools::to_cents(part)); }

void label(FXComposite *parent, AppContext *main, const char *text)
{
  new Label(parent, main, text, nullptr, LABEL_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
}
} // namespace

BezahlWin::BezahlWin()
    : kinds(nullptr), kind(nullptr), cash(nullptr), total(nullptr), rest(nullptr), cash_field(nullptr),
      total_field(nullptr), rest_field(nullptr), refusals(nullptr)
{
}

BezahlWin::BezahlWin(FXWindow *owner, AppContext &main, const std::vector<Tools::Ref<Tools::DBBindType> > &lines,
                     SONST_ART &kind_record, double &cash_amount, double &total_amount, double &rest_amount)
    : Dialog(owner, &main, "Bezahlunsgart", DECOR_ALL, 0, 0), kinds(nullptr), rows(lines), kind(&kind_record),
      cash(&cash_amount), total(&total_amount), rest(&rest_amount), cash_field(nullptr), total_field(nullptr),
      rest_field(nullptr),
      message(&main, "Message", Orders::text(Orders::NO_KIND)),
      more_than_bill(&main, "Message", Orders::text(Orders::MORE_THAN_BILL)),
      amount_refusal(&main), refusals(&main)
{
  FXVerticalFrame *frame = new FXVerticalFrame(this, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  kinds = new SpreadSheet(frame, &main, this, ID_KIND,
                          TABLE_COL_SIZABLE | TABLE_NO_COLSELECT | TABLE_READONLY | LAYOUT_FILL_X | LAYOUT_FILL_Y);
  kinds->set_columns("idx \tidx,name Name,wert Wert, bezeichnung Bezeichnung, bezeichnung2 Bezeichnung");
  new FXHorizontalSeparator(frame, SEPARATOR_GROOVE | LAYOUT_FILL_X);

  FXHorizontalFrame *amounts =
      new FXHorizontalFrame(frame, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  label(amounts, &main, "Preis insgesammt:");
  total_field = new MoneyField(amounts, nullptr, 0, 15);
  total_field->disable();
  new FXFrame(amounts, 0);
  label(amounts, &main, "davon in bar:");
  cash_field = new MoneyField(amounts, this, ID_BAR, 15);
  new FXFrame(amounts, 0);
  label(amounts, &main, "Rest:");
  rest_field = new MoneyField(amounts, this, ID_REST, 15);
  add_bind_var(total_field, total);
  add_bind_var(cash_field, cash);
  add_bind_var(rest_field, rest);

  new FXHorizontalSeparator(frame, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  ButtonBar *bar = new ButtonBar(frame, &main);
  bar->add_ok(this, ID_OK);
  bar->add_cancel(this, ID_CANCEL);

  fill_table();
  long long sum = Tools::to_cents(*total);
  for (const Tools::Ref<Tools::DBBindType> &row : rows) {
    // Each line at its amount: price times quantity, rounded on its own.
    const Tools::DBTypeDouble *preis =
        row.valid() ? dynamic_cast<const Tools::DBTypeDouble *>(row->get_cell_by_name("preis")) : nullptr;
    const Tools::DBTypeInt *anzahl =
        row.valid() ? dynamic_cast<const Tools::DBTypeInt *>(row->get_cell_by_name("anzahl")) : nullptr;
    if (!preis || !anzahl) {
      TOOLS_LOG("get_cell_by_name failed!");
      continue;
    }
    const long long cents = Tools::line_cents(preis->value, anzahl->value);
    sum += cents;
    TOOLS_LOG(Tools::format("all_preis: %lf added: %lf", Tools::from_cents(sum), Tools::from_cents(cents)));
  }
  *total = Tools::from_cents(sum);
  // Nothing is paid yet: the whole bill is open until cash or a kind of
  // payment covers it.
  *cash = 0.0;
  *rest = *total;
  vars_to_widgets();
}

BezahlWin::~BezahlWin() {}

void BezahlWin::fill_table()
{
  kinds->feed_table<SONST_ART>(Orders::KINDS_WHERE, "", "count(*)");
  kinds->show_money("wert");
}

void BezahlWin::show_amounts()
{
  *cash = cents_of(*cash);
  *rest = cents_of(*rest);
  vars_to_widgets();
}

bool BezahlWin::readable(const MoneyField *field)
{
  double value;
  return field->read(value) == MoneyField::AMOUNT;
}

// A field that holds no amount is left as typed (and red) and changes
// nothing: reading it as 0 would move the whole bill to the other field.
long BezahlWin::onBar(FXObject *, FXSelector, void *)
{
  TOOLS_LOG("onBar");
  if (!readable(cash_field))
    return 1;
  widgets_to_vars();
  *rest = rest_of(*total, *cash);
  show_amounts();
  return 1;
}

long BezahlWin::onRest(FXObject *, FXSelector, void *)
{
  TOOLS_LOG("onRest");
  if (!readable(rest_field))
    return 1;
  widgets_to_vars();
  *cash = rest_of(*total, *rest);
  show_amounts();
  return 1;
}

long BezahlWin::onBezahlArt(FXObject *, FXSelector, void *data)
{
  const FXTablePos *pos = static_cast<const FXTablePos *>(data);
  if (!pos)
    return 1;
  Tools::Ref<Tools::DBBindType> row = kinds->get_row(pos->row);
  if (!row.valid())
    return 1;
  const Tools::DBTypeDouble *wert = dynamic_cast<const Tools::DBTypeDouble *>(row->get_cell_by_name("wert"));
  if (!wert) {
    TOOLS_LOG("cannot convert 'wert' to double!");
    return 1;
  }
  TOOLS_LOG(Tools::format("wert: %lf", wert->value));
  const Tools::DBType *idx = row->get_cell_by_name("idx");
  SONST_ART chosen;
  const int n = Orders::read_kind(*get_db(), idx ? idx->format("%s") : std::string(), chosen);
  if (n < 0) {
    db_error();
    return 1;
  }
  if (n == 0)
    return 1; // gone since the list was read: nothing chosen
  *kind = chosen;
  // A voucher worth more than the bill pays the bill, no more; the rest
  // field shows what it pays.
  *rest = cents_of(wert->value < *total ? wert->value : *total);
  *cash = rest_of(*total, *rest);
  show_amounts();
  return 1;
}

long BezahlWin::onOk(FXObject *sender, FXSelector sel, void *data)
{
  if (!amount_refusal.amounts_valid(this, title_data_error, {cash_field, rest_field}))
    return 1;
  widgets_to_vars();
  // The caller books total minus cash as the other payment: judge that,
  // whatever the rest field was left holding.
  *rest = rest_of(*total, *cash);
  show_amounts();
  // Cash below 0 would be another payment larger than the bill, whose
  // excess no line could take.
  const StaticText *refusal = nullptr;
  if (*cash < 0)
    refusal = &more_than_bill;
  else if (*rest > 0 && kind->idx.value == 0)
    refusal = &message;
  else if (beyond_value() > 0)
    return refuse_beyond_value();
  if (!refusal)
    return FXDialogBox::onCmdAccept(sender, sel, data);
  MessageBox::error(this, title_data_error.str(), refusal->str());
  return 1;
}

long long BezahlWin::beyond_value() const
{
  return kind->idx.value == 0 ? 0 : Orders::beyond_value(*kind, Tools::to_cents(*rest));
}

long BezahlWin::refuse_beyond_value()
{
  // The kind was chosen first and the cash typed after it (or the rest
  // typed over): the fields add up, but the kind would pay more than it
  // is worth. Said with what it pays and what is left for cash.
  StaticText still_open(context, "Message", "Noch offen:");
  MessageBox::error(this, title_data_error.str(),
                    Tools::format("%s\n%s: %s\n%s %s", refusals.words(Orders::MORE_THAN_KIND), kind->name.value,
                                  Tools::money_text(kind->wert.value), still_open,
                                  Tools::money_text(Tools::from_cents(beyond_value()))));
  cash_field->setFocus();
  cash_field->selectAll();
  return 1;
}

long BezahlWin::onCancel(FXObject *sender, FXSelector sel, void *data)
{
  return FXDialogBox::onCmdCancel(sender, sel, data);
}
