#include "masterdata/basedialog.h"

#include <algorithm>
#include <iostream>
#include <vector>

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "tools/dbi/secret.h"
#include "gui/messagebox.h"
#include "gui/buttonbar.h"
#include "gui/dberror.h"
#include "gui/moneyfield.h"

using namespace FX;

namespace {

// Every widget of class T inside the window, in widget order.
template <class T> void find_children(FXWindow *window, std::vector<T *> &found)
{
  for (FXWindow *child = window ? window->getFirst() : nullptr; child; child = child->getNext()) {
    if (T *t = dynamic_cast<T *>(child))
      found.push_back(t);
    find_children(child, found);
  }
}

template <class T> std::vector<T *> find_children(FXWindow *window)
{
  std::vector<T *> found;
  find_children(window, found);
  return found;
}

// The foreign keys unchecked on the connection that every window shares,
// for as long as the guard lives: checked again on every way out, before
// any other window sends a statement.
class UncheckedKeys
{
  Tools::Database &db;
  bool off;

public:
  explicit UncheckedKeys(Tools::Database &database)
      : db(database), off(!!database.exec("SET FOREIGN_KEY_CHECKS = 0"))
  {
  }
  ~UncheckedKeys() { restore(); }
  UncheckedKeys(const UncheckedKeys &) = delete;
  UncheckedKeys &operator=(const UncheckedKeys &) = delete;

  // Whether they are off.
  bool unchecked() const { return off; }
  // Checks them again; false when that failed (the connection lost: a new
  // one checks them).
  bool restore()
  {
    if (!off)
      return true;
    off = false;
    return !!db.exec("SET FOREIGN_KEY_CHECKS = 1");
  }
};

} // namespace

// The ids every record window shares; each window maps its own key list
// and cancel button (their ids differ) to onSelect and onCancel.
FXDEFMAP(BaseDialog) BaseDialogMap[] = {
    FXMAPFUNC(SEL_COMMAND, BaseDialog::ID_SELECT_IDX, BaseDialog::onSelect),
    FXMAPFUNC(SEL_COMMAND, BaseDialog::ID_NEW, BaseDialog::onNew),
    FXMAPFUNC(SEL_COMMAND, BaseDialog::ID_SAVE, BaseDialog::onSave),
    FXMAPFUNC(SEL_COMMAND, BaseDialog::ID_DELETE_ROW, BaseDialog::onDelete),
    FXMAPFUNC(SEL_KEYPRESS, 0, BaseDialog::onKeyPress),
    FXMAPTYPE(SEL_MIDDLEBUTTONRELEASE, BaseDialog::onMiddleRelease),
};

FXIMPLEMENT(BaseDialog, Dialog, BaseDialogMap, ARRAYNUMBER(BaseDialogMap))

BaseDialog::BaseDialog()
    : content_frame(nullptr), main_page(nullptr), history_page(nullptr), record(nullptr), idx_combo(nullptr),
      tab_book(nullptr), main_tab(nullptr), history_tab(nullptr), key_combo(nullptr), trace_save(false),
      unique_key(true), shown_idx(0)
{
}

