// The order lines of a table: what the list shows, a new line stored once,
// cancelling, cash and mixed payment, and moving lines to another table;
// each change seen (or not) from a second connection, the questions and
// dialogs answered from timeouts.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "gui/combobox.h"
#include "gui/moneyfield.h"
#include "gui/spreadsheet.h"
#include "rooms/addlinewin.h"
#include "rooms/bezahlwin.h"
#include "rooms/bonwin.h"
#include "rooms/movetowin.h"
#include "shell/mainwindow.h"
#include "tests/rooms/orders_support.h"
#include "tools/core/format.h"
#include "tools/dbi/database.h"
#include "tools/widgets/theme.h"

using namespace FX;
using korvan_gui_test::answer_box;
using korvan_gui_test::answer_modal;
using korvan_gui_test::run_pending;
using korvan_gui_test::screenshot;
using korvan_gui_test::shot_dir;
using korvan_orders_test::Box;
using korvan_orders_test::expect_box;
using korvan_orders_test::OrdersTest;
using korvan_orders_test::question_then_box;

namespace {

struct WindowDeleter
{
  void operator()(FXWindow *w) const { delete w; }
};
typedef std::unique_ptr<BonWin, WindowDeleter> BonWinPtr;

std::string cell(const Tools::Ref<Tools::DBBindType> &row, const char *column)
{
  const Tools::DBType *c = row.valid() ? row->get_cell_by_name(column) : nullptr;
  return c ? c->format("%s") : std::string();
}

// The sheet row whose record has that value in the column; -1 if none.
int find_row(SpreadSheet *sheet, const char *column, const std::string &value)
{
  for (int r = 0; r < sheet->getNumRows(); ++r)
    if (cell(sheet->get_row(r), column) == value)
      return r;
  return -1;
}

// Makes the row current, as a click on it does (the sheet tells its owner).
void choose(SpreadSheet *sheet, int row)
{
  ASSERT_GE(row, 0);
  sheet->setCurrentItem(row, 0, TRUE);
}

void select_all(SpreadSheet *sheet)
{
  sheet->selectRange(0, sheet->getNumRows() - 1, 0, sheet->getNumColumns() - 1, FALSE);
}

std::string text_of(FXTextField *field) { return field->getText().text(); }

bool xdo(const std::string &args) { return system(("xdotool " + args + " >/dev/null 2>&1").c_str()) == 0; }

// A double click on the first cell of the sheet and typing, as a person
// would try to change it.
void type_into_first_cell(SpreadSheet *sheet)
{
  int sx = 0, sy = 0;
  sheet->translateCoordinatesTo(sx, sy, sheet->getApp()->getRootWindow(),
                                sheet->getRowHeader()->getWidth() + sheet->getColumnWidth(0) / 2,
                                sheet->getColumnHeader()->getHeight() + sheet->getRowHeight(0) / 2);
  ASSERT_TRUE(xdo(Tools::format("mousemove --sync %d %d", sx, sy)));
  ASSERT_TRUE(xdo("click --repeat 2 --delay 80 1"));
  run_pending(200);
  ASSERT_TRUE(xdo("key --delay 30 ctrl+a BackSpace x y z Return"));
  run_pending(200);
}

long command(FXObject *target, FXuint id) { return target->handle(nullptr, FXSEL(SEL_COMMAND, id), nullptr); }

// The first article of the group and its first price, as clicks choose them.
void choose_first_of(AddLineWin *entry, const char *group)
{
  choose(entry->get_groups(), find_row(entry->get_groups(), "name", group));
  choose(entry->get_articles(), 0);
  choose(entry->get_prices(), 0);
}

// Answers the next modal window, which must be a W, with `act`; its run
// ends with `code` unless `act` ended it.
template <class W> void in_modal(std::function<void(W *)> act, FXuint code)
{
  answer_modal(
      [act](FXWindow *w) {
        W *win = dynamic_cast<W *>(w);
        ASSERT_NE(win, nullptr);
        act(win);
      },
      code);
}

class Orders : public OrdersTest
{
protected:
  BonWinPtr open(LAYOUTK &room, LAYOUTP &table, MainWindow *station = nullptr)
  {
    station = station ? station : main;
    BonWinPtr win(new BonWin(station, *station, room, table));
    win->create();
    win->show(PLACEMENT_OWNER);
    run_pending(20);
    return win;
  }
};

} // namespace

// ---- the list ----

