// Reads 20,000 order lines through the database layer and through a plain
// ODBC loop on the same server that reads them the same way (one execute,
// every column bound as the layer binds it, date-times as the driver's
// struct, one row per fetch). Goals: the layer reaches at least 0.85 of the
// plain loop's rows per second (median of 5 runs), and reading the same
// rows through the query layer in pages of a hundred, as the lists do, at
// least half the speed of one read. The goals are judged on pairs, each
// of our reads made right after the baseline's, so that both see the same
// load of a shared machine.
//
// The process runs with the program's allocator settings (shell/heap.h),
// as the program does; --glibc_heap measures with glibc's defaults.
//
// Needs a running private server:
//   scripts/db start /tmp/korvan-bench && eval "$(scripts/db env /tmp/korvan-bench)"
//   build/bench/bench_dbi

#include <benchmark/benchmark.h>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "schema/create_sql.h"
#include "schema/tables.h"
#include "shell/heap.h"
#include "tools/core/format.h"
#include "tools/dbi/query.h"

namespace {

// A short check (scripts/test) builds fewer; still enough pages that the
// query layer reads ahead.
const int ROWS = brief_run() ? 2000 : 20000;
const char *const DATABASE = "korvan_bench";

std::string env(const char *name)
{
  const char *v = std::getenv(name);
  if (!v || !*v) {
    std::fprintf(stderr, "%s is not set: start a server with scripts/db and eval its env\n", name);
    std::exit(2);
  }
  return v;
}

std::string dsn, user, password;

std::string bonline_query()
{
  BONLINE line;
  Tools::DBBindList list;
  list.add(&line);
  return Tools::expand_table_fields("select %BONLINE from BONLINE order by idx", list);
}

bool run(Tools::Database &db, const std::string &sql)
{
  if (db.exec(sql).ok)
    return true;
  std::fprintf(stderr, "setup failed: %s\n", db.get_error().c_str());
  return false;
}

bool setup()
{
  Tools::Database db(dsn, user, password, "", Tools::Database::ODBC);
  if (!db.is_connected()) {
    std::fprintf(stderr, "cannot connect: %s\n", db.get_error().c_str());
    return false;
  }
  if (!run(db, Tools::format("DROP DATABASE IF EXISTS `%s`", DATABASE)) ||
      !run(db, Tools::format("CREATE DATABASE `%s` CHARACTER SET utf8mb4", DATABASE)) ||
      !run(db, Tools::format("USE `%s`", DATABASE)))
    return false;
  for (const std::string &statement : split_sql_statements(create_sql()))
    if (!run(db, statement))
      return false;

  USER waiter;
  waiter.login = std::string("kellner");
  LAYOUTK room;
  room.name = std::string("Terrasse");
  if (!Tools::insert_object(db, waiter) || !Tools::insert_object(db, room))
    return false;
  LAYOUTP table;
  table.layout_idx = 1;
  table.label_name = std::string("Tisch 12");
  if (!Tools::insert_object(db, table))
    return false;

  // Lines as the order window writes them, many to one statement.
  BONLINE line;
  line.user = std::string("kellner");
  line.user_idx = 1;
  line.layoutk_idx = 1;
  line.layoutk_name = std::string("Terrasse");
  line.layoutp_idx = 1;
  line.layoutp_label_name = std::string("Tisch 12");
  line.hist_an_user = std::string("kellner");
  line.hist_an_zeit = std::string("2026-12-06 12:30:00");
  line.anzahl = 2;
  const int per_statement = 500; // ROWS is a multiple
  for (int done = 0; done < ROWS; done += per_statement) {
    std::string sql;
    for (int i = 0; i < per_statement; ++i) {
      line.artnr = Tools::format("ART-%d", done + i);
      line.preis = 3.5 + (done + i) % 100;
      std::vector<std::string> values = line.get_values();
      values[0] = "0"; // a new key each
      sql += sql.empty() ? "INSERT INTO BONLINE VALUES " : ",";
      sql += "(";
      for (size_t k = 0; k < values.size(); ++k)
        sql += (k ? ",'" : "'") + Tools::sql_escape(values[k]) + "'";
      sql += ")";
    }
    if (!run(db, sql))
      return false;
  }
  return db.commit();
}

// A connection of the layer to the benchmark's database.
struct LayerConnection
{
  Tools::Database db;
  LayerConnection() : db(dsn, user, password, DATABASE, Tools::Database::ODBC) {}
  bool ok() { return db.is_connected() && db.exec(Tools::format("USE `%s`", DATABASE)).ok; }
};

// One read of every line through Database::select.
bool layer_select(Tools::Database &db, const std::string &query)
{
  Tools::DBErg<Tools::DBRowList> result = db.select(query, true);
  benchmark::DoNotOptimize(result);
  return result.ok && result.rows.rows.size() == static_cast<size_t>(ROWS);
}

// Every line through the query layer's paging as the lists use it: 100
// records a page.
bool layer_pages(Tools::Database &db)
{
  static BONLINE lines[100];
  Tools::DBArrayBind arrays;
  arrays.bind_array(lines);
  Tools::DBLimit limit(100);
  int n, read = 0;
  while ((n = Tools::select_object_rows(db, "select %BONLINE from BONLINE order by idx", arrays, limit)) > 0)
    read += n;
  return n == 0 && read == ROWS && lines[0].artnr.value == Tools::format("ART-%d", ROWS - 100);
}

// The plain loop: one execute, every column bound as the layer binds it
// (date-times as the driver's struct, the other columns as text in a
// buffer of the column's size), one row per fetch. Once only touching the
// cells, once copying them into strings as any client that keeps its rows
// has to.
class PlainOdbc
{
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  bool connected = false;

