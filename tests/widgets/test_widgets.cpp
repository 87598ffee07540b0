// The themed widgets painted on the display, their pixels compared with
// the palette; their drawing routines against a recording device context;
// button bars and the icon set.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gui/buttonbar.h"
#include "gui/iconmanager.h"
#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"
#include "tools/widgets/theme.h"

using namespace FX;
using korvan_gui_test::app;
namespace ThemeColor = Tools::ThemeColor;

namespace {

// Paints the widget through its own handler and reads one pixel back.
FXColor pixel(FXWindow *w, FXint x, FXint y)
{
  FXEvent ev;
  ev.rect = FXRectangle(0, 0, static_cast<FXshort>(w->getWidth()), static_cast<FXshort>(w->getHeight()));
  w->handle(nullptr, FXSEL(SEL_PAINT, 0), &ev);
  FXImage image(app(), nullptr, IMAGE_KEEP, w->getWidth(), w->getHeight());
  image.create();
  FXDCWindow(&image).drawArea(w, 0, 0, w->getWidth(), w->getHeight(), 0, 0);
  image.restore();
  return image.getPixel(x, y) | 0xFF000000;
}

TEST(Theme, WidgetsPaintTheirFrameAndFaceByStyleAndState)
{
  FXIcon icon(app(), nullptr, 0, 0, 30, 10);
  FXMainWindow *window = new FXMainWindow(app(), "Themen", nullptr, nullptr, DECOR_ALL, 0, 0, 420, 420);
  FXVerticalFrame *frame = new FXVerticalFrame(window, LAYOUT_FILL, 0, 0, 0, 0, 8, 8, 8, 8, 8, 8);
  Tools::ThemeButton *plain = new Tools::ThemeButton(frame, "Ohne Rahmen", nullptr, nullptr, 0, 0);
  Tools::ThemeButton *pressed = new Tools::ThemeButton(frame, "Gedrückt");
  Tools::ThemeButton *off = new Tools::ThemeButton(frame, "Gesperrt");
  Tools::ThemeButton *flat =
      new Tools::ThemeButton(frame, "Werkzeug", nullptr, nullptr, 0, BUTTON_TOOLBAR | FRAME_RAISED);
  Tools::ThemeLabel *raised = new Tools::ThemeLabel(frame, "Tisch 1", nullptr, FRAME_RAISED | FRAME_THICK);
  Tools::ThemeLabel *sunken = new Tools::ThemeLabel(frame, "Tisch 2", nullptr, FRAME_SUNKEN | FRAME_THICK);
  Tools::ThemeLabel *thick = new Tools::ThemeLabel(frame, "Linie", nullptr, FRAME_THICK);
  Tools::ThemeLabel *bare = new Tools::ThemeLabel(frame, "Ohne", nullptr, 0);
  Tools::ThemeTextField *field = new Tools::ThemeTextField(frame, 10);
  Tools::ThemeTextField *locked = new Tools::ThemeTextField(frame, 10);
  Tools::ThemeComboBox *combo = new Tools::ThemeComboBox(frame, 12, nullptr, 0, COMBOBOX_NORMAL | FRAME_SUNKEN);
  FXMenuButton *pictured = new Tools::ThemeMenuButton(frame, "", &icon, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(30, pictured->getDefaultWidth()); // the icon's width, not the arrow's
  window->create();
  window->show(PLACEMENT_SCREEN);
  korvan_gui_test::run_pending(150);
  pressed->setState(STATE_DOWN);
  off->setState(STATE_DOWN);
  off->disable(); // the face still follows the state
  flat->setState(STATE_ENGAGED);
  locked->disable();
  FXMenuButton *arrow = combo->getMenuButton();
  ASSERT_NE(nullptr, dynamic_cast<Tools::ThemeMenuButton *>(arrow));
  const FXint mid = field->getHeight() / 2, right = field->getWidth() - 4;
  const struct
  {
    FXWindow *widget;
    FXint x, y;
    FXColor color;
  } cases[] = {
      {plain, 5, 0, ThemeColor::OUTLINE},           {plain, 5, 1, ThemeColor::BUTTON_TOP},
      {pressed, 5, 1, ThemeColor::PRESSED},         {off, 5, 1, ThemeColor::PRESSED},
      {flat, 5, 0, flat->getBaseColor()},           {flat, 5, 1, flat->getBaseColor()},
      {raised, 1, 1, ThemeColor::LABEL_RAISED},     {sunken, 0, 0, ThemeColor::LABEL_SUNKEN},
      {thick, 0, 0, ThemeColor::OUTLINE},           {bare, 0, 0, bare->getBackColor()},
      {field, 0, 0, ThemeColor::OUTLINE},           {field, right, mid, field->getBackColor()},
      {locked, right, mid, locked->getBaseColor()}, {combo, 0, 0, ThemeColor::OUTLINE},
      {arrow, 5, 0, ThemeColor::MENU_OUTLINE},      {arrow, 5, 1, ThemeColor::MENU_TOP},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.color | 0xFF000000, pixel(c.widget, c.x, c.y)) << c.widget->getClassName() << " " << &c - cases;
  delete window;
}

struct RecordingDC : FXDC
{
  FXColor fg = 0;
  std::vector<std::pair<FXRectangle, FXColor> > fills;
  int points = 0;
  RecordingDC() : FXDC(korvan_gui_test::app()) {}
  void setForeground(FXColor c) override { fg = c; }
  void fillRectangle(FXint x, FXint y, FXint w, FXint h) override { fills.push_back({FXRectangle(x, y, w, h), fg}); }
  void drawPoints(const FXPoint *, FXuint) override { ++points; }
};

// The channel lies between the last band's and the bottom colour's.
bool toward(FXuint from, FXuint now, FXuint to) { return std::min(from, to) <= now && now <= std::max(from, to); }

TEST(Drawing, EmptyAreasGetNothingAndAGradientCoversItsRowsOnceTowardTheBottomColour)
{
  const FXColor top = FXRGB(200, 7, 9), bottom = FXRGB(0, 250, 255);
  for (FXint w : {-3, 0, 20})
    for (FXint h : {-1, 0, 1, 50, 1000}) {
      RecordingDC dc;
      Tools::fill_vertical_gradient(dc, top, bottom, 3, 4, w, h);
      if (w <= 0 || h <= 0) {
        Tools::draw_line_frame(dc, 0, 0, w, h);
        Tools::draw_sunken_frame(dc, 0, 0, w, h);
        Tools::draw_face(dc, 0, Tools::BUTTON_FACE, w, h, false);
        EXPECT_EQ(0u, dc.fills.size() + dc.points) << w << "x" << h;
        continue;
      }
      FXint next = 4;
      FXColor last = top;
      for (const auto &fill : dc.fills) {
        const FXRectangle &f = fill.first;
        const FXColor c = fill.second;
        EXPECT_TRUE(f.x == 3 && f.w == 20 && f.y == next && f.h >= 1) << h << ": " << f.y << "+" << f.h;
        EXPECT_TRUE(toward(FXREDVAL(last), FXREDVAL(c), FXREDVAL(bottom)) &&
                    toward(FXGREENVAL(last), FXGREENVAL(c), FXGREENVAL(bottom)) &&
                    toward(FXBLUEVAL(last), FXBLUEVAL(c), FXBLUEVAL(bottom)) && (next > 4 || c == top))
            << h << ": " << std::hex << last << " then " << c;
        next = f.y + f.h;
        last = c;
      }
      EXPECT_EQ(4 + h, next);
    }
}

TEST(IconSet, EveryNameHasItsPictureIgnoringCase)
{
  IconManager icons(korvan_gui_test::app());
  EXPECT_EQ(icons.get_fallback(), icons.get_icon("ok "));
  for (const char *name : {"ok", "cancel", "test", "new", "delete", "save", "read", "export", "close", "exit"})
    EXPECT_NE(icons.get_fallback(), icons.get_icon(name)) << name;
  EXPECT_EQ(icons.get_icon("ok"), icons.get_icon("OK"));
  icons.create();
}

TEST(ButtonBar, ButtonsJoinTheCentredGroupUntilTheFirstNestedOneAndShowTheirPictures)
{
  MainWindow *main = korvan_gui_test::make_main_window("");
  FXDialogBox *dialog = new FXDialogBox(main, "Knöpfe", DECOR_ALL, 0, 0, 420, 200);
  ButtonBar *decision = new ButtonBar(dialog, main);
  BarButton *ok = decision->add_ok(dialog, FXDialogBox::ID_ACCEPT);
  BarButton *cancel = decision->add_cancel(dialog, FXDialogBox::ID_CANCEL);
  EXPECT_EQ(nullptr, decision->get_nested_frame());
  EXPECT_EQ(decision->get_inner_frame(), ok->getParent());
  EXPECT_EQ(decision->get_inner_frame(), cancel->getParent());

  // Once one button went to the right group, every later one follows it.
  ButtonBar *maintenance = new ButtonBar(dialog, main);
  BarButton *del = maintenance->add_delete(dialog, 70, false);
  BarButton *save = maintenance->add_save(dialog, 71, true);
  BarButton *test = maintenance->add_test(dialog, 72, false);
  EXPECT_EQ(maintenance->get_inner_frame(), del->getParent());
  EXPECT_EQ(maintenance->get_nested_frame(), save->getParent());
  EXPECT_EQ(maintenance->get_nested_frame(), test->getParent());

  BarButton *fresh = new BarButtonNew(dialog, main, nullptr, 0, 0);
  for (BarButton *b : {ok, cancel, del, save, test, fresh})
    EXPECT_NE(main->getIconManager().get_fallback(), b->getIcon()) << b->getText().text();
  EXPECT_EQ(nullptr, (new BarButton(dialog, main, "Ohne Bild", "", nullptr, 0, 0))->getIcon());
  delete dialog;
  delete main;
}

} // namespace