TEST_F(Orders, TheListShowsTheOpenLinesOfTheTableTheRoomOrTheHouse)
{
  int open1 = add_line(saal, t1, 3.5);
  add_line(saal, t1, 4.0);
  int cancelled = add_line(saal, t1, 1.0);
  int paid = add_line(saal, t1, 1.0);
  add_line(saal, t2, 2.0);
  add_line(terrasse, t9, 2.0);
  db->exec(Tools::format("update BONLINE set storniert = 'JA' where idx = '%d'", cancelled));
  db->exec(Tools::format("update BONLINE set bezahlt = 'JA' where idx = '%d'", paid));
  db->commit();

  BonWinPtr table_win = open(saal, t1);
  SpreadSheet *sheet = table_win->get_sheet();
  EXPECT_EQ(sheet->getNumRows(), 2);
  EXPECT_GE(find_row(sheet, "idx", std::to_string(open1)), 0);
  EXPECT_EQ(table_win->get_current_line().idx.value, 0);
  EXPECT_TRUE(screenshot(shot_dir() + "/orders_bonwin.png"));

  LAYOUTP no_table;
  BonWinPtr room_win = open(saal, no_table);
  EXPECT_EQ(room_win->get_sheet()->getNumRows(), 3);

  LAYOUTK no_room;
  BonWinPtr house_win = open(no_room, no_table);
  EXPECT_EQ(house_win->get_sheet()->getNumRows(), 4);
}

TEST_F(Orders, NamesWithQuotesFilterTheListAndSelectingLoadsTheLine)
{
  LAYOUTK pub = add_room("Kai's \\Bar");
  LAYOUTP corner = add_table(pub, "Eck'e");
  int line = add_line(pub, corner, 2.5);
  add_line(saal, t1, 1.0);

  BonWinPtr win = open(pub, corner);
  ASSERT_EQ(win->get_sheet()->getNumRows(), 1);
  choose(win->get_sheet(), 0);
  EXPECT_EQ(win->get_current_line().idx.value, line);
  EXPECT_EQ(win->get_current_line().layoutk_name.value, "Kai's \\Bar");
  EXPECT_DOUBLE_EQ(win->get_current_line().preis.value, 2.5);
}

// ---- a new line ----

TEST_F(Orders, ANewLineIsStoredOnceAndCommitted)
{
  BonWinPtr win = open(saal, t1);
  bool checked = false;
  in_modal<AddLineWin>([&](AddLineWin *entry) {
    // One row per group name, however many articles it holds.
    EXPECT_EQ(entry->get_groups()->getNumRows(), 2);

    choose(entry->get_groups(), find_row(entry->get_groups(), "name", "Getränke"));
    choose(entry->get_articles(), find_row(entry->get_articles(), "artnr", "200"));
    ASSERT_EQ(entry->get_prices()->getNumRows(), 1);
    EXPECT_EQ(std::string(entry->get_prices()->getItemText(0, 0).text()), "12345.67");
    choose(entry->get_prices(), 0);
    entry->get_menge()->setText("2");
    EXPECT_TRUE(screenshot(shot_dir() + "/orders_addlinewin.png"));
    // A double click on Ok.
    command(entry, AddLineWin::ID_OK);
    command(entry, AddLineWin::ID_OK);
    checked = true;
  }, 1);
  command(win.get(), BonWin::ID_BONIEREN);
  ASSERT_TRUE(checked);

  EXPECT_EQ(count("where layoutp_label_name = 'T1'"), 1);
  std::string idx = korvan_gui_test::query_value(*db, "select idx from BONLINE");
  int line = atoi(idx.c_str());
  EXPECT_EQ(line_value(line, "preis"), "12345.67");
  EXPECT_EQ(line_value(line, "anzahl"), "2");
  EXPECT_EQ(line_value(line, "user"), "anna");
  EXPECT_EQ(line_value(line, "user_idx"), std::to_string(user_idx));
  EXPECT_EQ(line_value(line, "artnr"), "200");
  EXPECT_EQ(line_value(line, "layoutp_idx"), std::to_string(t1.idx.value));
  EXPECT_EQ(line_value(line, "preis_idx"), std::to_string(wein_preis));
  EXPECT_EQ(win->get_sheet()->getNumRows(), 1);
}

