// The themed widgets on the display, their pixels read back: every pixel of
// a window painted (a toolkit window has no background of its own, so a
// pixel left out keeps what the screen showed before), in the palette's
// colours. Button bars and the icon set.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gui/buttonbar.h"
#include "gui/iconmanager.h"
#include "tests/guisupport/gui_support.h"
#include "tools/widgets/theme.h"

using namespace FX;
using korvan_gui_test::app;
using korvan_gui_test::run_until;
namespace ThemeColor = Tools::ThemeColor;

namespace {

// The window's pixels as the server holds them, its children's included.
std::vector<FXColor> shown(FXWindow *w)
{
  FXImage image(app(), nullptr, IMAGE_KEEP, w->getWidth(), w->getHeight());
  image.create();
  {
    FXDCWindow dc(&image);
    dc.clipChildren(FALSE);
    dc.drawArea(w, 0, 0, w->getWidth(), w->getHeight(), 0, 0);
  }
  image.restore();
  return std::vector<FXColor>(image.getData(), image.getData() + w->getWidth() * w->getHeight());
}

std::vector<FXColor> repainted(FXWindow *w)
{
  w->update();
  w->repaint();
  return shown(w);
}

FXColor pixel(FXWindow *w, FXint x, FXint y) { return repainted(w)[y * w->getWidth() + x] | 0xFF000000; }

// How many pixels of the window its paint leaves as they were: painted
// over black and over white, those differ.
int unpainted(FXWindow *w)
{
  std::vector<FXColor> shots[2];
  for (int white = 0; white < 2; ++white) {
    {
      FXDCWindow dc(w);
      dc.setForeground(white ? FXRGB(255, 255, 255) : FXRGB(0, 0, 0));
      dc.fillRectangle(0, 0, w->getWidth(), w->getHeight());
    }
    shots[white] = repainted(w);
  }
  int n = 0;
  for (size_t i = 0; i < shots[0].size(); ++i)
    n += shots[0][i] != shots[1][i];
  return n;
}

class Paint : public ::testing::Test
{
protected:
  FXMainWindow *window = new FXMainWindow(app(), "Themen", nullptr, nullptr, DECOR_ALL, 0, 0, 320, 560);
  FXVerticalFrame *frame = new FXVerticalFrame(window, LAYOUT_FILL, 0, 0, 0, 0, 8, 8, 8, 8, 6, 6);

  ~Paint() override { delete window; }
  void open()
  {
    window->create();
    window->show(PLACEMENT_SCREEN);
    korvan_gui_test::run_pending(200);
  }
};

TEST_F(Paint, WidgetsPaintEveryPixelInThePalettesColoursByStyleAndState)
{
  Tools::ThemeButton *plain = new Tools::ThemeButton(frame, "Ohne Rahmen", nullptr, nullptr, 0, 0);
  Tools::ThemeButton *pressed = new Tools::ThemeButton(frame, "Gedrückt");
  Tools::ThemeButton *off = new Tools::ThemeButton(frame, "Gesperrt");
  Tools::ThemeButton *flat =
      new Tools::ThemeButton(frame, "Werkzeug", nullptr, nullptr, 0, BUTTON_TOOLBAR | FRAME_RAISED);
  Tools::ThemeButton *tiny =
      new Tools::ThemeButton(frame, "", nullptr, nullptr, 0, LAYOUT_FIX_WIDTH | LAYOUT_FIX_HEIGHT, 0, 0, 3, 2);
  Tools::ThemeLabel *raised = new Tools::ThemeLabel(frame, "Tisch 1", nullptr, FRAME_RAISED | FRAME_THICK);
  Tools::ThemeLabel *sunken = new Tools::ThemeLabel(frame, "Tisch 2", nullptr, FRAME_SUNKEN | FRAME_THICK);
  Tools::ThemeLabel *thick = new Tools::ThemeLabel(frame, "Linie", nullptr, FRAME_THICK);
  Tools::ThemeLabel *bare = new Tools::ThemeLabel(frame, "Ohne", nullptr, 0);
  Tools::ThemeTextField *field = new Tools::ThemeTextField(frame, 10, nullptr, 0, FRAME_SUNKEN | FRAME_THICK);
  Tools::ThemeTextField *locked = new Tools::ThemeTextField(frame, 10, nullptr, 0, FRAME_SUNKEN | FRAME_THICK);
  Tools::ThemeComboBox *combo = new Tools::ThemeComboBox(frame, 10, nullptr, 0, FRAME_SUNKEN | FRAME_THICK);
  open();
  ASSERT_TRUE(korvan_gui_test::point_at(pressed) && korvan_gui_test::xdo("mousedown 1"));
  EXPECT_TRUE(run_until([&] { return pressed->getState() == STATE_DOWN; }));
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
      {plain, 5, 0, ThemeColor::OUTLINE},         {plain, 5, 1, ThemeColor::BUTTON_TOP},
      {pressed, 5, 1, ThemeColor::PRESSED},       {off, 5, 1, ThemeColor::PRESSED},
      {flat, 5, 1, flat->getBaseColor()},         {raised, 1, 1, ThemeColor::LABEL_RAISED},
      {sunken, 0, 0, ThemeColor::LABEL_SUNKEN},   {thick, 0, 0, ThemeColor::OUTLINE},
      {bare, 0, 0, bare->getBackColor()},         {field, 0, 0, ThemeColor::OUTLINE},
      {field, right, mid, field->getBackColor()}, {locked, right, mid, locked->getBaseColor()},
      {combo, 0, 0, ThemeColor::OUTLINE},         {arrow, 5, 0, ThemeColor::MENU_OUTLINE},
      {arrow, 5, 1, ThemeColor::MENU_TOP},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.color | 0xFF000000, pixel(c.widget, c.x, c.y)) << c.widget->getClassName() << " " << &c - cases;
  FXWindow *const all[] = {plain, pressed, off, flat, tiny, raised, sunken, thick, bare, field, locked, combo};
  for (FXWindow *w : all)
    EXPECT_EQ(0, unpainted(w)) << w->getClassName() << " " << w->getWidth() << "x" << w->getHeight();
  // The face's last row lies between its top and bottom colours.
  const FXColor last = pixel(plain, 5, plain->getHeight() - 2);
  for (int shift : {0, 8, 16}) {
    const FXuint top = (ThemeColor::BUTTON_TOP >> shift) & 255, bottom = (ThemeColor::BUTTON_BOTTOM >> shift) & 255;
    EXPECT_TRUE(std::min(top, bottom) <= ((last >> shift) & 255) && ((last >> shift) & 255) <= std::max(top, bottom))
        << std::hex << last;
  }
  EXPECT_TRUE(korvan_gui_test::xdo("mouseup 1"));
}

