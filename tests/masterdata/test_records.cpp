// What every record window does: a row stored under any key, stamped,
// found again and kept under its key; open work dropped on Escape; what
// cannot be stored (for users also what breaks their rules) refused in
// words before anything is sent, without the password; a row still in
// use refused in words and rolled back; gone with the main window.

#include <gtest/gtest.h>

#include "tools/core/format.h"
#include "gui/moneyfield.h"
#include "masterdata/art.h"
#include "masterdata/sonstart.h"
#include "tests/masterdata/md_support.h"

using namespace FX;
using korvan_gui_test::Box;

namespace {

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

class RecordWindows : public md_test::MasterDataTest
{
protected:
  int vat = 0;
  void SetUp() override
  {
    md_test::MasterDataTest::SetUp();
    vat = md_test::add_vat(*db, "U19", 19);
    ASSERT_FALSE(!db->exec("SET SESSION innodb_lock_wait_timeout = 1")); // a row left locked shows at once
  }
  BaseDialog *open(const Window &w) { return MasterDataTest::open(w.menu, w.window); }
  // A new row under the key, with what each window needs besides (a VAT
  // group, an amount, the password typed twice), saved.
  Box save_new(BaseDialog *win, const FXString &key, bool refused, const char *amount = "0",
               const char *pw = "Geheim1", const char *pw2 = "Geheim1")
  {
    korvan_gui_test::send_command(win, BaseDialog::ID_NEW);
    win->get_key_combo()->setText(key);
    if (Art *art = dynamic_cast<Art *>(win))
      art->get_ust_combo()->select_key("U19");
    else if (dynamic_cast<SonstArt *>(win))
      md_test::find_all<MoneyField>(win).at(0)->setText(amount);
    const char *typed = pw;
    for (Tools::ThemeTextField *f : md_test::find_all<Tools::ThemeTextField>(win))
      if (f->getTextStyle() & TEXTFIELD_PASSWD) {
        f->setText(typed);
        typed = pw2;
      }
    return command(win, BaseDialog::ID_SAVE, refused);
  }
  // Whether this connection can change the rows at once: the window left
  // no work open on them.
  bool unlocked(const std::string &table)
  {
    const bool changed = !!db->exec("update " + table + " set hist_lo_user = 'frei'");
    return db->rollback() && changed;
  }
};

TEST_F(RecordWindows, ARowIsStoredStampedFoundByKeyAndIdxAndKeepsItsKeyAndEscapeDropsOpenWork)
{
  const std::string key = "O'x\\' or 1=1";
  for (const Window &w : {ARTICLES, VAT_GROUPS, PAYMENT_KINDS, USERS}) {
    BaseDialog *win = open(w);
    ASSERT_NE(nullptr, win);
    save_new(win, key.c_str(), false);
    const int idx = win->get_record()->idx;
    const std::string row = Tools::format(" from %s where idx = %s", w.table, idx);
    EXPECT_EQ(key, value(Tools::format("select %s", w.key) + row)) << w.table;
    EXPECT_EQ(md_test::LOGIN, value("select hist_an_user" + row)) << w.table;

    // Saved again: the same row, with the change stamp (and the password
    // kept, as its fields stay empty: a stored one is never shown).
    win->get_record()->get_cell_by_name(w.text)->from_string("zwei");
    win->vars_to_widgets();
    command(win, BaseDialog::ID_SAVE, false);
    EXPECT_EQ("zwei", value(Tools::format("select %s", w.text) + row)) << w.table;
    EXPECT_EQ(md_test::LOGIN, value("select hist_ae_user" + row)) << w.table;
    EXPECT_EQ(w.menu == MainWindow::ID_USER ? "Geheim1" : "", value("select passwd from USER"));

    // Found by key and by idx. The row under another key, or a second row
    // under its key, is refused.
    korvan_gui_test::send_command(win, BaseDialog::ID_NEW);
    win->get_key_combo()->select_key(key);
    EXPECT_EQ(idx, static_cast<int>(win->get_record()->idx)) << w.table;
    win->get_key_combo()->setText("anders");
    EXPECT_NE(std::string::npos, command(win, BaseDialog::ID_SAVE, true).text.find("behält seinen Namen")) << w.table;
    EXPECT_NE(std::string::npos, save_new(win, key.c_str(), true).text.find(w.taken)) << w.table;
    korvan_gui_test::send_command(win, BaseDialog::ID_DELETE_ROW); // an empty form: nothing
    EXPECT_EQ(1, count("select count(*)" + row)) << w.table;
    win->get_idx_combo()->select_key(Tools::to_text(idx));
    korvan_gui_test::send_command(win, BaseDialog::ID_DELETE_ROW);
    EXPECT_EQ(0, count("select count(*)" + row)) << w.table;

    // Escape drops what is open on the connection and hides the window.
    ASSERT_FALSE(!main->getDatabase()->exec("update GRP_UST set hist_lo_user = 'offen'"));
    korvan_gui_test::press_key(win, KEY_Escape);
    EXPECT_FALSE(win->shown()) << w.table;
    EXPECT_TRUE(unlocked("GRP_UST")) << w.table;
  }
}

TEST_F(RecordWindows, WhatCannotBeStoredIsRefusedInWordsBeforeAnythingIsSentAndNeverShowsThePassword)
{
  ASSERT_TRUE(korvan_access_test::add_user(*db, "bob", "x"));
  ASSERT_TRUE(korvan_access_test::add_user(*db, "carl", "y", false));
  std::string umlauts;
  for (int i = 0; i < 20; ++i)
    umlauts += "ä";
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
      {FXString(umlauts.c_str()), "", "0", PW, PW, "", "0"}, // 20 characters in 40 bytes
      {"abc", "SONST_ART", "abc", PW, PW, "als Zahl", ""},
      {"minus", "SONST_ART", "-", PW, PW, "als Zahl", ""},
      {"groß", "SONST_ART", "99999999999999999999", PW, PW, "zu groß", ""},
      {"Cent", "SONST_ART", "1.23456789", PW, PW, "", "1.23"}, // rounded to the cent once
      {"bea", "USER", "0", PW, "", "Unterschiede beim Passwort", ""},
      {"bea", "USER", "0", PW, "zwei", "Unterschiede beim Passwort", ""},
      {" \t\r\n ", "USER", "0", PW, PW, "Loginname angegben", ""},
      {"bob", "USER", "0", PW, PW, "bereits den selben Loginnamen", ""},
      {"carla", "USER", "0", "", "", "braucht ein Passwort", ""},
      {" carl ", "USER", "0", PW, PW, "", ""}, // an invalid user holds no login; blanks around it go
  };
  // Work another window keeps open on the shared connection.
  ASSERT_FALSE(!main->getDatabase()->exec("update GRP_UST set hist_lo_user = 'offen'"));
  korvan_gui_test::LogCapture log;
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
  EXPECT_EQ(std::string::npos, out.find(PW)) << out;
  for (const std::string &line : log.messages)
    EXPECT_EQ(std::string::npos, line.find(PW)) << line;
  EXPECT_EQ(2, count("select count(*) from USER where login = binary 'carl'"));
  EXPECT_EQ("offen", korvan_gui_test::query_value(*main->getDatabase(), "select hist_lo_user from GRP_UST"))
      << "a refused save leaves the open transaction alone";
  main->getDatabase()->rollback();

