// The translation manager of the main window against the private database:
// rows stored once per (type, text), texts with quotes, F11 switching every
// registered text, and objects made while translations are shown.

#include <gtest/gtest.h>

#include <memory>

#include "gui/buttonbar.h"
#include "gui/lang.h"
#include "schema/tables.h"
#include "shell/connect.h"
#include "shell/debugwin.h"
#include "shell/login.h"
#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/recording_db.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"

using namespace FX;
using korvan_gui_test::MainWindowFixture;
using korvan_gui_test::query_int;
using korvan_gui_test::query_value;

namespace {

const int MENU_TEXTS = 14; // 3 titles, 4 + 6 + 1 entries

class Translations : public MainWindowFixture
{
protected:
  int rows(const std::string &where = "1=1")
  {
    return query_int(*db, "select count(*) from LANG where " + where);
  }
  int rows_of(const std::string &type, const std::string &orig)
  {
    return rows(Tools::format("type = '%s' and orig = '%s'", Tools::sql_escape(type), Tools::sql_escape(orig)));
  }
  void translate(const std::string &type, const std::string &orig, const std::string &trans)
  {
    Tools::DBErg<Tools::DBRowList> r =
        db->exec(Tools::format("update LANG set trans = '%s' where type = '%s' and orig = '%s'",
                               Tools::sql_escape(trans), Tools::sql_escape(type), Tools::sql_escape(orig)));
    ASSERT_FALSE(!r) << db->get_error();
    // LANG keeps no transactions, but the checking connection's own ends.
    db->commit();
    // Stored from outside the program: read again, as the editor's "Ok" does.
    main->updateLangs();
  }
  long f11() { return korvan_gui_test::press_key(main, KEY_F11); }
};

TEST_F(Translations, StartStoresEachMenuTextOnceAndASecondStartAddsNone)
{
  EXPECT_EQ(MENU_TEXTS, rows());
  EXPECT_EQ(MENU_TEXTS, rows("system = 'GUI' and type = 'Menu' and trans = ''"));
  EXPECT_EQ(1, rows_of("Menu", "&Quit\tCtl-Q"));
  EXPECT_EQ(1, rows_of("Menu", "Übersetzungen"));
  EXPECT_EQ(0, query_int(*db, "select count(*) from (select type, orig from LANG group by type, orig "
                              "having count(*) > 1) as twice"));

  destroy_main();
  main = korvan_gui_test::make_main_window(database);
  EXPECT_EQ(MENU_TEXTS, rows());
}

TEST_F(Translations, TextWithApostropheIsStoredOnceAndFoundAgain)
{
  const std::string text = "Geht's noch? Pfad C:\\temp\\, 100% 'sicher'";
  StaticText first(main, "Message", text);
  ASSERT_NE(0, first.get_row()->idx.value);
  EXPECT_EQ(1, rows_of("Message", text));
  EXPECT_EQ(text, query_value(*db, Tools::format("select orig from LANG where idx = %d", first.get_row()->idx.value)));

  StaticText second(main, "Message", text);
  EXPECT_EQ(first.get_row()->idx.value, second.get_row()->idx.value);
  EXPECT_EQ(1, rows_of("Message", text));

  translate("Message", text, "Isn't it? 'sure'");
  Tools::Ref<LANG> found = main->getLangFor("Message", text);
  EXPECT_EQ(first.get_row()->idx.value, found->idx.value);
  EXPECT_EQ("Isn't it? 'sure'", found->trans.value);
}

// The rows are read once per connection; windows made afterwards send
// nothing for their texts.
TEST_F(Translations, TextsAreReadInOneStatementAndWindowsOpenWithoutReadingThemAgain)
{
  // Every text of these windows stored, as at a later start.
  auto open_windows = [this] {
    delete new Login(main, main);
    delete new Connect(main, main);
    korvan_gui_test::send_command(main, MainWindow::ID_DEBUG);
    main->getDebugWin()->hide();
  };
  open_windows();
  korvan_test::RecordingDB *rec = nullptr;
  main->setDatabase(korvan_test::connect_recording(database, rec));
  EXPECT_EQ((std::vector<std::string>{"SELECT idx,system,type,orig,trans FROM LANG where system = 'GUI'"}),
            rec->statements);
  rec->statements.clear();
  open_windows();
  EXPECT_TRUE(rec->statements.empty()) << rec->statements[0];
  // A text not stored yet is looked up and stored, once.
  StaticText fresh(main, "Message", "Neu im Programm");
  StaticText again(main, "Message", "Neu im Programm");
  EXPECT_EQ(2u, rec->statements.size());
  EXPECT_EQ(1, rows_of("Message", "Neu im Programm"));
}

// LANG's columns take 20 characters of type and 100 of text: longer texts
// are never sent and stay untranslated; a long text of umlauts fits.
TEST_F(Translations, TextsLongerThanTheColumnsAreNeverSent)
{
  korvan_test::RecordingDB *rec = nullptr;
  main->setDatabase(korvan_test::connect_recording(database, rec));
  rec->statements.clear();
  korvan_gui_test::LogCapture log;
  std::string hundred;
  for (int i = 0; i < 100; ++i)
    hundred += "ä";
  const struct
  {
    std::string type, text;
    bool stored;
  } cases[] = {{"Message", std::string(101, 'x'), false},
               {std::string(21, 'T'), "kurz", false},
               {"Message", hundred, true},
               {std::string(20, 'T'), std::string(100, 'y'), true}};
  for (const auto &c : cases) {
    rec->statements.clear();
    StaticText text(main, c.type, c.text);
    EXPECT_EQ(c.stored, text.get_row()->idx.value != 0) << c.text;
    EXPECT_EQ(c.stored ? 2u : 0u, rec->statements.size()) << c.text;
    EXPECT_STREQ(c.text.c_str(), text);
  }
  for (const std::string &line : log.messages)
    EXPECT_EQ(std::string::npos, line.find("SqlError")) << line;
}

TEST_F(Translations, SameTextUnderTwoTypesGivesTwoRows)
{
  FXHorizontalFrame *frame = new FXHorizontalFrame(main);
  new Label(frame, main, "Ok");
  new BarButtonOk(frame, main, nullptr, 0);
  new Label(frame, main, "Ok");
  EXPECT_EQ(1, rows_of("Label", "Ok"));
  EXPECT_EQ(1, rows_of("Button", "Ok"));
  delete frame;
}

TEST_F(Translations, MultiLangStoresOnlyVisibleTitles)
{
  struct Titles : MultiLang
  {
    Titles(MainWindow *m) : MultiLang(m, "SpreadSheet") {}
    void update_text() override {}
  } titles(main);
  titles.set_titles({"Name", "", "\tidx"});
  ASSERT_EQ(3u, titles.get_titles().size());
  EXPECT_EQ(1, rows("type = 'SpreadSheet'"));
  EXPECT_EQ(1, rows_of("SpreadSheet", "Name"));
}

TEST_F(Translations, F11SwitchesEveryRegisteredTextAndBack)
{
  translate("Menu", "&System", "S&ystem EN");
  translate("Menu", "Datenbankverbindung", "Database connection");
  FXHorizontalFrame *frame = new FXHorizontalFrame(main);
  Label *untranslated = new Label(frame, main, "Nur deutsch");
  StaticText message(main, "Message", "Bitte warten");
  translate("Message", "Bitte warten", "Please wait");
  main->updateLangs();

  // Reloading alone changes nothing that is shown.
  EXPECT_STREQ("System", main->getSystemTitle()->getText().text());
  EXPECT_STREQ("Bitte warten", message);

  EXPECT_EQ(1, f11());
  EXPECT_TRUE(main->isTranslated());
  EXPECT_STREQ("System EN", main->getSystemTitle()->getText().text());
  EXPECT_STREQ("Please wait", message);
  EXPECT_STREQ("Nur deutsch", untranslated->getText().text());
  EXPECT_TRUE(untranslated->is_translated());

  f11();
  EXPECT_FALSE(main->isTranslated());
  EXPECT_STREQ("System", main->getSystemTitle()->getText().text());
  EXPECT_STREQ("Bitte warten", message);
  EXPECT_STREQ("Nur deutsch", untranslated->getText().text());
  EXPECT_FALSE(untranslated->is_translated());
  delete frame;
}

TEST_F(Translations, TextsMadeWhileTranslatedStartTranslatedAndFollowTheMode)
{
  // Rows with translations before the objects exist.
  StaticText seed(main, "Message", "Gespeichert.");
  translate("Message", "Gespeichert.", "Saved.");
  {
    FXHorizontalFrame seedFrame(main);
    BarButtonCancel seedButton(&seedFrame, main, nullptr, 0);
  }
  translate("Button", "Abbrechen", "Cancel");

  f11();
  ASSERT_TRUE(main->isTranslated());
  StaticText made(main, "Message", "Gespeichert.");
  EXPECT_STREQ("Saved.", made);
  FXHorizontalFrame *frame = new FXHorizontalFrame(main);
  BarButtonCancel *button = new BarButtonCancel(frame, main, nullptr, 0);
  EXPECT_STREQ("Cancel", button->getText().text());

  f11();
  EXPECT_STREQ("Gespeichert.", made);
  EXPECT_STREQ("Abbrechen", button->getText().text());
  f11();
  EXPECT_STREQ("Saved.", made);
  EXPECT_STREQ("Cancel", button->getText().text());

  // A copy keeps what it was given and is not switched.
  StaticText copy(made);
  f11();
  EXPECT_STREQ("Saved.", copy);
  EXPECT_STREQ("Gespeichert.", made);
  delete frame;
}

TEST_F(Translations, F11InADialogSwitchesTheMainWindowsTexts)
{
  translate("Menu", "&Wartung", "&Maintenance");
  main->updateLangs();
  korvan_gui_test::send_command(main, MainWindow::ID_DEBUG);
  ASSERT_NE(nullptr, main->getDebugWin());
  korvan_gui_test::press_key(main->getDebugWin(), KEY_F11);
  EXPECT_TRUE(main->isTranslated());
  EXPECT_STREQ("Maintenance", main->getWartungTitle()->getText().text());
}

TEST_F(Translations, ObjectsLeaveTheListUnlessTheProgramQuits)
{
  const size_t before = main->getLangs().size();
  {
    StaticText passing(main, "Message", "Vorübergehend");
    EXPECT_EQ(before + 1, main->getLangs().size());
    EXPECT_EQ(&passing, static_cast<Lang *>(main->getLangs().back()));
  }
  EXPECT_EQ(before, main->getLangs().size());

  std::unique_ptr<StaticText> late(new StaticText(main, "Message", "Spät"));
  korvan_gui_test::send_command(main, MainWindow::ID_QUIT);
  late.reset();
  EXPECT_EQ(before + 1, main->getLangs().size());
}

TEST(TranslationsWithoutDatabase, TextsStayOriginalAndNothingIsStored)
{
  MainWindow *main = korvan_gui_test::make_main_window("");
  ASSERT_TRUE(main->getDatabase().valid());
  EXPECT_FALSE(main->getDatabase()->is_connected());
  StaticText text(main, "Message", "Ohne Datenbank");
  EXPECT_EQ(0, text.get_row()->idx.value);
  EXPECT_FALSE(main->installLang(text.get_row()));
  EXPECT_FALSE(main->installLang(Tools::Ref<LANG>()));
  korvan_gui_test::press_key(main, KEY_F11);
  EXPECT_STREQ("Ohne Datenbank", text);
  EXPECT_STREQ("System", main->getSystemTitle()->getText().text());
  // The text outlives its main window and goes without touching it.
  delete main;
}

} // namespace