TEST_F(Paint, AFieldKeepsNoCaretBehindWhenTheUserMovesOn)
{
  Tools::ThemeTextField *fields[2];
  for (Tools::ThemeTextField *&f : fields)
    f = new Tools::ThemeTextField(frame, 20, nullptr, 0, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X, 0, 0, 0, 0, 2, 2,
                                  2, 2);
  fields[0]->setText("Berg");
  open();
  ASSERT_TRUE(korvan_gui_test::click(fields[0], 1));
  ASSERT_TRUE(run_until([&] { return fields[0]->hasFocus(); }));
  ASSERT_TRUE(korvan_gui_test::xdo("type --delay 30 ergmann"));
  ASSERT_TRUE(run_until([&] { return fields[0]->getText() == "Bergergmann"; }));
  // A pause after typing lets the caret blink off before the focus moves.
  korvan_gui_test::run_pending(static_cast<int>(app()->getBlinkSpeed()) + 300);
  ASSERT_TRUE(korvan_gui_test::click(fields[1], 1));
  ASSERT_TRUE(run_until([&] { return fields[1]->hasFocus(); }));
  korvan_gui_test::run_pending(150);
  const std::vector<FXColor> before = shown(fields[0]);
  EXPECT_TRUE(before == repainted(fields[0])); // nothing a repaint would not draw again
}

// Buttons join the centred group of their bar until the first that goes
// to the nested one; every bar button shows its picture, and a menu button
// is as wide as its picture, not as its arrow.
TEST(ButtonBar, ButtonsJoinTheCentredGroupUntilTheFirstNestedOneAndShowTheirPictures)
{
  korvan_gui_test::TestContext *main = korvan_gui_test::make_context("");
  const IconManager &icons = main->getIconManager();
  for (const char *name : {"ok", "cancel", "test", "new", "delete", "save", "read", "export", "close", "exit"})
    EXPECT_NE(icons.get_fallback(), icons.get_icon(name)) << name;
  EXPECT_EQ(icons.get_icon("ok"), icons.get_icon("OK"));
  EXPECT_EQ(icons.get_fallback(), icons.get_icon("ok "));
  FXDialogBox *dialog = new FXDialogBox(main, "Knöpfe", DECOR_ALL, 0, 0, 420, 200);
  ButtonBar *bar = new ButtonBar(dialog, main), *decision = new ButtonBar(dialog, main);
  BarButton *del = bar->add_delete(dialog, 70, false), *save = bar->add_save(dialog, 71, true),
            *test = bar->add_test(dialog, 72, false), *ok = decision->add_ok(dialog, FXDialogBox::ID_ACCEPT),
            *cancel = decision->add_cancel(dialog, FXDialogBox::ID_CANCEL);
  EXPECT_EQ(bar->get_inner_frame(), del->getParent());
  EXPECT_EQ(bar->get_nested_frame(), save->getParent());
  EXPECT_EQ(bar->get_nested_frame(), test->getParent());
  // A bar whose buttons all stay in the centred group makes no nested one.
  EXPECT_EQ(decision->get_inner_frame(), ok->getParent());
  EXPECT_EQ(decision->get_inner_frame(), cancel->getParent());
  EXPECT_EQ(nullptr, decision->get_nested_frame());
  BarButton *fresh = new BarButtonNew(dialog, main, nullptr, 0, 0);
  for (BarButton *b : {del, save, test, ok, cancel, fresh})
    EXPECT_NE(icons.get_fallback(), b->getIcon()) << b->getText().text();
  EXPECT_EQ(nullptr, (new BarButton(dialog, main, "Ohne Bild", "", nullptr, 0, 0))->getIcon());
  FXIcon *picture = icons.get_icon("ok");
  EXPECT_EQ(picture->getWidth(),
            (new Tools::ThemeMenuButton(dialog, "", picture, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0))->getDefaultWidth());
  delete dialog;
  delete main;
}

} // namespace
