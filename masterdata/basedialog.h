#ifndef KORVAN_MASTERDATA_BASEDIALOG_H
#define KORVAN_MASTERDATA_BASEDIALOG_H

// The base of the master-data windows. Each edits one row at a time of a
// table with key, validity and history columns: the base builds the frame,
// the row of base fields, the tab book with the window's own page and the
// "History" page, and carries out the pattern every window follows: load
// by idx or by key, new, save as insert or update with a history stamp,
// delete, each change ending in commit or rollback.
//
// A row is identified by its key column together with its idx. A stored
// row keeps its key: saving it under another key is refused with a
// message, as is deleting a row that other tables still refer to. Such a
// row is retired instead by "Gültig:" NEIN; the lists here keep showing
// it, so that it can be made valid again.
//
// Keys go without the white space around them (Tools::trim_white) and
// compare without case. A name typed into the key field finds its row;
// when that is not the row the form showed (a new form after "Neu", say),
// the window says so, so that nobody changes a stored row believing it
// new. A name, an idx or a pick that names the row the form shows reads
// nothing: the form keeps what was typed, the key's new spelling included
// (which "Speichern" stores where nothing names the row). An idx that no
// row has is said so, and "Idx:" goes back to the row shown. A save or
// delete that finds its row gone (another station deleted it, or gave it
// another key, since it was loaded), an idx no row has or a name that is
// not the row shown is refused in words and rolled back; the form keeps
// what was typed. Rows stored under one
// key by an earlier version ("twins", which
// the upgrade names) are told apart by their idx: a twin may take a key
// of its own, and one that nothing refers to by its idx may be deleted.

#include <functional>
#include <string>
#include <vector>

#include "tools/widgets/fxcompat.h"
#include "tools/widgets/theme.h"
#include "gui/combobox.h"
#include "gui/dialog.h"
#include "gui/lang.h"
#include "gui/moneyfield.h"
#include "schema/tables.h"

class BaseDialog : public Dialog
{
  FXDECLARE(BaseDialog)

protected:
  FX::FXVerticalFrame *content_frame;
  Tools::ThemeVerticalFrame *main_page;
  Tools::ThemeVerticalFrame *history_page;
  BASE *record;
  ComboBox *idx_combo;
  FX::FXTabBook *tab_book;
  TabItem *main_tab;
  TabItem *history_tab;
  FX::FXString title;
  FX::FXString caption;
  // The column a row is found by besides its idx, and the list of its
  // values in the form (set by the derived window).
  std::string key_name;
  ComboBox *key_combo;
  // Writes the save's count and update statements to standard output.
  bool trace_save;
  // A new row may not take a key that a stored row has (the users check
  // their logins themselves).
  bool unique_key;

  // The window's own data-error messages (type "Message").
  StaticText msg_in_use;
  StaticText msg_reference_missing;
  StaticText msg_key_fixed;
  StaticText msg_key_taken;
  StaticText msg_key_empty;
  StaticText msg_busy_elsewhere;
  StaticText msg_has_lines;
  StaticText msg_mark_invalid;
  StaticText msg_found_stored;
  StaticText msg_found_twins;
  StaticText msg_save_changes_it;
  StaticText msg_twins_how;
  StaticText msg_key_invisible;
  // A write that finds its row no longer stored as the form had it.
  StaticText msg_row_gone;
  StaticText msg_nothing_saved;
  StaticText msg_nothing_deleted;
  // What an idx or a key names instead of the row shown.
  StaticText msg_no_such_idx;
  StaticText msg_key_not_shown;
  AmountRefusal amount_refusal;

  // The idx of the row the form was last read from; 0 for a new form.
  int shown_idx;

  // A row stored under a key: its idx and its key as stored.
  struct StoredKey
  {
    int idx;
    std::string key;
  };
  // What a failed statement left to report, read before anything else is
  // sent.
  using Failure = Tools::DBFailureReport;

  BaseDialog();

  // The key column's value of the record, as text.
  std::string key_text(const std::string &key_column) const;
  // The SQL condition that the key column holds `key` (trimmed as keys
  // are, compared as the table compares).
  static std::string key_is(const std::string &key_column, const std::string &key);
  // The rows stored under the key, by idx; false after a failure (not yet
  // reported).
  bool stored_under(const std::string &key, std::vector<StoredKey> &rows);
  // How many other rows share the key of the row stored under `idx` (its
  // twins); -1 after a failure (not yet reported).
  int twins_of(int idx);
  // The condition on order lines that name the row in the form by its
  // idx, or by its key without naming a twin of it by the twin's idx.
  std::string named_by_lines(const std::string &idx_column, const std::string &key_column) const;
  // Runs `work` with the foreign keys unchecked: only for a twin, whose
  // key the other twins still hold for every row that names it, after the
  // rows that name it by idx were seen to. False when it failed, with
  // what to report in `failure`.
  bool unchecked_by_key(const std::function<bool()> &work, Failure &failure);
  // The twin in the form takes its new key, and the rows that name it by
  // its idx take it too; false after a failure (reported).
  bool rename_twin();
  // The twin in the form is deleted when nothing names it by its idx;
  // false after a refusal or failure (reported).
  bool delete_twin();
  // Tells that a key typed or chosen found other than the row the form
  // showed, or found twins.
  void tell_found(const std::vector<StoredKey> &rows, bool replaced);

