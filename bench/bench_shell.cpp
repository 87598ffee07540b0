// How long the program takes from its start until its main window is
// shown (mapped on the display, which happens once the database is
// connected), compared with a start without database as the baseline; and
// how many statements a start sends to the server before the window shows
// and in its first 1.5 s.
//
// Run with a display and the private server's environment:
//   eval "$(scripts/db env DIR)"; DISPLAY=:N build/bench/bench_shell

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include <X11/Xlib.h>

#include "bench/ratio_reporter.h"
#include "tests/support/db_support.h"

namespace {

using korvan_test::query_value;

std::string dir;
std::string database = "korvan_bench_shell";

void prepare_home(bool with_database)
{
  const std::string home = dir + (with_database ? "/home-db" : "/home-nodb");
  if (std::system(("mkdir -p '" + home + "/.foxrc/Marbeck' '" + home + "/work'").c_str()) != 0)
    std::abort();
  std::ofstream reg(home + "/.foxrc/Marbeck/Korvan", std::ios::trunc);
  if (with_database) {
    korvan_test::DbSettings s = korvan_test::settings();
    reg << "[DBSETTINGS]\nhost=korvan\nusername=" << s.user << "\npassword=" << s.password
        << "\ndatabase=" << database << "\n";
  }
}

// One connection to the display for the whole run. An X server that
// loses its last client resets itself, and a client that connects during
// the reset is turned away ("Connection reset by peer"); with a connection
// of our own per start, each ended start left the server without clients,
// and on a busy machine the next start (ours or korvan's) came during the
// reset and failed.
Display *display = nullptr;

// A window gone before its name is read must not end the run.
int ignore_x_error(Display *, XErrorEvent *) { return 0; }

bool open_display()
{
  display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "cannot open the display %s\n", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "(unset)");
    return false;
  }
  XSetErrorHandler(ignore_x_error);
  // Top-level windows are children of the root window (no window manager
  // here): their mapping is reported to whoever watches the root.
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);
  return true;
}

// True when the event maps the main window "Korvan".
bool main_window_mapped(const XEvent &ev)
{
  if (ev.type != MapNotify)
    return false;
  char *name = nullptr;
  bool found = false;
  if (XFetchName(display, ev.xmap.window, &name) && name) {
    found = std::string(name) == "Korvan";
    XFree(name);
  }
  return found;
}

// One run of korvan.
class Korvan
{
  pid_t pid = -1;
  std::chrono::steady_clock::time_point begin;

public:
  void start(bool with_database)
  {
    const std::string home = dir + (with_database ? "/home-db" : "/home-nodb");
    XSync(display, True); // drops what earlier starts left in the queue
    begin = std::chrono::steady_clock::now();
    pid = fork();
    if (pid == 0) {
      if (chdir((home + "/work").c_str()) != 0)
        _exit(126);
      setenv("HOME", home.c_str(), 1);
      setenv("ODBCINI", (dir + "/odbc.ini").c_str(), 1);
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      int err = open((dir + "/stderr").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
      dup2(err, 2);
      execl(KORVAN_BINARY, "korvan", static_cast<char *>(nullptr));
      _exit(127);
    }
  }

  // The seconds from the start until the window "Korvan" is mapped; -1
  // when korvan ends before or the window does not come within 30 s.
  // `meanwhile` runs while waiting, every few milliseconds.
  double wait_for_window(const std::function<void()> &meanwhile = nullptr)
  {
    auto last = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - begin < std::chrono::seconds(30)) {
      if (!XPending(display)) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
          pid = -1;
          std::fprintf(stderr, "korvan ended before its window showed (its messages: %s/stderr)\n", dir.c_str());
          return -1;
        }
        if (meanwhile && std::chrono::steady_clock::now() - last > std::chrono::milliseconds(5)) {
          meanwhile();
          last = std::chrono::steady_clock::now();
        }
        usleep(200);
        continue;
      }
      XEvent ev;
      XNextEvent(display, &ev);
      if (main_window_mapped(ev))
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    return -1;
  }

  ~Korvan()
  {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
};

double start_once(bool with_database)
{
  Korvan korvan;
  korvan.start(with_database);
  return korvan.wait_for_window();
}

void run_starts(benchmark::State &state, bool with_database)
{
  for (auto _ : state) {
    const double s = start_once(with_database);
    if (s < 0) {
      state.SkipWithError("korvan did not come up");
      break;
    }
    state.SetIterationTime(s);
  }
}

void BM_StartWithDatabase(benchmark::State &state) { run_starts(state, true); }
void BM_StartWithoutDatabase(benchmark::State &state) { run_starts(state, false); }

BENCHMARK(BM_StartWithoutDatabase)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartWithDatabase)->UseManualTime()->Unit(benchmark::kMillisecond);

