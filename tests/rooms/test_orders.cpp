// The order-line windows: what they list, ask and show, with other
// stations acting in between, checked from the test's own connection; and
// each action reached with the real pointer. What the actions write, and
// how they refuse, is the order operations' business (test_order_operations).

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include <fxkeys.h>

#include "gui/messagebox.h"
#include "gui/moneyfield.h"
#include "gui/spreadsheet.h"
#include "rooms/addlinewin.h"
#include "rooms/bezahlwin.h"
#include "rooms/bonwin.h"
#include "rooms/movetowin.h"
#include "rooms/roomwin.h"
#include "shell/login.h"
#include "tests/support/recording_db.h"
#include "tests/support/station_test.h"
#include "tools/core/format.h"

using namespace FX;
using namespace korvan_gui_test;
using namespace korvan_test;

namespace {

typedef std::unique_ptr<BonWin> BonWinPtr;

// Makes the row current whose record has the value in the column (the
// first row for no column), as a click on it does: the sheet tells its owner.
void choose(SpreadSheet *sheet, const char *column = nullptr, const std::string &value = "")
{
  for (int r = 0; r < sheet->getNumRows(); ++r)
    if (!column || sheet->get_row(r)->get_cell_by_name(column)->format("%s") == value)
      return (void)sheet->setCurrentItem(r, 0, TRUE);
  ADD_FAILURE() << "no row " << value;
}

void select_all(SpreadSheet *sheet)
{
  sheet->selectRange(0, sheet->getNumRows() - 1, 0, sheet->getNumColumns() - 1, FALSE);
}

// The first line chosen and selected, as a click on it does.
void select_first(SpreadSheet *sheet)
{
  choose(sheet);
  sheet->selectRange(0, 0, 0, sheet->getNumColumns() - 1, FALSE);
}

// Clicks the middle of the second cell of the sheet's row (a list starts
// with its first cell current, and a click there would change nothing);
// with `wait`, until the list shows the row chosen: a click that follows
// at once could reach the toolkit while the list still holds the pointer.
bool click_row(SpreadSheet *sheet, int row, bool wait = false)
{
  const int x = sheet->getRowHeader()->getWidth() + sheet->getColumnWidth(0) + sheet->getColumnWidth(1) / 2;
  const int y = sheet->getColumnHeader()->getHeight() + row * sheet->getRowHeight(0) + sheet->getRowHeight(0) / 2;
  if (!click(sheet, 1, x, y))
    return false;
  if (wait && run_until([&] { return sheet->isItemSelected(row, 1) != FALSE; }, 5000))
    run_pending(100);
  return !wait || sheet->isItemSelected(row, 1);
}

// Whether a line of the text starts with `start` and holds `part`.
bool has_line(const std::string &text, const std::string &start, const std::string &part)
{
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string line = text.substr(at, end - at);
    if (line.compare(0, start.size(), start) == 0 && line.find(part) != std::string::npos)
      return true;
    at = end + 1;
  }
  return false;
}

// The modal window, when it is a W.
template <class W> W *modal() { return dynamic_cast<W *>(app()->getModalWindow()); }

class Orders : public StationTest
{
protected:
  USER anna;
  LAYOUTK saal, terrasse;
  LAYOUTP t1, t2, t9;
  ART wein;

  void SetUp() override
  {
    StationTest::SetUp();
    if (HasFatalFailure())
      return;
    anna = login("anna");
    saal = add_room(*db, "Saal");
    terrasse = add_room(*db, "Terrasse");
    t1 = add_table(*db, saal, "T1");
    t2 = add_table(*db, saal, "T2");
    t9 = add_table(*db, terrasse, "T9");
    const GRP_UST vat = add_vat(*db, "voll", 19);
    add_article(*db, "100", vat, "Getränke", 3.5);
    wein = add_article(*db, "200", vat, "Getränke", 12345.67);
    add_article(*db, "300", vat, "Speisen", 4.2);
    // Retired ("Gültig" NEIN): an article, a price of the wine and a kind
    // of payment, stored before the voucher. None is offered.
    add_article(*db, "150", vat, "Getränke", 1);
    ASSERT_TRUE(db->exec("update ART set gueltig = 'NEIN' where artnr = '150'").ok && db->commit());
    PREIS price;
    price.art_artnr = "200";
    price.art_idx = wein.idx.value;
    SONST_ART retired, voucher;
    retired.name = "Scheck";
    for (BASE *row : std::initializer_list<BASE *>{&price, &retired}) {
      row->gueltig = JANEIN::NEIN;
      store(*db, *row);
    }
    voucher.name = "Gutschein";
    voucher.wert = 5.0;
    store(*db, voucher);
    // Listed after the voucher: a kind without a value pays any rest.
    SONST_ART card;
    card.name = "Karte";
    store(*db, card);
  }

  BonWinPtr open(LAYOUTK &room, LAYOUTP &table)
  {
    BonWinPtr win(new BonWin(main, *main, room, table));
    win->create();
    win->show(PLACEMENT_OWNER);
    run_pending(20);
    return win;
  }
};

