// The order operations without any window or display: what each writes,
// and that every refusal and failure keeps nothing and leaves no
// transaction open when it comes back. Checked from a second connection.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "rooms/orders.h"
#include "tests/support/db_fixture.h"
#include "tests/support/recording_db.h"
#include "tests/support/seed.h"
#include "tools/core/format.h"
#include "tools/dbi/database.h"

using namespace korvan_test;

namespace {

class OrderOperations : public FreshDatabase
{
protected:
  USER anna;
  LAYOUTK saal, terrasse;
  LAYOUTP t1, t2, t9;
  GRP_UST vat;
  ART wein;
  PREIS wein_preis;
  SONST_ART voucher, card;
  // The connection of the station that works with the lines.
  Tools::Ref<Tools::Database> station;
  int station_id = 0;

  void SetUp() override
  {
    FreshDatabase::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    anna.login = "anna";
    anna.idx = store(*db, anna);
    saal = add_room(*db, "Saal");
    terrasse = add_room(*db, "Terrasse");
    t1 = add_table(*db, saal, "T1");
    t2 = add_table(*db, saal, "T2");
    t9 = add_table(*db, terrasse, "T9");
    vat = add_vat(*db, "voll", 19);
    wein = add_article(*db, "200", vat, "Getränke", 12345.67);
    wein_preis.idx = std::stoi(value(Tools::format("select idx from PREIS where art_idx = %d", wein.idx.value)));
    wein_preis.preis = 12345.67;
    voucher.name = "Gutschein";
    voucher.wert = 5.0;
    voucher.idx = store(*db, voucher);
    card.name = "Karte";
    card.idx = store(*db, card);
    station = open_database(database);
    ASSERT_TRUE(station->is_connected()) << station->get_error();
    station_id = std::stoi(value(*station, "select connection_id()"));
    ASSERT_TRUE(station->commit());
  }

  Orders orders() { return Orders(*station, anna); }

  // Read on its own, in a transaction ended at once.
  std::string value(Tools::Database &on, const std::string &sql)
  {
    const std::string v = query_value(on, sql);
    on.rollback();
    return v;
  }
  std::string value(const std::string &sql) { return value(*db, sql); }

  // The lines as a list showed them.
  Orders::SeenLines seen(const std::vector<int> &idx)
  {
    Orders::SeenLines lines;
    for (int i : idx)
      lines.push_back({i, std::stoi(value(Tools::format("select layoutk_idx from BONLINE where idx = %d", i))),
                       std::stoi(value(Tools::format("select layoutp_idx from BONLINE where idx = %d", i)))});
    return lines;
  }

  // Nothing of the station's work is left open on its connection: no
  // transaction, no lock.
  void expect_ended(const std::string &what)
  {
    EXPECT_FALSE(korvan_test::in_transaction(*station)) << what << ": a transaction was left open";
  }

