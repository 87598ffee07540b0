#include "rooms/bonwin.h"

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/money.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
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

std::string cell_text(const Tools::DBBindType &row, const char *column)
{
  const Tools::DBType *cell = row.get_cell_by_name(column);
  return cell ? cell->format("%s") : std::string();
}

} // namespace

BonWin::BonWin() : sheet(nullptr), room(nullptr), table(nullptr) {}

BonWin::BonWin(FXWindow *owner, AppContext &main, LAYOUTK &room_record, LAYOUTP &table_record)
    : Dialog(owner, &main, "Bonierübersicht", DECOR_ALL, 0, 0), sheet(nullptr), room(&room_record),
      table(&table_record), current_line(),
      storno_question(&main, "Message", "Soll dieser Eintrag tatsächlich storniert werden?"),
      paid_question(&main, "Message", "Bonierungen auf bezahlt setzten?"),
      changed_elsewhere(&main, "Message",
                        "Die Bonierung wurde inzwischen an einem anderen Platz geändert. Es wurde nichts gebucht."),
      busy_elsewhere(&main, "Message",
                     "Die Bonierung wird gerade an einem anderen Platz bearbeitet. Es wurde nichts gebucht."),
      no_user(&main, "Message", "Es ist kein Benutzer angemeldet.")
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
  // By key: two rooms, or two tables of two rooms, may carry one name.
  std::string filter;
  if (int(room->idx) != 0)
    filter += Tools::format(" and layoutk_idx = '%s' ", int(room->idx));
  if (int(table->idx) != 0)
    filter += Tools::format(" and layoutp_idx = '%s' ", int(table->idx));
  sheet->feed_table<BONLINE>("where storniert = 'NEIN' and bezahlt = 'NEIN'" + filter, "", "count(*)");
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

// ---- the row update and the end of a transaction ----

bool BonWin::ask(const std::string &question)
{
  // Escape or the close box is no consent: only Yes goes on.
  return MessageBox::yes(this, title_question.str(), question);
}

bool BonWin::lock_open_lines(const Rows &shown, std::vector<Tools::Ref<BONLINE> > &lines)
{
  Tools::Ref<Tools::Database> db = get_db();
  std::string keys;
  for (const Tools::Ref<Tools::DBBindType> &row : shown)
    keys += (keys.empty() ? "'" : ", '") + Tools::sql_escape(cell_text(*row, "idx")) + "'";
  // A second station that settles the same lines meanwhile waits for this
  // transaction and then finds them no longer open; this one waits a few
  // seconds at most for a station that holds one of them.
  std::vector<Tools::Ref<BONLINE> > found;
  const StaticText *reason = nullptr;
  if (Tools::select_rows<BONLINE>(*db, "BONLINE", found,
                                  Tools::format("where idx in (%s) for update wait %d", keys, LOCK_WAIT_SECONDS)) < 0) {
    if (db->get_error().find("Lock wait timeout") == std::string::npos) {
      db_error_rolled_back();
      return false;
    }
    reason = &busy_elsewhere;
  }
  // Each line as it stands now, in the order of the list.
  for (auto row = shown.begin(); row != shown.end() && !reason; ++row) {
    const std::string idx = cell_text(**row, "idx");
    Tools::Ref<BONLINE> line;
    for (const Tools::Ref<BONLINE> &candidate : found)
      if (candidate->idx.format("%s") == idx)
        line = candidate;
    if (!line.valid() || line->storniert.value.get_value() != JANEIN::NEIN ||
        line->bezahlt.value.get_value() != JANEIN::NEIN ||
        cell_text(**row, "layoutk_idx") != line->layoutk_idx.format("%s") ||
        cell_text(**row, "layoutp_idx") != line->layoutp_idx.format("%s")) {
      TOOLS_LOG(Tools::format("idx %s is no longer open here", idx));
      reason = &changed_elsewhere;
    }
    lines.push_back(line);
  }
  if (!reason)
    return true;
  if (!db->rollback())
    db_error();
  MessageBox::error(this, title_data_error.str(), reason->str());
  refresh_table();
  return false;
}

