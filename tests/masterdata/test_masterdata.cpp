// The master-data windows: what every record window does with a row (and
// refuses in words), the user window's rules, the article window's prices
// and group memberships, the last also given with the pointer.

#include <functional>

#include <gtest/gtest.h>

#include "gui/buttonbar.h"
#include "gui/moneyfield.h"
#include "gui/spreadsheet.h"
#include "masterdata/art.h"
#include "rooms/addlinewin.h"
#include "tests/support/station_test.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"

using namespace FX;
using namespace korvan_gui_test;
using namespace korvan_test;

namespace {

const char *const LOGIN = "chefin"; // the logged-in user, whose login the stamps carry

struct Window
{
  FXuint menu;
  const char *window, *table, *key, *text; // text: a column the form changes
  const char *taken;                       // what a new row under a stored key is told
};
const Window ARTICLES{MainWindow::ID_ART, "Art", "ART", "artnr", "bezeichnung2", "schon ein anderer"};
const Window VAT_GROUPS{MainWindow::ID_GRPUST, "GrpUst", "GRP_UST", "name", "bezeichnung2", "schon ein anderer"};
const Window PAYMENT_KINDS{MainWindow::ID_SONSTART, "SonstArt", "SONST_ART", "name", "bezeichnung2", "schon ein anderer"};
const Window USERS{MainWindow::ID_USER, "User", "USER", "login", "nach_name", "bereits den selben Loginnamen"};

// A main window with a user logged in and the VAT group U19 stored.
class RecordWindows : public StationTest
{
protected:
  GRP_UST vat;
  void SetUp() override
  {
    StationTest::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    login(LOGIN, false);
    vat = add_vat(*db, "U19", 19);
    ASSERT_FALSE(!db->exec("SET SESSION innodb_lock_wait_timeout = 1")); // a row left locked shows at once
  }
  BaseDialog *open(const Window &w) { return StationTest::open<BaseDialog>(w.menu, w.window); }
  Box answered; // outlives an answer armed for a box that never came
  // Sends the command and answers the box it must show.
  const Box &refused(FXObject *target, FXuint id)
  {
    answer_box(answered, target, id);
    return answered;
  }
  // A new row under the key, with what each window needs besides (a VAT
  // group, an amount, the password typed twice), saved.
  Box save_new(BaseDialog *win, const FXString &key, bool refused, const char *amount = "0",
               const char *pw = "Geheim1", const char *pw2 = "Geheim1")
  {
    send_command(win, BaseDialog::ID_NEW);
    win->get_key_combo()->setText(key);
    if (Art *art = dynamic_cast<Art *>(win))
      art->get_ust_combo()->select_key("U19");
    for (MoneyField *field : find_all<MoneyField>(win))
      field->setText(amount);
    const char *typed = pw;
    for (Tools::ThemeTextField *f : find_all<Tools::ThemeTextField>(win))
      if (f->getTextStyle() & TEXTFIELD_PASSWD) {
        f->setText(typed);
        typed = pw2;
      }
    if (refused)
      return this->refused(win, BaseDialog::ID_SAVE);
    send_command(win, BaseDialog::ID_SAVE);
    return Box();
  }
  // Whether this connection can change the rows at once: the window left
  // no work open on them.
  bool unlocked(const std::string &table)
  {
    const bool changed = !!db->exec("update " + table + " set hist_lo_user = 'frei'");
    return db->rollback() && changed;
  }
};

TEST_F(RecordWindows, ARowIsStoredStampedFoundByKeyAndIdxAndKeepsItsKeyAbbrechenDropsOpenWorkAllGoWithTheMain)
{
  const std::string key = "O'x\\' or 1=1";
  LogCapture log;
  for (const Window &w : {ARTICLES, VAT_GROUPS, PAYMENT_KINDS, USERS}) {
    BaseDialog *win = open(w);
    ASSERT_NE(nullptr, win);
    save_new(win, key.c_str(), false);
    const int idx = win->get_record()->idx;
    const std::string row = Tools::format(" from %s where idx = %s", w.table, idx);
    EXPECT_EQ(key, value(Tools::format("select %s", w.key) + row)) << w.table;
    EXPECT_EQ(LOGIN, value("select hist_an_user" + row)) << w.table;

    // Saved again: the same row, with the change stamp (and the password
    // kept, as its fields stay empty: a stored one is never shown).
    win->get_record()->get_cell_by_name(w.text)->from_string("zwei");
    win->vars_to_widgets();
    send_command(win, BaseDialog::ID_SAVE);
    EXPECT_EQ("zwei", value(Tools::format("select %s", w.text) + row)) << w.table;
    EXPECT_EQ(LOGIN, value("select hist_ae_user" + row)) << w.table;
    EXPECT_EQ(w.menu == MainWindow::ID_USER ? "Geheim1" : "", value("select passwd from USER"));

    // Found by key and by idx. The row under another key, or a second row
    // under its key, is refused.
    send_command(win, BaseDialog::ID_NEW);
    win->get_key_combo()->select_key(key);
    EXPECT_EQ(idx, static_cast<int>(win->get_record()->idx)) << w.table;
    win->get_key_combo()->setText("anders");
    EXPECT_NE(std::string::npos, refused(win, BaseDialog::ID_SAVE).text.find("behält seinen Namen")) << w.table;
    EXPECT_NE(std::string::npos, save_new(win, key.c_str(), true).text.find(w.taken)) << w.table;
    send_command(win, BaseDialog::ID_DELETE_ROW); // an empty form: nothing
    EXPECT_EQ(1, count("select count(*)" + row)) << w.table;
    win->get_idx_combo()->select_key(Tools::to_text(idx));
    send_command(win, BaseDialog::ID_DELETE_ROW);
    EXPECT_EQ(0, count("select count(*)" + row)) << w.table;

    // "Abbrechen" drops what is open on the connection and hides the window.
    ASSERT_FALSE(!main->getDatabase()->exec("update GRP_UST set hist_lo_user = 'offen'"));
    BarButtonCancel *cancel = find_all<BarButtonCancel>(win).at(0);
    cancel->getTarget()->handle(cancel, FXSEL(SEL_COMMAND, cancel->getSelector()), nullptr);
    EXPECT_FALSE(win->shown()) << w.table;
    EXPECT_TRUE(unlocked("GRP_UST")) << w.table;
  }
  for (const std::string &line : log.messages)
    EXPECT_EQ(std::string::npos, line.find("SqlError")) << line;
  destroy_main();
  run_pending(100);
  for (FXWindow *w = app()->getRootWindow()->getFirst(); w; w = w->getNext())
    EXPECT_EQ(nullptr, dynamic_cast<BaseDialog *>(w)) << w->getClassName();
}

TEST_F(RecordWindows, WhatCannotBeStoredIsRefusedInWordsBeforeAnythingIsSentAndNeverShowsThePassword)
{
  ASSERT_TRUE(add_user(*db, "bob", "x"));
  ASSERT_TRUE(add_user(*db, "carl", "y", false));
  const char *const PW = "Tr0ubador";
  // Refused in `words`, or stored (the amount as `stored`); in every
  // window or `only` in that of the table.
  const struct
  {
    FXString key;
    const char *only, *amount, *pw, *pw2, *words, *stored;
  } cases[] = {
      {FXString("ab\0cd", 5), "", "0", PW, PW, "ab\\0", ""},
      {FXString("xxxxxxxxxxxxxxxxxxxxx"), "", "0", PW, PW, "(21 > 20)", ""},
      {"äöüÄÖÜßäöüÄÖÜßäöüÄÖÜ", "", "0", PW, PW, "", "0"}, // 20 characters in 40 bytes
      {"abc", "SONST_ART", "abc", PW, PW, "als Zahl", ""},
      {"minus", "SONST_ART", "-", PW, PW, "als Zahl", ""},
      {"groß", "SONST_ART", "99999999999999999999", PW, PW, "zu groß", ""},
      {"Cent", "SONST_ART", "1.23456789", PW, PW, "", "1.23"}, // rounded to the cent once
      {"bea", "USER", "0", PW, "", "Unterschiede beim Passwort", ""},
      {"bea", "USER", "0", PW, "zwei", "Unterschiede beim Passwort", ""},
      {" \t\r\n ", "USER", "0", PW, PW, "Loginname angegben", ""},
      {"bob", "USER", "0", PW, PW, "bereits den selben Loginnamen", ""},
      {"carla", "USER", "0", "", "", "braucht ein Passwort", ""},
      {"dirk", "USER", "0", "Tr0ubador-Tr0ubador-x", "Tr0ubador-Tr0ubador-x", "*** (21 > 20)", ""},
      {" carl ", "USER", "0", PW, PW, "", ""}, // an invalid user holds no login; blanks around it go
  };
  ASSERT_FALSE(!main->getDatabase()->exec("update GRP_UST set hist_lo_user = 'offen'")); // another window's work
  LogCapture log;
  testing::internal::CaptureStdout();
  for (const Window &w : {ARTICLES, VAT_GROUPS, PAYMENT_KINDS, USERS}) {
    BaseDialog *win = open(w);
    ASSERT_NE(nullptr, win);
    const bool money = w.menu == MainWindow::ID_SONSTART;
    int stored = 0;
    for (const auto &c : cases) {
      if (*c.only && c.only != std::string(w.table))
        continue;
      const Box box = save_new(win, c.key, *c.words != 0, c.amount, c.pw, c.pw2);
      EXPECT_NE(std::string::npos, box.text.find(c.words)) << w.table << ": " << box.text;
      EXPECT_EQ(std::string::npos, box.text.find(PW)) << box.text;
      stored += !*c.words;
      const std::string sql = Tools::format("select %s from %s where %s = '%s'", money ? "wert" : "count(*)", w.table,
                                            w.key, c.key.text());
      if (*c.stored) {
        EXPECT_EQ(money ? c.stored : "1", value(sql)) << w.table << ": " << c.key.text();
      }
    }
    EXPECT_EQ(stored, count(Tools::format("select count(*) from %s where hist_an_user <> ''", w.table))) << w.table;
  }
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_FALSE(HasFailure() || out.find(PW) != std::string::npos) << "while stdout was captured:\n" << out;
  for (const std::string &line : log.messages)
    EXPECT_EQ(std::string::npos, line.find(PW)) << line;
  EXPECT_EQ(2, count("select count(*) from USER where login = binary 'carl'"));
  EXPECT_EQ("offen", korvan_gui_test::query_value(*main->getDatabase(), "select hist_lo_user from GRP_UST"))
      << "a refused save leaves the open transaction alone";
  main->getDatabase()->rollback();

  // Nobody deletes their own row.
  ASSERT_TRUE(add_user(*db, LOGIN, "pw"));
  BaseDialog *users = open(USERS);
  users->get_key_combo()->select_key(LOGIN);
  EXPECT_NE(std::string::npos, refused(users, BaseDialog::ID_DELETE_ROW).text.find("nicht selbst löschen"));
  EXPECT_EQ(1, count(Tools::format("select count(*) from USER where login = '%s'", LOGIN)));
}

TEST_F(RecordWindows, ARowInUseIsRefusedInWordsRolledBackAndGoesOnceFree)
{
  add_article(*db, "A7", add_vat(*db, "U7", 7));
  add_article(*db, "A1", vat, "Bier", 1);
  ASSERT_TRUE(add_user(*db, "dora", "pw"));
  add_line(*db, LAYOUTK(), LAYOUTP());
  ASSERT_TRUE(db->exec("update BONLINE set user = 'dora'").ok && db->commit());
  const struct
  {
    const Window &window;
    const char *key, *user; // user: frees the row
  } cases[] = {
      {USERS, "dora", "delete from BONLINE"},
      {ARTICLES, "A1", "delete from GRP_ART"},
      {VAT_GROUPS, "U7", "delete from ART where artnr = 'A7'"},
  };
  for (const auto &c : cases) {
    BaseDialog *win = open(c.window);
    ASSERT_NE(nullptr, win);
    win->get_key_combo()->select_key(c.key);
    const Box box = refused(win, BaseDialog::ID_DELETE_ROW);
    EXPECT_NE(std::string::npos, box.text.find("noch verwendet")) << box.text;
    EXPECT_TRUE(unlocked(c.window.table)) << c.key;
    EXPECT_TRUE(unlocked("PREIS")) << c.key;

    ASSERT_FALSE(!db->exec(c.user));
    ASSERT_TRUE(db->commit());
    win->get_key_combo()->select_key(c.key);
    send_command(win, BaseDialog::ID_DELETE_ROW);
    EXPECT_EQ(0, count(Tools::format("select count(*) from %s where %s = '%s'", c.window.table, c.window.key, c.key)));
  }
  EXPECT_EQ(0, count("select count(*) from PREIS")) << "the prices went with their article";
}

// The article window with the articles A (in the group "Saft") and B.
class ArtTest : public RecordWindows
{
protected:
  Art *win = nullptr;
  void SetUp() override
  {
    RecordWindows::SetUp();
    add_article(*db, "A", vat, "Saft");
    add_article(*db, "B", vat);
    win = dynamic_cast<Art *>(open(ARTICLES));
    ASSERT_NE(nullptr, win);
  }
};

TEST_F(ArtTest, PricesKeepEveryDigitFollowTheArticleAndNeedAStoredOneWithAnAmount)
{
  // An article whose VAT group is no longer valid keeps its own group.
  const GRP_UST old_vat = add_vat(*db, "ALT", 16, false);
  add_article(*db, "C", old_vat);
  win->reset();
  win->get_artnr_combo()->select_key("A");
  EXPECT_STREQ("19.00", find_all<MoneyField>(win).at(0)->getText().text());
  win->get_artnr_combo()->select_key("C");
  EXPECT_EQ(old_vat.idx.value, win->get_art().gruppe_ust_idx.value) << "not the group looked up before";

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
  EXPECT_NE(std::string::npos, refused(win, Art::ID_SAVE_PREIS).text.find("Bitte einen Artikel auswählen."));
  win->get_artnr_combo()->select_key("A");
  find_all<MoneyField>(win).at(1)->setText("abc");
  EXPECT_NE(std::string::npos, refused(win, Art::ID_SAVE_PREIS).text.find("als Zahl"));
  prices->setCurrentItem(0, 0, TRUE);
  send_command(win, Art::ID_DELETE_PREIS);
  EXPECT_EQ(0, count("select count(*) from PREIS"));
}

TEST_F(ArtTest, MembershipsGoAndAreMadeForAStoredArticleOnly)
{
  win->get_artnr_combo()->select_key("A");
  ASSERT_EQ(1, win->get_groups_sheet()->getNumRows());
  SpreadSheet::MenuRequest gone(SpreadSheet::MenuRequest::DELETE);
  gone.row = win->get_groups_sheet()->get_row(0);
  EXPECT_EQ(1, win->handle(win->get_groups_sheet(), FXSEL(SEL_COMMAND, Art::ID_GRUPPEN), &gone));
  EXPECT_EQ(0, count("select count(*) from GRP_ART"));
  send_command(win, Art::ID_NEW);
  Box box;
  expect_box(box);
  SpreadSheet::MenuRequest orphan(SpreadSheet::MenuRequest::NEW);
  EXPECT_EQ(0, win->handle(win->get_groups_sheet(), FXSEL(SEL_COMMAND, Art::ID_GRUPPEN), &orphan));
  EXPECT_TRUE(box.seen);
  EXPECT_EQ(0, count("select count(*) from GRP_ART"));
}

// Tests that move the real pointer; each runs on a display of its own.
using ArtPointer = ArtTest;

// As a person does it: the "Gruppen" tab clicked, a right click on the
// sheet, "Vorlage.." and a group of another article chosen with the
// pointer; order entry then offers the article under that group.
TEST_F(ArtPointer, AGroupIsGivenWithThePointerAndTheArticleIsThenOfferedForOrdering)
{
  win->get_artnr_combo()->select_key("B");
  run_pending(150);
  TabItem *tab = nullptr;
  for (TabItem *t : find_all<TabItem>(win))
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
  AddLineWin entry(main, *main, room, table);
  ASSERT_EQ(1, entry.get_groups()->getNumRows());
  entry.get_groups()->setCurrentItem(0, 0, TRUE);
  std::vector<std::string> offered;
  for (int r = 0; r < entry.get_articles()->getNumRows(); ++r)
    offered.push_back(entry.get_articles()->getItemText(r, 0).text());
  EXPECT_EQ((std::vector<std::string>{"A", "B"}), offered);
}

// Pasted as a person pastes: a text holding a NUL would arrive cut at it,
// so Ctrl+V and the middle button refuse it in words, in a text field and
// in a combo box's field alike; any other text is pasted.
TEST_F(ArtPointer, APasteHoldingANulIsRefusedInWordsByKeyAndByTheMiddleButton)
{
  FXTextField *text = nullptr;
  for (Tools::ThemeTextField *f : find_all<Tools::ThemeTextField>(win->get_tab_book()))
    if (!text && f->isEnabled() && f->isEditable() && !dynamic_cast<MoneyField *>(f))
      text = f;
  FXTextField *key = dynamic_cast<FXTextField *>(win->get_artnr_combo()->getFirst());
  ASSERT_TRUE(text && key);
  FXDialogBox holder(main, "Ablage", DECOR_TITLE, 0, 0, 200, 60);
  FXTextField *source = new FXTextField(&holder, 10);
  holder.create();
  const struct
  {
    FXTextField *field;
    FXString copied;
    bool middle, refused;
  } cases[] = {
      {text, FXString("ab\0cd", 5), false, true},
      {text, FXString("ab\0cd", 5), true, true},
      {key, FXString("ab\0cd", 5), true, true},
      {text, "abcd", true, false},
  };
  run_pending(150);
  for (const auto &c : cases) {
    source->setText(c.copied);
    source->handle(source, FXSEL(SEL_COMMAND, FXTextField::ID_SELECT_ALL), nullptr); // the selection
    source->handle(source, FXSEL(SEL_COMMAND, FXTextField::ID_COPY_SEL), nullptr);   // the clipboard
    c.field->setText("alt");
    c.field->setFocus();
    Box box;
    if (c.refused)
      expect_box(box);
    if (c.middle) {
      ASSERT_TRUE(click(c.field, 2));
      run_until([&] { return box.seen || c.field->getText() != "alt"; });
    } else {
      press_key(win, KEY_v, CONTROLMASK);
    }
    EXPECT_EQ(c.refused, box.seen) << c.middle;
    EXPECT_NE(std::string::npos, box.text.find(c.refused ? "ab\\0" : "")) << box.text;
    EXPECT_EQ(c.refused ? "alt" : "altabcd", std::string(c.field->getText().text())) << c.middle;
  }
}

} // namespace