  // What a load did: failed or was refused (reported; the form keeps what
  // it showed), read nothing (the form keeps what was typed), or read a
  // row into the form.
  enum Load { LOAD_FAILED, LOAD_KEPT, LOAD_READ };
  // Load: the form's values into the record, then the row chosen by idx
  // (by_idx) or by the key (without white space around it) into it and
  // back into the form, the first of twins; nothing when that names the
  // row shown, or when no row has the key. `found`: the rows stored under
  // the key; `replaced`: a typed key brought another row into the form.
  Load load_record(bool by_idx, const std::string &key_column, std::vector<StoredKey> &found, bool &replaced);
  // The row of that idx read into the record: 1, or 0 when there is none
  // (the record then keeps what it held), -1 after a failure.
  int read_row(int idx);
  // "Idx:" named no row: said, and the field shows the row shown again.
  void no_row_under_idx();

  // Save: insert a record the table does not hold under its key and idx,
  // else update it (with its stamp); then the saved row is read again and
  // the work committed. The key goes without white space around it; an
  // empty one, and a new one holding a control or an invisible character
  // or reading as another row's key, are refused; a twin may take a new key
  // that no row has. `before_update` runs after the stamp of an update
  // and may stop the save by returning false (it reports why itself).
  // `trace` writes the count and update statements to standard output.
  // False when the save stopped; a database failure is reported.
  bool save_record(const std::string &key_column, const std::function<bool()> &before_update = {},
                   bool trace = false);
  // The parts of a save. The key in the form without the white space
  // around it, refused when empty, and the amounts and texts that cannot
  // be stored: false after refusing.
  bool save_ready(const std::string &key_column);
  // The rows a save finds, in one statement: under the key and idx (the row
  // to update), under the idx, and under the key. False after a failure
  // (not yet reported).
  struct SaveCounts
  {
    int same, by_idx, by_key;
  };
  bool count_for_save(const std::string &key_column, SaveCounts &counts);
  // A record no row holds under its key and idx: inserted, or, for a
  // twin, its new key given (`renamed`); the refusals said. False when the
  // save stops.
  bool insert_or_rename(const std::string &key_column, const SaveCounts &counts, bool &renamed);
  // Whether a new key may be stored: nothing invisible in it, and, where
  // keys are unique, no other row's key that reads as it. False after
  // refusing or a failure (reported).
  bool new_key_allowed(const std::string &key_column);
  // The record written over its row (stamp and all); false when the save
  // stops (said).
  bool update_record(const std::string &key_column, const std::function<bool()> &before_update, bool trace);
  // After the update (`where`) was refused because other rows name the
  // key: when the key differs from the stored one only by white space
  // around it, the row is updated again with its key as stored (`found`:
  // the rows that update found). False otherwise, with what to report in
  // `failure`: the refusal of the update, or the failure of a statement
  // of its own; another spelling (another case, say) stays refused.
  bool keeps_stored_key(const std::string &key_column, const std::string &where, long &found, Failure &failure);

  // Delete: `first` (when not empty) and then the row's own delete
  // statement; commit and reset on success, rollback and report on
  // failure.
  bool delete_record(const std::string &key_column, const std::string &first = std::string());

  // Ends the action whose statement failed with a roll-back, then reports
  // the failure: a known reason (the key was taken or is being stored by
  // another station meanwhile, the row is still referred to, or it refers
  // to a row that does not exist) as a data error in words, anything else
  // through the database error box.
  void report_db_failure();
  Failure last_failure();
  void report_db_failure(const Failure &failure);
  // The data-error box with one of the window's messages.
  void data_error(const char *message);
  // A write found its row gone (another station deleted it, or changed
  // what the write names it by): the unit of work is rolled back and the
  // refusal said, with `what_not` (nothing saved, nothing deleted).
  void row_gone(const StaticText &what_not);
  // A write by the form's key and idx found no row: said why (the row
  // shown was deleted or changed elsewhere, no row has the idx, or the key
  // in the form is not the row's under it), with `what_not`, after the
  // roll-back.
  void row_unmatched(const StaticText &what_not);
  // Refuses in words what the server would refuse or cut: a text of the
  // row that holds a NUL or is longer than its column. True when every
  // text fits.
  bool texts_fit(const Tools::DBBindType &row);
  // The key in the record, refused in words when it holds what no table
  // can (before it is looked up or deleted).
  bool key_fits();
  // Locks the stored row of `row` (by its idx) until the unit of work
  // ends: what names it is counted only then. False when that failed.
  bool lock_row(const BASE &row);
  // Whether stored order lines meet the condition (on BONLINE): then
  // `row`, which they name, is refused in words, with the hint how to mark
  // it not valid instead and what that does (`invalid_means`); true also
  // after a failure (reported). Otherwise `row` stays locked for its
  // delete, which ends the unit of work.
  bool has_lines(const BASE &row, const std::string &condition, const StaticText &invalid_means);
  // A text pasted from the clipboard or the selection that holds a NUL
  // would arrive cut at it: true after refusing it in words.
  bool refused_paste(FX::FXDNDOrigin origin);
  // Refuses in words a money field inside `area` (enabled ones only) that
  // holds no number or one too large, and puts the focus there.
  bool amounts_valid(FX::FXWindow *area);

