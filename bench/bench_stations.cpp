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
// that station did it (each line followed through the actions of all
// stations on it). The program exits non-zero when a rule is broken.
// Timings are printed, never judged.
//
//   eval "$(scripts/db env DIR)"
//   build/bench/bench_stations --stations 8 --seconds 10 [--kill-every 2]
//   build/bench/bench_stations --series --seconds 60 --kill-every 5
//
// Options: --stations N (or a list, 1,2,4,8), --series (1,2,4,8,16; with
// --kill-every the kills run once more at the largest count afterwards, so
// that the figures come from runs without faults), --seconds T,
// --kill-every S, --database NAME (an existing house is used as it is;
// default: a fresh one, dropped at the end), --keep (leave the database),
// --history LINES (default 200,000), --verbose (the database layer's own
// prints). Google Benchmark's --benchmark_* options are accepted;
// --benchmark_out=FILE gets the figures as JSON. With KORVAN_BENCH_BRIEF=1
// (as scripts/test runs it) the default is 8 stations for 5 seconds, a kill
// every 2 seconds, on 20,000 lines of history.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "bench/bulk_insert.h"
#include "bench/linefollower.h"
#include "rooms/orders.h"
#include "schema/tables.h"
#include "tests/support/db_support.h"
#include "tools/core/format.h"
#include "tools/core/money.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"

