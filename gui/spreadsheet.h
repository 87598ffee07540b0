#ifndef KORVAN_GUI_SPREADSHEET_H
#define KORVAN_GUI_SPREADSHEET_H

// A table widget over the rows of one database table. The owner gives a
// column list once, then feeds the sheet with records of one
// type as often as it likes; the sheet keeps its own copy of each row's
// record. An editable sheet writes the rows changed in it back whenever
// the current cell moves, and when its window's "Ok" or "Speichern" asks
// for what the cells hold (store_typed), the cell being typed into
// included; leaving the sheet writes nothing, so that the window's
// "Abbrechen", Escape or its close box drop what was typed. It offers a
// context menu whose entries become requests to the owner.
//
// A write-back is one user action: it ends with its own commit, or with a
// roll-back when the database refuses a row. An action of the owner's that
// writes the pending rows first (a new membership, say) takes them into
// its own unit of work, which its one commit ends. A table outside
// transactions (LANG) needs neither, and the sheet sends neither there, so
// that it never ends what is open on the shared connection. A row with a text
// that its column cannot hold (too long, holding a NUL, or a character
// such as an emoji) is refused in words, naming the column, before
// anything is sent. A refused row shows what the database
// holds again, so that the next move does not ask the same question. When
// the database refuses a row, the other changed rows go with the next
// write-back. A row that another station has deleted meanwhile is said to
// be gone, and shows what it held again; so is every later write into it.
// A row the owner adds (add_row) is stored by the write-back once its
// required column holds a text; a stored row whose required text is
// emptied is refused in words.
// The owner hears of every row stored (SEL_REPLACED with the record).
// A click on a row's number in the row header chooses the row as a click
// on one of its cells does: the owner hears SEL_CHANGED with the row.
//
// A cell cannot show a TAB or a line end: they appear as \t and \n, and
// a backslash before such a sequence is doubled, so that every text comes
// back from its cell unchanged.

#include <iostream>
#include <list>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "tools/widgets/fxcompat.h"
#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/ref.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "schema/tables.h"
#include "gui/dberror.h"
#include "gui/lang.h"

class SpreadSheet : public FX::FXTable, public MultiLang, public CommonMsg
{
  FXDECLARE(SpreadSheet)

public:
  // One table row that holds a record.
  struct Content
  {
    Tools::Ref<Tools::DBBindType> row;
    // Per column of the record: shown in a visible cell of this row.
    std::vector<bool> shown;
    // The record's values as the database holds them (for a new row: as
    // the owner made it).
    std::vector<std::string> stored;
    // Not stored yet; `inserted`: its key once its INSERT ran.
    bool fresh = false;
    int inserted = 0;

    explicit Content(const Tools::Ref<Tools::DBBindType> &r)
        : row(r), shown(r->get_names().size(), false), stored(r->get_values())
    {
    }
    bool changed() const { return row->get_values() != stored; }
    // The record takes the stored values back.
    void restore();
  };

  // The data of every command the sheet sends to its owner. It lives on
  // the sender's stack for the duration of the call only.
  struct MenuRequest
  {
    enum { NEW = 0, FROM_TEMPLATE = 1, TEMPLATES = 2, DELETE = 3 };
    Tools::Ref<Tools::DBBindType> row;               // 1: the template, 3: the record to delete
    std::vector<Tools::Ref<Tools::DBBindType> > rows; // 2: the owner appends its templates
    std::string column;                              // 2: the column that labels each template
    int code;

    explicit MenuRequest(int c) : code(c) {}
  };

  enum {
    ID_SHEET = 89,
    ID_NEW = 90,
    ID_DELETE = 91,
    ID_TEMPLATE = 92, // template i has ID_TEMPLATE + i
    ID_TEMPLATE_LAST = 192,
  };
  static const int MAX_TEMPLATES = 100;

protected:
  std::list<Tools::Ref<Content> > contents;
  std::vector<std::string> column_titles;
  std::vector<std::string> db_columns;
  FX::FXObject *sheet_target;
  FX::FXSelector sheet_selector;
  int menu_row;
  std::vector<Tools::Ref<Tools::DBBindType> > templates;
  bool hidden_column;
  // Set while rows are written back: the error box of a failed write takes
  // the focus, and that must not start a second write.
  bool saving;
  // Whether the rows' table keeps transactions (set by every feed).
  bool transactional;
  // Columns whose texts are stored without blanks around them.
  std::set<std::string> trimmed_columns;
  // The column a row is not stored without (empty: none).
  std::string required_column;
  // A row written back that another station has deleted meanwhile.
  StaticText msg_row_gone;
  StaticText msg_text_required;

  SpreadSheet();

