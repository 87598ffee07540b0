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
  pid_t xvfb = -1;

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
    stop_display();
    Tools::Ref<Tools::Database> db = korvan_test::open_database();
    if (db->is_connected())
      db->exec("DROP DATABASE IF EXISTS `" + database + "`");
    if (std::system(("rm -rf '" + dir + "'").c_str()) != 0)
      ADD_FAILURE() << "could not remove " << dir;
  }

  // An X server of this test's own: other tests' windows are also called
  // "Korvan". A server that took a number but does not answer (seen while
  // many servers start at once) is replaced.
  void start_display()
  {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (launch_display() && wait_display())
        return;
      stop_display();
      std::cerr << "Xvfb on " << display << " did not answer, starting another:\n" << slurp(dir + "/xvfb.log");
    }
    FAIL() << "no answering Xvfb, last on " << display << ":\n" << slurp(dir + "/xvfb.log");
  }

  bool launch_display()
  {
    int fds[2];
    if (pipe(fds) != 0)
      return false;
    const std::string log = dir + "/xvfb.log";
    xvfb = fork();
    if (xvfb == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(out, 1);
      dup2(out, 2);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             static_cast<char *>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    char buf[32] = {0};
    ssize_t n = xvfb > 0 ? read(fds[0], buf, sizeof buf - 1) : -1;
    close(fds[0]);
    if (n <= 0)
      return false;
    display = ":" + std::string(buf, static_cast<size_t>(n - (buf[n - 1] == '\n' ? 1 : 0)));
    return true;
  }

  bool wait_display()
  {
    for (int i = 0; i < 100; ++i) {
      if (std::system(("DISPLAY=" + display + " xdpyinfo >/dev/null 2>&1").c_str()) == 0)
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  void stop_display()
  {
    if (xvfb > 0) {
      kill(xvfb, SIGTERM);
      waitpid(xvfb, nullptr, 0);
    }
    xvfb = -1;
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
    return pid;
  }

  // Waits for the program's end; -1 when it does not end in time.
  int wait_exit(pid_t pid)
  {
    for (int i = 0; i < 600; ++i) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid)
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
  }

  // The id of the window with that title, waiting for it to appear.
  std::string find_titled(const std::string &title)
  {
    for (int i = 0; i < 600; ++i) {
      std::string id = x("xdotool search --name '^" + title + "$'");
      if (!id.empty())
        return id.substr(0, id.find('\n'));
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::string();
  }

  // Answers the login that follows the main window at start: name, Tab,
  // password, Return, as a user types them. True once the dialog is gone.
  bool login(const std::string &name, const std::string &password, const std::string &shot = "")
  {
    const std::string dialog = find_titled("Anmeldung");
    if (dialog.empty())
      return false;
    x("xdotool windowfocus --sync " + dialog);
    x("xdotool type --delay 20 '" + name + "'");
    x("xdotool key Tab");
    x("xdotool type --delay 20 '" + password + "'");
    if (!shot.empty())
      screenshot(shot);
    x("xdotool key Return");
    for (int i = 0; i < 100; ++i) {
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
  int quit(pid_t pid, const std::string &window)
  {
    x("xdotool windowfocus --sync " + window);
    x("xdotool key --clearmodifiers ctrl+q");
    return wait_exit(pid);
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
  pid_t pid = start();
  const std::string window = find_titled("Korvan");
  ASSERT_FALSE(window.empty()) << slurp(dir + "/stderr");
  // Until the login is settled the start is not finished.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(std::string::npos, slurp(dir + "/stdout").find(": Application Created"));
  ASSERT_TRUE(login(BUILTIN_NAME, BUILTIN_SECRET, "e2e-login.png"));
  screenshot("e2e.png");
  EXPECT_EQ(0, quit(pid, window)) << slurp(dir + "/stderr");

  const std::string out = slurp(dir + "/stdout");
  EXPECT_NE(std::string::npos, out.find(": Application Startup\n")) << out;
  EXPECT_NE(std::string::npos, out.find(": Application Created\n")) << out;
  EXPECT_EQ(std::string::npos, out.find(BUILTIN_SECRET)) << out;
  EXPECT_EQ(create_sql(), slurp(work + "/create.sql"));
  EXPECT_EQ(LANG_ROWS, lang_rows());
  Tools::Ref<Tools::Database> db = korvan_test::open_database(database);
  Tools::DBErg<Tools::DBRowList> users = db->exec("select login, gueltig from USER");
  ASSERT_FALSE(!users);
  ASSERT_EQ(1u, users.rows.rows.size());
  EXPECT_EQ(BUILTIN_NAME, users.rows.rows[0][0]);
  EXPECT_EQ("JA", users.rows.rows[0][1]);

  struct stat st;
  ASSERT_EQ(0, stat(registry().c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777u);
  const std::string reg = slurp(registry());
  EXPECT_NE(std::string::npos, reg.find("host=korvan")) << reg;
  EXPECT_NE(std::string::npos, reg.find("database=" + database)) << reg;
  EXPECT_NE(std::string::npos, reg.find("password=" + korvan_test::settings().password)) << reg;

  // A second start finds every text and stores none again.
  pid = start();
  const std::string again = find_titled("Korvan");
  ASSERT_FALSE(again.empty());
  ASSERT_TRUE(login(BUILTIN_NAME, BUILTIN_SECRET));
  EXPECT_EQ(0, quit(pid, again));
  EXPECT_EQ(LANG_ROWS, lang_rows());
  users = db->exec("select count(*) from USER");
  ASSERT_FALSE(!users);
  EXPECT_EQ("1", users.rows.rows.at(0).at(0));
}

TEST_F(Korvan, UnwritableScriptOnlyWarnsAndWithoutSettingsTheWindowStillComes)
{
  // A directory of that name cannot be opened as a file, not even by root.
  ASSERT_EQ(0, mkdir((work + "/create.sql").c_str(), 0700));
  pid_t pid = start();
  const std::string window = find_titled("Korvan");
  ASSERT_FALSE(window.empty()) << slurp(dir + "/stderr");
  // Without a database only the built-in account gets in.
  ASSERT_TRUE(login(BUILTIN_NAME, BUILTIN_SECRET));
  EXPECT_EQ(0, quit(pid, window));
  EXPECT_NE(std::string::npos, slurp(dir + "/stderr").find("warning cannt create create.sql\n"));
  struct stat st;
  ASSERT_EQ(0, stat(registry().c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777u);
}

} // namespace