namespace {

typedef std::chrono::steady_clock Clock;

double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

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
    } else if (arg == "--stations") {
      o.stations.clear();
      std::stringstream list(next());
      std::string item;
      while (std::getline(list, item, ','))
        o.stations.push_back(static_cast<int>(number("--stations", item, 1, "counts of at least 1")));
      if (o.stations.empty())
        usage("--stations needs a count");
    } else if (arg == "--series") {
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

// ------------------------------------------------------------- statements

// A text as printf makes it (the figures of the reports).
__attribute__((format(printf, 1, 2))) std::string printed(const char *format, ...)
{
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

// Runs a statement that must work (seeding, checking); false with the
// reason on standard error.
bool run(Tools::Database &db, const std::string &sql)
{
  if (db.exec(sql).ok)
    return true;
  std::fprintf(stderr, "bench_stations: statement failed: %s\n%s\n", db.get_error().c_str(),
               sql.substr(0, 600).c_str());
  return false;
}

// The rows of a query, or nothing (with the reason on standard error).
std::vector<std::vector<std::string> > rows_of(Tools::Database &db, const std::string &sql)
{
  Tools::DBErg<Tools::DBRowList> r = db.exec(sql);
  if (!r.ok) {
    std::fprintf(stderr, "bench_stations: query failed: %s\n%s\n", db.get_error().c_str(), sql.c_str());
    return {};
  }
  return r.rows.rows;
}

// The first cell, or `fallback` when there is none.
std::string value_of(Tools::Database &db, const std::string &sql, const std::string &fallback = "")
{
  const std::vector<std::vector<std::string> > rows = rows_of(db, sql);
  return rows.empty() || rows[0].empty() ? fallback : rows[0][0];
}

long long count_of(Tools::Database &db, const std::string &sql)
{
  const std::string v = value_of(db, sql, "-1");
  return std::atoll(v.c_str());
}

// The driver library sets itself up on the first connection; connecting
// one station at a time keeps that out of any race.
std::mutex connecting;

Tools::Ref<Tools::Database> connect_to(const std::string &database)
{
  std::lock_guard<std::mutex> hold(connecting);
  return korvan_test::open_database(database);
}

// --------------------------------------------------------------- the house

const int ROOMS = 3;
const int TABLES_PER_ROOM = 30;
const int HISTORY_USERS = 5;
const int OPEN_AT_START = 150;
const double VOUCHER = 20.0;

struct ArticleSeed
{
  const char *name;
  const char *group;
  bool food;
  double price;
  double second_price; // 0: none
  const char *second_name;
};

// What a German restaurant sells on a Friday night; 40 articles.
const ArticleSeed ARTICLES[] = {
    {"Pils", "Getränke", false, 3.20, 4.40, "0,5 l"},
    {"Weizen", "Getränke", false, 4.60, 0, ""},
    {"Radler", "Getränke", false, 3.90, 0, ""},
    {"Bier alkoholfrei", "Getränke", false, 3.80, 0, ""},
    {"Apfelschorle", "Getränke", false, 2.80, 4.20, "0,4 l"},
    {"Cola", "Getränke", false, 3.10, 0, ""},
    {"Limonade", "Getränke", false, 3.30, 0, ""},
    {"Wasser", "Getränke", false, 2.50, 5.90, "0,75 l"},
    {"Hauswein rot", "Getränke", false, 5.20, 17.50, "Flasche"},
    {"Hauswein weiß", "Getränke", false, 5.20, 17.50, "Flasche"},
    {"Riesling", "Getränke", false, 6.40, 0, ""},
    {"Sekt", "Getränke", false, 6.90, 0, ""},
    {"Espresso", "Kaffee", false, 2.40, 0, ""},
    {"Cappuccino", "Kaffee", false, 3.40, 0, ""},
    {"Kaffee", "Kaffee", false, 2.90, 0, ""},
    {"Tee", "Kaffee", false, 2.80, 0, ""},
    {"Tagessuppe", "Vorspeisen", true, 5.50, 0, ""},
    {"Salat klein", "Vorspeisen", true, 5.90, 0, ""},
    {"Bruschetta", "Vorspeisen", true, 7.20, 0, ""},
    {"Carpaccio", "Vorspeisen", true, 11.90, 0, ""},
    {"Obatzda", "Vorspeisen", true, 7.50, 0, ""},
    {"Brezel", "Vorspeisen", true, 2.20, 0, ""},
    {"Schnitzel", "Hauptgerichte", true, 17.90, 9.50, "Kinderteller"},
    {"Rostbraten", "Hauptgerichte", true, 24.50, 0, ""},
    {"Käsespätzle", "Hauptgerichte", true, 13.40, 0, ""},
    {"Forelle", "Hauptgerichte", true, 19.80, 0, ""},
    {"Flammkuchen", "Hauptgerichte", true, 11.50, 0, ""},
    {"Maultaschen", "Hauptgerichte", true, 14.20, 0, ""},
    {"Burger", "Hauptgerichte", true, 15.90, 0, ""},
    {"Gemüsepfanne", "Hauptgerichte", true, 13.50, 0, ""},
    {"Rinderroulade", "Hauptgerichte", true, 21.90, 0, ""},
    {"Schweinebraten", "Hauptgerichte", true, 16.80, 0, ""},
    {"Lachs", "Hauptgerichte", true, 22.40, 0, ""},
    {"Tagesmenü", "Hauptgerichte", true, 19.90, 0, ""},
    {"Apfelstrudel", "Desserts", true, 6.90, 0, ""},
    {"Mousse au Chocolat", "Desserts", true, 7.40, 0, ""},
    {"Eis", "Desserts", true, 5.50, 0, ""},
    {"Crème brûlée", "Desserts", true, 7.80, 0, ""},
    {"Kaiserschmarrn", "Desserts", true, 9.90, 0, ""},
    {"Obstsalat", "Desserts", true, 6.20, 0, ""},
};
const int ARTICLE_COUNT = sizeof ARTICLES / sizeof ARTICLES[0];
static_assert(sizeof ARTICLES / sizeof ARTICLES[0] == 40, "the house sells 40 articles");

const char *const ROOM_NAMES[ROOMS] = {"Saal", "Terrasse", "Stube"};
const char *const HISTORY_LOGINS[HISTORY_USERS] = {"anna", "ben", "clara", "david", "emil"};

int store(Tools::Database &db, Tools::DBBindType &row)
{
  if (!Tools::insert_object(db, row)) {
    std::fprintf(stderr, "bench_stations: cannot store a row: %s\n%s\n", db.get_error().c_str(),
                 db.get_last_query().c_str());
    return 0;
  }
  return db.get_insert_id();
}

// The statement that books a year of history in one go on the server: one
// line per number of a sequence, its user, article, price and table taken
// round-robin from the master data, its state and amounts computed from
// the number. The newest OPEN_AT_START lines are still open (tonight's
// first guests); of the rest every 25th was cancelled, the others paid: a
// quarter by card, every ninth partly with a voucher, the rest in cash.
std::string history_sql(long lines, int prices, int card_idx, int voucher_idx)
{
  BONLINE line;
  line.gueltig = JANEIN::JA;
  const std::string n = "s.seq";
  const std::string open = Tools::format("%s > %s", n, std::to_string(lines - OPEN_AT_START));
  const std::string cancelled = "NOT (" + open + ") AND " + n + " % 25 = 0";
  const std::string paid = "NOT (" + open + ") AND " + n + " % 25 <> 0";
  const std::string amount = "ROUND(pr.preis * (1 + (" + n + " % 7 = 0) + 2 * (" + n + " % 11 = 0)), 2)";
  const std::string by_card = n + " % 4 = 0";
  const std::string by_voucher = "NOT (" + by_card + ") AND " + n + " % 9 = 1";
  const std::string voucher_part = Tools::format("LEAST(%s, %s)", amount, std::to_string(VOUCHER));
  const std::string other =
      "IF(" + paid + ", IF(" + by_card + ", " + amount + ", IF(" + by_voucher + ", " + voucher_part + ", 0)), 0)";
  const std::string when = "DATE_SUB(NOW(), INTERVAL (" + std::to_string(lines) + " - " + n + ") * 157 SECOND)";
  const std::map<std::string, std::string> computed = {
      {"idx", "NULL"},
      {"hist_an_zeit", when},
      {"hist_an_user", "u.login"},
      {"hist_ae_zeit", "IF(" + open + ", '" + std::string(Tools::DBTypeDateTime::ZERO) + "', DATE_ADD(" + when +
                           ", INTERVAL 40 MINUTE))"},
      {"hist_ae_user", "IF(" + open + ", '', u.login)"},
      {"user", "u.login"},
      {"user_idx", "u.idx"},
      {"artnr", "pr.art_artnr"},
      {"artnr_idx", "pr.art_idx"},
      {"layoutk_idx", "tb.layout_idx"},
      {"layoutk_name", "tb.room"},
      {"layoutp_idx", "tb.idx"},
      {"layoutp_label_name", "tb.label_name"},
      {"storniert", "IF(" + cancelled + ", 'JA', 'NEIN')"},
      {"storno_user", "IF(" + cancelled + ", u.login, '')"},
      {"storno_user_idx", "IF(" + cancelled + ", u.idx, 0)"},
      {"anzahl", "1 + (" + n + " % 7 = 0) + 2 * (" + n + " % 11 = 0)"},
      {"preis_idx", "pr.idx"},
      {"preis", "pr.preis"},
      {"bezahlt", "IF(" + paid + ", 'JA', 'NEIN')"},
      {"sonst_bezahlt", other},
      {"bar_bezahlt", "IF(" + paid + ", " + amount + " - " + other + ", 0)"},
      {"sonst_art_name",
       "IF(" + paid + " AND " + by_card + ", 'Karte', IF(" + paid + " AND " + by_voucher + ", 'Gutschein', ''))"},
      {"sonst_art_idx", Tools::format("IF(%s AND %s, %d, IF(%s AND %s, %d, 0))", paid, by_card, card_idx, paid,
                                      by_voucher, voucher_idx)},
  };
  const BulkColumns bulk = bulk_columns(line, computed);
  std::string logins;
  for (const char *login : HISTORY_LOGINS)
    logins += std::string(logins.empty() ? "'" : ", '") + login + "'";
  // The sequence drives the join; each numbered list is looked up by its
  // number.
  return "INSERT INTO BONLINE (" + bulk.names + ") SELECT STRAIGHT_JOIN " + bulk.exprs + " FROM seq_1_to_" +
         std::to_string(lines) +
         " s"
         " JOIN (SELECT idx, login, ROW_NUMBER() OVER (ORDER BY idx) - 1 AS n FROM USER WHERE login IN (" +
         logins + ")) u ON u.n = s.seq % " + std::to_string(HISTORY_USERS) +
         " JOIN (SELECT idx, preis, art_idx, art_artnr, ROW_NUMBER() OVER (ORDER BY idx) - 1 AS n FROM PREIS) pr"
         " ON pr.n = (s.seq * 13) % " +
         std::to_string(prices) +
         " JOIN (SELECT t.idx, t.label_name, t.layout_idx, k.name AS room, ROW_NUMBER() OVER (ORDER BY t.idx) - 1"
         " AS n FROM LAYOUTP t JOIN LAYOUTK k ON k.idx = t.layout_idx) tb ON tb.n = (s.seq * 7) % " +
         std::to_string(ROOMS * TABLES_PER_ROOM) + " ORDER BY s.seq";
}

// A line written again after it was settled is the one fault the rows
// alone cannot show (a line paid twice carries the second payment only).
// The server notes each such write, inside the transaction that makes it:
// a rolled-back one leaves no note.
const char *const AUDIT_TABLE = "CREATE TABLE IF NOT EXISTS BENCH_SETTLED_WRITTEN ("
                                " idx INT NOT NULL AUTO_INCREMENT PRIMARY KEY,"
                                " line INT NOT NULL, was VARCHAR(40) NOT NULL, became VARCHAR(40) NOT NULL,"
                                " by_user VARCHAR(20) NOT NULL) ENGINE = INNODB";
const char *const AUDIT_TRIGGER =
    "CREATE TRIGGER IF NOT EXISTS bench_settled_written AFTER UPDATE ON BONLINE FOR EACH ROW "
    "IF OLD.bezahlt = 'JA' OR OLD.storniert = 'JA' THEN "
    "INSERT INTO BENCH_SETTLED_WRITTEN (line, was, became, by_user) VALUES (OLD.idx, "
    "CONCAT('bezahlt ', OLD.bezahlt, ', storniert ', OLD.storniert), "
    "CONCAT('bezahlt ', NEW.bezahlt, ', storniert ', NEW.storniert), NEW.hist_ae_user); "
    "END IF";

bool seed_house(Tools::Database &db, long history)
{
  const Clock::time_point started = Clock::now();
  bool ok = true;
  for (const char *login : HISTORY_LOGINS) {
    USER u;
    u.login = std::string(login);
    u.vor_name = std::string(login);
    u.nach_name = std::string("Service");
    u.passwd = std::string("geheim");
    ok = ok && store(db, u) > 0;
  }
  GRP_UST full, reduced;
  full.name = std::string("voll");
  full.bezeichnung = std::string("Getränke");
  full.ust = 19.0;
  reduced.name = std::string("ermäßigt");
  reduced.bezeichnung = std::string("Speisen");
  reduced.ust = 7.0;
  full.idx = store(db, full);
  reduced.idx = store(db, reduced);
  ok = ok && full.idx.value > 0 && reduced.idx.value > 0;
  for (int a = 0; a < ARTICLE_COUNT && ok; ++a) {
    const ArticleSeed &seed = ARTICLES[a];
    const GRP_UST &vat = seed.food ? reduced : full;
    ART art;
    art.artnr = std::to_string(100 + a);
    art.bezeichnung = std::string(seed.name);
    art.gruppe_ust = vat.name.value;
    art.gruppe_ust_idx = vat.idx.value;
    art.idx = store(db, art);
    ok = art.idx.value > 0;
    // An article is found under its group; the soft drinks and coffees
    // also under "Alkoholfrei".
    std::vector<std::string> groups{seed.group};
    const std::string name = seed.name;
    if (std::string(seed.group) == "Kaffee" || name == "Cola" || name == "Limonade" || name == "Wasser" ||
        name == "Apfelschorle" || name == "Bier alkoholfrei")
      groups.push_back("Alkoholfrei");
    for (const std::string &g : groups) {
      GRP_ART member;
      member.name = g;
      member.bezeichnung = "Gruppe " + g;
      member.art_artnr = art.artnr.value;
      member.art_idx = art.idx.value;
      ok = ok && store(db, member) > 0;
    }
    PREIS price;
    price.art_artnr = art.artnr.value;
    price.art_idx = art.idx.value;
    price.preis = seed.price;
    price.bezeichnung = std::string(seed.second_price > 0 ? "normal" : "");
    price.menuepreis = name == "Tagesmenü" ? JANEIN::JA : JANEIN::NEIN;
    ok = ok && store(db, price) > 0;
    if (seed.second_price > 0) {
      price.preis = seed.second_price;
      price.bezeichnung = std::string(seed.second_name);
      ok = ok && store(db, price) > 0;
    }
  }
  SONST_ART card, voucher;
  card.name = std::string("Karte");
  card.bezeichnung = std::string("EC- und Kreditkarte");
  card.wert = 0.0;
  voucher.name = std::string("Gutschein");
  voucher.bezeichnung = Tools::format("Gutschein über %s Euro", Tools::money_text(VOUCHER));
  voucher.wert = VOUCHER;
  card.idx = store(db, card);
  voucher.idx = store(db, voucher);
  ok = ok && card.idx.value > 0 && voucher.idx.value > 0;
  const int prices = static_cast<int>(count_of(db, "select count(*) from PREIS"));
  for (int r = 0; r < ROOMS && ok; ++r) {
    LAYOUTK room;
    room.name = std::string(ROOM_NAMES[r]);
    room.width = 1000;
    room.height = 600;
    room.idx = store(db, room);
    ok = room.idx.value > 0;
    // The same table names in every room: lines go by keys, not names.
    for (int t = 0; t < TABLES_PER_ROOM && ok; ++t) {
      LAYOUTP table;
      table.layout_idx = room.idx.value;
      table.label_name = Tools::format("T%d", t + 1);
      table.label_x = 20 + (t % 6) * 160;
      table.label_y = 20 + (t / 6) * 110;
      table.label_width = 80;
      table.label_height = 50;
      ok = store(db, table) > 0;
    }
  }
  ok = ok && run(db, "commit");
  // The history as one statement on the server; its rows name existing
  // users, articles and tables by construction, and the checks at the end
  // prove that for every row.
  ok = ok && run(db, "SET FOREIGN_KEY_CHECKS=0") &&
       (history <= 0 || run(db, history_sql(history, prices, card.idx.value, voucher.idx.value))) &&
       run(db, "commit") && run(db, "SET FOREIGN_KEY_CHECKS=1") && run(db, "ANALYZE TABLE BONLINE") &&
       run(db, "commit");
  if (ok)
    std::printf("house: %d rooms x %d tables, %d articles, %lld prices, 2 payment kinds, %ld lines of history "
                "(seeded in %.1f s)\n",
                ROOMS, TABLES_PER_ROOM, ARTICLE_COUNT, static_cast<long long>(prices), history, seconds_since(started));
  db.rollback();
  return ok;
}

// The master data as every station holds it: records of its own, read
// from the database (a kept house is used as it is).
struct Floor
{
  std::vector<Tools::Ref<LAYOUTK> > rooms;
  std::vector<Tools::Ref<LAYOUTP> > tables;
  std::vector<std::size_t> table_room; // index into rooms
  std::vector<Tools::Ref<ART> > articles;
  std::vector<std::vector<Tools::Ref<PREIS> > > prices; // per article
  Tools::Ref<SONST_ART> card, voucher;

  bool load(Tools::Database &db)
  {
    std::vector<Tools::Ref<PREIS> > all_prices;
    std::vector<Tools::Ref<SONST_ART> > kinds;
    if (Tools::select_rows<LAYOUTK>(db, "LAYOUTK", rooms, "order by idx") <= 0 ||
        Tools::select_rows<LAYOUTP>(db, "LAYOUTP", tables, "order by idx") <= 0 ||
        Tools::select_rows<ART>(db, "ART", articles, "order by idx") <= 0 ||
        Tools::select_rows<PREIS>(db, "PREIS", all_prices, "order by idx") <= 0 ||
        Tools::select_rows<SONST_ART>(db, "SONST_ART", kinds, "order by idx") < 0) {
      db.rollback();
      return false;
    }
    db.rollback();
    for (const Tools::Ref<LAYOUTP> &t : tables) {
      std::size_t r = 0;
      while (r < rooms.size() && rooms[r]->idx.value != t->layout_idx.value)
        ++r;
      if (r == rooms.size())
        return false;
      table_room.push_back(r);
    }
    for (const Tools::Ref<ART> &a : articles) {
      prices.emplace_back();
      for (const Tools::Ref<PREIS> &p : all_prices)
        if (p->art_idx.value == a->idx.value)
          prices.back().push_back(p);
    }
    // Articles without a price cannot be booked.
    for (std::size_t a = articles.size(); a-- > 0;)
      if (prices[a].empty()) {
        articles.erase(articles.begin() + static_cast<long>(a));
        prices.erase(prices.begin() + static_cast<long>(a));
      }
    for (const Tools::Ref<SONST_ART> &k : kinds)
      (k->wert.value > 0 ? voucher : card) = k;
    return !articles.empty() && card.valid() && voucher.valid();
  }
};

// ------------------------------------------------------------- the stations

enum Kind
{
  VIEW,
  BOOK,
  STORNO,
  MOVE,
  PAY_CASH,
  PAY_SPLIT,
  KINDS
};
const char *const KIND_NAMES[KINDS] = {"view (list)", "book 1-3", "storno", "move", "pay cash", "pay split"};

// The refusals a station may meet; anything else is a fault.
enum Refusal
{
  CHANGED,
  BUSY,
  DEADLOCK,
  REFUSALS
};

struct KindStats
{
  long done = 0;
  long refused[REFUSALS] = {0, 0, 0};
  long killed = 0;       // failed because the connection was killed
  long faults = 0;       // failed or refused for no known reason
  long lines = 0;        // lines that a done action booked or settled
  std::vector<float> ms; // every finished attempt, done or refused

  void add(const KindStats &o)
  {
    done += o.done;
    for (int r = 0; r < REFUSALS; ++r)
      refused[r] += o.refused[r];
    killed += o.killed;
    faults += o.faults;
    lines += o.lines;
    ms.insert(ms.end(), o.ms.begin(), o.ms.end());
  }
};

// A payment a station counted as done: the parts it handed over.
struct Payment
{
  int station = 0;
  Kind kind = PAY_CASH;
  std::vector<int> lines;
  long long cash = 0, other = 0; // cents
  int other_kind = 0;            // SONST_ART idx; 0 for cash alone
};

struct Shared
{
  std::string database;
  std::atomic<bool> go{false};
  std::atomic<bool> stop{false};
  Clock::time_point deadline;
  // Kills that reached a station, by the kind of action they cut off.
  std::atomic<long> landed[KINDS] = {};
};

class Station
{
public:
  // Read by the main and the killer thread.
  std::atomic<bool> connected_once{false};
  std::atomic<long> connection_id{0};
  std::atomic<int> acting{-1}; // the Kind of the action under way, or -1
  std::atomic<long long> acting_since{0}; // when it began (the clock's ticks)
  // The connection the killer last killed or tried to: a lost
  // connection of that id was killed, any other was not.
  std::atomic<long> killed_connection{0};

  // The results; read by the main thread after the join.
  std::string login;
  KindStats stats[KINDS];
  long booked = 0;           // lines stored and counted
  long stored_after_all = 0; // bookings whose commit answer a kill took, found stored
  long reconnects = 0;
  std::vector<std::string> faults;
  std::vector<int> settled; // lines this station paid or cancelled
  std::vector<Step> steps;
  std::vector<Payment> payments;
  int user_idx = 0;
  bool ready = false;

  Station(const std::string &l, int number, Shared &s, unsigned seed) : login(l), index(number), shared(s), rng(seed)
  {
  }

  void run()
  {
    ready = connect() && floor.load(*db);
    if (!ready)
      fault(VIEW, "the station cannot connect or read the house");
    connected_once.store(true);
    while (!shared.go.load() && !shared.stop.load())
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    while (ready && !shared.stop.load() && Clock::now() < shared.deadline)
      serve_one_table();
    db = Tools::Ref<Tools::Database>();
    connection_id.store(0);
  }

private:
  const int index;
  Shared &shared;
  std::mt19937 rng;
  Floor floor;
  USER user;
  Tools::Ref<Tools::Database> db;

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

  void fault(Kind kind, const std::string &what)
  {
    stats[kind].faults++;
    if (faults.size() < 20)
      faults.push_back(Tools::format("%s: %s", KIND_NAMES[kind], what));
  }

  // As a new station does: a connection, then the login.
  bool connect()
  {
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      db = shared_connect();
      if (!db->is_connected())
        continue;
      std::vector<Tools::Ref<USER> > found;
      const long id = std::atol(value_of(*db, "select connection_id()", "0").c_str());
      if (Tools::select_rows<USER>(*db, "USER", found,
                                   Tools::format("where login = '%s' and passwd = 'geheim'", login)) != 1 ||
          id <= 0) {
        db->rollback();
        continue;
      }
      db->rollback();
      user = *found[0];
      user_idx = user.idx.value;
      connection_id.store(id);
      return true;
    }
    return false;
  }

  Tools::Ref<Tools::Database> shared_connect() { return connect_to(shared.database); }

  // The connection died under `kind`: was that a kill? Either way a new
  // connection; a booking under way is looked up before going on.
  void connection_failed(Kind kind, std::string error, bool booking)
  {
    for (;;) {
      const long old_id = connection_id.load();
      if (killed_connection.load() == old_id) {
        stats[kind].killed++;
        shared.landed[kind]++;
      } else
        fault(kind, "connection lost without a kill: " + error);
      connection_id.store(0);
      db = Tools::Ref<Tools::Database>();
      ++reconnects;
      if (!connect()) {
        fault(kind, "cannot connect again");
        ready = false;
        return;
      }
      if (!booking || find_lost_booking(kind, old_id))
        return;
      // The new connection died while it looked: once more.
      error = db->get_error();
    }
  }

  // The commit of a booking may have reached the server before the kill:
  // once the server has ended the old session, the rows carrying this
  // station's user tell. False when this connection was lost meanwhile.
  bool find_lost_booking(Kind kind, long old_id)
  {
    for (int i = 0; i < 500; ++i) {
      const long long left = count_of(*db, Tools::format("select count(*) from information_schema.processlist "
                                                         "where id = %s",
                                                         std::to_string(old_id)));
      if (left == 0)
        break;
      if (left < 0 && db->connection_lost())
        return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const long long stored = count_of(*db, Tools::format("select count(*) from BONLINE where user = '%s'", login));
    if (stored < 0 && db->connection_lost())
      return false;
    db->rollback();
    if (stored == booked + 1) {
      ++booked;
      ++stored_after_all;
    } else if (stored != booked)
      fault(kind, Tools::format("%s lines carry the user after a kill, %s were counted", std::to_string(stored),
                                std::to_string(booked)));
    return true;
  }

  enum Ended
  {
    DONE,
    REFUSED,
    CUT_OFF, // the connection died: stored or not, nobody can tell
    FAILED,
  };

  // How an action ended; a lost connection is made again here.
  Ended outcome(Kind kind, const Orders::Result &r, double ms, bool booking)
  {
    switch (r.outcome) {
    case Orders::DONE:
      stats[kind].done++;
      stats[kind].ms.push_back(static_cast<float>(ms));
      return DONE;
    case Orders::CHANGED_ELSEWHERE:
    case Orders::BUSY_ELSEWHERE:
    case Orders::DEADLOCK: {
      const Refusal k = r.outcome == Orders::CHANGED_ELSEWHERE ? CHANGED
                        : r.outcome == Orders::BUSY_ELSEWHERE  ? BUSY
                                                               : DEADLOCK;
      stats[kind].refused[k]++;
      stats[kind].ms.push_back(static_cast<float>(ms));
      if (!*r.text())
        fault(kind, "a refusal without words");
      return REFUSED;
    }
    case Orders::FAILED:
      if (r.connection_lost || db->connection_lost()) {
        connection_failed(kind, r.error, booking);
        return CUT_OFF;
      }
      fault(kind, "failed: " + r.error + " in " + r.statement.substr(0, 200));
      db->rollback();
      return FAILED;
    default:
      // A refusal this load never asks for: no user, more than the bill,
      // no kind chosen.
      fault(kind, Tools::format("refused: %s", r.text()));
      return FAILED;
    }
  }

  // An action under way: the killer aims by its kind; the clock brackets
  // it, so that afterwards its place among other stations' actions on the
  // same line is known as far as the clock can tell.
  struct Span
  {
    Clock::time_point t0, t1;
    double ms() const { return std::chrono::duration<double, std::milli>(t1 - t0).count(); }
  };
  struct Act
  {
    Station &s;
    Span span;
    Act(Station &st, Kind kind) : s(st)
    {
      span.t0 = Clock::now();
      s.acting_since.store(span.t0.time_since_epoch().count());
      s.acting.store(kind);
    }
    ~Act() { s.acting.store(-1); }
    Span end()
    {
      span.t1 = Clock::now();
      return span;
    }
  };

  // Notes what a done or cut-off action did to each of its lines.
  void note(Ended ended, Kind kind, const Span &act, const std::vector<Tools::Ref<BONLINE> > &lines, std::size_t from,
            std::size_t count, std::size_t target = 0)
  {
    if (ended != DONE && ended != CUT_OFF)
      return;
    for (std::size_t i = from; i < from + count && i < lines.size(); ++i) {
      Step step;
      step.line = lines[i]->idx.value;
      step.station = index;
      step.kind = kind;
      step.effect = kind == MOVE ? Step::MOVE : kind == STORNO ? Step::CANCEL : Step::PAY;
      step.sure = ended == DONE;
      step.t0 = act.t0;
      step.t1 = act.t1;
      step.seen_room = lines[i]->layoutk_idx.value;
      step.seen_table = lines[i]->layoutp_idx.value;
      if (kind == MOVE) {
        step.to_room = floor.rooms[floor.table_room[target]]->idx.value;
        step.to_table = floor.tables[target]->idx.value;
      }
      steps.push_back(step);
    }
  }

  // What the order-line window shows of a table: its open lines, counted
  // and read as its list does.
  bool view(std::size_t table, std::vector<Tools::Ref<BONLINE> > &lines)
  {
    const std::string where =
        Orders::open_lines_where(floor.rooms[floor.table_room[table]]->idx.value, floor.tables[table]->idx.value);
    Orders::Result r;
    Span span;
    {
      Act act(*this, VIEW);
      Tools::DBErg<Tools::DBRowList> counted = db->exec("select count(*) from BONLINE " + where);
      if (!counted.ok || Tools::select_rows<BONLINE>(*db, "BONLINE", lines, where) < 0) {
        r.outcome = Orders::FAILED;
        r.error = db->get_error();
        r.statement = db->get_last_query();
        r.connection_lost = db->connection_lost();
      }
      span = act.end();
    }
    return outcome(VIEW, r, span.ms(), false) == DONE;
  }

  Orders::SeenLines seen(const std::vector<Tools::Ref<BONLINE> > &lines, std::size_t from, std::size_t count)
  {
    Orders::SeenLines out;
    for (std::size_t i = from; i < from + count && i < lines.size(); ++i)
      out.push_back(Orders::seen(*lines[i]));
    return out;
  }

  // A run of neighbouring lines, as a drag over the list selects them:
  // mostly all of them, sometimes a part (guests paying apart).
  void some(std::size_t n, std::size_t &from, std::size_t &count)
  {
    if (n <= 1 || pick(10) < 7) {
      from = 0;
      count = n;
      return;
    }
    count = 1 + static_cast<std::size_t>(pick(static_cast<int>(n - 1)));
    from = static_cast<std::size_t>(pick(static_cast<int>(n - count + 1)));
  }

  void serve_one_table()
  {
    const std::size_t table = static_cast<std::size_t>(pick(static_cast<int>(floor.tables.size())));
    std::vector<Tools::Ref<BONLINE> > lines;
    if (!view(table, lines))
      return;
    Kind kind = BOOK;
    if (!lines.empty()) {
      const int r = pick(100);
      kind = r < 45 ? BOOK : r < 50 ? STORNO : r < 57 ? MOVE : r < 80 ? PAY_CASH : PAY_SPLIT;
    }
    Orders orders(*db, user);
    std::size_t from = 0, count = 0;
    Orders::Result r;
    Span span;
    switch (kind) {
    case BOOK: {
      // One to three lines, each stored on its own as the entry dialog
      // does; mostly one of a kind, now and then two or four.
      const int n = 1 + pick(3);
      int stored = 0;
      {
        Act act(*this, BOOK);
        for (int i = 0; i < n && r.done(); ++i) {
          const std::size_t a = static_cast<std::size_t>(pick(static_cast<int>(floor.articles.size())));
          const auto &prices = floor.prices[a];
          const PREIS &price = *prices[static_cast<std::size_t>(pick(static_cast<int>(prices.size())))];
          const int anzahl = pick(8) == 0 ? 2 + 2 * pick(2) : 1;
          r = orders.book(*floor.articles[a], price, *floor.rooms[floor.table_room[table]], *floor.tables[table],
                          anzahl);
          if (r.done())
            ++stored;
        }
        span = act.end();
      }
      booked += stored;
      stats[BOOK].lines += stored;
      outcome(BOOK, r, span.ms(), true);
      return;
    }
    case STORNO: {
      from = static_cast<std::size_t>(pick(static_cast<int>(lines.size())));
      {
        Act act(*this, STORNO);
        r = orders.cancel(Orders::seen(*lines[from]));
        span = act.end();
      }
      const Ended ended = outcome(STORNO, r, span.ms(), false);
      note(ended, STORNO, span, lines, from, 1);
      if (ended == DONE) {
        settled.push_back(lines[from]->idx.value);
        stats[STORNO].lines++;
      }
      return;
    }
    case MOVE: {
      some(lines.size(), from, count);
      // Mostly to a table of the same room.
      std::size_t target = table;
      while (target == table) {
        target = static_cast<std::size_t>(pick(static_cast<int>(floor.tables.size())));
        if (pick(10) < 7 && floor.table_room[target] != floor.table_room[table])
          target = table;
      }
      {
        Act act(*this, MOVE);
        r = orders.move(seen(lines, from, count), *floor.rooms[floor.table_room[target]], *floor.tables[target]);
        span = act.end();
      }
      const Ended ended = outcome(MOVE, r, span.ms(), false);
      note(ended, MOVE, span, lines, from, count, target);
      if (ended == DONE)
        stats[MOVE].lines += static_cast<long>(count);
      return;
    }
    case PAY_CASH:
    case PAY_SPLIT: {
      some(lines.size(), from, count);
      long long total = 0;
      for (std::size_t i = from; i < from + count; ++i)
        total += Tools::line_cents(lines[i]->preis.value, lines[i]->anzahl.value);
      Payment paid;
      paid.station = index;
      paid.kind = kind;
      paid.cash = total;
      {
        Act act(*this, kind);
        if (kind == PAY_CASH)
          r = orders.pay_cash(seen(lines, from, count));
        else if (pick(5) < 3) {
          // By card: all of it, or a part with the rest in cash.
          paid.cash = pick(2) ? 0 : std::uniform_int_distribution<long long>(0, total)(rng);
          paid.other_kind = floor.card->idx.value;
          r = orders.pay(seen(lines, from, count), Tools::from_cents(paid.cash), *floor.card);
        } else {
          // A voucher pays up to its value, cash the rest.
          paid.cash = total - std::min(total, Tools::to_cents(floor.voucher->wert.value));
          paid.other_kind = floor.voucher->idx.value;
          r = orders.pay(seen(lines, from, count), Tools::from_cents(paid.cash), *floor.voucher);
        }
        span = act.end();
      }
      paid.other = total - paid.cash;
      const Ended ended = outcome(kind, r, span.ms(), false);
      note(ended, kind, span, lines, from, count);
      if (ended == DONE) {
        for (std::size_t i = from; i < from + count; ++i) {
          settled.push_back(lines[i]->idx.value);
          paid.lines.push_back(lines[i]->idx.value);
        }
        stats[kind].lines += static_cast<long>(count);
        payments.push_back(paid);
      }
      return;
    }
    default:
      return;
    }
  }
};

struct Kills
{
  long sent = 0;
  long missed = 0;         // KILL refused: the session was ending anyway
  long none_in_kind = 0;   // no station began an action of the kind aimed at in time
  long aimed[KINDS] = {};  // by the kind the station was in when its kill was sent
  std::string trouble;
};

// Every `every` seconds one station's connection is killed by the server
// while the station is inside an action. Each kill aims at the kind of
// action that kills have cut off least so far (Storno and moves are rare
// in service), so that a run of a minute reaches every kind: it waits
// until some station is in an action of that kind, then kills it there.
void killer(Shared &shared, std::vector<std::unique_ptr<Station> > &stations, double every, Kills &kills)
{
  Tools::Ref<Tools::Database> admin = connect_to(shared.database);
  if (!admin->is_connected()) {
    kills.trouble = "the killer cannot connect: " + admin->get_error();
    return;
  }
  const Kind order[] = {BOOK, STORNO, MOVE, PAY_SPLIT, PAY_CASH, VIEW};
  int turn = 0;
  Clock::time_point next =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(every));
  while (!shared.stop.load()) {
    if (Clock::now() < next) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    next += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(every));
    Kind aim = order[turn++ % KINDS];
    for (Kind k : order)
      if (shared.landed[k].load() < shared.landed[aim].load())
        aim = k;
    // Mid-action of that kind, in any station, waiting a second at most;
    // else mid-action of any kind, as a kill comes in service. Of several,
    // the one whose action began last: the kill must arrive before it ends.
    Station *target = nullptr;
    long id = 0;
    int in = -1;
    for (const int wanted : {static_cast<int>(aim), -1}) {
      const Clock::time_point give_up = Clock::now() + std::chrono::seconds(1);
      while (!target && Clock::now() < give_up && !shared.stop.load()) {
        long long latest = 0;
        for (const auto &station : stations) {
          const int kind = station->acting.load();
          const long long since = station->acting_since.load();
          const long connection = station->connection_id.load();
          if (kind >= 0 && (wanted < 0 || kind == wanted) && connection > 0 && (!target || since > latest)) {
            target = station.get();
            latest = since;
            id = connection;
            in = kind;
          }
        }
        if (!target)
          std::this_thread::sleep_for(std::chrono::microseconds(20));
      }
      if (target)
        break;
      if (wanted >= 0 && !shared.stop.load())
        ++kills.none_in_kind;
    }
    if (!target)
      continue;
    // Named before it is sent: the station, seeing its connection die,
    // must find the kill already there.
    target->killed_connection.store(id);
    if (admin->exec(Tools::format("KILL CONNECTION %s", std::to_string(id))).ok) {
      ++kills.sent;
      ++kills.aimed[in];
    } else
      ++kills.missed; // the station's old session, which was ending anyway
  }
}

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

