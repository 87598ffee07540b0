// The VAT-group window, and with it the pattern every master-data window
// follows: menu entry, load by idx and by key, new, insert then update
// with stamps, cancel, refused rename and refused delete of a group in use.

#include <algorithm>

#include <gtest/gtest.h>

#include "tools/core/string_utils.h"
#include "tools/dbi/query.h"
#include "gui/moneyfield.h"
#include "masterdata/grpust.h"
#include "tests/masterdata/md_support.h"

using namespace FX;
using korvan_access_test::Box;
using korvan_access_test::expect_box;

namespace {

using GrpUstTest = md_test::MasterDataTest;

bool listed(ComboBox *combo, const std::string &key)
{
  return std::find(combo->get_keys().begin(), combo->get_keys().end(), key) != combo->get_keys().end();
}

TEST_F(GrpUstTest, ANewGroupIsInsertedWithItsStampThenUpdatedAndLoadedByNameAndIdx)
{
  GrpUst *win = open<GrpUst>(MainWindow::ID_GRPUST);
  ASSERT_NE(nullptr, win);
  EXPECT_EQ(win, open<GrpUst>(MainWindow::ID_GRPUST)) << "the menu shows the same window again";
  shot(win, "grpust");

  // Typed: a name and the rate with a decimal comma.
  win->get_name_combo()->setText("U7");
  std::vector<MoneyField *> money = md_test::find_all<MoneyField>(win);
  ASSERT_EQ(1u, money.size());
  money[0]->setText("");
  korvan_access_test::type_text(money[0], "7,5");

  korvan_gui_test::send_command(win, GrpUst::ID_SAVE);
  ASSERT_EQ(1, count("select count(*) from GRP_UST where name = 'U7'")) << "committed for other terminals";
  const int idx = korvan_gui_test::query_int(*db, "select idx from GRP_UST where name = 'U7'");
  EXPECT_EQ("7.5", value("select ust from GRP_UST"));
  EXPECT_EQ(md_test::LOGIN, value("select hist_an_user from GRP_UST"));
  EXPECT_NE("0000-00-00 00:00:00", value("select hist_an_zeit from GRP_UST"));
  EXPECT_EQ(idx, static_cast<int>(win->get_record().idx));
  EXPECT_TRUE(listed(win->get_name_combo(), "U7"));

  // Changed and saved again: the same row, with the change stamp.
  win->get_record().bezeichnung2 = "Speisen";
  win->vars_to_widgets();
  korvan_gui_test::send_command(win, GrpUst::ID_SAVE);
  EXPECT_EQ(1, count("select count(*) from GRP_UST"));
  EXPECT_EQ("Speisen", value("select bezeichnung2 from GRP_UST"));
  EXPECT_EQ(md_test::LOGIN, value("select hist_ae_user from GRP_UST"));

  // "Neu" empties the form; the name and the idx lists load the row.
  korvan_gui_test::send_command(win, GrpUst::ID_NEW);
  EXPECT_EQ(0, static_cast<int>(win->get_record().idx));
  win->get_name_combo()->select_key("U7");
  EXPECT_EQ(idx, static_cast<int>(win->get_record().idx));
  korvan_gui_test::send_command(win, GrpUst::ID_NEW);
  win->get_idx_combo()->select_key(Tools::to_text(idx));
  EXPECT_EQ("Speisen", win->get_record().bezeichnung2.value);
}

TEST_F(GrpUstTest, AGroupInUseCanBeNeitherRenamedNorDeletedAndTheUserIsToldWhy)
{
  const int g = md_test::store_group(*db, "U19", 19);
  ART article;
  article.artnr = "A1";
  article.gruppe_ust = "U19";
  article.gruppe_ust_idx = g;
  store(article);

  GrpUst *win = open<GrpUst>(MainWindow::ID_GRPUST);
  ASSERT_NE(nullptr, win);
  win->get_idx_combo()->select_key(Tools::to_text(g));
  ASSERT_EQ("U19", win->get_record().name.value);

  win->get_record().name = "U20";
  win->vars_to_widgets();
  Box box;
  korvan_gui_test::answer_box(box, win, GrpUst::ID_SAVE);
  EXPECT_NE(std::string::npos, box.text.find("behält seinen Namen")) << box.text;
  EXPECT_EQ(0, count("select count(*) from GRP_UST where name = 'U20'"));

  win->get_idx_combo()->select_key(Tools::to_text(g));
  Box refused;
  korvan_gui_test::answer_box(refused, win, GrpUst::ID_DELETE_ROW);
  EXPECT_EQ("Datenfehler", refused.title);
  EXPECT_NE(std::string::npos, refused.text.find("noch verwendet")) << refused.text;
  EXPECT_EQ(1, count("select count(*) from GRP_UST where idx = " + Tools::to_text(g)));
  // Rolled back: the test's connection may change the row without waiting.
  EXPECT_FALSE(!db->exec("update GRP_UST set bezeichnung = 'frei' where idx = " + Tools::to_text(g)));
  EXPECT_TRUE(db->commit());

  // Once no article uses it, the group goes.
  ASSERT_FALSE(!db->exec("delete from ART"));
  ASSERT_TRUE(db->commit());
  win->get_idx_combo()->select_key(Tools::to_text(g));
  korvan_gui_test::send_command(win, GrpUst::ID_DELETE_ROW);
  EXPECT_EQ(0, count("select count(*) from GRP_UST"));
  EXPECT_FALSE(listed(win->get_name_combo(), "U19"));
}

TEST_F(GrpUstTest, CancelAndEscapeRollBackAndHideAndTheNextShowingReadsTheListsAgain)
{
  md_test::store_group(*db, "ALT", 16, false);
  GrpUst *win = open<GrpUst>(MainWindow::ID_GRPUST);
  ASSERT_NE(nullptr, win);
  // Invalid rows are listed too.
  EXPECT_EQ(2u, win->get_name_combo()->get_keys().size());

  // A change of the main connection, not committed, is undone by "Abbrechen".
  ASSERT_FALSE(!main->getDatabase()->exec("update GRP_UST set bezeichnung = 'offen'"));
  korvan_gui_test::send_command(win, GrpUst::ID_CANCEL_FORM);
  EXPECT_FALSE(win->shown());
  EXPECT_EQ("Steuer ALT", value("select bezeichnung from GRP_UST"));
  // Rolled back, not merely left open: the row is free for others.
  ASSERT_FALSE(!db->exec("update GRP_UST set bezeichnung = 'frei'"));
  ASSERT_TRUE(db->commit());

  md_test::store_group(*db, "NEU", 19);
  EXPECT_EQ(win, open<GrpUst>(MainWindow::ID_GRPUST));
  EXPECT_EQ(3u, win->get_name_combo()->get_keys().size());

  ASSERT_FALSE(!main->getDatabase()->exec("update GRP_UST set bezeichnung = 'offen'"));
  korvan_gui_test::press_key(win, KEY_Escape);
  EXPECT_FALSE(win->shown());
  EXPECT_EQ(0, count("select count(*) from GRP_UST where bezeichnung = 'offen'"));
}

TEST_F(GrpUstTest, NamesWithQuotesAndBackslashesAreStoredAndFoundAsTyped)
{
  GrpUst *win = open<GrpUst>(MainWindow::ID_GRPUST);
  ASSERT_NE(nullptr, win);
  const std::string name = "O'x\\' or 1=1";
  win->get_record().name = name;
  win->vars_to_widgets();
  korvan_gui_test::send_command(win, GrpUst::ID_SAVE);
  ASSERT_EQ(1, count("select count(*) from GRP_UST"));
  EXPECT_EQ(name, value("select name from GRP_UST"));
  const int idx = static_cast<int>(win->get_record().idx);

  korvan_gui_test::send_command(win, GrpUst::ID_NEW);
  win->get_name_combo()->setText(name.c_str());
  korvan_gui_test::send_command(win, GrpUst::ID_NAME);
  EXPECT_EQ(idx, static_cast<int>(win->get_record().idx));
  korvan_gui_test::send_command(win, GrpUst::ID_DELETE_ROW);
  EXPECT_EQ(0, count("select count(*) from GRP_UST"));

  // A new group under a name already stored is refused.
  md_test::store_group(*db, "U19", 19);
  win->reset();
  win->get_record().name = "U19";
  win->vars_to_widgets();
  Box box;
  korvan_gui_test::answer_box(box, win, GrpUst::ID_SAVE);
  EXPECT_EQ(1, count("select count(*) from GRP_UST where name = 'U19'"));
}

} // namespace
