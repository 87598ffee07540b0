// The themed widgets paint every pixel of their windows. A toolkit window
// has no background of its own: a pixel its paint leaves out keeps what the
// screen showed there before (the desktop, a closed list, a caret's end).
// The pixels are read back from the server.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/guisupport/gui_support.h"
#include "tools/widgets/theme.h"

using namespace FX;
using korvan_gui_test::app;
using korvan_gui_test::run_until;

namespace {

// The window's pixels as the server holds them, its children's included.
struct Pixels
{
  FXint w = 0;
  std::vector<FXColor> px;
  FXColor at(FXint x, FXint y) const { return px[static_cast<size_t>(y * w + x)] | 0xFF000000; }
};

Pixels grab(FXWindow *window)
{
  Pixels p;
  p.w = window->getWidth();
  const FXint h = window->getHeight();
  FXImage image(app(), nullptr, IMAGE_KEEP, p.w, h);
  image.create();
  {
    FXDCWindow dc(&image);
    dc.clipChildren(FALSE);
    dc.drawArea(window, 0, 0, p.w, h, 0, 0);
  }
  image.restore();
  for (FXint y = 0; y < h; ++y)
    for (FXint x = 0; x < p.w; ++x)
      p.px.push_back(image.getPixel(x, y));
  return p;
}

int differing(const Pixels &a, const Pixels &b)
{
  int n = 0;
  for (size_t i = 0; i < a.px.size(); ++i)
    n += a.px[i] != b.px[i];
  return n;
}

// Repaints the window itself at once.
void repaint(FXWindow *w)
{
  w->update();
  w->repaint();
}

// How many pixels of the window its paint leaves as they were: painted
// over black and over white, those differ.
int unpainted(FXWindow *w)
{
  std::vector<Pixels> shots;
  for (FXColor under : {FXRGB(0, 0, 0), FXRGB(255, 255, 255)}) {
    {
      FXDCWindow dc(w);
      dc.setForeground(under);
      dc.fillRectangle(0, 0, w->getWidth(), w->getHeight());
    }
    repaint(w);
    shots.push_back(grab(w));
  }
  return differing(shots[0], shots[1]);
}

class FieldPaint : public ::testing::Test
{
protected:
  FXMainWindow *window = nullptr;
  FXVerticalFrame *frame = nullptr;

  void SetUp() override
  {
    window = new FXMainWindow(app(), "Felder", nullptr, nullptr, DECOR_ALL, 0, 0, 320, 300);
    frame = new FXVerticalFrame(window, LAYOUT_FILL, 0, 0, 0, 0, 8, 8, 8, 8, 6, 6);
  }
  void TearDown() override { delete window; }

  // The window opens where the screen is dark.
  void open()
  {
    FXMainWindow *dark = new FXMainWindow(app(), "Dunkel", nullptr, nullptr, 0, 0, 0, 1280, 1024);
    dark->setBackColor(FXRGB(0, 0, 0));
    dark->create();
    dark->show();
    korvan_gui_test::run_pending(100);
    window->create();
    window->show(PLACEMENT_SCREEN);
    korvan_gui_test::run_pending(200);
    delete dark;
  }
};

// Around each field only the parent's background; between its outline and
// its text only its own background; and nothing a repaint of the field
// would not draw again.
void expect_clean(FXComposite *parent, const std::vector<Tools::ThemeTextField *> &fields, const char *when)
{
  korvan_gui_test::run_pending(150);
  const Pixels p = grab(parent);
  const FXColor around = parent->getBackColor() | 0xFF000000;
  for (size_t i = 0; i < fields.size(); ++i) {
    Tools::ThemeTextField *f = fields[i];
    const FXint x0 = f->getX(), y0 = f->getY(), w = f->getWidth(), h = f->getHeight();
    const FXColor own = (f->isEnabled() ? f->getBackColor() : f->getBaseColor()) | 0xFF000000;
    const FXint side = f->getBorderWidth(), top = side + f->getPadTop(), bottom = side + f->getPadBottom();
    int outside = 0, margin = 0;
    for (FXint y = -2; y < h + 2; ++y)
      for (FXint x = -2; x < w + 2; ++x) {
        const FXColor c = p.at(x0 + x, y0 + y);
        if (x < 0 || y < 0 || x >= w || y >= h)
          outside += c != around;
        else if (x > 0 && y > 0 && x < w - 1 && y < h - 1 &&
                 (x < side || x >= w - side || y < top || y >= h - bottom))
          margin += c != own;
      }
    EXPECT_EQ(0, outside) << when << ": around field " << i;
    EXPECT_EQ(0, margin) << when << ": inside field " << i;
  }
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i]->hasFocus())
      continue; // its caret blinks meanwhile
    const Pixels now = grab(fields[i]);
    repaint(fields[i]);
    EXPECT_EQ(0, differing(now, grab(fields[i]))) << when << ": left over in field " << i;
  }
}

