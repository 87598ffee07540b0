// The article window: article with its VAT group, the price list and
// form, the group memberships of the sheet's menu, and deleting an
// article with its prices.

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "tools/core/string_utils.h"
#include "tools/dbi/query.h"
#include "gui/moneyfield.h"
#include "gui/spreadsheet.h"
#include "masterdata/art.h"
#include "rooms/addlinewin.h"
#include "tests/masterdata/md_support.h"

using namespace FX;
using korvan_access_test::Box;
using korvan_access_test::expect_box;

namespace {

class ArtTest : public md_test::MasterDataTest
{
protected:
  int group = 0;

  int store_article(const std::string &artnr, const std::string &text, int vat_group, const std::string &vat_name)
  {
    ART row;
    row.artnr = artnr;
    row.bezeichnung = text;
    row.gruppe_ust = vat_name;
    row.gruppe_ust_idx = vat_group;
    return store(row);
  }
  int store_price(const std::string &artnr, int art_idx, double amount)
  {
    PREIS row;
    row.art_artnr = artnr;
    row.art_idx = art_idx;
    row.preis = amount;
    return store(row);
  }
  int store_membership(const std::string &name, const std::string &artnr, int art_idx)
  {
    GRP_ART row;
    row.name = name;
    row.bezeichnung = "Gruppe " + name;
    row.art_artnr = artnr;
    row.art_idx = art_idx;
    return store(row);
  }
  long request(Art *win, SpreadSheet::MenuRequest &req)
  {
    return win->handle(win->get_groups_sheet(), FXSEL(SEL_COMMAND, Art::ID_GRUPPEN), &req);
  }
  MoneyField *rate_field(Art *win) { return md_test::find_all<MoneyField>(win).at(0); }
};

TEST_F(ArtTest, ANewArticleIsSavedWithItsVatGroupAndComesBackAsStored)
{
  group = md_test::store_group(*db, "U19", 19);
  Art *win = open<Art>(MainWindow::ID_ART);
  ASSERT_NE(nullptr, win);

  win->get_art().artnr = "B-01";
  win->get_art().bezeichnung = "Pils 0,5";
  win->vars_to_widgets();
  win->get_ust_combo()->select_key("U19");
  EXPECT_EQ(group, static_cast<int>(win->get_art().gruppe_ust_idx));
  EXPECT_STREQ("19.00", rate_field(win)->getText().text());
  shot(win, "art");

  korvan_gui_test::send_command(win, Art::ID_SAVE);
  ASSERT_EQ(1, count("select count(*) from ART"));
  EXPECT_EQ(Tools::to_text(group), value("select gruppe_ust_idx from ART"));
  EXPECT_EQ(md_test::LOGIN, value("select hist_an_user from ART"));
  EXPECT_EQ(korvan_gui_test::query_int(*db, "select idx from ART"), static_cast<int>(win->get_art().idx));

  // Saved again: the same row, with the change stamp.
  win->get_art().bezeichnung2 = "vom Fass";
  win->vars_to_widgets();
  korvan_gui_test::send_command(win, Art::ID_SAVE);
  EXPECT_EQ("vom Fass", value("select bezeichnung2 from ART"));
  EXPECT_EQ(md_test::LOGIN, value("select hist_ae_user from ART"));
  EXPECT_EQ(1, count("select count(*) from ART"));
}

TEST_F(ArtTest, AnArticleWhoseGroupIsNoLongerValidKeepsItsOwnGroup)
{
  const int g1 = md_test::store_group(*db, "U19", 19);
  const int g2 = md_test::store_group(*db, "ALT", 16, false);
  store_article("A", "mit gültiger Gruppe", g1, "U19");
  const int b = store_article("B", "mit alter Gruppe", g2, "ALT");
  Art *win = open<Art>(MainWindow::ID_ART);
  ASSERT_NE(nullptr, win);

  win->get_artnr_combo()->select_key("A");
  win->get_artnr_combo()->select_key("B");
  ASSERT_EQ(b, static_cast<int>(win->get_art().idx));
  EXPECT_EQ(g2, static_cast<int>(win->get_art().gruppe_ust_idx)) << "not the group looked up before";
  korvan_gui_test::send_command(win, Art::ID_SAVE);
  EXPECT_EQ(Tools::to_text(g2), value("select gruppe_ust_idx from ART where artnr = 'B'"));
}

TEST_F(ArtTest, PricesAreAddedChosenChangedAndDeletedWithFullPrecision)
{
  group = md_test::store_group(*db, "U19", 19);
  const int a = store_article("W-7", "Wein", group, "U19");
  Art *win = open<Art>(MainWindow::ID_ART);
  ASSERT_NE(nullptr, win);
  win->get_idx_combo()->select_key(Tools::to_text(a));
  ASSERT_EQ("W-7", win->get_art().artnr.value);
  win->get_tab_book()->setCurrent(3);

  win->get_preis().preis = 12345.67;
  win->get_preis().bezeichnung = "Flasche";
  win->vars_to_widgets();
  korvan_gui_test::send_command(win, Art::ID_SAVE_PREIS);
  ASSERT_EQ(1, count("select count(*) from PREIS where art_idx = " + Tools::to_text(a)));
  EXPECT_EQ("12345.67", value("select preis from PREIS"));
  EXPECT_EQ("W-7", value("select art_artnr from PREIS"));
  EXPECT_EQ(md_test::LOGIN, value("select hist_an_user from PREIS"));
  SpreadSheet *prices = win->get_prices_sheet();
  ASSERT_EQ(1, prices->getNumRows());
  EXPECT_DOUBLE_EQ(12345.67, Tools::from_text<double>(prices->getItemText(0, 0).text(), 0.0));
  shot(win, "art_prices");

  prices->setCurrentItem(0, 1, TRUE);
  ASSERT_EQ(korvan_gui_test::query_int(*db, "select idx from PREIS"), static_cast<int>(win->get_preis().idx));
  win->get_preis().bezeichnung = "Flasche 0,75";
  win->vars_to_widgets();
  korvan_gui_test::send_command(win, Art::ID_SAVE_PREIS);
  EXPECT_EQ(1, count("select count(*) from PREIS"));
  EXPECT_EQ("Flasche 0,75", value("select bezeichnung from PREIS"));
  EXPECT_EQ("12345.67", value("select preis from PREIS"));
  EXPECT_EQ(md_test::LOGIN, value("select hist_ae_user from PREIS"));

  // Delete with an empty form does nothing; with a chosen price it goes.
  korvan_gui_test::send_command(win, Art::ID_DELETE_PREIS);
  EXPECT_EQ(1, count("select count(*) from PREIS"));
  prices->setCurrentItem(0, 0, TRUE);
  korvan_gui_test::send_command(win, Art::ID_DELETE_PREIS);
  EXPECT_EQ(0, count("select count(*) from PREIS"));

  // A price chosen, then another article loaded or "Neu": the price form
  // is empty, so "Löschen" there takes nothing of the article before.
  const int other = store_article("W-8", "Sekt", group, "U19");
  const int kept = store_price("W-7", a, 9.5);
  win->reset(); // as the next showing does: the lists know the new rows
  for (const std::function<void()> &change :
       std::vector<std::function<void()> >{[&] { win->get_idx_combo()->select_key(Tools::to_text(other)); },
                                           [&] { korvan_gui_test::send_command(win, Art::ID_NEW); }}) {
    win->get_idx_combo()->select_key(Tools::to_text(a));
    prices->setCurrentItem(0, prices->getCurrentColumn() == 0 ? 1 : 0, TRUE);
    ASSERT_EQ(kept, static_cast<int>(win->get_preis().idx));
    change();
    EXPECT_EQ(0, static_cast<int>(win->get_preis().idx));
    EXPECT_EQ(0, prices->getNumRows()) << "the list follows the article";
    korvan_gui_test::send_command(win, Art::ID_DELETE_PREIS);
    EXPECT_EQ(1, count("select count(*) from PREIS"));
  }

  // A price needs a stored article and an amount.
  win->get_preis().preis = 3.5;
  win->vars_to_widgets();
  Box box;
  korvan_gui_test::answer_box(box, win, Art::ID_SAVE_PREIS);
  EXPECT_NE(std::string::npos, box.text.find("Bitte einen Artikel auswählen.")) << box.text;
  win->get_idx_combo()->select_key(Tools::to_text(a));
  md_test::find_all<MoneyField>(win).at(1)->setText("abc");
  Box refused;
  korvan_gui_test::answer_box(refused, win, Art::ID_SAVE_PREIS);
  EXPECT_NE(std::string::npos, refused.text.find("als Zahl")) << refused.text;
  EXPECT_EQ(1, count("select count(*) from PREIS"));
}

TEST_F(ArtTest, GroupMembershipsComeFromTemplatesAndGoAgain)
{
  group = md_test::store_group(*db, "U19", 19);
  const int a = store_article("A", "Apfelsaft", group, "U19");
  const int b = store_article("B", "Bier", group, "U19");
  store_membership("Saft", "A", a);
  store_membership("Getränk", "B", b);
  store_membership("Alkohol", "B", b);
  Art *win = open<Art>(MainWindow::ID_ART);
  ASSERT_NE(nullptr, win);
  win->get_artnr_combo()->select_key("A");
  ASSERT_EQ(1, win->get_groups_sheet()->getNumRows());

  SpreadSheet::MenuRequest templates(SpreadSheet::MenuRequest::TEMPLATES);
  EXPECT_EQ(1, request(win, templates));
  ASSERT_EQ(2u, templates.rows.size());
  std::vector<std::string> names;
  for (auto &row : templates.rows)
    names.push_back(row->get_cell_by_name("name")->format("%s"));
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"Alkohol", "Getränk"}), names);

  SpreadSheet::MenuRequest from(SpreadSheet::MenuRequest::FROM_TEMPLATE);
  from.row = templates.rows[0];
  EXPECT_EQ(1, request(win, from));
  EXPECT_EQ(1, count("select count(*) from GRP_ART where art_artnr = 'A' and name = '" + names[0] + "'") +
                   count("select count(*) from GRP_ART where art_artnr = 'A' and name = '" + names[1] + "'"));
  SpreadSheet::MenuRequest fresh(SpreadSheet::MenuRequest::NEW);
  EXPECT_EQ(1, request(win, fresh));
  EXPECT_EQ(3, count("select count(*) from GRP_ART where art_idx = " + Tools::to_text(a)));
  win->get_tab_book()->setCurrent(2);
  shot(win, "art_groups");

  SpreadSheet::MenuRequest remaining(SpreadSheet::MenuRequest::TEMPLATES);
  request(win, remaining);
  EXPECT_EQ(1u, remaining.rows.size());

  // The empty row goes; the others stay, and B keeps its memberships.
  SpreadSheet::MenuRequest gone(SpreadSheet::MenuRequest::DELETE);
  for (int r = 0; r < win->get_groups_sheet()->getNumRows(); ++r)
    if (win->get_groups_sheet()->get_row(r)->get_cell_by_name("name")->format("%s").empty())
      gone.row = win->get_groups_sheet()->get_row(r);
  ASSERT_TRUE(gone.row.valid());
  EXPECT_EQ(1, request(win, gone));
  EXPECT_EQ(2, count("select count(*) from GRP_ART where art_idx = " + Tools::to_text(a)));
  EXPECT_EQ(2, count("select count(*) from GRP_ART where art_idx = " + Tools::to_text(b)));

  // A new, unsaved article gets no membership.
  korvan_gui_test::send_command(win, Art::ID_NEW);
  Box box;
  expect_box(box);
  SpreadSheet::MenuRequest orphan(SpreadSheet::MenuRequest::NEW);
  EXPECT_EQ(0, request(win, orphan));
  EXPECT_TRUE(box.seen);
  EXPECT_EQ(4, count("select count(*) from GRP_ART"));
  EXPECT_EQ(0, win->handle(win->get_groups_sheet(), FXSEL(SEL_COMMAND, Art::ID_GRUPPEN), nullptr));
}

