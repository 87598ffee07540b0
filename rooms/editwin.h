#ifndef KORVAN_ROOMS_EDITWIN_H
#define KORVAN_ROOMS_EDITWIN_H

// The room-layout editor: rooms are made, renamed, saved and deleted here,
// and the tables of the chosen room are added, placed by dragging their
// labels on a grid, renamed, resized and removed. All of it stays on the
// screen until "Speichern" hands the plan to FloorPlan, which checks it
// and writes the room and its tables in one transaction of its own; a
// save that fails keeps nothing and leaves the plan on the screen.
// "Abbrechen", closing the window and choosing another room drop what was
// not saved; the room shown, named again in "Raum:", keeps it (and the
// name as typed), unless a save found the room changed or held elsewhere
// since it was loaded: then choosing it again reads it anew. The editor itself holds no statement: the connection that
// all windows share never carries a change of its from one user action
// to the next.

#include <map>
#include <string>
#include <vector>

#include "gui/buttonbar.h"
#include "gui/combobox.h"
#include "gui/fixcomposite.h"
#include "gui/lang.h"
#include "rooms/floorplan.h"
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
  // The room and its tables as the database held them when the editor
  // loaded or last saved them (room key 0: none); a save writes only over
  // these.
  FloorPlan::Plan loaded;
  // A save or delete found `loaded` changed or held elsewhere.
  bool outdated;
  StaticText not_saved;
  // The words of the refusals, by their German text.
  std::map<std::string, StaticText> refusals;

  EditWin();
  // "Neuer Tisch", the selected table's fields, "Verändern" and "Tisch
  // Löschen", beside the plan.
  void build_table_column(FX::FXComposite *middle);
  // Whether a table of that name stands on the canvas.
  bool table_shown(const std::string &name);
  void clear_fields();
  // The fields hold what the table chosen does not show yet.
  bool fields_typed_into() const;
  // The labels of the tables, in the order they stand on the canvas.
  std::vector<FixLabel *> labels();
  // The room and the tables as the screen shows them.
  FloorPlan::Plan shown_plan();
  // Shows `plan`, read from or just written to the database, as the
  // room edited.
  void show_loaded(const FloorPlan::Plan &plan);
  // Shows a refusal in its words, or the failure with `failed` above
  // the database's words.
  void report(const FloorPlan::Result &result, const std::string &failed);
  // Shows the stored plan of the room loaded again, or an empty editor.
  void drop_changes();

public:
  EditWin(FX::FXWindow *owner, AppContext *mw);
  virtual ~EditWin();

  void enable_edit(bool on);
  void reset() override;
  long onSelect(FX::FXObject *, FX::FXSelector, void *) override;

  DBComboBox<LAYOUTK> *get_room_combo() const { return room_combo; }
  Tools::ThemeTextField *get_title_field() const { return title_field; }
  Tools::ThemeTextField *get_height_field() const { return height_field; }
  Tools::ThemeTextField *get_width_field() const { return width_field; }

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
