#include "rooms/bonwin.h"

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/money.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/widgets/theme.h"
#include "gui/messagebox.h"
#include "gui/buttonbar.h"
#include "gui/spreadsheet.h"
#include "rooms/addlinewin.h"
#include "rooms/bezahlwin.h"
#include "rooms/movetowin.h"

using namespace FX;

static_assert(static_cast<int>(BonWin::ID_BONIEREN) >= static_cast<int>(Dialog::ID_LAST),
              "order-line ids collide with the dialog's");

FXDEFMAP(BonWin) BonWinMap[] = {
    FXMAPFUNC(SEL_COMMAND, BonWin::ID_BONIEREN, BonWin::onBonieren),
    FXMAPFUNC(SEL_COMMAND, BonWin::ID_OK, BonWin::onOk),
    FXMAPFUNC(SEL_COMMAND, BonWin::ID_CANCEL, BonWin::onCancel),
    FXMAPFUNC(SEL_COMMAND, BonWin::ID_STORNO, BonWin::onStorno),
    FXMAPFUNC(SEL_CHANGED, BonWin::ID_SHEET, BonWin::onSelect),
    FXMAPFUNC(SEL_COMMAND, BonWin::ID_MOVETO, BonWin::onMoveTo),
    FXMAPFUNC(SEL_COMMAND, BonWin::ID_BAR, BonWin::onBar),
    FXMAPFUNC(SEL_COMMAND, BonWin::ID_BEZAHLEN, BonWin::onBezahlen),
};

FXIMPLEMENT(BonWin, Dialog, BonWinMap, ARRAYNUMBER(BonWinMap))

namespace {

const char *const SHEET_COLUMNS = "idx \tidx,layoutk_name Raum,layoutp_label_name Tisch,artnr Artikel,anzahl Anzahl,"
                                  "bill_printed Rechnung,bezeichnung Bezeichnung,bezeichung2 Bezeichnung";

// A row of buttons of equal width across the window.
FXHorizontalFrame *button_row(FXComposite *parent)
{
  return new FXHorizontalFrame(parent, PACK_UNIFORM_WIDTH | FRAME_RIDGE | LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 4,
                               4);
}

void spacer(FXComposite *parent) { new FXFrame(parent, 0, 0, 0, 0, 0, 2, 2, 2, 2); }

} // namespace

BonWin::BonWin() : sheet(nullptr), room(nullptr), table(nullptr), refusals(nullptr) {}

