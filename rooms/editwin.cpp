#include "rooms/editwin.h"

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "gui/dberror.h"
#include "gui/messagebox.h"

using namespace FX;

FXDEFMAP(EditWin) EditWinMap[] = {
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_SAVE_ROOM, EditWin::onSaveRoom),
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_DELETE_ROOM, EditWin::onDeleteRoom),
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_NEW_ROOM, EditWin::onNewRoom),
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_CANCEL, EditWin::onCancel),
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_NEW_TABLE, EditWin::onNewTable),
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_DELETE_TABLE, EditWin::onDeleteTable),
    FXMAPFUNCS(SEL_COMMAND, EditWin::ID_TITLE, EditWin::ID_APPLY, EditWin::onApply),
    FXMAPFUNC(SEL_COMMAND, EditWin::ID_ROOM, EditWin::onRoom),
    FXMAPFUNC(SEL_CLOSE, 0, EditWin::onCloseEditor),
    FXMAPFUNC(SEL_COMMAND, Dialog::ID_CLOSE, EditWin::onCloseEditor),
};

FXIMPLEMENT(EditWin, NaviWin, EditWinMap, ARRAYNUMBER(EditWinMap))

EditWin::EditWin()
    : title_field(nullptr), height_field(nullptr), width_field(nullptr), new_table_button(nullptr),
      apply_button(nullptr), delete_table_button(nullptr), room_combo(nullptr), table_counter(1), editable(false),
      outdated(false)
{
}