  // Nobody deletes their own row.
  ASSERT_TRUE(korvan_access_test::add_user(*db, md_test::LOGIN, "pw"));
  BaseDialog *users = open(USERS);
  users->get_key_combo()->select_key(md_test::LOGIN);
  EXPECT_NE(std::string::npos, command(users, BaseDialog::ID_DELETE_ROW, true).text.find("nicht selbst löschen"));
  EXPECT_EQ(1, count(Tools::format("select count(*) from USER where login = '%s'", md_test::LOGIN)));
}

TEST_F(RecordWindows, ARowInUseIsRefusedInWordsRolledBackAndGoesOnceFree)
{
  md_test::add_article(*db, "A7", "U7", md_test::add_vat(*db, "U7", 7));
  PREIS price;
  price.art_artnr = "A1";
  price.art_idx = md_test::add_article(*db, "A1", "U19", vat, "Bier");
  md_test::store(*db, price);
  ASSERT_TRUE(korvan_access_test::add_user(*db, "dora", "pw"));
  ASSERT_FALSE(!db->exec("SET FOREIGN_KEY_CHECKS=0"));
  BONLINE line;
  line.user = "dora";
  md_test::store(*db, line);
  ASSERT_FALSE(!db->exec("SET FOREIGN_KEY_CHECKS=1"));
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
    const std::string where = Tools::format("%s = '%s'", c.window.key, c.key);
    win->get_key_combo()->select_key(c.key);
    const Box box = command(win, BaseDialog::ID_DELETE_ROW, true);
    EXPECT_EQ("Datenfehler", box.title) << c.key;
    EXPECT_NE(std::string::npos, box.text.find("noch verwendet")) << box.text;
    EXPECT_TRUE(unlocked(c.window.table)) << c.key;
    EXPECT_TRUE(unlocked("PREIS")) << c.key;

    ASSERT_FALSE(!db->exec(c.user));
    ASSERT_TRUE(db->commit());
    win->get_key_combo()->select_key(c.key);
    korvan_gui_test::send_command(win, BaseDialog::ID_DELETE_ROW);
    EXPECT_EQ(0, count(Tools::format("select count(*) from %s where ", c.window.table) + where)) << c.key;
  }
  EXPECT_EQ(0, count("select count(*) from PREIS")) << "the prices went with their article";
}

TEST_F(RecordWindows, BuildWithoutServerErrorsAndGoWithTheMainWindow)
{
  {
    korvan_gui_test::LogCapture log;
    for (const Window &w : {ARTICLES, VAT_GROUPS, PAYMENT_KINDS, USERS})
      ASSERT_NE(nullptr, open(w)) << w.table;
    for (const std::string &line : log.messages)
      EXPECT_EQ(std::string::npos, line.find("SqlError")) << line;
  }
  destroy_main();
  korvan_gui_test::run_pending(100);
  for (FXWindow *w = korvan_gui_test::app()->getRootWindow()->getFirst(); w; w = w->getNext())
    EXPECT_EQ(nullptr, dynamic_cast<BaseDialog *>(w)) << w->getClassName();
}

} // namespace
