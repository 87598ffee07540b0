#include "rooms/addlinewin.h"

#include <iostream>

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "tools/widgets/theme.h"
#include "gui/messagebox.h"
#include "gui/buttonbar.h"
#include "gui/spreadsheet.h"
#include "rooms/orders.h"
#include "rooms/place.h"

using namespace FX;

static_assert(static_cast<int>(AddLineWin::ID_OK) >= static_cast<int>(Dialog::ID_LAST),
              "line-entry ids collide with the dialog's");

FXDEFMAP(AddLineWin) AddLineWinMap[] = {
    FXMAPFUNC(SEL_COMMAND, AddLineWin::ID_OK, AddLineWin::onOk),
    FXMAPFUNC(SEL_COMMAND, AddLineWin::ID_CANCEL, AddLineWin::onCancel),
    FXMAPFUNC(SEL_COMMAND, AddLineWin::ID_ROOM, AddLineWin::onRoom),
    FXMAPFUNC(SEL_COMMAND, AddLineWin::ID_DESK, AddLineWin::onDesk),
    FXMAPFUNC(SEL_CHANGED, AddLineWin::ID_GRUPPE, AddLineWin::onGruppe),
    FXMAPFUNC(SEL_CHANGED, AddLineWin::ID_ARTIKEL, AddLineWin::onArtikel),
    FXMAPFUNC(SEL_CHANGED, AddLineWin::ID_PREIS, AddLineWin::onPreis),
    FXMAPFUNC(SEL_COMMAND, AddLineWin::ID_MENGE, AddLineWin::onMenge),
};

FXIMPLEMENT(AddLineWin, Dialog, AddLineWinMap, ARRAYNUMBER(AddLineWinMap))