  // The steps a window adds to the shared handlers.
  // The record emptied for a new row (the form is filled from it after).
  virtual void clear_record() {}
  // After a row was read into the record and the form.
  virtual void after_load() {}
  // A statement that must run before the row's own delete, or empty.
  virtual std::string delete_first() { return std::string(); }
  // Whether the row in the form may be deleted; says why not itself.
  virtual bool may_delete() { return true; }

  // The main page of a table with name, two descriptions and one amount:
  // the name list (`name_id`, with up to three display columns)
  // beside the "Neu" button, the descriptions and the amount under
  // `value_label`.
  template <class T>
  void build_name_form(T &rec, FX::FXSelector name_id, const std::string &spec1, const std::string &spec2,
                       const std::string &spec3, const char *value_label, Tools::DBTypeDouble &value);
  // A form's label, right-aligned in its cell of `grid`.
  void form_label(FX::FXComposite *grid, const char *text);
  // A label and a text field of `columns` characters (`opts` besides its
  // frame) in `grid`; with `gap`, an empty third cell after it.
  Tools::ThemeTextField *form_text(FX::FXComposite *grid, const char *label, int columns, FX::FXuint opts = 0,
                                   bool gap = false);
  // Delete, save and cancel (`cancel_id`) below the tab book.
  void build_button_bar(FX::FXSelector cancel_id, bool separator);

public:
  enum {
    ID_SELECT_IDX = Dialog::ID_LAST, // 68
    ID_NEW = 72,
    ID_SAVE = 73,
    ID_DELETE_ROW = 6, // the toolkit's delete command id, taken by this window's map
    ID_TEXT = 99,      // the text fields without a target of their own
  };

  BaseDialog(FX::FXWindow *owner, AppContext *main, const FX::FXString &title, const FX::FXString &caption,
             BASE *record, const char *key_name, FX::FXuint opts);
  virtual ~BaseDialog();

  // The row of base fields, the tab book and the history page, bound to
  // `rec` (the derived window's record); three display columns of
  // the "Idx:" list ("column" or "column|format", empty for none).
  template <class T>
  void build_base_fields(T &rec, const std::string &spec1, const std::string &spec2, const std::string &spec3);

  // Lists read again and an empty form; the derived windows add their own
  // lists.
  virtual void reset();
  void show() override;
  void show(FX::FXuint placement) override;
  // After a successful insert (idx < 0) or update: reset, then choose the
  // saved row in the "Idx:" list, which loads it again.
  void after_save(int &idx);

  // Load by idx (ID_SELECT_IDX) or else by key; an empty form; save;
  // discard the open work and close; delete the row in the form.
  long onSelect(FX::FXObject *, FX::FXSelector, void *);
  long onNew(FX::FXObject *, FX::FXSelector, void *);
  long onSave(FX::FXObject *, FX::FXSelector, void *);
  long onCancel(FX::FXObject *, FX::FXSelector, void *);
  long onDelete(FX::FXObject *, FX::FXSelector, void *);
  // Ctrl+V or Shift+Insert into a text field, and the middle button's
  // paste of the selection: a text holding a NUL is refused in words,
  // anything else is pasted.
  long onKeyPress(FX::FXObject *, FX::FXSelector, void *);
  long onMiddleRelease(FX::FXObject *, FX::FXSelector, void *);
  // Every text field without a target of its own offers its middle
  // button to the window first.
  void create() override;

  ComboBox *get_idx_combo() const { return idx_combo; }
  ComboBox *get_key_combo() const { return key_combo; }
  FX::FXTabBook *get_tab_book() const { return tab_book; }
  BASE *get_record() const { return record; }
};

static_assert(static_cast<int>(BaseDialog::ID_DELETE_ROW) == static_cast<int>(FX::FXWindow::ID_DELETE),
              "the delete button uses the toolkit's delete id");

#endif
