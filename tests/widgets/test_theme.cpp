// The themed widgets painted on the display: their pixels are read back
// from the server and compared with the palette.

#include <gtest/gtest.h>

#include <memory>

#include "tests/guisupport/gui_support.h"
#include "tools/widgets/theme.h"

using namespace FX;
using korvan_gui_test::app;

namespace {

class Theme : public ::testing::Test
{
protected:
  FXMainWindow *window = nullptr;
  FXVerticalFrame *frame = nullptr;

  void SetUp() override
  {
    window = new FXMainWindow(app(), "Themen", nullptr, nullptr, DECOR_ALL, 0, 0, 420, 360);
    frame = new FXVerticalFrame(window, LAYOUT_FILL, 0, 0, 0, 0, 8, 8, 8, 8, 8, 8);
  }
  void TearDown() override { delete window; }

  void show()
  {
    window->create();
    window->show(PLACEMENT_SCREEN);
    window->raise();
    korvan_gui_test::run_pending(150);
  }

  // Paints the widget through its own handler and reads one pixel back.
  FXColor pixel(FXWindow *w, FXint x, FXint y)
  {
    FXEvent ev;
    ev.type = SEL_PAINT;
    ev.rect.x = 0;
    ev.rect.y = 0;
    ev.rect.w = static_cast<FXshort>(w->getWidth());
    ev.rect.h = static_cast<FXshort>(w->getHeight());
    w->handle(nullptr, FXSEL(SEL_PAINT, 0), &ev);
    FXImage image(app(), nullptr, IMAGE_KEEP, w->getWidth(), w->getHeight());
    image.create();
    {
      FXDCWindow dc(&image);
      dc.drawArea(w, 0, 0, w->getWidth(), w->getHeight(), 0, 0);
    }
    image.restore();
    return image.getPixel(x, y) | 0xFF000000;
  }
};

TEST_F(Theme, ButtonsShowTheirFaceByStateAndToolbarButtonsLieFlat)
{
  Tools::ThemeButton *plain = new Tools::ThemeButton(frame, "Ohne Rahmen", nullptr, nullptr, 0, 0);
  Tools::ThemeButton *normal = new Tools::ThemeButton(frame, "Normal");
  Tools::ThemeButton *flat =
      new Tools::ThemeButton(frame, "Werkzeug", nullptr, nullptr, 0, BUTTON_TOOLBAR | FRAME_RAISED);
  show();
  // The outline along the top edge and the gradient's first row.
  EXPECT_EQ(Tools::ThemeColor::OUTLINE, pixel(plain, 5, 0));
  EXPECT_EQ(Tools::ThemeColor::BUTTON_TOP, pixel(plain, 5, 1));
  EXPECT_EQ(Tools::ThemeColor::OUTLINE, pixel(normal, 5, 0));
  normal->setState(STATE_DOWN);
  EXPECT_EQ(Tools::ThemeColor::PRESSED, pixel(normal, 5, 1));
  // Disabled: the face still follows the state.
  normal->disable();
  EXPECT_EQ(Tools::ThemeColor::PRESSED, pixel(normal, 5, 1));
  flat->setState(STATE_ENGAGED);
  EXPECT_EQ(flat->getBaseColor() | 0xFF000000, pixel(flat, 5, 0));
  EXPECT_EQ(flat->getBaseColor() | 0xFF000000, pixel(flat, 5, 1));
}

TEST_F(Theme, LabelFramesFollowTheirStyle)
{
  Tools::ThemeLabel *raised = new Tools::ThemeLabel(frame, "Tisch 1", nullptr, FRAME_RAISED | FRAME_THICK);
  Tools::ThemeLabel *sunken = new Tools::ThemeLabel(frame, "Tisch 2", nullptr, FRAME_SUNKEN | FRAME_THICK);
  Tools::ThemeLabel *line = new Tools::ThemeLabel(frame, "Linie", nullptr, FRAME_LINE);
  Tools::ThemeLabel *thick = new Tools::ThemeLabel(frame, "Dick", nullptr, FRAME_THICK);
  Tools::ThemeLabel *bare = new Tools::ThemeLabel(frame, "Ohne", nullptr, 0);
  show();
  EXPECT_EQ(Tools::ThemeColor::LABEL_RAISED, pixel(raised, 1, 1));
  EXPECT_EQ(Tools::ThemeColor::LABEL_SUNKEN, pixel(sunken, 0, 0));
  EXPECT_EQ(Tools::ThemeColor::LABEL_SUNKEN, pixel(line, 1, 1));
  EXPECT_EQ(Tools::ThemeColor::OUTLINE, pixel(thick, 0, 0));
  EXPECT_EQ(bare->getBackColor() | 0xFF000000, pixel(bare, 0, 0));
}

TEST_F(Theme, TextFieldsFillByEnabledStateInsideAnOutline)
{
  Tools::ThemeTextField *on = new Tools::ThemeTextField(frame, 10);
  Tools::ThemeTextField *off = new Tools::ThemeTextField(frame, 10);
  off->disable();
  show();
  EXPECT_EQ(Tools::ThemeColor::OUTLINE, pixel(on, 0, 0));
  EXPECT_EQ(on->getBackColor() | 0xFF000000, pixel(on, on->getWidth() - 4, on->getHeight() / 2));
  EXPECT_EQ(off->getBaseColor() | 0xFF000000, pixel(off, off->getWidth() - 4, off->getHeight() / 2));
}

TEST_F(Theme, ComboBoxOpensFromAThemedMenuButton)
{
  Tools::ThemeComboBox *combo =
      new Tools::ThemeComboBox(frame, 12, nullptr, 0, COMBOBOX_NORMAL | FRAME_SUNKEN | FRAME_THICK);
  combo->appendItem("eins");
  show();
  FXMenuButton *button = combo->getMenuButton();
  ASSERT_NE(nullptr, dynamic_cast<Tools::ThemeMenuButton *>(button));
  EXPECT_EQ(Tools::ThemeColor::OUTLINE, pixel(combo, 0, 0));
  EXPECT_EQ(Tools::ThemeColor::MENU_OUTLINE, pixel(button, 5, 0));
  EXPECT_EQ(Tools::ThemeColor::MENU_TOP, pixel(button, 5, 1));
  EXPECT_TRUE(korvan_gui_test::screenshot(korvan_gui_test::shot_dir() + "/theme.png"));
}

TEST_F(Theme, MenuButtonWidthCountsTheIconInsteadOfTheArrow)
{
  FXIcon icon(app(), nullptr, 0, 0, 30, 10);
  Tools::ThemeMenuButton *arrow = new Tools::ThemeMenuButton(frame, FXString::null, nullptr, nullptr, 0, 0, 0, 0, 0,
                                                             0, 0, 0, 0);
  Tools::ThemeMenuButton *pictured =
      new Tools::ThemeMenuButton(frame, FXString::null, &icon, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(13, arrow->getDefaultWidth());
  EXPECT_EQ(30, pictured->getDefaultWidth());
  delete pictured; // before the icon it shows
}

TEST(ThemeRegistry, ClassesAreKnownByTheirNamesWithoutNamespace)
{
  for (const char *name : {"ThemeButton", "ThemeTextField", "ThemeComboBox", "ThemeLabel", "ThemeTabItem",
                           "ThemeMenuButton", "Label", "GroupBox", "TabItem", "MenuCommand", "MenuTitle",
                           "BarButton", "ButtonBar", "MainWindow"})
    EXPECT_NE(nullptr, FXMetaClass::getMetaClassFromName(name)) << name;
}

} // namespace