// The section of the server's InnoDB report on the last deadlock.
std::string latest_deadlock(Tools::Database &db)
{
  const std::vector<std::vector<std::string> > rows = rows_of(db, "SHOW ENGINE INNODB STATUS");
  db.rollback();
  const std::string status_text = !rows.empty() && rows[0].size() >= 3 ? rows[0][2] : std::string();
  const std::size_t from = status_text.find("LATEST DETECTED DEADLOCK");
  if (from == std::string::npos)
    return std::string();
  const std::size_t to = status_text.find("\nTRANSACTIONS\n", from);
  return status_text.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

// ----------------------------------------------------------------- a run

struct Check
{
  std::string rule;
  long long broken;
  std::string detail;
};

// The lines the stations acted on, followed through their actions.
struct Followed
{
  std::vector<Check> checks; // paid, cancelled, moved
  long lines = 0, steps = 0, cut_off = 0, undecided = 0;
};

struct RunResult
{
  int stations = 0;
  double seconds = 0;
  double kill_every = 0;
  Kills kills;
  KindStats kinds[KINDS];
  Followed followed;
  long booked = 0, stored_after_all = 0, reconnects = 0;
  std::vector<Check> checks;
  double load_before = 0, load_after = 0;
  double server_cores = -1, client_cores = -1, other_cores = -1;
  long long lock_waits = 0, lock_wait_ms = 0, deadlocks = 0, commits = 0, rollbacks = 0, statements = 0;
  long long pages_read = 0, log_waits = 0; // from the disk: the buffer pool too small; the log buffer full
  std::string deadlock_report;
  bool broken() const
  {
    for (const Check &c : checks)
      if (c.broken != 0)
        return true;
    return false;
  }
};

float percentile(std::vector<float> v, double p)
{
  if (v.empty())
    return 0;
  std::sort(v.begin(), v.end());
  const std::size_t rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(v.size())));
  return v[std::min(v.size() - 1, rank == 0 ? 0 : rank - 1)];
}

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

