#include "bench/stations/run.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "bench/stations/house.h"
#include "bench/stations/rules.h"
#include "tests/support/db_support.h"
#include "tools/core/format.h"

namespace friday {

namespace {

// ----------------------------------------------------------- server figures

struct ServerFigures
{
  std::map<std::string, long long> status;
  double server_cpu = -1; // seconds of the server process
};

double process_cpu_seconds(long pid)
{
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  std::getline(stat, text);
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos)
    return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string f;
  double utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> f; ++i) {
    if (i == 14)
      utime = std::atof(f.c_str());
    if (i == 15)
      stime = std::atof(f.c_str());
  }
  return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long server_pid(Tools::Database &db)
{
  const std::string file = value_of(db, "select @@pid_file");
  db.rollback();
  std::ifstream in(file);
  long pid = 0;
  in >> pid;
  return pid;
}

ServerFigures server_figures(Tools::Database &db, long pid)
{
  ServerFigures f;
  for (const std::vector<std::string> &row :
       rows_of(db, "show global status where Variable_name in ('Innodb_row_lock_waits', 'Innodb_row_lock_time',"
                   " 'Innodb_deadlocks', 'Com_commit', 'Com_rollback', 'Questions', 'Innodb_buffer_pool_reads',"
                   " 'Innodb_log_waits')"))
    if (row.size() >= 2)
      f.status[row[0]] = std::atoll(row[1].c_str());
  db.rollback();
  if (pid > 0)
    f.server_cpu = process_cpu_seconds(pid);
  return f;
}

double own_cpu_seconds()
{
  rusage u;
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Seconds of work of every core of the machine since it started: with the
// server's and the stations' own, what else ran during a run.
double machine_busy_seconds()
{
  std::ifstream stat("/proc/stat");
  std::string cpu;
  double user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
  if (!(stat >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal) || cpu != "cpu")
    return -1;
  return (user + nice + system + irq + softirq + steal) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double load_average()
{
  double l[1] = {0};
  return getloadavg(l, 1) == 1 ? l[0] : -1;
}

// The section of the server's InnoDB report on the last deadlock. The
// report is the server administrator's: read as the owner of the private
// server where that is this account, else as the stations' user.
std::string latest_deadlock(Tools::Database &stations)
{
  Tools::Ref<Tools::Database> owner = korvan_test::open_owner();
  Tools::Database &db = owner->is_connected() ? *owner : stations;
  const std::vector<std::vector<std::string> > rows = rows_of(db, "SHOW ENGINE INNODB STATUS");
  db.rollback();
  const std::string status_text = !rows.empty() && rows[0].size() >= 3 ? rows[0][2] : std::string();
  const std::size_t from = status_text.find("LATEST DETECTED DEADLOCK");
  if (from == std::string::npos)
    return std::string();
  const std::size_t to = status_text.find("\nTRANSACTIONS\n", from);
  return status_text.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

// What the server, this program and the machine had done up to a moment.
struct Snapshot
{
  ServerFigures server;
  double own_cpu = 0, machine = 0;
};

Snapshot snapshot(Tools::Database &db, long pid)
{
  Snapshot s;
  s.server = server_figures(db, pid);
  s.own_cpu = own_cpu_seconds();
  s.machine = machine_busy_seconds();
  return s;
}

// What the server and the machine did during the run.
void server_and_machine(RunResult &result, Tools::Database &db, const Snapshot &before, const Snapshot &after)
{
  result.client_cores = (after.own_cpu - before.own_cpu) / result.seconds;
  if (before.server.server_cpu >= 0 && after.server.server_cpu >= 0)
    result.server_cores = (after.server.server_cpu - before.server.server_cpu) / result.seconds;
  if (before.machine >= 0 && after.machine >= 0 && result.server_cores >= 0)
    result.other_cores =
        std::max(0.0, (after.machine - before.machine) / result.seconds - result.server_cores - result.client_cores);
  result.load_after = load_average();
  auto delta = [&](const char *name) {
    auto a = after.server.status.find(name), b = before.server.status.find(name);
    return a != after.server.status.end() && b != before.server.status.end() ? a->second - b->second : 0;
  };
  result.lock_waits = delta("Innodb_row_lock_waits");
  result.lock_wait_ms = delta("Innodb_row_lock_time");
  result.deadlocks = delta("Innodb_deadlocks");
  result.commits = delta("Com_commit");
  result.rollbacks = delta("Com_rollback");
  result.statements = delta("Questions");
  result.pages_read = delta("Innodb_buffer_pool_reads");
  result.log_waits = delta("Innodb_log_waits");
  if (result.deadlocks > 0)
    result.deadlock_report = latest_deadlock(db);
}

// ----------------------------------------------------------------- a run

// A tag that keeps this run's station users apart from every other run's
// in the same database.
std::string run_tag(int run)
{
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  unsigned long long v = static_cast<unsigned long long>(std::time(nullptr)) * 1000ULL +
                         static_cast<unsigned long long>(getpid() % 1000) * 17ULL + static_cast<unsigned>(run);
  std::string tag;
  for (int i = 0; i < 7; ++i, v /= 36)
    tag += digits[v % 36];
  return tag;
}

// Each station logs in as a user of its own; false (with the check that
// failed in `result`) when a user cannot be stored.
bool make_stations(Tools::Database &db, int count, int run, Shared &shared,
                   std::vector<std::unique_ptr<Station> > &stations, RunResult &result)
{
  const std::string tag = run_tag(run);
  for (int i = 0; i < count; ++i) {
    USER u;
    u.login = Tools::format("w%d-%s", i + 1, tag);
    u.vor_name = Tools::format("Platz %d", i + 1);
    u.nach_name = std::string("Freitag");
    u.passwd = std::string("geheim");
    if (store(db, u) <= 0 || !db.commit()) {
      result.checks.push_back({"the run can store its users", 1, db.get_error()});
      return false;
    }
    stations.emplace_back(new Station(u.login.value, i, shared, static_cast<unsigned>(run * 1000 + i + 1)));
  }
  return true;
}

// The stations serve for `seconds` (with the killer when kills are
// asked); the server and the machine are measured from the moment every
// station has connected. Gives the moment they began.
Clock::time_point serve(Tools::Database &db, std::vector<std::unique_ptr<Station> > &stations, Shared &shared,
                        double seconds, RunResult &result)
{
  const long pid = server_pid(db);
  std::vector<std::thread> threads;
  for (auto &s : stations)
    threads.emplace_back([&s] { s->run(); });
  for (auto &s : stations)
    while (!s->connected_once.load())
      std::this_thread::sleep_for(std::chrono::milliseconds(2));

  const Snapshot before = snapshot(db, pid);
  result.load_before = load_average();
  const Clock::time_point started = Clock::now();
  shared.deadline = started + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  shared.go.store(true);

  std::thread kill_thread;
  if (result.kill_every > 0)
    kill_thread = std::thread([&] { killer(shared, stations, result.kill_every, result.kills); });
  for (std::thread &t : threads)
    t.join();
  result.seconds = seconds_since(started);
  shared.stop.store(true);
  if (kill_thread.joinable())
    kill_thread.join();

  server_and_machine(result, db, before, snapshot(db, pid));
  return started;
}

} // namespace

RunResult run_stations(const std::string &database, int count, double seconds, double kill_every, int run)
{
  RunResult result;
  result.stations = count;
  result.kill_every = kill_every;

  Tools::Ref<Tools::Database> db = connect_to(database);
  if (!db->is_connected()) {
    result.checks.push_back({"the run can connect", 1, db->get_error()});
    return result;
  }
  std::vector<std::unique_ptr<Station> > stations;
  Shared shared;
  shared.database = database;
  if (!make_stations(*db, count, run, shared, stations, result))
    return result;
  const Clock::time_point started = serve(*db, stations, shared, seconds, result);

  for (const auto &s : stations) {
    for (int k = 0; k < KINDS; ++k)
      result.kinds[k].add(s->stats[k]);
    result.stored_after_all += s->stored_after_all;
    result.reconnects += s->reconnects;
  }
  // The house as the rules' reports name it.
  Floor floor;
  floor.load(*db);
  result.followed = follow_lines(*db, stations, started, floor);
  result.checks = check_house(*db, stations, result.followed, floor);
  if (!result.kills.trouble.empty())
    result.checks.push_back({"the killer works", 1, result.kills.trouble});
  if (kill_every > 0 && result.seconds > 2 * kill_every && result.kills.sent == 0)
    result.checks.push_back({"connections were killed as asked", 1, "no kill reached a station"});
  return result;
}

} // namespace friday