  // Returns once the station waits for a row that another connection
  // holds (at most two seconds). The server renews its list of
  // transactions only when nobody has read it for a tenth of a second;
  // it shows them to its administrator.
  void wait_until_station_waits()
  {
    Tools::Ref<Tools::Database> watch = korvan_test::open_owner();
    const std::string waiting = Tools::format("select count(*) from information_schema.innodb_trx where trx_state = "
                                              "'LOCK WAIT' and trx_mysql_thread_id = %d",
                                              station_id);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (value(*watch, waiting) != "1" && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }

  // Sends the statements on the test's connection, and commits them.
  void store_meanwhile(const std::vector<std::string> &statements)
  {
    for (const std::string &sql : statements)
      ASSERT_TRUE(db->exec(sql).ok) << sql << ": " << db->get_error();
    ASSERT_TRUE(db->commit());
  }

  // The paid columns of the lines, in key order.
  std::string paid(const std::string &lines)
  {
    return value("select group_concat(concat_ws(' ', bezahlt, sonst_bezahlt, bar_bezahlt, sonst_art_name) order by "
                 "idx) from BONLINE where idx in (" +
                 lines + ")");
  }
};

TEST_F(OrderOperations, ABookedLineCarriesItsPlaceArticlePriceAndUserAndIsCommitted)
{
  const Orders::Result r = orders().book(wein, wein_preis, terrasse, t9, 2);
  ASSERT_TRUE(r.done()) << r.error;
  expect_ended("book");
  EXPECT_EQ(value("select concat_ws(' ', count(*), preis, anzahl, user, user_idx, artnr, artnr_idx = " +
                  std::to_string(wein.idx.value) +
                  ", layoutk_name, layoutp_idx, preis_idx, hist_an_user, hist_an_zeit > now() - interval 1 minute, "
                  "storniert, bezahlt) from BONLINE"),
            Tools::format("1 12345.67 2 anna %d 200 1 Terrasse %d %d anna 1 NEIN NEIN", anna.idx.value, t9.idx.value,
                          wein_preis.idx.value));
  USER nobody;
  EXPECT_EQ(Orders(*station, nobody).book(wein, wein_preis, terrasse, t9, 1).outcome, Orders::NO_USER);
  EXPECT_EQ(value("select count(*) from BONLINE"), "1");
}

TEST_F(OrderOperations, PaymentsBookEachLineAtItsAmountRoundedOnceAndTheOtherKindGoesFirst)
{
  const struct
  {
    std::vector<std::pair<double, int> > lines; // price, quantity
    double cash;                                // < -1: "Bar Bezahlen"
    const SONST_ART *kind;                      // none, the voucher (worth 5) or the card
    Orders::Outcome outcome;
    const char *paid; // per line: other, cash, kind
  } cases[] = {
      // Each line at its full amount, rounded once: 3 x 0.125 = 0.38.
      {{{3.5, 1}, {12345.67, 1}, {2.5, 3}, {0.125, 3}}, -9, nullptr, Orders::DONE,
       "JA 0 3.5 ,JA 0 12345.67 ,JA 0 7.5 ,JA 0 0.38 "},
      // The other payment goes to the first lines, the rest is cash.
      {{{5, 1}, {3, 1}, {2, 1}}, 4, &card, Orders::DONE, "JA 5 0 Karte,JA 1 2 Karte,JA 0 2 "},
      {{{0.125, 3}, {1, 1}}, 0.5, &voucher, Orders::DONE, "JA 0.38 0 Gutschein,JA 0.5 0.5 Gutschein"},
      // Two such lines cost 0.38 each, 0.76 together, not the 0.75 of
      // 6 x 0.125 rounded once for the bill: a voucher pays both in full,
      // and cash too little for the first leaves the rest to the voucher.
      {{{0.125, 3}, {0.125, 3}}, 0, &voucher, Orders::DONE, "JA 0.38 0 Gutschein,JA 0.38 0 Gutschein"},
      {{{0.125, 3}, {0.125, 3}}, 0.5, &voucher, Orders::DONE, "JA 0.26 0.12 Gutschein,JA 0 0.38 "},
      // More cash than the bill is all cash.
      {{{3.5, 1}, {4, 1}}, 10, &voucher, Orders::DONE, "JA 0 3.5 ,JA 0 4 "},
      // The other kind never pays more than the bill, and is needed for
      // what cash leaves open.
      {{{3.5, 1}}, -0.01, &voucher, Orders::MORE_THAN_BILL, "NEIN 0 0 "},
      {{{3.5, 1}, {4, 1}}, 5, nullptr, Orders::NO_KIND, "NEIN 0 0 ,NEIN 0 0 "},
      // A voucher pays up to its value, to the cent; a card (value 0) pays
      // any rest.
      {{{3.5, 1}, {4, 1}}, 2.5, &voucher, Orders::DONE, "JA 3.5 0 Gutschein,JA 1.5 2.5 Gutschein"},
      {{{3.5, 1}, {4, 1}}, 2.49, &voucher, Orders::MORE_THAN_KIND, "NEIN 0 0 ,NEIN 0 0 "},
      {{{1234.56, 1}}, 0, &voucher, Orders::MORE_THAN_KIND, "NEIN 0 0 "},
      {{{1234.56, 1}}, 0, &card, Orders::DONE, "JA 1234.56 0 Karte"},
  };
  for (const auto &c : cases) {
    std::vector<int> idx;
    std::string lines;
    for (const auto &l : c.lines) {
      idx.push_back(add_line(*db, saal, t1, l.first, l.second));
      lines += (lines.empty() ? "" : ",") + std::to_string(idx.back());
    }
    const Orders::Result r = c.cash < -1 ? orders().pay_cash(seen(idx))
                                         : orders().pay(seen(idx), c.cash, c.kind ? *c.kind : SONST_ART());
    EXPECT_EQ(r.outcome, c.outcome) << lines << ": " << r.error;
    EXPECT_EQ(std::string(r.text()), Orders::text(c.outcome));
    expect_ended(lines);
    EXPECT_EQ(paid(lines), c.paid) << lines;
  }
}

// A line that another station paid, cancelled or moved after this one's
// list was filled: the action stops, and nothing of it is kept, also not
// on the lines chosen with it that were still open.
TEST_F(OrderOperations, ALinePaidCancelledOrMovedSinceItWasSeenIsRefusedAndNothingIsKept)
{
  const std::function<Orders::Result(Orders &, const Orders::SeenLines &)> actions[] = {
      [](Orders &o, const Orders::SeenLines &l) { return o.cancel(l.back()); },
      [](Orders &o, const Orders::SeenLines &l) { return o.pay_cash(l); },
      [&](Orders &o, const Orders::SeenLines &l) { return o.pay(l, 1, voucher); },
      [&](Orders &o, const Orders::SeenLines &l) { return o.move(l, terrasse, t9); },
  };
  const char *const elsewhere[] = {"storniert = 'JA'", "bezahlt = 'JA'",
                                   "layoutp_idx = layoutp_idx + 1, layoutp_label_name = 'T2'"};
  int action = 0;
  for (const auto &act : actions) {
    for (const char *change : elsewhere) {
      const int a = add_line(*db, saal, t1, 3.5), b = add_line(*db, saal, t1, 4);
      const Orders::SeenLines shown = seen({a, b});
      ASSERT_TRUE(db->exec(Tools::format("update BONLINE set %s, hist_ae_user = 'bert' where idx = %d", change, b)).ok &&
                  db->commit());
      Orders o = orders();
      const Orders::Result r = act(o, shown);
      EXPECT_EQ(r.outcome, Orders::CHANGED_ELSEWHERE) << action << " " << change << ": " << r.error;
      EXPECT_STREQ(r.text(),
                   "Die Bonierung wurde inzwischen an einem anderen Platz geändert. Es wurde nichts gebucht.");
      expect_ended(change);
      EXPECT_EQ(value(Tools::format("select group_concat(hist_ae_user order by idx) from BONLINE where idx in (%d, %d)",
                                    a, b)),
                ",bert")
          << action << " " << change;
    }
    ++action;
  }
  // The same action twice on what one list showed: the second finds the
  // line settled and keeps nothing.
  const int c = add_line(*db, saal, t1, 2);
  const Orders::SeenLines shown = seen({c});
  ASSERT_TRUE(orders().pay_cash(shown).done());
  EXPECT_EQ(orders().pay_cash(shown).outcome, Orders::CHANGED_ELSEWHERE);
  EXPECT_EQ(orders().cancel(shown[0]).outcome, Orders::CHANGED_ELSEWHERE);
  EXPECT_EQ(paid(std::to_string(c)), "JA 0 2 ");
  EXPECT_EQ(value(Tools::format("select storniert from BONLINE where idx = %d", c)), "NEIN");
}

TEST_F(OrderOperations, CancellingAndMovingStampTheLineAndNameTheUser)
{
  const int a = add_line(*db, saal, t1, 3.5), b = add_line(*db, saal, t1, 4);
  ASSERT_TRUE(orders().move(seen({a, b}), terrasse, t9).done());
  expect_ended("move");
  ASSERT_TRUE(orders().cancel(seen({a})[0]).done());
  expect_ended("cancel");
  EXPECT_EQ(value("select group_concat(concat_ws(' ', storniert, storno_user, storno_user_idx, layoutk_idx, "
                  "layoutk_name, layoutp_idx, layoutp_label_name, hist_ae_user) order by idx) from BONLINE"),
            Tools::format("JA anna %d %d Terrasse %d T9 anna,NEIN  0 %d Terrasse %d T9 anna", anna.idx.value,
                          terrasse.idx.value, t9.idx.value, terrasse.idx.value, t9.idx.value));
}

// A caller that names one line twice (the windows hand each row once): the
// bill would count it twice and the line would be written with parts that
// do not add up. Every operation that takes lines refuses the list in
// words, before it sends anything.
TEST_F(OrderOperations, ALineNamedTwiceInOneListIsRefusedAndNothingIsSent)
{
  const int a = add_line(*db, saal, t1, 3.35), b = add_line(*db, saal, t1, 4);
  const struct
  {
    const char *what;
    std::function<Orders::Result(Orders &, const Orders::SeenLines &)> act;
  } actions[] = {
      {"pay in cash", [](Orders &o, const Orders::SeenLines &l) { return o.pay_cash(l); }},
      {"pay by card", [&](Orders &o, const Orders::SeenLines &l) { return o.pay(l, 3.35, voucher); }},
      {"pay all but cash", [&](Orders &o, const Orders::SeenLines &l) { return o.pay(l, 0, voucher); }},
      {"move", [&](Orders &o, const Orders::SeenLines &l) { return o.move(l, terrasse, t9); }},
  };
  const std::vector<int> lists[] = {{a, a}, {a, b, a}, {b, a, b, b}};
  for (const auto &action : actions)
    for (const std::vector<int> &list : lists) {
      Orders o = orders();
      const unsigned long before = station->get_statement_count();
      const Orders::Result r = action.act(o, seen(list));
      EXPECT_EQ(r.outcome, Orders::LINE_TWICE) << action.what << " " << list.size() << ": " << r.error;
      EXPECT_STREQ(r.text(), "Eine Bonierung ist mehrfach angegeben. Es wurde nichts gebucht.");
      EXPECT_EQ(station->get_statement_count(), before) << action.what;
      expect_ended(action.what);
    }
  EXPECT_EQ(value("select group_concat(concat_ws(' ', bezahlt, bar_bezahlt, sonst_bezahlt, layoutp_idx, "
                  "hist_ae_user) order by idx) from BONLINE"),
            Tools::format("NEIN 0 0 %d ,NEIN 0 0 %d ", t1.idx.value, t1.idx.value));
  // Each line once is what the windows hand over.
  EXPECT_TRUE(orders().pay(seen({a, b}), 3.35, voucher).done());
  EXPECT_EQ(paid(Tools::format("%d,%d", a, b)), "JA 3.35 0 Gutschein,JA 0.65 3.35 Gutschein");
}

// A window read the article, price, table or kind of payment some time
// before the action; meanwhile another station may have deleted it,
// marked it not valid or moved the table to another room, and a caller
// may hand over what does not belong together. The operation reads it
// again in its own unit of work, refuses in words and keeps nothing.
TEST_F(OrderOperations, WhatAnOperationNamesIsReadAgainAndRefusedWhenGoneRetiredOrNotTogether)
{
  const int a = add_line(*db, saal, t1, 3.5), b = add_line(*db, saal, t1, 4);
  const Orders::SeenLines shown = seen({a, b});
  const std::string lines_before = value("select group_concat(concat_ws(' ', bezahlt, sonst_art_idx, layoutp_idx, "
                                         "hist_ae_user) order by idx) from BONLINE");
  // Rows of each case's own, as the windows read them.
  struct Named
  {
    ART article;
    PREIS price;
    LAYOUTP table;
    SONST_ART kind;
  };
  enum { BOOK, MOVE, PAY };
  const std::function<void(Named &)> as_read;
  const struct
  {
    const char *what;
    int act; // BOOK n of the article at the price onto the table of "Saal", MOVE there, PAY 1 in cash and the kind
    int n;
    std::vector<const char *> meanwhile; // %1$d the article, %2$d the price, %3$d the table, %4$d the kind
    std::function<void(Named &)> handed; // what the caller hands over instead
    Orders::Outcome outcome;
  } cases[] = {
      {"quantity 0", BOOK, 0, {}, as_read, Orders::NO_QUANTITY},
      {"quantity -2", BOOK, -2, {}, as_read, Orders::NO_QUANTITY},
      {"no price has the key", BOOK, 1, {}, [](Named &n) { n.price.idx = 9999; }, Orders::PRICE_GONE},
      {"another article's price", BOOK, 1, {}, [&](Named &n) { n.price = wein_preis; }, Orders::PRICE_GONE},
      {"price deleted", BOOK, 1, {"delete from PREIS where idx = %2$d"}, as_read, Orders::PRICE_GONE},
      {"price retired", BOOK, 1, {"update PREIS set gueltig = 'NEIN' where idx = %2$d"}, as_read,
       Orders::PRICE_RETIRED},
      {"article deleted", BOOK, 1,
       {"delete from GRP_ART where art_idx = %1$d", "delete from PREIS where art_idx = %1$d",
        "delete from ART where idx = %1$d"},
       as_read, Orders::ARTICLE_GONE},
      {"article retired", BOOK, 1, {"update ART set gueltig = 'NEIN' where idx = %1$d"}, as_read,
       Orders::ARTICLE_RETIRED},
      {"another room's table", BOOK, 1, {}, [&](Named &n) { n.table = t9; }, Orders::TABLE_GONE},
      {"table moved to another room", BOOK, 1, {"update LAYOUTP set layout_idx = layout_idx + 1 where idx = %3$d"},
       as_read, Orders::TABLE_GONE},
      {"table deleted", BOOK, 1, {"delete from LAYOUTP where idx = %3$d"}, as_read, Orders::TABLE_GONE},
      {"moved to another room's table", MOVE, 0, {}, [&](Named &n) { n.table = t9; }, Orders::TABLE_GONE},
      {"moved to a table moved to another room", MOVE, 0,
       {"update LAYOUTP set layout_idx = layout_idx + 1 where idx = %3$d"}, as_read, Orders::TABLE_GONE},
      {"moved to a table deleted", MOVE, 0, {"delete from LAYOUTP where idx = %3$d"}, as_read, Orders::TABLE_GONE},
      {"moved to the table they stand on", MOVE, 0, {}, [&](Named &n) { n.table = t1; }, Orders::ALREADY_THERE},
      {"no kind has the key", PAY, 0, {}, [](Named &n) { n.kind.idx = 9999; }, Orders::KIND_GONE},
      {"kind deleted", PAY, 0, {"delete from SONST_ART where idx = %4$d"}, as_read, Orders::KIND_GONE},
      {"kind retired", PAY, 0, {"update SONST_ART set gueltig = 'NEIN' where idx = %4$d"}, as_read,
       Orders::KIND_RETIRED},
      // Read as a card, worth less than what it would pay by now.
      {"kind given a value", PAY, 0, {"update SONST_ART set wert = 6.49 where idx = %4$d"}, as_read,
       Orders::MORE_THAN_KIND},
  };
  int i = 0;
  for (const auto &c : cases) {
    Named named;
    named.article = add_article(*db, "A" + std::to_string(++i), vat, "G", 2.5);
    ASSERT_EQ(Orders::read_price(*db, value(Tools::format("select idx from PREIS where art_idx = %d",
                                                          named.article.idx.value)),
                                 named.price),
              1);
    named.table = add_table(*db, saal, "X" + std::to_string(i));
    named.kind.name = "K" + std::to_string(i);
    named.kind.idx = store(*db, named.kind);
    ASSERT_TRUE(db->rollback());
    std::vector<std::string> meanwhile;
    for (const char *sql : c.meanwhile)
      meanwhile.push_back(Tools::format(sql, named.article.idx.value, named.price.idx.value, named.table.idx.value,
                                        named.kind.idx.value));
    store_meanwhile(meanwhile);
    if (c.handed)
      c.handed(named);
    Orders o = orders();
    const Orders::Result r = c.act == BOOK   ? o.book(named.article, named.price, saal, named.table, c.n)
                             : c.act == MOVE ? o.move(shown, saal, named.table)
                                             : o.pay(shown, 1, named.kind);
    EXPECT_EQ(r.outcome, c.outcome) << c.what << ": " << r.error;
    EXPECT_NE(std::string(r.text()).find("Es wurde nichts gebucht."), std::string::npos) << c.what;
    expect_ended(c.what);
    EXPECT_EQ(value("select group_concat(concat_ws(' ', bezahlt, sonst_art_idx, layoutp_idx, hist_ae_user) order "
                    "by idx) from BONLINE"),
              lines_before)
        << c.what;
  }
  EXPECT_STREQ(Orders::text(Orders::KIND_GONE), "Die Bezahlungsart gibt es nicht mehr. Es wurde nichts gebucht.");
}

// Another station deletes a row, or moves a table, at the very moment: the
// operation waits for it to end (its read locks), finds the row as it was
// left, and refuses. A read that did not wait would have named what is
// gone.
TEST_F(OrderOperations, ARowChangedWhileTheOperationRunsIsWaitedForAndThenRefused)
{
  const int a = add_line(*db, saal, t1, 3.5), b = add_line(*db, saal, t1, 4);
  const Orders::SeenLines shown = seen({a, b});
  const struct
  {
    const char *meanwhile;
    std::function<Orders::Result()> act;
    Orders::Outcome outcome;
  } cases[] = {
      {"delete from SONST_ART where idx = %1$d", [&] { return orders().pay(shown, 0, voucher); }, Orders::KIND_GONE},
      {"update LAYOUTP set layout_idx = %3$d where idx = %4$d", [&] { return orders().book(wein, wein_preis, saal, t2, 1); },
       Orders::TABLE_GONE},
      {"delete from PREIS where idx = %2$d", [&] { return orders().book(wein, wein_preis, saal, t1, 1); },
       Orders::PRICE_GONE},
      {"update LAYOUTP set layout_idx = %5$d where idx = %6$d", [&] { return orders().move(shown, terrasse, t9); },
       Orders::TABLE_GONE},
  };
  for (const auto &c : cases) {
    const std::string sql = Tools::format(c.meanwhile, voucher.idx.value, wein_preis.idx.value, terrasse.idx.value,
                                          t2.idx.value, saal.idx.value, t9.idx.value);
    ASSERT_TRUE(db->exec(sql).ok) << db->get_error();
    Orders::Result r;
    std::thread station_thread([&] { r = c.act(); });
    wait_until_station_waits();
    EXPECT_TRUE(db->commit());
    station_thread.join();
    EXPECT_EQ(r.outcome, c.outcome) << sql << ": " << r.error;
    expect_ended(sql);
    EXPECT_EQ(value("select concat(count(*), sum(bezahlt = 'NEIN' and layoutp_idx = " + std::to_string(t1.idx.value) +
                    ")) from BONLINE"),
              "22")
        << sql;
  }
}

// What an operation names stays as it is until the commit: right after
// the operation read it, another station can change none of those rows
// (a join may read a row without keeping it locked).
TEST_F(OrderOperations, WhatAnOperationReadItNamesKeepsUnchangedUntilTheCommit)
{
  RecordingDB *recorder = nullptr;
  Tools::Ref<Tools::Database> recorded = connect_recording(database, recorder);
  const std::pair<const char *, int> rows[] = {{"ART", wein.idx.value},         {"PREIS", wein_preis.idx.value},
                                               {"LAYOUTP", t9.idx.value},       {"LAYOUTK", terrasse.idx.value},
                                               {"SONST_ART", voucher.idx.value}};
  std::string locked;
  recorder->after = [&](RecordingDB &, const std::string &sql) {
    if (sql.find(Tools::Database::SHARE_LOCK) == std::string::npos)
      return;
    for (const auto &row : rows) {
      if (!db->exec(Tools::format("select idx from %s where idx = '%d' for update nowait", row.first, row.second)).ok)
        locked += std::string(row.first) + " ";
      db->rollback();
    }
  };
  Orders o(*recorded, anna);
  const int a = add_line(*db, saal, t1, 3.5);
  const struct
  {
    std::function<Orders::Result()> act;
    const char *locked;
  } cases[] = {
      {[&] { return o.book(wein, wein_preis, terrasse, t9, 1); }, "ART PREIS LAYOUTP LAYOUTK "},
      {[&] { return o.move(seen({a}), terrasse, t9); }, "LAYOUTP LAYOUTK "},
      {[&] { return o.pay(seen({a}), 0, voucher); }, "SONST_ART "},
  };
  for (const auto &c : cases) {
    locked.clear();
    const Orders::Result r = c.act();
    EXPECT_TRUE(r.done()) << r.error;
    EXPECT_EQ(locked, c.locked);
  }
}

// The line takes the rows it names as they are at the commit (a price
// changed and a room renamed since the window read them), and checking
// them costs each operation one statement at most.
TEST_F(OrderOperations, ALineTakesWhatItNamesAsItIsNowForOneStatementMore)
{
  const int a = add_line(*db, saal, t1, 0.125, 3), b = add_line(*db, saal, t1, 0.125, 3),
            c = add_line(*db, saal, t1, 1.5);
  store_meanwhile({Tools::format("update PREIS set preis = 13.5 where idx = %d", wein_preis.idx.value),
                   Tools::format("update LAYOUTK set name = 'Garten' where idx = %d", terrasse.idx.value)});
  const struct
  {
    const char *what;
    std::function<Orders::Result()> act;
    unsigned long statements; // the lines read and locked, the writes, the commit; + what it names
  } cases[] = {
      // What it names comes with the insert itself.
      {"book", [&] { return orders().book(wein, wein_preis, terrasse, t9, 2); }, 0 + 1 + 1 + 0},
      {"move", [&] { return orders().move(seen({a, b}), terrasse, t9); }, 1 + 2 + 1 + 1},
      // A line on the table already is not written again.
      {"move with a line there", [&] { return orders().move(seen({a, c}), terrasse, t9); }, 1 + 1 + 1 + 1},
      // The kind is read only when something is left for it.
      {"pay with the kind", [&] { return orders().pay(seen({a}), 0.1, voucher); }, 1 + 1 + 1 + 1},
      {"pay with cash enough", [&] { return orders().pay(seen({b}), 5, voucher); }, 1 + 1 + 1 + 0},
  };
  for (const auto &c : cases) {
    const unsigned long before = station->get_statement_count();
    const Orders::Result r = c.act();
    EXPECT_TRUE(r.done()) << c.what << ": " << r.error;
    EXPECT_EQ(station->get_statement_count() - before, c.statements) << c.what;
  }
  EXPECT_EQ(value("select group_concat(concat_ws(' ', preis, anzahl, layoutk_name, layoutp_label_name, "
                  "sonst_bezahlt, bar_bezahlt, sonst_art_name) order by idx) from BONLINE"),
            "0.125 3 Garten T9 0.28 0.1 Gutschein,0.125 3 Garten T9 0 0.38 ,1.5 1 Garten T9 0 0 ,13.5 2 Garten T9 "
            "0 0 ");
}

// Another station holds a line and does not let go: the action stops
// within the lock wait, keeps nothing, and holds nothing when it is back.
TEST_F(OrderOperations, ALineHeldElsewhereIsRefusedAfterTheLockWaitAndNothingStaysLocked)
{
  const int a = add_line(*db, saal, t1, 3.5), b = add_line(*db, saal, t1, 4);
  const Orders::SeenLines shown = seen({a, b});
  ASSERT_TRUE(db->exec(Tools::format("select idx from BONLINE where idx = '%d' for update", b)).ok);
  const Orders::Result r = orders().pay_cash(shown);
  EXPECT_EQ(r.outcome, Orders::BUSY_ELSEWHERE) << r.error;
  EXPECT_STREQ(r.text(), "Die Bonierung wird gerade an einem anderen Platz bearbeitet. Es wurde nichts gebucht.");
  ASSERT_TRUE(db->rollback());
  expect_ended("lock wait");
  Tools::Ref<Tools::Database> third = open_database(database);
  EXPECT_TRUE(third->exec(Tools::format("select idx from BONLINE where idx in (%d, %d) for update nowait", a, b)).ok)
      << third->get_error();
  third->rollback();
  EXPECT_EQ(paid(Tools::format("%d,%d", a, b)), "NEIN 0 0 ,NEIN 0 0 ");
}

// Two stations lock each other's lines and the server rolls this one back
// to end it: it starts over once, and then pays, as the other station has
// gone on meanwhile.
TEST_F(OrderOperations, AStationChosenAsADeadlocksVictimStartsOverOnce)
{
  const int a = add_line(*db, saal, t1, 3.5), b = add_line(*db, saal, t1, 4), c = add_line(*db, saal, t2, 1);
  const Orders::SeenLines shown = seen({a, b});
  // The other station has written more, so that the server ends this one.
  ASSERT_TRUE(db->exec(Tools::format("update BONLINE set hist_ae_user = 'bert' where idx = %d", c)).ok);
  ASSERT_TRUE(db->exec(Tools::format("select idx from BONLINE where idx = %d for update", b)).ok);
  LogCapture log;
  Orders::Result r;
  std::thread station_thread([&] { r = orders().pay_cash(shown); });
  // Once this station waits for the second line, the other asks for the
  // first, which this one holds.
  wait_until_station_waits();
  EXPECT_TRUE(db->exec(Tools::format("select idx from BONLINE where idx = %d for update", a)).ok) << db->get_error();
  EXPECT_TRUE(db->commit());
  station_thread.join();
  EXPECT_EQ(r.outcome, Orders::DONE) << r.error;
  int victim = 0;
  for (const std::string &line : log.messages)
    victim += line.find("rolled back: ") == 0 && line.find("Deadlock") != std::string::npos;
  EXPECT_EQ(victim, 1);
  expect_ended("deadlock");
  EXPECT_EQ(paid(Tools::format("%d,%d", a, b)), "JA 0 3.5 ,JA 0 4 ");
}

// The server refuses to write the second line: the first, written before,
// is rolled back, and the result carries the server's words and the
// statement. A connection that is gone fails the same way.
TEST_F(OrderOperations, AStatementThatFailsKeepsNothingAndGivesTheDatabasesWords)
{
  const int a = add_line(*db, saal, t1, 3.5), b = add_line(*db, saal, t1, 4.0);
  ASSERT_TRUE(db->exec("ALTER TABLE BONLINE ADD CONSTRAINT refused CHECK (preis <> 4 OR (storniert = 'NEIN' "
                       "AND bezahlt = 'NEIN' AND layoutp_label_name = 'T1'))")
                  .ok)
      << db->get_error();
  const std::function<Orders::Result()> actions[] = {
      [&] { return orders().pay_cash(seen({a, b})); },
      [&] { return orders().pay(seen({a, b}), 2.5, voucher); },
      [&] { return orders().move(seen({a, b}), saal, t2); },
      [&] { return orders().cancel(seen({b})[0]); },
  };
  for (const auto &act : actions) {
    const Orders::Result r = act();
    EXPECT_EQ(r.outcome, Orders::FAILED);
    EXPECT_NE(r.error.find("refused"), std::string::npos) << r.error;
    EXPECT_EQ(r.statement.find("UPDATE BONLINE"), 0u) << r.statement;
    EXPECT_STREQ(r.text(), "");
    expect_ended(r.statement);
    EXPECT_EQ(value("select count(*) from BONLINE where concat(storniert, bezahlt, layoutp_label_name, "
                    "hist_ae_user) = 'NEINNEINT1'"),
              "2");
  }
  // The station's connection is cut: nothing is written, and the
  // operation says what the database said.
  ASSERT_TRUE(db->exec(Tools::format("KILL CONNECTION %d", station_id)).ok);
  for (const Orders::Result &r :
       {orders().pay_cash(seen({a})), orders().book(wein, wein_preis, saal, t1, 1)}) {
    EXPECT_EQ(r.outcome, Orders::FAILED);
    EXPECT_FALSE(r.error.empty());
    EXPECT_TRUE(r.connection_lost) << r.error;
  }
  EXPECT_EQ(value("select concat(count(*), sum(bezahlt = 'NEIN')) from BONLINE"), "22");
}

} // namespace