TEST_F(Orders, AMissingChoiceIsAskedForInOrderAndAPlaceIsLoadedFromTheLists)
{
  LAYOUTK no_room;
  LAYOUTP no_table;
  BonWinPtr win = open(no_room, no_table);
  std::vector<std::string> prompts;
  in_modal<AddLineWin>([&](AddLineWin *entry) {
    auto ok_prompt = [&]() {
      Box box;
      answer_box(box, entry, AddLineWin::ID_OK, MBOX_CLICKED_OK);
      run_pending(10);
      prompts.push_back(box.seen ? box.text : std::string("(no box)"));
    };
    ok_prompt(); // no article
    choose(entry->get_groups(), find_row(entry->get_groups(), "name", "Speisen"));
    choose(entry->get_articles(), 0);
    ok_prompt(); // no price
    choose(entry->get_prices(), 0);
    ok_prompt(); // no room
    entry->get_room_combo()->select_key("Terrasse");
    // The table list now holds the tables of that room only.
    EXPECT_EQ(entry->get_table_combo()->get_keys().size(), 2u);
    ok_prompt(); // no table
    // Another group empties article and price again.
    choose(entry->get_groups(), find_row(entry->get_groups(), "name", "Getränke"));
    ok_prompt();
    choose(entry->get_articles(), find_row(entry->get_articles(), "artnr", "100"));
    choose(entry->get_prices(), 0);
    entry->get_table_combo()->select_key("T9");
    // Enter in the quantity with nothing usable keeps the dialog open.
    entry->get_menge()->setText("-3");
    command(entry, AddLineWin::ID_MENGE);
    EXPECT_EQ(text_of(entry->get_menge()), "0");
    ok_prompt(); // quantity below 1
    entry->get_menge()->setText("3");
    command(entry, AddLineWin::ID_MENGE); // Enter with 3 stores
  }, 1);
  command(win.get(), BonWin::ID_BONIEREN);
  ASSERT_EQ(prompts.size(), 6u);
  EXPECT_NE(prompts[0].find("Bitte einen Artikel auswählen."), std::string::npos) << prompts[0];
  EXPECT_NE(prompts[1].find("Bitte einen Preis auswählen."), std::string::npos) << prompts[1];
  EXPECT_NE(prompts[2].find("Raum"), std::string::npos) << prompts[2];
  EXPECT_NE(prompts[3].find("Bitte einen Tisch auswählen."), std::string::npos) << prompts[3];
  EXPECT_NE(prompts[4].find("Bitte einen Artikel auswählen."), std::string::npos) << prompts[4];
  EXPECT_NE(prompts[5].find("Menge"), std::string::npos) << prompts[5];

  ASSERT_EQ(count(""), 1);
  int line = atoi(korvan_gui_test::query_value(*db, "select idx from BONLINE").c_str());
  EXPECT_EQ(line_value(line, "layoutk_name"), "Terrasse");
  EXPECT_EQ(line_value(line, "layoutp_idx"), std::to_string(t9.idx.value));
  EXPECT_EQ(line_value(line, "anzahl"), "3");
}

TEST_F(Orders, ACancelledEntryAndAFailedInsertStoreNothing)
{
  BonWinPtr win = open(saal, t1);
  in_modal<AddLineWin>([&](AddLineWin *entry) {
    choose_first_of(entry, "Getränke");
    command(entry, AddLineWin::ID_CANCEL);
  }, 0);
  command(win.get(), BonWin::ID_BONIEREN);
  EXPECT_EQ(count(""), 0);

  // A user the database does not know: the insert fails, the dialog says
  // so and stays open, and nothing is committed.
  Tools::Ref<USER> ghost(new USER);
  ghost->login = "ghost";
  ghost->idx = 999;
  main->setUser(ghost);
  Box error;
  bool stayed_open = false;
  in_modal<AddLineWin>([&](AddLineWin *entry) {
    choose_first_of(entry, "Getränke");
    answer_box(error, entry, AddLineWin::ID_OK, MBOX_CLICKED_OK);
    stayed_open = korvan_gui_test::app()->getModalWindow() == static_cast<FXWindow *>(entry);
    command(entry, AddLineWin::ID_CANCEL);
  }, 0);
  command(win.get(), BonWin::ID_BONIEREN);
  EXPECT_EQ(error.title, "Datenbankfehler");
  EXPECT_NE(error.text.find("Datanbankefehler"), std::string::npos);
  EXPECT_TRUE(stayed_open);
  EXPECT_EQ(count(""), 0);
  EXPECT_EQ(win->get_sheet()->getNumRows(), 0);
}

// ---- Storno ----

TEST_F(Orders, StornoKeepsTheLineUnlessTheAnswerIsYes)
{
  int line = add_line(saal, t1, 3.5);
  BonWinPtr win = open(saal, t1);

  // Nothing selected since the list was filled: nothing happens (a box
  // would wait for an answer that never comes).
  command(win.get(), BonWin::ID_STORNO);
  EXPECT_EQ(line_value(line, "storniert"), "NEIN");

  choose(win->get_sheet(), 0);
  ASSERT_EQ(win->get_current_line().idx.value, line);
  for (FXuint answer : {static_cast<FXuint>(MBOX_CLICKED_NO), static_cast<FXuint>(MBOX_CLICKED_CANCEL)}) {
    Box question;
    answer_box(question, win.get(), BonWin::ID_STORNO, answer);
    EXPECT_NE(question.text.find("Soll dieser Eintrag tatsächlich storniert werden?"), std::string::npos);
    EXPECT_EQ(line_value(line, "storniert"), "NEIN") << answer;
    EXPECT_EQ(line_value(line, "hist_ae_user"), "") << answer;
    EXPECT_EQ(win->get_current_line().idx.value, line) << answer;
  }

  Box yes;
  answer_box(yes, win.get(), BonWin::ID_STORNO, MBOX_CLICKED_YES);
  EXPECT_EQ(line_value(line, "storniert"), "JA");
  EXPECT_EQ(line_value(line, "storno_user"), "anna");
  EXPECT_EQ(line_value(line, "storno_user_idx"), std::to_string(user_idx));
  EXPECT_EQ(line_value(line, "bezahlt"), "NEIN");
  EXPECT_EQ(win->get_sheet()->getNumRows(), 0);
}

