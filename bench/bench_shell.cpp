// How long the program takes from its start until its main window is
// shown, connected and with its translations loaded ("Application Created"
// is logged right after), compared with a start without database as the
// baseline; and how many statements a start sends to the server.
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

// Starts korvan and returns the seconds until it logged "Application
// Created"; ends the process afterwards.
double start_once(bool with_database)
{
  const std::string home = dir + (with_database ? "/home-db" : "/home-nodb");
  int out[2];
  if (pipe(out) != 0)
    std::abort();
  const auto begin = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    close(out[0]);
    if (chdir((home + "/work").c_str()) != 0)
      _exit(126);
    setenv("HOME", home.c_str(), 1);
    setenv("ODBCINI", (dir + "/odbc.ini").c_str(), 1);
    dup2(out[1], 1);
    int err = open((dir + "/stderr").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    dup2(err, 2);
    execl(KORVAN_BINARY, "korvan", static_cast<char *>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string seen;
  char buf[4096];
  double seconds = -1;
  for (;;) {
    ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0)
      break;
    seen.append(buf, static_cast<size_t>(n));
    if (seen.find(": Application Created\n") != std::string::npos) {
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
      break;
    }
  }
  kill(pid, SIGTERM);
  close(out[0]);
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

BENCHMARK(BM_StartWithoutDatabase)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_StartWithDatabase)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// Statements of one start, counted by the server (our own two status
// queries are taken off).
void count_statements()
{
  Tools::Ref<Tools::Database> db = korvan_test::open_database(database);
  const long calibrate0 = server_questions(*db);
  const long calibrate1 = server_questions(*db);
  const long own = calibrate1 - calibrate0;
  for (int run = 1; run <= 2; ++run) {
    const long before = server_questions(*db);
    start_once(true);
    const long after = server_questions(*db);
    std::printf("statements sent by start %d: %ld%s\n", run, after - before - own,
                run == 1 ? " (texts stored)" : " (texts found)");
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

  count_statements();

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.ratio("BM_StartWithDatabase/iterations:10/manual_time", "BM_StartWithoutDatabase/iterations:10/manual_time",
                 "start with database and translations");

  Tools::Ref<Tools::Database> db = korvan_test::open_database();
  if (db->is_connected())
    db->exec("DROP DATABASE IF EXISTS `" + database + "`");
  return std::system(("rm -rf '" + dir + "'").c_str()) == 0 ? 0 : 1;
}
