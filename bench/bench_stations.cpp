// A Friday night: many stations book, cancel, move and pay order lines on
// one server at the same time, through the order operations (Orders), and
// afterwards the server is asked whether anything was lost or written
// twice.
//
// The house: 3 rooms of 30 tables, 40 articles in groups with their prices,
// a card and a voucher, and a year of history (200,000 lines, paid ones with
// their amounts, cancelled ones with who cancelled them). Each station has
// a connection and a user of its own and runs on a thread of its own; like
// a waiter it picks a table, reads its open lines and acts on what it read,
// so that lists go stale as they do in service when two stations work on
// one table. With --kill-every S the server kills one station's connection
// every S seconds while it acts, aiming at the kind of action kills have
// reached least so far; that station counts the action as failed, connects
// again like a new station and goes on. A booking whose commit was under
// way when the connection died may or may not be stored: the station finds
// out by counting the rows that carry its user, once the server has ended
// the old session, instead of guessing.
//
// At the end every rule that must hold is checked on the server by SQL and
// printed: nothing settled twice or half-written, and, the other way
// round, every action a station counted as done stands on the server as
// that station did it (each line it booked as it handed it over, in every
// column a person reads back: article and its number, price, quantity,
// room and table with their names, no bill printed; each line followed
// through the actions of all stations on it). The program exits non-zero when a rule
// is broken.
// Timings are printed, never judged.
//
//   eval "$(scripts/db env DIR)"
//   build/bench/bench_stations --stations 8 --seconds 10 [--kill-every 2]
//   build/bench/bench_stations --series --seconds 60 --kill-every 5
//
// Options: --stations N (or a list, 1,2,4,8; each run is set against the
// nearest one-station run, so that 1,8,1,8 measures pairs), --series
// (1,2,4,8,16; with --kill-every the kills run once more at the largest
// count afterwards, so that the figures come from runs without faults),
// --seconds T, --kill-every S, --database NAME (an existing house is used as it is;
// default: a fresh one, dropped at the end), --keep (leave the database),
// --history LINES (default 200,000), --verbose (the database layer's own
// prints). Google Benchmark's --benchmark_* options are accepted;
// --benchmark_out=FILE gets the figures as JSON. With KORVAN_BENCH_BRIEF=1
// (as scripts/test runs it) the default is 8 stations for 5 seconds, a kill
// every 2 seconds, on 20,000 lines of history.
//
// The parts: bench/stations/house.* (the house it builds), station.* (the
// waiter's loop), killer.* (the kills), rules.* (the rules checked on the
// server), booking.h (a station's bookings against the rows of its user),
// follower.* (each line followed through the stations' actions), run.* (a
// run and its figures), report.* (what it prints).

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/stations/common.h"
#include "bench/stations/house.h"
#include "bench/stations/report.h"
#include "bench/stations/run.h"
#include "tests/support/db_support.h"
#include "tools/core/format.h"

using namespace friday;

namespace {

// ---------------------------------------------------------------- options

struct Options
{
  std::vector<int> stations{8};
  bool series = false;
  double seconds = 10;
  double kill_every = 0;
  std::string database;
  bool keep = false;
  long history = 200000;
  bool verbose = false;
  std::string json;
};

[[noreturn]] void usage(const std::string &why)
{
  std::fprintf(stderr,
               "bench_stations: %s\n"
               "usage: bench_stations [--stations N[,N...]] [--series] [--seconds T] [--kill-every S]\n"
               "                      [--database NAME] [--keep] [--history LINES] [--verbose]\n",
               why.c_str());
  std::exit(2);
}

double number(const std::string &option, const std::string &text, double least, const char *what)
{
  char *end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end || !(v >= least))
    usage(option + " takes " + what);
  return v;
}

// "1,2,4": counts of at least 1.
std::vector<int> station_counts(const std::string &text)
{
  std::vector<int> counts;
  std::stringstream list(text);
  std::string item;
  while (std::getline(list, item, ','))
    counts.push_back(static_cast<int>(number("--stations", item, 1, "counts of at least 1")));
  if (counts.empty())
    usage("--stations needs a count");
  return counts;
}

Options parse(int argc, char **argv)
{
  Options o;
  if (const char *brief = std::getenv("KORVAN_BENCH_BRIEF"))
    if (std::string(brief) == "1") {
      o.seconds = 5;
      o.kill_every = 2;
      o.history = 20000;
    }
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i], value;
    const std::size_t eq = arg.find('=');
    const bool inline_value = eq != std::string::npos && arg.compare(0, 2, "--") == 0;
    if (inline_value) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
    }
    auto next = [&]() -> std::string {
      if (inline_value)
        return value;
      if (i + 1 >= argc)
        usage(arg + " needs a value");
      return argv[++i];
    };
    if (arg.compare(0, 12, "--benchmark_") == 0) {
      // scripts/test hands every bench_* program Google Benchmark's flags.
      if (arg == "--benchmark_out")
        o.json = inline_value ? value : next();
    } else if (arg == "--stations")
      o.stations = station_counts(next());
    else if (arg == "--series") {
      o.series = true;
      o.stations = {1, 2, 4, 8, 16};
    } else if (arg == "--seconds")
      o.seconds = number(arg, next(), 0.1, "a number of seconds of at least 0.1");
    else if (arg == "--kill-every")
      o.kill_every = number(arg, next(), 0, "a number of seconds (0: no kills)");
    else if (arg == "--database")
      o.database = next();
    else if (arg == "--keep")
      o.keep = true;
    else if (arg == "--history")
      o.history = static_cast<long>(number(arg, next(), 0, "a number of lines"));
    else if (arg == "--verbose")
      o.verbose = true;
    else if (arg == "--help" || arg == "-h")
      usage("a load of many stations on one server");
    else
      usage("unknown option " + arg);
  }
  for (char c : o.database)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
      usage("--database takes letters, digits and _ only");
  return o;
}