  struct Bound
  {
    bool timestamp;
    SQLLEN capacity;
    SQLLEN offset;
    SQLLEN length;
  };

public:
  PlainOdbc()
  {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    connected = SQL_SUCCEEDED(SQLConnect(dbc, (SQLCHAR *)dsn.c_str(), SQL_NTS, (SQLCHAR *)user.c_str(), SQL_NTS,
                                         (SQLCHAR *)password.c_str(), SQL_NTS));
    if (!connected)
      return;
    std::string use = Tools::format("USE `%s`", DATABASE);
    SQLHSTMT stmt;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    SQLExecDirect(stmt, (SQLCHAR *)use.c_str(), SQL_NTS);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  }
  ~PlainOdbc()
  {
    if (connected)
      SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
  }
  PlainOdbc(const PlainOdbc &) = delete;
  PlainOdbc &operator=(const PlainOdbc &) = delete;
  bool ok() const { return connected; }

  // One read of every line; whether it gave them all.
  bool read(const std::string &query, bool keep)
  {
    SQLHSTMT stmt;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    if (!SQL_SUCCEEDED(SQLExecDirect(stmt, (SQLCHAR *)query.c_str(), SQL_NTS))) {
      SQLFreeHandle(SQL_HANDLE_STMT, stmt);
      return false;
    }
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    std::vector<Bound> bound(static_cast<size_t>(columns));
    SQLLEN total = 0;
    for (SQLUSMALLINT i = 1; i <= columns; ++i) {
      SQLCHAR name[256];
      SQLSMALLINT name_len = 0, type = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      SQLDescribeCol(stmt, i, name, sizeof name, &name_len, &type, &size, &digits, &nullable);
      Bound &b = bound[i - 1];
      b.timestamp = type == SQL_TYPE_TIMESTAMP;
      b.capacity = b.timestamp ? static_cast<SQLLEN>(sizeof(SQL_TIMESTAMP_STRUCT)) : static_cast<SQLLEN>(size * 4 + 64);
      b.offset = total;
      total += (b.capacity + 7) / 8 * 8;
    }
    std::vector<char> buffers(static_cast<size_t>(total));
    for (SQLUSMALLINT i = 1; i <= columns; ++i) {
      Bound &b = bound[i - 1];
      SQLBindCol(stmt, i, b.timestamp ? SQL_C_TYPE_TIMESTAMP : SQL_C_CHAR, &buffers[b.offset], b.capacity, &b.length);
    }
    std::vector<std::vector<std::string> > kept;
    size_t rows = 0, bytes = 0;
    while (SQL_SUCCEEDED(SQLFetch(stmt))) {
      ++rows;
      if (keep) {
        kept.emplace_back();
        kept.back().reserve(bound.size());
        for (const Bound &b : bound)
          kept.back().emplace_back(&buffers[b.offset], static_cast<size_t>(b.length > 0 ? b.length : 0));
      } else {
        for (const Bound &b : bound)
          bytes += static_cast<size_t>(b.length > 0 ? b.length : 0);
      }
    }
    benchmark::DoNotOptimize(kept);
    benchmark::DoNotOptimize(bytes);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return rows == static_cast<size_t>(ROWS);
  }
};

// Times every read of the repetition; rows per second as the counter.
template <class Read> void rows_per_second(benchmark::State &state, bool connected, Read read, const char *failure)
{
  if (!connected) {
    state.SkipWithError("no connection");
    return;
  }
  for (auto _ : state)
    if (!read()) {
      state.SkipWithError(failure);
      return;
    }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * ROWS, benchmark::Counter::kIsRate);
}

void BM_layer_select(benchmark::State &state)
{
  LayerConnection layer;
  const std::string query = bonline_query();
  rows_per_second(state, layer.ok(), [&] { return layer_select(layer.db, query); }, "select failed");
}

void BM_layer_pages(benchmark::State &state)
{
  LayerConnection layer;
  rows_per_second(state, layer.ok(), [&] { return layer_pages(layer.db); }, "the pages did not give every line once");
}

