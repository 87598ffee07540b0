// The main window: the settings it stores at quit, its log, and a teardown
// that leaves nothing behind that could still be used; the steps of
// start-up that need no toolkit. The texts of the interface in LANG:
// stored once, read once per connection, never longer than their columns;
// F11 switches every text; the translation editor stores a translation
// that is used at once, and the texts on the screen follow the database
// and the editor.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "gui/dialog.h"
#include "gui/lang.h"
#include "gui/spreadsheet.h"
#include "schema/create_sql.h"
#include "shell/connect.h"
#include "shell/debugwin.h"
#include "shell/langwin.h"
#include "shell/login.h"
#include "shell/mainwindow.h"
#include "shell/mydebug.h"
#include "shell/startup.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/characters.h"
#include "tests/support/recording_db.h"
#include "tools/core/base_exception.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"

using namespace FX;
using namespace korvan_gui_test;

namespace {

using MainWindowTest = MainWindowFixture;

// The file holds the database password: whichever way the program ends,
// it is written for its owner only, also over a file others could read.
TEST_F(MainWindowTest, EveryWayOutStoresTheSettingsForTheOwnerOnly)
{
  const std::string path = registry_path();
  const struct
  {
    const char *way;
    std::function<void(MainWindow *)> quit;
  } ways[] = {
      {"quit", [](MainWindow *m) { send_command(m, MainWindow::ID_QUIT); }},
      {"close", [](MainWindow *m) { m->handle(nullptr, FXSEL(SEL_CLOSE, 0), nullptr); }},
      {"cancel",
       [](MainWindow *m) {
         run_login(m, {{[](Login *l) { send_command(l, Login::ID_CANCEL); }, Login::CANCELLED}});
       }},
  };
  for (const auto &w : ways) {
    ASSERT_EQ(0, system(("mkdir -p \"$(dirname '" + path + "')\" && echo >'" + path + "' && chmod 644 '" + path + "'")
                            .c_str()));
    main->getConnectSettings().password = w.way;
    w.quit(main);
    EXPECT_TRUE(run_until([&] { return main->isQuitting(); })) << w.way;
    struct stat st;
    ASSERT_EQ(0, stat(path.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777u) << w.way;
    EXPECT_NE(std::string::npos, korvan_test::slurp(path).find(std::string("password=") + w.way + "\n")) << w.way;
    destroy_main();
    main = make_main_window(database);
  }
}

TEST_F(MainWindowTest, ASettingsFileThatCannotBeWrittenIsReportedAtQuit)
{
  const std::string path = registry_path();
  unlink(path.c_str());
  // Not even root writes a file where a directory stands.
  ASSERT_EQ(0, system(("mkdir -p '" + path + "'").c_str()));
  Box box;
  answer_box(box, main, MainWindow::ID_QUIT);
  EXPECT_NE(std::string::npos, box.text.find(path)) << box.text;
  EXPECT_TRUE(main->isQuitting());
  // The box's texts are gone with it, and no longer among those F11 switches.
  EXPECT_EQ(1, press_key(main, KEY_F11));
  rmdir(path.c_str());
}

TEST_F(MainWindowTest, TeardownRemovesTheLogBeforeTheWindowsGo)
{
  send_command(main, MainWindow::ID_DEBUG);
  ASSERT_EQ(static_cast<Tools::Debug *>(main->getDebug()), Tools::debug_sink);
  new Label(main, main, "Kind"); // a text that goes with its window
  destroy_main();
  EXPECT_EQ(nullptr, Tools::debug_sink);
  TOOLS_LOG("nach dem Ende"); // nobody listens, nothing is touched
}

// Every line goes once to standard output and is kept until the debug
// window shows it, then straight into the window; "Löschen" empties it.
TEST_F(MainWindowTest, LogLinesWaitForTheDebugWindowThenGoStraightIntoIt)
{
  auto in_order = [](const std::string &text) {
    const std::string::size_type first = text.find(": erste Zeile\n"), second = text.find(": zweite Zeile\n");
    return first < second && second != std::string::npos && first == text.rfind(": erste Zeile\n") &&
           second == text.rfind(": zweite Zeile\n");
  };
  main->getDebug()->clear();
  testing::internal::CaptureStdout();
  TOOLS_LOG("erste Zeile");
  ASSERT_EQ(1u, main->getDebug()->getMessages().size());
  send_command(main, MainWindow::ID_DEBUG);
  DebugWin *win = main->getDebugWin();
  send_command(win, DebugWin::ID_OK); // hidden, it keeps collecting
  TOOLS_LOG("zweite Zeile");
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(in_order(out)) << out;
  EXPECT_TRUE(main->getDebug()->getMessages().empty());
  EXPECT_TRUE(in_order(win->getText()->getText().text()));
  send_command(win, DebugWin::ID_CLEAR);
  EXPECT_STREQ("", win->getText()->getText().text());
  TOOLS_LOG("danach");
  EXPECT_NE(-1, win->getText()->getText().find("danach\n"));
}

TEST_F(MainWindowTest, SqlErrorsOfTheTextLookupAreLoggedNotShown)
{
  ASSERT_TRUE(db->exec("drop table LANG").ok);
  LogCapture log;
  StaticText text(main, "Label", "Name:");
  EXPECT_EQ(0, text.get_row()->idx.value);
  ASSERT_FALSE(log.messages.empty());
  for (const std::string &line : log.messages)
    EXPECT_EQ(0u, line.find("SqlError: ")) << line;
  EXPECT_EQ(nullptr, app()->getModalWindow());
}

// The create script replaces an older, longer one whole, or is made new,
// each for the account only (whatever the umask lets through); a file
// that cannot be opened or written is reported and start-up goes on.
TEST(Startup, TheCreateScriptIsWrittenWholeOrReported)
{
  char dir[] = "/tmp/korvan-startup.XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  const std::string path = std::string(dir) + "/create.sql", fresh = std::string(dir) + "/fresh.sql";
  std::ofstream(path) << std::string(500000, 'x');
  const mode_t umask_before = umask(0);
  const struct
  {
    std::string path, error;
  } cases[] = {{path, ""},
               {fresh, ""},
               {"/dev/full", "warning cannt write create.sql\n"},
               {dir, "warning cannt create create.sql\n"}};
  for (const auto &c : cases) {
    std::ostringstream err;
    EXPECT_EQ(c.error.empty(), write_create_script(c.path, err)) << c.path;
    EXPECT_EQ(c.error, err.str());
  }
  umask(umask_before);
  for (const std::string &written : {path, fresh}) {
    EXPECT_EQ(create_sql(), korvan_test::slurp(written)) << written;
    struct stat st;
    ASSERT_EQ(0, stat(written.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 07777u) << written;
  }
  EXPECT_EQ(0, system(("rm -r '" + std::string(dir) + "'").c_str()));
}

// The working folder may be shared with others: a symbolic link there
// under the script's name, to a file of the user's or to none, is not
// followed, a FIFO neither holds the start nor takes the script, and
// neither a hard link to a file of the user's nor another account's file
// there is written. Each is reported, and what the name points at stays
// as it was.
TEST(Startup, TheCreateScriptGoesThroughNoLinkAndWaitsForNoFifo)
{
  char dir[] = "/tmp/korvan-startup.XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  const std::string here = dir, own = here + "/own.txt", gone = here + "/gone.txt";
  std::ofstream(own) << "mine";
  const std::string link = "warning cannt create create.sql: it is a symbolic link, which is not followed; remove it\n";
  const bool root = geteuid() == 0; // only root gives a file to another account
  const struct
  {
    const char *what;
    std::function<void(const std::string &)> plant;
    std::string error;
    const char *kept; // what the name holds afterwards, when it is checked
  } cases[] = {
      {"a link to the user's file", [&](const std::string &p) { ASSERT_EQ(0, symlink(own.c_str(), p.c_str())); }, link,
       "mine"},
      {"a link to nothing", [&](const std::string &p) { ASSERT_EQ(0, symlink(gone.c_str(), p.c_str())); }, link,
       nullptr},
      {"a FIFO", [](const std::string &p) { ASSERT_EQ(0, mkfifo(p.c_str(), 0600)); },
       "warning cannt create create.sql\n", nullptr},
      {"a hard link to the user's file", [&](const std::string &p) { ASSERT_EQ(0, ::link(own.c_str(), p.c_str())); },
       "warning cannt create create.sql: it is a hard link, which is not written through; remove it\n", "mine"},
      {"another account's file",
       [&](const std::string &p) {
         std::ofstream(p) << "theirs";
         ASSERT_EQ(0, chmod(p.c_str(), 0666));
         ASSERT_EQ(0, chown(p.c_str(), 65534, 65534));
       },
       "warning cannt create create.sql: it is another account's file, which is not overwritten; remove it\n",
       "theirs"},
  };
  for (const auto &c : cases) {
    if (c.error.find("another account") != std::string::npos && !root)
      continue;
    const std::string path = here + "/create.sql";
    c.plant(path);
    std::ostringstream err;
    EXPECT_FALSE(write_create_script(path, err)) << c.what;
    EXPECT_EQ(c.error, err.str()) << c.what;
    EXPECT_EQ("mine", korvan_test::slurp(own)) << c.what;
    EXPECT_FALSE(std::filesystem::exists(gone)) << c.what;
    if (c.kept) {
      EXPECT_EQ(c.kept, korvan_test::slurp(path)) << c.what;
    }
    ASSERT_EQ(0, unlink(path.c_str()));
  }
  std::filesystem::remove_all(here);
}

TEST(Startup, AnExceptionReachingTheTopIsReportedWithExitCodeOne)
{
  std::ostringstream err;
  EXPECT_EQ(1, run_guarded([]() -> int { throw Tools::BaseException("bad reference"); }, err));
  EXPECT_EQ(1, run_guarded([]() -> int { throw 42; }, err));
  EXPECT_EQ(7, run_guarded([] { return 7; }, err));
  EXPECT_EQ("korvan: bad reference\nkorvan: unknown exception\n", err.str());
}

// Only a note with visible text adds to the title, on one line, whatever
// the environment held.
TEST(Startup, TheTitleNoteAddsOneLineOfTextOrNothing)
{
  const struct
  {
    const char *note, *title;
  } cases[] = {
      {nullptr, "Korvan"},
      {"", "Korvan"},
      {" \t\n\x7f ", "Korvan"},
      {"ALTE KOPIE, nicht der aktuelle Tag: Stand 2026-03-01 22:15",
       "Korvan - ALTE KOPIE, nicht der aktuelle Tag: Stand 2026-03-01 22:15"},
      {"  Räume\nalt\r\n", "Korvan - Räume alt"},
      {"%s %n \\ '", "Korvan - %s %n \\ '"},
      // Only what shows as written: no override turns the rest around.
      {"\xe2\x80\xae" "EIPOK ETLA", "Korvan - EIPOK ETLA"},
      {"alt\xc2\x85\xc2\x9b" "Kopie", "Korvan - alt  Kopie"},
      {"\xe2\xa0\x80\xe3\x85\xa4\xc2\xa0\xe2\x80\x8b", "Korvan"},
      {"Stand \xe4", "Korvan - Stand"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.title, main_window_title("Korvan", c.note)) << (c.note ? c.note : "(unset)");
  for (const korvan_test::LookAlike &c : korvan_test::LOOK_ALIKES) {
    const std::string note = std::string("A") + c.text + "B";
    EXPECT_EQ(c.shown ? "Korvan - A B" : "Korvan - " + note, main_window_title("Korvan", note.c_str())) << note;
  }
}

// ---- the texts ----

const std::string QUOTED = "Geht's noch? Pfad C:\\temp\\, 100% 'sicher'";

class Translations : public MainWindowFixture
{
protected:
  int rows(const std::string &where = "1=1") { return query_int(*db, "select count(*) from LANG where " + where); }
  // Stored from outside the program, then read again as the editor's "Ok" does.
  void translate(const std::string &type, const std::string &orig, const std::string &trans)
  {
    ASSERT_TRUE(db->exec(Tools::format("update LANG set trans = '%s' where type = '%s' and orig = '%s'",
                                       Tools::sql_escape(trans), type, Tools::sql_escape(orig)))
                    .ok);
    main->updateLangs();
  }
  // Swaps the program's connection for one that records what it is sent.
  korvan_test::RecordingDB *record()
  {
    korvan_test::RecordingDB *rec = nullptr;
    main->setDatabase(korvan_test::connect_recording(database, rec));
    return rec;
  }
};

// Each text is stored once, and a second start adds none. The texts are
// read in one statement per connection: windows made afterwards send
// nothing for theirs, and a text not stored yet is looked up and stored
// once; a database without texts stores each text alive without a look-up.
TEST_F(Translations, EachTextIsStoredOnceAndTheTextsAreReadInOneStatement)
{
  StaticText first(main, "Message", QUOTED), again(main, "Message", QUOTED), label(main, "Label", QUOTED);
  EXPECT_EQ(first.get_row()->idx.value, again.get_row()->idx.value);
  EXPECT_NE(first.get_row()->idx.value, label.get_row()->idx.value);
  EXPECT_EQ(QUOTED, query_value(*db, Tools::format("select orig from LANG where idx = %d", first.get_row()->idx.value)));
  const auto open_windows = [this] {
    delete new Login(main, main);
    delete new Connect(main, main);
    send_command(main, MainWindow::ID_DEBUG);
    main->getDebugWin()->hide();
  };
  open_windows();
  const int stored = rows();
  destroy_main();
  main = make_main_window(database);
  EXPECT_EQ(stored, rows());

  korvan_test::RecordingDB *rec = record();
  ASSERT_EQ(1u, rec->statements.size());
  EXPECT_NE(std::string::npos, rec->statements[0].find("FROM LANG"));
  rec->statements.clear();
  open_windows();
  EXPECT_TRUE(rec->statements.empty()) << rec->statements[0];
  StaticText fresh(main, "Message", "Neu im Programm"), twice(main, "Message", "Neu im Programm");
  EXPECT_EQ(2u, rec->statements.size());
  EXPECT_EQ(1, rows("orig = 'Neu im Programm'"));
  ASSERT_TRUE(db->exec("delete from LANG").ok);
  rec = record();
  EXPECT_EQ(1u, rec->starting_with("select").size() + rec->starting_with("SELECT").size());
  EXPECT_LT(0, rows());
  EXPECT_EQ(rec->statements.size() - 1, static_cast<size_t>(rows()));
}

// LANG takes 20 characters of type and 100 of text: longer texts are never
// sent and stay untranslated; a hundred umlauts fit.
TEST_F(Translations, TextsLongerThanTheColumnsAreNeverSent)
{
  korvan_test::RecordingDB *rec = record();
  LogCapture log;
  std::string umlauts;
  for (int i = 0; i < 100; ++i)
    umlauts += "ä";
  const struct
  {
    std::string type, text;
    bool stored;
  } cases[] = {{"Message", std::string(101, 'x'), false},
               {std::string(21, 'T'), "kurz", false},
               {"Message", umlauts, true},
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

// F11, in any window, switches every text of the application: those made
// meanwhile follow, a copy keeps what it was given.
TEST_F(Translations, F11SwitchesEveryTextAndTextsMadeMeanwhileFollow)
{
  StaticText message(main, "Message", QUOTED);
  Label *label = new Label(main, main, "Tisch");
  Label *plain = new Label(main, main, "Nur deutsch");
  Dialog dialog(main, main, "Sprachfenster");
  translate("Message", QUOTED, "Isn't it? 'sure'");
  translate("Label", "Tisch", "Table");
  translate("Dialog", "Sprachfenster", "Language window");
  {
    StaticText gone(main, "Message", "Vorübergehend"); // leaves the list with its end
  }
  EXPECT_STREQ(QUOTED.c_str(), message); // reading again alone shows nothing new

  EXPECT_EQ(1, press_key(&dialog, KEY_F11));
  EXPECT_TRUE(main->isTranslated());
  EXPECT_STREQ("Language window", dialog.getTitle().text());
  EXPECT_STREQ("Isn't it? 'sure'", message);
  EXPECT_STREQ("Table", label->getText().text());
  EXPECT_STREQ("Nur deutsch", plain->getText().text());
  StaticText made(main, "Message", QUOTED);
  Label *later = new Label(main, main, "Tisch");
  EXPECT_STREQ("Isn't it? 'sure'", made);
  EXPECT_STREQ("Table", later->getText().text());
  StaticText copy(made);

  EXPECT_EQ(1, press_key(main, KEY_F11));
  EXPECT_STREQ("Sprachfenster", dialog.getTitle().text());
  EXPECT_STREQ(QUOTED.c_str(), message);
  EXPECT_STREQ(QUOTED.c_str(), made);
  EXPECT_STREQ("Tisch", later->getText().text());
  EXPECT_STREQ("Isn't it? 'sure'", copy);
}

// While translations are shown, every text on the screen follows the
// database at once: after "Ok" in the connection dialog has switched to
// another database (its translation, or the original where it has none),
// and after "Ok" in the translation editor has read what another station
// stored. The mode stays as F11 left it.
TEST_F(Translations, TextsOnTheScreenFollowTheNewDatabaseAndTheEditorAtOnce)
{
  Label *label = new Label(main, main, "Tisch");
  translate("Label", "Tisch", "Table");
  translate("Menu", "&System", "Anlage");
  const std::string other = korvan_test::test_database_name("korvan_t_2");
  ASSERT_TRUE(korvan_test::fresh_database(other));
  Tools::Ref<Tools::Database> other_db = connect(other);
  ASSERT_TRUE(other_db->exec("insert into LANG (system, type, orig, trans) values ('GUI', 'Label', 'Tisch', 'Desk')").ok &&
              other_db->commit());
  press_key(main, KEY_F11);
  ASSERT_STREQ("Table", label->getText().text());
  ASSERT_STREQ("Anlage", main->getSystemTitle()->getText().text());

  answer<Connect>(
      [&](Connect *c) {
        c->get_field(Connect::HOST)->setText(data_source(other).c_str());
        c->get_field(Connect::DATABASE)->setText(other.c_str());
        answer<Login>([](Login *l) { confirm(l, "wrt", "tresen"); }, Login::ACCEPTED);
        send_command(c, Connect::ID_OK);
      },
      1);
  send_command(main, MainWindow::ID_CONNECT);
  EXPECT_TRUE(main->isTranslated());
  EXPECT_STREQ("Desk", label->getText().text());
  EXPECT_STREQ("System", main->getSystemTitle()->getText().text());

  ASSERT_TRUE(other_db->exec("update LANG set trans = 'Anlage' where type = 'Menu' and orig = '&System'").ok &&
              other_db->commit());
  send_command(main, MainWindow::ID_LANGWIN);
  send_command(main->getLangWin(), LangWin::ID_OK);
  EXPECT_TRUE(main->isTranslated());
  EXPECT_STREQ("Anlage", main->getSystemTitle()->getText().text());
  EXPECT_STREQ("Desk", label->getText().text());
  press_key(main, KEY_F11);
  EXPECT_STREQ("System", main->getSystemTitle()->getText().text());
  EXPECT_STREQ("Tisch", label->getText().text());
  destroy_main(); // its connection is on the other database
  other_db->exec("DROP DATABASE IF EXISTS `" + other + "`");
}

// The editor lists every LANG row, a TAB shown and typed as \t (the
// sheet would split the cell at a real one). A translation typed into a
// cell is stored when another cell is chosen and shown at once, without
// reading LANG again; "Ok" reads it again in one statement. The next
// showing lists the texts stored meanwhile; Escape leaves the editor also
// while its sheet has the focus; the sheet adds and deletes no rows.
TEST_F(Translations, TheEditorStoresATranslationThatIsUsedAtOnceAndKeepsItsRows)
{
  korvan_test::RecordingDB *rec = record();
  StaticText text(main, "Message", "Kellner's\tListe");
  send_command(main, MainWindow::ID_LANGWIN);
  LangWin *win = main->getLangWin();
  SpreadSheet *sheet = win->get_sheet();
  ASSERT_EQ(rows(), sheet->getNumRows());
  EXPECT_GE(sheet->getColumnWidth(LangWin::TRANS), sheet->getColumnWidth(LangWin::ORIG));
  int row = -1;
  for (int r = 0; r < sheet->getNumRows(); ++r) {
    EXPECT_EQ(-1, sheet->getItemText(r, LangWin::ORIG).find('\t'));
    row = sheet->getItemText(r, LangWin::ORIG) == "Kellner's\\tListe" ? r : row;
  }
  ASSERT_GE(row, 0);
  sheet->setItemText(row, LangWin::TRANS, "Waiter's\\tlist");
  sheet->setCurrentItem(row == 0 ? 1 : 0, LangWin::ORIG, TRUE);
  EXPECT_EQ("Waiter's\tlist", query_value(*db, "select trans from LANG where orig = 'Kellner\\'s\tListe'"));

  rec->statements.clear();
  press_key(main, KEY_F11);
  EXPECT_STREQ("Waiter's\tlist", text);
  EXPECT_STREQ("Waiter's\tlist", StaticText(main, "Message", "Kellner's\tListe"));
  EXPECT_TRUE(rec->statements.empty()) << rec->statements[0];
  send_command(win, LangWin::ID_OK);
  EXPECT_FALSE(win->shown());
  EXPECT_EQ(1u, rec->statements.size());
  EXPECT_STREQ("Waiter's\tlist", text);

  StaticText fresh(main, "Message", "Neu seit eben");
  send_command(main, MainWindow::ID_LANGWIN);
  EXPECT_EQ(rows(), sheet->getNumRows());
  SpreadSheet::MenuRequest add(SpreadSheet::MenuRequest::NEW), drop(SpreadSheet::MenuRequest::DELETE);
  drop.row = sheet->get_row(0);
  for (SpreadSheet::MenuRequest *request : {&add, &drop})
    EXPECT_EQ(0, win->handle(sheet, FXSEL(SEL_COMMAND, LangWin::ID_SHEET), request));
  EXPECT_EQ(sheet->getNumRows(), rows());
  sheet->setFocus();
  press_key(win, KEY_Escape);
  EXPECT_FALSE(win->shown());
}

} // namespace