BaseDialog::BaseDialog(FXWindow *owner, AppContext *main, const FXString &title_text, const FXString &caption_text,
                       BASE *rec, const char *key, FXuint opts)
    : Dialog(owner, main, title_text, opts, 0, 0), content_frame(nullptr), main_page(nullptr),
      history_page(nullptr), record(rec), idx_combo(nullptr), tab_book(nullptr), main_tab(nullptr),
      history_tab(nullptr), title(title_text), caption(caption_text), key_name(key), key_combo(nullptr),
      trace_save(false), unique_key(true),
      // Each text fits the translation table's column of 100 characters.
      msg_in_use(main, "Message",
                 "Der Eintrag wird an anderer Stelle noch verwendet und kann weder gelöscht noch umbenannt werden."),
      msg_reference_missing(main, "Message",
                            "Der Eintrag verweist auf einen, den es nicht gibt: bitte gültig auswählen und zuerst "
                            "speichern."),
      msg_key_fixed(main, "Message",
                    "Ein gespeicherter Eintrag behält seinen Namen. Für einen neuen bitte zuerst \"Neu\" wählen."),
      msg_key_taken(main, "Message", "Diesen Namen hat schon ein anderer Eintrag; bitte einen anderen wählen."),
      msg_key_empty(main, "Message", "Ohne einen Namen kann der Eintrag nicht gespeichert werden:"),
      msg_busy_elsewhere(main, "Message",
                         "Ein anderer Platz speichert gerade denselben Eintrag. Bitte gleich noch einmal versuchen."),
      msg_has_lines(main, "Message", "Bonierungen nennen diesen Eintrag; er kann nicht gelöscht werden."),
      msg_mark_invalid(main, "Message",
                       "Stattdessen \"Gültig:\" dieses Eintrags auf NEIN stellen und \"Speichern\" drücken."),
      msg_found_stored(main, "Message", "Unter diesem Namen ist schon ein Eintrag gespeichert; er wird jetzt gezeigt:"),
      msg_found_twins(main, "Message",
                      "Unter diesem Namen sind mehrere Einträge gespeichert; gezeigt wird der erste:"),
      msg_save_changes_it(main, "Message",
                          "\"Speichern\" ändert diesen Eintrag. Für einen neuen bitte \"Neu\" und einen anderen "
                          "Namen."),
      msg_twins_how(main, "Message",
                    "Jeden anderen unter \"Idx:\" wählen und unter einem eigenen Namen speichern oder löschen."),
      msg_key_invisible(main, "Message", "Ein Name kann keine unsichtbaren Zeichen oder Steuerzeichen enthalten:"),
      msg_row_gone(main, "Message", "Der Eintrag wurde inzwischen an einem anderen Platz gelöscht oder geändert."),
      msg_nothing_saved(main, "Message", "Es wurde nichts gespeichert."),
      msg_nothing_deleted(main, "Message", "Es wurde nichts gelöscht."),
      msg_no_such_idx(main, "Message", "Unter diesem Idx ist kein Eintrag gespeichert:"),
      msg_key_not_shown(main, "Message", "Der Name im Formular ist nicht der des Eintrags unter diesem Idx:"),
      amount_refusal(main), shown_idx(0)
{
  GroupBox *group = new GroupBox(this, main, caption, FRAME_RIDGE | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4,
                                 4, 4, 4, 4, 4);
  content_frame = new FXVerticalFrame(group, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
}

BaseDialog::~BaseDialog() {}

template <class T>
void BaseDialog::build_base_fields(T &rec, const std::string &spec1, const std::string &spec2,
                                   const std::string &spec3)
{
  const FXuint label_opts = JUSTIFY_RIGHT | LAYOUT_CENTER_Y;
  const FXuint field_opts = FRAME_SUNKEN | FRAME_THICK;

  Tools::ThemeHorizontalFrame *row =
      new Tools::ThemeHorizontalFrame(content_frame, FRAME_SUNKEN | LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

  new Label(row, context, "Idx:", nullptr, label_opts, 0, 0, 0, 0, 2, 2, 2, 2);
  DBComboBox<T> *idx = new DBComboBox<T>(row, context, "idx", this, ID_SELECT_IDX, 5, spec1, spec2, spec3);
  idx_combo = idx;
  idx->fill();
  add_bind_var(static_cast<ComboBox *>(idx), &rec.idx.value);

  new Label(row, context, "Gültig:", nullptr, label_opts, 0, 0, 0, 0, 2, 2, 2, 2);
  // JA or NEIN, stored by "Speichern" as every other field: marking a row
  // not valid is how one that order lines name is retired.
  DBComboBox<T> *valid = new DBComboBox<T>(row, context, "gueltig", nullptr, 0, 0);
  valid->fill();
  add_bind_var(static_cast<ComboBox *>(valid), &rec.gueltig.value);

  // Wide enough for a whole date and time.
  const int stamp_columns = 19;
  new Label(row, context, "Von:", nullptr, label_opts, 0, 0, 0, 0, 2, 2, 2, 2);
  Tools::ThemeTextField *from =
      new Tools::ThemeTextField(row, stamp_columns, nullptr, 0, field_opts, 0, 0, 0, 0, 2, 2, 2, 2);
  from->disable();
  add_bind_var(from, &rec.gueltig_von.value);
  new Label(row, context, "Bis:", nullptr, label_opts, 0, 0, 0, 0, 2, 2, 2, 2);
  Tools::ThemeTextField *to =
      new Tools::ThemeTextField(row, stamp_columns, nullptr, 0, field_opts, 0, 0, 0, 0, 2, 2, 2, 2);
  to->disable();
  add_bind_var(to, &rec.gueltig_bis.value);

  tab_book = new FXTabBook(content_frame, nullptr, 0, TABBOOK_NORMAL | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4,
                           4, 4, 4);
  main_tab = new TabItem(tab_book, context, caption, nullptr, TAB_TOP_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
  main_page = new Tools::ThemeVerticalFrame(tab_book, FRAME_RAISED, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  history_tab = new TabItem(tab_book, context, "History", nullptr, TAB_TOP_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
  history_page = new Tools::ThemeVerticalFrame(tab_book, FRAME_RAISED, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

  FXMatrix *matrix = new FXMatrix(history_page, 4, MATRIX_BY_COLUMNS, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  struct Stamp
  {
    const char *user_label;
    Tools::DBTypeVarChar *user;
    const char *time_label;
    Tools::DBTypeDateTime *time;
  };
  const Stamp stamps[] = {
      {"Anlegebenutzer:", &rec.hist_an_user, "Anlegezeit:", &rec.hist_an_zeit},
      {"Änderungsbenutzer:", &rec.hist_ae_user, "Änderungszeit:", &rec.hist_ae_zeit},
      {"Löschbenutzer:", &rec.hist_lo_user, "Löschzeit:", &rec.hist_lo_zeit},
  };
  for (const Stamp &s : stamps) {
    Tools::ThemeTextField *user = form_text(matrix, s.user_label, 20);
    user->disable();
    add_bind_var(user, &s.user->value);
    Tools::ThemeTextField *time = form_text(matrix, s.time_label, stamp_columns);
    time->disable();
    add_bind_var(time, &s.time->value);
  }
}

template void BaseDialog::build_base_fields<ART>(ART &, const std::string &, const std::string &, const std::string &);
template void BaseDialog::build_base_fields<USER>(USER &, const std::string &, const std::string &,
                                                  const std::string &);
template void BaseDialog::build_base_fields<GRP_UST>(GRP_UST &, const std::string &, const std::string &,
                                                     const std::string &);
template void BaseDialog::build_base_fields<SONST_ART>(SONST_ART &, const std::string &, const std::string &,
                                                       const std::string &);

template <class T>
void BaseDialog::build_name_form(T &rec, FXSelector name_id, const std::string &spec1, const std::string &spec2,
                                 const std::string &spec3, const char *value_label, Tools::DBTypeDouble &value)
{
  new FXHorizontalFrame(main_page, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
  FXMatrix *matrix = new FXMatrix(main_page, 3, MATRIX_BY_COLUMNS, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

  form_label(matrix, "Name:");
  DBComboBox<T> *names = new DBComboBox<T>(matrix, context, key_name, this, name_id, 0, spec1, spec2, spec3);
  key_combo = names;
  names->fill();
  new BarButtonNew(matrix, context, this, ID_NEW, BUTTON_NORMAL | LAYOUT_RIGHT);

  Tools::ThemeTextField *texts[2];
  for (Tools::ThemeTextField *&text : texts)
    text = form_text(matrix, "Bezeichung:", 50, 0, true);

  form_label(matrix, value_label);
  MoneyField *amount = new MoneyField(matrix, nullptr, 0, 15);

  add_bind_var(key_combo, &rec.name.value);
  add_bind_var(texts[0], &rec.bezeichnung.value);
  add_bind_var(texts[1], &rec.bezeichnung2.value);
  add_bind_var(amount, &value.value);
}

template void BaseDialog::build_name_form<GRP_UST>(GRP_UST &, FXSelector, const std::string &, const std::string &,
                                                   const std::string &, const char *, Tools::DBTypeDouble &);
template void BaseDialog::build_name_form<SONST_ART>(SONST_ART &, FXSelector, const std::string &,
                                                     const std::string &, const std::string &, const char *,
                                                     Tools::DBTypeDouble &);

void BaseDialog::form_label(FXComposite *grid, const char *text)
{
  new Label(grid, context, text, nullptr, JUSTIFY_RIGHT | LAYOUT_FILL_X | LAYOUT_CENTER_Y, 0, 0, 0, 0, 2, 2, 2, 2);
}

Tools::ThemeTextField *BaseDialog::form_text(FXComposite *grid, const char *label, int columns, FXuint opts, bool gap)
{
  form_label(grid, label);
  Tools::ThemeTextField *field =
      new Tools::ThemeTextField(grid, columns, nullptr, 0, FRAME_SUNKEN | FRAME_THICK | opts, 0, 0, 0, 0, 2, 2, 2, 2);
  if (gap)
    new FXFrame(grid, 0, 0, 0, 0, 0, 2, 2, 2, 2);
  return field;
}

void BaseDialog::build_button_bar(FXSelector cancel_id, bool separator)
{
  if (separator)
    new FXHorizontalSeparator(content_frame, SEPARATOR_GROOVE | LAYOUT_FILL_X, 0, 0, 0, 0, 1, 1, 0, 0);
  ButtonBar *bar = new ButtonBar(content_frame, context);
  bar->add_delete(this, ID_DELETE_ROW, false);
  bar->add_save(this, ID_SAVE, true);
  bar->add_cancel(this, cancel_id, true);
}

void BaseDialog::reset()
{
  if (idx_combo)
    idx_combo->fill();
  if (key_combo)
    key_combo->fill();
  onNew(nullptr, 0, nullptr);
}

long BaseDialog::onSelect(FXObject *, FXSelector sel, void *)
{
  std::vector<StoredKey> found;
  bool replaced = false;
  if (load_record(FXSELID(sel) == ID_SELECT_IDX, key_name, found, replaced) != LOAD_READ)
    return 1;
  after_load();
  // Said once the whole row is in the form.
  if (replaced || found.size() > 1)
    tell_found(found, replaced);
  return 1;
}

long BaseDialog::onNew(FXObject *, FXSelector, void *)
{
  clear_record();
  shown_idx = 0;
  vars_to_widgets();
  return 1;
}

long BaseDialog::onSave(FXObject *, FXSelector, void *)
{
  save_record(key_name, {}, trace_save);
  return 1;
}

long BaseDialog::onCancel(FXObject *sender, FXSelector sel, void *ptr)
{
  onNew(sender, sel, ptr);
  get_db()->rollback();
  hide();
  return 1;
}

long BaseDialog::onDelete(FXObject *, FXSelector, void *)
{
  // The form first: the statement run before the delete may read it.
  widgets_to_vars();
  if (key_fits() && may_delete())
    delete_record(key_name, delete_first());
  return 1;
}

long BaseDialog::onKeyPress(FXObject *sender, FXSelector sel, void *ptr)
{
  const FXEvent *event = static_cast<const FXEvent *>(ptr);
  const bool paste = event && (((event->code == KEY_v || event->code == KEY_V) && (event->state & CONTROLMASK)) ||
                               ((event->code == KEY_Insert || event->code == KEY_KP_Insert) && (event->state & SHIFTMASK)));
  FXWindow *focus = paste ? getFocus() : nullptr;
  while (focus && focus->getFocus())
    focus = focus->getFocus();
  if (dynamic_cast<FXTextField *>(focus) && refused_paste(FROM_CLIPBOARD))
    return 1;
  return Dialog::onKeyPress(sender, sel, ptr);
}

long BaseDialog::onMiddleRelease(FXObject *sender, FXSelector, void *)
{
  // Handled means not pasted: the field pastes only when this gives 0.
  const FXTextField *field = dynamic_cast<FXTextField *>(sender);
  const FXComboBox *combo = dynamic_cast<FXComboBox *>(sender);
  const bool pastes = field ? field->isEnabled() && field->isEditable()
                            : combo && combo->isEnabled() && combo->isEditable();
  return pastes && refused_paste(FROM_SELECTION);
}

bool BaseDialog::refused_paste(FXDNDOrigin origin)
{
  FXString pasted;
  if (!getDNDData(origin, utf8Type, pasted) && !getDNDData(origin, stringType, pasted))
    return false;
  const std::string text = Tools::fxcompat::whole(pasted);
  if (text.find('\0') == std::string::npos)
    return false;
  data_error(nul_refusal(text).c_str());
  return true;
}

void BaseDialog::create()
{
  // A combo box passes its field's middle button on to its own target.
  for (FXTextField *field : find_children<FXTextField>(this))
    if (!field->getTarget()) {
      field->setTarget(this);
      field->setSelector(ID_TEXT);
    }
  Dialog::create();
}

void BaseDialog::show() { Dialog::show(); }

void BaseDialog::show(FXuint placement)
{
  reset();
  Dialog::show(placement);
}

void BaseDialog::after_save(int &idx)
{
  reset();
  if (idx < 0)
    idx = get_db()->get_insert_id();
  if (idx_combo)
    idx_combo->select_key(Tools::to_text<int>(idx));
}

std::string BaseDialog::key_text(const std::string &key_column) const
{
  Tools::DBType *cell = record ? record->get_cell_by_name(key_column) : nullptr;
  return cell ? cell->format("%s") : std::string();
}

void BaseDialog::data_error(const char *message)
{
  // A text refused in words may be the password the user window is saving.
  MessageBox::error(this, title_data_error.str(), Tools::Secret::mask(message));
}

void BaseDialog::row_gone(const StaticText &what_not)
{
  get_db()->rollback();
  data_error(Tools::format("%s\n%s", msg_row_gone.str(), what_not.str()).c_str());
}

void BaseDialog::row_unmatched(const StaticText &what_not)
{
  const int idx = record->idx;
  // The key stored under the idx, read before the work is rolled back.
  Tools::Ref<Tools::Database> db = get_db();
  const Tools::DBErg<Tools::DBRowList> stored =
      db->exec(Tools::format("select %s from %s where idx = '%s'", key_name, record->get_name(), idx));
  db->rollback();
  std::string why;
  if (stored.ok && stored.rows.rows.size() == 1 && stored.rows.rows[0].size() == 1)
    why = Tools::format("%s\n%s: \"%s\" (Idx %s: \"%s\")", msg_key_not_shown.str(), field_name(key_combo),
                        key_text(key_name), idx, stored.rows.rows[0][0]);
  else if (idx != shown_idx)
    why = Tools::format("%s\n%s: %s", msg_no_such_idx.str(), field_name(idx_combo), idx);
  else
    why = msg_row_gone.str();
  data_error(Tools::format("%s\n%s", why, what_not.str()).c_str());
}

BaseDialog::Failure BaseDialog::last_failure()
{
  return get_db()->failure_report();
}

void BaseDialog::report_db_failure() { report_db_failure(last_failure()); }

void BaseDialog::report_db_failure(const Failure &failure)
{
  // A refused statement keeps locks (on the key it found taken, on the
  // rows it checked): the action ends here, before the box waits.
  get_db()->rollback();
  const StaticText *words = nullptr;
  // A key another station has just stored, or one it is storing and has
  // not yet committed (the wait is bounded); a foreign key that blocks
  // the change: a row still referred to, or a reference to a row that
  // does not exist.
  switch (failure.kind) {
  case Tools::DBFailure::DUPLICATE_KEY:
    words = &msg_key_taken;
    break;
  case Tools::DBFailure::LOCK_WAIT:
    words = &msg_busy_elsewhere;
    break;
  case Tools::DBFailure::ROW_REFERRED_TO:
    words = &msg_in_use;
    break;
  case Tools::DBFailure::ROW_MISSING:
    words = &msg_reference_missing;
    break;
  default:
    break;
  }
  if (!words) {
    DBError::report(this, *this, DBError::TEXT, failure);
    return;
  }
  TOOLS_LOG(Tools::format("%s\n%s", failure.error, failure.statement));
  data_error(*words);
}

std::string BaseDialog::key_is(const std::string &key_column, const std::string &key)
{
  return Tools::format("%s = '%s'", Tools::sql_trim_white(key_column), Tools::sql_escape(Tools::trim_white(key)));
}

bool BaseDialog::stored_under(const std::string &key, std::vector<StoredKey> &rows)
{
  Tools::DBErg<Tools::DBRowList> found = get_db()->exec(Tools::format(
      "select idx, %s from %s where %s order by idx", key_name, record->get_name(), key_is(key_name, key)));
  for (const std::vector<std::string> &row : found.rows.rows)
    if (row.size() == 2)
      rows.push_back(StoredKey{Tools::from_text<int>(row[0], 0), row[1]});
  return found.ok;
}

int BaseDialog::twins_of(int idx)
{
  const std::string table = record->get_name();
  Tools::DBTypeInt twins;
  Tools::DBTypeList fields;
  fields.add(&twins);
  const std::string sql = Tools::format("select count(*) from %s a join %s b on ", table, table) +
                          Tools::sql_trim_white("a." + key_name) + " = " + Tools::sql_trim_white("b." + key_name) +
                          Tools::format(" where a.idx = '%s' and b.idx <> a.idx", idx);
  return Tools::select_values(*get_db(), sql, fields) < 0 ? -1 : static_cast<int>(twins);
}

std::string BaseDialog::named_by_lines(const std::string &idx_column, const std::string &key_column) const
{
  const int idx = record->idx;
  const std::string key = Tools::sql_escape(key_text(key_name));
  std::string condition = Tools::format("%s = '%s'", idx_column, idx);
  // Lines that name the key without an idx (or with one of a row that is
  // gone) name this row; those that name a twin by its idx do not.
  if (!key.empty())
    condition += Tools::format(" or (%s = '%s' and %s not in (select idx from %s where idx <> '%s'))", key_column, key,
                               idx_column, record->get_name(), idx);
  return condition;
}

bool BaseDialog::unchecked_by_key(const std::function<bool()> &work, Failure &failure)
{
  Tools::Ref<Tools::Database> db = get_db();
  UncheckedKeys keys(*db);
  bool ok = keys.unchecked() && work();
  // Read before the checks are switched on again, which is a statement of
  // its own.
  if (!ok)
    failure = last_failure();
  if (!keys.restore() && ok) {
    ok = false;
    failure = last_failure();
  }
  return ok;
}

bool BaseDialog::rename_twin()
{
  Tools::Ref<Tools::Database> db = get_db();
  const int idx = record->idx;
  const std::string table = record->get_name(), key = Tools::sql_escape(key_text(key_name));
  Failure failure{};
  // The new key is another than the stored one (else the row would be
  // saved as it is): the update changes the row whenever it finds it.
  bool found = false;
  const bool ok = unchecked_by_key(
      [&] {
        const Tools::DBErg<Tools::DBRowList> renamed =
            db->exec(Tools::format("update %s set %s = '%s' where idx = '%s'", table, key_name, key, idx));
        if (!renamed)
          return false;
        found = renamed.affected > 0;
        if (!found)
          return true;
        // What names the row by its idx follows it to its new key.
        for (const RowReference &by : references_to(table, key_name))
          if (!by.key_column.empty() &&
              !db->exec(Tools::format("update %s set %s = '%s' where %s = '%s'", by.table, by.key_column, key,
                                      by.idx_column, idx)))
            return false;
        return true;
      },
      failure);
  if (!ok)
    report_db_failure(failure);
  else if (!found)
    row_gone(msg_nothing_saved);
  return ok && found;
}

bool BaseDialog::delete_twin()
{
  Tools::Ref<Tools::Database> db = get_db();
  const int idx = record->idx;
  const std::string table = record->get_name();
  // Rows that name this twin by its idx keep it, as the database would.
  // The twin is locked before they are counted: a station that stores a
  // row naming it meanwhile holds it until its commit, and is counted
  // then; one that comes later finds it gone (its key check waits for
  // this delete, unchecked as it is here).
  if (!lock_row(*record)) {
    report_db_failure();
    return false;
  }
  for (const RowReference &by : references_to(table, key_name)) {
    Tools::DBTypeInt rows;
    Tools::DBTypeList fields;
    fields.add(&rows);
    if (Tools::select_values(*db, Tools::format("select count(*) from %s where %s = '%s'", by.table, by.idx_column, idx),
                             fields) < 0) {
      report_db_failure();
      return false;
    }
    if (rows > 0) {
      db->rollback();
      data_error(msg_in_use);
      return false;
    }
  }
  Failure failure{};
  long deleted = 0;
  const bool ok = unchecked_by_key(
      [&] {
        const Tools::DBErg<Tools::DBRowList> done = db->exec(Tools::format(
            "delete from %s where %s = '%s' and idx = '%s'", table, key_name, Tools::sql_escape(key_text(key_name)), idx));
        deleted = done.affected;
        return done.ok;
      },
      failure);
  if (!ok)
    report_db_failure(failure);
  else if (deleted == 0)
    row_gone(msg_nothing_deleted);
  return ok && deleted > 0;
}

void BaseDialog::tell_found(const std::vector<StoredKey> &rows, bool replaced)
{
  std::string keys;
  for (const StoredKey &row : rows)
    keys += Tools::format("%s\"%s\" (Idx %s)", keys.empty() ? "" : ", ", row.key, row.idx);
  std::string text = Tools::format("%s\n%s: %s", (rows.size() > 1 ? msg_found_twins : msg_found_stored).str(),
                                   field_name(key_combo), keys);
  if (replaced)
    text += "\n" + msg_save_changes_it.str();
  if (rows.size() > 1)
    text += "\n" + msg_twins_how.str();
  MessageBox::information(this, title_info.str(), text);
}

BaseDialog::Load BaseDialog::load_record(bool by_idx, const std::string &key_column, std::vector<StoredKey> &found,
                                         bool &replaced)
{
  const bool picked = key_combo && key_combo->is_picking();
  widgets_to_vars();
  int idx = record->idx;
  if (by_idx && idx == shown_idx)
    return LOAD_KEPT;
  if (!by_idx) {
    Tools::DBType *key = record->get_cell_by_name(key_column);
    if (key)
      key->from_string(Tools::trim_white(key->to_string()));
    if (!key_fits())
      return LOAD_FAILED;
    if (!stored_under(key_text(key_column), found)) {
      db_error();
      return LOAD_FAILED;
    }
    // No row of that key (a new row's, or a new one for the row shown), or
    // the row shown under another spelling of its key: nothing to read.
    const bool names_shown = std::any_of(found.begin(), found.end(),
                                         [this](const StoredKey &row) { return row.idx == shown_idx; });
    if (found.empty() || names_shown)
      return LOAD_KEPT;
    idx = found.front().idx;
  }
  const int rows = read_row(idx);
  if (rows < 0) {
    db_error();
    return LOAD_FAILED;
  }
  if (rows == 0) {
    if (by_idx)
      no_row_under_idx();
    return by_idx ? LOAD_FAILED : LOAD_KEPT;
  }
  vars_to_widgets();
  // A typed name that brings another stored row into the form (a new
  // form's, say) would have the next "Speichern" change that row.
  replaced = !by_idx && !picked && idx != shown_idx;
  shown_idx = idx;
  return LOAD_READ;
}

int BaseDialog::read_row(int idx)
{
  Tools::DBBindList list;
  list.add(record);
  const std::string table = record->get_name();
  return Tools::select_objects(*get_db(), Tools::format("select %%%s from %s where idx = '%s'", table, table, idx),
                               list);
}

void BaseDialog::no_row_under_idx()
{
  // The form keeps the row shown, under its own idx; an emptied field
  // names no idx and just goes back.
  const std::string typed = Tools::trim_white(Tools::fxcompat::whole(idx_combo->getText()));
  record->idx = shown_idx;
  idx_combo->setText(Tools::to_text<int>(shown_idx).c_str());
  if (!typed.empty())
    data_error(Tools::format("%s\n%s: %s", msg_no_such_idx.str(), field_name(idx_combo), typed).c_str());
}

bool BaseDialog::key_fits() { return text_fits(key_combo, key_text(key_name)); }

bool BaseDialog::lock_row(const BASE &row)
{
  const std::string sql =
      Tools::format("select idx from %s where idx = '%s'", row.get_name(), static_cast<int>(row.idx));
  return !!get_db()->exec(sql + Tools::Database::FOR_UPDATE);
}

bool BaseDialog::has_lines(const BASE &row, const std::string &condition, const StaticText &invalid_means)
{
  Tools::Ref<Tools::Database> db = get_db();
  // The row is locked before its lines are counted: a station booking or
  // paying with it meanwhile holds it until its line is committed, and is
  // counted then; one that comes later waits for the delete and finds
  // the row gone.
  Tools::DBTypeInt lines;
  Tools::DBTypeList fields;
  fields.add(&lines);
  if (!lock_row(row) || Tools::select_values(*db, "select count(*) from BONLINE where " + condition, fields) < 0) {
    report_db_failure();
    return true;
  }
  if (lines > 0) {
    db->rollback();
    data_error(
        Tools::format("%s\n%s\n%s", msg_has_lines.str(), msg_mark_invalid.str(), invalid_means.str()).c_str());
  }
  return lines > 0;
}

bool BaseDialog::texts_fit(const Tools::DBBindType &row)
{
  const std::string refusal =
      text_refusal(row, [this](const Tools::DBTypeVarChar &column) { return field_name(bound_widget(&column.value)); });
  if (!refusal.empty())
    data_error(refusal.c_str());
  return refusal.empty();
}

bool BaseDialog::amounts_valid(FXWindow *area)
{
  std::vector<MoneyField *> enabled;
  for (MoneyField *field : find_children<MoneyField>(area))
    if (field->isEnabled())
      enabled.push_back(field);
  return amount_refusal.amounts_valid(this, title_data_error, enabled);
}

bool BaseDialog::save_record(const std::string &key_column, const std::function<bool()> &before_update, bool trace)
{
  widgets_to_vars();
  if (!save_ready(key_column))
    return false;
  Tools::Ref<Tools::Database> db = get_db();
  // A failure ends the save with a roll-back (of its own statements and
  // the locks a refused one keeps).
  SaveCounts counts{};
  if (!count_for_save(key_column, counts)) {
    report_db_failure();
    return false;
  }
  if (trace)
    std::cout << db->get_last_query() << std::endl;
  bool update = counts.same >= 1;
  if (!update && !insert_or_rename(key_column, counts, update))
    return false;
  if (update && !update_record(key_column, before_update, trace))
    return false;
  int saved = update ? static_cast<int>(record->idx) : db->get_insert_id();
  // The unit of work ends before the window reads anything again: a read
  // that fails then cannot hide whether the save was stored.
  if (!db->commit()) {
    report_db_failure();
    return false;
  }
  after_save(saved);
  return true;
}

bool BaseDialog::save_ready(const std::string &key_column)
{
  // The key is stored, compared and shown without white space around it:
  // a blank more would make a second, look-alike row.
  if (Tools::DBType *key_cell = record->get_cell_by_name(key_column)) {
    const std::string key = Tools::trim_white(key_cell->to_string());
    if (key != key_cell->to_string()) {
      key_cell->from_string(key);
      key_combo->setText(FXString(key.c_str(), static_cast<FXint>(key.size())));
    }
    if (key.empty()) {
      data_error(Tools::format("%s\n%s", msg_key_empty.str(), field_name(key_combo)).c_str());
      key_combo->setFocus();
      return false;
    }
  }
  return amounts_valid(main_page) && texts_fit(*record);
}

bool BaseDialog::count_for_save(const std::string &key_column, SaveCounts &counts)
{
  // In one statement: the rows under this key and idx (the row to
  // update), under this idx (the row stored under another key: renaming
  // it would orphan what refers to the old one) and under this key (a
  // second row would make the key name two rows). A row stored with
  // white space around its key, before it was taken away, counts as
  // well, and its update stores the key without it.
  const std::string key_matches = key_is(key_column, key_text(key_column));
  const std::string idx_is = Tools::format("idx = '%s'", static_cast<int>(record->idx));
  Tools::DBTypeInt same, by_idx, by_key;
  Tools::DBTypeList fields;
  fields.add(&same).add(&by_idx).add(&by_key);
  const std::string select = Tools::format("count(if(%s and %s, 1, null)), count(if(%s, 1, null)), "
                                           "count(if(%s, 1, null))",
                                           key_matches, idx_is, idx_is, key_matches);
  if (Tools::select_values(*get_db(),
                           Tools::format("select %s from %s where %s or %s", select, record->get_name(), key_matches,
                                         idx_is),
                           fields) < 0)
    return false;
  counts = SaveCounts{same, by_idx, by_key};
  return true;
}

bool BaseDialog::insert_or_rename(const std::string &key_column, const SaveCounts &counts, bool &renamed)
{
  const int idx = record->idx;
  // The row the form was loaded from is no longer stored (saving would
  // bring back what another station deleted), or no row has the idx.
  if (idx != 0 && counts.by_idx == 0) {
    row_unmatched(msg_nothing_saved);
    return false;
  }
  // A stored row keeps its key, unless it is one of twins: then it takes
  // the new one, which no row may have.
  const int twins = counts.by_idx > 0 && unique_key ? twins_of(idx) : 0;
  if (twins < 0) {
    report_db_failure();
    return false;
  }
  if (counts.by_idx > 0 && twins == 0) {
    data_error(msg_key_fixed);
    return false;
  }
  if (unique_key && counts.by_key > 0) {
    data_error(msg_key_taken);
    return false;
  }
  if (!new_key_allowed(key_column))
    return false;
  if (counts.by_idx > 0)
    return renamed = rename_twin();
  set_history(*record, 0);
  if (!Tools::insert_object(*get_db(), *record)) {
    report_db_failure();
    return false;
  }
  return true;
}

bool BaseDialog::new_key_allowed(const std::string &key_column)
{
  // A new key shows what it holds: nothing invisible makes it another.
  const std::string key = key_text(key_column);
  if (Tools::invisible_at(key) != std::string::npos) {
    data_error(
        Tools::format("%s\n%s: %s", msg_key_invisible.str(), field_name(key_combo), Tools::invisible_shown(key)).c_str());
    key_combo->setFocus();
    return false;
  }
  // Nor does a blank of another kind make it another ("Helles Bier" with
  // a no-break space), nor another case.
  if (!unique_key)
    return true;
  Tools::DBTypeInt alike;
  Tools::DBTypeList counted;
  counted.add(&alike);
  if (Tools::select_values(*get_db(),
                           Tools::format("select count(*) from %s where %s and idx <> '%s'", record->get_name(),
                                         Tools::sql_same_name(key_column, key), static_cast<int>(record->idx)),
                           counted) < 0) {
    report_db_failure();
    return false;
  }
  if (alike > 0) {
    data_error(msg_key_taken);
    return false;
  }
  return true;
}

bool BaseDialog::update_record(const std::string &key_column, const std::function<bool()> &before_update, bool trace)
{
  if (before_update && !before_update())
    return false;
  set_history(*record, 1);
  const std::string where =
      Tools::format("where %s and idx = '%s' ", key_is(key_column, key_text(key_column)), static_cast<int>(record->idx));
  // Found, not changed: saved again with the values it holds, the row is
  // found all the same.
  long found = 0;
  Failure failure{};
  Tools::Ref<Tools::Database> db = get_db();
  if (!Tools::update_object(*db, *record, where, &found) && !keeps_stored_key(key_column, where, found, failure)) {
    report_db_failure(failure);
    return false;
  }
  // Deleted by another station since the count.
  if (found == 0) {
    row_gone(msg_nothing_saved);
    return false;
  }
  if (trace)
    std::cout << "here: " << record->gueltig.format("%s") << "\n" << db->get_last_query() << std::endl;
  return true;
}

bool BaseDialog::keeps_stored_key(const std::string &key_column, const std::string &where, long &found,
                                  Failure &failure)
{
  // Only a row whose key an older version stored with white space around
  // it, which rows of other tables name so: the server refuses to change
  // the key under them. The key stays as stored, and the rest of the form
  // is saved. Any other spelling (another case: the rows would name the
  // row in a spelling it no longer has) stays refused, with the words of
  // the refusal: the statements here succeed and would replace it.
  failure = last_failure();
  Tools::Ref<Tools::Database> db = get_db();
  Tools::DBType *key = record->get_cell_by_name(key_column);
  if (!key || failure.kind != Tools::DBFailure::ROW_REFERRED_TO)
    return false;
  const Tools::DBErg<Tools::DBRowList> stored = db->exec(Tools::format(
      "select %s from %s where idx = '%s'", key_column, record->get_name(), static_cast<int>(record->idx)));
  if (!stored) {
    failure = last_failure();
    return false;
  }
  if (stored.rows.rows.size() != 1 || stored.rows.rows[0].size() != 1)
    return false;
  const std::string as_stored = stored.rows.rows[0][0];
  if (as_stored == key->to_string() || Tools::trim_white(as_stored) != key->to_string())
    return false;
  key->from_string(as_stored);
  if (Tools::update_object(*db, *record, where, &found))
    return true;
  failure = last_failure();
  return false;
}

bool BaseDialog::delete_record(const std::string &key_column, const std::string &first)
{
  Tools::Ref<Tools::Database> db = get_db();
  const std::string table = record->get_name();
  if (!first.empty() && !db->exec(first)) {
    report_db_failure();
    return false;
  }
  // A twin's key is held for what names it by the other twins as well.
  const int twins = record->idx != 0 ? twins_of(record->idx) : 0;
  if (twins < 0) {
    report_db_failure();
    return false;
  }
  if (twins > 0) {
    if (!delete_twin())
      return false;
  } else {
    const Tools::DBErg<Tools::DBRowList> deleted =
        db->exec(Tools::format("delete from %s where %s = '%s' and idx = '%s'", table, key_column,
                               Tools::sql_escape(key_text(key_column)), static_cast<int>(record->idx)));
    if (!deleted) {
      report_db_failure();
      return false;
    }
    // An empty form names no row: deleting nothing is all it asks for.
    // A loaded row that is no longer stored under its key and idx is
    // said to be gone (or the idx or the key to be another row's, or
    // none), and nothing deleted before it stays deleted.
    if (deleted.affected == 0 && record->idx != 0) {
      row_unmatched(msg_nothing_deleted);
      return false;
    }
  }
  if (!db->commit()) {
    report_db_failure();
    return false;
  }
  reset();
  return true;
}