// How this program was built: the stations' share of the time depends on
// it.
#if defined(__SANITIZE_ADDRESS__)
const char *const BUILD = "built with the sanitizers (the stations' times are not the program's)";
#elif defined(__OPTIMIZE__)
const char *const BUILD = "an optimised build";
#else
const char *const BUILD = "built without optimisation (the stations' times are not the program's)";
#endif

// The database layer prints every failed statement on standard output; a
// load meets refusals by the thousand, and the table must stay readable.
class Discard : public std::streambuf
{
protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

// A house to serve: the one in --database as it is, or a fresh one (then
// `made`). False when there is none (with the reason on standard error).
bool find_house(Tools::Database &admin, const Options &o, std::string &database, bool &made)
{
  database = o.database;
  made = false;
  if (database.empty())
    database = Tools::format("korvan_bench_stations_%d", static_cast<int>(getpid()));
  const bool exists = count_of(admin, "select count(*) from information_schema.tables where table_schema = '" +
                                          database + "' and table_name = 'LAYOUTK'") > 0 &&
                      count_of(admin, "select count(*) from `" + database + "`.LAYOUTK") > 0;
  admin.rollback();
  if (exists) {
    std::printf("bench_stations: the house in database %s as it is\n", database.c_str());
    return true;
  }
  std::printf("bench_stations: a fresh house in database %s\n", database.c_str());
  std::fflush(stdout);
  made = true;
  Tools::Ref<Tools::Database> db;
  if (!korvan_test::fresh_database(database) || !(db = connect_to(database))->is_connected() ||
      !seed_house(*db, o.history)) {
    std::fprintf(stderr, "bench_stations: cannot build the house\n");
    if (!o.keep)
      run(admin, "DROP DATABASE IF EXISTS `" + database + "`");
    return false;
  }
  return true;
}

// The server's audit of settled lines, and what serves: the server, this
// program.
bool set_up(const std::string &database)
{
  Tools::Ref<Tools::Database> db = connect_to(database);
  if (!db->is_connected() || !run(*db, AUDIT_TABLE) || !run(*db, AUDIT_TRIGGER) || !run(*db, "commit")) {
    std::fprintf(stderr, "bench_stations: cannot set up the audit of settled lines\n");
    return false;
  }
  std::printf("server: %s, innodb_buffer_pool_size %s MB, innodb_flush_log_at_trx_commit %s, "
              "innodb_lock_wait_timeout (session) %s s, max_connections %s, log_bin %s\n",
              value_of(*db, "select version()").c_str(),
              std::to_string(std::atoll(value_of(*db, "select @@innodb_buffer_pool_size").c_str()) >> 20).c_str(),
              value_of(*db, "select @@innodb_flush_log_at_trx_commit").c_str(),
              value_of(*db, "select @@session.innodb_lock_wait_timeout").c_str(),
              value_of(*db, "select @@max_connections").c_str(), value_of(*db, "select @@log_bin").c_str());
  db->rollback();
  std::printf("stations: %s, %u cores\n", BUILD, std::thread::hardware_concurrency());
  return true;
}

// Every run asked for, printed as it ends; 1 when a rule was broken.
int serve_all(const Options &o, const std::string &database)
{
  int status = 0;
  std::vector<RunResult> runs;
  int number = 0;
  // A series measures without faults and then runs the faults once at
  // its largest count; a plain list has the kills in every run.
  std::vector<std::pair<int, double> > plan;
  for (int n : o.stations)
    plan.emplace_back(n, o.series ? 0 : o.kill_every);
  if (o.series && o.kill_every > 0)
    plan.emplace_back(*std::max_element(o.stations.begin(), o.stations.end()), o.kill_every);
  for (const auto &step : plan) {
    runs.push_back(run_stations(database, step.first, o.seconds, step.second, ++number));
    print_run(runs.back());
    if (runs.back().broken())
      status = 1;
  }
  if (runs.size() > 1)
    print_series(runs);
  if (!o.json.empty())
    write_json(o.json, runs);
  std::printf("\n%s\n", status ? "bench_stations: a rule was BROKEN (see above)" : "bench_stations: every rule held");
  return status;
}

int bench(const Options &o)
{
  Tools::Ref<Tools::Database> admin = connect_to("");
  if (!admin->is_connected()) {
    std::fprintf(stderr, "bench_stations: cannot reach the server: %s\n", admin->get_error().c_str());
    return 1;
  }
  std::string database;
  bool made = false;
  if (!find_house(*admin, o, database, made) || !set_up(database))
    return 1;
  const int status = serve_all(o, database);
  if (made && !o.keep)
    run(*admin, "DROP DATABASE IF EXISTS `" + database + "`");
  else
    std::printf("the house stays in database %s\n", database.c_str());
  return status;
}

} // namespace

int main(int argc, char **argv)
{
  const Options o = parse(argc, argv);
  Discard discard;
  std::streambuf *kept = nullptr;
  if (!o.verbose)
    kept = std::cout.rdbuf(&discard);

  int status = 0;
  try {
    status = bench(o);
  } catch (const std::exception &e) {
    std::fprintf(stderr, "bench_stations: %s\n", e.what());
    status = 1;
  }
  if (kept)
    std::cout.rdbuf(kept);
  return status;
}
