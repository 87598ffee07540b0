#ifndef KORVAN_ROOMS_EDITWIN_H
#define KORVAN_ROOMS_EDITWIN_H

// The room-layout editor: rooms are made, renamed, saved and deleted here,
// and the tables of the chosen room are added, placed by dragging their
// labels on a grid, renamed, resized and removed. All of it stays on the
// screen until "Speichern" checks the plan and writes the room and its
// tables in one transaction of its own; a save that fails keeps nothing
// and leaves the plan on the screen. "Abbrechen", closing the window and
// choosing another room drop what was not saved. The connection that all
// windows share never carries a change of the editor's from one user
// action to the next.

#include <map>
#include <string>
#include <vector>

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
  // The room and its tables, by key, as the database held them when the
  // editor loaded or last saved them (key 0: none): a save writes only
  // over these.
  LAYOUTK stored;
  std::map<int, LAYOUTP> stored_tables;
  // The keys of stored tables removed from the plan since then.
  std::vector<int> removed;
  StaticText not_loaded;
  StaticText room_name_taken;
  StaticText table_name_taken;
  StaticText table_name_missing;
  StaticText name_too_long;
  StaticText size_too_small;
  StaticText outside_room;
  StaticText not_saved;
  StaticText room_has_lines;
  StaticText table_has_lines;
  StaticText table_keeps_lines;
  StaticText room_keeps_lines;
  StaticText changed_elsewhere;
  StaticText busy_elsewhere;
  StaticText choose_again;

  EditWin();
  // Whether a table of that name stands on the canvas.
  bool table_shown(const std::string &name);
  void clear_fields();
  // The names of the room and the tables without the blanks around them,
  // as they are stored and compared.
  void trim_names();
  // Why the plan on the screen cannot be stored, in words; empty when it
  // can.
  std::string plan_refusal();
  // Locks the loaded room and its tables until the save ends; false, with
  // the words in `refusal`, when another station changed, added or
  // deleted one since they were loaded or holds them still. False without
  // words when the read failed.
  bool lock_as_loaded(Tools::Database &db, std::string &refusal);
  // The number a counting statement gives; -1 when it failed.
  int count(Tools::Database &db, const std::string &sql);
  // Writes the room, the removed tables and the tables on the canvas and
  // commits; false at the first statement that fails. New rows get their
  // keys; the labels of tables inserted are added to `inserted`. A room
  // or table that order lines keep as it was stored sets `refusal`, in
  // words.
  bool write_plan(Tools::Database &db, std::vector<FixLabel *> &inserted, std::string &refusal);
  // Rolls the failed action back and shows why it was refused.
  void refuse_rolled_back(const std::string &refusal);
  // Makes `found`, read from the database, the room edited.
  void load(const LAYOUTK &found);
  // The room is what the database holds; so are the tables when they
  // were just written, else addLabel has kept them as they were read.
  void take_as_stored(bool tables_written);
  // Shows the stored plan of the room loaded again, or an empty editor.
  void drop_changes();

public:
  EditWin(FX::FXWindow *owner, AppContext *mw);
  virtual ~EditWin();

  void enable_edit(bool on);
  void reset() override;
  // Keeps the table as it was read, for the check at the next save.
  FixLabel *addLabel(Tools::Ref<LAYOUTP> row) override;
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
