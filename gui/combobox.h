#ifndef KORVAN_GUI_COMBOBOX_H
#define KORVAN_GUI_COMBOBOX_H

// Combo boxes whose items carry a key beside their visible text. The list
// shows the texts; a pick puts the item's key into the field, and the key
// is what windows and bindings read.

#include <iostream>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "tools/widgets/fxcompat.h"
#include "tools/widgets/theme.h"
#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/ref.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "gui/appcontext.h"
#include "gui/dberror.h"
#include "gui/lang.h"

class ComboBox : public Tools::ThemeComboBox
{
  FXDECLARE(ComboBox)

protected:
  AppContext *context;
  // One key per list item, in item order; each item's data points at its
  // key, which a list keeps in place while more are appended.
  std::list<std::string> item_keys;
  std::string where_clause;
  std::string order_clause;
  // While the target hears of a pick (not of a text typed into the field).
  bool picking;

  ComboBox();
  // Makes item `index` current and shows it the way a pick from the list
  // does (its key in the field), and tells the target.
  void pick(FX::FXint index);

public:
  ComboBox(FX::FXComposite *p, AppContext *context, FX::FXObject *tgt, FX::FXSelector sel, int cols);
  virtual ~ComboBox();

  void layout() override;
  // Reloads the items; plain boxes have nothing to load.
  virtual void fill();

  void append_item(const std::string &key, const std::string &text);
  void clear_items();
  // "column|format": the part before the first '|', or the whole text.
  static std::string item_key(const std::string &spec);
  // The part after the first '|', or "%s".
  static std::string item_text(const std::string &spec);
  // Makes the first item of that key current, as a pick would, and tells
  // the target. Nothing happens for a key that no item has.
  void select_key(const std::string &key);
  // The condition (SQL text, used unchanged) for the next fill.
  void set_where(const std::string &condition);
  // The columns the items are sorted by (SQL text, used unchanged). Items
  // that tie, and all items of a box without an order, come in the order
  // their rows were stored in: the pages are read in that order.
  void set_order(const std::string &columns);
  Tools::Ref<Tools::Database> get_db();
  // Whether the command the target is handling comes from a pick of an
  // item (from the list, the wheel or select_key) rather than from a text
  // typed into the field: a picked key names a stored row on purpose.
  bool is_picking() const { return picking; }


  long onCmdList(FX::FXObject *, FX::FXSelector, void *);
  long onMouseWheel(FX::FXObject *, FX::FXSelector, void *);
  // The field's middle button goes to the target first, as a text field's
  // does: a target that handles it keeps the selection from being pasted.
  long onTextMiddleRelease(FX::FXObject *, FX::FXSelector, void *);
};

// A combo box filled from the table of the record type T: the key column's
// value is the item key, the text the key followed by up to three display
// columns, each with its own format.
template <class T> class DBComboBox : public ComboBox
{
public:
  struct ColumnSpec
  {
    std::string column;
    std::string format;
  };

protected:
  std::string key_column;
  std::vector<ColumnSpec> columns;

  static int default_width(const std::string &column)
  {
    T probe;
    Tools::DBType *cell = probe.get_cell_by_name(column);
    return cell ? static_cast<int>(cell->get_size()) : 15;
  }

public:
  DBComboBox(FX::FXComposite *p, AppContext *context, const std::string &key, FX::FXObject *tgt, FX::FXSelector sel,
             int cols, const std::string &spec1 = std::string(), const std::string &spec2 = std::string(),
             const std::string &spec3 = std::string())
      : ComboBox(p, context, tgt, sel, cols ? cols : default_width(key)), key_column(key)
  {
    for (const std::string *spec : {&spec1, &spec2, &spec3})
      if (!spec->empty())
        columns.push_back(ColumnSpec{item_key(*spec), item_text(*spec)});
  }

  void fill() override;
};

template <class T> void DBComboBox<T>::fill()
{
  Tools::Ref<Tools::Database> db = get_db();
  if (!db->is_connected()) {
    // Nothing to read: the window says why once the action has ended.
    DBError::list_unread(this, dynamic_cast<const CommonMsg *>(getShell()), *db);
    return;
  }
  clear_items();
  setText("");

  const int PAGE = 100;
  struct Page
  {
    T records[PAGE];
  };
  // One page of records serves every statement of this fill.
  std::unique_ptr<Page> page(new Page);
  Tools::DBLimit limit(PAGE);
  T &first = page->records[0];
  if (!first.get_cell_by_name(key_column))
    return;

  append_item("", "");
  int count = 1;

  std::string column_list;
  for (const ColumnSpec &c : columns) {
    if (first.get_cell_by_name(c.column))
      column_list += ", " + c.column;
    else
      std::cout << "opm: '" << c.column << "' not found in binddesc\n";
  }

  for (;;) {
    Tools::DBArrayBind binder;
    binder.bind_array(page->records);
    std::string sql =
        Tools::format("select %s %s from %s %s%s", key_column, column_list, first.get_name(), where_clause,
                      order_clause);
    int rows = Tools::select_object_rows(*db, sql, binder, limit);
    // The window the box belongs to carries its texts.
    if (rows < 0)
      DBError::list_failed(this, dynamic_cast<const CommonMsg *>(getShell()), *db);
    if (rows <= 0)
      break;
    for (int i = 0; i < rows && i < PAGE; ++i) {
      T &rec = page->records[i];
      std::string text;
      for (const ColumnSpec &c : columns) {
        Tools::DBType *cell = rec.get_cell_by_name(c.column);
        if (cell)
          text += " " + cell->format(c.format);
      }
      std::string key = rec.get_cell_by_name(key_column)->format("%s");
      if (!Tools::strip(text, " \t\n\r").empty())
        text = Tools::format("%s : %s", key, text);
      append_item(key, text);
    }
    count += rows;
  }
  setNumVisible(count < 10 ? count : 10);
}

#endif