// ------------------------------------------ what each action left behind

// Every action a station counted as done must stand on the server as the
// station did it: a line it paid is paid by it, where it saw the line,
// with the parts it handed over; a line it cancelled carries its user as
// the Storno user; a line it moved stands on the target table, or later
// actions took it on from there. A lost update (a write that never
// arrived, or that a later one overwrote unseen) breaks one of these while
// the counts above still hold. Each line is followed through the actions
// of every station on it (LineFollower).
Followed follow_lines(Tools::Database &db, const std::vector<std::unique_ptr<Station> > &stations,
                      Clock::time_point began)
{
  Followed f;
  f.checks = {{"every line a station paid: paid by it where it saw the line, with the parts it handed over", 0, ""},
              {"every line a station cancelled: cancelled where it saw the line, its user the Storno user", 0, ""},
              {"every line a station moved: on the target table, or taken on from there by later actions", 0, ""}};
  std::map<int, std::vector<const Step *> > by_line;
  for (const auto &s : stations)
    for (const Step &step : s->steps) {
      by_line[step.line].push_back(&step);
      ++f.steps;
      f.cut_off += step.sure ? 0 : 1;
    }
  f.lines = static_cast<long>(by_line.size());
  std::map<std::string, int> station_of;
  for (std::size_t i = 0; i < stations.size(); ++i)
    station_of[stations[i]->login] = static_cast<int>(i);

  // The lines as they are now, and their amounts in cents.
  struct Stored
  {
    LineState state;
    long long cash = 0, other = 0;
    int other_kind = 0;
  };
  std::map<int, Stored> now;
  std::vector<int> keys;
  for (const auto &e : by_line)
    keys.push_back(e.first);
  for (const auto &s : stations)
    for (const Payment &p : s->payments)
      keys.insert(keys.end(), p.lines.begin(), p.lines.end());
  for (std::size_t at = 0; at < keys.size(); at += 500) {
    std::string list;
    for (std::size_t i = at; i < keys.size() && i < at + 500; ++i)
      list += (list.empty() ? "" : ",") + std::to_string(keys[i]);
    for (const std::vector<std::string> &row :
         rows_of(db, "select idx, layoutk_idx, layoutp_idx, bezahlt, storniert, hist_ae_user, storno_user,"
                     " storno_user_idx, bar_bezahlt, sonst_bezahlt, sonst_art_idx from BONLINE where idx in (" +
                         list + ")")) {
      if (row.size() != 11)
        continue;
      Stored st;
      st.state.room = std::atoi(row[1].c_str());
      st.state.table = std::atoi(row[2].c_str());
      const bool paid = row[3] == "JA", cancelled = row[4] == "JA";
      st.state.status = paid && !cancelled ? 'p' : cancelled && !paid ? 'c' : !paid && !cancelled ? 'o' : '?';
      const auto writer = station_of.find(row[5]);
      st.state.by = writer == station_of.end() ? -1 : writer->second;
      // A Storno names its station twice: as the writer and as its user.
      if (st.state.status == 'c' && (st.state.by < 0 || row[6] != row[5] ||
                                     std::atoi(row[7].c_str()) != stations[st.state.by]->user_idx))
        st.state.by = -2;
      st.cash = Tools::to_cents(std::atof(row[8].c_str()));
      st.other = Tools::to_cents(std::atof(row[9].c_str()));
      st.other_kind = std::atoi(row[10].c_str());
      now[std::atoi(row[0].c_str())] = st;
    }
  }
  db.rollback();

  Floor floor;
  floor.load(db);
  auto place = [&](int room, int table) {
    for (std::size_t t = 0; t < floor.tables.size(); ++t)
      if (floor.tables[t]->idx.value == table && floor.rooms[floor.table_room[t]]->idx.value == room)
        return Tools::format("%s %s", floor.rooms[floor.table_room[t]]->name.value,
                             floor.tables[t]->label_name.value);
    return Tools::format("room %d table %d", room, table);
  };
  auto who = [&](int by) {
    return by >= 0 ? stations[static_cast<std::size_t>(by)]->login
                   : by == -1 ? std::string("nobody of this run") : std::string("a Storno user not its writer");
  };
  auto state_text = [&](const LineState &s) {
    const char *status = s.status == 'o' ? "open" : s.status == 'p' ? "paid" : s.status == 'c' ? "cancelled" : "gone";
    return Tools::format("%s, %s, last written by %s", place(s.room, s.table), status, who(s.by));
  };
  auto at = [&](Clock::time_point t) { return std::chrono::duration<double>(t - began).count(); };

  for (const auto &e : by_line) {
    const auto found = now.find(e.first);
    LineState state;
    state.status = '?';
    if (found != now.end())
      state = found->second.state;
    LineFollower follower(e.second, state);
    const int explained = follower.explained();
    if (explained < 0)
      ++f.undecided;
    if (explained != 0)
      continue;
    const Step::Effect guilty = follower.to_blame()->effect;
    Check &c = f.checks[guilty == Step::CANCEL ? 1 : guilty == Step::MOVE ? 2 : 0];
    if (++c.broken > 5)
      continue;
    c.detail += Tools::format("\n      line %d, now %s:", e.first, state_text(state));
    for (const Step *s : follower.in_order())
      c.detail += printed("\n        %.3f to %.3f s: %s, %s%s, at %s%s", at(s->t0), at(s->t1),
                          who(s->station).c_str(), s->sure ? "" : "cut off, ", KIND_NAMES[s->kind],
                          place(s->seen_room, s->seen_table).c_str(),
                          s->effect == Step::MOVE ? (" to " + place(s->to_room, s->to_table)).c_str() : "");
  }

  // The parts of every payment, as handed over.
  for (const auto &s : stations)
    for (const Payment &p : s->payments) {
      long long cash = 0, other = 0;
      bool kind_named = true;
      std::string lines;
      for (int line : p.lines) {
        const Stored &st = now[line];
        cash += st.cash;
        other += st.other;
        kind_named = kind_named && (st.other == 0 || st.other_kind == p.other_kind);
        lines += (lines.empty() ? "" : ", ") + std::to_string(line);
      }
      if (cash == p.cash && other == p.other && kind_named)
        continue;
      if (++f.checks[0].broken <= 5)
        f.checks[0].detail +=
            printed("\n      %s, %s, lines %s: handed over %.2f cash + %.2f other (kind %d), stored %.2f + %.2f%s",
                    s->login.c_str(), KIND_NAMES[p.kind], lines.c_str(), Tools::from_cents(p.cash),
                    Tools::from_cents(p.other), p.other_kind, Tools::from_cents(cash), Tools::from_cents(other),
                    kind_named ? "" : ", another kind named");
    }
  return f;
}

