#include "gui/spreadsheet.h"

#include <algorithm>
#include <memory>

#include "tools/core/money.h"
#include "tools/core/string_utils.h"
#include "schema/tables.h"
#include "gui/dberror.h"

using namespace FX;

FXDEFMAP(SpreadSheet) SpreadSheetMap[] = {
    FXMAPFUNC(SEL_CHANGED, SpreadSheet::ID_SHEET, SpreadSheet::onChanged),
    FXMAPFUNC(SEL_COMMAND, FXTable::ID_SELECT_ROW_INDEX, SpreadSheet::onRowHeader),
    FXMAPFUNC(SEL_RIGHTBUTTONPRESS, SpreadSheet::ID_SHEET, SpreadSheet::onRightButton),
    FXMAPFUNC(SEL_KEYPRESS, 0, SpreadSheet::onKeyPress),
    FXMAPFUNC(SEL_COMMAND, SpreadSheet::ID_NEW, SpreadSheet::onCmdNew),
    FXMAPFUNC(SEL_COMMAND, SpreadSheet::ID_DELETE, SpreadSheet::onCmdDelete),
    FXMAPFUNCS(SEL_COMMAND, SpreadSheet::ID_TEMPLATE, SpreadSheet::ID_TEMPLATE_LAST, SpreadSheet::onCmdTemplate),
};

FXIMPLEMENT(SpreadSheet, FXTable, SpreadSheetMap, ARRAYNUMBER(SpreadSheetMap))

SpreadSheet::SpreadSheet()
    : sheet_target(nullptr), sheet_selector(0), menu_row(-1), hidden_column(false), saving(false),
      transactional(true)
{
}

SpreadSheet::SpreadSheet(FXComposite *p, AppContext *context, FXObject *tgt, FXSelector sel, unsigned int opts)
    : FXTable(p, tgt, sel, opts, 0, 0, 0, 0, 2, 2, 2, 2), MultiLang(context, "SpreadSheet"), CommonMsg(context),
      sheet_target(tgt), sheet_selector(sel), menu_row(-1), hidden_column(false), saving(false),
      transactional(true),
      msg_row_gone(context, "Message",
                   "Die Zeile wurde inzwischen an einem anderen Platz gelöscht. Das Getippte wurde nicht gespeichert."),
      msg_text_required(context, "Message", "Ohne einen Text in dieser Spalte wird die Zeile nicht gespeichert:")
{
  // The table's notifications come back to the sheet, which passes on
  // what the owner needs.
  setTarget(this);
  setSelector(ID_SHEET);
  setRowHeaderMode(0);
  setVisibleRows(5);
  setEditable(FALSE);
  getColumnHeader()->setFrameStyle(FRAME_RAISED);
  getRowHeader()->setFrameStyle(FRAME_RAISED);
  getCornerButton()->setFrameStyle(FRAME_RAISED);
}

SpreadSheet::~SpreadSheet() {}

Tools::Ref<Tools::Database> SpreadSheet::get_db() { return context->getDatabase(); }

int SpreadSheet::visible_columns() const
{
  int c = static_cast<int>(column_titles.size());
  if (c > 0 && is_hidden_title(column_titles[0]))
    --c;
  return c;
}

// ---- columns and filling ----

void SpreadSheet::set_columns(const std::string &spec)
{
  for (const std::string &entry : Tools::split_any(spec, ",")) {
    std::vector<std::string> pieces = Tools::split_any(entry, " ", 2);
    if (pieces.size() == 2) {
      db_columns.push_back(pieces[0]);
      column_titles.push_back(pieces[1]);
    } else {
      std::cout << "ignoring: " << entry << std::endl;
    }
  }
  if (column_titles.empty())
    return;
  set_titles(column_titles);
  setTableSize(5, visible_columns(), FALSE);
  setHeaders();
}

void SpreadSheet::setHeaders()
{
  if (column_titles.empty())
    return;
  // A hidden first column stands in the row header, not in the table.
  const size_t first = is_hidden_title(column_titles[0]) ? 1 : 0;
  for (size_t i = first; i < column_titles.size(); ++i)
    if (static_cast<int>(i - first) < getNumColumns())
      setColumnText(static_cast<int>(i - first), column_titles[i].c_str());
}