// Tests that move the real pointer; each runs on a display of its own.
class ArtPointer : public ArtTest
{
};

// As a person does it: the "Gruppen" tab clicked, a right click on the
// sheet, "Vorlage.." and a group chosen with the pointer; order entry then
// offers the article under that group.
TEST_F(ArtPointer, AGroupIsGivenWithThePointerAndTheArticleIsThenOfferedForOrdering)
{
  using namespace korvan_gui_test;
  group = md_test::store_group(*db, "U19", 19);
  const int a = store_article("A", "Apfelsaft", group, "U19");
  const int b = store_article("B", "Bier", group, "U19");
  store_membership("Getränke", "A", a);
  Art *win = open<Art>(MainWindow::ID_ART);
  ASSERT_NE(nullptr, win);
  win->get_artnr_combo()->select_key("B");
  ASSERT_EQ(b, static_cast<int>(win->get_art().idx));
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
        FXWindow *entry = more && more->getMenu()->shown() ? menu_entry(more->getMenu(), "Getränke") : nullptr;
        return entry && (chosen = click(entry, 1));
      },
  });
  SpreadSheet *sheet = win->get_groups_sheet();
  ASSERT_TRUE(click(sheet, 3, sheet->getRowHeader()->getWidth() + 20, sheet->getColumnHeader()->getHeight() + 8));
  ASSERT_TRUE(run_until([&] { return count("select count(*) from GRP_ART where art_artnr = 'B'") == 1; }, 5000));
  EXPECT_TRUE(chosen);
  EXPECT_EQ("Gruppe Getränke", value("select bezeichnung from GRP_ART where art_artnr = 'B'"));
  ASSERT_TRUE(run_until([&] { return sheet->getNumRows() == 1; }));
  EXPECT_EQ("Getränke", std::string(sheet->getItemText(0, 0).text()));
  shot(win, "art_group_given");

  LAYOUTK room;
  LAYOUTP table;
  BONLINE line;
  AddLineWin entry(main, *main, room, table, line);
  SpreadSheet *groups = entry.get_groups();
  ASSERT_EQ(1, groups->getNumRows());
  groups->setCurrentItem(0, 0, TRUE);
  std::vector<std::string> offered;
  for (int r = 0; r < entry.get_articles()->getNumRows(); ++r)
    offered.push_back(entry.get_articles()->getItemText(r, 0).text());
  EXPECT_EQ((std::vector<std::string>{"A", "B"}), offered);
}