std::vector<Check> check_house(Tools::Database &db, const std::vector<std::unique_ptr<Station> > &stations,
                               const Followed &followed)
{
  std::vector<Check> checks;
  auto sql_check = [&](const std::string &rule, const std::string &sql, const std::string &detail_sql) {
    Check c{rule, count_of(db, sql), ""};
    if (c.broken != 0 && !detail_sql.empty())
      for (const std::vector<std::string> &row : rows_of(db, detail_sql + " limit 5")) {
        std::string line;
        for (const std::string &cell : row)
          line += (line.empty() ? "" : " | ") + cell;
        c.detail += "\n      " + line;
      }
    db.rollback();
    checks.push_back(c);
  };

  std::map<int, int> settled;
  for (const auto &s : stations)
    for (int idx : s->settled)
      ++settled[idx];
  long long twice = 0;
  std::string twice_detail;
  for (const auto &e : settled)
    if (e.second > 1) {
      ++twice;
      if (twice <= 5)
        twice_detail += Tools::format("\n      line %d settled by %d actions", e.first, e.second);
    }

  sql_check("no line paid twice, or both paid and cancelled",
            "select (select count(*) from BONLINE where bezahlt = 'JA' and storniert = 'JA')"
            " + (select count(*) from BENCH_SETTLED_WRITTEN)",
            "select 'paid and cancelled', idx, '' from BONLINE where bezahlt = 'JA' and storniert = 'JA'"
            " union all select 'settled line written again', line, concat(was, ' -> ', became, ' by ', by_user)"
            " from BENCH_SETTLED_WRITTEN");
  checks.back().broken += twice;
  checks.back().detail += twice_detail;
  sql_check("every paid line: cash + other payment = price x quantity, to the cent",
            "select count(*) from BONLINE where bezahlt = 'JA' and (abs(bar_bezahlt + sonst_bezahlt -"
            " round(preis * anzahl, 2)) >= 0.005 or bar_bezahlt < 0 or sonst_bezahlt < 0)",
            "select idx, preis, anzahl, bar_bezahlt, sonst_bezahlt from BONLINE where bezahlt = 'JA' and"
            " (abs(bar_bezahlt + sonst_bezahlt - round(preis * anzahl, 2)) >= 0.005 or bar_bezahlt < 0 or"
            " sonst_bezahlt < 0)");
  sql_check("nothing half-written: no amount on an open line, other payments name their kind, a Storno its user",
            "select count(*) from BONLINE b where (b.bezahlt = 'NEIN' and (b.bar_bezahlt <> 0 or b.sonst_bezahlt"
            " <> 0)) or (b.storniert = 'JA' and (b.storno_user = '' or b.storno_user_idx = 0)) or"
            " (b.sonst_bezahlt > 0 and not exists (select 1 from SONST_ART k where k.idx = b.sonst_art_idx and"
            " k.name = b.sonst_art_name))",
            "select idx, bezahlt, storniert, bar_bezahlt, sonst_bezahlt, sonst_art_name, storno_user from BONLINE b"
            " where (b.bezahlt = 'NEIN' and (b.bar_bezahlt <> 0 or b.sonst_bezahlt <> 0)) or (b.storniert = 'JA'"
            " and (b.storno_user = '' or b.storno_user_idx = 0)) or (b.sonst_bezahlt > 0 and not exists (select"
            " 1 from SONST_ART k where k.idx = b.sonst_art_idx and k.name = b.sonst_art_name))");
  sql_check("no line on a table or room that does not exist",
            "select count(*) from BONLINE b left join LAYOUTP p on p.idx = b.layoutp_idx left join LAYOUTK k on"
            " k.idx = b.layoutk_idx where p.idx is null or k.idx is null or p.layout_idx <> b.layoutk_idx or"
            " binary p.label_name <> binary b.layoutp_label_name or binary k.name <> binary b.layoutk_name",
            "select b.idx, b.layoutk_idx, b.layoutk_name, b.layoutp_idx, b.layoutp_label_name from BONLINE b left"
            " join LAYOUTP p on p.idx = b.layoutp_idx left join LAYOUTK k on k.idx = b.layoutk_idx where p.idx is"
            " null or k.idx is null or p.layout_idx <> b.layoutk_idx or binary p.label_name <> binary"
            " b.layoutp_label_name or binary k.name <> binary b.layoutk_name");

  Check bookings{"every booking a station counted exists exactly once (rows of its user = its count)", 0, ""};
  std::map<std::string, long long> stored;
  std::string logins;
  for (const auto &s : stations)
    logins += (logins.empty() ? "'" : ", '") + s->login + "'";
  for (const std::vector<std::string> &row :
       rows_of(db, "select user, count(*) from BONLINE where user in (" + logins + ") group by user"))
    if (row.size() == 2)
      stored[row[0]] = std::atoll(row[1].c_str());
  db.rollback();
  for (const auto &s : stations)
    if (stored[s->login] != s->booked) {
      ++bookings.broken;
      bookings.detail += Tools::format("\n      %s: %s rows, %s counted", s->login, std::to_string(stored[s->login]),
                                       std::to_string(s->booked));
    }
  checks.push_back(bookings);
  checks.insert(checks.end(), followed.checks.begin(), followed.checks.end());

  Check refusals{"every refusal a known one in words; no failure but those a kill caused", 0, ""};
  for (const auto &s : stations) {
    for (int k = 0; k < KINDS; ++k)
      refusals.broken += s->stats[k].faults;
    for (const std::string &f : s->faults)
      refusals.detail += Tools::format("\n      %s: %s", s->login, f);
  }
  checks.push_back(refusals);

  Check worked{"every station got its work done (it connected, and it completed actions)", 0, ""};
  for (const auto &s : stations) {
    long done = 0;
    for (int k = BOOK; k < KINDS; ++k)
      done += s->stats[k].done;
    if (!s->ready || done == 0) {
      ++worked.broken;
      worked.detail += "\n      " + s->login + ": nothing done";
    }
  }
  checks.push_back(worked);
  return checks;
}

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
  // Each station logs in as a user of its own.
  const std::string tag = run_tag(run);
  std::vector<std::unique_ptr<Station> > stations;
  Shared shared;
  shared.database = database;
  for (int i = 0; i < count; ++i) {
    USER u;
    u.login = Tools::format("w%d-%s", i + 1, tag);
    u.vor_name = Tools::format("Platz %d", i + 1);
    u.nach_name = std::string("Freitag");
    u.passwd = std::string("geheim");
    if (store(*db, u) <= 0 || !db->commit()) {
      result.checks.push_back({"the run can store its users", 1, db->get_error()});
      return result;
    }
    stations.emplace_back(new Station(u.login.value, i, shared, static_cast<unsigned>(run * 1000 + i + 1)));
  }

  const long pid = server_pid(*db);
  std::vector<std::thread> threads;
  for (auto &s : stations)
    threads.emplace_back([&s] { s->run(); });
  for (auto &s : stations)
    while (!s->connected_once.load())
      std::this_thread::sleep_for(std::chrono::milliseconds(2));

  const ServerFigures before = server_figures(*db, pid);
  const double cpu_before = own_cpu_seconds();
  const double machine_before = machine_busy_seconds();
  result.load_before = load_average();
  const Clock::time_point started = Clock::now();
  shared.deadline = started + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  shared.go.store(true);

  std::thread kill_thread;
  if (kill_every > 0)
    kill_thread = std::thread([&] { killer(shared, stations, kill_every, result.kills); });
  for (std::thread &t : threads)
    t.join();
  result.seconds = seconds_since(started);
  shared.stop.store(true);
  if (kill_thread.joinable())
    kill_thread.join();

  const ServerFigures after = server_figures(*db, pid);
  const double machine_after = machine_busy_seconds();
  result.client_cores = (own_cpu_seconds() - cpu_before) / result.seconds;
  if (before.server_cpu >= 0 && after.server_cpu >= 0)
    result.server_cores = (after.server_cpu - before.server_cpu) / result.seconds;
  if (machine_before >= 0 && machine_after >= 0 && result.server_cores >= 0)
    result.other_cores = std::max(
        0.0, (machine_after - machine_before) / result.seconds - result.server_cores - result.client_cores);
  result.load_after = load_average();
  auto delta = [&](const char *name) {
    auto a = after.status.find(name), b = before.status.find(name);
    return a != after.status.end() && b != before.status.end() ? a->second - b->second : 0;
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
    result.deadlock_report = latest_deadlock(*db);

  for (const auto &s : stations) {
    for (int k = 0; k < KINDS; ++k)
      result.kinds[k].add(s->stats[k]);
    result.booked += s->booked;
    result.stored_after_all += s->stored_after_all;
    result.reconnects += s->reconnects;
  }
  result.followed = follow_lines(*db, stations, started);
  result.checks = check_house(*db, stations, result.followed);
  if (!result.kills.trouble.empty())
    result.checks.push_back({"the killer works", 1, result.kills.trouble});
  if (kill_every > 0 && result.seconds > 2 * kill_every && result.kills.sent == 0)
    result.checks.push_back({"connections were killed as asked", 1, "no kill reached a station"});
  return result;
}