TEST_F(Orders, ALineSettledElsewhereIsNeitherCancelledNorPaidAgain)
{
  int first = add_line(saal, t1, 3.5);
  int second = add_line(saal, t1, 4.0);
  BonWinPtr win = open(saal, t1);
  choose(win->get_sheet(), find_row(win->get_sheet(), "idx", std::to_string(first)));

  // Another station cancels the first line and pays the second.
  db->exec(Tools::format("update BONLINE set storniert = 'JA', storno_user = 'anna' where idx = '%d'", first));
  db->exec(Tools::format("update BONLINE set bezahlt = 'JA', bar_bezahlt = '4' where idx = '%d'", second));
  ASSERT_TRUE(db->commit());

  Box question, stale;
  question_then_box(question, MBOX_CLICKED_YES, stale, win.get(), BonWin::ID_STORNO);
  EXPECT_EQ(stale.title, "Datenfehler");
  EXPECT_EQ(line_value(first, "hist_ae_user"), "");
  // The list shows what is open now.
  EXPECT_EQ(win->get_sheet()->getNumRows(), 0);

  // Lines that were open when the list was filled but are paid now.
  BonWinPtr win2 = open(saal, t1);
  EXPECT_EQ(win2->get_sheet()->getNumRows(), 0);
  int third = add_line(saal, t1, 2.0);
  int fourth = add_line(saal, t1, 2.0);
  BonWinPtr win3 = open(saal, t1);
  ASSERT_EQ(win3->get_sheet()->getNumRows(), 2);
  select_all(win3->get_sheet());
  db->exec(Tools::format("update BONLINE set bezahlt = 'JA', bar_bezahlt = '2' where idx = '%d'", fourth));
  ASSERT_TRUE(db->commit());
  Box stale2;
  question_then_box(question, MBOX_CLICKED_YES, stale2, win3.get(), BonWin::ID_BAR);
  EXPECT_EQ(stale2.title, "Datenfehler");
  // Nothing of the action is kept: the third line is still open.
  EXPECT_EQ(line_value(third, "bezahlt"), "NEIN");
  EXPECT_EQ(line_value(third, "bar_bezahlt"), "0");
  EXPECT_EQ(line_value(fourth, "bar_bezahlt"), "2");
}

// ---- paying ----

TEST_F(Orders, CashPaymentBooksEachLineAtItsFullAmountOnlyAfterYes)
{
  int a = add_line(saal, t1, 3.5);
  int b = add_line(saal, t1, 12345.67);
  int c = add_line(saal, t1, 2.5, 3);
  int d = add_line(saal, t1, 0.125, 3);
  BonWinPtr win = open(saal, t1);
  ASSERT_EQ(win->get_sheet()->getNumRows(), 4);

  // No selection: nothing, no question.
  command(win.get(), BonWin::ID_BAR);
  EXPECT_EQ(count("where bezahlt = 'JA'"), 0);

  select_all(win->get_sheet());
  Box no;
  answer_box(no, win.get(), BonWin::ID_BAR, MBOX_CLICKED_NO);
  EXPECT_NE(no.text.find("4 Bonierungen auf bezahlt setzten?"), std::string::npos) << no.text;
  EXPECT_EQ(count("where bezahlt = 'JA' or bar_bezahlt <> 0"), 0);

  select_all(win->get_sheet());
  Box yes;
  answer_box(yes, win.get(), BonWin::ID_BAR, MBOX_CLICKED_YES);
  EXPECT_EQ(line_value(a, "bezahlt"), "JA");
  EXPECT_EQ(line_value(a, "bar_bezahlt"), "3.5");
  EXPECT_EQ(line_value(b, "bar_bezahlt"), "12345.67");
  // Three at 2.50 cost 7.50.
  EXPECT_EQ(line_value(c, "bar_bezahlt"), "7.5");
  // 0.375 rounded once, not three times 0.13.
  EXPECT_EQ(line_value(d, "bar_bezahlt"), "0.38");
  EXPECT_EQ(line_value(c, "hist_ae_user"), "anna");
  EXPECT_EQ(win->get_sheet()->getNumRows(), 0);
}

