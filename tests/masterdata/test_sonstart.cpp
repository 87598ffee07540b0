// The payment-kind window: a value kept exactly and shown with two
// decimals, insert, update, refused rename and delete.

#include <algorithm>

#include <gtest/gtest.h>

#include "tools/core/string_utils.h"
#include "gui/moneyfield.h"
#include "masterdata/sonstart.h"
#include "tests/masterdata/md_support.h"

using namespace FX;
using korvan_access_test::Box;
using korvan_access_test::expect_box;

namespace {

using SonstArtTest = md_test::MasterDataTest;

bool listed(ComboBox *combo, const std::string &key)
{
  return std::find(combo->get_keys().begin(), combo->get_keys().end(), key) != combo->get_keys().end();
}

TEST_F(SonstArtTest, APaymentKindIsInsertedUpdatedKeptUnderItsNameAndDeleted)
{
  SonstArt *win = open<SonstArt>(MainWindow::ID_SONSTART);
  ASSERT_NE(nullptr, win);
  std::vector<MoneyField *> money = md_test::find_all<MoneyField>(win);
  ASSERT_EQ(1u, money.size());

  win->get_record().name = "Gutschein";
  win->vars_to_widgets();
  money[0]->setText("");
  korvan_access_test::type_text(money[0], "12345.67");
  shot(win, "sonstart");
  korvan_gui_test::send_command(win, SonstArt::ID_SAVE);
  ASSERT_EQ(1, count("select count(*) from SONST_ART"));
  EXPECT_EQ("12345.67", value("select wert from SONST_ART"));
  EXPECT_EQ(md_test::LOGIN, value("select hist_an_user from SONST_ART"));
  const int idx = static_cast<int>(win->get_record().idx);
  EXPECT_TRUE(listed(win->get_name_combo(), "Gutschein"));

  money[0]->setText("12.5");
  korvan_gui_test::send_command(win, SonstArt::ID_SAVE);
  EXPECT_EQ("12.5", value("select wert from SONST_ART"));
  EXPECT_STREQ("12.50", money[0]->getText().text());
  EXPECT_EQ(md_test::LOGIN, value("select hist_ae_user from SONST_ART"));

  win->get_name_combo()->setText("Scheck");
  Box box;
  korvan_gui_test::answer_box(box, win, SonstArt::ID_SAVE);
  EXPECT_EQ(0, count("select count(*) from SONST_ART where name = 'Scheck'"));

  // Deleting with an empty form touches nothing and says nothing.
  korvan_gui_test::send_command(win, SonstArt::ID_NEW);
  korvan_gui_test::send_command(win, SonstArt::ID_DELETE_ROW);
  EXPECT_EQ(1, count("select count(*) from SONST_ART"));

  win->get_name_combo()->select_key("Gutschein");
  EXPECT_EQ(idx, static_cast<int>(win->get_record().idx));
  korvan_gui_test::send_command(win, SonstArt::ID_DELETE_ROW);
  EXPECT_EQ(0, count("select count(*) from SONST_ART"));
  EXPECT_FALSE(listed(win->get_name_combo(), "Gutschein"));
}

} // namespace