TEST_F(Orders, ANewLineIsAskedForUntilCompleteAndStoredOnceAndCommitted)
{
  LAYOUTK house;
  LAYOUTP none;
  BonWinPtr win = open(house, none);
  std::vector<std::string> prompts;
  testing::internal::CaptureStdout();
  answer<AddLineWin>([&](AddLineWin *entry) {
    // One row per group name, however many articles it holds.
    EXPECT_EQ(entry->get_groups()->getNumRows(), 2);
    const std::function<void()> steps[] = {
        [&] { choose(entry->get_groups(), "name", "Getränke"); },
        [&] {
          EXPECT_EQ(entry->get_articles()->getNumRows(), 2);
          choose(entry->get_articles(), "artnr", "200");
          EXPECT_EQ(entry->get_prices()->getNumRows(), 1);
          choose(entry->get_prices());
        },
        [&] { entry->get_room_combo()->setText("Terrasse \xf0\x9f\x8d\xba"); }, // no table holds it
        [&] { entry->get_room_combo()->select_key("Terrasse"); },
        [&] {
          entry->get_table_combo()->select_key("T9");
          entry->get_menge()->setText("-3");
        }};
    for (const auto &step : steps) {
      step();
      Box box;
      answer_box(box, entry, AddLineWin::ID_OK);
      prompts.push_back(box.text);
    }
    entry->get_menge()->setText("2");
    screenshot(shot_dir() + "/orders_addlinewin.png");
    // A double click on Ok.
    send_command(entry, AddLineWin::ID_OK);
    send_command(entry, AddLineWin::ID_OK);
  }, 1);
  send_command(win.get(), BonWin::ID_BONIEREN);
  // The trace on standard output: the room's list of tables read, the
  // table chosen, and the table's name before the line is filled and
  // before it is stored.
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(has_line(out, "select label_name ", Tools::format("layout_idx = '%d' ", terrasse.idx.value))) << out;
  EXPECT_NE(out.find("\nLAYOUTP: T9\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\nT9\nT9\n"), std::string::npos) << out;
  const char *const asked[] = {"einen Artikel", "Raum", "Emoji):\nRaum: Terrasse", "einen Tisch", "Menge"};
  ASSERT_EQ(prompts.size(), 5u);
  for (int i = 0; i < 5; ++i)
    EXPECT_NE(prompts[i].find(asked[i]), std::string::npos) << prompts[i];
  EXPECT_EQ(value("select concat_ws(' ', count(*), b.preis, anzahl, user, user_idx, artnr, layoutk_name, layoutp_idx, "
                  "preis_idx = p.idx) from BONLINE b, PREIS p where p.art_artnr = '200' and p.gueltig = 'JA'"),
            Tools::format("1 12345.67 2 anna %d 200 Terrasse %d 1", anna.idx.value, t9.idx.value));
  EXPECT_EQ(win->get_sheet()->getNumRows(), 1);
}

TEST_F(Orders, PaymentsBookTheirAmountsOnlyAfterYesAndRefuseWhatIsNoPayment)
{
  enum { CASH_ONLY = -1, KIND = -2, CARD = -3 }; // "Bar Bezahlen"; the voucher (5.00) or the card chosen
  const FXuint CASH = BezahlWin::ID_BAR, REST = BezahlWin::ID_REST, YES = MBOX_CLICKED_YES, NO = MBOX_CLICKED_NO;
  const struct
  {
    std::vector<std::pair<double, int> > lines;           // price, quantity
    std::vector<std::pair<int, const char *> > steps;     // CASH or REST with the text typed, KIND or CARD
    FXuint answer;                                        // to the question, or 0 for a refusal
    const char *expected; // what each line books (other, cash, kind) after "Ja", or the refusal
  } cases[] = {
      // The amounts the dialog shows are those booked; "Bar Bezahlen"
      // books every line in cash.
      {{{3.5, 1}, {0.125, 3}}, {{CASH_ONLY, ""}}, YES, "0 3.5 ,0 0.38 "},
      {{{5, 1}, {3, 1}, {2, 1}}, {{CASH, "5"}, {REST, "2"}, {CARD, ""}, {CASH, "4"}}, YES, "5 0 Karte,1 2 Karte,0 2 "},
      {{{5, 1}}, {{CASH, "5"}, {REST, "2"}}, 0, "Bitte einen Bezahlungsart"},
      // Each line rounded on its own: two of 3 x 0.125 are 0.76, not 0.75.
      {{{0.125, 3}, {0.125, 3}}, {{KIND, ""}}, YES, "0.38 0 Gutschein,0.38 0 Gutschein"},
      {{{0.125, 3}, {0.125, 3}}, {{KIND, ""}, {CASH, "0,5"}}, YES, "0.26 0.12 Gutschein,0 0.38 "},
      // "Nein" pays nothing.
      {{{3.5, 1}}, {{CASH, "10"}}, NO, nullptr},
      // A voucher worth more than the bill pays the bill, no more.
      {{{3.5, 1}}, {{KIND, ""}}, YES, "3.5 0 Gutschein"},
      {{{3.5, 1}}, {{KIND, ""}, {REST, "8"}}, 0, "nicht mehr als den Preis"},
      // Nor more than its value, whatever was typed after choosing it; the
      // cash typed before it is what the voucher leaves.
      {{{37.5, 1}}, {{KIND, ""}, {CASH, "10"}}, 0, "Gutschein: 5.00\nNoch offen: 22.50"},
      {{{37.5, 1}}, {{KIND, ""}, {REST, "5,01"}}, 0, "bis zu ihrem Wert"},
      {{{37.5, 1}}, {{KIND, ""}, {REST, "4"}}, YES, "4 33.5 Gutschein"},
      {{{37.5, 1}}, {{CASH, "10"}, {KIND, ""}}, YES, "5 32.5 Gutschein"},
      {{{37.5, 1}}, {{CARD, ""}, {CASH, "10"}}, YES, "27.5 10 Karte"},
      // An amount as a German writes it; one that is no amount, or has more
      // digits than an amount holds, is no payment.
      {{{1234.56, 1}}, {{CASH, "1.234,56"}}, YES, "0 1234.56 "},
      {{{3.5, 1}}, {{KIND, ""}, {CASH, "0x1A"}}, 0, "Das ist kein Betrag"},
      {{{3.5, 1}}, {{CASH, "99999999999999"}}, 0, "zu viele Stellen"},
  };
  RecordingDB *recorder = nullptr;
  main->setDatabase(connect_recording(database, recorder));
  for (const auto &c : cases) {
    ASSERT_TRUE(db->exec("update BONLINE set bezahlt = 'JA'").ok && db->commit());
    std::string lines;
    for (const auto &l : c.lines)
      lines += (lines.empty() ? "" : ",") + std::to_string(add_line(*db, saal, t1, l.first, l.second));
    BonWinPtr win = open(saal, t1);
    recorder->statements.clear();
    select_all(win->get_sheet());
    Box question, refused;
    if (c.steps.front().first == CASH_ONLY) {
      answer_box(question, win.get(), BonWin::ID_BAR, c.answer);
    } else {
      answer<BezahlWin>([&](BezahlWin *pay) {
        for (const auto &step : c.steps) {
          if (step.first == KIND || step.first == CARD) {
            choose(pay->get_kinds(), "name", step.first == KIND ? "Gutschein" : "Karte");
            continue;
          }
          (FXuint(step.first) == CASH ? pay->get_cash_field() : pay->get_rest_field())->setText(step.second);
          send_command(pay, step.first);
        }
        if (c.answer == 0) {
          answer_box(refused, pay, BezahlWin::ID_OK);
          send_command(pay, BezahlWin::ID_CANCEL);
          return;
        }
        expect_box(question, c.answer);
        send_command(pay, BezahlWin::ID_OK);
      }, c.answer == 0 ? 0 : 1);
      send_command(win.get(), BonWin::ID_BEZAHLEN);
    }
    EXPECT_EQ(question.seen, c.answer != 0) << lines;
    EXPECT_NE(refused.text.find(c.answer == 0 ? c.expected : ""), std::string::npos) << refused.text;
    // A payment kept only in part would show as a line paid.
    EXPECT_EQ(value("select group_concat(concat_ws(' ', sonst_bezahlt, bar_bezahlt, sonst_art_name) order by idx) "
                    "from BONLINE where bezahlt = 'JA' and idx in (" + lines + ")"),
              c.answer == YES ? c.expected : "")
        << lines;
    // The lines are read again and locked in one statement, after "Ja".
    int locks = 0;
    for (const std::string &sql : recorder->statements)
      locks += sql.find("for update") != std::string::npos;
    EXPECT_EQ(locks, c.answer == YES ? 1 : 0) << lines;
  }

  // The window's total is the lines' amounts, each rounded on its own; a
  // row that is no order line adds nothing, and says so in the log.
  LogCapture log;
  std::vector<Tools::Ref<Tools::DBBindType> > rows;
  for (int i = 0; i < 2; ++i) {
    BONLINE *line = new BONLINE();
    line->preis = 0.125;
    line->anzahl = 3;
    rows.emplace_back(line);
  }
  rows.emplace_back(new SONST_ART());
  SONST_ART kind;
  double cash = 0, total = 0, rest = 0;
  delete new BezahlWin(main, *main, rows, kind, cash, total, rest);
  EXPECT_DOUBLE_EQ(total, 0.76);
  EXPECT_EQ(log.count("get_cell_by_name failed!"), 1);
}