TEST_F(Orders, APartialOtherPaymentGoesToTheFirstLinesAndTheRestIsCash)
{
  int a = add_line(saal, t1, 5.0);
  int b = add_line(saal, t1, 3.0);
  int c = add_line(saal, t1, 2.0);
  BonWinPtr win = open(saal, t1);
  select_all(win->get_sheet());

  // A cancelled payment dialog books nothing and asks nothing.
  answer_modal([](FXWindow *w) { command(w, BezahlWin::ID_CANCEL); }, 0);
  command(win.get(), BonWin::ID_BEZAHLEN);
  EXPECT_EQ(count("where bezahlt = 'JA'"), 0);

  select_all(win->get_sheet());
  Box refused, question;
  in_modal<BezahlWin>([&](BezahlWin *pay) {
    EXPECT_EQ(text_of(pay->get_total_field()), "10.00");
    pay->get_cash_field()->setText("5");
    command(pay, BezahlWin::ID_BAR);
    EXPECT_EQ(text_of(pay->get_rest_field()), "5.00");
    // A rest without a kind of payment is refused.
    answer_box(refused, pay, BezahlWin::ID_OK, MBOX_CLICKED_OK);
    EXPECT_EQ(korvan_gui_test::app()->getModalWindow(), static_cast<FXWindow *>(pay));
    pay->get_rest_field()->setText("2");
    command(pay, BezahlWin::ID_REST);
    EXPECT_EQ(text_of(pay->get_cash_field()), "8.00");
    // The voucher is worth 5.00; then 4.00 of the bill are paid in cash.
    ASSERT_EQ(pay->get_kinds()->getNumRows(), 1);
    choose(pay->get_kinds(), 0);
    EXPECT_EQ(text_of(pay->get_rest_field()), "5.00");
    pay->get_cash_field()->setText("4");
    command(pay, BezahlWin::ID_BAR);
    EXPECT_EQ(text_of(pay->get_rest_field()), "6.00");
    EXPECT_TRUE(screenshot(shot_dir() + "/orders_bezahlwin.png"));
    // The question comes once the dialog is closed.
    expect_box(question, MBOX_CLICKED_YES);
    command(pay, BezahlWin::ID_OK);
  }, 1);
  command(win.get(), BonWin::ID_BEZAHLEN);
  EXPECT_NE(refused.text.find("Bitte einen Bezahlungsart"), std::string::npos);
  EXPECT_TRUE(question.seen);

  // Each line: other amount, cash amount, kind of payment.
  const struct
  {
    int line;
    const char *other, *cash, *kind;
  } booked[] = {{a, "5", "0", "Gutschein"}, {b, "1", "2", "Gutschein"}, {c, "0", "2", ""}};
  for (const auto &e : booked) {
    EXPECT_EQ(line_value(e.line, "bezahlt"), "JA") << e.line;
    EXPECT_EQ(line_value(e.line, "sonst_bezahlt"), e.other) << e.line;
    EXPECT_EQ(line_value(e.line, "bar_bezahlt"), e.cash) << e.line;
    EXPECT_EQ(line_value(e.line, "sonst_art_name"), e.kind) << e.line;
  }
  EXPECT_EQ(line_value(a, "sonst_art_idx"), std::to_string(gutschein));
}

TEST_F(Orders, MoreCashThanTheBillIsAllCashAndNoMeansNothingIsPaid)
{
  int a = add_line(saal, t1, 3.5);
  int b = add_line(saal, t1, 4.0);
  BonWinPtr win = open(saal, t1);

  // 10 given for 7.50: first answered No, then Yes.
  for (FXuint answer : {static_cast<FXuint>(MBOX_CLICKED_NO), static_cast<FXuint>(MBOX_CLICKED_YES)}) {
    select_all(win->get_sheet());
    Box question;
    in_modal<BezahlWin>([&](BezahlWin *pay) {
      pay->get_cash_field()->setText("10");
      command(pay, BezahlWin::ID_BAR);
      EXPECT_EQ(text_of(pay->get_rest_field()), "-2.50");
      expect_box(question, answer);
      command(pay, BezahlWin::ID_OK);
    }, 1);
    command(win.get(), BonWin::ID_BEZAHLEN);
    EXPECT_TRUE(question.seen) << answer;
    if (answer == MBOX_CLICKED_NO) {
      EXPECT_EQ(count("where bezahlt = 'JA'"), 0);
      EXPECT_EQ(win->get_sheet()->getNumRows(), 2);
    }
  }
  EXPECT_EQ(line_value(a, "bar_bezahlt"), "3.5");
  EXPECT_EQ(line_value(b, "bar_bezahlt"), "4");
  EXPECT_EQ(line_value(a, "sonst_bezahlt"), "0");
  EXPECT_EQ(line_value(b, "sonst_art_name"), "");
}

// ---- moving ----