// ------------------------------------------------------------- reporting

long actions_done(const RunResult &r)
{
  long n = 0;
  for (int k = BOOK; k < KINDS; ++k)
    n += r.kinds[k].done;
  return n;
}

float worst_p99(const RunResult &r)
{
  float worst = 0;
  for (int k = VIEW; k < KINDS; ++k)
    worst = std::max(worst, percentile(r.kinds[k].ms, 0.99));
  return worst;
}

// 5, 0.5: as short as the number allows.
std::string seconds_text(double seconds) { return printed("%g", seconds); }

// "view 2, book 1, storno 0, ...": a count per kind of action.
std::string per_kind(const long (&counts)[KINDS])
{
  std::string text;
  for (int k = VIEW; k < KINDS; ++k)
    text += Tools::format("%s%s %s", text.empty() ? "" : ", ", KIND_NAMES[k], std::to_string(counts[k]));
  return text;
}

bool every_kind_killed(const RunResult &r)
{
  for (int k = VIEW; k < KINDS; ++k)
    if (r.kinds[k].killed == 0)
      return false;
  return true;
}

void print_run(const RunResult &r)
{
  std::printf("\n%d station%s, %.1f s%s\n", r.stations, r.stations == 1 ? "" : "s", r.seconds,
              r.kill_every > 0 ? (", a connection killed every " + seconds_text(r.kill_every) + " s").c_str() : "");
  std::printf("machine: %u cores, load average %.1f before, %.1f after; cores used by the server %.2f, by the "
              "stations %.2f, by other work %.2f\n",
              std::thread::hardware_concurrency(), r.load_before, r.load_after, r.server_cores, r.client_cores,
              r.other_cores);
  std::printf("%-13s %9s %9s %10s %8s %10s %7s %8s %8s %8s\n", "action", "done/s", "lines/s", "changed/s", "busy/s",
              "deadlock/s", "killed", "p50 ms", "p99 ms", "max ms");
  KindStats all;
  for (int k = VIEW; k < KINDS; ++k) {
    const KindStats &s = r.kinds[k];
    if (k > VIEW)
      all.add(s);
    std::printf("%-13s %9.1f %9.1f %10.2f %8.2f %10.2f %7ld %8.2f %8.2f %8.2f\n", KIND_NAMES[k],
                static_cast<double>(s.done) / r.seconds, static_cast<double>(s.lines) / r.seconds,
                static_cast<double>(s.refused[CHANGED]) / r.seconds, static_cast<double>(s.refused[BUSY]) / r.seconds,
                static_cast<double>(s.refused[DEADLOCK]) / r.seconds, s.killed, percentile(s.ms, 0.5),
                percentile(s.ms, 0.99), percentile(s.ms, 1.0));
  }
  std::printf("%-13s %9.1f %9s %10.2f %8.2f %10.2f %7ld %8.2f %8.2f %8.2f\n", "all but view",
              static_cast<double>(all.done) / r.seconds, "", static_cast<double>(all.refused[CHANGED]) / r.seconds,
              static_cast<double>(all.refused[BUSY]) / r.seconds,
              static_cast<double>(all.refused[DEADLOCK]) / r.seconds, all.killed, percentile(all.ms, 0.5),
              percentile(all.ms, 0.99), percentile(all.ms, 1.0));
  if (r.kill_every > 0) {
    long landed[KINDS];
    for (int k = VIEW; k < KINDS; ++k)
      landed[k] = r.kinds[k].killed;
    std::printf("kills: %ld sent, aimed at %s; landed in %s; %ld refused (the session was ending), %ld times no "
                "station in the kind aimed at within 1 s (then in any); %ld reconnects; %ld booking%s found stored "
                "after a lost commit answer\n",
                r.kills.sent, per_kind(r.kills.aimed).c_str(), per_kind(landed).c_str(), r.kills.missed,
                r.kills.none_in_kind, r.reconnects, r.stored_after_all, r.stored_after_all == 1 ? "" : "s");
  }
  std::printf("server: %lld statements, %lld commits, %lld rollbacks, %lld row lock waits (%lld ms in all), %lld "
              "deadlocks, %lld pages read from disk, %lld waits for the log buffer\n",
              r.statements, r.commits, r.rollbacks, r.lock_waits, r.lock_wait_ms, r.deadlocks, r.pages_read,
              r.log_waits);
  if (!r.deadlock_report.empty())
    std::printf("the server's last deadlock:\n%s\n", r.deadlock_report.c_str());
  std::printf("followed %ld lines through %ld steps of done actions and %ld of actions a kill cut off (stored or "
              "not)%s\n",
              r.followed.lines, r.followed.steps - r.followed.cut_off, r.followed.cut_off,
              r.followed.undecided ? Tools::format("; %s lines with too many possible orders, not judged",
                                                   std::to_string(r.followed.undecided))
                                         .c_str()
                                   : "");
  for (const Check &c : r.checks)
    std::printf("  %-6s %s%s\n", c.broken ? "BROKEN" : "ok", c.rule.c_str(),
                c.broken ? (Tools::format(" (%s)", std::to_string(c.broken)) + c.detail).c_str() : "");
  std::fflush(stdout);
}