// A refusal is shown once the action has ended: while its box waits for
// the person, no line of the action is locked any more, and the list shows
// what is open now.
TEST_F(Orders, ARefusalIsShownAfterTheActionKeptNothingAndLetGoOfItsLines)
{
  const int a = add_line(*db, saal, t1, 3.5);
  const int b = add_line(*db, saal, t1, 4.0);
  // The server refuses to cancel any line (a change of the table needs
  // the window's connection idle: before it is opened).
  ASSERT_TRUE(db->exec("ALTER TABLE BONLINE ADD CONSTRAINT refused CHECK (storniert = 'NEIN')").ok);
  BonWinPtr win = open(saal, t1);
  // Another station pays the second line after this list was filled.
  ASSERT_TRUE(db->exec(Tools::format("update BONLINE set bezahlt = 'JA', hist_ae_user = 'bert' where idx = '%d'", b))
                  .ok &&
              db->commit());
  Tools::Ref<Tools::Database> third = connect(database);
  std::string locked_meanwhile = "no box";
  Box question, stale;
  expect_box(question, MBOX_CLICKED_YES);
  expect_box([&](const Box &box) {
    stale = box;
    locked_meanwhile =
        third->exec(Tools::format("select idx from BONLINE where idx in (%d, %d) for update nowait", a, b)).ok
            ? ""
            : third->get_error();
    third->rollback();
  });
  select_all(win->get_sheet());
  send_command(win.get(), BonWin::ID_BAR);
  EXPECT_EQ(locked_meanwhile, "") << "a line was still locked while the refusal was shown";
  EXPECT_EQ(stale.title, "Datenfehler");
  EXPECT_NE(stale.text.find("an einem anderen Platz geändert"), std::string::npos) << stale.text;
  EXPECT_EQ(value("select group_concat(concat_ws(' ', bezahlt, hist_ae_user) order by idx) from BONLINE"),
            "NEIN ,JA bert");
  EXPECT_EQ(win->get_sheet()->getNumRows(), 1) << "the list shows what is open now";

  // A statement the server refuses: its words, and nothing kept.
  choose(win->get_sheet());
  Box refused;
  expect_box(question, MBOX_CLICKED_YES);
  expect_box(refused);
  send_command(win.get(), BonWin::ID_STORNO);
  EXPECT_NE(refused.text.find("refused"), std::string::npos) << refused.text;
  EXPECT_EQ(value(Tools::format("select storniert from BONLINE where idx = %d", a)), "NEIN");
}

// While the entry is open another station retires the price; while the
// person reads the question of a payment, it deletes the kind of payment.
// Each action is refused in the words of the translation table, as every
// other text is shown, and books nothing.
TEST_F(Orders, WhatAnotherStationTookAwayMeanwhileIsRefusedInTranslatedWords)
{
  const int a = add_line(*db, saal, t1, 3.5);
  BonWinPtr win = open(saal, t1);
  const struct
  {
    ::Orders::Outcome outcome;
    const char *translation;
  } translations[] = {{::Orders::PRICE_RETIRED, "The price is no longer valid. Nothing was booked."},
                      {::Orders::KIND_GONE, "This kind of payment is gone. Nothing was booked."}};
  // Stored by a translator (the window has not shown them yet).
  for (const auto &t : translations)
    ASSERT_TRUE(db->exec(Tools::format("insert into LANG (system, type, orig, trans) values ('GUI', 'Message', "
                                       "'%s', '%s')",
                                       ::Orders::text(t.outcome), t.translation))
                    .ok);
  ASSERT_TRUE(db->commit());
  main->updateLangs();
  press_key(main, KEY_F11);
  ASSERT_TRUE(main->isTranslated());

  Box refused;
  answer<AddLineWin>([&](AddLineWin *entry) {
    choose(entry->get_groups(), "name", "Speisen");
    choose(entry->get_articles());
    choose(entry->get_prices());
    ASSERT_TRUE(db->exec("update PREIS set gueltig = 'NEIN' where art_artnr = '300'").ok && db->commit());
    answer_box(refused, entry, AddLineWin::ID_OK);
    send_command(entry, AddLineWin::ID_CANCEL);
  }, 0);
  send_command(win.get(), BonWin::ID_BONIEREN);
  EXPECT_NE(refused.text.find(translations[0].translation), std::string::npos) << refused.text;
  EXPECT_EQ(count("select count(*) from BONLINE"), 1);

  // This refusal is shown on the screen, as a person sees it.
  MessageBox::Answerer *seam = nullptr;
  std::string shown;
  select_all(win->get_sheet());
  answer<BezahlWin>([&](BezahlWin *pay) {
    choose(pay->get_kinds(), "name", "Gutschein");
    expect_box([&](const Box &) {
      EXPECT_TRUE(db->exec("delete from SONST_ART where name = 'Gutschein'").ok && db->commit());
      seam = MessageBox::set_answerer(nullptr);
      answer_modal([&](FXWindow *box) {
        shot(box, "orders_refusal_translated");
        for (FXLabel *label : find_all<FXLabel>(box))
          shown += label->getText().text();
      }, MBOX_CLICKED_OK);
    }, MBOX_CLICKED_YES);
    send_command(pay, BezahlWin::ID_OK);
  }, 1);
  send_command(win.get(), BonWin::ID_BEZAHLEN);
  MessageBox::set_answerer(seam);
  EXPECT_NE(shown.find(translations[1].translation), std::string::npos) << shown;
  EXPECT_EQ(value(Tools::format("select concat_ws(' ', bezahlt, sonst_art_idx) from BONLINE where idx = %d", a)),
            "NEIN 0");
  EXPECT_EQ(win->get_sheet()->getNumRows(), 1);
}