void BonWin::change_lines(const Rows &shown, const std::function<std::string(BONLINE &)> &change)
{
  std::vector<Tools::Ref<BONLINE> > lines;
  if (!lock_open_lines(shown, lines))
    return;
  for (const Tools::Ref<BONLINE> &line : lines) {
    set_history(*line, 1);
    const std::string done = change(*line);
    if (!Tools::update_object(*get_db(), *line, Tools::format("where idx = '%d'", line->idx.value))) {
      db_error_rolled_back();
      return;
    }
    if (!done.empty())
      TOOLS_LOG(done);
  }
  keep();
}

void BonWin::keep()
{
  if (!get_db()->commit())
    db_error_rolled_back();
  refresh_table();
}

bool BonWin::have_user()
{
  Tools::Ref<USER> user = context->getUser();
  if (user.valid())
    return true;
  MessageBox::error(this, title_data_error.str(), no_user.str());
  return false;
}

BonWin::Rows BonWin::chosen_lines()
{
  Rows rows = sheet->get_selected_rows();
  if (!rows.empty() && !have_user())
    rows.clear();
  return rows;
}

// ---- actions ----

long BonWin::onBonieren(FXObject *, FXSelector, void *)
{
  if (!have_user())
    return 1;
  BONLINE line;
  AddLineWin entry(this, *context, *room, *table, line);
  if (entry.execute(PLACEMENT_OWNER) == 0) {
    if (!get_db()->rollback())
      db_error();
    return 1;
  }
  keep();
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
  Tools::Ref<USER> user = context->getUser();
  change_lines({Tools::Ref<Tools::DBBindType>(&current_line, false)}, [&](BONLINE &line) {
    line.storno_user = user->login.value;
    line.storno_user_idx = user->idx.value;
    line.storniert = JANEIN::JA;
    return std::string();
  });
  return 1;
}

long BonWin::onBar(FXObject *, FXSelector, void *)
{
  const Rows rows = chosen_lines();
  if (rows.empty() || !ask(Tools::format("%s %s", static_cast<unsigned>(rows.size()), paid_question)))
    return 1;
  change_lines(rows, [](BONLINE &line) {
    line.bezahlt = JANEIN::JA;
    line.bar_bezahlt = Tools::from_cents(Tools::line_cents(line.preis, line.anzahl));
    line.sonst_bezahlt = 0.0;
    return Tools::format("idx %d auf bezahlt gesetzt.", line.idx.value);
  });
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
  // In cents, so that the parts of the lines add up exactly.
  long long offen_sonst = Tools::to_cents(all_preis) - Tools::to_cents(cash);
  long long offen_bar = Tools::to_cents(cash);
  TOOLS_LOG(Tools::format("offen_sonst: %lf offen_bar: %lf all_preis: %lf", Tools::from_cents(offen_sonst),
                          Tools::from_cents(offen_bar), all_preis));
  change_lines(rows, [&](BONLINE &line) {
    const long long amount = Tools::line_cents(line.preis, line.anzahl);
    line.bezahlt = JANEIN::JA;
    long long other = 0;
    if (offen_sonst > 0 && amount > 0)
      other = offen_sonst < amount ? offen_sonst : amount;
    if (other > 0) {
      line.sonst_art_name = kind.name.value;
      line.sonst_art_idx = kind.idx.value;
      offen_sonst -= other;
    }
    line.sonst_bezahlt = Tools::from_cents(other);
    line.bar_bezahlt = Tools::from_cents(amount - other);
    return Tools::format("idx %d auf bezahlt gesetzt sonst_preis: %lf bar_bezahlt: %lf preis: %lf.", line.idx.value,
                         line.sonst_bezahlt.value, line.bar_bezahlt.value, line.preis.value);
  });
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
  TOOLS_LOG(Tools::format("Umbuchung auf Tisch %s", target_table.label_name.value));
  change_lines(rows, [&](BONLINE &line) {
    line.layoutk_idx = target_room.idx.value;
    line.layoutk_name = target_room.name.value;
    line.layoutp_idx = target_table.idx.value;
    line.layoutp_label_name = target_table.label_name.value;
    return std::string();
  });
  return 1;
}
