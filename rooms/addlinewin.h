#ifndef KORVAN_ROOMS_ADDLINEWIN_H
#define KORVAN_ROOMS_ADDLINEWIN_H
// The entry of one new order line: room and table, article group,
// article, price and quantity. Ok books the line once, through the order
// operations, which end their own unit of work; the dialog is accepted
// only when the line is stored.
#include <string>
#include "tools/widgets/fxcompat.h"
#include "schema/tables.h"
#include "gui/combobox.h"
#include "gui/dialog.h"
#include "gui/lang.h"
#include "rooms/orderrefusals.h"

class SpreadSheet;

class AddLineWin : public Dialog
{
  FXDECLARE(AddLineWin)
public:
  enum {
    ID_OK = 68,
    ID_CANCEL = 69,
    ID_ROOM = 70,
    ID_DESK = 71,
    ID_GRUPPE = 72,
    ID_ARTIKEL = 73,
    ID_PREIS = 74,
    ID_MENGE = 75,
  };

protected:
  LAYOUTK room;
  LAYOUTP table;
  DBComboBox<LAYOUTK> *room_combo;
  DBComboBox<LAYOUTP> *table_combo;
  SpreadSheet *groups;
  SpreadSheet *articles;
  SpreadSheet *prices;
  PREIS price;
  ART article;
  // The quantity typed in "Menge:".
  int anzahl;
  Tools::ThemeTextField *menge;
  StaticText quantity_prompt;
  OrderRefusals refusals;
  // Set once the line is stored: a second Ok must not store it again.
  bool inserted;

  AddLineWin();
  // The record of the sheet row that a SEL_CHANGED names, or an empty
  // handle.
  static Tools::Ref<Tools::DBBindType> chosen_row(SpreadSheet *sheet, void *data);
  // The table list: the tables of the room chosen.
  void fill_tables();

public:
  AddLineWin(FX::FXWindow *owner, AppContext &main, const LAYOUTK &room, const LAYOUTP &table);
  virtual ~AddLineWin();

  void feed_groups();
  void feed_articles(const std::string &where);
  void feed_prices(const std::string &where);

  const LAYOUTK &get_room() const { return room; }
  const LAYOUTP &get_table() const { return table; }
  DBComboBox<LAYOUTK> *get_room_combo() const { return room_combo; }
  DBComboBox<LAYOUTP> *get_table_combo() const { return table_combo; }
  SpreadSheet *get_groups() const { return groups; }
  SpreadSheet *get_articles() const { return articles; }
  SpreadSheet *get_prices() const { return prices; }
  Tools::ThemeTextField *get_menge() const { return menge; }

  long onOk(FX::FXObject *, FX::FXSelector, void *);
  long onCancel(FX::FXObject *, FX::FXSelector, void *);
  long onRoom(FX::FXObject *, FX::FXSelector, void *);
  long onDesk(FX::FXObject *, FX::FXSelector, void *);
  long onGruppe(FX::FXObject *, FX::FXSelector, void *);
  long onArtikel(FX::FXObject *, FX::FXSelector, void *);
  long onPreis(FX::FXObject *, FX::FXSelector, void *);
  long onMenge(FX::FXObject *, FX::FXSelector, void *);
};

#endif
