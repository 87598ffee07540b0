#include "bench/stations/house.h"

#include <cstdio>
#include <map>
#include <string>

#include "bench/stations/common.h"
#include "tools/core/format.h"
#include "tools/core/money.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"

namespace friday {

namespace {

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

} // namespace

int store(Tools::Database &db, Tools::DBBindType &row)
{
  if (!Tools::insert_object(db, row)) {
    std::fprintf(stderr, "bench_stations: cannot store a row: %s\n%s\n", db.get_error().c_str(),
                 db.get_last_query().c_str());
    return 0;
  }
  return db.get_insert_id();
}

namespace {

// The columns of a line of history that vary with its number `s.seq` of
// the sequence: its user, article, price and table taken round-robin from
// the master data, its state and amounts computed from the number. The
// newest OPEN_AT_START lines are still open (tonight's first guests); of
// the rest every 25th was cancelled, the others paid: a quarter by card,
// every ninth partly with a voucher, the rest in cash.
std::map<std::string, std::string> history_columns(long lines, int card_idx, int voucher_idx)
{
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
  return {
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
}

// The statement that books a year of history in one go on the server: one
// line per number of a sequence (history_columns).
std::string history_sql(long lines, int prices, int card_idx, int voucher_idx)
{
  BONLINE line;
  line.gueltig = JANEIN::JA;
  std::string logins;
  for (const char *login : HISTORY_LOGINS)
    logins += std::string(logins.empty() ? "'" : ", '") + login + "'";
  // The sequence drives the join; each numbered list is looked up by its
  // number.
  const std::string from =
      "seq_1_to_" + std::to_string(lines) +
      " s"
      " JOIN (SELECT idx, login, ROW_NUMBER() OVER (ORDER BY idx) - 1 AS n FROM USER WHERE login IN (" +
      logins + ")) u ON u.n = s.seq % " + std::to_string(HISTORY_USERS) +
      " JOIN (SELECT idx, preis, art_idx, art_artnr, ROW_NUMBER() OVER (ORDER BY idx) - 1 AS n FROM PREIS) pr"
      " ON pr.n = (s.seq * 13) % " +
      std::to_string(prices) +
      " JOIN (SELECT t.idx, t.label_name, t.layout_idx, k.name AS room, ROW_NUMBER() OVER (ORDER BY t.idx) - 1"
      " AS n FROM LAYOUTP t JOIN LAYOUTK k ON k.idx = t.layout_idx) tb ON tb.n = (s.seq * 7) % " +
      std::to_string(ROOMS * TABLES_PER_ROOM) + " ORDER BY s.seq";
  return Tools::Database::insert_select_text(line.get_table(), Tools::DBRow(line.get_names(), line.get_values()),
                                             history_columns(lines, card_idx, voucher_idx), from,
                                             "SELECT STRAIGHT_JOIN ");
}

} // namespace

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

namespace {

bool seed_users(Tools::Database &db)
{
  bool ok = true;
  for (const char *login : HISTORY_LOGINS) {
    USER u;
    u.login = std::string(login);
    u.vor_name = std::string(login);
    u.nach_name = std::string("Service");
    u.passwd = std::string("geheim");
    ok = ok && store(db, u) > 0;
  }
  return ok;
}

bool seed_vat_groups(Tools::Database &db, GRP_UST &full, GRP_UST &reduced)
{
  full.name = std::string("voll");
  full.bezeichnung = std::string("Getränke");
  full.ust = 19.0;
  reduced.name = std::string("ermäßigt");
  reduced.bezeichnung = std::string("Speisen");
  reduced.ust = 7.0;
  full.idx = store(db, full);
  reduced.idx = store(db, reduced);
  return full.idx.value > 0 && reduced.idx.value > 0;
}

// The article `a` of ARTICLES with its groups and prices.
bool seed_article(Tools::Database &db, int a, const GRP_UST &vat)
{
  const ArticleSeed &seed = ARTICLES[a];
  ART art;
  art.artnr = std::to_string(100 + a);
  art.bezeichnung = std::string(seed.name);
  art.gruppe_ust = vat.name.value;
  art.gruppe_ust_idx = vat.idx.value;
  art.idx = store(db, art);
  bool ok = art.idx.value > 0;
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
  return ok;
}

bool seed_payment_kinds(Tools::Database &db, SONST_ART &card, SONST_ART &voucher)
{
  card.name = std::string("Karte");
  card.bezeichnung = std::string("EC- und Kreditkarte");
  card.wert = 0.0;
  voucher.name = std::string("Gutschein");
  voucher.bezeichnung = Tools::format("Gutschein über %s Euro", Tools::money_text(VOUCHER));
  voucher.wert = VOUCHER;
  card.idx = store(db, card);
  voucher.idx = store(db, voucher);
  return card.idx.value > 0 && voucher.idx.value > 0;
}

bool seed_rooms(Tools::Database &db)
{
  bool ok = true;
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
  return ok;
}

} // namespace

bool seed_house(Tools::Database &db, long history)
{
  const Clock::time_point started = Clock::now();
  bool ok = seed_users(db);
  GRP_UST full, reduced;
  const bool vat = seed_vat_groups(db, full, reduced);
  ok = ok && vat;
  for (int a = 0; a < ARTICLE_COUNT && ok; ++a)
    ok = seed_article(db, a, ARTICLES[a].food ? reduced : full);
  SONST_ART card, voucher;
  const bool kinds = seed_payment_kinds(db, card, voucher);
  ok = ok && kinds;
  const int prices = static_cast<int>(count_of(db, "select count(*) from PREIS"));
  ok = ok && seed_rooms(db);
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

bool Floor::load(Tools::Database &db)
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

} // namespace friday