// An older database holds a second room "Saal" with tables of the same
// names: the lists, a line booked and a move go by the keys.
TEST_F(Orders, TheListsBookingAndMovingGoByKeyWhenTwoRoomsShareANameAndAMoveAsksForATable)
{
  LAYOUTK saal2 = add_room(*db, "Saal"), house;
  LAYOUTP t1b = add_table(*db, saal2, "T1"), t2b = add_table(*db, saal2, "T2"), none;
  const int other = add_line(*db, saal, t1, 3.5);
  add_line(*db, saal2, t1b, 4.0);
  for (const char *settled : {"storniert", "bezahlt"})
    db->exec(Tools::format("update BONLINE set %s = 'JA' where idx = '%d'", settled, add_line(*db, saal2, t1b)));
  ASSERT_TRUE(db->commit());
  BonWinPtr win = open(saal2, t1b);
  ASSERT_EQ(win->get_sheet()->getNumRows(), 1);
  shot(win.get(), "orders_bonwin");
  EXPECT_EQ(open(saal2, none)->get_sheet()->getNumRows(), 1);
  EXPECT_EQ(open(house, none)->get_sheet()->getNumRows(), 2);

  answer<AddLineWin>([&](AddLineWin *entry) {
    choose(entry->get_groups(), "name", "Speisen");
    choose(entry->get_articles());
    choose(entry->get_prices());
    send_command(entry, AddLineWin::ID_OK);
  }, 1);
  send_command(win.get(), BonWin::ID_BONIEREN);
  select_all(win->get_sheet());
  Box prompt;
  testing::internal::CaptureStdout();
  answer<MoveToWin>([&](MoveToWin *move) {
    answer_box(prompt, move, MoveToWin::ID_OK);
    move->get_table_combo()->select_key("T2");
    send_command(move, MoveToWin::ID_OK);
  }, 1);
  send_command(win.get(), BonWin::ID_MOVETO);
  // The trace of the room the dialog opened on: the list of its tables.
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(has_line(out, "select label_name ", Tools::format("layout_idx = '%d' ", saal2.idx.value))) << out;
  EXPECT_NE(prompt.text.find("Bitte einen Tisch auswählen."), std::string::npos) << prompt.text;
  EXPECT_EQ(value("select group_concat(concat_ws(' ', layoutk_idx, layoutp_idx)) from BONLINE where storniert = "
                  "'NEIN' and bezahlt = 'NEIN'"),
            Tools::format("%d %d,%d %d,%d %d", saal.idx.value, t1.idx.value, saal2.idx.value, t2b.idx.value,
                          saal2.idx.value, t2b.idx.value));
  // Paid at the second room's T2: the lines of the room of the same name,
  // at its table of the same name, stay open.
  const int same_names = add_line(*db, saal, t2, 2.5);
  BonWinPtr t2_win = open(saal2, t2b);
  select_all(t2_win->get_sheet());
  Box question;
  answer_box(question, t2_win.get(), BonWin::ID_BAR, MBOX_CLICKED_YES);
  EXPECT_EQ(count(Tools::format("select count(*) from BONLINE where bezahlt = 'JA' and layoutp_idx = %d",
                                t2b.idx.value)),
            2);
  EXPECT_EQ(value(Tools::format("select group_concat(concat_ws(' ', bezahlt, layoutp_idx) order by idx) from BONLINE "
                                "where idx in (%d, %d)",
                                other, same_names)),
            Tools::format("NEIN %d,NEIN %d", t1.idx.value, t2.idx.value));
}

// The move dialog's trace names the table chosen only when the room holds
// a table of that name: a name typed that no table of the room has, or a
// table chosen before any room, leaves no trace of a table.
TEST_F(Orders, TheMoveDialogTracesOnlyATableFound)
{
  const struct
  {
    const char *room; // typed into the room list first ("" none)
    const char *table;
    bool found;
  } cases[] = {
      {"Saal", "T2", true},     {"Saal", "T7", false}, {"Saal", "T9", false}, // T9 stands on the Terrasse
      {"Terrasse", "T9", true}, {"", "T1", false},     {"Saal", "", false},
  };
  for (const auto &c : cases) {
    LAYOUTK room;
    LAYOUTP table;
    std::unique_ptr<MoveToWin> move(new MoveToWin(main, *main, room, table));
    move->get_room_combo()->setText(c.room);
    send_command(move.get(), MoveToWin::ID_ROOM);
    LogCapture log;
    move->get_table_combo()->setText(c.table);
    send_command(move.get(), MoveToWin::ID_DESK);
    // A table not found is a fresh record (idx 0) that keeps the name.
    EXPECT_EQ(log.count(Tools::format("LAYOUTP idx: %d: %s ", table.idx.value, c.table)), c.found ? 1 : 0)
        << c.room << " " << c.table;
    EXPECT_EQ(table.idx.value != 0, c.found) << c.room << " " << c.table;
  }
}