TEST_F(Orders, SelectedLinesMoveToTheChosenTableInOneTransaction)
{
  int a = add_line(saal, t1, 3.5);
  int b = add_line(saal, t1, 4.0);
  BonWinPtr win = open(saal, t1);

  // Nothing selected: no dialog.
  command(win.get(), BonWin::ID_MOVETO);

  select_all(win->get_sheet());
  std::vector<std::string> prompts;
  in_modal<MoveToWin>([&](MoveToWin *move) {
    // The current room is loaded: its two tables (and the empty entry).
    EXPECT_EQ(move->get_table_combo()->get_keys().size(), 3u);
    auto ok_prompt = [&]() {
      Box box;
      answer_box(box, move, MoveToWin::ID_OK, MBOX_CLICKED_OK);
      prompts.push_back(box.seen ? box.text : std::string("(no box)"));
    };
    ok_prompt(); // no table
    move->get_table_combo()->select_key("T2");
    // Another room: the table of the room before no longer counts.
    move->get_room_combo()->select_key("Terrasse");
    ok_prompt();
    move->get_table_combo()->select_key("T9");
    EXPECT_TRUE(screenshot(shot_dir() + "/orders_movetowin.png"));
    command(move, MoveToWin::ID_OK);
  }, 1);
  command(win.get(), BonWin::ID_MOVETO);
  ASSERT_EQ(prompts.size(), 2u);
  for (const std::string &prompt : prompts)
    EXPECT_NE(prompt.find("Bitte einen Tisch auswählen."), std::string::npos) << prompt;

  for (int line : {a, b}) {
    EXPECT_EQ(line_value(line, "layoutk_name"), "Terrasse");
    EXPECT_EQ(line_value(line, "layoutk_idx"), std::to_string(terrasse.idx.value));
    EXPECT_EQ(line_value(line, "layoutp_label_name"), "T9");
    EXPECT_EQ(line_value(line, "layoutp_idx"), std::to_string(t9.idx.value));
    EXPECT_EQ(line_value(line, "hist_ae_user"), "anna");
  }
  // The window keeps showing its own table.
  EXPECT_EQ(win->get_sheet()->getNumRows(), 0);
}

TEST_F(Orders, AMoveThatFailsOnTheSecondLineMovesNone)
{
  int a = add_line(saal, t1, 3.5);
  int b = add_line(saal, t1, 4.0);
  // The server refuses to move the second line.
  ASSERT_TRUE(db->exec("ALTER TABLE BONLINE ADD CONSTRAINT refused CHECK (preis <> 4 OR "
                               "layoutp_label_name = 'T1')")
                  .ok)
      << db->get_error();
  BonWinPtr win = open(saal, t1);
  select_all(win->get_sheet());
  Box error;
  in_modal<MoveToWin>([&](MoveToWin *move) {
    move->get_table_combo()->select_key("T2");
    expect_box(error, MBOX_CLICKED_OK);
    command(move, MoveToWin::ID_OK);
  }, 1);
  command(win.get(), BonWin::ID_MOVETO);
  EXPECT_EQ(error.title, "Datenbankfehler");
  EXPECT_NE(error.text.find("refused"), std::string::npos) << error.text;
  for (int line : {a, b}) {
    EXPECT_EQ(line_value(line, "layoutp_label_name"), "T1");
    EXPECT_EQ(line_value(line, "hist_ae_user"), "");
  }
  EXPECT_EQ(win->get_sheet()->getNumRows(), 2);
}

// ---- failed writes ----

TEST_F(Orders, AWriteTheServerRefusesKeepsNothingOfTheAction)
{
  int a = add_line(saal, t1, 3.5);
  int b = add_line(saal, t1, 4.0);
  // The server refuses to settle the second line in any way.
  ASSERT_TRUE(db->exec("ALTER TABLE BONLINE ADD CONSTRAINT refused CHECK ((storniert = 'NEIN' AND "
                       "bezahlt = 'NEIN') OR preis <> 4)")
                  .ok)
      << db->get_error();
  BonWinPtr win = open(saal, t1);

  select_all(win->get_sheet());
  Box question, cash_error;
  question_then_box(question, MBOX_CLICKED_YES, cash_error, win.get(), BonWin::ID_BAR);
  EXPECT_EQ(cash_error.title, "Datenbankfehler");
  // The first line was written before the second failed: undone.
  EXPECT_EQ(line_value(a, "bar_bezahlt"), "0");
  EXPECT_EQ(line_value(a, "hist_ae_user"), "");

  choose(win->get_sheet(), find_row(win->get_sheet(), "idx", std::to_string(b)));
  Box storno_error;
  question_then_box(question, MBOX_CLICKED_YES, storno_error, win.get(), BonWin::ID_STORNO);
  EXPECT_EQ(storno_error.title, "Datenbankfehler");
  EXPECT_EQ(line_value(b, "storniert"), "NEIN");

  // The connection goes on working: the other line can be cancelled.
  choose(win->get_sheet(), find_row(win->get_sheet(), "idx", std::to_string(a)));
  Box yes;
  answer_box(yes, win.get(), BonWin::ID_STORNO, MBOX_CLICKED_YES);
  EXPECT_EQ(line_value(a, "storniert"), "JA");
  EXPECT_EQ(line_value(b, "storniert"), "NEIN");
  EXPECT_EQ(win->get_sheet()->getNumRows(), 1);
}