int SpreadSheet::select(const std::string &table, const std::string &where, const std::string &tail,
                        const std::string &count_expression)
{
  std::string sql = Tools::format("select %s from %s %s %s", count_expression, table, where, tail);
  Tools::Ref<Tools::Database> db = get_db();
  int total = 0;
  Tools::DBLimit limit(1);
  for (;;) {
    Tools::DBTypeInt value;
    Tools::DBTypeList fields;
    fields.add(&value);
    if (Tools::select_values(*db, sql, fields, limit) <= 0)
      break;
    // A plain count answers with one row, a grouped one with a row per
    // group; either way the page after the last row comes back empty.
    total += tail.empty() ? int(value) : 1;
  }
  return total;
}

int SpreadSheet::table_column(const std::string &column) const
{
  int col = -1;
  for (std::size_t i = 0; i < db_columns.size(); ++i)
    if (db_columns[i] == column)
      col = static_cast<int>(i) - (hidden_column ? 1 : 0);
  return col < getNumColumns() ? col : -1;
}

void SpreadSheet::show_money(const std::string &column)
{
  const int col = table_column(column);
  if (col < 0)
    return;
  for (int r = 0; r < getNumRows(); ++r) {
    Tools::Ref<Tools::DBBindType> row = get_row(r);
    const Tools::DBTypeDouble *amount =
        row.valid() ? dynamic_cast<const Tools::DBTypeDouble *>(row->get_cell_by_name(column)) : nullptr;
    if (amount)
      setItemText(r, col, Tools::money_text(amount->value).c_str());
  }
}

void SpreadSheet::fill_row(int i, Content &content)
{
  if (i >= getNumRows())
    return; // never past the last table row
  Tools::DBBindType &record = *content.row;
  const std::vector<Tools::DBType *> &types = record.get_types();
  int offset = 0;
  for (size_t col = 0; col < types.size(); ++col) {
    const std::string &name = types[col]->get_name();
    for (size_t k = 0; k < db_columns.size(); ++k) {
      if (db_columns[k] != name)
        continue;
      std::string text = cell_text(types[col]->format("%s"));
      if (is_hidden_title(column_titles[k])) {
        setRowText(i, text.c_str());
        offset = -1;
      } else {
        int c = static_cast<int>(k) + offset;
        if (c >= 0 && c < getNumColumns()) {
          content.shown[col] = true;
          setItemText(i, c, text.c_str(), FALSE);
          // Numbers line up at the right, texts read from the left.
          const int kind = types[col]->type.is_set() ? static_cast<int>(types[col]->type.get_value()) : 0;
          const bool number = kind == Tools::DBType::EnumType::INT || kind == Tools::DBType::EnumType::DOUBLE;
          setItemJustify(i, c, (number ? FX::FXTableItem::RIGHT : FX::FXTableItem::LEFT) | FX::FXTableItem::CENTER_Y);
        }
      }
      break;
    }
  }
}

void SpreadSheet::create()
{
  FX::FXTable::create();
  fit_columns();
}

void SpreadSheet::fit_columns()
{
  // Wide enough for the title and every value, so that no text is cut,
  // but no column wider than a third of a usual screen.
  const int MIN_WIDTH = 40, MAX_WIDTH = 320, PADDING = 12;
  FX::FXFont *font = getFont();
  FX::FXFont *header_font = getColumnHeader()->getFont();
  if (!font || !header_font || !font->id() || !header_font->id())
    return; // not created yet: create() fits them
  for (int c = 0; c < getNumColumns(); ++c) {
    int width = header_font->getTextWidth(getColumnText(c)) + PADDING;
    for (int r = 0; r < getNumRows(); ++r) {
      FX::FXString text = getItemText(r, c);
      if (!text.empty())
        width = std::max(width, font->getTextWidth(text) + PADDING);
    }
    setColumnWidth(c, std::min(std::max(width, MIN_WIDTH), MAX_WIDTH));
  }
}

