#include "masterdata/art.h"

#include <memory>

#include "tools/core/format.h"
#include "tools/core/money.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "gui/buttonbar.h"
#include "gui/messagebox.h"
#include "gui/moneyfield.h"
#include "gui/spreadsheet.h"

using namespace FX;

FXDEFMAP(Art) ArtMap[] = {
    FXMAPFUNC(SEL_COMMAND, Art::ID_ARTNR, Art::onSelect),
    FXMAPFUNC(SEL_COMMAND, Art::ID_CANCEL_FORM, Art::onCancel),
    FXMAPFUNC(SEL_COMMAND, BaseDialog::ID_SAVE, Art::onSave),
    FXMAPFUNC(SEL_COMMAND, Art::ID_USTGRUPPE, Art::onUstGruppe),
    // prices and group memberships
    FXMAPFUNC(SEL_COMMAND, Art::ID_GRUPPEN, Art::onGruppen),
    FXMAPFUNC(SEL_CHANGED, Art::ID_PREIS, Art::onPreis),
    FXMAPFUNC(SEL_COMMAND, Art::ID_SAVE_PREIS, Art::onSavePreis),
    FXMAPFUNC(SEL_COMMAND, Art::ID_DELETE_PREIS, Art::onDeletePreis),
};

FXIMPLEMENT(Art, BaseDialog, ArtMap, ARRAYNUMBER(ArtMap))

Art::Art()
    : artnr_combo(nullptr), ust_combo(nullptr), groups_sheet(nullptr), prices_sheet(nullptr), price_form(nullptr),
      price_amount(nullptr), article_idx(0)
{
}