EditWin::EditWin(FXWindow *owner, AppContext *mw)
    : NaviWin(owner, mw, "Editor", DECOR_ALL), title_field(nullptr), height_field(nullptr), width_field(nullptr),
      new_table_button(nullptr), apply_button(nullptr), delete_table_button(nullptr), room_combo(nullptr),
      table_counter(1), editable(false), outdated(false),
      not_saved(mw, "Message", "Der Raum wurde nicht gespeichert; die Änderungen stehen noch im Editor.")
{
  as_labels = true;

  FXVerticalFrame *all = new FXVerticalFrame(this, LAYOUT_FILL, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

  FXHorizontalFrame *top = new FXHorizontalFrame(all, LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  new Label(top, mw, "Raum:");
  room_combo = new DBComboBox<LAYOUTK>(top, mw, "name", this, ID_ROOM, 0);
  room_combo->set_order("name"); // the rooms by name, as they were always listed
  room_combo->fill();
  add_bind_var(static_cast<ComboBox *>(room_combo), &room.name.value);
  new BarButtonNew(top, mw, this, ID_NEW_ROOM, BUTTON_NORMAL | LAYOUT_RIGHT);

  new FXHorizontalSeparator(all, SEPARATOR_GROOVE | LAYOUT_FILL_X);

  FXHorizontalFrame *middle = new FXHorizontalFrame(all, LAYOUT_FILL, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  canvas = new FixComposite(middle, this, ID_CANVAS, FRAME_RIDGE | LAYOUT_FILL);
  canvas->set_edit_mode(true);
  new FXVerticalSeparator(middle, SEPARATOR_GROOVE | LAYOUT_FILL_Y);
  build_table_column(middle);

  new FXHorizontalSeparator(all, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  ButtonBar *bar = new ButtonBar(all, mw);
  bar->add_delete(this, ID_DELETE_ROOM);
  bar->add_save(this, ID_SAVE_ROOM, true);
  bar->add_cancel(this, ID_CANCEL, true);

  selected = nullptr;
  table_counter = 1;
  enable_edit(false);

  // The refusals of the plan, each under its German text, translatable
  // like every text the window shows.
  std::vector<const char *> words = {FloorPlan::CHOOSE_AGAIN};
  for (int o = FloorPlan::DONE; o <= FloorPlan::FAILED; ++o)
    if (*FloorPlan::text(FloorPlan::Outcome(o)))
      words.push_back(FloorPlan::text(FloorPlan::Outcome(o)));
  for (const char *german : words)
    refusals.emplace(std::piecewise_construct, std::forward_as_tuple(german),
                     std::forward_as_tuple(mw, "Message", german));
}

EditWin::~EditWin() {}

void EditWin::build_table_column(FXComposite *middle)
{
  // The column keeps its natural width: the plan takes the rest, so that
  // the size saved for the room is what the user sees.
  FXVerticalFrame *column = new FXVerticalFrame(middle, LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  new_table_button =
      new BarButton(column, context, "Neuer Tisch", "", this, ID_NEW_TABLE, BUTTON_NORMAL | LAYOUT_FILL_X);
  new FXHorizontalSeparator(column, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  FXMatrix *matrix = new FXMatrix(column, 2, MATRIX_BY_COLUMNS, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  new Label(matrix, context, "Titel:");
  title_field = new Tools::ThemeTextField(matrix, 10, this, ID_TITLE, FRAME_SUNKEN | TEXTFIELD_NORMAL);
  new Label(matrix, context, "Höhe:");
  height_field = new Tools::ThemeTextField(matrix, 10, this, ID_HEIGHT, FRAME_SUNKEN | TEXTFIELD_INTEGER);
  new Label(matrix, context, "Breite:");
  width_field = new Tools::ThemeTextField(matrix, 10, this, ID_WIDTH, FRAME_SUNKEN | TEXTFIELD_INTEGER);
  apply_button = new BarButton(column, context, "Verändern", "", this, ID_APPLY, BUTTON_NORMAL | LAYOUT_FILL_X);
  new FXHorizontalSeparator(column, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  delete_table_button =
      new BarButton(column, context, "Tisch Löschen", "", this, ID_DELETE_TABLE, BUTTON_NORMAL | LAYOUT_FILL_X);
}

void EditWin::enable_edit(bool on)
{
  editable = on;
  FXWindow *parts[] = {canvas, title_field, height_field, width_field, new_table_button, apply_button,
                       delete_table_button};
  for (FXWindow *w : parts) {
    if (!w)
      continue;
    if (on)
      w->enable();
    else
      w->disable();
  }
}

void EditWin::clear_fields()
{
  selected = nullptr;
  title_field->setText("", FALSE);
  height_field->setText("", FALSE);
  width_field->setText("", FALSE);
}

long EditWin::onRoom(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  if (!text_fits(room_combo, room.name.value))
    return 1;
  FloorPlan::Plan found;
  const int rows = FloorPlan(*get_db()).load(room.name.value, found);
  if (rows < 0) {
    db_error();
    return 1;
  }
  // The room loaded, named again (in another case, say): the plan stays as
  // it is, unsaved changes and the name as typed included, which
  // "Speichern" then stores; once a save found it changed elsewhere, it
  // is read anew, as the refusal says. Another room drops what was not
  // saved.
  if (rows > 0 && (int(found.room.idx) != int(loaded.room.idx) || outdated))
    show_loaded(found);
  if (rows > 0)
    return 1;
  // A name that no room has: the room loaded keeps its plan and takes the
  // name at "Speichern"; without one, a new room is begun under it.
  if (int(loaded.room.idx) == 0) {
    const std::string typed = room.name.value;
    room = LAYOUTK();
    room.name = typed;
    canvas->clear();
    enable_edit(false);
    clear_fields();
  }
  return 1;
}

void EditWin::show_loaded(const FloorPlan::Plan &plan)
{
  fit_room(plan.room);
  // A label without a stored size takes its natural one, which the
  // database does not hold: `loaded` keeps the tables as they were read.
  for (const LAYOUTP &table : plan.tables)
    place_label(table);
  vars_to_widgets();
  loaded = plan;
  outdated = false;
  enable_edit(true);
  clear_fields();
}

bool EditWin::fields_typed_into() const
{
  return selected && (title_field->getText() != selected->getText() ||
                      height_field->getText() != Tools::format("%d", selected->getHeight()).c_str() ||
                      width_field->getText() != Tools::format("%d", selected->getWidth()).c_str());
}

long EditWin::onSelect(FXObject *sender, FXSelector sel, void *data)
{
  // A title or size typed for the table chosen before goes to it, as
  // leaving its field does: the click on another table leaves the focus
  // in the field.
  if (fields_typed_into())
    onApply(nullptr, 0, nullptr);
  NaviWin::onSelect(sender, sel, data);
  if (selected) {
    title_field->setText(selected->getText(), FALSE);
    height_field->setText(Tools::format("%d", selected->getHeight()).c_str(), FALSE);
    width_field->setText(Tools::format("%d", selected->getWidth()).c_str(), FALSE);
    selected->setFrameStyle(FRAME_SUNKEN | FRAME_THICK);
  }
  return 1;
}

long EditWin::onApply(FXObject *, FXSelector, void *)
{
  if (!selected)
    return 0;
  selected->setText(title_field->getText());
  selected->setHeight(Tools::from_text<int>(std::string(height_field->getText().text()), 0));
  selected->setWidth(Tools::from_text<int>(std::string(width_field->getText().text()), 0));
  canvas->recalc();
  canvas->update();
  return 1;
}

bool EditWin::table_shown(const std::string &name)
{
  for (FixLabel *label : labels())
    if (Tools::same_name(Tools::fxcompat::whole(label->getText()), name))
      return true;
  return false;
}

long EditWin::onNewTable(FXObject *, FXSelector, void *)
{
  // Tables belong to a stored room; without one the row would point nowhere.
  if (int(room.idx) == 0)
    return 1;
  // Key 0 until "Speichern" stores it.
  LAYOUTP row;
  row.layout_idx = int(room.idx);
  // A number that a table of this room shows already is skipped.
  while (table_shown(Tools::format("Tisch %d", table_counter)))
    ++table_counter;
  row.label_name = Tools::format("Tisch %d", table_counter);
  ++table_counter;
  onSelect(nullptr, 0, static_cast<FXObject *>(place_label(row)));
  return 1;
}

long EditWin::onDeleteTable(FXObject *, FXSelector, void *)
{
  if (!selected)
    return 1;
  // Gone from the plan; the row goes with the next "Speichern".
  delete selected;
  clear_fields();
  canvas->recalc();
  canvas->layout();
  return 1;
}

std::vector<FixLabel *> EditWin::labels()
{
  std::vector<FixLabel *> all;
  for (FXWindow *child = canvas->getFirst(); child; child = child->getNext())
    if (FixLabel *label = dynamic_cast<FixLabel *>(child))
      all.push_back(label);
  return all;
}

FloorPlan::Plan EditWin::shown_plan()
{
  FloorPlan::Plan plan;
  plan.room = room;
  // The size the user sees is the room's.
  plan.room.width = canvas->getWidth();
  plan.room.height = canvas->getHeight();
  for (FixLabel *label : labels())
    plan.tables.push_back(label->get_record());
  return plan;
}

void EditWin::report(const FloorPlan::Result &result, const std::string &failed)
{
  if (result.outcome == FloorPlan::CHANGED_ELSEWHERE || result.outcome == FloorPlan::BUSY_ELSEWHERE)
    outdated = true;
  if (result.outcome == FloorPlan::FAILED) {
    DBError::report(this, *this, failed, result);
    return;
  }
  const FloorPlan::Words words = [this](const char *german) {
    if (std::string(german) == FloorPlan::ROOM_FIELD)
      return field_name(room_combo);
    if (std::string(german) == FloorPlan::TABLE_FIELD)
      return field_name(title_field);
    const auto found = refusals.find(german);
    return found == refusals.end() ? std::string(german) : found->second.str();
  };
  MessageBox::error(this, title_data_error.str(), result.text(words));
}

long EditWin::onSaveRoom(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  FloorPlan::Plan plan = shown_plan();
  const FloorPlan::Result result = FloorPlan(*get_db()).save(loaded, plan);
  // The names lose the blanks around them, saved or not; the plan stays
  // as the user made it otherwise.
  room.name = plan.room.name;
  const std::vector<FixLabel *> shown = labels();
  for (std::size_t i = 0; i < shown.size() && i < plan.tables.size(); ++i) {
    const std::string &name = plan.tables[i].label_name.value;
    if (name != Tools::fxcompat::whole(shown[i]->getText()))
      shown[i]->setText(FXString(name.data(), static_cast<FXint>(name.size())));
  }
  if (!result.done()) {
    report(result, not_saved.str());
    return 1;
  }

  // The plan on the screen is now what the database holds, new keys and
  // all.
  room = plan.room;
  for (std::size_t i = 0; i < shown.size() && i < plan.tables.size(); ++i)
    shown[i]->get_record() = plan.tables[i];
  loaded = plan;
  outdated = false;
  room_combo->fill();
  room_combo->setText(room.name.value.c_str());
  enable_edit(true);
  clear_fields();
  return 1;
}

long EditWin::onDeleteRoom(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  const FloorPlan::Result result = FloorPlan(*get_db()).remove(loaded, room.name.value);
  if (!result.done()) {
    // The plan on the screen stays as it is, unsaved changes included.
    report(result, DBError::TEXT);
    return 1;
  }
  reset();
  return 1;
}

void EditWin::reset()
{
  NaviWin::reset();
  room_combo->fill();
  onNewRoom(nullptr, 0, nullptr);
}

long EditWin::onNewRoom(FXObject *, FXSelector, void *)
{
  room = LAYOUTK();
  loaded = FloorPlan::Plan();
  outdated = false;
  vars_to_widgets();
  enable_edit(false);
  canvas->clear();
  clear_fields();
  return 1;
}

void EditWin::drop_changes()
{
  FloorPlan::Plan found;
  if (int(loaded.room.idx) == 0 || FloorPlan(*get_db()).load(int(loaded.room.idx), found) <= 0) {
    onNewRoom(nullptr, 0, nullptr);
    return;
  }
  show_loaded(found);
}

long EditWin::onCancel(FXObject *, FXSelector, void *)
{
  drop_changes();
  hide();
  return 1;
}

long EditWin::onCloseEditor(FXObject *sender, FXSelector sel, void *data)
{
  drop_changes();
  return Dialog::onClose(sender, sel, data);
}
