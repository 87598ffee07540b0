#ifndef KORVAN_GUI_SPREADSHEET_H
#define KORVAN_GUI_SPREADSHEET_H

// A table widget over the rows of one database table. The owner gives a
// column list once, then feeds the sheet with records of one
// type as often as it likes; the sheet keeps its own copy of each row's
// record. An editable sheet writes every row back whenever the current
// cell moves or it loses the focus, and offers a context menu whose
// entries become requests to the owner.

#include <iostream>
#include <list>
#include <string>
#include <vector>

#include "tools/widgets/fxcompat.h"
#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/ref.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
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

    explicit Content(const Tools::Ref<Tools::DBBindType> &r) : row(r), shown(r->get_names().size(), false) {}
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

  SpreadSheet();

  static bool is_hidden_title(const std::string &title) { return !title.empty() && title[0] == '\t'; }
  int visible_columns() const;
  Tools::Ref<Tools::Database> get_db();
  // The error message for `text`, with the database's error and statement.
  std::string db_error_message(const std::string &text);
  void show_error(const std::string &message);
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
  void read_cells();
  void save_changes(const std::string &idx_column);
  void dumpRows();

  const std::vector<std::string> &get_column_titles() const { return column_titles; }
  const std::vector<std::string> &get_db_columns() const { return db_columns; }
  const std::vector<Tools::Ref<Tools::DBBindType> > &get_templates() const { return templates; }
  int get_menu_row() const { return menu_row; }
  bool has_hidden_column() const { return hidden_column; }

  long onChanged(FX::FXObject *, FX::FXSelector, void *);
  long onFocusOut(FX::FXObject *, FX::FXSelector, void *);
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

  hidden_column = false;
  contents.clear();

  int n = select(table, where, tail, count_expression);

  int c = static_cast<int>(db_columns.size());
  if (!column_titles.empty() && is_hidden_title(column_titles[0])) {
    hidden_column = true;
    c -= 1;
  }
  setTableSize(n, c, FALSE);
  setRowHeaderMode(0);
  setHeaders();

  Tools::Ref<Tools::Database> db = get_db();
  std::vector<Tools::Ref<T> > rows;
  bool ok = Tools::select_rows<T>(*db, table, rows, where + tail) >= 0;
  if (!ok)
    TOOLS_LOG(Tools::format("select failed!\n%s\n%s", db->get_last_query(), db->get_error()));

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
