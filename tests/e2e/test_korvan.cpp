// The real program, started as a user would start it, on an X server of
// its own (Xvfb), found and closed with xdotool.

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
#include <iostream>
#include <sstream>
#include <thread>

#include "schema/create_sql.h"
#include "tests/support/db_support.h"

namespace {

// The built-in account, as the README gives it to administrators.
const char *const BUILTIN_NAME = "wrt";
const char *const BUILTIN_SECRET = "tresen";
// The texts of the main window (14) and of the login dialog with the
// shared message texts (15).
const int LANG_ROWS = 29;

std::string slurp(const std::string &path)
{
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs a shell command and gives its standard output.
std::string shell(const std::string &cmd)
{
  std::string out;
  FILE *p = popen(cmd.c_str(), "r");
  if (!p)
    return out;
  char buf[256];
  while (fgets(buf, sizeof buf, p))
    out += buf;
  pclose(p);
  return out;
}

class Korvan : public ::testing::Test
{
protected:
  std::string dir, home, work, display, database;
  pid_t program = -1;

  void SetUp() override
  {
    char tmp[] = "/tmp/korvan-e2e.XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmp));
    dir = tmp;
    home = dir + "/home";
    work = dir + "/work";
    ASSERT_EQ(0, mkdir(home.c_str(), 0700));
    ASSERT_EQ(0, mkdir(work.c_str(), 0700));
    start_display();

    database = korvan_test::test_database_name("korvan_e2e");
    ASSERT_TRUE(korvan_test::fresh_database(database));
    ASSERT_TRUE(korvan_test::write_odbc_ini(home + "/odbc.ini", "korvan", database));
  }

  void TearDown() override
  {
    if (program > 0) {
      kill(program, SIGKILL);
      waitpid(program, nullptr, 0);
    }
    stop_display();
    Tools::Ref<Tools::Database> db = korvan_test::open_database();
    if (db->is_connected())
      db->exec("DROP DATABASE IF EXISTS `" + database + "`");
    if (std::system(("rm -rf '" + dir + "'").c_str()) != 0)
      ADD_FAILURE() << "could not remove " << dir;
  }

  // An X server of this test's own (other tests' windows are also called
  // "Korvan"), started as scripts/test starts its own.
  void start_display()
  {
    display = shell(std::string("'") + KORVAN_SOURCE_DIR + "scripts/display' start '" + dir + "/display'");
    display = display.substr(0, display.find('\n'));
    ASSERT_FALSE(display.empty()) << slurp(dir + "/display/xvfb.log");
  }

  void stop_display()
  {
    if (!display.empty() &&
        std::system((std::string("'") + KORVAN_SOURCE_DIR + "scripts/display' stop '" + dir + "/display'").c_str()) != 0)
      ADD_FAILURE() << "could not stop the display " << display;
    display.clear();
  }

  std::string registry() const { return home + "/.foxrc/Marbeck/Korvan"; }

  void store_settings()
  {
    korvan_test::DbSettings s = korvan_test::settings();
    ASSERT_EQ(0, std::system(("mkdir -p '" + home + "/.foxrc/Marbeck'").c_str()));
    std::ofstream reg(registry());
    reg << "[DBSETTINGS]\nhost=korvan\nusername=" << s.user << "\npassword=" << s.password
        << "\ndatabase=" << database << "\n";
  }

  std::string x(const std::string &cmd) { return shell("DISPLAY=" + display + " " + cmd + " 2>/dev/null"); }

  // Starts the program in the working directory.
  pid_t start()
  {
    pid_t pid = fork();
    if (pid == 0) {
      if (chdir(work.c_str()) != 0)
        _exit(126);
      setenv("HOME", home.c_str(), 1);
      setenv("ODBCINI", (home + "/odbc.ini").c_str(), 1);
      setenv("DISPLAY", display.c_str(), 1);
      int out = open((dir + "/stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int err = open((dir + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(out, 1);
      dup2(err, 2);
      execl(KORVAN_BINARY, "korvan", static_cast<char *>(nullptr));
      _exit(127);
    }
    program = pid;
    return pid;
  }

  // What the program said, for failure messages.
  std::string said() { return "\n---- stderr:\n" + slurp(dir + "/stderr") + "---- stdout:\n" + slurp(dir + "/stdout"); }

  // The exit status once the program has ended, -1 while it runs.
  int ended()
  {
    int status = 0;
    if (program <= 0 || waitpid(program, &status, WNOHANG) != program)
      return -1;
    program = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  // Waits for the program's end; -1 when it does not end in time.
  int wait_exit()
  {
    for (int i = 0; i < 1200; ++i) {
      const int status = ended();
      if (status >= 0)
        return status;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(program, SIGKILL);
    waitpid(program, nullptr, 0);
    program = -1;
    return -1;
  }

  // The id of the shown window with that title, waiting for it while the
  // program runs (a slow start under load takes its time); empty when the
  // program ended first or took longer than two minutes. A window that is
  // made but not yet mapped takes no input: it does not count.
  std::string find_titled(const std::string &title)
  {
    for (int i = 0; i < 1200; ++i) {
      std::string id = x("xdotool search --onlyvisible --name '^" + title + "$'");
      if (!id.empty())
        return id.substr(0, id.find('\n'));
      const int status = ended();
      if (status >= 0) {
        ADD_FAILURE() << "the program ended with " << status << " while waiting for '" << title << "'";
        return std::string();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ADD_FAILURE() << "no window '" << title << "' within two minutes";
    return std::string();
  }

  // Answers the login that follows the main window at start: a click into
  // each field, the text, Return, as a user does it. True once the dialog
  // is gone.
  bool login(const std::string &name, const std::string &password, const std::string &shot = "")
  {
    const std::string dialog = find_titled("Anmeldung");
    if (dialog.empty())
      return false;
    x("xdotool mousemove --sync --window " + dialog + " 150 48 click 1 windowfocus --sync " + dialog +
      " type --delay 20 '" + name + "'");
    x("xdotool mousemove --sync --window " + dialog + " 150 75 click 1 type --delay 20 '" + password + "'");
    if (!shot.empty())
      screenshot(shot);
    x("xdotool key Return");
    for (int i = 0; i < 600; ++i) {
      if (x("xdotool search --onlyvisible --name '^Anmeldung$'").empty())
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  void screenshot(const std::string &name)
  {
    const std::string dir = getenv("KORVAN_SHOTS") ? getenv("KORVAN_SHOTS") : ".";
    EXPECT_EQ(0, std::system(("DISPLAY=" + display + " import -window root '" + dir + "/" + name + "'").c_str()));
  }

  // Ctrl+Q in the main window, as the menu shows it.
  int quit(const std::string &window)
  {
    x("xdotool windowfocus --sync " + window + " key --clearmodifiers ctrl+q");
    return wait_exit();
  }

  int lang_rows()
  {
    Tools::Ref<Tools::Database> db = korvan_test::open_database(database);
    Tools::DBErg<Tools::DBRowList> r = db->exec("select count(*) from LANG");
    if (!r || r.rows.rows.empty())
      return -1;
    return std::atoi(r.rows.rows[0][0].c_str());
  }
};

TEST_F(Korvan, FirstStartLogsInWithTheBuiltInAccountAndStoresTheSettingsAtQuit)
{
  store_settings();
  start();
  const std::string window = find_titled("Korvan");
  ASSERT_FALSE(window.empty()) << said();
  // Until the login is settled the start is not finished.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(std::string::npos, slurp(dir + "/stdout").find(": Application Created"));
  ASSERT_TRUE(login(BUILTIN_NAME, BUILTIN_SECRET, "e2e-login.png")) << said();
  screenshot("e2e.png");
  EXPECT_EQ(0, quit(window)) << said();

  const std::string out = slurp(dir + "/stdout");
  EXPECT_NE(std::string::npos, out.find(": Application Startup\n")) << out;
  EXPECT_NE(std::string::npos, out.find(": Application Created\n")) << out;
  EXPECT_EQ(std::string::npos, out.find(BUILTIN_SECRET)) << out;
  EXPECT_EQ(create_sql(), slurp(work + "/create.sql"));
  EXPECT_EQ(LANG_ROWS, lang_rows());
  {
    Tools::Ref<Tools::Database> db = korvan_test::open_database(database);
    Tools::DBErg<Tools::DBRowList> users = db->exec("select login, gueltig from USER");
    ASSERT_FALSE(!users);
    ASSERT_EQ(1u, users.rows.rows.size());
    EXPECT_EQ(BUILTIN_NAME, users.rows.rows[0][0]);
    EXPECT_EQ("JA", users.rows.rows[0][1]);
  }

  struct stat st;
  ASSERT_EQ(0, stat(registry().c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777u);
  const std::string reg = slurp(registry());
  EXPECT_NE(std::string::npos, reg.find("host=korvan")) << reg;
  EXPECT_NE(std::string::npos, reg.find("database=" + database)) << reg;
  EXPECT_NE(std::string::npos, reg.find("password=" + korvan_test::settings().password)) << reg;

  // A second start finds every text and stores none again.
  start();
  const std::string again = find_titled("Korvan");
  ASSERT_FALSE(again.empty()) << said();
  ASSERT_TRUE(login(BUILTIN_NAME, BUILTIN_SECRET)) << said();
  EXPECT_EQ(0, quit(again)) << said();
  EXPECT_EQ(LANG_ROWS, lang_rows());
  Tools::Ref<Tools::Database> db = korvan_test::open_database(database);
  Tools::DBErg<Tools::DBRowList> users = db->exec("select count(*) from USER");
  ASSERT_FALSE(!users);
  EXPECT_EQ("1", users.rows.rows.at(0).at(0));
}

TEST_F(Korvan, UnwritableScriptOnlyWarnsAndWithoutSettingsTheWindowStillComes)
{
  // A directory of that name cannot be opened as a file, not even by root.
  ASSERT_EQ(0, mkdir((work + "/create.sql").c_str(), 0700));
  start();
  const std::string window = find_titled("Korvan");
  ASSERT_FALSE(window.empty()) << said();
  // Without a database only the built-in account gets in.
  ASSERT_TRUE(login(BUILTIN_NAME, BUILTIN_SECRET)) << said();
  EXPECT_EQ(0, quit(window)) << said();
  EXPECT_NE(std::string::npos, slurp(dir + "/stderr").find("warning cannt create create.sql\n"));
  struct stat st;
  ASSERT_EQ(0, stat(registry().c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777u);
}

} // namespace