TEST_F(ArtTest, DeletingAnArticleTakesItsPricesUnlessItStillBelongsToAGroup)
{
  group = md_test::store_group(*db, "U19", 19);
  const int a = store_article("A", "ohne Gruppe", group, "U19");
  const int b = store_article("B", "in Gruppe", group, "U19");
  store_price("A", a, 2.5);
  store_price("A", a, 3.0);
  store_price("B", b, 4.0);
  store_membership("Bier", "B", b);
  Art *win = open<Art>(MainWindow::ID_ART);
  ASSERT_NE(nullptr, win);

  win->get_artnr_combo()->select_key("B");
  ASSERT_EQ(1, win->get_prices_sheet()->getNumRows());
  Box box;
  korvan_gui_test::answer_box(box, win, Art::ID_DELETE_ROW);
  EXPECT_NE(std::string::npos, box.text.find("noch verwendet")) << box.text;
  EXPECT_EQ(1, count("select count(*) from ART where artnr = 'B'"));
  EXPECT_EQ(1, count("select count(*) from PREIS where art_artnr = 'B'")) << "its prices were rolled back";

  win->get_artnr_combo()->select_key("A");
  korvan_gui_test::send_command(win, Art::ID_DELETE_ROW);
  EXPECT_EQ(0, count("select count(*) from ART where artnr = 'A'"));
  EXPECT_EQ(0, count("select count(*) from PREIS where art_artnr = 'A'"));
}

} // namespace
