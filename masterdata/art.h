#ifndef KORVAN_MASTERDATA_ART_H
#define KORVAN_MASTERDATA_ART_H

// The articles: number, two description lines and the VAT group, and on
// their own tabs the article's group memberships (edited in place in a
// sheet) and its prices (a list and a form to add, change or delete one).
// The memberships and prices always follow the article in the form; each
// change made there is committed at once. A membership typed into the
// sheet is stored by a move to another cell or by the window's
// "Speichern", a new one ("Neuer Eintrag") once it has a name. A price
// typed into its form is stored by the tab's own "Speichern": the
// window's keeps it in the form and says so. An article or a price that order
// lines name stays; marked not valid ("Gültig" NEIN, the price in its own
// form) it is no longer offered when booking.

#include "masterdata/basedialog.h"

#include "gui/spreadsheet.h"

class Art : public BaseDialog
{
  FXDECLARE(Art)

protected:
  ART art;
  PREIS preis;
  GRP_UST grp_ust;
  DBComboBox<ART> *artnr_combo;
  DBComboBox<GRP_UST> *ust_combo;
  SpreadSheet *groups_sheet;
  SpreadSheet *prices_sheet;
  FX::FXWindow *price_form;
  MoneyField *price_amount;
  // The idx of the article the lists show and a new price or membership
  // goes to: the one last read into the form (0: none), whatever has been
  // typed over it since.
  int article_idx;
  // What "Gültig" NEIN does to an article or a price.
  StaticText msg_invalid_means;
  StaticText msg_price_not_saved;
  // The price as the form was filled with it (stored, or empty): what was
  // typed over it since is not stored yet.
  PREIS price_shown;

  Art();
  // An empty article with an empty price form and empty lists.
  void clear_record() override;
  // The article's VAT group, memberships and prices; the price form is
  // emptied, as its price belonged to the article shown before.
  void after_load() override;
  // The prices go with the article, in the same transaction.
  std::string delete_first() override;
  // Not an article that order lines name, itself or by one of its prices.
  bool may_delete() override;

  // Builds the "Gruppen" and "Preise" tabs and the price form, with its
  // own "Speichern" and "Löschen", on the "Preise" tab's page.
  void build_price_and_group_tabs();
  void build_price_form(FX::FXComposite *prices_page);
  // After a price was written (`ok`) or refused: commit, empty the price
  // form and read the lists again, or report why.
  void end_price_change(bool ok);

  // The requests of the "Gruppen" sheet's menu. Each gives the handler's
  // result: 1 when done, 0 when refused or failed (reported).
  long add_membership(const SpreadSheet::MenuRequest &request);
  long offer_templates(SpreadSheet::MenuRequest &request);
  long delete_membership(const SpreadSheet::MenuRequest &request);
  // After a price or a membership was written (`ok`) or refused: commit
  // and read the lists again, or report why; whether it was kept.
  bool end_list_change(bool ok);
  // The condition on a price or membership that it belongs to the article
  // of the lists: by its idx, and by its number as stored, compared as the
  // table's key compares (as order entry lists them).
  std::string of_article() const;
  // The article of the lists as stored, read with a shared lock that keeps
  // it so until the unit of work ends (`lock`): what a new price or
  // membership takes its number and idx from. False when it is gone or the
  // read failed (both said, the unit of work rolled back).
  bool lock_article(ART &stored, bool lock = true);
  // The price form holds what was typed, not what it was filled with.
  bool price_typed();

public:
  enum {
    ID_CANCEL_FORM = 69,
    ID_ARTNR = 70,
    ID_USTGRUPPE = 74,
    ID_GRUPPEN = 75,
    ID_PREIS = 76,
    ID_SAVE_PREIS = 77,
    ID_DELETE_PREIS = 78,
  };

  Art(FX::FXWindow *owner, AppContext *main);
  virtual ~Art();

  void reset() override;
  // Reads both sheets again for the article in the form.
  void feed_lists();

  // The sheet's and the form's typing stored; a price typed is kept.
  long onSave(FX::FXObject *, FX::FXSelector, void *);
  long onUstGruppe(FX::FXObject *, FX::FXSelector, void *);
  long onGruppen(FX::FXObject *, FX::FXSelector, void *);
  long onPreis(FX::FXObject *, FX::FXSelector, void *);
  long onSavePreis(FX::FXObject *, FX::FXSelector, void *);
  long onDeletePreis(FX::FXObject *, FX::FXSelector, void *);

  ART &get_art() { return art; }
  PREIS &get_preis() { return preis; }
  DBComboBox<ART> *get_artnr_combo() const { return artnr_combo; }
  DBComboBox<GRP_UST> *get_ust_combo() const { return ust_combo; }
  SpreadSheet *get_groups_sheet() const { return groups_sheet; }
  SpreadSheet *get_prices_sheet() const { return prices_sheet; }
};

#endif