// ---- reading back ----

Tools::Ref<Tools::DBBindType> SpreadSheet::get_row(int n)
{
  if (n < 0)
    return Tools::Ref<Tools::DBBindType>();
  int i = 0;
  for (auto &content : contents) {
    if (i == n)
      return content->row;
    ++i;
  }
  return Tools::Ref<Tools::DBBindType>();
}

bool SpreadSheet::is_row_selected(int row)
{
  for (int c = 0; c < getNumColumns(); ++c)
    if (isItemSelected(row, c))
      return true;
  return false;
}

std::vector<Tools::Ref<Tools::DBBindType> > SpreadSheet::get_selected_rows()
{
  std::vector<Tools::Ref<Tools::DBBindType> > result;
  if (!isAnythingSelected())
    return result;
  for (int r = 0; r < getNumRows(); ++r) {
    if (!is_row_selected(r))
      continue;
    Tools::Ref<Tools::DBBindType> row = get_row(r);
    if (row.valid())
      result.push_back(row);
  }
  return result;
}

// ---- translations ----

void SpreadSheet::setLangMode()
{
  // A hidden column's row is never stored, so its title keeps its TAB.
  const size_t n = std::min(column_titles.size(), get_titles().size());
  for (size_t i = 0; i < n; ++i)
    column_titles[i] = title_for_mode(static_cast<unsigned>(i));
  setHeaders();
}

// ---- writing back ----

void SpreadSheet::read_cells()
{
  // The text being typed is the cell's, as a move to another cell makes it.
  if (editor)
    acceptInput(TRUE);
  int i = 0;
  for (auto &content : contents) {
    Tools::DBBindType &record = *content->row;
    const std::vector<Tools::DBType *> &types = record.get_types();
    for (size_t col = 0; col < types.size(); ++col) {
      if (!content->shown[col])
        continue;
      int offset = hidden_column ? -1 : 0;
      for (size_t k = 0; k < db_columns.size(); ++k) {
        if (is_hidden_title(column_titles[k])) {
          offset = -1;
          continue;
        }
        if (db_columns[k] != types[col]->get_name())
          continue;
        int c = static_cast<int>(k) + offset;
        if (i < getNumRows() && c >= 0 && c < getNumColumns()) {
          // The whole text, also past a NUL, so that it is refused, not cut.
          const FXString cell = getItemText(i, c);
          std::string text = from_cell_text(Tools::fxcompat::whole(cell));
          if (trimmed_columns.count(db_columns[k]) && Tools::trim_white(text) != text) {
            text = Tools::trim_white(text);
            setItemText(i, c, cell_text(text).c_str());
          }
          types[col]->from_string(text);
        }
        break;
      }
    }
    ++i;
  }
}

void SpreadSheet::Content::restore()
{
  const std::vector<Tools::DBType *> &types = row->get_types();
  for (size_t i = 0; i < types.size() && i < stored.size(); ++i)
    if (types[i]->to_string() != stored[i])
      types[i]->from_string(stored[i]);
}

std::string SpreadSheet::cell_text(const std::string &text)
{
  std::string cell;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (c == '\t')
      cell += "\\t";
    else if (c == '\n')
      cell += "\\n";
    else if (c == '\\' && (next == 't' || next == 'n' || next == '\\' || next == '\t' || next == '\n'))
      cell += "\\\\";
    else
      cell += c;
  }
  return cell;
}

std::string SpreadSheet::from_cell_text(const std::string &cell)
{
  std::string text;
  for (size_t i = 0; i < cell.size(); ++i) {
    const char next = i + 1 < cell.size() ? cell[i + 1] : '\0';
    if (cell[i] == '\\' && (next == 't' || next == 'n' || next == '\\')) {
      text += next == 't' ? '\t' : next == 'n' ? '\n' : '\\';
      ++i;
    } else {
      text += cell[i];
    }
  }
  return text;
}