// The statements of one start, counted for korvan's own connection in the
// server's general log (written to its table while this runs), so that
// other sessions on the server do not count.
class StatementCount
{
  // The server's owner: the log is the server's, not a database user's.
  Tools::Ref<Tools::Database> db = korvan_test::open_owner();
  // Holds LANG locked: korvan's first read of it waits until unlocked.
  Tools::Ref<Tools::Database> locker = korvan_test::open_database();
  std::string log_was, output_was, ours;
  long connection = -1;
  bool waiting = false; // korvan waits for the lock on LANG

  // Looks for korvan's connection (the one in its database) and whether
  // it waits for the lock.
  void look()
  {
    Tools::DBErg<Tools::DBRowList> r = db->exec(
        "select id, state from information_schema.processlist where db = '" + database +
        "' and id not in (" + ours + ")");
    if (!r || r.rows.rows.empty())
      return;
    connection = std::atol(r.rows.rows[0][0].c_str());
    waiting = r.rows.rows[0][1].find("metadata lock") != std::string::npos;
  }

  long sent()
  {
    return std::atol(query_value(*db, "select count(*) from mysql.general_log where thread_id = " +
                                          std::to_string(connection) +
                                          " and command_type in ('Query', 'Execute', 'Init DB')")
                         .c_str());
  }

public:
  StatementCount()
  {
    ours = query_value(*db, "select connection_id()") + ", " + query_value(*locker, "select connection_id()");
    log_was = query_value(*db, "select @@global.general_log");
    output_was = query_value(*db, "select @@global.log_output");
    db->exec("set global log_output = 'TABLE'");
    db->exec("set global general_log = 1");
  }
  ~StatementCount()
  {
    db->exec("set global general_log = " + log_was);
    db->exec("set global log_output = '" + output_was + "'");
    if (log_was == "0")
      db->exec("truncate table mysql.general_log"); // nobody else's log
  }

  // Starts korvan with LANG locked and counts what it sent before its
  // window showed. The mapping reaches us when korvan may have sent its
  // next statement already, the read of LANG; held up by the lock, that
  // read is told apart from the statements before the window. A read that
  // waits before the window is there is let go at once, and counts.
  void start_once(const char *what)
  {
    connection = -1;
    waiting = false;
    locker->exec("LOCK TABLES `" + database + "`.LANG WRITE");
    bool locked = true;
    Korvan korvan;
    korvan.start(true);
    const double seconds = korvan.wait_for_window([&]() {
      look();
      // The window may have been mapped while we looked: its mapping
      // reached the display before korvan could send the read, so it is
      // here after a round trip.
      XSync(display, False);
      if (waiting && locked && !XPending(display)) {
        locker->exec("UNLOCK TABLES");
        locked = false;
      }
    });
    if (seconds >= 0)
      look();
    if (seconds < 0 || connection < 0) {
      locker->exec("UNLOCK TABLES");
      std::printf("statements: ?    %s: korvan did not come up\n", what);
      return;
    }
    long before = -1;
    if (locked) {
      // Until korvan waits for the lock, or for 1 s if it reads no LANG.
      for (int i = 0; i < 200 && !waiting; ++i) {
        usleep(5000);
        look();
      }
      before = sent() - (waiting ? 1 : 0);
      locker->exec("UNLOCK TABLES");
    } else {
      before = sent();
    }
    usleep(1500 * 1000);
    std::printf("statements: %3ld  %s, until the main window is shown\n", before, what);
    std::printf("statements: %3ld  %s, 1.5 s longer\n", sent(), what);
  }
};

void count_statements()
{
  StatementCount count;
  count.start_once("first start on a fresh database (stores the texts)");
  count.start_once("a later start (finds them)");
}

} // namespace

int main(int argc, char **argv)
{
  char tmp[] = "/tmp/korvan-bench-shell.XXXXXX";
  if (!mkdtemp(tmp))
    return 1;
  dir = tmp;
  if (!korvan_test::fresh_database(database) ||
      !korvan_test::write_odbc_ini(dir + "/odbc.ini", "korvan", database))
    return 1;
  prepare_home(true);
  prepare_home(false);
  if (!open_display())
    return 1;

  count_statements();

  add_defaults(argc, argv, {"--benchmark_min_time=0.5"});
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.ratio("BM_StartWithDatabase", "BM_StartWithoutDatabase", "start with database and translations");

  XCloseDisplay(display);
  Tools::Ref<Tools::Database> db = korvan_test::open_database();
  if (db->is_connected())
    db->exec("DROP DATABASE IF EXISTS `" + database + "`");
  return std::system(("rm -rf '" + dir + "'").c_str()) == 0 ? 0 : 1;
}
