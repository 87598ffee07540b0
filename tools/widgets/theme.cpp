#include "tools/widgets/theme.h"

#include <algorithm>
#include <cstdlib>

using namespace FX;

namespace Tools {

std::string field_label(FXWindow *field)
{
  for (FXWindow *w = field; w && !dynamic_cast<FXTopWindow *>(w); w = w->getParent())
    for (FXWindow *before = w->getPrev(); before; before = before->getPrev()) {
      const FXLabel *label = dynamic_cast<FXLabel *>(before);
      if (!label || dynamic_cast<FXButton *>(before))
        continue;
      const std::string text = fxcompat::whole(label->getText());
      const std::size_t first = text.find_first_not_of(": \t"), last = text.find_last_not_of(": \t");
      if (first != std::string::npos)
        return text.substr(first, last - first + 1);
    }
  return std::string();
}

const ColorTheme REDMOND_XP = {
    "Redmond XP", 0xFFE6EEEE, 0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFCD794A,
    0xFFFFFFFF,   0xFFE1FFFF, 0xFF000000, 0xFFCD794A, 0xFFFFFFFF,
};

const FaceColors BUTTON_FACE = {ThemeColor::OUTLINE, ThemeColor::CORNER, ThemeColor::BUTTON_TOP,
                                ThemeColor::BUTTON_BOTTOM};
const FaceColors MENU_BUTTON_FACE = {ThemeColor::MENU_OUTLINE, ThemeColor::MENU_OUTLINE, ThemeColor::MENU_TOP,
                                     ThemeColor::MENU_BOTTOM};

namespace {
// Style bits that the paint handlers test.
constexpr FXuint STYLE_SUNKEN = 0x1000;
constexpr FXuint STYLE_RAISED = 0x2000;
constexpr FXuint STYLE_THICK = 0x4000;
constexpr FXuint STYLE_ICON_BESIDE = 0x180000;
constexpr FXuint STYLE_TOOLBAR = 0x02000000;
constexpr FXuint STYLE_ARROW_UP = 0x04000000;
constexpr FXuint STYLE_ARROW_LEFT = 0x08000000;
constexpr FXuint STYLE_NO_ARROWS = 0x10000000;
constexpr FXuint STYLE_ATTACH_RIGHT = 0x20000000;
constexpr FXuint STYLE_ATTACH_BOTTOM = 0x40000000;

static_assert(STYLE_SUNKEN == FRAME_SUNKEN && STYLE_RAISED == FRAME_RAISED && STYLE_THICK == FRAME_THICK,
              "frame style bits");
static_assert(STYLE_ICON_BESIDE == (ICON_BEFORE_TEXT | ICON_AFTER_TEXT), "icon placement bits");
static_assert(STYLE_TOOLBAR == BUTTON_TOOLBAR && STYLE_TOOLBAR == MENUBUTTON_TOOLBAR, "toolbar bit");
static_assert(STYLE_ARROW_UP == MENUBUTTON_UP && STYLE_ARROW_LEFT == MENUBUTTON_LEFT &&
                  STYLE_NO_ARROWS == MENUBUTTON_NOARROWS && STYLE_ATTACH_RIGHT == MENUBUTTON_ATTACH_RIGHT,
              "menu button bits");

// What buttons, menu buttons and labels paint alike: text and icon placed
// by the toolkit's justification rules, the icon sunken and the text
// embossed while the widget is disabled. The parts it needs are protected
// in FXLabel; member pointers taken through this derived class reach them.
class LabelFace : public FXLabel
{
public:
  struct Place
  {
    FXint tw = 0, th = 0, iw = 0, ih = 0, tx = 0, ty = 0, ix = 0, iy = 0;
  };

  // Where the text goes and the icon (or what the widget paints in its
  // place) of iw x ih; one pixel down and right while `pressed`.
  static Place place(FXLabel *w, FXint iw, FXint ih, bool pressed)
  {
    Place p;
    const FXString &text = w->*(&LabelFace::label);
    if (!text.empty()) {
      p.tw = (w->*(&LabelFace::labelWidth))(text);
      p.th = (w->*(&LabelFace::labelHeight))(text);
    }
    p.iw = iw;
    p.ih = ih;
    (w->*(&LabelFace::just_x))(p.tx, p.ix, p.tw, p.iw);
    (w->*(&LabelFace::just_y))(p.ty, p.iy, p.th, p.ih);
    if (pressed) {
      ++p.tx;
      ++p.ty;
      ++p.ix;
      ++p.iy;
    }
    return p;
  }