bool SpreadSheet::save_changes(const std::string &idx_column, bool then_commit)
{
  if (idx_column.empty() || contents.empty() || saving)
    return true;
  const std::vector<std::string> &names = contents.front()->row->get_names();
  size_t p = 0;
  while (p < names.size() && names[p] != idx_column)
    ++p;
  if (p == names.size()) {
    std::cout << "idx_name '" << idx_column << "' not found\n";
    return true;
  }
  saving = true;
  refuse_unfit();
  std::vector<Content *> written;
  const bool ok = write_rows(p, written) && end_write(p, then_commit, written);
  saving = false;
  return ok;
}

bool SpreadSheet::named(const Content &content) const
{
  const Tools::DBType *cell = required_column.empty() ? nullptr : content.row->get_cell_by_name(required_column);
  return !cell || !cell->to_string().empty();
}

bool SpreadSheet::to_write(const Content &content) const
{
  return content.fresh ? named(content) : content.changed();
}

bool SpreadSheet::refuse_unfit()
{
  // A text the server would refuse or cut, or a required one emptied, is
  // not sent: its row shows what is stored again, one box says why
  // (naming the column), and the other rows go on.
  const FieldName title = [this](const Tools::DBTypeVarChar &column) {
    for (size_t k = 0; k < db_columns.size() && k < column_titles.size(); ++k)
      if (db_columns[k] == column.get_name() && !is_hidden_title(column_titles[k]))
        return Tools::strip(column_titles[k]);
    return std::string();
  };
  const int required = table_column(required_column);
  std::string refusal;
  int i = 0;
  for (auto &content : contents) {
    const int row_number = i++;
    if (!to_write(*content))
      continue;
    std::string why = text_refusal(*content->row, title);
    if (why.empty() && !named(*content) && required >= 0)
      why = Tools::format("%s\n%s", msg_text_required.str(), Tools::strip(getColumnText(required).text()));
    if (why.empty())
      continue;
    if (refusal.empty())
      refusal = why;
    content->restore();
    fill_row(row_number, *content);
  }
  if (!refusal.empty())
    DBError::show(this, title_data_error, refusal);
  return refusal.empty();
}

bool SpreadSheet::write_rows(std::size_t p, std::vector<Content *> &written)
{
  std::optional<Tools::Database::Untransacted> outside;
  if (!transactional)
    outside.emplace(*get_db());
  int i = 0;
  for (auto &content : contents) {
    const int row_number = i++;
    if (!to_write(*content))
      continue;
    long found = 0;
    const bool ok = write_row(*content, p, found);
    if (!ok || found == 0) {
      refused_write(*content, row_number, ok, written);
      return false;
    }
    written.push_back(content.try_get());
  }
  return true;
}

bool SpreadSheet::write_row(Content &content, std::size_t p, long &found)
{
  Tools::Ref<Tools::Database> db = get_db();
  Tools::DBBindType &record = *content.row;
  if (content.fresh) {
    found = 1;
    if (!Tools::insert_object(*db, record))
      return false;
    content.inserted = db->get_insert_id();
    return true;
  }
  Tools::DBType *key = record.get_types()[p];
  const std::string where = Tools::format("where %s = '%s'", key->get_name(), Tools::sql_escape(key->format("%s")));
  return Tools::update_object(*db, record, where, &found);
}

void SpreadSheet::refused_write(Content &content, int row_number, bool gone, const std::vector<Content *> &written)
{
  Tools::Ref<Tools::Database> db = get_db();
  const Tools::DBFailureReport failure = db->failure_report();
  // Nothing of a half-written sheet stays pending on the shared
  // connection; rows written before go again with the next write-back.
  if (transactional)
    db->rollback();
  else
    store(written);
  // A row another station deleted shows what it held, as a refused row
  // does; every later write into it is refused alike.
  content.restore();
  fill_row(row_number, content);
  if (gone)
    DBError::show(this, title_data_error, msg_row_gone.str());
  else
    DBError::report(this, *this, DBError::TEXT, failure);
}