TEST_F(Orders, ALineHeldElsewhereStopsTheActionWithinSecondsAndIsNotPaidTwice)
{
  int a = add_line(saal, t1, 3.5);
  BonWinPtr win = open(saal, t1);
  // Another program holds the line and does not let go.
  ASSERT_TRUE(db->exec(Tools::format("select idx from BONLINE where idx = '%d' for update", a)).ok);
  select_all(win->get_sheet());
  Box question, busy;
  question_then_box(question, MBOX_CLICKED_YES, busy, win.get(), BonWin::ID_BAR);
  EXPECT_EQ(busy.title, "Datenfehler");
  EXPECT_NE(busy.text.find("gerade an einem anderen Platz bearbeitet"), std::string::npos) << busy.text;
  // It pays the line itself.
  ASSERT_TRUE(db->exec(Tools::format("update BONLINE set bezahlt = 'JA', bar_bezahlt = '3.5', hist_ae_user = "
                                     "'bert' where idx = '%d'",
                                     a))
                  .ok);
  ASSERT_TRUE(db->commit());
  EXPECT_EQ(line_value(a, "hist_ae_user"), "bert");
  // Tried again with the list as it was: refused, the payment stays one.
  select_all(win->get_sheet());
  Box stale;
  question_then_box(question, MBOX_CLICKED_YES, stale, win.get(), BonWin::ID_BAR);
  EXPECT_EQ(stale.title, "Datenfehler");
  EXPECT_EQ(line_value(a, "hist_ae_user"), "bert");
  EXPECT_EQ(win->get_sheet()->getNumRows(), 0);
}

// ---- what a second station or an older database does meanwhile ----

TEST_F(Orders, TheListAndEveryActionGoByKeyWhenTwoRoomsShareAName)
{
  // An older database: a second room "Saal" with tables of the same names.
  LAYOUTK saal2 = add_room("Saal");
  LAYOUTP t1b = add_table(saal2, "T1");
  LAYOUTP t2b = add_table(saal2, "T2");
  int other = add_line(saal, t1, 3.5);
  int own = add_line(saal2, t1b, 4.0);

  BonWinPtr win = open(saal2, t1b);
  ASSERT_EQ(win->get_sheet()->getNumRows(), 1);
  EXPECT_EQ(cell(win->get_sheet()->get_row(0), "idx"), std::to_string(own));
  LAYOUTP no_table;
  EXPECT_EQ(open(saal2, no_table)->get_sheet()->getNumRows(), 1);

  // A line booked here stands on this room's table.
  in_modal<AddLineWin>([&](AddLineWin *entry) {
    choose_first_of(entry, "Speisen");
    command(entry, AddLineWin::ID_OK);
  }, 1);
  command(win.get(), BonWin::ID_BONIEREN);
  ASSERT_EQ(win->get_sheet()->getNumRows(), 2);
  const int booked = korvan_gui_test::query_int(*db, "select max(idx) from BONLINE");
  EXPECT_EQ(line_value(booked, "layoutk_idx"), std::to_string(saal2.idx.value));
  EXPECT_EQ(line_value(booked, "layoutp_idx"), std::to_string(t1b.idx.value));

  // Moved to this room's T2 and paid there; the other room's line stays.
  select_all(win->get_sheet());
  in_modal<MoveToWin>([&](MoveToWin *move) {
    move->get_table_combo()->select_key("T2");
    command(move, MoveToWin::ID_OK);
  }, 1);
  command(win.get(), BonWin::ID_MOVETO);
  for (int line : {own, booked}) {
    EXPECT_EQ(line_value(line, "layoutk_idx"), std::to_string(saal2.idx.value)) << line;
    EXPECT_EQ(line_value(line, "layoutp_idx"), std::to_string(t2b.idx.value)) << line;
  }
  BonWinPtr t2_win = open(saal2, t2b);
  select_all(t2_win->get_sheet());
  Box question;
  answer_box(question, t2_win.get(), BonWin::ID_BAR, MBOX_CLICKED_YES);
  EXPECT_EQ(count("where bezahlt = 'JA'"), 2);
  EXPECT_EQ(line_value(other, "bezahlt"), "NEIN");
}

TEST_F(Orders, StornoIsCheckedAgainstTheLineAsTheListShowedIt)
{
  int a = add_line(saal, t1, 3.5);
  BonWinPtr here = open(saal, t1);
  BonWinPtr there = open(saal, t1, second_station());
  // The second station moves the line after this station's list was filled.
  select_all(there->get_sheet());
  in_modal<MoveToWin>([&](MoveToWin *move) {
    move->get_table_combo()->select_key("T2");
    command(move, MoveToWin::ID_OK);
  }, 1);
  command(there.get(), BonWin::ID_MOVETO);
  ASSERT_EQ(line_value(a, "layoutp_idx"), std::to_string(t2.idx.value));

  choose(here->get_sheet(), 0);
  Box question, stale;
  question_then_box(question, MBOX_CLICKED_YES, stale, here.get(), BonWin::ID_STORNO);
  EXPECT_EQ(stale.title, "Datenfehler");
  EXPECT_EQ(line_value(a, "storniert"), "NEIN");
  EXPECT_EQ(here->get_sheet()->getNumRows(), 0) << "the list shows the table as it is now";
}

