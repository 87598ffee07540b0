// The real program on a display of its own, driven with xdotool as a
// person would: a translation far longer than its column, typed into the
// translation editor, brings up an error box that fits the screen, with
// its button on it; after that box the program goes on and quits.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/db_support.h"
#include "tests/support/files.h"

namespace {

using korvan_test::slurp;

std::string xdo(const std::string &args) { return korvan_test::command_output("xdotool " + args); }

// The first visible window with exactly this title, waiting for it.
std::string window(const std::string &title)
{
  for (int i = 0; i < 300; ++i) {
    const std::string id = xdo("search --onlyvisible --name '^" + title + "$'");
    if (!id.empty())
      return id.substr(0, id.find('\n'));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return std::string();
}

bool gone(const std::string &title)
{
  for (int i = 0; i < 100; ++i) {
    if (xdo("search --onlyvisible --name '^" + title + "$'").empty())
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

struct Geometry
{
  int x = 0, y = 0, width = 0, height = 0;
};

Geometry geometry(const std::string &id)
{
  Geometry g;
  std::istringstream in(xdo("getwindowgeometry --shell " + id));
  for (std::string line; std::getline(in, line);) {
    const std::string::size_type eq = line.find('=');
    if (eq == std::string::npos)
      continue;
    const int value = std::atoi(line.c_str() + eq + 1);
    const std::string key = line.substr(0, eq);
    if (key == "X")
      g.x = value;
    else if (key == "Y")
      g.y = value;
    else if (key == "WIDTH")
      g.width = value;
    else if (key == "HEIGHT")
      g.height = value;
  }
  return g;
}

void shot(const std::string &name)
{
  const char *dir = getenv("KORVAN_SHOTS");
  EXPECT_EQ(0, std::system(("import -window root '" + std::string(dir ? dir : ".") + "/" + name + "'").c_str()));
}

class RealProgram : public ::testing::Test
{
protected:
  std::string dir, home, work, database;
  pid_t pid = -1;

  void SetUp() override
  {
    char tmp[] = "/tmp/korvan-errorbox.XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmp));
    dir = tmp;
    home = dir + "/home";
    work = dir + "/work";
    ASSERT_EQ(0, std::system(("mkdir -p '" + home + "/.foxrc/Marbeck' '" + work + "'").c_str()));
    database = korvan_test::test_database_name("korvan_e2e");
    ASSERT_TRUE(korvan_test::fresh_database(database));
    ASSERT_TRUE(korvan_test::write_odbc_ini(home + "/odbc.ini", "korvan", database));
    korvan_test::DbSettings s = korvan_test::settings();
    std::ofstream reg(home + "/.foxrc/Marbeck/Korvan");
    reg << "[DBSETTINGS]\nhost=korvan\nusername=" << s.user << "\npassword=" << s.password
        << "\ndatabase=" << database << "\n";
  }

  void TearDown() override
  {
    if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    korvan_test::open_database()->exec("DROP DATABASE IF EXISTS `" + database + "`");
    EXPECT_EQ(0, std::system(("rm -rf '" + dir + "'").c_str()));
  }
};

TEST_F(RealProgram, ALongTranslationBringsAnErrorBoxThatFitsTheScreen)
{
  pid = fork();
  if (pid == 0) {
    if (chdir(work.c_str()) != 0)
      _exit(126);
    setenv("HOME", home.c_str(), 1);
    setenv("ODBCINI", (home + "/odbc.ini").c_str(), 1);
    int out = open((dir + "/stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open((dir + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    execl(KORVAN_BINARY, "korvan", static_cast<char *>(nullptr));
    _exit(127);
  }

  // The built-in account, typed.
  const std::string login = window("Anmeldung");
  ASSERT_FALSE(login.empty()) << slurp(dir + "/stderr");
  xdo("windowfocus --sync " + login);
  xdo("type --delay 20 wrt");
  xdo("key Tab");
  xdo("type --delay 20 tresen");
  xdo("key Return");
  ASSERT_TRUE(gone("Anmeldung"));

  // Wartung, Übersetzungen: through the menu's hot key and the arrows.
  const std::string main = window("Korvan");
  ASSERT_FALSE(main.empty());
  xdo("windowfocus --sync " + main);
  xdo("mousemove 0 0"); // a pointer over the menu would choose its entry
  xdo("key alt+w");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  shot("errorbox-menu.png");
  for (int i = 0; i < 6; ++i)
    xdo("key Down");
  xdo("key Return");
  const std::string editor = window("Übersetzungen");
  ASSERT_FALSE(editor.empty()) << "no translation editor";
  shot("errorbox-editor.png");

  const int screen = std::atoi(korvan_test::command_output("xdpyinfo | sed -n 's/.*dimensions: *\\([0-9]*\\)x.*/\\1/p'").c_str());
  ASSERT_GT(screen, 0);

  // Into the first row's first cell, over to its translation, 400
  // characters typed, then the next row: the sheet writes the row back.
  xdo("windowfocus --sync " + editor);
  xdo("mousemove --window " + editor + " 57 67 click 1");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  xdo("key Right Right Right");
  xdo("type --delay 2 " + std::string(400, 'x'));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  shot("errorbox-typed.png");
  xdo("key Return");
  xdo("key Down");
  const std::string box = window("Datenbankfehler");
  ASSERT_FALSE(box.empty()) << "no error box";
  shot("errorbox.png");
  const Geometry g = geometry(box);
  EXPECT_LE(g.width, screen);
  EXPECT_GE(g.x, 0);
  EXPECT_LE(g.x + g.width, screen) << "the box reaches past the screen's right edge";

  // Its button taken, the box goes, and the next moves ask nothing.
  xdo("windowfocus --sync " + box);
  xdo("key Return");
  ASSERT_TRUE(gone("Datenbankfehler"));
  xdo("windowfocus --sync " + editor);
  xdo("key Down Down");
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_TRUE(xdo("search --onlyvisible --name '^Datenbankfehler$'").empty()) << "asked again";
  // Escape leaves the editor although its sheet has the focus; Ctrl+Q ends
  // the program.
  xdo("key Escape");
  EXPECT_TRUE(gone("Übersetzungen"));
  xdo("windowfocus --sync " + main);
  xdo("key --clearmodifiers ctrl+q");
  int status = -1;
  for (int i = 0; i < 100 && waitpid(pid, &status, WNOHANG) != pid; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  pid = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << slurp(dir + "/stderr");
  Tools::Ref<Tools::Database> db = korvan_test::open_database(database);
  Tools::DBErg<Tools::DBRowList> trans = db->exec("select count(*) from LANG where trans <> ''");
  ASSERT_FALSE(!trans);
  EXPECT_EQ("0", trans.rows.rows.at(0).at(0));

}

} // namespace