bool SpreadSheet::end_write(std::size_t p, bool then_commit, const std::vector<Content *> &written)
{
  // The caller's unit of work goes on: its commit stores the rows, and it
  // reads them again; until then they count as changed.
  if (transactional && !then_commit)
    return true;
  Tools::Ref<Tools::Database> db = get_db();
  if (transactional && !written.empty() && !db->commit()) {
    const Tools::DBFailureReport failure = db->failure_report();
    db->rollback();
    DBError::report(this, *this, DBError::TEXT, failure);
    return false;
  }
  // A new row takes its key once it is stored.
  for (Content *content : written)
    if (content->fresh)
      content->row->get_types()[p]->from_string(Tools::to_text<int>(content->inserted));
  store(written);
  return true;
}

void SpreadSheet::store(const std::vector<Content *> &written)
{
  int i = 0;
  for (auto &content : contents) {
    const int row_number = i++;
    if (std::find(written.begin(), written.end(), content.try_get()) == written.end())
      continue;
    content->stored = content->row->get_values();
    if (content->fresh) {
      content->fresh = false;
      fill_row(row_number, *content);
    }
    forward(SEL_REPLACED, content->row.try_get());
  }
}

void SpreadSheet::add_row(const Tools::Ref<Tools::DBBindType> &record)
{
  Tools::Ref<Content> content(new Content(record));
  content->fresh = true;
  const int row = static_cast<int>(contents.size());
  contents.push_back(content);
  // Rows already there keep what was typed into them.
  if (row >= getNumRows())
    insertRows(getNumRows(), row + 1 - getNumRows(), FALSE);
  fill_row(row, *content);
  setRowText(row, ""); // no key yet
  const int required = std::max(table_column(required_column), 0);
  setCurrentItem(row, required, FALSE);
  makePositionVisible(row, required);
}

bool SpreadSheet::new_rows_named()
{
  const int required = table_column(required_column);
  int i = 0;
  for (auto &content : contents) {
    const int row_number = i++;
    if (!content->fresh || named(*content) || !content->changed() || required < 0)
      continue;
    setCurrentItem(row_number, required, FALSE);
    makePositionVisible(row_number, required);
    DBError::show(this, title_data_error,
                  Tools::format("%s\n%s", msg_text_required.str(), Tools::strip(getColumnText(required).text())));
    return false;
  }
  return true;
}

bool SpreadSheet::store_typed()
{
  read_cells();
  if (!isEditable())
    return true;
  // Said once: the rows refused show what is stored again before the
  // others are written.
  if (!new_rows_named())
    return false;
  const bool fit = refuse_unfit();
  return save_changes("idx") && fit;
}

void SpreadSheet::dumpRows()
{
  for (auto &content : contents) {
    const std::vector<Tools::DBType *> &types = content->row->get_types();
    for (size_t col = 0; col < types.size(); ++col)
      if (content->shown[col])
        std::cout << types[col]->format("%s") << " ";
    std::cout << std::endl;
  }
}

// ---- handlers ----

long SpreadSheet::forward(FXSelType type, void *data)
{
  if (!sheet_target)
    return 0;
  return sheet_target->handle(this, FXSEL(type, FXSELID(sheet_selector)), data);
}

long SpreadSheet::onChanged(FXObject *sender, FXSelector, void *ptr)
{
  const FXTablePos *pos = static_cast<const FXTablePos *>(ptr);
  std::cout << Tools::format("SEL_CHANGED row=%d, col=%d\n", pos ? pos->row : -1, pos ? pos->col : -1);
  write_back();
  if (sheet_target)
    return sheet_target->handle(sender, FXSEL(SEL_CHANGED, FXSELID(sheet_selector)), ptr);
  return 1;
}

long SpreadSheet::onRowHeader(FXObject *sender, FXSelector sel, void *ptr)
{
  // The toolkit highlights the row of the number clicked and may make it
  // current without a word to the owner: the screen would show a row
  // chosen that the window does not know of, and a click on the row would
  // then change nothing. The row is chosen here as a click on a cell
  // chooses it, also when it was current already.
  const long handled = FXTable::onCmdSelectRowIndex(sender, sel, ptr);
  const FXint row = static_cast<FXint>(reinterpret_cast<FXival>(ptr));
  if (row < 0 || row >= getNumRows() || getNumColumns() < 1)
    return handled;
  FXTablePos pos;
  pos.row = row;
  pos.col = current.col >= 0 && current.col < getNumColumns() ? current.col : 0;
  setCurrentItem(pos.row, pos.col, FALSE);
  return handle(this, FXSEL(SEL_CHANGED, ID_SHEET), &pos);
}

