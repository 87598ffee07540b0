#include "gui/combobox.h"

#include <algorithm>

using namespace FX;

FXDEFMAP(ComboBox) ComboBoxMap[] = {
    FXMAPFUNC(SEL_COMMAND, FXComboBox::ID_LIST, ComboBox::onCmdList),
    FXMAPTYPE(SEL_MOUSEWHEEL, ComboBox::onMouseWheel),
    FXMAPFUNC(SEL_MIDDLEBUTTONRELEASE, FXComboBox::ID_TEXT, ComboBox::onTextMiddleRelease),
};

FXIMPLEMENT(ComboBox, Tools::ThemeComboBox, ComboBoxMap, ARRAYNUMBER(ComboBoxMap))

ComboBox::ComboBox() : context(nullptr), picking(false) {}

ComboBox::ComboBox(FXComposite *p, AppContext *context, FXObject *tgt, FXSelector sel, int cols)
    : Tools::ThemeComboBox(p, cols, tgt, sel, FRAME_SUNKEN, 0, 0, 0, 0, 2, 2, 2, 2), context(context),
      picking(false)
{
  setNumVisible(10);
}

ComboBox::~ComboBox() {}

long ComboBox::onTextMiddleRelease(FXObject *, FXSelector, void *ptr)
{
  return target && target->tryHandle(this, FXSEL(SEL_MIDDLEBUTTONRELEASE, message), ptr);
}

void ComboBox::append_item(const std::string &key, const std::string &text)
{
  item_keys.push_back(key);
  std::string *stored = &item_keys.back();
  const std::string &shown = Tools::strip(text, " \t\n\r").empty() ? key : text;
  appendItem(shown.c_str(), stored);
}

void ComboBox::clear_items()
{
  item_keys.clear();
  clearItems();
}

std::string ComboBox::item_key(const std::string &spec)
{
  std::string::size_type bar = spec.find('|');
  return bar == std::string::npos ? spec : spec.substr(0, bar);
}

std::string ComboBox::item_text(const std::string &spec)
{
  std::string::size_type bar = spec.find('|');
  return bar == std::string::npos ? std::string("%s") : spec.substr(bar + 1);
}

void ComboBox::pick(FXint index)
{
  list->setCurrentItem(index);
  list->makeItemVisible(index);
  const std::string *key = static_cast<const std::string *>(list->getItemData(index));
  FXString text = (key && !key->empty()) ? FXString(key->c_str()) : list->getItemText(index);
  field->setText(text, FALSE);
  field->selectAll();
  if (!target)
    return;
  picking = true;
  target->tryHandle(this, FXSEL(SEL_COMMAND, message), (void *)field->getText().text());
  picking = false;
}

void ComboBox::select_key(const std::string &key)
{
  FXint index = 0;
  for (const std::string &k : item_keys) {
    if (k == key) {
      pick(index);
      return;
    }
    ++index;
  }
}

void ComboBox::set_where(const std::string &condition) { where_clause = " where " + condition; }

void ComboBox::set_order(const std::string &columns) { order_clause = " order by " + columns; }

Tools::Ref<Tools::Database> ComboBox::get_db() { return context->getDatabase(); }

void ComboBox::fill() {}

long ComboBox::onCmdList(FXObject *, FXSelector, void *ptr)
{
  FXint index = (FXint)(FXival)ptr;
  button->handle(this, FXSEL(SEL_COMMAND, FXMenuButton::ID_UNPOST), nullptr);
  if (index < 0 || index >= list->getNumItems())
    return 1;
  pick(index);
  return 1;
}

// The wheel steps through the items like picks from the list, so the
// field gets the item's key, not its shown text.
long ComboBox::onMouseWheel(FXObject *, FXSelector, void *ptr)
{
  const FXEvent *event = static_cast<const FXEvent *>(ptr);
  if (!event || !isEnabled() || list->getNumItems() == 0)
    return 1;
  FXint index = list->getCurrentItem();
  const FXint last = list->getNumItems() - 1;
  if (event->code < 0)
    index = index < 0 ? 0 : std::min(index + 1, last);
  else if (event->code > 0)
    index = index < 0 ? last : std::max(index - 1, 0);
  else
    return 1;
  pick(index);
  return 1;
}

void ComboBox::layout()
{
  FXint widest = 0;
  FXString widest_text;
  for (FXint i = 0; i < list->getNumItems(); ++i) {
    FXint w = list->getItemWidth(i);
    if (w > widest) {
      widest = w;
      widest_text = list->getItemText(i);
    }
  }
  FXint button_width = button->getDefaultWidth();
  FXint field_width = width - button_width - 2 * border;
  FXint inner_height = height - 2 * border;
  field->position(border, border, field_width, inner_height);
  button->position(border + field_width, border, button_width, inner_height);
  // The drop-down list grows wider than the box when an item would not fit.
  FXint pane_width = width;
  if (widest >= width)
    pane_width = field->getFont()->getTextWidth(widest_text) + 2 * border + 20;
  pane->resize(pane_width, pane->getDefaultHeight());
  flags &= ~FLAG_DIRTY;
}