void print_series(const std::vector<RunResult> &runs)
{
  const RunResult *one = nullptr;
  for (const RunResult &r : runs)
    if (r.stations == 1 && r.kill_every == 0)
      one = &r;
  const double base = one ? static_cast<double>(actions_done(*one)) / one->seconds : 0;
  std::printf("\n%-8s %-6s %10s %7s %10s %7s %8s %-14s %6s %9s %6s %6s %-6s\n", "stations", "kills", "actions/s",
              "x one", "refused/s", "p50 ms", "p99 ms", "(worst action)", "cores", "per core", "other", "load",
              "rules");
  for (const RunResult &r : runs) {
    long refused = 0;
    KindStats all;
    for (int k = BOOK; k < KINDS; ++k) {
      all.add(r.kinds[k]);
      for (int f = 0; f < REFUSALS; ++f)
        refused += r.kinds[k].refused[f];
    }
    int worst = VIEW;
    for (int k = VIEW; k < KINDS; ++k)
      if (percentile(r.kinds[k].ms, 0.99) > percentile(r.kinds[worst].ms, 0.99))
        worst = k;
    const double rate = static_cast<double>(actions_done(r)) / r.seconds;
    const double cores = r.server_cores + r.client_cores;
    std::printf("%-8d %-6s %10.1f %7s %10.2f %7.2f %8.2f %-14s %6.2f %9.0f %6.2f %6.1f %-6s\n", r.stations,
                r.kill_every > 0 ? (seconds_text(r.kill_every) + "s").c_str() : "-", rate,
                base > 0 ? printed("%.2fx", rate / base).c_str() : "-", static_cast<double>(refused) / r.seconds,
                percentile(all.ms, 0.5), worst_p99(r), printed("(%s)", KIND_NAMES[worst]).c_str(), cores,
                cores > 0 ? rate / cores : 0.0, r.other_cores, std::max(r.load_before, r.load_after),
                r.broken() ? "BROKEN" : "held");
  }
  std::printf("(actions/s: the done actions but the views, p50 of those; p99 the worst kind's, the views too; "
              "cores: what the server and the stations used; per core: actions a second per core of those; "
              "other: cores other work took meanwhile, of %u; load: the higher load average before and after)\n",
              std::thread::hardware_concurrency());
  // The goals, stated; the times are not judged here.
  for (const RunResult &r : runs) {
    if (one && r.stations == 8 && r.kill_every == 0) {
      const double x = (static_cast<double>(actions_done(r)) / r.seconds) / base;
      std::printf("goal: 8 stations complete at least 3x one station's actions per second: %.2fx, %s\n", x,
                  x >= 3 ? "met" : "missed");
    }
    if (r.stations == 16)
      std::printf("goal: p99 of every action at most 100 ms at 16 stations%s: worst %.2f ms, %s\n",
                  r.kill_every > 0 ? " (with kills)" : "", worst_p99(r), worst_p99(r) <= 100 ? "met" : "missed");
    if (r.kill_every > 0)
      std::printf("goal: kills reach every kind of action (%d station%s, %.0f s): %s\n", r.stations,
                  r.stations == 1 ? "" : "s", r.seconds, every_kind_killed(r) ? "met" : "missed");
    if (r.stations == 16 || r.kill_every > 0)
      std::printf("goal: no rule broken at %d station%s%s: %s\n", r.stations, r.stations == 1 ? "" : "s",
                  r.kill_every > 0 ? " with kills" : "", r.broken() ? "missed" : "met");
  }
}