// While this station asks, another moves the line away: the Storno is
// refused, and the other station got the line at once (a lock held over
// the question would have kept it waiting).
TEST_F(Orders, StornoChecksTheLineTheUserSawAndNoStationWaitsOnItsQuestion)
{
  const int a = add_line(*db, saal, t1, 3.5);
  BonWinPtr here = open(saal, t1);
  choose(here->get_sheet());
  Tools::Ref<Tools::Database> other = connect(database);
  // A lock held over the question would keep the other station waiting;
  // a second of it is enough to see.
  ASSERT_TRUE(other->exec("SET SESSION innodb_lock_wait_timeout = 1").ok);
  ::Orders::Result moved;
  Box then_here;
  expect_box([&](const Box &) { moved = ::Orders(*other, anna).move({{a, saal.idx, t1.idx}}, terrasse, t9); },
             MBOX_CLICKED_YES);
  expect_box(then_here);
  send_command(here.get(), BonWin::ID_STORNO);
  EXPECT_TRUE(moved.done()) << moved.error;
  EXPECT_EQ(value(Tools::format("select concat_ws(' ', storniert, layoutk_name, layoutk_idx, layoutp_label_name, "
                                "layoutp_idx, hist_ae_user, hist_ae_zeit > now() - interval 1 minute) from BONLINE "
                                "where idx = %d",
                                a)),
            Tools::format("NEIN Terrasse %d T9 %d anna 1", terrasse.idx.value, t9.idx.value));
  EXPECT_NE(then_here.text.find("an einem anderen Platz geändert"), std::string::npos) << then_here.text;
  EXPECT_EQ(here->get_sheet()->getNumRows(), 0) << "the list shows the table as it is now";
}

TEST_F(Orders, AnArticleGoneIsNoChoiceAndTheEntryListsIgnoreThePointer)
{
  BonWinPtr win = open(saal, t1);
  answer<AddLineWin>([&](AddLineWin *entry) {
    SpreadSheet *articles = entry->get_articles();
    choose(entry->get_groups(), "name", "Getränke");
    // The wine is taken off the menu meanwhile.
    for (const char *table : {"PREIS", "GRP_ART"})
      ASSERT_TRUE(db->exec(Tools::format("delete from %s where art_idx = '%d'", table, wein.idx.value)).ok);
    ASSERT_TRUE(db->exec(Tools::format("delete from ART where idx = '%d'", wein.idx.value)).ok && db->commit());
    choose(articles, "artnr", "200");
    Box none;
    answer_box(none, entry, AddLineWin::ID_OK);
    EXPECT_NE(none.text.find("Bitte einen Artikel auswählen."), std::string::npos) << none.text;

    // A double click on a cell and typing cannot change what a list shows.
    choose(articles, "artnr", "100");
    run_pending(150);
    ASSERT_TRUE(focus(entry));
    for (SpreadSheet *sheet : {entry->get_groups(), articles, entry->get_prices()}) {
      const std::string before = sheet->getItemText(0, 0).text();
      ASSERT_TRUE(point_at(sheet, sheet->getRowHeader()->getWidth() + sheet->getColumnWidth(0) / 2,
                           sheet->getColumnHeader()->getHeight() + sheet->getRowHeight(0) / 2));
      ASSERT_TRUE(xdo("click --repeat 2 --delay 80 1"));
      run_pending(200);
      ASSERT_TRUE(xdo("key --delay 30 ctrl+a BackSpace x y z Return"));
      run_pending(200);
      EXPECT_EQ(std::string(sheet->getItemText(0, 0).text()), before);
    }
    send_command(entry, AddLineWin::ID_CANCEL);
  }, 0);
  send_command(win.get(), BonWin::ID_BONIEREN);
}

// A click on an article's number at the left of its row (its key, with
// two digits here, which widen that column) chooses the article as a click
// on the row does: its price is listed, and Ok books it.
TEST_F(Orders, AnArticleIsChosenByItsNumberWithThePointer)
{
  for (int i = 0; i < 12; ++i)
    add_article(*db, Tools::format("4%02d", i), add_vat(*db, Tools::format("W%d", i), 7), "Wein", 2 + i);
  BonWinPtr win = open(saal, t1);
  ASSERT_TRUE(focus(win.get(), false));
  run_pending(100);
  std::string chosen, number;
  run_steps(
      {[&] {
         AddLineWin *entry = modal<AddLineWin>();
         SpreadSheet *groups = entry ? entry->get_groups() : nullptr;
         for (int r = 0; groups && r < groups->getNumRows(); ++r)
           if (groups->get_row(r)->get_cell_by_name("name")->format("%s") == "Wein")
             return click_row(groups, r);
         return false;
       },
       [&] {
         SpreadSheet *articles = modal<AddLineWin>()->get_articles();
         if (articles->getNumRows() != 12)
           return false;
         // A row with a number of two digits; the first is current
         // already.
         int row = 1;
         while (row < 11 && articles->getRowText(row).length() != 2)
           ++row;
         articles->makePositionVisible(row, 0);
         number = articles->getRowText(row).text();
         chosen = articles->get_row(row)->get_cell_by_name("artnr")->format("%s");
         FXHeader *numbers = articles->getRowHeader();
         int top = 0;
         while (articles->rowAtY(top) < row && top < articles->getHeight())
           ++top;
         return click(articles, 1, numbers->getX() + numbers->getWidth() / 2, top + articles->getRowHeight(row) / 2);
       },
       [&] {
         AddLineWin *entry = modal<AddLineWin>();
         if (entry->get_prices()->getNumRows() != 1)
           return false;
         shot(entry, "orders_article_by_number");
         return click_row(entry->get_prices(), 0);
       },
       [&] {
         return modal<AddLineWin>()->get_prices()->isItemSelected(0, 1) && click(button(modal<AddLineWin>(), "Ok"), 1);
       }},
      15000);
  ASSERT_TRUE(click(button(win.get(), "Bonieren"), 1));
  ASSERT_TRUE(run_until([&] { return count("select count(*) from BONLINE") == 1; }, 8000));
  // The list shows the line, and the steps are over.
  EXPECT_TRUE(run_until([&] { return win->get_sheet()->getNumRows() == 1; }, 5000));
  run_pending(200);
  EXPECT_EQ(number.size(), 2u) << number;
  EXPECT_EQ(value("select artnr from BONLINE"), chosen);
}