Art::Art(FXWindow *owner, AppContext *main)
    : BaseDialog(owner, main, "Wartung Artikelstamm", "Artikelstamm", &art, "artnr", DECOR_ALL),
      artnr_combo(nullptr), ust_combo(nullptr), groups_sheet(nullptr), prices_sheet(nullptr), price_form(nullptr),
      price_amount(nullptr), article_idx(0), msg_invalid_means(main, "Message",
                        "Ein Artikel oder Preis mit \"Gültig\" NEIN wird beim Bonieren nicht mehr angeboten."),
      msg_price_not_saved(main, "Message",
                          "Der Preis im Reiter \"Preise\" ist noch nicht gespeichert: das tut \"Speichern\" dort.")
{
  build_base_fields(art, "artnr", "bezeichnung", "");

  new FXHorizontalFrame(main_page, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
  FXMatrix *matrix = new FXMatrix(main_page, 3, MATRIX_BY_COLUMNS, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

  form_label(matrix, "Artikelnummer:");
  artnr_combo = new DBComboBox<ART>(matrix, context, key_name, this, ID_ARTNR, 0, "bezeichnung");
  artnr_combo->fill();
  key_combo = artnr_combo;
  new BarButtonNew(matrix, context, this, ID_NEW, BUTTON_NORMAL | LAYOUT_RIGHT);

  Tools::ThemeTextField *text1 = form_text(matrix, "Bezeichung:", 50, 0, true);
  Tools::ThemeTextField *text2 = form_text(matrix, "Bezeichung2:", 50, 0, true);

  form_label(matrix, "UST Gruppe:");
  FXHorizontalFrame *ust_row = new FXHorizontalFrame(matrix, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
  Tools::ThemeTextField *ust_idx =
      new Tools::ThemeTextField(ust_row, 3, nullptr, 0, FRAME_SUNKEN | FRAME_THICK, 0, 0, 0, 0, 2, 2, 2, 2);
  ust_idx->disable();
  ust_combo = new DBComboBox<GRP_UST>(ust_row, context, "name", this, ID_USTGRUPPE, 0, "ust");
  ust_combo->fill();
  MoneyField *rate = new MoneyField(ust_row, nullptr, 0, 15);
  rate->disable();
  new Label(ust_row, context, "%", nullptr, LAYOUT_CENTER_Y, 0, 0, 0, 0, 2, 2, 2, 2);
  new FXFrame(matrix, 0, 0, 0, 0, 0, 2, 2, 2, 2);

  add_bind_var(static_cast<ComboBox *>(artnr_combo), &art.artnr.value);
  add_bind_var(text1, &art.bezeichnung.value);
  add_bind_var(text2, &art.bezeichnung2.value);
  add_bind_var(ust_idx, &art.gruppe_ust_idx.value);
  add_bind_var(static_cast<ComboBox *>(ust_combo), &art.gruppe_ust.value);
  add_bind_var(rate, &grp_ust.ust.value);

  build_price_and_group_tabs();

  build_button_bar(ID_CANCEL_FORM, false);
  trace_save = true;

  // The lists are read when the window is shown (an empty form's).
  vars_to_widgets();
}

Art::~Art() {}

void Art::reset()
{
  ust_combo->fill();
  BaseDialog::reset();
}

void Art::after_load()
{
  article_idx = art.idx;
  preis = PREIS();
  price_shown = preis;
  onUstGruppe(this, 0, nullptr);
  feed_lists();
}

void Art::clear_record()
{
  art = ART();
  article_idx = 0;
  preis = PREIS();
  price_shown = preis;
  feed_lists();
}

std::string Art::delete_first()
{
  // Group memberships are kept: while there are any, the article stays.
  return Tools::format("delete from PREIS where art_artnr = '%s' and art_idx = '%s'",
                       Tools::sql_escape(art.artnr.value), static_cast<int>(art.idx));
}

bool Art::may_delete()
{
  const int idx = art.idx;
  return idx == 0 ||
         !has_lines(art,
                    Tools::format("preis_idx in (select idx from PREIS where art_idx = '%s') or ", idx) +
                        named_by_lines("artnr_idx", "artnr"),
                    msg_invalid_means);
}

long Art::onUstGruppe(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  if (!text_fits(ust_combo, art.gruppe_ust.value))
    return 1;
  Tools::Ref<Tools::Database> db = get_db();
  GRP_UST found;
  Tools::DBBindList list;
  list.add(&found);
  int rows = Tools::select_objects(
      *db,
      Tools::format("select %%GRP_UST from GRP_UST where  name = '%s' and gueltig='JA' ",
                    Tools::sql_escape(art.gruppe_ust.value)),
      list);
  if (rows < 0) {
    db_error();
    return 1;
  }
  if (rows > 0) {
    grp_ust = found;
    art.gruppe_ust_idx = static_cast<int>(grp_ust.idx);
    art.gruppe_ust = grp_ust.name.value;
  } else {
    // No valid group of that name: the article keeps its own group and
    // gets nothing of the group looked up before.
    grp_ust = GRP_UST();
  }
  // The group alone: what is typed elsewhere (a price that is no amount
  // yet, say) stays as typed.
  for (const void *shown : {static_cast<const void *>(&art.gruppe_ust_idx.value),
                            static_cast<const void *>(&art.gruppe_ust.value),
                            static_cast<const void *>(&grp_ust.ust.value)})
    var_to_widget(shown);
  return 1;
}

// ---- prices and group memberships ----

void Art::build_price_and_group_tabs()
{
  const FXuint sheet_opts = LAYOUT_FILL_X | LAYOUT_FILL_Y | TABLE_COL_SIZABLE | TABLE_ROW_SIZABLE;

  new TabItem(tab_book, context, "Gruppen", nullptr, TAB_TOP_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
  Tools::ThemeVerticalFrame *groups_page =
      new Tools::ThemeVerticalFrame(tab_book, FRAME_RAISED, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  groups_sheet = new SpreadSheet(groups_page, context, this, ID_GRUPPEN, sheet_opts);
  groups_sheet->set_columns("idx \tidx,name Name,bezeichnung Bezeichnung, bezeichnung2 Bezeichnung");
  // Order entry lists only articles in a group: the memberships are typed
  // in place and made through the sheet's menu ("Neuer Eintrag",
  // "Vorlage..", "Eintrag Löschen"), which a read-only sheet never opens.
  groups_sheet->setEditable(TRUE);
  // A group is told apart by its name alone, and is none without one.
  groups_sheet->trim_column("name");
  groups_sheet->require_column("name");

  new TabItem(tab_book, context, "Preise", nullptr, TAB_TOP_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
  Tools::ThemeVerticalFrame *prices_page =
      new Tools::ThemeVerticalFrame(tab_book, FRAME_RAISED, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  prices_sheet = new SpreadSheet(prices_page, context, this, ID_PREIS, sheet_opts | TABLE_READONLY);
  prices_sheet->set_columns("idx \tidx,preis Preis,menuepreis Menupreis,gutschein Gutschein,bezeichnung "
                            "Bezeichnung,bezeichnung2 Bezeichnung");

  build_price_form(prices_page);
}

void Art::build_price_form(FXComposite *prices_page)
{
  new FXHorizontalSeparator(prices_page, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  FXMatrix *matrix = new FXMatrix(prices_page, 2, MATRIX_BY_COLUMNS, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  price_form = matrix;
  form_label(matrix, "Preis:");
  MoneyField *amount = price_amount = new MoneyField(matrix, nullptr, 0, 15);
  Tools::ThemeTextField *text1 = form_text(matrix, "Bezeichnung:", 50);
  Tools::ThemeTextField *text2 = form_text(matrix, "Bezeichnung:", 50);
  form_label(matrix, "Menüpreis:");
  DBComboBox<PREIS> *menu = new DBComboBox<PREIS>(matrix, context, "menuepreis", nullptr, 0, 0);
  menu->fill();
  form_label(matrix, "Gutschein:");
  DBComboBox<PREIS> *voucher = new DBComboBox<PREIS>(matrix, context, "gutschein", nullptr, 0, 0);
  voucher->fill();
  // A price that order lines name is retired here, as the article is.
  form_label(matrix, "Gültig:");
  DBComboBox<PREIS> *valid = new DBComboBox<PREIS>(matrix, context, "gueltig", nullptr, 0, 0);

  add_bind_var(amount, &preis.preis.value);
  add_bind_var(text1, &preis.bezeichnung.value);
  add_bind_var(text2, &preis.bezeichnung2.value);
  add_bind_var(static_cast<ComboBox *>(menu), &preis.menuepreis.value);
  add_bind_var(static_cast<ComboBox *>(voucher), &preis.gutschein.value);
  add_bind_var(static_cast<ComboBox *>(valid), &preis.gueltig.value);

  new FXHorizontalSeparator(prices_page, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  ButtonBar *bar = new ButtonBar(prices_page, context);
  bar->add_save(this, ID_SAVE_PREIS, false);
  bar->add_delete(this, ID_DELETE_PREIS, false);
}

std::string Art::of_article() const
{
  // A number typed into the form is no article's until it is saved: a
  // price given it would carry a number that is not its article's.
  return Tools::format("art_idx = '%d' and art_artnr = (select artnr from ART where idx = '%d')", article_idx,
                       article_idx);
}

bool Art::lock_article(ART &stored, bool lock)
{
  Tools::Ref<Tools::Database> db = get_db();
  Tools::DBBindList list;
  list.add(&stored);
  const int found = Tools::select_objects(
      *db, Tools::format("select %%ART from ART where idx = '%d'", article_idx) + (lock ? Tools::Database::SHARE_LOCK : ""),
      list);
  if (found < 0) {
    report_db_failure();
    return false;
  }
  if (found == 0) {
    db->rollback();
    data_error(msg_reference_missing);
    return false;
  }
  return true;
}

void Art::feed_lists()
{
  const std::string where = "where " + of_article();
  groups_sheet->feed_table<GRP_ART>(where, "", "count(*)");
  prices_sheet->feed_table<PREIS>(where, "", "count(*)");
}

long Art::onGruppen(FXObject *, FXSelector, void *ptr)
{
  widgets_to_vars();
  if (!ptr)
    return 0;
  SpreadSheet::MenuRequest &request = *static_cast<SpreadSheet::MenuRequest *>(ptr);
  switch (request.code) {
  case SpreadSheet::MenuRequest::NEW:
  case SpreadSheet::MenuRequest::FROM_TEMPLATE:
    return add_membership(request);
  case SpreadSheet::MenuRequest::TEMPLATES:
    return offer_templates(request);
  case SpreadSheet::MenuRequest::DELETE:
    return delete_membership(request);
  default:
    return 1;
  }
}

long Art::add_membership(const SpreadSheet::MenuRequest &request)
{
  // A membership needs a stored article to belong to.
  if (article_idx == 0) {
    data_error(msg_select_article);
    return 0;
  }
  // A new one is stored once it has a name (by the sheet, as it is typed
  // into); until then it is the sheet's alone.
  if (request.code == SpreadSheet::MenuRequest::NEW) {
    ART stored;
    if (!lock_article(stored, false))
      return 0;
    GRP_ART *row = new GRP_ART;
    row->art_artnr = stored.artnr.value;
    row->art_idx = stored.idx.value;
    groups_sheet->add_row(Tools::Ref<Tools::DBBindType>(row));
    return 1;
  }
  GRP_ART row;
  if (request.row.valid() && request.row.try_get()) {
    for (Tools::DBTypeVarChar *column : {&row.name, &row.bezeichnung, &row.bezeichnung2}) {
      Tools::DBType *cell = request.row->get_cell_by_name(column->get_name());
      if (cell)
        *column = cell->format("%s");
    }
    row.name = Tools::trim_white(row.name.value);
  }
  // What was typed into the sheet goes with the new row, in one unit of
  // work; the lists are read again after it.
  groups_sheet->read_cells();
  ART stored;
  if (!groups_sheet->new_rows_named() || !groups_sheet->save_changes("idx", false) || !lock_article(stored))
    return 0;
  row.art_artnr = stored.artnr.value;
  row.art_idx = stored.idx.value;
  return end_list_change(Tools::insert_object(*get_db(), row));
}

long Art::offer_templates(SpreadSheet::MenuRequest &request)
{
  vars_to_widgets();
  struct Page
  {
    GRP_ART rows[SpreadSheet::MAX_TEMPLATES];
  };
  std::unique_ptr<Page> page(new Page);
  Tools::DBArrayBind binder;
  binder.bind_array(page->rows);
  Tools::DBLimit limit(SpreadSheet::MAX_TEMPLATES);
  // One row of each group the article is not in yet.
  int rows = Tools::select_object_rows(
      *get_db(),
      Tools::format("select %%GRP_ART from GRP_ART where  GRP_ART.name not in (   select name from GRP_ART where "
                    "%s )  group by GRP_ART.name ",
                    of_article()),
      binder, limit);
  if (rows < 0) {
    db_error();
    return 1;
  }
  for (int i = 0; i < rows && i < SpreadSheet::MAX_TEMPLATES; ++i) {
    GRP_ART *copy = new GRP_ART;
    *copy = page->rows[i];
    request.rows.push_back(Tools::Ref<Tools::DBBindType>(copy));
  }
  request.column = "name";
  return 1;
}

long Art::delete_membership(const SpreadSheet::MenuRequest &request)
{
  groups_sheet->read_cells();
  Tools::DBType *idx = request.row.valid() && request.row.try_get() ? request.row->get_cell_by_name("idx") : nullptr;
  if (!idx) {
    groups_sheet->save_changes("idx");
    return 0;
  }
  // What was typed into the sheet goes with the delete, in one unit of
  // work.
  if (!groups_sheet->new_rows_named() || !groups_sheet->save_changes("idx", false))
    return 0;
  const Tools::DBErg<Tools::DBRowList> deleted =
      get_db()->exec(Tools::format("delete from GRP_ART where idx='%s'", Tools::sql_escape(idx->format("%s"))));
  // Deleted by another station since the list was read.
  if (deleted.ok && deleted.affected == 0) {
    row_gone(msg_nothing_deleted);
    return 0;
  }
  return end_list_change(deleted.ok);
}

bool Art::end_list_change(bool ok)
{
  // Said in words, with whether it was stored when the connection broke
  // at the commit; the lists are read only once the work has ended.
  if (!ok || !get_db()->commit()) {
    report_db_failure();
    return false;
  }
  feed_lists();
  return true;
}

long Art::onPreis(FXObject *, FXSelector, void *ptr)
{
  widgets_to_vars();
  if (!ptr)
    return 1;
  const FXTablePos *pos = static_cast<const FXTablePos *>(ptr);
  Tools::Ref<Tools::DBBindType> row = prices_sheet->get_row(pos->row);
  Tools::DBType *idx = row.valid() && row.try_get() ? row->get_cell_by_name("idx") : nullptr;
  // The price the form shows, chosen again: it keeps what was typed.
  if (idx && preis.idx != 0 && idx->format("%s") == Tools::to_text<int>(preis.idx))
    return 1;
  if (idx) {
    Tools::DBBindList list;
    list.add(&preis);
    if (Tools::select_objects(
            *get_db(), Tools::format("select %%PREIS from PREIS where idx = '%s'", Tools::sql_escape(idx->format("%s"))),
            list) < 0) {
      db_error();
      return 1;
    }
    price_shown = preis;
  }
  vars_to_widgets();
  return 1;
}

long Art::onSavePreis(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  if (!amounts_valid(price_form) || !texts_fit(preis))
    return 1;
  Tools::Ref<Tools::Database> db = get_db();
  bool ok;
  long found = 1;
  if (preis.idx == 0) {
    // A new price belongs to the article of the list, with its number and
    // idx as stored: not a number typed over it since, which the booking
    // would not find its price under.
    ART stored;
    if (article_idx == 0) {
      data_error(msg_select_article);
      return 1;
    }
    if (!lock_article(stored))
      return 1;
    preis.art_artnr = stored.artnr.value;
    preis.art_idx = stored.idx.value;
    set_history(preis, 0);
    ok = Tools::insert_object(*db, preis);
  } else {
    set_history(preis, 1);
    ok = Tools::update_object(*db, preis, Tools::format("where idx = '%s'", static_cast<int>(preis.idx)), &found);
  }
  // Deleted by another station since it was chosen: the form keeps it.
  if (ok && found == 0)
    row_gone(msg_nothing_saved);
  else
    end_price_change(ok);
  return 1;
}

long Art::onDeletePreis(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  if (preis.idx == 0 ||
      has_lines(preis, Tools::format("preis_idx = '%s'", static_cast<int>(preis.idx)), msg_invalid_means))
    return 1;
  const Tools::DBErg<Tools::DBRowList> deleted =
      get_db()->exec(Tools::format("delete from PREIS where idx = '%s'", static_cast<int>(preis.idx)));
  if (deleted.ok && deleted.affected == 0)
    row_gone(msg_nothing_deleted);
  else
    end_price_change(deleted.ok);
  return 1;
}

void Art::end_price_change(bool ok)
{
  // The form keeps what was typed until the price is stored.
  if (end_list_change(ok)) {
    preis = PREIS();
    price_shown = preis;
    vars_to_widgets();
  }
}

bool Art::price_typed()
{
  widgets_to_vars();
  // The amount as the form shows it: to the cent.
  PREIS shown = price_shown;
  shown.preis = Tools::from_cents(Tools::to_cents(shown.preis.value));
  double amount;
  return price_amount->read(amount) != MoneyField::AMOUNT || preis.get_values() != shown.get_values();
}

long Art::onSave(FXObject *, FXSelector, void *)
{
  // What the "Gruppen" sheet holds is stored as a move to another cell
  // stores it; the save reads the lists again.
  if (!groups_sheet->store_typed())
    return 1;
  const bool typed = price_typed();
  const PREIS price = preis;
  if (!save_record(key_name, {}, trace_save) || !typed)
    return 1;
  // The saved article's form: the price typed stays in its own form, to be
  // stored by the tab's "Speichern".
  preis = price;
  vars_to_widgets();
  MessageBox::information(this, title_info.str(), msg_price_not_saved.str());
  return 1;
}