  // The icon, when there is one, then the text.
  static void paint(FXLabel *w, FXDCWindow &dc, const Place &p, FXIcon *icon, bool enabled)
  {
    if (icon) {
      if (enabled)
        dc.drawIcon(icon, p.ix, p.iy);
      else
        dc.drawIconSunken(icon, p.ix, p.iy);
    }
    const FXString &text = w->*(&LabelFace::label);
    if (text.empty())
      return;
    const FXint hot = w->*(&LabelFace::hotoff);
    void (FXLabel::*draw)(FXDCWindow &, const FXString &, FXint, FXint, FXint, FXint, FXint) = &LabelFace::drawLabel;
    dc.setFont(w->getFont());
    if (enabled) {
      dc.setForeground(w->getTextColor());
      (w->*draw)(dc, text, hot, p.tx, p.ty, p.tw, p.th);
    } else {
      dc.setForeground(w->getHiliteColor());
      (w->*draw)(dc, text, hot, p.tx + 1, p.ty + 1, p.tw, p.th);
      dc.setForeground(w->getShadowColor());
      (w->*draw)(dc, text, hot, p.tx, p.ty, p.tw, p.th);
    }
  }
};

void four_lines(FXDC &dc, FXint x, FXint y, FXint w, FXint h)
{
  dc.fillRectangle(x, y, w, 1);
  dc.fillRectangle(x, y, 1, h);
  dc.fillRectangle(x, y + h - 1, w, 1);
  dc.fillRectangle(x + w - 1, y, 1, h);
}

void two_pixel_frame(FXDC &dc, FXColor color, FXint x, FXint y, FXint w, FXint h)
{
  if (w <= 0 || h <= 0)
    return;
  dc.setForeground(color);
  four_lines(dc, x, y, w, h);
  if (w > 1 && h > 1) {
    dc.fillRectangle(x + 1, y + 1, w - 3, 1);
    dc.fillRectangle(x + 1, y + 1, 1, h - 3);
    dc.fillRectangle(x + 1, y + h - 2, w - 2, 1);
    dc.fillRectangle(x + w - 2, y + 1, 1, h - 2);
  }
}

FXPoint pt(FXint x, FXint y) { return FXPoint(static_cast<FXshort>(x), static_cast<FXshort>(y)); }
} // namespace

void apply_theme(FXApp *app)
{
  const ColorTheme &t = REDMOND_XP;
  app->setBaseColor(t.base);
  app->setBorderColor(t.border);
  app->setBackColor(t.back);
  app->setForeColor(t.fore);
  app->setSelforeColor(t.selfore);
  app->setSelbackColor(t.selback);
  app->setTipforeColor(t.tipfore);
  app->setTipbackColor(t.tipback);
  app->setSelMenuTextColor(t.menufore);
  app->setSelMenuBackColor(t.menuback);
}

void fill_vertical_gradient(FXDC &dc, FXColor top, FXColor bottom, FXint x, FXint y, FXint w, FXint h)
{
  if (w <= 0 || h <= 0)
    return;
  dc.setStipple(STIPPLE_NONE, 0, 0);
  dc.setFillStyle(FILL_SOLID);
  const FXint r0 = FXREDVAL(top), g0 = FXGREENVAL(top), b0 = FXBLUEVAL(top);
  const FXint dr = FXint(FXREDVAL(bottom)) - r0;
  const FXint dg = FXint(FXGREENVAL(bottom)) - g0;
  const FXint db = FXint(FXBLUEVAL(bottom)) - b0;
  FXint n = std::max(std::abs(dr), std::max(std::abs(dg), std::abs(db))) + 1;
  if (n > h)
    n = h;
  if (n > 128)
    n = 128;
  // 16.16 fixed point; the shifts are done on unsigned values so that a
  // falling channel does not shift a negative number.
  FXint rr = FXint(FXuint(r0) << 16) + 32767;
  FXint gg = FXint(FXuint(g0) << 16) + 32767;
  FXint bb = FXint(FXuint(b0) << 16) + 32767;
  const FXint sr = (dr * 65536) / n, sg = (dg * 65536) / n, sb = (db * 65536) / n;
  const FXint dy = FXint((static_cast<long long>(h) << 16) / n);
  FXint yy = 32767, y0, y1;
  do {
    y0 = yy >> 16;
    yy += dy;
    y1 = yy >> 16;
    dc.setForeground(FXRGB((rr >> 16) & 0xFF, (gg >> 16) & 0xFF, (bb >> 16) & 0xFF));
    dc.fillRectangle(x, y + y0, w, y1 - y0);
    rr += sr;
    gg += sg;
    bb += sb;
  } while (y1 < h);
}

void draw_line_frame(FXDC &dc, FXint x, FXint y, FXint w, FXint h)
{
  if (w <= 0 || h <= 0)
    return;
  dc.setForeground(ThemeColor::OUTLINE);
  four_lines(dc, x, y, w, h);
}

void draw_sunken_frame(FXDC &dc, FXint x, FXint y, FXint w, FXint h)
{
  two_pixel_frame(dc, ThemeColor::LABEL_SUNKEN, x, y, w, h);
}

void draw_raised_frame(FXDC &dc, FXint x, FXint y, FXint w, FXint h)
{
  two_pixel_frame(dc, ThemeColor::LABEL_RAISED, x, y, w, h);
}

void draw_face(FXDC &dc, FXColor base, const FaceColors &c, FXint w, FXint h, bool pressed)
{
  if (w <= 0 || h <= 0)
    return;
  const FXPoint corners[4] = {pt(0, 0), pt(w - 1, 0), pt(0, h - 1), pt(w - 1, h - 1)};
  const FXPoint inner[4] = {pt(1, 1), pt(1, h - 2), pt(w - 2, 1), pt(w - 2, h - 2)};
  const FXPoint shading[16] = {pt(0, 1),         pt(1, 0),         pt(1, 2),         pt(2, 1),
                               pt(w - 2, 0),     pt(w - 1, 1),     pt(w - 3, 1),     pt(w - 2, 2),
                               pt(0, h - 2),     pt(1, h - 1),     pt(1, h - 3),     pt(2, h - 2),
                               pt(w - 1, h - 2), pt(w - 2, h - 1), pt(w - 2, h - 3), pt(w - 3, h - 2)};
  dc.setForeground(base);
  dc.drawPoints(corners, 4);
  dc.setForeground(c.outline);
  dc.drawRectangle(2, 0, w - 5, 0);
  dc.drawRectangle(2, h - 1, w - 5, 0);
  dc.drawRectangle(0, 2, 0, h - 5);
  dc.drawRectangle(w - 1, 2, 0, h - 5);
  dc.drawPoints(inner, 4);
  dc.setForeground(c.corner);
  dc.drawPoints(shading, 16);
  // The columns beside the outline belong to the face in both states: a
  // pixel left out keeps whatever the screen showed there before.
  if (!pressed) {
    fill_vertical_gradient(dc, c.top, c.bottom, 2, 1, w - 4, h - 2);
    dc.setForeground(c.top);
    dc.drawRectangle(1, 3, 0, h - 7);
    dc.setForeground(c.bottom);
    dc.drawRectangle(w - 2, 3, 0, h - 7);
  } else {
    dc.setForeground(ThemeColor::PRESSED);
    dc.fillRectangle(2, 1, w - 4, h - 2);
    dc.drawRectangle(1, 3, 0, h - 7);
    dc.drawRectangle(w - 2, 3, 0, h - 7);
  }
}

// ---------------------------------------------------------------- button

FXDEFMAP(ThemeButton) ThemeButtonMap[] = {
    FXMAPFUNC(SEL_PAINT, 0, ThemeButton::onPaint),
};
FXIMPLEMENT(ThemeButton, FXButton, ThemeButtonMap, ARRAYNUMBER(ThemeButtonMap))

ThemeButton::ThemeButton(FXComposite *p, const FXString &text, FXIcon *icon, FXObject *tgt, FXSelector sel,
                         FXuint opts, FXint x, FXint y, FXint w, FXint h, FXint pl, FXint pr, FXint pt_,
                         FXint pb)
    : FXButton(p, text, icon, tgt, sel, opts, x, y, w, h, pl, pr, pt_, pb)
{
}

long ThemeButton::onPaint(FXObject *, FXSelector, void *ptr)
{
  FXEvent *ev = static_cast<FXEvent *>(ptr);
  FXDCWindow dc(this, ev);
  const FXuint opts = options;

  if ((opts & STYLE_TOOLBAR) && !underCursor()) {
    dc.setForeground(baseColor);
    dc.fillRectangle(0, 0, width, height);
  } else {
    draw_face(dc, baseColor, BUTTON_FACE, width, height, state != STATE_UP);
  }

  const LabelFace::Place p = LabelFace::place(this, icon ? icon->getWidth() : 0, icon ? icon->getHeight() : 0,
                                              state != STATE_UP && (opts & (STYLE_RAISED | STYLE_SUNKEN)));
  LabelFace::paint(this, dc, p, icon, isEnabled());
  if (isEnabled() && hasFocus())
    dc.drawFocusRectangle(border + 1, border + 1, width - 2 * border - 2, height - 2 * border - 2);
  return 1;
}

// ------------------------------------------------------------ text field

FXDEFMAP(ThemeTextField) ThemeTextFieldMap[] = {
    FXMAPFUNC(SEL_PAINT, 0, ThemeTextField::onPaint),
};
FXIMPLEMENT(ThemeTextField, FXTextField, ThemeTextFieldMap, ARRAYNUMBER(ThemeTextFieldMap))

ThemeTextField::ThemeTextField(FXComposite *p, FXint ncols, FXObject *tgt, FXSelector sel, FXuint opts, FXint x,
                               FXint y, FXint w, FXint h, FXint pl, FXint pr, FXint pt_, FXint pb)
    : FXTextField(p, ncols, tgt, sel, opts, x, y, w, h, pl, pr, pt_, pb)
{
}

long ThemeTextField::onPaint(FXObject *, FXSelector, void *ptr)
{
  FXEvent *ev = static_cast<FXEvent *>(ptr);
  FXDCWindow dc(this, ev);
  dc.setFont(font);
  // The outline is one pixel wide whatever the frame style asked for, so
  // everything inside it is filled, a thick border's second ring as well:
  // the window has no background of its own, and a pixel left out keeps
  // whatever the screen showed there before (a closed list, the desktop).
  draw_line_frame(dc, 0, 0, width, height);
  dc.setForeground(isEnabled() ? backColor : baseColor);
  dc.fillRectangle(1, 1, width - 2, height - 2);
  dc.setClipRectangle(border, border, width - 2 * border, height - 2 * border);
  drawTextRange(dc, 0, contents.length());
  // The toolkit of this series has no separate caret painter to call: the
  // caret is drawn here the way the field's own blinking draws it, and no
  // wider, since the blinking erases only its own caret: a wider serif
  // would leave its end behind.
  if (flags & FLAG_CARET) {
    const FXint xx = coord(cursor) - 1;
    const FXint top = padtop + border;
    const FXint bottom = height - padbottom - border - 1;
    dc.setForeground(cursorColor);
    dc.fillRectangle(xx, top, 2, bottom - top + 1);
    dc.fillRectangle(xx - 2, top, 5, 1);
    dc.fillRectangle(xx - 2, bottom, 5, 1);
  }
  return 1;
}

// ----------------------------------------------------------- menu button

FXDEFMAP(ThemeMenuButton) ThemeMenuButtonMap[] = {
    FXMAPFUNC(SEL_PAINT, 0, ThemeMenuButton::onPaint),
};
FXIMPLEMENT(ThemeMenuButton, FXMenuButton, ThemeMenuButtonMap, ARRAYNUMBER(ThemeMenuButtonMap))

ThemeMenuButton::ThemeMenuButton(FXComposite *p, const FXString &text, FXIcon *icon, FXPopup *pup, FXuint opts,
                                 FXint x, FXint y, FXint w, FXint h, FXint pl, FXint pr, FXint pt_, FXint pb)
    : FXMenuButton(p, text, icon, pup, opts, x, y, w, h, pl, pr, pt_, pb)
{
}

namespace {
// The menu button's arrow, its box at (x, y): 13 x 5 pointing down or up,
// 5 x 13 pointing left or right.
void draw_menu_arrow(FXDC &dc, FXuint opts, FXint ix, FXint iy)
{
  if ((opts & (STYLE_ARROW_UP | STYLE_ARROW_LEFT)) == (STYLE_ARROW_UP | STYLE_ARROW_LEFT)) {
    const FXPoint p[3] = {pt(ix, iy), pt(ix, iy + 12), pt(ix + 5, iy + 6)};
    dc.fillPolygon(p, 3);
  } else if (opts & STYLE_ARROW_LEFT) {
    const FXPoint p[3] = {pt(ix + 5, iy), pt(ix + 5, iy + 12), pt(ix, iy + 6)};
    dc.fillPolygon(p, 3);
  } else if (opts & STYLE_ARROW_UP) {
    const FXPoint p[3] = {pt(ix + 6, iy - 1), pt(ix, iy + 5), pt(ix + 13, iy + 5)};
    dc.fillPolygon(p, 3);
  } else {
    const FXPoint p[6] = {pt(ix + 1, iy),  pt(ix + 6, iy + 5), pt(ix + 12, iy),
                          pt(ix + 10, iy), pt(ix + 6, iy + 2), pt(ix + 3, iy)};
    dc.fillConcavePolygon(p, 6);
  }
}
} // namespace

void ThemeMenuButton::paintBackground(FXDCWindow &dc, bool popped, bool enabled)
{
  const FXuint opts = options;
  if (!(opts & (STYLE_RAISED | STYLE_SUNKEN))) {
    dc.setForeground((enabled && popped) ? hiliteColor : backColor);
    dc.fillRectangle(0, 0, width, height);
  } else if (!(opts & STYLE_TOOLBAR)) {
    draw_face(dc, baseColor, MENU_BUTTON_FACE, width, height, enabled && popped);
  } else if (enabled && underCursor() && !popped) {
    dc.setForeground(backColor);
    dc.fillRectangle(border, border, width - 2 * border, height - 2 * border);
    if (opts & STYLE_THICK)
      drawDoubleRaisedRectangle(dc, 0, 0, width, height);
    else
      drawRaisedRectangle(dc, 0, 0, width, height);
  } else if (!enabled || !popped) {
    dc.setForeground(backColor);
    dc.fillRectangle(0, 0, width, height);
  } else {
    dc.setForeground(hiliteColor);
    dc.fillRectangle(border, border, width - 2 * border, height - 2 * border);
    if (opts & STYLE_THICK)
      drawDoubleSunkenRectangle(dc, 0, 0, width, height);
    else
      drawSunkenRectangle(dc, 0, 0, width, height);
  }
}

long ThemeMenuButton::onPaint(FXObject *, FXSelector, void *ptr)
{
  FXEvent *ev = static_cast<FXEvent *>(ptr);
  FXDCWindow dc(this, ev);
  const FXuint opts = options;
  const bool popped = state != 0;
  const bool enabled = isEnabled();
  paintBackground(dc, popped, enabled);

  FXint iw = 0, ih = 0;
  if (icon) {
    iw = icon->getWidth();
    ih = icon->getHeight();
  } else if (!(opts & STYLE_NO_ARROWS)) {
    if (opts & STYLE_ARROW_LEFT) {
      iw = 5;
      ih = 13;
    } else {
      iw = 13;
      ih = 5;
    }
  }
  const LabelFace::Place p = LabelFace::place(this, iw, ih, popped);
  if (!icon && !(opts & STYLE_NO_ARROWS)) {
    dc.setForeground(enabled ? ThemeColor::MENU_ARROW : shadowColor);
    draw_menu_arrow(dc, opts, p.ix, p.iy);
  }
  LabelFace::paint(this, dc, p, icon, enabled);
  if (enabled && hasFocus())
    dc.drawFocusRectangle(border + 1, border + 1, width - 2 * border - 2, height - 2 * border - 2);
  return 1;
}

FXint ThemeMenuButton::getDefaultWidth()
{
  const FXuint opts = options;
  FXint tw = 0, s = 0, iw = 0, w;
  if (!label.empty()) {
    tw = labelWidth(label);
    s = 4;
  }
  if (!(opts & STYLE_NO_ARROWS))
    iw = (opts & STYLE_ARROW_LEFT) ? 5 : 13;
  if (icon)
    iw = icon->getWidth();
  if (!(opts & STYLE_ICON_BESIDE))
    w = std::max(tw, iw);
  else
    w = tw + iw + s;
  w += padleft + padright + 2 * border;
  if (!(opts & STYLE_ARROW_LEFT) && (opts & STYLE_ATTACH_RIGHT) && (opts & STYLE_ATTACH_BOTTOM) && pane)
    w = std::max(w, pane->getDefaultWidth());
  return w;
}

// ------------------------------------------------------------- combo box

FXDEFMAP(ThemeComboBox) ThemeComboBoxMap[] = {
    FXMAPFUNC(SEL_PAINT, 0, ThemeComboBox::onPaint),
};
FXIMPLEMENT(ThemeComboBox, FXComboBox, ThemeComboBoxMap, ARRAYNUMBER(ThemeComboBoxMap))

ThemeComboBox::ThemeComboBox(FXComposite *p, FXint ncols, FXObject *tgt, FXSelector sel, FXuint opts, FXint x,
                             FXint y, FXint w, FXint h, FXint pl, FXint pr, FXint pt_, FXint pb)
    : FXComboBox(p, ncols, tgt, sel, opts, x, y, w, h, pl, pr, pt_, pb)
{
  // Swap the toolkit's drop-down button for a themed one on the same pane.
  delete button;
  button = new ThemeMenuButton(this, FXString::null, nullptr, pane, FRAME_RAISED | MENUBUTTON_ATTACH_RIGHT, 0, 0,
                               0, 0, 0, 0, 0, 0);
  button->setXOffset(border);
  button->setYOffset(border);
}

long ThemeComboBox::onPaint(FXObject *, FXSelector, void *ptr)
{
  FXEvent *ev = static_cast<FXEvent *>(ptr);
  FXDCWindow dc(this, ev);
  dc.setForeground(backColor);
  dc.fillRectangle(ev->rect.x, ev->rect.y, ev->rect.w, ev->rect.h);
  draw_line_frame(dc, 0, 0, width, height);
  return 1;
}

// ----------------------------------------------------------------- label

FXDEFMAP(ThemeLabel) ThemeLabelMap[] = {
    FXMAPFUNC(SEL_PAINT, 0, ThemeLabel::onPaint),
};
FXIMPLEMENT(ThemeLabel, FXLabel, ThemeLabelMap, ARRAYNUMBER(ThemeLabelMap))

ThemeLabel::ThemeLabel(FXComposite *p, const FXString &text, FXIcon *icon, FXuint opts, FXint x, FXint y, FXint w,
                       FXint h, FXint pl, FXint pr, FXint pt_, FXint pb)
    : FXLabel(p, text, icon, opts, x, y, w, h, pl, pr, pt_, pb)
{
}

long ThemeLabel::onPaint(FXObject *, FXSelector, void *ptr)
{
  FXEvent *ev = static_cast<FXEvent *>(ptr);
  FXDCWindow dc(this, ev);
  const FXuint opts = options;
  dc.setForeground(backColor);
  dc.fillRectangle(0, 0, width, height);

  const LabelFace::Place p = LabelFace::place(this, icon ? icon->getWidth() : 0, icon ? icon->getHeight() : 0, false);
  LabelFace::paint(this, dc, p, icon, isEnabled());
  if (opts & (STYLE_SUNKEN | STYLE_RAISED | STYLE_THICK)) {
    if (opts & STYLE_SUNKEN)
      draw_sunken_frame(dc, 0, 0, width, height);
    else if (opts & STYLE_RAISED)
      draw_raised_frame(dc, 0, 0, width, height);
    else
      draw_line_frame(dc, 0, 0, width, height);
  }
  return 1;
}

// -------------------------------------------------------------- tab item

FXIMPLEMENT(ThemeTabItem, FXTabItem, nullptr, 0)

ThemeTabItem::ThemeTabItem(FXTabBar *p, const FXString &text, FXIcon *icon, FXuint opts, FXint x, FXint y,
                           FXint w, FXint h, FXint pl, FXint pr, FXint pt_, FXint pb)
    : FXTabItem(p, text, icon, opts, x, y, w, h, pl, pr, pt_, pb)
{
  setShadowColor(ThemeColor::OUTLINE);
  setBorderColor(ThemeColor::OUTLINE);
  setHiliteColor(ThemeColor::OUTLINE);
}

// ---------------------------------------------------------------- frames

ThemeVerticalFrame::ThemeVerticalFrame(FXComposite *p, FXuint opts, FXint x, FXint y, FXint w, FXint h, FXint pl,
                                       FXint pr, FXint pt_, FXint pb, FXint hs, FXint vs)
    : FXVerticalFrame(p, opts, x, y, w, h, pl, pr, pt_, pb, hs, vs)
{
  setHiliteColor(ThemeColor::OUTLINE);
}

ThemeHorizontalFrame::ThemeHorizontalFrame(FXComposite *p, FXuint opts, FXint x, FXint y, FXint w, FXint h,
                                           FXint pl, FXint pr, FXint pt_, FXint pb, FXint hs, FXint vs)
    : FXHorizontalFrame(p, opts, x, y, w, h, pl, pr, pt_, pb, hs, vs)
{
  setHiliteColor(ThemeColor::OUTLINE);
}

} // namespace Tools
