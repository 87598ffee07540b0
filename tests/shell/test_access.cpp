// Who gets in and on which connection: the login (who gets in and who
// does not, the built-in account with and without a database, the ways
// back to a new login, passwords kept out of every report); a station
// started without a database and the connection dialog that puts one in
// place; the one connection all windows share, on which what one window
// does ends no other window's work; and what a station says when the
// server has dropped it.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>

#include "gui/dialog.h"
#include "gui/lang.h"
#include "gui/spreadsheet.h"
#include "rooms/roomwin.h"
#include "shell/connect.h"
#include "shell/debugwin.h"
#include "shell/langwin.h"
#include "shell/login.h"
#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/seed.h"

using namespace FX;
using namespace korvan_gui_test;
using korvan_test::add_user;

namespace {

// Tries the input and expects the refusal (`words`, or else the wrong
// login's); the dialog stays open.
void refused(Login *login, const std::string &name, const std::string &password, const char *words = "")
{
  Box box;
  expect_box(box);
  confirm(login, name, password);
  EXPECT_NE(std::string::npos, box.text.find(*words ? words : "Falsches Passwort"))
      << name << " / " << password << ": " << box.text;
  EXPECT_EQ(static_cast<FXWindow *>(login), app()->getModalWindow());
}

class LoginTest : public MainWindowFixture
{
protected:
  int users(const std::string &where = "") { return query_int(*db, "select count(*) from USER " + where); }
};

TEST_F(LoginTest, WrongInvalidDoubledWrongCaseAndInjectedLoginsAreRefused)
{
  ASSERT_TRUE(add_user(*db, "anna", "geheim"));
  ASSERT_TRUE(add_user(*db, "bert", "passwort", false));
  ASSERT_TRUE(add_user(*db, "carl", "zwilling"));
  ASSERT_TRUE(add_user(*db, "carl", "zwilling"));
  send_command(main, MainWindow::ID_DEBUG);
  const char *const refusals[][3] = { // name, password, the refusal (or the wrong login's)
      // A character no table holds is refused before it is looked up.
      {"anna \xf0\x9f\x8d\xba", "geheim", "(etwa ein Emoji):\nLogin: anna \xf0\x9f\x8d\xba\n"},
      {"anna", "geheim\xf0\x9f\x8d\xba", "(etwa ein Emoji):\nPasswort: ***\n"},
      {"anna", "falsch"},
      {"anna", ""},
      {"bert", "passwort"}, // not valid
      {"carl", "zwilling"}, // two rows
      {"anna", "GEHEIM"},
      {"anna", "geheim "},
      {"anna", "gehéim"},
      {"x' or '1'='1", "x' or '1'='1"},
      {"anna", "x' or '1'='1"},
      {"anna' -- ", "egal"},
      {"anna\\", "' or 1=1 -- "},
      {"' or idx = 1 #", "falsch"}, // the first row, were the backslash no escape
  };
  run_login(main, {{[&](Login *l) {
                      for (const auto &r : refusals)
                        refused(l, r[0], r[1], r[2] ? r[2] : "");
                      // Nothing of the last user's work stays in view.
                      EXPECT_FALSE(main->getSystemTitle()->isEnabled());
                      EXPECT_FALSE(main->getDebugWin()->shown());
                      confirm(l, "anna", "geheim");
                    },
                    Login::ACCEPTED}});
  EXPECT_TRUE(main->getSystemTitle()->isEnabled());
  EXPECT_EQ("anna", main->getUser()->login.value);
  EXPECT_NE(0, main->getUser()->idx.value);
  EXPECT_EQ(4, users()); // nothing was created or changed
}

// A station on a data source of gbk or big5 (an administrator's own
// odbc.ini, say), where the Euro sign's last byte starts a character of
// two bytes: a login or a password typed to end its quotes there is
// refused as any wrong one, and the right one still gets in.
TEST_F(LoginTest, ALoginEndingItsQuotesAfterALeadByteIsRefusedWhateverTheCharset)
{
  ASSERT_TRUE(add_user(*db, "anna", "geheim"));
  const korvan_test::DbSettings s = korvan_test::settings();
  const std::string hostile = "\xe2\x82\xac' or idx = 1 #";
  for (const char *charset : {"gbk", "big5"}) {
    main->setDatabase(Tools::Ref<Tools::Database>(
        new Tools::Database(data_source(database, charset), s.user, s.password, database, Tools::Database::ODBC)));
    ASSERT_TRUE(main->getDatabase()->is_connected()) << main->getDatabase()->get_error();
    run_login(main, {{[&](Login *l) {
                        refused(l, hostile, "falsch");
                        refused(l, "anna", hostile);
                        confirm(l, "anna", "geheim");
                      },
                      Login::ACCEPTED}});
    EXPECT_EQ("anna", main->getUser()->login.value) << charset;
  }
  EXPECT_EQ(1, users());
}

TEST_F(LoginTest, TheBuiltInAccountMakesItsRowOnlyInAnEmptyUserTable)
{
  // The second login finds the row made by the first and adds none.
  for (int start = 0; start < 2; ++start) {
    run_login(main, {{[](Login *l) { confirm(l, "wrt", "tresen"); }, Login::ACCEPTED}});
    EXPECT_EQ(1, users("where login = 'wrt' and BINARY passwd = 'tresen' and gueltig = 'JA'"));
    EXPECT_EQ(1, users());
    EXPECT_EQ(query_int(*db, "select idx from USER"), main->getUser()->idx.value);
  }
  // Once others exist, only its own valid row with that password lets it in.
  ASSERT_TRUE(add_user(*db, "anna", "geheim"));
  const char *const changes[] = {
      "update USER set passwd = 'anders' where login = 'wrt'",
      "update USER set passwd = 'tresen', gueltig = 'NEIN' where login = 'wrt'",
      "delete from USER where login = 'wrt'",
  };
  run_login(main, {{[&](Login *l) {
                      for (const char *change : changes) {
                        ASSERT_TRUE(db->exec(change).ok && db->commit());
                        refused(l, "wrt", "tresen");
                      }
                      confirm(l, "anna", "geheim");
                    },
                    Login::ACCEPTED}});
  EXPECT_EQ(1, users());
}

// A built-in account whose row cannot be completed, and a login on a
// database without its USER table: each error box names the failed
// statement, but no form of the password reaches a box, the log or
// standard output, and nothing is left pending.
TEST_F(LoginTest, NoPasswordInAnErrorBoxTheLogOrOnStandardOutput)
{
  LogCapture log;
  std::vector<std::string> boxes;
  int left = -1;
  auto attempt = [&](Login *l, const std::string &name, const std::string &password) {
    Box box;
    expect_box(box);
    confirm(l, name, password);
    boxes.push_back(box.text);
  };
  // What fails while standard output is captured shows only in the checks after.
  testing::internal::CaptureStdout();
  run_login(main, {{[&](Login *l) {
                      db->exec("create trigger no_changes before update on USER for each row "
                               "signal sqlstate '45000' set message_text = 'keine Aenderungen'");
                      attempt(l, "wrt", "tresen");
                      EXPECT_TRUE(main->getDatabase()->commit());
                      left = users();
                      db->exec("drop table BONLINE");
                      db->exec("drop table USER");
                      attempt(l, "anna", "Zauber'wort9");
                      send_command(l, Login::ID_CANCEL);
                    },
                    Login::CANCELLED}});
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(0, left) << "a half-made account waits for a later commit";
  ASSERT_EQ(2u, boxes.size());
  EXPECT_NE(std::string::npos, boxes[0].find("keine Aenderungen")) << boxes[0];
  EXPECT_NE(std::string::npos, boxes[1].find("passwd='***'")) << boxes[1];
  const std::string logged = std::accumulate(log.messages.begin(), log.messages.end(), std::string());
  EXPECT_NE(std::string::npos, out.find("passwd='***'")) << out;
  EXPECT_NE(std::string::npos, logged.find("passwd='***'")) << logged;
  const std::string kept = main->getDatabase()->get_error() + main->getDatabase()->get_last_query();
  for (const char *form : {"tresen", "Zauber'wort9", "Zauber\\'wort9", "Zauber", "wort9"})
    for (const std::string &where : {boxes[0], boxes[1], out, logged, kept})
      EXPECT_EQ(std::string::npos, where.find(form)) << where;
}

// Escape, the close button and a user gone before the row is read each
// bring a new, empty login; only "Abbrechen" quits. Only Return in the
// password field confirms.
TEST_F(LoginTest, EveryOtherWayOutBringsANewLogin)
{
  ASSERT_TRUE(add_user(*db, "anna", "geheim"));
  ASSERT_TRUE(add_user(*db, "bert", "passwort"));
  const int dialogs = run_login(main, {{[](Login *l) {
                                          l->getNameField()->setText("anna");
                                          press_key(l, KEY_Escape);
                                        },
                                        Login::CLOSED},
                                       {[](Login *l) {
                                          EXPECT_STREQ("", l->getNameField()->getText().text());
                                          l->handle(nullptr, FXSEL(SEL_CLOSE, 0), nullptr);
                                        },
                                        Login::CLOSED},
                                       {[&](Login *l) {
                                          confirm(l, "anna", "geheim");
                                          ASSERT_TRUE(db->exec("delete from USER where login = 'anna'").ok &&
                                                      db->commit());
                                        },
                                        Login::ACCEPTED},
                                       {[](Login *l) {
                                          type_keys(l->getNameField(), "bert");
                                          press_key(l->getNameField(), KEY_Return);
                                          // Typed and left, the password confirms nothing; Return does.
                                          type_keys(l->getPasswordField(), "passwort");
                                          l->getPasswordField()->handle(nullptr, FXSEL(SEL_FOCUSOUT, 0), nullptr);
                                          EXPECT_EQ(static_cast<FXWindow *>(l), app()->getModalWindow());
                                          press_key(l->getPasswordField(), KEY_Return);
                                        },
                                        Login::ACCEPTED}});
  EXPECT_EQ(4, dialogs);
  EXPECT_EQ("bert", main->getUser()->login.value);
  run_pending();
  EXPECT_FALSE(main->isQuitting());
}

// ---- the connection ----

using Settings = MainWindow::ConnectSettings;

void set_fields(Connect *c, const Settings &s)
{
  c->get_field(Connect::HOST)->setText(s.host.c_str());
  c->get_field(Connect::DATABASE)->setText(s.database.c_str());
  c->get_field(Connect::USERNAME)->setText(s.username.c_str());
  c->get_field(Connect::PASSWORD)->setText(s.password.c_str());
}

// Presses the button, with these settings in the fields if given; whether
// the box it brought up tells of success.
bool works(Connect *c, FXuint button, const Settings *s = nullptr)
{
  if (s)
    set_fields(c, *s);
  Box box;
  expect_box(box);
  send_command(c, button);
  EXPECT_TRUE(box.seen);
  return box.text.find("Erfolg") != std::string::npos;
}

// Does what the action does and what the events after it bring; the one
// box that comes up meanwhile (a second fails the test).
Box box_of(const std::function<void()> &action)
{
  Box box;
  expect_box(box);
  action();
  run_until([&] { return box.seen; }, 1000);
  run_pending(100);
  return box;
}

// A station started without a database: only the built-in account gets
// in, as an empty user, and texts stay as they are written. Testing
// settings or an "Ok" that fails changes nothing; "Ok" puts a working
// connection in place, and the login that follows checks the users there.
TEST(WithoutDatabase, TheConnectionDialogPutsOneInPlaceAndALoginThereFollows)
{
  const std::string name = korvan_test::test_database_name("korvan_t");
  ASSERT_TRUE(korvan_test::fresh_database(name));
  Tools::Ref<Tools::Database> db = connect(name);
  ASSERT_TRUE(add_user(*db, "anna", "geheim"));
  MainWindow *main = make_main_window("");
  run_login(main, {{[](Login *l) {
                      for (const char *password : {"geheim", "TRESEN", ""}) {
                        Box box;
                        expect_box(box);
                        confirm(l, "wrt", password);
                        EXPECT_NE(std::string::npos, box.text.find("Keine Verbindung zur Datenbank")) << box.text;
                        EXPECT_EQ(static_cast<FXWindow *>(l), app()->getModalWindow());
                      }
                      confirm(l, "wrt", "tresen");
                    },
                    Login::ACCEPTED}});
  EXPECT_EQ("", main->getUser()->login.value);
  StaticText text(main, "Message", "Ohne Datenbank");
  EXPECT_EQ(0, text.get_row()->idx.value);
  press_key(main, KEY_F11);
  EXPECT_STREQ("Ohne Datenbank", text);

  Tools::Database *old = main->getDatabase().try_get();
  const Settings good{data_source(name), name, korvan_test::settings().user, korvan_test::settings().password};
  Settings wrong = good;
  wrong.password = "falsch";
  bool asked = false, dialog_ended = false;
  answer<Connect>(
      [&](Connect *c) {
        EXPECT_TRUE(works(c, Connect::ID_TEST, &good));
        EXPECT_FALSE(works(c, Connect::ID_TEST, &wrong));
        EXPECT_FALSE(works(c, Connect::ID_OK, &wrong));
        EXPECT_EQ(static_cast<FXWindow *>(c), app()->getModalWindow());
        EXPECT_EQ(old, main->getDatabase().try_get());
        EXPECT_EQ("", main->getConnectSettings().host);
        // The login comes once the dialog has gone.
        answer<Login>(
            [&](Login *l) {
              asked = main->getDatabase()->is_connected() && dialog_ended;
              confirm(l, "anna", "geheim");
            },
            Login::ACCEPTED);
        set_fields(c, good);
        send_command(c, Connect::ID_OK);
        dialog_ended = !c->shown();
      },
      1);
  send_command(main, MainWindow::ID_CONNECT);
  EXPECT_TRUE(asked);
  EXPECT_EQ(good.host, main->getConnectSettings().host);
  EXPECT_EQ(good.password, main->getConnectSettings().password);
  EXPECT_EQ("anna", main->getUser()->login.value);
  delete main; // the text outlives its main window and goes without touching it
  db->exec("DROP DATABASE IF EXISTS `" + name + "`");
}

// A main window (not yet created) whose stored settings name the data
// source, with the run's user and password.
MainWindow *station_on(const std::string &dsn)
{
  const korvan_test::DbSettings s = korvan_test::settings();
  FXRegistry &reg = app()->reg();
  reg.deleteSection("DBSETTINGS");
  reg.writeStringEntry("DBSETTINGS", "host", dsn.c_str());
  reg.writeStringEntry("DBSETTINGS", "username", s.user.c_str());
  reg.writeStringEntry("DBSETTINGS", "password", s.password.c_str());
  return new MainWindow(app());
}

// A station started while its server is down. Whoever logs in is told in
// words that the database cannot be reached, why, and how to go on: "Ok"
// again once the server runs, or the built-in account and System ->
// Datenbankverbindung for other settings. The built-in account's windows
// say the same, each once, instead of the driver's "No Database!" and a
// statement. Once the server is back the next login simply works, on a
// connection that every window reads through and whose reads end when the
// program waits (the way back on the real program: e2e.server_down).
TEST(WithoutDatabase, AStationWhoseServerIsDownSaysSoAtTheLoginAndInEachWindow)
{
  const korvan_test::DbSettings s = korvan_test::settings();
  const std::string name = korvan_test::test_database_name("korvan_t");
  ASSERT_TRUE(korvan_test::fresh_database(name));
  Tools::Ref<Tools::Database> db = connect(name);
  ASSERT_TRUE(add_user(*db, "anna", "geheim"));
  korvan_test::add_room(*db, "Saal");
  // The stored settings name a data source on the socket of a server that
  // does not run (until a link there leads to the test server's), added
  // to the private odbc.ini that data_source made.
  data_source(name);
  char dir[] = "/tmp/korvan-server-down.XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  const std::string socket = std::string(dir) + "/mysqld.sock";
  const std::shared_ptr<void> cleanup(nullptr, [&](void *) {
    std::filesystem::remove_all(dir);
    db->exec("DROP DATABASE IF EXISTS `" + name + "`");
  });
  std::ofstream(getenv("ODBCINI"), std::ios::app) << "\n[korvan_down]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libmaodbc.so\n"
                                                   << "SOCKET=" << socket << "\nDATABASE=" << name << "\n";
  std::unique_ptr<MainWindow> main(station_on("korvan_down"));
  main->create();
  ASSERT_FALSE(main->getDatabase()->is_connected());

  const std::string retry = "Läuft der Server wieder, genügt ein neues \"Ok\": die Anmeldung verbindet dann neu.",
                    builtin = "nur das eingebaute Konto an: wrt\n",
                    settings = "Falsche Verbindungseinstellungen: damit anmelden, dann System -> Datenbankverbindung.",
                    reconnect = "Neu verbinden: System -> Datenbankverbindung -> \"Ok\", danach neu anmelden.";
  const auto says_not_connected = [&](const Box &box, const std::string &what, std::vector<std::string> way) {
    ASSERT_TRUE(box.seen) << what;
    EXPECT_EQ("Datenbankfehler", box.title) << what;
    way.insert(way.end(), {"Keine Verbindung zur Datenbank: sie ist nicht zu erreichen", "Grund: ", socket});
    for (const std::string &words : way)
      EXPECT_NE(std::string::npos, box.text.find(words)) << what << ": " << box.text;
    for (const char *words : {"No Database!", "Anweisung:", s.password.c_str()})
      EXPECT_EQ(std::string::npos, box.text.find(words)) << what << ": " << box.text;
  };
  // Each "Ok" tries the server again, and says so while it is down.
  run_login(main.get(), {{[&](Login *l) {
                            const char *const tries[][2] = {{"anna", "geheim"}, {"wrt", "falsch"}, {"", ""}};
                            for (const auto &t : tries) {
                              Box box;
                              expect_box(box);
                              confirm(l, t[0], t[1]);
                              says_not_connected(box, std::string("the login ") + t[0], {retry, builtin, settings});
                              EXPECT_EQ(static_cast<FXWindow *>(l), app()->getModalWindow());
                            }
                            confirm(l, "wrt", "tresen");
                          },
                          Login::ACCEPTED}});

  const std::pair<const char *, FXuint> windows[] = {
      {"Räume", MainWindow::ID_ROOMS},           {"Benutzer", MainWindow::ID_USER},
      {"UST Gruppen", MainWindow::ID_GRPUST},    {"Artikelstamm", MainWindow::ID_ART},
      {"Bezahlungsarten", MainWindow::ID_SONSTART}, {"Editor", MainWindow::ID_EDITOR},
      {"Übersetzungen", MainWindow::ID_LANGWIN}};
  for (const auto &w : windows)
    says_not_connected(box_of([&] { send_command(main.get(), w.second); }), w.first, {reconnect});

  // The server is back: the login connects by itself and checks the user
  // there; the windows made while it was down read through the new
  // connection, and nothing they read stays open once the program waits.
  ASSERT_EQ(0, symlink(s.socket.c_str(), socket.c_str()));
  run_login(main.get(), {{[&](Login *l) {
                            refused(l, "anna", "falsch");
                            confirm(l, "anna", "geheim");
                          },
                          Login::ACCEPTED}});
  ASSERT_TRUE(main->getDatabase()->is_connected());
  EXPECT_EQ("anna", main->getUser()->login.value);
  send_command(main.get(), MainWindow::ID_ROOMS);
  run_pending(100);
  EXPECT_EQ(1u, main->getRoomWin()->get_room_buttons().size());
  EXPECT_EQ("0", query_value(*main->getDatabase(), "select @@in_transaction"));
  main.reset();
}

// A server that takes the connection and never answers (a hung one): the
// start, every "Ok" of the login and the connection dialog's buttons give
// up on it after a few seconds instead of waiting for ever, and say so in
// words; the built-in account still gets in (the person on the real
// program: e2e.server_down).
TEST(WithoutDatabase, AServerThatNeverAnswersIsGivenUpOnAndSaidSo)
{
  korvan_test::SilentServer hung("korvan_hung");
  ASSERT_TRUE(hung.listening());
  std::unique_ptr<MainWindow> main(station_on("korvan_hung"));
  testing::internal::CaptureStderr();
  main->create();
  const std::string no_answer = "Der Server hat nicht innerhalb von 5 Sekunden geantwortet.";
  EXPECT_EQ("korvan: Keine Verbindung zur Datenbank: " + no_answer + "\n", testing::internal::GetCapturedStderr());
  ASSERT_FALSE(main->getDatabase()->is_connected());

  run_login(main.get(), {{[&](Login *l) {
                            Box box;
                            expect_box(box);
                            confirm(l, "anna", "geheim");
                            for (const std::string &words :
                                 {std::string("Keine Verbindung zur Datenbank"), no_answer,
                                  std::string("Grund: connection failed\nno answer from the server within 5 seconds\n"),
                                  std::string("Ohne Datenbank nimmt die Anmeldung nur das eingebaute Konto an: wrt")})
                              EXPECT_NE(std::string::npos, box.text.find(words)) << box.text;
                            EXPECT_EQ(static_cast<FXWindow *>(l), app()->getModalWindow());
                            confirm(l, "wrt", "tresen");
                          },
                          Login::ACCEPTED}});
  EXPECT_EQ("", main->getUser()->login.value);

  // "Testen" and "Ok" on the stored settings: the dialog stays.
  answer<Connect>([&](Connect *c) {
    for (FXuint button : {Connect::ID_TEST, Connect::ID_OK}) {
      Box box;
      expect_box(box);
      send_command(c, button);
      EXPECT_EQ("Datenbankfehler", box.title);
      EXPECT_EQ("Die Verbindung konnte nicht hergestellt werden!\n" + no_answer + "\n", box.text);
      EXPECT_EQ(static_cast<FXWindow *>(c), app()->getModalWindow());
    }
  });
  send_command(main.get(), MainWindow::ID_CONNECT);
  EXPECT_FALSE(main->getDatabase()->is_connected());
  main.reset();
}

// While one window's work is open on the shared connection, what the user
// does in another window neither loses that work nor commits it.
using SharedConnection = MainWindowFixture;

TEST_F(SharedConnection, WhatAnotherWindowDoesNeitherLosesNorCommitsOpenWork)
{
  ASSERT_TRUE(add_user(*db, "anna", "geheim"));
  const struct
  {
    const char *what;
    std::function<void(MainWindow *)> act;
  } steps[] = {
      {"a dialog closed with Escape, then with its close button",
       [](MainWindow *m) {
         for (int way = 0; way < 2; ++way) {
           send_command(m, MainWindow::ID_DEBUG);
           way ? m->getDebugWin()->handle(nullptr, FXSEL(SEL_CLOSE, 0), nullptr) : press_key(m->getDebugWin(), KEY_Escape);
           EXPECT_FALSE(m->getDebugWin()->shown());
         }
       }},
      {"translation stored, then the editor closed",
       [](MainWindow *m) {
         send_command(m, MainWindow::ID_LANGWIN);
         SpreadSheet *sheet = m->getLangWin()->get_sheet();
         sheet->setItemText(0, LangWin::TRANS, "translated");
         sheet->setCurrentItem(1, LangWin::TRANS, TRUE);
         press_key(m->getLangWin(), KEY_Escape);
       }},
      {"translation editor confirmed",
       [](MainWindow *m) {
         send_command(m, MainWindow::ID_LANGWIN);
         send_command(m->getLangWin(), LangWin::ID_OK);
       }},
      {"connection tested, dialog closed",
       [](MainWindow *m) {
         answer<Connect>([](Connect *c) {
           EXPECT_TRUE(works(c, Connect::ID_TEST)) << "not opened on the settings in use";
           press_key(c, KEY_Escape);
         });
         send_command(m, MainWindow::ID_CONNECT);
       }},
      {"login closed, then a user logs in",
       [](MainWindow *m) {
         run_login(m, {{[](Login *l) { press_key(l, KEY_Escape); }, Login::CLOSED},
                       {[](Login *l) { confirm(l, "anna", "geheim"); }, Login::ACCEPTED}});
       }},
  };
  const std::string count = "select count(*) from LAYOUTK where name = 'Offen'";
  // The work is left open on purpose here: whenever the program waits
  // meanwhile, it is said, naming what opened it, and left alone.
  WorkKeptOpen kept;
  for (const auto &step : steps) {
    // A window in the middle of its work: a row written, not yet ended.
    Dialog working(main, main, "Offene Arbeit");
    ASSERT_TRUE(working.get_db()->exec("insert into LAYOUTK (name, width, height, color) values ('Offen', 1, 1, 0)").ok);
    step.act(main);
    EXPECT_EQ("1", query_value(*main->getDatabase(), count)) << step.what << ": lost";
    EXPECT_EQ("0", query_value(*db, count)) << step.what << ": committed";
    main->getDatabase()->rollback();
  }
  EXPECT_FALSE(kept.reports.empty());
  for (const std::string &report : kept.reports)
    EXPECT_NE(std::string::npos, report.find("opened by: insert into LAYOUTK")) << report;
  EXPECT_EQ("translated", query_value(*db, "select trans from LANG where trans = 'translated'"));
}

// The server drops the station's connection (restarted; here killed from
// another connection). Every action then says in words that the
// connection is broken and how to get it back, at the first failure and
// later ones alike, instead of the driver's "invalid handle"; the lists a
// window reads say it once, after the action. No action reconnects by
// itself: System -> Datenbankverbindung -> "Ok" does, with a login, and
// so does a login alone, whether a window met the loss before or the
// login's own first statement meets it.
TEST_F(SharedConnection, ALostConnectionSaysSoAndHowToReconnect)
{
  ASSERT_TRUE(add_user(*db, "anna", "geheim"));
  korvan_test::add_room(*db, "Saal");
  send_command(main, MainWindow::ID_ROOMS); // its texts known before the loss
  ASSERT_TRUE(db->exec("KILL CONNECTION " + query_value(*main->getDatabase(), "select connection_id()")).ok);
  const auto says_lost = [](const Box &box, const char *what) {
    ASSERT_TRUE(box.seen) << what;
    for (const char *words : {"Die Verbindung zur Datenbank ist abgebrochen",
                              "Neu verbinden: System -> Datenbankverbindung -> \"Ok\", danach neu anmelden."})
      EXPECT_NE(box.text.find(words), std::string::npos) << what << ": " << box.text;
    EXPECT_EQ(box.text.find("invalid handle"), std::string::npos) << what << ": " << box.text;
  };
  for (const char *what : {"the first statement", "a later one"})
    says_lost(box_of([&] { send_command(main, MainWindow::ID_ROOMS); }), what);
  says_lost(box_of([&] { send_command(main, MainWindow::ID_GRPUST); }), "the lists of a window");
  EXPECT_TRUE(main->getDatabase()->connection_lost());

  bool asked = false;
  answer<Connect>(
      [&](Connect *c) {
        answer<Login>(
            [&](Login *l) {
              asked = true;
              confirm(l, "anna", "geheim");
            },
            Login::ACCEPTED);
        send_command(c, Connect::ID_OK);
      },
      1);
  send_command(main, MainWindow::ID_CONNECT);
  EXPECT_TRUE(asked);
  send_command(main, MainWindow::ID_ROOMS);
  run_pending(100);
  EXPECT_EQ(main->getRoomWin()->get_room_buttons().size(), 1u);

  for (const bool met_before : {true, false}) {
    const std::string id = query_value(*main->getDatabase(), "select connection_id()");
    run_pending(100); // the read ended before the loss: nothing else meets it
    ASSERT_TRUE(db->exec("KILL CONNECTION " + id).ok);
    if (met_before)
      says_lost(box_of([&] { send_command(main, MainWindow::ID_ROOMS); }), "before a login");
    run_login(main, {{[](Login *l) { confirm(l, "anna", "geheim"); }, Login::ACCEPTED}});
    EXPECT_EQ("anna", main->getUser()->login.value) << met_before;
    send_command(main, MainWindow::ID_ROOMS);
    run_pending(100);
    EXPECT_EQ(main->getRoomWin()->get_room_buttons().size(), 1u) << met_before;
    EXPECT_FALSE(main->getDatabase()->connection_lost()) << met_before;
  }
}

} // namespace
