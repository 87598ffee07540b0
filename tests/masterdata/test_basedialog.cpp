// What the record windows share: they build without a server error and go
// with the main window; a new row under a stored key, a text that its
// column cannot hold and a money field without an amount are refused in
// words before anything is sent.

#include <gtest/gtest.h>

#include "tools/core/string_utils.h"
#include "gui/moneyfield.h"
#include "masterdata/art.h"
#include "masterdata/grpust.h"
#include "masterdata/sonstart.h"
#include "masterdata/user.h"
#include "tests/masterdata/md_support.h"

using namespace FX;
using korvan_access_test::Box;

namespace {

class RecordWindows : public md_test::MasterDataTest
{
protected:
  int vat_group = 0;
  void SetUp() override
  {
    md_test::MasterDataTest::SetUp();
    if (!HasFatalFailure())
      vat_group = md_test::store_group(*db, "U19", 19);
  }

  // The window of the menu entry, shown.
  BaseDialog *window(FXuint id)
  {
    korvan_gui_test::send_command(main, id);
    korvan_gui_test::run_pending(20);
    switch (id) {
    case MainWindow::ID_ART: return find<Art>();
    case MainWindow::ID_GRPUST: return find<GrpUst>();
    case MainWindow::ID_USER: return find<User>();
    default: return find<SonstArt>();
    }
  }
  // Saves a new row with the key typed into the key list; answers the box
  // the save must show when `refused`.
  Box save_as(BaseDialog *win, const FXString &key, bool refused)
  {
    korvan_gui_test::send_command(win, BaseDialog::ID_NEW);
    win->get_key_combo()->setText(key);
    if (Art *art = dynamic_cast<Art *>(win))
      art->get_ust_combo()->select_key("U19"); // an article needs its VAT group
    return save(win, refused);
  }
  Box save(BaseDialog *win, bool refused)
  {
    Box box;
    if (refused)
      korvan_gui_test::expect_box(box);
    korvan_gui_test::send_command(win, BaseDialog::ID_SAVE);
    EXPECT_EQ(refused, box.seen) << box.text;
    return box;
  }
};

// The windows without a check of their own before the shared save.
const struct
{
  FXuint menu;
  const char *table;
  const char *key;
} PLAIN[] = {
    {MainWindow::ID_ART, "ART", "artnr"},
    {MainWindow::ID_GRPUST, "GRP_UST", "name"},
    {MainWindow::ID_SONSTART, "SONST_ART", "name"},
};

TEST_F(RecordWindows, BuildWithoutServerErrorsShowWholeDatesAndGoWithTheMainWindow)
{
  {
    korvan_gui_test::LogCapture log;
    for (FXuint id : {MainWindow::ID_ART, MainWindow::ID_GRPUST, MainWindow::ID_USER, MainWindow::ID_SONSTART}) {
      BaseDialog *win = window(id);
      ASSERT_NE(nullptr, win);
      for (Label *label : md_test::find_all<Label>(win)) {
        const std::string caption = label->getText().text();
        if (caption != "Von:" && caption != "Bis:")
          continue;
        FXTextField *date = dynamic_cast<FXTextField *>(label->getNext());
        ASSERT_NE(nullptr, date);
        const int inside = date->getWidth() - date->getPadLeft() - date->getPadRight() - 2 * date->getBorderWidth();
        EXPECT_LE(date->getFont()->getTextWidth("0000-00-00 00:00:00"), inside) << caption;
      }
    }
    for (const std::string &line : log.messages)
      EXPECT_EQ(std::string::npos, line.find("SqlError")) << line;
  }
  destroy_main();
  korvan_gui_test::run_pending(100);
  for (FXWindow *w = korvan_gui_test::app()->getRootWindow()->getFirst(); w; w = w->getNext())
    EXPECT_EQ(nullptr, dynamic_cast<BaseDialog *>(w)) << w->getClassName();
}

TEST_F(RecordWindows, ANewRowUnderAStoredKeyIsRefusedInWords)
{
  ART article;
  article.artnr = "K1";
  article.gruppe_ust = "U19";
  article.gruppe_ust_idx = vat_group;
  store(article);
  md_test::store_group(*db, "K1", 7);
  SONST_ART kind;
  kind.name = "K1";
  store(kind);
  for (const auto &w : PLAIN) {
    BaseDialog *win = window(w.menu);
    ASSERT_NE(nullptr, win);
    const Box box = save_as(win, "K1", true);
    EXPECT_EQ("Datenfehler", box.title) << w.table;
    EXPECT_NE(std::string::npos, box.text.find("schon ein anderer Eintrag")) << box.text;
    EXPECT_EQ(1, count(Tools::format("select count(*) from %s where %s = 'K1'", w.table, w.key))) << w.table;
  }
}

TEST_F(RecordWindows, TextsTheirColumnCannotHoldAreRefusedInWordsBeforeAnythingIsSent)
{
  std::string umlauts;
  for (int i = 0; i < 20; ++i)
    umlauts += "ä";
  const struct
  {
    FXString key;
    const char *words; // empty: stored
  } cases[] = {
      {FXString("ab\0cd", 5), "ab\\0"},
      {FXString("xxxxxxxxxxxxxxxxxxxxx"), "(21 > 20)"},
      {FXString(umlauts.c_str()), ""}, // 20 characters in 40 bytes
  };
  for (const auto &w : PLAIN) {
    BaseDialog *win = window(w.menu);
    ASSERT_NE(nullptr, win);
    for (const auto &c : cases) {
      const Box box = save_as(win, c.key, *c.words != 0);
      const int stored = count(Tools::format("select count(*) from %s where %s <> 'U19'", w.table, w.key));
      if (*c.words) {
        EXPECT_EQ("Datenfehler", box.title) << w.table << " " << c.words;
        EXPECT_NE(std::string::npos, box.text.find(c.words)) << box.text;
        EXPECT_EQ(0, stored) << w.table;
      } else {
        EXPECT_EQ(1, count(Tools::format("select count(*) from %s where %s = '%s'", w.table, w.key, umlauts)));
      }
    }
  }
}

TEST_F(RecordWindows, APasteHoldingANulIsRefusedInWordsAndOtherPastesGoIn)
{
  BaseDialog *win = window(MainWindow::ID_GRPUST);
  ASSERT_NE(nullptr, win);
  Tools::ThemeTextField *field = nullptr;
  for (Tools::ThemeTextField *f : md_test::find_all<Tools::ThemeTextField>(win))
    if (!field && f->isEnabled() && f->getNumColumns() == 50)
      field = f;
  ASSERT_NE(nullptr, field);
  FXDialogBox holder(main, "Ablage");
  FXTextField *source = new FXTextField(&holder, 10);
  holder.create();

  const struct
  {
    FXString copied;
    const char *after;
  } cases[] = {{FXString("ab\0cd", 5), "alt"}, {FXString("abcd"), "altabcd"}};
  for (const auto &c : cases) {
    field->setText("alt");
    field->setFocus();
    field->setCursorPos(3);
    source->setText(c.copied);
    source->selectAll();
    source->handle(source, FXSEL(SEL_COMMAND, FXTextField::ID_COPY_SEL), nullptr);
    Box box;
    const bool refused = std::string(c.after) == "alt";
    if (refused)
      korvan_gui_test::expect_box(box);
    korvan_gui_test::press_key(win, KEY_v, CONTROLMASK);
    EXPECT_EQ(refused, box.seen);
    if (refused) {
      EXPECT_NE(std::string::npos, box.text.find("ab\\0")) << box.text;
    }
    EXPECT_STREQ(c.after, field->getText().text());
  }
}

TEST_F(RecordWindows, MoneyThatIsNoAmountOrTooLargeIsRefusedAndAmountsAreStoredToTheCent)
{
  SonstArt *win = dynamic_cast<SonstArt *>(window(MainWindow::ID_SONSTART));
  ASSERT_NE(nullptr, win);
  MoneyField *wert = md_test::find_all<MoneyField>(win).at(0);
  const struct
  {
    const char *typed;
    const char *words; // empty: stored as `stored`
    const char *stored;
  } cases[] = {
      {"abc", "als Zahl", ""},
      {"-", "als Zahl", ""},
      {"99999999999999999999", "zu groß", ""},
      {"1.23456789", "", "1.23"},
  };
  for (const auto &c : cases) {
    korvan_gui_test::send_command(win, BaseDialog::ID_NEW);
    win->get_key_combo()->setText(c.typed);
    wert->setText("");
    korvan_access_test::type_text(wert, c.typed);
    if (std::string(wert->getText().text()) != c.typed)
      wert->setText(c.typed); // what the toolkit does not let be typed
    const Box box = save(win, *c.words != 0);
    if (*c.words) {
      EXPECT_NE(std::string::npos, box.text.find(c.words)) << c.typed << ": " << box.text;
      EXPECT_EQ(0, count("select count(*) from SONST_ART")) << c.typed;
    } else {
      EXPECT_EQ(c.stored, value(Tools::format("select wert from SONST_ART where name = '%s'", c.typed)));
    }
  }
}

} // namespace