void write_json(const std::string &path, const std::vector<RunResult> &runs)
{
  std::ofstream out(path.c_str(), std::ios::trunc);
  out << "{\n  \"context\": {\"executable\": \"bench_stations\", \"num_cpus\": " << std::thread::hardware_concurrency()
      << "},\n  \"benchmarks\": [";
  bool first = true;
  for (const RunResult &r : runs)
    for (int k = VIEW; k < KINDS; ++k) {
      const KindStats &s = r.kinds[k];
      std::string name = KIND_NAMES[k];
      std::replace(name.begin(), name.end(), ' ', '_');
      out << (first ? "\n" : ",\n") << "    {\"name\": \"stations/" << r.stations
          << (r.kill_every > 0 ? "/kills/" : "/") << name
          << "\", \"run_type\": \"iteration\", \"iterations\": " << s.done
          << ", \"real_time\": " << percentile(s.ms, 0.5) << ", \"p99_ms\": " << percentile(s.ms, 0.99)
          << ", \"time_unit\": \"ms\", \"items_per_second\": " << static_cast<double>(s.done) / r.seconds
          << ", \"error_occurred\": " << (r.broken() ? "true" : "false") << "}";
      first = false;
    }
  out << "\n  ]\n}\n";
}

// The database layer prints every failed statement on standard output; a
// load meets refusals by the thousand, and the table must stay readable.
class Discard : public std::streambuf
{
protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

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
    Tools::Ref<Tools::Database> admin = connect_to("");
    if (!admin->is_connected()) {
      std::fprintf(stderr, "bench_stations: cannot reach the server: %s\n", admin->get_error().c_str());
      return 1;
    }
    std::string database = o.database;
    bool made = false;
    if (database.empty())
      database = Tools::format("korvan_bench_stations_%d", static_cast<int>(getpid()));
    const bool exists = count_of(*admin, "select count(*) from information_schema.tables where table_schema = '" +
                                             database + "' and table_name = 'LAYOUTK'") > 0 &&
                        count_of(*admin, "select count(*) from `" + database + "`.LAYOUTK") > 0;
    admin->rollback();
    if (!exists) {
      std::printf("bench_stations: a fresh house in database %s\n", database.c_str());
      std::fflush(stdout);
      made = true;
      Tools::Ref<Tools::Database> db;
      if (!korvan_test::fresh_database(database) || !(db = connect_to(database))->is_connected() ||
          !seed_house(*db, o.history)) {
        std::fprintf(stderr, "bench_stations: cannot build the house\n");
        if (!o.keep)
          run(*admin, "DROP DATABASE IF EXISTS `" + database + "`");
        return 1;
      }
    } else
      std::printf("bench_stations: the house in database %s as it is\n", database.c_str());
    {
      Tools::Ref<Tools::Database> db = connect_to(database);
      if (!db->is_connected() || !run(*db, AUDIT_TABLE) || !run(*db, AUDIT_TRIGGER) || !run(*db, "commit")) {
        std::fprintf(stderr, "bench_stations: cannot set up the audit of settled lines\n");
        return 1;
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
    }

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

    if (made && !o.keep)
      run(*admin, "DROP DATABASE IF EXISTS `" + database + "`");
    else
      std::printf("the house stays in database %s\n", database.c_str());
  } catch (const std::exception &e) {
    std::fprintf(stderr, "bench_stations: %s\n", e.what());
    status = 1;
  }
  if (kept)
    std::cout.rdbuf(kept);
  return status;
}
