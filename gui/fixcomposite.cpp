#include "gui/fixcomposite.h"

using namespace FX;

// ---- the canvas ----

FXDEFMAP(FixComposite) FixCompositeMap[] = {
    FXMAPFUNC(SEL_LEFTBUTTONPRESS, FixComposite::ID_CHILD, FixComposite::onLeftBtnPress),
    FXMAPFUNC(SEL_LEFTBUTTONRELEASE, FixComposite::ID_CHILD, FixComposite::onLeftBtnRelease),
    FXMAPFUNC(SEL_LEFTBUTTONRELEASE, FixComposite::ID_SELF, FixComposite::onLeftBtnRelease),
    FXMAPFUNC(SEL_MOTION, FixComposite::ID_CHILD, FixComposite::onMotion),
    FXMAPFUNC(SEL_PAINT, 0, FixComposite::onPaint),
};

FXIMPLEMENT(FixComposite, FXPacker, FixCompositeMap, ARRAYNUMBER(FixCompositeMap))

FixComposite::FixComposite()
    : edit_mode(false), grabbed(nullptr), press_root_x(0), press_root_y(0), start_x(0), start_y(0),
      forward_target(nullptr), forward_selector(0)
{
}

FixComposite::FixComposite(FXComposite *p, FXObject *tgt, FXSelector sel, FXuint opts)
    : FXPacker(p, opts, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4), edit_mode(false), grabbed(nullptr), press_root_x(0),
      press_root_y(0), start_x(0), start_y(0), forward_target(tgt), forward_selector(sel)
{
  setTarget(this);
  setSelector(ID_SELF);
}

FXint FixComposite::getDefaultWidth() { return 500; }
FXint FixComposite::getDefaultHeight() { return 400; }

FXWindow *FixComposite::grabbed_child()
{
  if (!grabbed)
    return nullptr;
  for (FXWindow *child = getFirst(); child; child = child->getNext())
    if (child == grabbed)
      return child;
  grabbed = nullptr; // deleted behind our back
  return nullptr;
}

void FixComposite::clear()
{
  grabbed = nullptr;
  while (getFirst())
    delete getFirst();
  layout();
}

void FixComposite::layout()
{
  for (FXWindow *child = getFirst(); child; child = child->getNext()) {
    if (!child->shown())
      continue;
    FXint x = child->getX();
    FXint y = child->getY();
    if (x < 1)
      x = padleft;
    if (y < 1)
      y = padtop;
    child->position(x, y, child->getWidth(), child->getHeight());
    if (edit_mode) {
      child->setTarget(this);
      child->setSelector(ID_CHILD);
    }
  }
  flags &= ~FLAG_DIRTY;
}

long FixComposite::onLeftBtnPress(FXObject *sender, FXSelector, void *ptr)
{
  const FXEvent *event = static_cast<const FXEvent *>(ptr);
  if (!event)
    return 1;
  grabbed = (sender && sender->isMemberOf(FXMETACLASS(FXWindow))) ? static_cast<FXWindow *>(sender) : nullptr;
  if (grabbed) {
    press_root_x = event->root_x;
    press_root_y = event->root_y;
    start_x = grabbed->getX();
    start_y = grabbed->getY();
  }
  if (forward_target)
    forward_target->handle(this, FXSEL(SEL_COMMAND, FXSELID(forward_selector)), grabbed);
  return 1;
}

long FixComposite::onMotion(FXObject *, FXSelector, void *ptr)
{
  const FXEvent *event = static_cast<const FXEvent *>(ptr);
  FXWindow *child = grabbed_child();
  if (!child || !event)
    return 0;
  // The pointer's way since the press, measured on the screen: a motion
  // reported relative to the child would count every move of the child
  // that the server had not seen yet when it reported, and the child
  // would run ahead of the pointer.
  FXint x = start_x + event->root_x - press_root_x;
  FXint y = start_y + event->root_y - press_root_y;
  x -= x % GRID; // toward zero, as the grid is drawn from the origin
  y -= y % GRID;
  if (x < 0)
    x = padleft;
  if (y < 0)
    y = padtop;
  if (x + child->getWidth() > width - padright)
    x = width - padright - child->getWidth();
  if (y + child->getHeight() > height - padbottom)
    y = height - padbottom - child->getHeight();
  child->move(x, y);
  flags &= ~FLAG_DIRTY;
  return 1;
}

long FixComposite::onLeftBtnRelease(FXObject *sender, FXSelector sel, void *ptr)
{
  onMotion(sender, sel, ptr);
  grabbed = nullptr;
  return 1;
}

long FixComposite::onPaint(FXObject *, FXSelector, void *ptr)
{
  const FXEvent *event = static_cast<const FXEvent *>(ptr);
  FXDCWindow dc(this, const_cast<FXEvent *>(event));
  if (!edit_mode) {
    dc.setForeground(backColor);
    dc.fillRectangle(event->rect.x, event->rect.y, event->rect.w, event->rect.h);
    drawFrame(dc, 0, 0, width, height);
  } else {
    dc.setForeground(shadowColor);
    dc.fillRectangle(event->rect.x, event->rect.y, event->rect.w, event->rect.h);
    dc.setForeground(backColor);
    dc.setFillStyle(FILL_STIPPLED);
    dc.setStipple(STIPPLE_CROSS, padleft, padtop);
    dc.fillRectangle(event->rect.x, event->rect.y, event->rect.w, event->rect.h);
    dc.setFillStyle(FILL_SOLID);
    dc.setForeground(backColor);
    drawFrame(dc, 0, 0, width, height);
  }
  return 1;
}

// ---- placed label and button ----

namespace {

// Puts a placed widget where its row says; a zero size takes the natural
// one, and the row remembers it.
void place_from_row(FXLabel *widget, LAYOUTP &row)
{
  widget->setText(FXString(row.label_name.value.data(), static_cast<FXint>(row.label_name.value.size())));
  widget->setX(row.label_x);
  widget->setY(row.label_y);
  if (int(row.label_width) == 0)
    row.label_width = widget->getDefaultWidth();
  if (int(row.label_height) == 0)
    row.label_height = widget->getDefaultHeight();
  widget->setWidth(row.label_width);
  widget->setHeight(row.label_height);
}

LAYOUTP &row_from_widget(const FXLabel *widget, LAYOUTP &row)
{
  row.label_name = Tools::fxcompat::whole(widget->getText());
  row.label_x = widget->getX();
  row.label_y = widget->getY();
  row.label_width = widget->getWidth();
  row.label_height = widget->getHeight();
  return row;
}

} // namespace

FXIMPLEMENT(FixLabel, Tools::ThemeLabel, nullptr, 0)

FixLabel::FixLabel() {}

FixLabel::FixLabel(FXComposite *p, FXuint opts, const LAYOUTP &r)
    : Tools::ThemeLabel(p, FXString(), nullptr, opts, 0, 0, 0, 0, 2, 2, 2, 2)
{
  row = r;
  place_from_row(this, row);
}

LAYOUTP &FixLabel::get_record() { return row_from_widget(this, row); }

FXIMPLEMENT(FixButton, Tools::ThemeButton, nullptr, 0)

FixButton::FixButton() {}

FixButton::FixButton(FXComposite *p, FXObject *tgt, FXSelector sel, FXuint opts, const LAYOUTP &r)
    : Tools::ThemeButton(p, FXString(), nullptr, tgt, sel, opts, 0, 0, 0, 0, 2, 2, 2, 2)
{
  row = r;
  place_from_row(this, row);
}

LAYOUTP &FixButton::get_record() { return row_from_widget(this, row); }
