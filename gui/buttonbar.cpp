#include "gui/buttonbar.h"

using namespace FX;

namespace {
// Raised, thick, picture before the text.
const unsigned int BAR_BUTTON_STYLE = FRAME_RAISED | FRAME_THICK | ICON_BEFORE_TEXT;
static_assert(BAR_BUTTON_STYLE == 0x106000, "bar button style");
} // namespace

// ---- BarButton ----------------------------------------------------------------

FXIMPLEMENT(BarButton, Tools::ThemeButton, nullptr, 0)

BarButton::BarButton(FXComposite *p, AppContext *context, const std::string &text, const std::string &icon,
                     FXObject *tgt, FXSelector sel, unsigned int opts)
    : Tools::ThemeButton(p, FXString(text.c_str()), (icon.empty() || !context) ? nullptr : context->getIcon(icon),
                         tgt, sel, opts, 0, 0, 0, 0, 2, 2, 2, 2),
      Lang(context, "Button", text)
{
  show_current_mode();
}

void BarButton::update_text() { setText(FXString(toggle_text().c_str())); }

BarButtonOk::BarButtonOk(FXComposite *p, AppContext *context, FXObject *tgt, FXSelector sel)
    : BarButton(p, context, "Ok", "Ok", tgt, sel, BAR_BUTTON_STYLE)
{
}

BarButtonNew::BarButtonNew(FXComposite *p, AppContext *context, FXObject *tgt, FXSelector sel, unsigned int opts)
    : BarButton(p, context, "Neu", "New", tgt, sel, opts)
{
}

BarButtonSave::BarButtonSave(FXComposite *p, AppContext *context, FXObject *tgt, FXSelector sel)
    : BarButton(p, context, "Speichern", "Save", tgt, sel, BAR_BUTTON_STYLE)
{
}

BarButtonTest::BarButtonTest(FXComposite *p, AppContext *context, FXObject *tgt, FXSelector sel)
    : BarButton(p, context, "Testen", "Test", tgt, sel, BAR_BUTTON_STYLE)
{
}

BarButtonCancel::BarButtonCancel(FXComposite *p, AppContext *context, FXObject *tgt, FXSelector sel)
    : BarButton(p, context, "Abbrechen", "Cancel", tgt, sel, BAR_BUTTON_STYLE)
{
}

BarButtonDelete::BarButtonDelete(FXComposite *p, AppContext *context, FXObject *tgt, FXSelector sel)
    : BarButton(p, context, "Löschen", "Delete", tgt, sel, BAR_BUTTON_STYLE)
{
}

// ---- ButtonBar ----------------------------------------------------------------

FXIMPLEMENT(ButtonBar, FXHorizontalFrame, nullptr, 0)

ButtonBar::ButtonBar(FXComposite *p, AppContext *context)
    : FXHorizontalFrame(p, LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4), context(context), inner_frame(nullptr),
      nested_frame(nullptr)
{
  inner_frame = new FXHorizontalFrame(this, LAYOUT_CENTER_X | PACK_UNIFORM_HEIGHT | PACK_UNIFORM_WIDTH, 0, 0, 0, 0,
                                      4, 4, 4, 4, 4, 4);
}

void ButtonBar::keep_below(FXWindow *line, FXWindow *content)
{
  // The parent packs its children in order and content takes all the
  // height that is left: bar and line go first, from the bottom.
  setLayoutHints(getLayoutHints() | LAYOUT_SIDE_BOTTOM);
  line->setLayoutHints(line->getLayoutHints() | LAYOUT_SIDE_BOTTOM);
  reparent(getParent(), content);
  line->reparent(line->getParent(), content);
}

template <class B> B *ButtonBar::add_button(FXObject *tgt, FXSelector sel, bool nested)
{
  FXHorizontalFrame *frame = inner_frame;
  if (nested && !nested_frame) {
    nested_frame = new FXHorizontalFrame(inner_frame, LAYOUT_RIGHT | PACK_UNIFORM_HEIGHT | PACK_UNIFORM_WIDTH, 0, 0,
                                         0, 0, 0, 0, 0, 0, 4, 4);
    frame = nested_frame;
    // The inner frame now holds groups of different sizes and stretches
    // over the bar instead of centring itself.
    inner_frame->setPackingHints(0);
    inner_frame->setLayoutHints(LAYOUT_FILL_X);
  } else if (nested_frame) {
    frame = nested_frame;
  }
  return new B(frame, context, tgt, sel);
}

BarButtonOk *ButtonBar::add_ok(FXObject *tgt, FXSelector sel, bool nested)
{
  return add_button<BarButtonOk>(tgt, sel, nested);
}
BarButtonSave *ButtonBar::add_save(FXObject *tgt, FXSelector sel, bool nested)
{
  return add_button<BarButtonSave>(tgt, sel, nested);
}
BarButtonTest *ButtonBar::add_test(FXObject *tgt, FXSelector sel, bool nested)
{
  return add_button<BarButtonTest>(tgt, sel, nested);
}
BarButtonCancel *ButtonBar::add_cancel(FXObject *tgt, FXSelector sel, bool nested)
{
  return add_button<BarButtonCancel>(tgt, sel, nested);
}
BarButtonDelete *ButtonBar::add_delete(FXObject *tgt, FXSelector sel, bool nested)
{
  return add_button<BarButtonDelete>(tgt, sel, nested);
}
