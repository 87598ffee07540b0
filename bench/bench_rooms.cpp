// The room screen and the order-line window on a restaurant's history: one
// room with 50 tables and a year of order lines (200,000, most of them paid
// or cancelled, 500 open), against the same house with a tenth of the
// history as the baseline. For a press on the room, an opening and a
// closing of the order-line window of one table, a booked line and a cash
// payment of one line it reports the statements the program sends (and how
// many of them read or store interface texts) and the milliseconds, and
// the ratio of the big house to the small one. The work should not grow
// with the history: only the open lines matter.
//
// Needs a display and the private server's environment:
//   eval "$(scripts/db env DIR)"; DISPLAY=:N build/bench/bench_rooms
// With KORVAN_BENCH_BRIEF=1 (as scripts/test runs it) it builds houses of
// 2,000 and 200 lines and runs each step twice: a check that it still
// works, not a measurement.

#include <benchmark/benchmark.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "schema/tables.h"
#include "gui/spreadsheet.h"
#include "shell/mainwindow.h"
#include "rooms/addlinewin.h"
#include "rooms/bonwin.h"
#include "rooms/roomwin.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/db_support.h"
#include "tests/support/recording_db.h"
#include "tests/support/seed.h"

using namespace FX;

namespace {

const int TABLES = 50;
const int OPEN_LINES = 500;

FXApp *app = nullptr;

// Runs `act` on the next modal window once its loop runs (an idle chore,
// so no timer delay enters the figures), then ends the loop with `code`
// (also when `act` ended it already: the last code given wins).
class ModalAnswer : public FXObject
{
  FXDECLARE(ModalAnswer)
  ModalAnswer() {}

public:
  enum { ID_CHORE = 1 };
  std::function<void(FXWindow *)> act;
  FXuint code = 0;

  ModalAnswer(std::function<void(FXWindow *)> a, FXuint c) : act(std::move(a)), code(c) {}

  long onChore(FXObject *, FXSelector, void *)
  {
    FXWindow *modal = app->getModalWindow();
    if (!modal) {
      Tools::fxcompat::add_chore(app, this, ID_CHORE);
      return 1;
    }
    act(modal);
    if (app->getModalWindow() == modal)
      app->stopModal(modal, static_cast<FXint>(code));
    delete this;
    return 1;
  }
};

FXDEFMAP(ModalAnswer) ModalAnswerMap[] = {FXMAPFUNC(SEL_CHORE, ModalAnswer::ID_CHORE, ModalAnswer::onChore)};
FXIMPLEMENT(ModalAnswer, FXObject, ModalAnswerMap, ARRAYNUMBER(ModalAnswerMap))

void answer_modal(std::function<void(FXWindow *)> act, FXuint code)
{
  Tools::fxcompat::add_chore(app, new ModalAnswer(std::move(act), code), ModalAnswer::ID_CHORE);
}

void run_pending()
{
  for (int i = 0; i < 200 && app->peekEvent(); ++i)
    app->runOneEvent(false);
  app->runWhileEvents();
}

bool run(Tools::Database &db, const std::string &sql)
{
  if (db.exec(sql).ok)
    return true;
  std::fprintf(stderr, "bench_rooms: %s\n%s\n", sql.c_str(), db.get_error().c_str());
  return false;
}

// The statements of BONLINE's bulk insert: the columns of a template line,
// with the place, the state and the key computed from the row's number.
std::string bulk_lines(long lines)
{
  BONLINE line;
  line.user = std::string("anna");
  line.user_idx = 1;
  line.artnr = std::string("100");
  line.artnr_idx = 1;
  line.preis_idx = 1;
  line.preis = 3.5;
  line.anzahl = 1;
  line.layoutk_idx = 1;
  line.layoutk_name = std::string("Saal");
  const std::string open = Tools::format("s.seq > %d", static_cast<int>(lines - OPEN_LINES));
  const std::map<std::string, std::string> computed = {
      {"idx", "NULL"},
      {"layoutp_idx", "p.idx"},
      {"layoutp_label_name", "p.label_name"},
      {"storniert", "IF(" + open + " OR s.seq % 10 <> 0, 'NEIN', 'JA')"},
      {"bezahlt", "IF(" + open + " OR s.seq % 10 = 0, 'NEIN', 'JA')"},
      {"bar_bezahlt", "IF(" + open + " OR s.seq % 10 = 0, 0, 3.5)"},
  };
  return Tools::Database::insert_select_text(
      line.get_table(), Tools::DBRow(line.get_names(), line.get_values()), computed,
      Tools::format("seq_1_to_%s s JOIN LAYOUTP p ON p.label_name = CONCAT('T', 1 + s.seq %% %d) ORDER BY s.seq",
                    std::to_string(lines), TABLES));
}

// One restaurant: its database and a main window working on it through
// a driver that counts the statements.
struct House
{
  long lines = 0;
  std::string database;
  MainWindow *main = nullptr;
  korvan_test::RecordingDB *recorder = nullptr;
  RoomWin *rooms = nullptr;
  LAYOUTK room;
  LAYOUTP table;
  // Statements of the first opening of the order-line window.
  long first_open = 0, first_open_texts = 0;

