#ifndef KORVAN_ROOMS_EDITWIN_H
#define KORVAN_ROOMS_EDITWIN_H

// The room-layout editor: rooms are made, saved and deleted here, and the
// tables of the chosen room are placed by dragging their labels on a grid,
// renamed and resized. New and deleted tables reach the database at once,
// names, places and sizes with "Speichern"; everything stays in one open
// transaction until "Speichern" commits it or "Abbrechen" (or closing the
// window) rolls it back. After a roll-back the plan is read again, so that
// it never shows a table the database does not hold.

#include "gui/buttonbar.h"
#include "gui/combobox.h"
#include "gui/fixcomposite.h"
#include "gui/lang.h"
#include "rooms/naviwin.h"

class EditWin : public NaviWin
{
  FXDECLARE(EditWin)

public:
  enum {
    ID_SAVE_ROOM = 170,
    ID_DELETE_ROOM = 171,
    ID_NEW_ROOM = 172,
    ID_CANCEL = 173,
    ID_NEW_TABLE = 174,
    ID_DELETE_TABLE = 175,
    ID_TITLE = 176,
    ID_HEIGHT = 177,
    ID_WIDTH = 178,
    ID_APPLY = 179,
    ID_ROOM = 180,
  };

protected:
  Tools::ThemeTextField *title_field;
  Tools::ThemeTextField *height_field;
  Tools::ThemeTextField *width_field;
  BarButton *new_table_button;
  BarButton *apply_button;
  BarButton *delete_table_button;
  DBComboBox<LAYOUTK> *room_combo;
  int table_counter;
  bool editable;
  StaticText not_loaded;

  EditWin();
  // Whether a table of that name stands on the canvas.
  bool table_shown(const std::string &name);
  // The canvas again as the database holds it, after a roll-back.
  void reload_after_rollback();

public:
  EditWin(FX::FXWindow *owner, AppContext *mw);
  virtual ~EditWin();

  void enable_edit(bool on);
  void reset() override;
  long onSelect(FX::FXObject *, FX::FXSelector, void *) override;

  bool is_editable() const { return editable; }
  int get_table_counter() const { return table_counter; }
  DBComboBox<LAYOUTK> *get_room_combo() const { return room_combo; }
  Tools::ThemeTextField *get_title_field() const { return title_field; }
  Tools::ThemeTextField *get_height_field() const { return height_field; }
  Tools::ThemeTextField *get_width_field() const { return width_field; }
  BarButton *get_new_table_button() const { return new_table_button; }

  long onSaveRoom(FX::FXObject *, FX::FXSelector, void *);
  long onDeleteRoom(FX::FXObject *, FX::FXSelector, void *);
  long onNewRoom(FX::FXObject *, FX::FXSelector, void *);
  long onCancel(FX::FXObject *, FX::FXSelector, void *);
  long onNewTable(FX::FXObject *, FX::FXSelector, void *);
  long onDeleteTable(FX::FXObject *, FX::FXSelector, void *);
  long onApply(FX::FXObject *, FX::FXSelector, void *);
  long onRoom(FX::FXObject *, FX::FXSelector, void *);
  long onCloseEditor(FX::FXObject *, FX::FXSelector, void *);
};

#endif