// Every action the way a person reaches it: buttons, rows and lists with
// the real pointer; the questions are answered "Ja".
TEST_F(Orders, EveryActionIsReachedWithThePointer)
{
  BonWinPtr win = open(saal, t1);
  ASSERT_TRUE(focus(win.get(), false));
  run_pending(100);
  const auto open_lines = [&] {
    return count("select count(*) from BONLINE where storniert = 'NEIN' and bezahlt = 'NEIN' and layoutp_idx = " +
                 std::to_string(t1.idx.value));
  };
  // Bonieren: group, article, price, Ok; three times.
  for (int booked = 1; booked <= 3; ++booked) {
    run_steps({[&] { return modal<AddLineWin>() && click_row(modal<AddLineWin>()->get_groups(), 0); },
               [&] { return modal<AddLineWin>()->get_articles()->getNumRows() > 0 &&
                            click_row(modal<AddLineWin>()->get_articles(), 0); },
               [&] { return modal<AddLineWin>()->get_prices()->getNumRows() > 0 &&
                            click_row(modal<AddLineWin>()->get_prices(), 0); },
               [&] { return modal<AddLineWin>()->get_prices()->isItemSelected(0, 1) &&
                            click(button(modal<AddLineWin>(), "Ok"), 1); }},
              15000);
    ASSERT_TRUE(click(button(win.get(), "Bonieren"), 1));
    ASSERT_TRUE(run_until([&] { return open_lines() == booked && win->get_sheet()->getNumRows() == booked; }, 8000))
        << booked;
  }
  // Moved to T2: the first line, by the list of tables.
  Box question;
  ASSERT_TRUE(click_row(win->get_sheet(), 0, true));
  // The wheel turns the list that has the keyboard: a click into it gives
  // it.
  run_steps({[&] { return modal<MoveToWin>() && focus(modal<MoveToWin>(), false); },
             [&] { return click(modal<MoveToWin>()->get_table_combo(), 1, 10, 10); },
             [&] {
               ComboBox *tables = modal<MoveToWin>()->get_table_combo();
               if (std::string(tables->getText().text()) == "T2")
                 return true;
               xdo("click 5");
               return false;
             },
             [&] { return click(button(modal<MoveToWin>(), "Ok"), 1); }},
            15000);
  ASSERT_TRUE(click(button(win.get(), "auf anderen Tisch"), 1));
  ASSERT_TRUE(run_until([&] { return open_lines() == 2; }, 15000));
  // Storno of the next.
  expect_box(question, MBOX_CLICKED_YES);
  ASSERT_TRUE(click_row(win->get_sheet(), 0, true));
  ASSERT_TRUE(click(button(win.get(), "Storno"), 1));
  ASSERT_TRUE(run_until([&] { return open_lines() == 1; }, 5000));
  EXPECT_NE(question.text.find("storniert werden"), std::string::npos) << question.text;
  // The line left here: Bezahlen with the voucher.
  expect_box(question, MBOX_CLICKED_YES);
  ASSERT_TRUE(click_row(win->get_sheet(), 0, true));
  run_steps({[&] { return modal<BezahlWin>() && click_row(modal<BezahlWin>()->get_kinds(), 0); },
             [&] { return modal<BezahlWin>()->get_kinds()->isItemSelected(0, 1) &&
                          click(button(modal<BezahlWin>(), "Ok"), 1); }},
            15000);
  ASSERT_TRUE(click(button(win.get(), "Bezahlen"), 1));
  ASSERT_TRUE(run_until([&] { return open_lines() == 0; }, 15000));
  // And the moved one in cash, at its table.
  BonWinPtr there = open(saal, t2);
  ASSERT_TRUE(focus(there.get(), false));
  run_pending(100);
  expect_box(question, MBOX_CLICKED_YES);
  ASSERT_TRUE(click_row(there->get_sheet(), 0, true));
  ASSERT_TRUE(click(button(there.get(), "Bar Bezahlen"), 1));
  ASSERT_TRUE(run_until([&] { return there->get_sheet()->getNumRows() == 0; }, 5000));
  EXPECT_EQ(value("select group_concat(concat_ws(' ', layoutp_label_name, storniert, bezahlt, sonst_bezahlt, "
                  "bar_bezahlt, sonst_art_name) order by idx) from BONLINE"),
            "T2 NEIN JA 0 3.5 ,T1 JA NEIN 0 0 ,T1 NEIN JA 3.5 0 Gutschein");
}

// Empties the field the pointer points at (it has the keyboard) and types
// the keys given, as a person does.
bool retype(FXTextField *field, const std::string &keys)
{
  std::string backspaces;
  for (int i = field ? field->getText().length() : 0; i > 0; --i)
    backspaces += " BackSpace";
  return click(field, 1) && xdo("key --delay 30 End" + backspaces + " " + keys);
}

std::string text_of(FXTextField *field) { return field ? field->getText().text() : ""; }

