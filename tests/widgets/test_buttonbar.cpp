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
  FXIcon *ok = icons.get_icon("ok");
  ASSERT_NE(nullptr, ok);
  EXPECT_NE(icons.get_fallback(), ok);
  EXPECT_EQ(ok, icons.get_icon("OK"));
  for (const char *unknown : {"ok ", "", "gibtsnicht"})
    EXPECT_EQ(icons.get_fallback(), icons.get_icon(unknown)) << '"' << unknown << '"';
  for (const char *name : {"ok", "cancel", "test", "new", "delete", "save", "read", "export", "close", "exit"})
    EXPECT_NE(icons.get_fallback(), icons.get_icon(name)) << name;
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

TEST_F(Bars, ButtonsGoToTheCentredGroupUntilTheFirstNestedAdd)
{
  ButtonBar *decision = new ButtonBar(dialog, main);
  BarButtonOk *ok = decision->add_ok(dialog, FXDialogBox::ID_ACCEPT);
  BarButtonCancel *cancel = decision->add_cancel(dialog, FXDialogBox::ID_CANCEL);
  EXPECT_EQ(nullptr, decision->get_nested_frame());
  EXPECT_EQ(static_cast<FXWindow *>(decision->get_inner_frame()), ok->getParent());
  EXPECT_EQ(static_cast<FXWindow *>(decision->get_inner_frame()), cancel->getParent());
  EXPECT_STREQ("Ok", ok->getText().text());
  EXPECT_STREQ("Abbrechen", cancel->getText().text());
  EXPECT_EQ(main->getIcon("cancel"), cancel->getIcon());

  // Once one button went to the right group, every later one follows it.
  ButtonBar *maintenance = new ButtonBar(dialog, main);
  BarButtonDelete *del = maintenance->add_delete(dialog, 70, false);
  BarButtonSave *save = maintenance->add_save(dialog, 71, true);
  BarButtonCancel *later = maintenance->add_cancel(dialog, 72, false);
  EXPECT_EQ(static_cast<FXWindow *>(maintenance->get_inner_frame()), del->getParent());
  ASSERT_NE(nullptr, maintenance->get_nested_frame());
  EXPECT_EQ(static_cast<FXWindow *>(maintenance->get_nested_frame()), save->getParent());
  EXPECT_EQ(static_cast<FXWindow *>(maintenance->get_nested_frame()), later->getParent());
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
  EXPECT_EQ(main->getIcon("test"), buttons[3]->getIcon());
  BarButton *without = new BarButton(row, main, "Ohne Bild", "", nullptr, 0, 0);
  EXPECT_EQ(nullptr, without->getIcon());
}

} // namespace
