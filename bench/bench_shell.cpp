// How long the program takes from its start until its main window is
// shown (mapped on the display, which happens once the database is
// connected and the translations are loaded), compared with a start without
// database as the baseline; and how many statements a start sends to the
// server until then. The toolkit sends the window's mapping to the display
// with its next flush, so the texts of a dialog that the start opens right
// away (the login) are counted too.
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
#include <string>

#include <X11/Xlib.h>

#include "bench/ratio_reporter.h"
#include "tests/support/db_support.h"

namespace {

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

// Starts korvan and returns the seconds until its window "Korvan" is
// mapped (-1 when it ends before or does not come within 30 s); lets it
// run `linger_ms` longer, then ends it.
double start_once(bool with_database, int linger_ms = 0)
{
  const std::string home = dir + (with_database ? "/home-db" : "/home-nodb");
  XSync(display, True); // drops what earlier starts left in the queue

  const auto begin = std::chrono::steady_clock::now();
  pid_t pid = fork();
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
  double seconds = -1;
  bool ended = false;
  while (seconds < 0 && !ended && std::chrono::steady_clock::now() - begin < std::chrono::seconds(30)) {
    if (!XPending(display)) {
      ended = waitpid(pid, nullptr, WNOHANG) == pid;
      usleep(200);
      continue;
    }
    XEvent ev;
    XNextEvent(display, &ev);
    if (main_window_mapped(ev))
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  }
  if (ended) {
    std::fprintf(stderr, "korvan ended before its window showed (its messages: %s/stderr)\n", dir.c_str());
    return -1;
  }
  if (linger_ms > 0)
    usleep(static_cast<useconds_t>(linger_ms) * 1000);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  return seconds;
}

long server_questions(Tools::Database &db)
{
  Tools::DBErg<Tools::DBRowList> r = db.exec("show global status like 'Questions'");
  if (!r || r.rows.rows.empty() || r.rows.rows[0].size() < 2)
    return -1;
  return std::atol(r.rows.rows[0][1].c_str());
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

// Statements of one start, counted by the server (our own two status
// queries are taken off).
void count_statements()
{
  Tools::Ref<Tools::Database> db = korvan_test::open_database(database);
  const long calibrate0 = server_questions(*db);
  const long calibrate1 = server_questions(*db);
  const long own = calibrate1 - calibrate0;
  struct Step
  {
    int linger_ms;
    const char *what;
  } steps[] = {
      {0, "first start on a fresh database, until the main window is shown (texts stored)"},
      {0, "a later start, until the main window is shown (texts found)"},
      {1500, "a later start, 1.5 s longer"},
  };
  for (const Step &step : steps) {
    const long before = server_questions(*db);
    start_once(true, step.linger_ms);
    std::printf("statements: %3ld  %s\n", server_questions(*db) - before - own, step.what);
  }
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