TEST_F(Orders, NoStationWaitsWhileAnotherStationsQuestionIsOpen)
{
  int a = add_line(saal, t1, 3.5);
  BonWinPtr here = open(saal, t1);
  MainWindow *other = second_station();
  // A lock held over the question would keep the other station waiting;
  // a second of it is enough to see.
  ASSERT_TRUE(other->getDatabase()->exec("SET SESSION innodb_lock_wait_timeout = 1").ok);
  BonWinPtr there = open(saal, t1, other);
  choose(here->get_sheet(), 0);

  // While this station asks whether to cancel the line, the other pays it.
  std::string storno_question;
  Box paid_question, then_here;
  korvan_gui_test::answer_modal(
      [&](FXWindow *box) {
        storno_question = korvan_gui_test::label_texts(box);
        select_all(there->get_sheet());
        answer_box(paid_question, there.get(), BonWin::ID_BAR, MBOX_CLICKED_YES);
        expect_box(then_here);
      },
      MBOX_CLICKED_YES);
  command(here.get(), BonWin::ID_STORNO);
  EXPECT_NE(storno_question.find("storniert werden?"), std::string::npos) << storno_question;
  EXPECT_NE(paid_question.text.find("1 Bonierungen auf bezahlt setzten?"), std::string::npos) << paid_question.text;
  EXPECT_EQ(line_value(a, "bar_bezahlt"), "3.5");
  EXPECT_EQ(line_value(a, "storniert"), "NEIN");
  EXPECT_NE(then_here.text.find("an einem anderen Platz geändert"), std::string::npos) << then_here.text;
}

TEST_F(Orders, AVoucherWorthMoreThanTheBillPaysTheBillAndNoMore)
{
  int a = add_line(saal, t1, 3.5);
  BonWinPtr win = open(saal, t1);
  select_all(win->get_sheet());
  Box refused, question;
  in_modal<BezahlWin>([&](BezahlWin *pay) {
    choose(pay->get_kinds(), 0); // worth 5.00
    EXPECT_EQ(text_of(pay->get_rest_field()), "3.50");
    EXPECT_EQ(text_of(pay->get_cash_field()), "0.00");
    pay->get_rest_field()->setText("8");
    command(pay, BezahlWin::ID_REST);
    answer_box(refused, pay, BezahlWin::ID_OK, MBOX_CLICKED_OK);
    pay->get_rest_field()->setText("3.5");
    command(pay, BezahlWin::ID_REST);
    expect_box(question, MBOX_CLICKED_YES);
    command(pay, BezahlWin::ID_OK);
  }, 1);
  command(win.get(), BonWin::ID_BEZAHLEN);
  EXPECT_NE(refused.text.find("nicht mehr als den Preis"), std::string::npos) << refused.text;
  EXPECT_EQ(line_value(a, "sonst_bezahlt"), "3.5");
  EXPECT_EQ(line_value(a, "bar_bezahlt"), "0");
  EXPECT_EQ(line_value(a, "sonst_art_name"), "Gutschein");
}

TEST_F(Orders, AnArticleGoneIsNoChoiceAndTheEntryListsIgnoreThePointer)
{
  BonWinPtr win = open(saal, t1);
  in_modal<AddLineWin>([&](AddLineWin *entry) {
    SpreadSheet *articles = entry->get_articles();
    choose(entry->get_groups(), find_row(entry->get_groups(), "name", "Getränke"));
    choose(articles, find_row(articles, "artnr", "100"));
    // The wine is taken off the menu meanwhile.
    for (const char *table : {"PREIS", "GRP_ART"})
      ASSERT_TRUE(db->exec(Tools::format("delete from %s where art_idx = '%d'", table, wein)).ok);
    ASSERT_TRUE(db->exec(Tools::format("delete from ART where idx = '%d'", wein)).ok);
    ASSERT_TRUE(db->commit());
    choose(articles, find_row(articles, "artnr", "200"));
    Box none;
    answer_box(none, entry, AddLineWin::ID_OK);
    EXPECT_NE(none.text.find("Bitte einen Artikel auswählen."), std::string::npos) << none.text;

    // Pointer and keyboard cannot change what the lists show.
    choose(articles, find_row(articles, "artnr", "100"));
    run_pending(150);
    ASSERT_TRUE(xdo("windowfocus --sync " + std::to_string(static_cast<unsigned long>(entry->id()))));
    for (SpreadSheet *sheet : {entry->get_groups(), articles, entry->get_prices()}) {
      const std::string before = sheet->getItemText(0, 0).text();
      type_into_first_cell(sheet);
      EXPECT_EQ(std::string(sheet->getItemText(0, 0).text()), before);
    }
    command(entry, AddLineWin::ID_CANCEL);
  }, 0);
  command(win.get(), BonWin::ID_BONIEREN);
  EXPECT_EQ(korvan_gui_test::query_int(*db, "select count(*) from GRP_ART where name = 'xyz'"), 0);
}
