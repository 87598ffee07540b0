// Button bars, their buttons and the icon set.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "gui/buttonbar.h"
#include "gui/iconmanager.h"
#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"

using namespace FX;
using korvan_gui_test::app;

namespace {

TEST(IconSet, NamesAreFoundIgnoringCaseAndUnknownNamesGiveTheFallback)
{
  IconManager icons(app());
  ASSERT_EQ(10u, icons.get_icons().size());
  FXIcon *ok = icons.get_icon("ok");
  ASSERT_NE(nullptr, ok);
  EXPECT_NE(icons.get_fallback(), ok);
  EXPECT_EQ(ok, icons.get_icon("Ok"));
  EXPECT_EQ(ok, icons.get_icon("OK"));
  EXPECT_EQ(icons.get_fallback(), icons.get_icon("ok "));
  EXPECT_EQ(icons.get_fallback(), icons.get_icon(""));

  const char *names[] = {"ok", "cancel", "test", "new", "delete", "save", "read", "export", "close", "exit"};
  for (unsigned i = 0; i < 10; ++i) {
    EXPECT_EQ(names[i], icons.get_icons()[i]->name);
    FXIcon *icon = icons.get_icon(names[i]);
    const FXint size = std::strcmp(names[i], "test") == 0 ? 24 : 22;
    EXPECT_EQ(size, icon->getWidth()) << names[i];
    EXPECT_EQ(size, icon->getHeight()) << names[i];
  }
  icons.create();
}

TEST(IconSet, ExportShowsTheSaveImageInAnIconOfItsOwn)
{
  IconManager icons(app());
  FXIcon *save = icons.get_icon("save");
  FXIcon *exported = icons.get_icon("export");
  ASSERT_NE(save, exported);
  ASSERT_EQ(save->getWidth(), exported->getWidth());
  const size_t bytes = sizeof(FXColor) * static_cast<size_t>(save->getWidth() * save->getHeight());
  EXPECT_EQ(0, std::memcmp(save->getData(), exported->getData(), bytes));
  EXPECT_NE(0, std::memcmp(save->getData(), icons.get_icon("read")->getData(), bytes));
}

class Bars : public ::testing::Test
{
protected:
  MainWindow *main = nullptr;
  FXDialogBox *dialog = nullptr;

  void SetUp() override
  {
    main = korvan_gui_test::make_main_window("");
    dialog = new FXDialogBox(main, "Knöpfe", DECOR_ALL, 0, 0, 420, 200);
  }
  void TearDown() override
  {
    delete dialog;
    delete main;
  }
};

TEST_F(Bars, DecisionBarIsOneCentredGroup)
{
  ButtonBar *bar = new ButtonBar(dialog, main);
  BarButtonOk *ok = bar->add_ok(dialog, FXDialogBox::ID_ACCEPT);
  BarButtonCancel *cancel = bar->add_cancel(dialog, FXDialogBox::ID_CANCEL);
  EXPECT_EQ(nullptr, bar->get_nested_frame());
  EXPECT_EQ(0x18008u, bar->get_inner_frame()->getLayoutHints() | bar->get_inner_frame()->getPackingHints());
  EXPECT_EQ(static_cast<FXWindow *>(bar->get_inner_frame()), ok->getParent());
  EXPECT_EQ(static_cast<FXWindow *>(bar->get_inner_frame()), cancel->getParent());
  EXPECT_EQ(0x400u, bar->getLayoutHints());
  EXPECT_EQ(0x106000u, ok->getButtonStyle() | ok->getFrameStyle() | ok->getIconPosition());
  EXPECT_STREQ("Ok", ok->getText().text());
  EXPECT_STREQ("Abbrechen", cancel->getText().text());
  EXPECT_EQ(main->getIcon("ok"), ok->getIcon());
  EXPECT_EQ(main->getIcon("cancel"), cancel->getIcon());
}

TEST_F(Bars, FirstNestedAddMovesEveryLaterButtonToTheRightGroup)
{
  ButtonBar *bar = new ButtonBar(dialog, main);
  BarButtonOk *ok = bar->add_ok(dialog, 70, true);
  BarButtonCancel *cancel = bar->add_cancel(dialog, 71, false);
  ASSERT_NE(nullptr, bar->get_nested_frame());
  EXPECT_EQ(static_cast<FXWindow *>(bar->get_nested_frame()), ok->getParent());
  EXPECT_EQ(static_cast<FXWindow *>(bar->get_nested_frame()), cancel->getParent());
  EXPECT_EQ(0x18004u, bar->get_nested_frame()->getLayoutHints() | bar->get_nested_frame()->getPackingHints());
  EXPECT_EQ(0u, bar->get_inner_frame()->getPackingHints());
  EXPECT_EQ(0x400u, bar->get_inner_frame()->getLayoutHints());
}

TEST_F(Bars, MaintenanceBarKeepsDeleteApartFromSaveAndCancel)
{
  ButtonBar *bar = new ButtonBar(dialog, main);
  BarButtonDelete *del = bar->add_delete(dialog, 70, false);
  BarButtonSave *save = bar->add_save(dialog, 71, true);
  BarButtonCancel *cancel = bar->add_cancel(dialog, 72, true);
  EXPECT_EQ(static_cast<FXWindow *>(bar->get_inner_frame()), del->getParent());
  EXPECT_EQ(static_cast<FXWindow *>(bar->get_nested_frame()), save->getParent());
  EXPECT_EQ(static_cast<FXWindow *>(bar->get_nested_frame()), cancel->getParent());
  EXPECT_STREQ("Löschen", del->getText().text());
  EXPECT_STREQ("Speichern", save->getText().text());

  dialog->create();
  dialog->show(PLACEMENT_OWNER);
  EXPECT_TRUE(korvan_gui_test::screenshot(korvan_gui_test::shot_dir() + "/buttonbar.png"));
}

TEST_F(Bars, EveryKindFindsItsPicture)
{
  FXHorizontalFrame *row = new FXHorizontalFrame(dialog);
  BarButton *buttons[] = {
      new BarButtonOk(row, main, nullptr, 0),     new BarButtonNew(row, main, nullptr, 0, 0x106004),
      new BarButtonSave(row, main, nullptr, 0),   new BarButtonTest(row, main, nullptr, 0),
      new BarButtonCancel(row, main, nullptr, 0), new BarButtonDelete(row, main, nullptr, 0),
  };
  for (BarButton *b : buttons) {
    ASSERT_NE(nullptr, b->getIcon());
    EXPECT_NE(main->getIconManager().get_fallback(), b->getIcon()) << b->getText().text();
  }
  EXPECT_STREQ("Neu", buttons[1]->getText().text());
  EXPECT_EQ(0x106004u & LAYOUT_RIGHT, buttons[1]->getLayoutHints() & LAYOUT_RIGHT);
  EXPECT_EQ(main->getIcon("test"), buttons[3]->getIcon());

  BarButton *unknown = new BarButton(row, main, "Etwas", "gibtsnicht", nullptr, 0, 0);
  EXPECT_EQ(main->getIconManager().get_fallback(), unknown->getIcon());
  BarButton *without = new BarButton(row, main, "Ohne Bild", "", nullptr, 0, 0);
  EXPECT_EQ(nullptr, without->getIcon());
}

} // namespace