namespace {

const unsigned SHEET_OPTIONS = TABLE_COL_SIZABLE | TABLE_ROW_SIZABLE | LAYOUT_FILL_X | LAYOUT_FILL_Y;

FXComposite *group(FXComposite *parent, AppContext *main, const char *caption, FXuint extra = 0)
{
  return new GroupBox(parent, main, caption, FRAME_RIDGE | LAYOUT_FILL_X | extra, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
}

void label(FXComposite *parent, AppContext *main, const char *text)
{
  new Label(parent, main, text, nullptr, LABEL_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
}

std::string cell(const Tools::Ref<Tools::DBBindType> &row, const char *column)
{
  const Tools::DBType *c = row->get_cell_by_name(column);
  return c ? c->format("%s") : std::string();
}

} // namespace

AddLineWin::AddLineWin()
    : room_combo(nullptr), table_combo(nullptr), groups(nullptr), articles(nullptr), prices(nullptr), anzahl(1),
      menge(nullptr), refusals(nullptr), inserted(false)
{
}

AddLineWin::AddLineWin(FXWindow *owner, AppContext &main, const LAYOUTK &room_record, const LAYOUTP &table_record)
    : Dialog(owner, &main, "Bonierzeile", DECOR_ALL, 0, 0), room_combo(nullptr), table_combo(nullptr),
      groups(nullptr), articles(nullptr), prices(nullptr), anzahl(1), menge(nullptr),
      quantity_prompt(&main, "Message", "Bitte eine Menge von mindestens 1 eingeben."), refusals(&main),
      inserted(false)
{
  room = room_record;
  table = table_record;

  FXVerticalFrame *frame = new FXVerticalFrame(this, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

  FXComposite *place = group(frame, &main, "Ort");
  FXHorizontalFrame *place_row = new FXHorizontalFrame(place, 0);
  label(place_row, &main, "Raum:");
  room_combo = new DBComboBox<LAYOUTK>(place_row, &main, "name", this, ID_ROOM, 0);
  room_combo->set_order("name"); // the rooms by name, as they were always listed
  room_combo->fill();
  add_bind_var(static_cast<ComboBox *>(room_combo), &room.name.value);
  label(place_row, &main, "Tisch:");
  table_combo = new DBComboBox<LAYOUTP>(place_row, &main, "label_name", this, ID_DESK, 0);
  fill_tables();
  add_bind_var(static_cast<ComboBox *>(table_combo), &table.label_name.value);

  groups = new SpreadSheet(group(frame, &main, "Gruppen", LAYOUT_FILL_Y), &main, this, ID_GRUPPE, SHEET_OPTIONS);
  groups->set_columns("idx \tidx,name Name,bezeichnung Bezeichnung, bezeichnung2 Bezeichnung");
  articles = new SpreadSheet(group(frame, &main, "Artikel", LAYOUT_FILL_Y), &main, this, ID_ARTIKEL, SHEET_OPTIONS);
  articles->set_columns("idx \tidx,artnr ArtNr,bezeichnung Bezeichnung, bezeichnung2 Bezeichnung");
  prices = new SpreadSheet(group(frame, &main, "Preise", LAYOUT_FILL_Y), &main, this, ID_PREIS, SHEET_OPTIONS);
  prices->set_columns(
      "idx \tidx,preis Preis,bezeichnung Bezeichnung, bezeichnung2 Bezeichnung,menuepreis Menüpreis,gutschein Gutschein");
  // The lists are for choosing, not for editing master data.
  groups->setEditable(FALSE);
  articles->setEditable(FALSE);
  prices->setEditable(FALSE);
  // Articles and prices follow the choice of a group and an article.
  for (SpreadSheet *empty : {articles, prices}) {
    empty->setTableSize(0, empty->getNumColumns(), FALSE);
    empty->setHeaders();
  }

  new FXHorizontalSeparator(frame, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  FXHorizontalFrame *quantity_row = new FXHorizontalFrame(frame, 0);
  label(quantity_row, &main, "Menge:");
  // Return here books like "Ok"; leaving the field must not: Escape,
  // "Abbrechen", Tab or a click on another article would otherwise book
  // the line the waiter meant to drop.
  menge = new Tools::ThemeTextField(quantity_row, 5, this, ID_MENGE,
                                    TEXTFIELD_LIMITED | TEXTFIELD_INTEGER | TEXTFIELD_ENTER_ONLY | JUSTIFY_RIGHT |
                                        FRAME_SUNKEN,
                                    0, 0, 0, 0, 2, 2, 2, 2);
  add_bind_var(menge, &anzahl);
  new FXHorizontalSeparator(frame, SEPARATOR_GROOVE | LAYOUT_FILL_X);

  ButtonBar *bar = new ButtonBar(frame, &main);
  bar->add_ok(this, ID_OK, true);
  bar->add_cancel(this, ID_CANCEL);

  feed_groups();
  vars_to_widgets();
}

AddLineWin::~AddLineWin() {}

// ---- the lists ----

void AddLineWin::feed_groups()
{
  groups->feed_table<GRP_ART>("", Orders::GROUPS_TAIL, Orders::GROUPS_COUNT);
  article = ART();
  price = PREIS();
}

void AddLineWin::feed_articles(const std::string &where) { articles->feed_table<ART>(where, "", "count(*)"); }

void AddLineWin::feed_prices(const std::string &where)
{
  prices->feed_table<PREIS>(where, "", "count(*)");
  prices->show_money("preis");
}

Tools::Ref<Tools::DBBindType> AddLineWin::chosen_row(SpreadSheet *sheet, void *data)
{
  const FXTablePos *pos = static_cast<const FXTablePos *>(data);
  if (!pos)
    return Tools::Ref<Tools::DBBindType>();
  return sheet->get_row(pos->row);
}

long AddLineWin::onGruppe(FXObject *, FXSelector, void *data)
{
  Tools::Ref<Tools::DBBindType> row = chosen_row(groups, data);
  if (!row.valid())
    return 1;
  feed_articles(Orders::group_articles_where(cell(row, "name")));
  article = ART();
  price = PREIS();
  return 1;
}

long AddLineWin::onArtikel(FXObject *, FXSelector, void *data)
{
  Tools::Ref<Tools::DBBindType> row = chosen_row(articles, data);
  if (!row.valid())
    return 1;
  const std::string artnr = cell(row, "artnr");
  const std::string idx = cell(row, "idx");
  feed_prices(Orders::article_prices_where(idx, artnr));
  ART found;
  const int n = Orders::read_article(*get_db(), idx, artnr, found);
  if (n < 0) {
    db_error();
    return 1;
  }
  // An article that is gone counts as none chosen.
  article = n > 0 ? found : ART();
  price = PREIS();
  return 1;
}

long AddLineWin::onPreis(FXObject *, FXSelector, void *data)
{
  Tools::Ref<Tools::DBBindType> row = chosen_row(prices, data);
  if (!row.valid())
    return 1;
  PREIS found;
  const int n = Orders::read_price(*get_db(), cell(row, "idx"), found);
  if (n < 0) {
    db_error();
    return 1;
  }
  // Only a price of the chosen article may be booked with it.
  if (n > 0 && found.art_idx.value == article.idx.value && article.idx.value != 0)
    price = found;
  else
    price = PREIS();
  return 1;
}

// ---- the place ----

long AddLineWin::onRoom(FXObject *, FXSelector, void *)
{
  if (!text_fits(room_combo, room_combo->getText().text()))
    return 1;
  const int found = Place::reload_room(*get_db(), room, room_combo->getText().text());
  if (found < 0)
    db_error();
  // The table chosen before belongs to the room before.
  table = LAYOUTP();
  fill_tables();
  if (found > 0)
    std::cout << get_db()->get_error() << "\n" << get_db()->get_last_query() << std::endl;
  return 1;
}

void AddLineWin::fill_tables()
{
  table_combo->set_where(Orders::room_tables_condition(room.idx.value));
  table_combo->fill();
}

long AddLineWin::onDesk(FXObject *, FXSelector, void *)
{
  if (!text_fits(table_combo, table_combo->getText().text()))
    return 1;
  const int found = Place::reload_table(*get_db(), room, table, table_combo->getText().text());
  if (found < 0)
    db_error();
  else if (found > 0)
    std::cout << "LAYOUTP: " << table.label_name.value << std::endl;
  return 1;
}

// ---- Ok, Enter and cancel ----

long AddLineWin::onMenge(FXObject *sender, FXSelector sel, void *data)
{
  widgets_to_vars();
  if (anzahl < 1) {
    anzahl = 0;
    vars_to_widgets();
    return 1;
  }
  return onOk(sender, sel, data);
}

long AddLineWin::onOk(FXObject *sender, FXSelector sel, void *data)
{
  // The line is stored already (a second press while the dialog closes).
  if (inserted)
    return 1;
  widgets_to_vars();
  if (!text_fits(room_combo, room.name.value) || !text_fits(table_combo, table.label_name.value))
    return 1;
  // The line names a room and a table of that room that exist now.
  if (Place::reload(*get_db(), room, table) < 0) {
    db_error();
    return 1;
  }
  const StaticText *missing = nullptr;
  if (article.idx.value == 0)
    missing = &msg_select_article;
  else if (price.idx.value == 0)
    missing = &msg_select_price;
  else if (room.idx.value == 0)
    missing = &msg_select_room;
  else if (table.idx.value == 0)
    missing = &msg_select_table;
  else if (anzahl < 1)
    missing = &quantity_prompt;
  if (missing) {
    MessageBox::error(this, title_data_error.str(), missing->str());
    return 1;
  }
  Tools::Ref<USER> user = context->getUser();
  if (!user.valid()) {
    TOOLS_LOG("no user logged in: line not stored");
    return 1;
  }
  // The trace of the table booked on: once for the choice made, once for
  // the line filled and stored (the order operations do both).
  std::cout << table.label_name.value << std::endl;
  std::cout << table.label_name.value << std::endl;
  const Orders::Result booked = Orders(*get_db(), *user).book(article, price, room, table, anzahl);
  // Nothing is stored on a refusal: the waiter may try again or cancel,
  // but the dialog must not report a line that does not exist.
  if (refusals.show(*this, booked))
    return 1;
  inserted = true;
  return FXDialogBox::onCmdAccept(sender, sel, data);
}

long AddLineWin::onCancel(FXObject *sender, FXSelector sel, void *data)
{
  return FXDialogBox::onCmdCancel(sender, sel, data);
}