  static bool is_hidden_title(const std::string &title) { return !title.empty() && title[0] == '\t'; }
  int visible_columns() const;
  Tools::Ref<Tools::Database> get_db();
  // The rows now stored: their values are what the database holds, and
  // the owner hears of each.
  void store(const std::vector<Content *> &written);
  // The parts of a write-back. The rows whose texts cannot be stored show
  // what is stored again, said in one box; false then.
  bool refuse_unfit();
  // Whether the row has its required text, and whether a write-back sends
  // it (changed, or new and with its required text).
  bool named(const Content &content) const;
  bool to_write(const Content &content) const;
  // Writes each such row by the column at `p`; false after the first
  // refusal (said, rolled back).
  bool write_rows(std::size_t p, std::vector<Content *> &written);
  bool write_row(Content &content, std::size_t p, long &found);
  void refused_write(Content &content, int row_number, bool gone, const std::vector<Content *> &written);
  // Commits, then takes the rows as stored (new ones with their key at
  // `p`); false after a failure (said).
  bool end_write(std::size_t p, bool then_commit, const std::vector<Content *> &written);
  // The table column that shows the record column, or -1.
  int table_column(const std::string &column) const;
  // Fills the cells of table row i from its record.
  void fill_row(int i, Content &content);
  // Sizes every column to its title and values (once the fonts exist).
  void fit_columns();
  // The cells into the records and, when the sheet is editable, the
  // records into the database: on a change of cell and on leaving.
  void write_back();

public:
  void create() override;

protected:
  long forward(FX::FXSelType type, void *data);

public:
  SpreadSheet(FX::FXComposite *p, AppContext *context, FX::FXObject *tgt, FX::FXSelector sel, unsigned int opts);
  virtual ~SpreadSheet();

  void set_columns(const std::string &spec);
  template <class T>
  bool feed_table(const std::string &where, const std::string &tail, const std::string &count_expression);

  Tools::Ref<Tools::DBBindType> get_row(int n);
  std::vector<Tools::Ref<Tools::DBBindType> > get_selected_rows();
  bool is_row_selected(int row);

  int select(const std::string &table, const std::string &where, const std::string &tail,
             const std::string &count_expression);
  void setHeaders();
  virtual void setLangMode();
  void update_text() override { setLangMode(); }

  // Shows the amounts of that column of the filled sheet with two
  // decimals.
  void show_money(const std::string &column);
  // The cells' texts into the records, the cell being typed into included.
  void read_cells();
  // Writes the rows changed in the sheet back by their `idx_column` and
  // commits (see above). With `then_commit` false the rows go into the
  // caller's unit of work, which ends it and feeds the sheet again. False
  // when the database refused a row: said, and rolled back.
  bool save_changes(const std::string &idx_column, bool then_commit = true);
  // The texts typed into the column go without blanks around them (a name
  // that rows are told apart by).
  void trim_column(const std::string &column) { trimmed_columns.insert(column); }
  // A row is not stored without a text in the column.
  void require_column(const std::string &column) { required_column = column; }
  // A row for a record that is not stored yet, at the end, its required
  // cell current: the write-back inserts it once that cell holds a text.
  void add_row(const Tools::Ref<Tools::DBBindType> &record);
  // A new row with text typed but without its required one is refused in
  // words (it stays, its required cell current); false then.
  bool new_rows_named();
  // What the cells hold, the cell being typed into included, stored as a
  // move to another cell stores it: for the window's "Ok" or "Speichern".
  // False after a refusal (said).
  bool store_typed();
  void dumpRows();

  // A text as a cell shows it, and the text a cell's content stands for.
  static std::string cell_text(const std::string &text);
  static std::string from_cell_text(const std::string &cell);

  int get_menu_row() const { return menu_row; }

  long onChanged(FX::FXObject *, FX::FXSelector, void *);
  long onRowHeader(FX::FXObject *, FX::FXSelector, void *);
  long onKeyPress(FX::FXObject *, FX::FXSelector, void *);
  long onRightButton(FX::FXObject *, FX::FXSelector, void *);
  long onCmdNew(FX::FXObject *, FX::FXSelector, void *);
  long onCmdDelete(FX::FXObject *, FX::FXSelector, void *);
  long onCmdTemplate(FX::FXObject *, FX::FXSelector, void *);
};

static_assert(static_cast<int>(FX::FXTable::ID_LAST) <= static_cast<int>(SpreadSheet::ID_SHEET), "sheet ids collide with the toolkit's");

template <class T>
bool SpreadSheet::feed_table(const std::string &where, const std::string &tail, const std::string &count_expression)
{
  T blank;
  const std::string table = blank.get_name();
  // Tables that name no engine are created with the server's, which keeps
  // transactions.
  if constexpr (std::is_base_of<TableType, T>::value)
    transactional = blank.engine != TableType::MYISAM;
  else
    transactional = true;

  hidden_column = false;
  contents.clear();

  Tools::Ref<Tools::Database> db = get_db();
  std::optional<Tools::Database::Untransacted> outside;
  if (!transactional && db.try_get())
    outside.emplace(*db);
  int n = select(table, where, tail, count_expression);

  int c = static_cast<int>(db_columns.size());
  if (!column_titles.empty() && is_hidden_title(column_titles[0])) {
    hidden_column = true;
    c -= 1;
  }
  setTableSize(n, c, FALSE);
  setRowHeaderMode(0);
  setHeaders();

  std::vector<Tools::Ref<T> > rows;
  bool ok = Tools::select_rows<T>(*db, table, rows, where + tail) >= 0;
  if (!ok)
    DBError::list_failed(this, this, *db);

  // Rows added between counting and reading still get a table row.
  if (static_cast<int>(rows.size()) > getNumRows()) {
    setTableSize(static_cast<int>(rows.size()), c, FALSE);
    setHeaders();
  }

  int i = 0;
  for (const Tools::Ref<T> &read : rows) {
    T *copy = new T;
    *copy = *read;
    Tools::Ref<Content> content(new Content(Tools::Ref<Tools::DBBindType>(copy)));
    contents.push_back(content);
    fill_row(i, *content);
    ++i;
  }
  fit_columns();
  return ok;
}

#endif