long SpreadSheet::onKeyPress(FXObject *sender, FXSelector sel, void *ptr)
{
  // Escape ends an edit in a cell; otherwise it belongs to the window,
  // which closes.
  const FXEvent *event = static_cast<const FXEvent *>(ptr);
  if (event && event->code == KEY_Escape && !editor)
    return 0;
  return FXTable::onKeyPress(sender, sel, ptr);
}

void SpreadSheet::write_back()
{
  read_cells();
  dumpRows();
  if (isEditable())
    save_changes("idx");
}

long SpreadSheet::onRightButton(FXObject *, FXSelector, void *ptr)
{
  std::cout << "onRightButton\n";
  const FXEvent *event = static_cast<const FXEvent *>(ptr);
  if (!isEditable() || !event)
    return 1;
  // What is being typed stays in its cell while the menu is open.
  if (editor)
    acceptInput(TRUE);
  menu_row = rowAtY(event->win_y);
  std::cout << "row_now: " << menu_row << std::endl;

  FXMenuPane menu(this);
  new FXMenuCommand(&menu, "Neuer Eintrag", nullptr, this, ID_NEW);
  new FXMenuCommand(&menu, "Eintrag Löschen", nullptr, this, ID_DELETE);

  std::unique_ptr<FXMenuPane> template_menu;
  if (sheet_target) {
    MenuRequest request(MenuRequest::TEMPLATES);
    if (forward(SEL_COMMAND, &request) && !request.rows.empty()) {
      templates = request.rows;
      template_menu.reset(new FXMenuPane(this));
      const std::vector<std::string> &names = templates.front()->get_names();
      size_t p = 0;
      while (p < names.size() && names[p] != request.column)
        ++p;
      if (p == names.size())
        p = 0;
      for (size_t i = 0; i < templates.size() && i < static_cast<size_t>(MAX_TEMPLATES); ++i) {
        const std::vector<Tools::DBType *> &types = templates[i]->get_types();
        std::string label = p < types.size() ? types[p]->format("%s") : std::string();
        new FXMenuCommand(template_menu.get(), label.c_str(), nullptr, this, ID_TEMPLATE + static_cast<FXint>(i));
      }
      new FXMenuCascade(&menu, "Vorlage..", nullptr, template_menu.get());
    }
  }
  menu.create();
  menu.popup(nullptr, event->root_x, event->root_y);
  getApp()->runModalWhileShown(&menu);
  return 1;
}

long SpreadSheet::onCmdNew(FXObject *, FXSelector, void *)
{
  MenuRequest request(MenuRequest::NEW);
  return forward(SEL_COMMAND, &request);
}

long SpreadSheet::onCmdDelete(FXObject *, FXSelector, void *)
{
  if (menu_row >= 0 && menu_row < static_cast<int>(contents.size())) {
    auto fresh = std::next(contents.begin(), menu_row);
    // A row not stored yet goes from the sheet alone.
    if ((*fresh)->fresh) {
      contents.erase(fresh);
      removeRows(menu_row, 1, FALSE);
      return 1;
    }
  }
  if (!sheet_target || menu_row < 0 || menu_row >= getNumRows())
    return 0;
  MenuRequest request(MenuRequest::DELETE);
  request.row = get_row(menu_row);
  return forward(SEL_COMMAND, &request);
}

long SpreadSheet::onCmdTemplate(FXObject *, FXSelector sel, void *)
{
  int i = FXSELID(sel) - ID_TEMPLATE;
  if (!sheet_target || i < 0 || i >= static_cast<int>(templates.size()))
    return 0;
  MenuRequest request(MenuRequest::FROM_TEMPLATE);
  request.row = templates[i];
  return forward(SEL_COMMAND, &request);
}