TEST_F(FieldPaint, FieldsStayCleanWhileTheUserWorksAroundThem)
{
  Tools::ThemeComboBox *combo = new Tools::ThemeComboBox(frame, 20, nullptr, 0, COMBOBOX_NORMAL | LAYOUT_FILL_X);
  for (int i = 1; i <= 12; ++i)
    combo->appendItem(("Zeile " + std::to_string(i)).c_str());
  combo->setNumVisible(12);
  // The frames the windows use: thick and plain, a disabled time stamp, a
  // password, an amount.
  const std::pair<FXuint, const char *> specs[] = {
      {FRAME_SUNKEN | FRAME_THICK, "Berg"},
      {FRAME_SUNKEN | FRAME_THICK, "0000-00-00 00:00:00"},
      {FRAME_SUNKEN | FRAME_THICK | TEXTFIELD_PASSWD, "geheim"},
      {FRAME_SUNKEN, "Anna"},
      {FRAME_SUNKEN | FRAME_THICK | JUSTIFY_RIGHT, "7.00"},
  };
  std::vector<Tools::ThemeTextField *> fields;
  for (const auto &s : specs) {
    fields.push_back(
        new Tools::ThemeTextField(frame, 20, nullptr, 0, s.first | LAYOUT_FILL_X, 0, 0, 0, 0, 2, 2, 2, 2));
    fields.back()->setText(s.second);
  }
  fields[1]->disable();
  open();
  expect_clean(frame, fields, "opened");

  ASSERT_TRUE(korvan_gui_test::click(combo->getMenuButton(), 1));
  ASSERT_TRUE(run_until([&] { return combo->isPaneShown(); }));
  ASSERT_TRUE(korvan_gui_test::xdo("key Escape"));
  ASSERT_TRUE(run_until([&] { return !combo->isPaneShown(); }));
  expect_clean(frame, fields, "list closed");

  // A pause after typing lets the caret blink off before the focus moves.
  ASSERT_TRUE(korvan_gui_test::click(fields[0], 1));
  ASSERT_TRUE(run_until([&] { return fields[0]->hasFocus(); }));
  ASSERT_TRUE(korvan_gui_test::xdo("type --delay 30 ergmann"));
  ASSERT_TRUE(run_until([&] { return fields[0]->getText() == "Bergergmann"; }));
  korvan_gui_test::run_pending(static_cast<int>(app()->getBlinkSpeed()) + 300);
  ASSERT_TRUE(korvan_gui_test::click(fields[3], 1));
  ASSERT_TRUE(run_until([&] { return fields[3]->hasFocus(); }));
  expect_clean(frame, fields, "focus moved");

  const FXint narrow = fields[0]->getWidth();
  ASSERT_TRUE(korvan_gui_test::xdo("windowsize " + std::to_string(window->id()) + " 420 300"));
  ASSERT_TRUE(run_until([&] { return fields[0]->getWidth() > narrow; }));
  expect_clean(frame, fields, "window resized");
  EXPECT_TRUE(korvan_gui_test::screenshot(korvan_gui_test::shot_dir() + "/field_paint.png"));
}

TEST_F(FieldPaint, EveryThemedWidgetPaintsAllItsPixels)
{
  Tools::ThemeTextField *disabled = new Tools::ThemeTextField(frame, 10, nullptr, 0, FRAME_SUNKEN | FRAME_THICK);
  disabled->disable();
  Tools::ThemeButton *pressed = new Tools::ThemeButton(frame, "Gedrückt");
  const std::pair<const char *, FXWindow *> widgets[] = {
      {"button", new Tools::ThemeButton(frame, "Knopf")},
      {"pressed button", pressed},
      {"thick field", new Tools::ThemeTextField(frame, 10, nullptr, 0, FRAME_SUNKEN | FRAME_THICK)},
      {"disabled field", disabled},
      {"combo box", new Tools::ThemeComboBox(frame, 10, nullptr, 0, FRAME_SUNKEN | FRAME_THICK)},
  };
  open();
  ASSERT_TRUE(korvan_gui_test::point_at(pressed) && korvan_gui_test::xdo("mousedown 1"));
  EXPECT_TRUE(run_until([&] { return pressed->getState() == STATE_DOWN; }));
  for (const auto &w : widgets)
    EXPECT_EQ(0, unpainted(w.second)) << w.first;
  EXPECT_TRUE(korvan_gui_test::xdo("mouseup 1"));
}

} // namespace
