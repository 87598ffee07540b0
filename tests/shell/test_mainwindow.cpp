// The main window: what it shows, the settings stored at quit, and a
// teardown that leaves nothing behind that could still be used.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "gui/lang.h"
#include "shell/debugwin.h"
#include "shell/mainwindow.h"
#include "shell/mydebug.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/db_support.h"
#include "tests/support/files.h"
#include "tools/core/debug.h"

using namespace FX;
using korvan_gui_test::MainWindowFixture;

namespace {

using korvan_test::slurp;

std::vector<std::string> captions(FXComposite *pane)
{
  std::vector<std::string> texts;
  for (FXWindow *w = pane->getFirst(); w; w = w->getNext())
    if (FXMenuCaption *c = dynamic_cast<FXMenuCaption *>(w))
      texts.push_back(c->getText().text());
  return texts;
}

using MainWindowTest = MainWindowFixture;

TEST_F(MainWindowTest, ShowsTitleMenusAndVersionText)
{
  EXPECT_STREQ("Korvan", main->getTitle().text());
  EXPECT_TRUE(main->shown());

  std::vector<std::string> titles = captions(main->getMenuBar());
  EXPECT_EQ((std::vector<std::string>{"System", "Wartung", "Anwendung"}), titles);
  EXPECT_EQ((std::vector<std::string>{"Datenbankverbindung", "Anmeldung", "Debug", "Quit"}),
            captions(main->getSystemTitle()->getMenu()));
  EXPECT_EQ((std::vector<std::string>{"Benutzer", "UST Gruppen", "Artikelstamm", "Bezahlungsarten", "Editor",
                                      "Übersetzungen"}),
            captions(main->getWartungTitle()->getMenu()));
  EXPECT_EQ((std::vector<std::string>{"Räume"}), captions(main->getAnwendungTitle()->getMenu()));

  bool found = false;
  for (FXWindow *w = main->getFirst(); w; w = w->getNext())
    if (FXComposite *c = dynamic_cast<FXComposite *>(w))
      for (FXWindow *v = c->getFirst(); v; v = v->getNext())
        if (FXText *t = dynamic_cast<FXText *>(v))
          found = found || t->getText() == "Korvan Zererararuda Version 0.0.1";
  EXPECT_TRUE(found);
  EXPECT_TRUE(main->getSystemTitle()->isEnabled());

  EXPECT_TRUE(korvan_gui_test::screenshot(korvan_gui_test::shot_dir() + "/mainwindow.png"));
}

TEST_F(MainWindowTest, QuitWritesTheSettingsBackReadableByTheOwnerOnly)
{
  const std::string path = korvan_gui_test::registry_path();
  unlink(path.c_str());
  MainWindow::ConnectSettings &s = main->getConnectSettings();
  EXPECT_EQ(database, s.database);
  s.password = "neues-Geheimnis";

  EXPECT_EQ(1, korvan_gui_test::send_command(main, MainWindow::ID_QUIT));
  struct stat st;
  ASSERT_EQ(0, stat(path.c_str(), &st)) << path;
  EXPECT_EQ(0600u, st.st_mode & 0777u);
  const std::string text = slurp(path);
  EXPECT_NE(std::string::npos, text.find("[DBSETTINGS]")) << text;
  EXPECT_NE(std::string::npos, text.find("password=neues-Geheimnis")) << text;
}

TEST_F(MainWindowTest, CloseButtonStoresTheSettingsLikeQuit)
{
  const std::string path = korvan_gui_test::registry_path();
  // A file left readable by others is tightened too.
  ASSERT_EQ(0, system(("mkdir -p \"$(dirname '" + path + "')\"").c_str()));
  {
    std::ofstream f(path);
  }
  chmod(path.c_str(), 0644);
  main->getConnectSettings().username = "zu";
  EXPECT_EQ(1, main->handle(nullptr, FXSEL(SEL_CLOSE, 0), nullptr));
  struct stat st;
  ASSERT_EQ(0, stat(path.c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777u);
  EXPECT_NE(std::string::npos, slurp(path).find("username=zu"));
  EXPECT_TRUE(main->isQuitting());
}

TEST_F(MainWindowTest, ASettingsFileThatCannotBeWrittenIsReportedAtQuit)
{
  const std::string path = korvan_gui_test::registry_path();
  unlink(path.c_str());
  // Not even root writes a file where a directory stands.
  ASSERT_EQ(0, system(("mkdir -p '" + path + "'").c_str()));
  main->getConnectSettings().username = "verloren";
  korvan_gui_test::Box box;
  korvan_gui_test::answer_box(box, main, MainWindow::ID_QUIT);
  EXPECT_EQ("Einstellungen", box.title);
  EXPECT_EQ("Die Einstellungen konnten nicht gespeichert werden:\n" + path + "\n", box.text);
  EXPECT_TRUE(main->isQuitting());
  rmdir(path.c_str());
}

TEST_F(MainWindowTest, LoggedOutDisablesTheMenusAndHidesTheDebugWindow)
{
  korvan_gui_test::send_command(main, MainWindow::ID_DEBUG);
  ASSERT_TRUE(main->getDebugWin()->shown());
  main->setLoggedIn(false);
  EXPECT_FALSE(main->getWartungTitle()->isEnabled());
  EXPECT_FALSE(main->getDebugWin()->shown());
  main->setLoggedIn(true);
  EXPECT_TRUE(main->getAnwendungTitle()->isEnabled());
}

TEST_F(MainWindowTest, TeardownRemovesTheSinkBeforeTheWindowsGo)
{
  korvan_gui_test::send_command(main, MainWindow::ID_DEBUG);
  DebugWin *win = main->getDebugWin();
  ASSERT_NE(nullptr, win);
  TOOLS_LOG("vor dem Ende");
  ASSERT_EQ(static_cast<Tools::Debug *>(main->getDebug()), Tools::debug_sink);
  // Texts that live in windows of the main window go with it.
  new Label(main, main, "Kind");
  destroy_main();
  EXPECT_EQ(nullptr, Tools::debug_sink);
  TOOLS_LOG("nach dem Ende"); // nobody listens, nothing is touched
}

} // namespace