  bool build()
  {
    database = "korvan_bench_rooms_" + std::to_string(lines);
    if (!korvan_test::fresh_database(database))
      return false;
    Tools::Ref<Tools::Database> db = korvan_test::open_database(database);
    // The keys of the first rows of each table: bulk_lines counts on them.
    Tools::Ref<USER> anna(new USER);
    anna->login = std::string("anna");
    anna->idx = korvan_test::add_user(*db, "anna", "geheim");
    korvan_test::add_article(*db, "100", korvan_test::add_vat(*db, "voll", 19.0), "Getränke", 3.5);
    const LAYOUTK saal = korvan_test::add_room(*db, "Saal", 1000, 520);
    for (int t = 0; t < TABLES; ++t)
      korvan_test::add_table(*db, saal, Tools::format("T%d", t + 1), 10 + (t % 10) * 98, 10 + (t / 10) * 100, 80, 40);
    // A row the server refused is reported as a failure by the seeding.
    if (::testing::Test::HasFailure() || !run(*db, "SET FOREIGN_KEY_CHECKS=0") || !run(*db, bulk_lines(lines)) ||
        !run(*db, "commit") || !run(*db, "SET FOREIGN_KEY_CHECKS=1") || !run(*db, "ANALYZE TABLE BONLINE"))
      return false;

    main = new MainWindow(app);
    main->create();
    // The log lines would go to standard output and pile up in the debug
    // window over thousands of steps.
    Tools::debug_sink = nullptr;
    main->setDatabase(korvan_test::connect_recording(database, recorder));
    main->setUser(anna);
    main->handle(nullptr, FXSEL(SEL_COMMAND, MainWindow::ID_ROOMS), nullptr);
    rooms = main->getRoomWin();
    run_pending();
    return rooms != nullptr && press_room() && !rooms->get_desks().empty();
  }

  bool press_room()
  {
    for (Tools::ThemeButton *b : rooms->get_room_buttons())
      if (std::string(b->getText().text()) == "Saal") {
        rooms->handle(b, FXSEL(SEL_COMMAND, b->getSelector()), nullptr);
        room = rooms->get_room();
        table = rooms->get_desks().front()->get_record();
        return true;
      }
    return false;
  }

  BonWin *open_order_window()
  {
    BonWin *win = new BonWin(rooms, *main, room, table);
    win->create();
    win->show(PLACEMENT_OWNER);
    return win;
  }

  void close_order_window(BonWin *win)
  {
    win->hide();
    delete win;
    rooms->countOpen();
  }