BonWin::BonWin(FXWindow *owner, AppContext &main, LAYOUTK &room_record, LAYOUTP &table_record)
    : Dialog(owner, &main, "Bonierübersicht", DECOR_ALL, 0, 0), sheet(nullptr), room(&room_record),
      table(&table_record), current_line(),
      storno_question(&main, "Message", "Soll dieser Eintrag tatsächlich storniert werden?"),
      paid_question(&main, "Message", "Bonierungen auf bezahlt setzten?"),
      refusals(&main, {Orders::CHANGED_ELSEWHERE, Orders::BUSY_ELSEWHERE, Orders::NO_USER})
{
  FXVerticalFrame *frame = new FXVerticalFrame(this, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

  FXHorizontalFrame *top = button_row(frame);
  new BarButton(top, &main, "Bonieren", "", this, ID_BONIEREN, BUTTON_NORMAL);
  new BarButton(top, &main, "Storno", "", this, ID_STORNO, BUTTON_NORMAL);
  spacer(top);
  new BarButton(top, &main, "Infobeleg", "", nullptr, 0, BUTTON_NORMAL);
  new BarButton(top, &main, "Rechnung", "", nullptr, 0, BUTTON_NORMAL);
  spacer(top);

  sheet = new SpreadSheet(frame, &main, this, ID_SHEET,
                          TABLE_READONLY | TABLE_NO_COLSELECT | TABLE_COL_SIZABLE | LAYOUT_FILL_X | LAYOUT_FILL_Y);
  sheet->set_columns(SHEET_COLUMNS);

  new FXHorizontalSeparator(frame, SEPARATOR_GROOVE | LAYOUT_FILL_X);

  FXHorizontalFrame *bottom = button_row(frame);
  new BarButton(bottom, &main, "auf anderen Tisch", "", this, ID_MOVETO, BUTTON_NORMAL);
  spacer(bottom);
  new BarButton(bottom, &main, "Bezahlen", "", this, ID_BEZAHLEN, BUTTON_NORMAL);
  new BarButton(bottom, &main, "Bar Bezahlen", "", this, ID_BAR, BUTTON_NORMAL);

  ButtonBar *bar = new ButtonBar(frame, &main);
  bar->add_ok(this, ID_OK);
  bar->add_cancel(this, ID_CANCEL);

  refresh_table();
}

BonWin::~BonWin() {}

// ---- the list ----

void BonWin::refresh_table()
{
  sheet->feed_table<BONLINE>(Orders::open_lines_where(room->idx.value, table->idx.value), "", "count(*)");
  current_line = BONLINE();
}

long BonWin::onSelect(FXObject *, FXSelector, void *data)
{
  const FXTablePos *pos = static_cast<const FXTablePos *>(data);
  if (!pos)
    return 1;
  // The line as the list was filled: what a later Storno is checked
  // against.
  Tools::Ref<Tools::DBBindType> row = sheet->get_row(pos->row);
  if (const BONLINE *line = row.valid() ? dynamic_cast<const BONLINE *>(&*row) : nullptr)
    current_line = *line;
  return 1;
}

// ---- asking, and showing how an action ended ----

bool BonWin::ask(const std::string &question)
{
  // Escape or the close box is no consent: only Yes goes on.
  return MessageBox::yes(this, title_question.str(), question);
}

Orders::SeenLines BonWin::seen(const Rows &rows)
{
  Orders::SeenLines lines;
  for (const Tools::Ref<Tools::DBBindType> &row : rows)
    if (const BONLINE *line = row.valid() ? dynamic_cast<const BONLINE *>(&*row) : nullptr)
      lines.push_back(Orders::seen(*line));
  return lines;
}

bool BonWin::have_user()
{
  Tools::Ref<USER> user = context->getUser();
  if (user.valid())
    return true;
  MessageBox::error(this, title_data_error.str(), refusals.words(Orders::NO_USER).str());
  return false;
}

BonWin::Rows BonWin::chosen_lines()
{
  Rows rows = sheet->get_selected_rows();
  if (!rows.empty() && !have_user())
    rows.clear();
  return rows;
}

Orders BonWin::orders() { return Orders(*get_db(), *context->getUser()); }

void BonWin::report(const Orders::Result &result)
{
  refusals.show(*this, result);
  // After a failed statement the list stays as it was: the connection
  // may be gone.
  if (result.outcome != Orders::FAILED)
    refresh_table();
}

// ---- actions ----

long BonWin::onBonieren(FXObject *, FXSelector, void *)
{
  if (!have_user())
    return 1;
  // The entry books the line itself when it is accepted.
  AddLineWin entry(this, *context, *room, *table);
  if (entry.execute(PLACEMENT_OWNER) != 0)
    refresh_table();
  return 1;
}

long BonWin::onOk(FXObject *sender, FXSelector sel, void *data) { return FXDialogBox::onCmdAccept(sender, sel, data); }

long BonWin::onCancel(FXObject *sender, FXSelector sel, void *data)
{
  return FXDialogBox::onCmdCancel(sender, sel, data);
}

long BonWin::onStorno(FXObject *, FXSelector, void *)
{
  if (current_line.idx.value == 0)
    return 1;
  if (!have_user() || !ask(storno_question.str()))
    return 1;
  report(orders().cancel(Orders::seen(current_line)));
  return 1;
}

long BonWin::onBar(FXObject *, FXSelector, void *)
{
  const Rows rows = chosen_lines();
  if (rows.empty() || !ask(Tools::format("%s %s", static_cast<unsigned>(rows.size()), paid_question)))
    return 1;
  report(orders().pay_cash(seen(rows)));
  return 1;
}

long BonWin::onBezahlen(FXObject *, FXSelector, void *)
{
  const Rows rows = chosen_lines();
  if (rows.empty())
    return 1;
  SONST_ART kind;
  double cash = 0.0, all_preis = 0.0, rest = 0.0;
  {
    BezahlWin payment(this, *context, rows, kind, cash, all_preis, rest);
    if (payment.execute(PLACEMENT_OWNER) == 0)
      return 1;
  }
  if (!ask(Tools::format("%s %s", static_cast<unsigned>(rows.size()), paid_question)))
    return 1;
  report(orders().pay(seen(rows), cash, kind));
  return 1;
}

long BonWin::onMoveTo(FXObject *, FXSelector, void *)
{
  const Rows rows = chosen_lines();
  if (rows.empty())
    return 1;
  LAYOUTK target_room;
  target_room = *room;
  LAYOUTP target_table;
  {
    MoveToWin dialog(this, *context, target_room, target_table);
    if (dialog.execute(PLACEMENT_OWNER) == 0)
      return 1;
  }
  report(orders().move(seen(rows), target_room, target_table));
  return 1;
}
