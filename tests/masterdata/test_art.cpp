// The article window: its VAT group, the prices (every digit kept, the
// form following the article) and the group memberships of the sheet's
// menu, given with the pointer as a person does.

#include <functional>

#include <gtest/gtest.h>

#include "tools/core/string_utils.h"
#include "gui/moneyfield.h"
#include "gui/spreadsheet.h"
#include "masterdata/art.h"
#include "rooms/addlinewin.h"
#include "tests/masterdata/md_support.h"

using namespace FX;
using korvan_gui_test::send_command;

namespace {

class ArtTest : public md_test::MasterDataTest
{
protected:
  Art *win = nullptr;
  int vat = 0;
  void SetUp() override
  {
    md_test::MasterDataTest::SetUp();
    vat = md_test::add_vat(*db, "U19", 19);
    md_test::add_article(*db, "A", "U19", vat, "Saft");
    md_test::add_article(*db, "B", "U19", vat);
    win = dynamic_cast<Art *>(open(MainWindow::ID_ART, "Art"));
    ASSERT_NE(nullptr, win);
  }
  long request(int code, Tools::Ref<Tools::DBBindType> row = {})
  {
    SpreadSheet::MenuRequest req(code);
    req.row = row;
    return win->handle(win->get_groups_sheet(), FXSEL(SEL_COMMAND, Art::ID_GRUPPEN), &req);
  }
};

TEST_F(ArtTest, PricesKeepEveryDigitFollowTheArticleAndNeedAStoredOneWithAnAmount)
{
  // An article whose VAT group is no longer valid keeps its own group.
  const int old_vat = md_test::add_vat(*db, "ALT", 16, false);
  md_test::add_article(*db, "C", "ALT", old_vat);
  win->reset();
  win->get_artnr_combo()->select_key("A");
  EXPECT_STREQ("19.00", md_test::find_all<MoneyField>(win).at(0)->getText().text());
  win->get_artnr_combo()->select_key("C");
  EXPECT_EQ(old_vat, static_cast<int>(win->get_art().gruppe_ust_idx)) << "not the group looked up before";

  win->get_artnr_combo()->select_key("A");
  win->get_preis().preis = 12345.67;
  win->vars_to_widgets();
  send_command(win, Art::ID_SAVE_PREIS);
  EXPECT_EQ("12345.67", value("select preis from PREIS where art_artnr = 'A' and hist_an_user = 'chefin'"));
  SpreadSheet *prices = win->get_prices_sheet();
  ASSERT_EQ(1, prices->getNumRows());
  EXPECT_DOUBLE_EQ(12345.67, Tools::from_text<double>(prices->getItemText(0, 0).text(), 0.0));

  // Chosen in the list and changed: the same row, with the change stamp.
  prices->setCurrentItem(0, 1, TRUE);
  win->get_preis().bezeichnung = "Flasche";
  win->vars_to_widgets();
  send_command(win, Art::ID_SAVE_PREIS);
  EXPECT_EQ("12345.67", value("select preis from PREIS where bezeichnung = 'Flasche' and hist_ae_user = 'chefin'"));

  // The form is empty after a save, and after another article or "Neu":
  // "Löschen" then takes nothing.
  send_command(win, Art::ID_DELETE_PREIS);
  EXPECT_EQ(1, count("select count(*) from PREIS"));
  for (const std::function<void()> &change :
       std::vector<std::function<void()> >{[&] { win->get_artnr_combo()->select_key("B"); },
                                           [&] { send_command(win, Art::ID_NEW); }}) {
    win->get_artnr_combo()->select_key("A");
    prices->setCurrentItem(0, prices->getCurrentColumn() == 0 ? 1 : 0, TRUE);
    change();
    send_command(win, Art::ID_DELETE_PREIS);
    EXPECT_EQ(1, count("select count(*) from PREIS"));
  }
  EXPECT_EQ(0, prices->getNumRows()) << "the list follows the article";

  // A price needs a stored article and an amount.
  win->get_preis().preis = 3.5;
  win->vars_to_widgets();
  EXPECT_NE(std::string::npos, command(win, Art::ID_SAVE_PREIS, true).text.find("Bitte einen Artikel auswählen."));
  win->get_artnr_combo()->select_key("A");
  md_test::find_all<MoneyField>(win).at(1)->setText("abc");
  EXPECT_NE(std::string::npos, command(win, Art::ID_SAVE_PREIS, true).text.find("als Zahl"));
  prices->setCurrentItem(0, 0, TRUE);
  send_command(win, Art::ID_DELETE_PREIS);
  EXPECT_EQ(0, count("select count(*) from PREIS"));
}

TEST_F(ArtTest, MembershipsAreMadeForAStoredArticleOnlyAndGoAgain)
{
  win->get_artnr_combo()->select_key("B");
  EXPECT_EQ(1, request(SpreadSheet::MenuRequest::NEW));
  EXPECT_EQ(2, count("select count(*) from GRP_ART"));
  ASSERT_EQ(1, win->get_groups_sheet()->getNumRows());
  EXPECT_EQ(1, request(SpreadSheet::MenuRequest::DELETE, win->get_groups_sheet()->get_row(0)));
  EXPECT_EQ(0, count("select count(*) from GRP_ART where art_artnr = 'B'"));

  send_command(win, Art::ID_NEW);
  korvan_gui_test::Box box;
  korvan_gui_test::expect_box(box);
  EXPECT_EQ(0, request(SpreadSheet::MenuRequest::NEW));
  EXPECT_TRUE(box.seen);
  EXPECT_EQ(1, count("select count(*) from GRP_ART"));
}

// Tests that move the real pointer; each runs on a display of its own.
using ArtPointer = ArtTest;

// As a person does it: the "Gruppen" tab clicked, a right click on the
// sheet, "Vorlage.." and a group of another article chosen with the
// pointer; order entry then offers the article under that group.
TEST_F(ArtPointer, AGroupIsGivenWithThePointerAndTheArticleIsThenOfferedForOrdering)
{
  using namespace korvan_gui_test;
  win->get_artnr_combo()->select_key("B");
  run_pending(150);
  TabItem *tab = nullptr;
  for (TabItem *t : md_test::find_all<TabItem>(win))
    if (std::string(t->getText().text()) == "Gruppen")
      tab = t;
  ASSERT_TRUE(click(tab, 1));
  ASSERT_TRUE(run_until([&] { return win->get_groups_sheet()->shown(); }));
  run_pending(100);

  bool chosen = false;
  run_steps({
      [&] { return point_at(menu_entry(modal_menu(), "Vorlage..")); },
      [&] {
        FXMenuCascade *more = dynamic_cast<FXMenuCascade *>(menu_entry(modal_menu(), "Vorlage.."));
        FXWindow *entry = more && more->getMenu()->shown() ? menu_entry(more->getMenu(), "Saft") : nullptr;
        return entry && (chosen = click(entry, 1));
      },
  });
  SpreadSheet *sheet = win->get_groups_sheet();
  ASSERT_TRUE(click(sheet, 3, sheet->getRowHeader()->getWidth() + 20, sheet->getColumnHeader()->getHeight() + 8));
  ASSERT_TRUE(run_until([&] { return count("select count(*) from GRP_ART where art_artnr = 'B'") == 1; }, 5000));
  EXPECT_TRUE(chosen);
  EXPECT_EQ("Gruppe Saft", value("select bezeichnung from GRP_ART where art_artnr = 'B'"));
  ASSERT_TRUE(run_until([&] { return sheet->getNumRows() == 1; }));
  EXPECT_EQ("Saft", std::string(sheet->getItemText(0, 0).text()));

  LAYOUTK room;
  LAYOUTP table;
  BONLINE line;
  AddLineWin entry(main, *main, room, table, line);
  ASSERT_EQ(1, entry.get_groups()->getNumRows());
  entry.get_groups()->setCurrentItem(0, 0, TRUE);
  std::vector<std::string> offered;
  for (int r = 0; r < entry.get_articles()->getNumRows(); ++r)
    offered.push_back(entry.get_articles()->getItemText(r, 0).text());
  EXPECT_EQ((std::vector<std::string>{"A", "B"}), offered);
}

} // namespace