  std::size_t sent() const { return recorder->statements.size(); }
  // Of the statements since `from`, those that read or store interface
  // texts.
  long texts_since(std::size_t from) const
  {
    long n = 0;
    for (std::size_t i = from; i < recorder->statements.size(); ++i)
      if (recorder->statements[i].find(" LANG ") != std::string::npos ||
          recorder->statements[i].find("INTO LANG(") != std::string::npos)
        ++n;
    return n;
  }
};

std::vector<House> houses;

// One measured step: an untimed preparation, the timed act, and untimed
// tidying of what the act left (or, when it left nothing, of what the
// preparation made).
struct Step
{
  const char *name;
  std::function<BonWin *(House &)> prepare;
  std::function<BonWin *(House &, BonWin *)> act;
};

BonWin *nothing(House &) { return nullptr; }

void choose(SpreadSheet *sheet, int row) { sheet->setCurrentItem(row, 0, TRUE); }

const Step STEPS[] = {
    {"RoomPress", nothing,
     [](House &h, BonWin *) -> BonWin * {
       h.press_room();
       return nullptr;
     }},
    {"OpenOrderWindow", nothing, [](House &h, BonWin *) { return h.open_order_window(); }},
    {"CloseOrderWindow", [](House &h) { return h.open_order_window(); },
     [](House &h, BonWin *win) -> BonWin * {
       h.close_order_window(win);
       return nullptr;
     }},
    {"BookLine", [](House &h) { return h.open_order_window(); },
     [](House &, BonWin *win) {
       answer_modal(
           [](FXWindow *modal) {
             AddLineWin *entry = dynamic_cast<AddLineWin *>(modal);
             if (!entry)
               return;
             choose(entry->get_groups(), 0);
             choose(entry->get_articles(), 0);
             choose(entry->get_prices(), 0);
             entry->handle(nullptr, FXSEL(SEL_COMMAND, AddLineWin::ID_OK), nullptr);
           },
           1);
       win->handle(nullptr, FXSEL(SEL_COMMAND, BonWin::ID_BONIEREN), nullptr);
       return win;
     }},
    {"CashPayment", [](House &h) { return h.open_order_window(); },
     [](House &, BonWin *win) {
       win->get_sheet()->selectRange(0, 0, 0, win->get_sheet()->getNumColumns() - 1, FALSE);
       answer_modal([](FXWindow *) {}, MBOX_CLICKED_YES);
       win->handle(nullptr, FXSEL(SEL_COMMAND, BonWin::ID_BAR), nullptr);
       return win;
     }},
};

// Statements per step and house, and of them the reads of texts.
std::map<std::string, std::pair<double, double> > statements;

void run_step(benchmark::State &state, House &h, const Step &step, const std::string &key)
{
  long sent = 0, texts = 0;
  for (auto _ : state) {
    BonWin *prepared = step.prepare(h);
    run_pending();
    const std::size_t before = h.sent();
    const auto begin = std::chrono::steady_clock::now();
    BonWin *left = step.act(h, prepared);
    const auto end = std::chrono::steady_clock::now();
    sent += static_cast<long>(h.sent() - before);
    texts += h.texts_since(before);
    if (left)
      h.close_order_window(left);
    run_pending();
    state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["statements"] = sent / n;
  state.counters["texts"] = texts / n;
  statements[key] = std::make_pair(sent / n, texts / n);
}

} // namespace

int main(int argc, char **argv)
{
  const bool brief = brief_run();

  app = korvan_gui_test::start_app();
  if (!app)
    return 1;
  // Nobody answers a login here.
  MainWindow::setLoginAtStart(false);

  const long big = brief ? 2000 : 200000, small = brief ? 200 : 20000;
  const int iterations = brief ? 2 : 20;
  houses.resize(2);
  houses[0].lines = big;
  houses[1].lines = small;
  for (House &h : houses) {
    const auto begin = std::chrono::steady_clock::now();
    if (!h.build()) {
      std::fprintf(stderr, "bench_rooms: the house of %ld lines could not be built\n", h.lines);
      return 1;
    }
    // The first opening stores the window's texts; later ones find them.
    const std::size_t before = h.sent();
    BonWin *first = h.open_order_window();
    h.first_open = static_cast<long>(h.sent() - before);
    h.first_open_texts = h.texts_since(before);
    h.close_order_window(first);
    std::printf("house of %ld lines built in %.1f s\n", h.lines,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
  }

  for (const Step &step : STEPS)
    for (House &h : houses) {
      const std::string name = Tools::format("%s/%s", step.name, std::to_string(h.lines));
      benchmark::RegisterBenchmark(name.c_str(),
                                   [&h, &step, name](benchmark::State &state) { run_step(state, h, step, name); })
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond)
          ->Iterations(iterations);
    }

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  // Per step and house: statements (of them texts) and milliseconds.
  std::printf("\n%-17s %27s %27s %8s\n", "per", (std::to_string(big) + " lines").c_str(),
              (std::to_string(small) + " lines").c_str(), "ratio");
  std::printf("%-17s %6ld (%3ld) statements %27s\n", "first opening", houses[0].first_open,
              houses[0].first_open_texts,
              Tools::format("%s (%s) statements", std::to_string(houses[1].first_open),
                            std::to_string(houses[1].first_open_texts))
                  .c_str());
  for (const Step &step : STEPS) {
    const std::string ours = Tools::format("%s/%s", step.name, std::to_string(big));
    const std::string base = Tools::format("%s/%s", step.name, std::to_string(small));
    const double ms_ours = reporter.median_ms(ours), ms_base = reporter.median_ms(base);
    std::printf("%-17s %6.1f (%3.0f) st. %8.2f ms %6.1f (%3.0f) st. %8.2f ms %8.2f\n", step.name,
                statements[ours].first, statements[ours].second, ms_ours, statements[base].first,
                statements[base].second, ms_base, ms_base > 0 ? ms_ours / ms_base : 0.0);
  }

  for (House &h : houses) {
    delete h.main;
    Tools::Ref<Tools::Database> db = korvan_test::open_database();
    if (db->is_connected())
      db->exec("DROP DATABASE IF EXISTS `" + h.database + "`");
  }
  korvan_gui_test::end_app();
  return 0;
}