// What a waiter types into "Menge:" is booked only by "Ok" or Return
// there: Escape, "Abbrechen", Tab and a click on another article after it
// book nothing (a field that sends its command when it loses the focus
// would book the line each time). Done with the real pointer and keys.
TEST_F(Orders, AQuantityIsBookedOnlyByOkOrReturnWithThePointer)
{
  BonWinPtr win = open(saal, t1);
  ASSERT_TRUE(focus(win.get(), false));
  run_pending(100);
  AddLineWin *entry = nullptr;
  int booked_meanwhile = -1;
  // Group, article and price chosen, and the quantity typed; then the way
  // out.
  const auto entered = [&](const std::string &quantity, const std::vector<std::function<bool()> > &then) {
    entry = nullptr;
    std::vector<std::function<bool()> > steps = {
        [&] {
          entry = modal<AddLineWin>();
          if (!entry || !focus(entry))
            return false;
          SpreadSheet *groups = entry->get_groups();
          for (int r = 0; r < groups->getNumRows(); ++r)
            if (groups->get_row(r)->get_cell_by_name("name")->format("%s") == "Getränke")
              return click_row(groups, r);
          return false;
        },
        [&] { return entry->get_articles()->getNumRows() == 2 && click_row(entry->get_articles(), 0); },
        [&] { return entry->get_prices()->getNumRows() == 1 && click_row(entry->get_prices(), 0); },
        [&, quantity] {
          return entry->get_prices()->isItemSelected(0, 1) && retype(entry->get_menge(), quantity);
        },
        [&, quantity] { return text_of(entry->get_menge()) == quantity; }};
    steps.insert(steps.end(), then.begin(), then.end());
    run_steps(steps, 20000);
    ASSERT_TRUE(click(button(win.get(), "Bonieren"), 1));
    ASSERT_TRUE(run_until([&] { return entry && !modal<AddLineWin>(); }, 20000)) << quantity;
    run_pending(200);
  };
  const struct
  {
    const char *way;
    std::vector<std::function<bool()> > then;
  } dropped[] = {
      {"Escape", {[] { return xdo("key Escape"); }}},
      {"Abbrechen", {[&] { return click(button(entry, "Abbrechen"), 1); }}},
      {"Tab, then Escape",
       {[] { return xdo("key Tab"); }, [&] { return !entry->get_menge()->hasFocus() && xdo("key Escape"); }}},
      {"a click on another article",
       {[&] { return click_row(entry->get_articles(), 1); },
        [&] {
          if (!entry->get_articles()->isItemSelected(1, 1))
            return false;
          run_pending(200);
          booked_meanwhile = count("select count(*) from BONLINE");
          return click(button(entry, "Abbrechen"), 1);
        }}},
  };
  for (const auto &d : dropped) {
    entered("2", d.then);
    EXPECT_EQ(count("select count(*) from BONLINE"), 0) << d.way;
  }
  EXPECT_EQ(booked_meanwhile, 0) << "the line was booked while the dialog stayed open";
  // "Ok", and Return in "Menge:", book the line once each.
  entered("2", {[&] { return click(button(entry, "Ok"), 1); }});
  entered("3", {[] { return xdo("key Return"); }});
  EXPECT_EQ(value("select group_concat(concat_ws(' ', artnr, anzahl, user) order by idx) from BONLINE"),
            "100 2 anna,100 3 anna");
  EXPECT_TRUE(run_until([&] { return win->get_sheet()->getNumRows() == 2; }, 5000));
}

// A voucher (worth 5.00) pays no more than its value on a bill of 37.50,
// whatever order the fields are filled in: the cash typed after choosing
// it is refused in words naming what is still open, and the dialog stays
// for the cash the bill asks; typed before, the choice leaves the rest to
// cash. Done with the real pointer and keys; the server holds the parts.
TEST_F(Orders, AVoucherPaysNoMoreThanItsValueWithThePointer)
{
  add_line(*db, saal, t1, 37.5);
  add_line(*db, saal, t1, 37.5);
  BonWinPtr win = open(saal, t1);
  ASSERT_TRUE(focus(win.get(), false));
  run_pending(100);
  BezahlWin *pay = nullptr;
  Box refused, question;
  // The refusal comes onto the screen as the program shows it.
  MessageBox::Answerer *harness = nullptr;
  const auto amounts = [&](const char *cash, const char *rest) {
    return text_of(pay->get_cash_field()) == cash && text_of(pay->get_rest_field()) == rest;
  };
  const auto opened = [&] {
    pay = modal<BezahlWin>();
    return pay && focus(pay);
  };
  const auto voucher = [&] { return click_row(pay->get_kinds(), 0); };
  const auto ok_then_yes = [&] {
    expect_box(question, MBOX_CLICKED_YES);
    return click(button(pay, "Ok"), 1);
  };
  const std::vector<std::vector<std::function<bool()> > > payments = {
      // The voucher first, then the cash: refused; then the cash asked.
      {opened, voucher, [&] { return amounts("32.50", "5.00") && retype(pay->get_cash_field(), "1 0 Return"); },
       [&] {
         if (!amounts("10.00", "27.50"))
           return false;
         harness = MessageBox::set_answerer(nullptr);
         return click(button(pay, "Ok"), 1);
       },
       [&] {
         FXMessageBox *box = dynamic_cast<FXMessageBox *>(app()->getModalWindow());
         if (!box)
           return false;
         shot(box, "orders_voucher_beyond_its_value");
         refused.title = box->getTitle().text();
         for (FXLabel *label : find_all<FXLabel>(box))
           if (!dynamic_cast<FXButton *>(label))
             refused.text += Tools::fxcompat::whole(label->getText());
         MessageBox::set_answerer(harness);
         return click(button(box, ""), 1);
       },
       [&] { return modal<BezahlWin>() == pay && retype(pay->get_cash_field(), "3 2 comma 5 Return"); },
       [&] { return amounts("32.50", "5.00") && ok_then_yes(); }},
      // The cash first, left with Tab, then the voucher.
      {opened, [&] { return retype(pay->get_cash_field(), "1 0 Tab"); },
       [&] { return amounts("10.00", "27.50") && voucher(); },
       [&] { return amounts("32.50", "5.00") && ok_then_yes(); }},
  };
  int open_lines = 2;
  for (const auto &steps : payments) {
    ASSERT_TRUE(click_row(win->get_sheet(), 0, true));
    run_steps(steps, 20000);
    ASSERT_TRUE(click(button(win.get(), "Bezahlen"), 1));
    --open_lines;
    ASSERT_TRUE(run_until([&] { return win->get_sheet()->getNumRows() == open_lines; }, 20000)) << open_lines;
    // The steps are over.
    run_pending(200);
    EXPECT_TRUE(question.seen);
  }
  EXPECT_EQ(refused.title, "Datenfehler");
  EXPECT_EQ(refused.text, std::string(::Orders::text(::Orders::MORE_THAN_KIND)) + "\nGutschein: 5.00\nNoch offen: 22.50");
  EXPECT_EQ(value("select group_concat(concat_ws(' ', bezahlt, sonst_bezahlt, bar_bezahlt, sonst_art_name) order by "
                  "idx) from BONLINE"),
            "JA 5 32.5 Gutschein,JA 5 32.5 Gutschein");
}