void plain_odbc(benchmark::State &state, bool keep)
{
  PlainOdbc plain;
  const std::string query = bonline_query();
  rows_per_second(state, plain.ok(), [&] { return plain.read(query, keep); }, "select failed");
}

void BM_plain_odbc(benchmark::State &state) { plain_odbc(state, false); }
void BM_plain_odbc_kept(benchmark::State &state) { plain_odbc(state, true); }

// A pair: each iteration reads once the baseline's way and once ours,
// moments apart, and the repetition's counter "speed" is our rows per
// second as a share of the baseline's. On a machine whose load drifts
// (other builds, the server itself) the two sides of a pair see the same
// load, where separate benchmarks a minute apart may not.
template <class Baseline, class Ours> void paired(benchmark::State &state, Baseline baseline, Ours ours)
{
  typedef std::chrono::steady_clock Clock;
  double baseline_seconds = 0, our_seconds = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const bool base_ok = baseline();
    const Clock::time_point middle = Clock::now();
    const bool our_ok = ours();
    const Clock::time_point end = Clock::now();
    if (!base_ok || !our_ok) {
      state.SkipWithError(base_ok ? "our read failed" : "the baseline's read failed");
      return;
    }
    baseline_seconds += std::chrono::duration<double>(middle - start).count();
    our_seconds += std::chrono::duration<double>(end - middle).count();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["baseline_ms"] = 1000 * baseline_seconds / n;
  state.counters["ours_ms"] = 1000 * our_seconds / n;
  state.counters["speed"] = our_seconds > 0 ? baseline_seconds / our_seconds : 0;
}

// The layer against the plain loop that only touches the cells, or that
// keeps them.
void pair_layer_plain(benchmark::State &state, bool keep)
{
  PlainOdbc plain;
  LayerConnection layer;
  if (!plain.ok() || !layer.ok()) {
    state.SkipWithError("no connection");
    return;
  }
  const std::string query = bonline_query();
  paired(state, [&] { return plain.read(query, keep); }, [&] { return layer_select(layer.db, query); });
}

void BM_pair_layer_plain(benchmark::State &state) { pair_layer_plain(state, false); }
void BM_pair_layer_kept(benchmark::State &state) { pair_layer_plain(state, true); }

void BM_pair_pages_select(benchmark::State &state)
{
  LayerConnection layer;
  if (!layer.ok()) {
    state.SkipWithError("no connection");
    return;
  }
  const std::string query = bonline_query();
  paired(state, [&] { return layer_select(layer.db, query); }, [&] { return layer_pages(layer.db); });
}

BENCHMARK(BM_plain_odbc)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_plain_odbc_kept)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_layer_select)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_layer_pages)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_pair_layer_plain)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_pair_layer_kept)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_pair_pages_select)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints a pair's median share over the repetitions, and their range.
void share(const RatioReporter &reporter, const char *pair, const std::string &label, const char *goal)
{
  const std::vector<double> speeds = reporter.counter_values(pair, "speed");
  if (speeds.empty())
    return;
  std::printf("%-56s %5.2f of the baseline's rows per second (median of %zu runs, %.2f-%.2f%s)\n", label.c_str(),
              RatioReporter::median(speeds), speeds.size(), *std::min_element(speeds.begin(), speeds.end()),
              *std::max_element(speeds.begin(), speeds.end()), goal);
}

} // namespace

int main(int argc, char **argv)
{
  dsn = env("KORVAN_TEST_DSN");
  user = env("KORVAN_TEST_DB_USER");
  password = env("KORVAN_TEST_DB_PASSWORD");
  bool glibc_heap = false;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--glibc_heap") == 0)
      glibc_heap = true;
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  if (!glibc_heap)
    keep_freed_heap();
  std::printf("allocator: %s\n", glibc_heap ? "glibc's defaults" : "the program's settings (shell/heap.h)");
  add_defaults(argc, argv,
               {"--benchmark_min_time=2", "--benchmark_repetitions=5", "--benchmark_enable_random_interleaving=true"});
  benchmark::Initialize(&argc, argv);
  if (!setup())
    return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const std::string lines = Tools::format("%d lines, ", ROWS);
  std::printf("\nIn pairs, each read moments after its baseline's:\n");
  share(reporter, "BM_pair_layer_plain", lines + "Database::select / plain loop", "; goal: at least 0.85");
  share(reporter, "BM_pair_layer_kept", lines + "Database::select / plain loop keeping cells", "");
  share(reporter, "BM_pair_pages_select", lines + "100-row pages / Database::select", "; goal: at least 0.50");
  std::printf("Separately (medians of the runs above):\n");
  reporter.ratio("BM_layer_select", "BM_plain_odbc", (lines + "Database::select / plain loop").c_str());
  reporter.ratio("BM_layer_pages", "BM_layer_select", (lines + "100-row pages / Database::select").c_str());
  benchmark::Shutdown();
  return 0;
}