// A station that only looks holds no transaction between two actions:
// what its windows read is ended once it waits for the person again, so
// that the server holds no metadata locks for it. (An idle station used to
// keep an ALTER TABLE or a CREATE TRIGGER waiting until its next payment.)
// Asked on the station's own connection after each action, and at the end
// an ALTER TABLE that waits a second at most goes through.
TEST_F(Orders, BetweenTwoActionsTheStationHoldsNoTransaction)
{
  ASSERT_TRUE(add_user(*db, "bert", "Pw1"));
  for (int i = 0; i < 3; ++i)
    add_line(*db, saal, t1, 2.5);
  ASSERT_TRUE(db->commit());
  int checked = 0;
  const auto idle = [&](const std::string &after) {
    run_pending(60);
    EXPECT_EQ("0", query_value(*main->getDatabase(), "select @@in_transaction")) << "after " << after;
    ++checked;
  };
  const auto answer_yes = [] {
    static Box question;
    expect_box(question, MBOX_CLICKED_YES);
  };
  // What is done inside the order window of T1, in this order.
  const std::vector<std::pair<const char *, std::function<void(BonWin *)> > > in_window = {
      {"opening the order window", [](BonWin *) {}},
      {"a booking",
       [](BonWin *bon) {
         answer<AddLineWin>([](AddLineWin *entry) {
           choose(entry->get_groups(), "name", "Speisen");
           choose(entry->get_articles());
           choose(entry->get_prices());
           send_command(entry, AddLineWin::ID_OK);
         }, 1);
         send_command(bon, BonWin::ID_BONIEREN);
       }},
      {"a Storno",
       [&](BonWin *bon) {
         select_first(bon->get_sheet());
         answer_yes();
         send_command(bon, BonWin::ID_STORNO);
       }},
      {"a move",
       [&](BonWin *bon) {
         select_first(bon->get_sheet());
         answer<MoveToWin>([&](MoveToWin *move) {
           move->get_table_combo()->select_key("T2");
           send_command(move, MoveToWin::ID_OK);
         }, 1);
         send_command(bon, BonWin::ID_MOVETO);
       }},
      {"a cash payment",
       [&](BonWin *bon) {
         select_first(bon->get_sheet());
         answer_yes();
         send_command(bon, BonWin::ID_BAR);
       }},
      {"a payment with a voucher",
       [&](BonWin *bon) {
         select_first(bon->get_sheet());
         answer<BezahlWin>([&](BezahlWin *pay) {
           choose(pay->get_kinds());
           answer_yes();
           send_command(pay, BezahlWin::ID_OK);
         }, 1);
         send_command(bon, BonWin::ID_BEZAHLEN);
       }},
  };
  RoomWin *rooms = nullptr;
  const std::vector<std::pair<const char *, std::function<void()> > > actions = {
      {"the login",
       [&] {
         EXPECT_EQ(1, run_login(main, {{[](Login *l) { confirm(l, "bert", "Pw1"); }, Login::ACCEPTED}}));
         EXPECT_EQ("bert", main->getUser()->login.value);
       }},
      {"opening the room screen", [&] { rooms = StationTest::open<RoomWin>(MainWindow::ID_ROOMS); }},
      {"a room press",
       [&] {
         ASSERT_NE(nullptr, rooms);
         Tools::ThemeButton *room = named(rooms->get_room_buttons(), "Saal");
         ASSERT_NE(nullptr, room);
         rooms->handle(room, FXSEL(SEL_COMMAND, room->getSelector()), nullptr);
       }},
      {"closing the order window",
       [&] {
         FixButton *desk = named(rooms->get_desks(), "T1");
         ASSERT_NE(nullptr, desk);
         answer<BonWin>([&](BonWin *bon) {
           for (const auto &action : in_window) {
             action.second(bon);
             idle(action.first);
           }
           EXPECT_EQ(0, bon->get_sheet()->getNumRows()) << "every line of T1 was settled";
         });
         rooms->handle(desk, FXSEL(SEL_COMMAND, desk->getSelector()), nullptr);
       }},
      {"opening the articles", [&] { send_command(main, MainWindow::ID_ART); }},
      {"opening the VAT groups", [&] { send_command(main, MainWindow::ID_GRPUST); }},
      {"opening the users", [&] { send_command(main, MainWindow::ID_USER); }},
      {"opening the payment kinds", [&] { send_command(main, MainWindow::ID_SONSTART); }},
      {"opening the layout editor", [&] { send_command(main, MainWindow::ID_EDITOR); }},
      {"opening the translations", [&] { send_command(main, MainWindow::ID_LANGWIN); }},
  };
  for (const auto &action : actions) {
    action.second();
    idle(action.first);
  }
  EXPECT_EQ(static_cast<int>(actions.size() + in_window.size()), checked);
  EXPECT_EQ(value("select group_concat(concat_ws(' ', layoutp_label_name, storniert, bezahlt, sonst_art_name) "
                  "order by idx) from BONLINE"),
            "T1 JA NEIN ,T2 NEIN NEIN ,T1 NEIN JA ,T1 NEIN JA Gutschein");

  // Work that a forgotten return path would leave, a change or a lock, is
  // not ended there: it is logged once the program waits, once, naming the
  // statement that opened it (which fails a test that leaves it).
  Tools::Database &station = *main->getDatabase();
  for (const char *left : {"update BONLINE set hist_lo_user = 'vergessen'", "select idx from LAYOUTK for update"}) {
    WorkKeptOpen kept;
    LogCapture log;
    ASSERT_TRUE(station.exec(left).ok) << left;
    run_pending(60);
    ASSERT_TRUE(station.exec("select count(*) from ART").ok); // more of the same transaction
    run_pending(60);
    ASSERT_EQ(1u, kept.reports.size()) << left;
    const std::string said = "work left open on the shared connection when the program waited for the person, "
                             "opened by: ";
    EXPECT_EQ(said + left, kept.reports[0]);
    EXPECT_EQ(1, log.count(kept.reports[0])) << left;
    EXPECT_EQ("1", query_value(station, "select @@in_transaction")) << left << ": not left alone";
    ASSERT_TRUE(station.rollback());
  }
  ASSERT_TRUE(db->exec("SET SESSION lock_wait_timeout = 1").ok);
  EXPECT_TRUE(db->exec("ALTER TABLE BONLINE ADD COLUMN idle_check INT").ok) << db->get_error();
}

} // namespace
