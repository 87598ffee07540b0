// The floor plan: the room screen's room buttons, tables and their marks,
// the order-line window behind them, and the room-layout editor with what
// it stores. Each test works in a database of its own and checks stored
// rows from a second connection.

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/widgets/fxcompat.h"
#include "gui/fixcomposite.h"
#include "shell/mainwindow.h"
#include "rooms/bonwin.h"
#include "rooms/editwin.h"
#include "rooms/roomwin.h"
#include "gui/spreadsheet.h"
#include "tests/guisupport/gui_support.h"
#include "tests/rooms/rooms_plan_support.h"

using namespace FX;
using namespace korvan_gui_test;
using namespace rooms_plan_test;

namespace {

class RoomsPlan : public MainWindowFixture
{
protected:
  RecordingDB *recorder = nullptr;

  void SetUp() override
  {
    MainWindowFixture::SetUp();
    if (HasFatalFailure())
      return;
    ASSERT_FALSE(!db->exec("SET SESSION lock_wait_timeout=10"));
  }

  // The program's own handle replaced by one that records its statements.
  void record_statements()
  {
    main->setDatabase(connect_recording(database, recorder));
    ASSERT_TRUE(main->getDatabase()->is_connected());
    recorder->statements.clear(); // the texts' translations, read for the new connection
  }

  RoomWin *open_rooms()
  {
    send_command(main, MainWindow::ID_ROOMS);
    run_pending(20);
    return main->getRoomWin();
  }

  EditWin *open_editor()
  {
    send_command(main, MainWindow::ID_EDITOR);
    run_pending(20);
    return main->getEditWin();
  }

  static Tools::ThemeButton *room_button(RoomWin *w, const std::string &name)
  {
    for (Tools::ThemeButton *b : w->get_room_buttons())
      if (name == b->getText().text())
        return b;
    return nullptr;
  }

  static void press_room(RoomWin *w, const std::string &name)
  {
    Tools::ThemeButton *b = room_button(w, name);
    ASSERT_NE(b, nullptr) << name;
    w->handle(b, FXSEL(SEL_COMMAND, b->getSelector()), nullptr);
  }

  static FixButton *desk(RoomWin *w, const std::string &name)
  {
    for (FixButton *d : w->get_desks())
      if (name == d->getText().text())
        return d;
    return nullptr;
  }

  static std::vector<FixLabel *> labels(EditWin *w)
  {
    std::vector<FixLabel *> found;
    for (FXWindow *c = w->get_canvas()->getFirst(); c; c = c->getNext())
      if (FixLabel *l = dynamic_cast<FixLabel *>(c))
        found.push_back(l);
    return found;
  }

  static FixLabel *label(EditWin *w, const std::string &name)
  {
    for (FixLabel *l : labels(w))
      if (name == l->getText().text())
        return l;
    return nullptr;
  }

  static void choose_room(EditWin *w, const std::string &name)
  {
    w->get_room_combo()->setText(name.c_str());
    send_command(w, EditWin::ID_ROOM);
  }

  // Real pointer and keyboard (xdotool) at a point of a window.
  static bool xdo(const std::string &args) { return system(("xdotool " + args + " >/dev/null 2>&1").c_str()) == 0; }
  static bool click(FXWindow *w, int x, int y)
  {
    int sx = 0, sy = 0;
    w->translateCoordinatesTo(sx, sy, w->getApp()->getRootWindow(), x, y);
    return xdo(Tools::format("mousemove --sync %d %d click 1", sx, sy));
  }
  static FXWindow *button_of(FXWindow *w, const std::string &text)
  {
    for (FXWindow *c = w->getFirst(); c; c = c->getNext()) {
      FXButton *b = dynamic_cast<FXButton *>(c);
      if (b && text == b->getText().text())
        return b;
      if (FXWindow *found = button_of(c, text))
        return found;
    }
    return nullptr;
  }

  int count(const std::string &sql) { return query_int(*db, sql); }
  std::string value(const std::string &sql) { return query_value(*db, sql); }
};

// ---- the room screen ----

TEST_F(RoomsPlan, RoomsAreButtonsAndTablesStandAtTheirStoredPlaces)
{
  const int saal = add_room(*db, "Saal", 600, 300);
  const int terrasse = add_room(*db, "Terrasse", 400, 200);
  add_room(*db, "Bar", 300, 200);
  const int t1 = add_table(*db, saal, "T1", 10, 20, 80, 40);
  const int t2 = add_table(*db, saal, "T2", 200, 100, 60, 60);
  const int t3 = add_table(*db, saal, "T3", 300, 150);
  const int t9 = add_table(*db, terrasse, "T9", 30, 30, 70, 30);
  add_line(*db, saal, "Saal", t1, "T1");
  add_line(*db, saal, "Saal", t2, "T2", true, false);  // cancelled
  add_line(*db, saal, "Saal", t2, "T2", false, true);  // paid
  add_line(*db, terrasse, "Terrasse", t3, "T3");       // another room's line
  add_line(*db, saal, "Saal", t9, "T9");               // a table of another room

  RoomWin *w = open_rooms();
  ASSERT_NE(w, nullptr);
  std::vector<std::string> names;
  for (Tools::ThemeButton *b : w->get_room_buttons()) {
    names.push_back(b->getText().text());
    EXPECT_NE(b->id(), 0u) << "room buttons are created with the shown window";
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Saal", "Terrasse", "Bar"}));
  EXPECT_EQ(w->get_desks().size(), 0u) << "the plan stays empty until a room is chosen";

  record_statements();
  press_room(w, "Saal");
  run_pending(50);
  ASSERT_EQ(w->get_desks().size(), 3u);
  EXPECT_EQ(int(w->get_room().idx), saal);

  FixButton *d1 = desk(w, "T1");
  FixButton *d2 = desk(w, "T2");
  FixButton *d3 = desk(w, "T3");
  ASSERT_TRUE(d1 && d2 && d3);
  EXPECT_EQ(d1->getX(), 10);
  EXPECT_EQ(d1->getY(), 20);
  EXPECT_EQ(d1->getWidth(), 80);
  EXPECT_EQ(d1->getHeight(), 40);
  EXPECT_GT(d3->getWidth(), 0) << "a zero size takes the button's natural one";
  EXPECT_EQ(d1->getBackColor(), RoomWin::MARK_COLOR);
  EXPECT_EQ(d2->getBackColor(), w->getBackColor()) << "cancelled and paid lines do not count";
  EXPECT_EQ(d3->getBackColor(), w->getBackColor()) << "another room's line does not count";

  EXPECT_EQ(recorder->statements.size(), 3u) << "one count for all tables";
  EXPECT_EQ(w->get_canvas()->getWidth(), 600) << "the plan has the room's stored size";
  EXPECT_EQ(w->get_canvas()->getHeight(), 300);

  screenshot(shot_dir() + "/rooms_screen.png");

  press_room(w, "Terrasse");
  ASSERT_EQ(w->get_desks().size(), 1u);
  EXPECT_EQ(w->get_desks().front()->getSelector(), 69u) << "every room numbers its tables from 69";
  EXPECT_EQ(room_button(w, "Saal")->getState(), STATE_UP);
  EXPECT_EQ(room_button(w, "Terrasse")->getState(), STATE_DOWN);

  // The same window again: the rooms are read again, the plan is empty.
  add_room(*db, "Neu");
  EXPECT_EQ(open_rooms(), w);
  EXPECT_EQ(w->get_room_buttons().size(), 4u);
  EXPECT_EQ(w->get_canvas()->numChildren(), 0);
  EXPECT_EQ(int(w->get_room().idx), terrasse) << "the room shown last is kept";
}

TEST_F(RoomsPlan, MarksAreCountedAgainWhenTheOrderWindowCloses)
{
  const int saal = add_room(*db, "Saal", 500, 300);
  const int t1 = add_table(*db, saal, "T1", 10, 10, 80, 40);
  const int t2 = add_table(*db, saal, "T2", 110, 10, 80, 40);
  const int line = add_line(*db, saal, "Saal", t1, "T1");
  const int other = add_room(*db, "Garten");
  const int g1 = add_table(*db, other, "G1", 10, 10);
  add_line(*db, other, "Garten", g1, "G1");

  RoomWin *w = open_rooms();
  press_room(w, "Saal");
  FixButton *d1 = desk(w, "T1");
  FixButton *d2 = desk(w, "T2");
  ASSERT_TRUE(d1 && d2);
  ASSERT_EQ(d1->getBackColor(), RoomWin::MARK_COLOR);

  LogCapture log;
  int rows_seen = -1;
  bool was_bonwin = false;
  answer_modal([&](FXWindow *modal) {
    BonWin *bon = dynamic_cast<BonWin *>(modal);
    was_bonwin = bon != nullptr;
    if (bon)
      rows_seen = bon->get_sheet()->getNumRows();
    // Meanwhile another station settles T1 and books on T2.
    db->exec(Tools::format("update BONLINE set bezahlt = 'JA' where idx = '%s'", line));
    db->commit();
    add_line(*db, saal, "Saal", t2, "T2");
  });
  w->handle(d1, FXSEL(SEL_COMMAND, d1->getSelector()), nullptr);
  EXPECT_TRUE(was_bonwin);
  EXPECT_EQ(rows_seen, 1) << "the order window lists the table's open line";
  EXPECT_EQ(log.count("selected Desk: T1"), 1);
  EXPECT_EQ(d1->getBackColor(), w->getBackColor());
  EXPECT_EQ(d2->getBackColor(), RoomWin::MARK_COLOR);

  // "Bonieren": the room's lines; "Übersicht": every open line.
  answer_modal([&](FXWindow *modal) {
    BonWin *bon = dynamic_cast<BonWin *>(modal);
    rows_seen = bon ? bon->get_sheet()->getNumRows() : -1;
  });
  send_command(w, RoomWin::ID_BONIEREN);
  EXPECT_EQ(rows_seen, 1);
  answer_modal([&](FXWindow *modal) {
    BonWin *bon = dynamic_cast<BonWin *>(modal);
    rows_seen = bon ? bon->get_sheet()->getNumRows() : -1;
  });
  send_command(w, RoomWin::ID_OVERVIEW);
  EXPECT_EQ(rows_seen, 2);
}

TEST_F(RoomsPlan, EmptyHouseEmptyRoomVanishedRoomAndFailedCounts)
{
  RoomWin *w = open_rooms();
  EXPECT_EQ(w->get_room_buttons().size(), 0u);
  bool ran = false;
  answer_modal([&](FXWindow *modal) { ran = dynamic_cast<BonWin *>(modal) != nullptr; });
  send_command(w, RoomWin::ID_OVERVIEW);
  EXPECT_TRUE(ran) << "the overview runs without any room";

  const int leer = add_room(*db, "Leer", 300, 200);
  add_room(*db, "Weg");
  const int saal = add_room(*db, "Saal");
  const int t1 = add_table(*db, saal, "T1", 10, 10);
  add_line(*db, saal, "Saal", t1, "T1");
  open_rooms();
  ASSERT_EQ(w->get_room_buttons().size(), 3u);

  record_statements();
  press_room(w, "Leer");
  EXPECT_EQ(w->get_desks().size(), 0u);
  EXPECT_EQ(w->get_canvas()->numChildren(), 0);
  ASSERT_FALSE(recorder->statements.empty());
  EXPECT_NE(recorder->statements.back().find(Tools::format("FROM LAYOUTP where layout_idx='%s'", leer)),
            std::string::npos)
      << recorder->statements.back();

  // A room deleted in the editor after the buttons were made.
  press_room(w, "Saal");
  ASSERT_EQ(w->get_desks().size(), 1u);
  ASSERT_FALSE(!db->exec("delete from LAYOUTK where name = 'Weg'"));
  db->commit();
  Box box;
  expect_box(box);
  press_room(w, "Weg");
  EXPECT_NE(box.text.find("Fehler Laden des Raumes 'Weg'"), std::string::npos) << box.text;
  EXPECT_EQ(w->get_desks().size(), 1u) << "the plan shown stays, and is still recounted";
  EXPECT_EQ(int(w->get_room().idx), saal);

  // The count of open lines fails: the table stays unmarked, with a box.
  main->getDatabase()->commit();
  ASSERT_FALSE(!db->exec("RENAME TABLE BONLINE TO BONLINE_away")) << db->get_error();
  expect_box(box);
  press_room(w, "Saal");
  EXPECT_EQ(box.title, "Datenbankfehler");
  ASSERT_EQ(w->get_canvas()->numChildren(), 1);
  EXPECT_EQ(static_cast<FixButton *>(w->get_canvas()->getFirst())->getBackColor(), w->getBackColor());
  main->getDatabase()->rollback();
  ASSERT_FALSE(!db->exec("RENAME TABLE BONLINE_away TO BONLINE")) << db->get_error();
}

TEST_F(RoomsPlan, OpenLinesAreFoundThroughTheirIndexNotTheHistory)
{
  const int saal = add_room(*db, "Saal", 500, 300);
  const int t1 = add_table(*db, saal, "T1", 10, 10);
  add_table(*db, saal, "T2", 100, 10);
  // A history of 3,000 lines, paid or cancelled, with 30 still open.
  const int first = add_line(*db, saal, "Saal", t1, "T1");
  std::string columns, values;
  const BONLINE line;
  for (const std::string &c : line.get_names()) {
    if (c == "idx")
      continue;
    columns += (columns.empty() ? "" : ", ") + c;
    values += (values.empty() ? "" : ", ") +
              (c == "storniert"  ? std::string("IF(s.seq % 100 = 0 OR s.seq % 7 <> 0, 'NEIN', 'JA')")
               : c == "bezahlt" ? std::string("IF(s.seq % 100 = 0 OR s.seq % 7 = 0, 'NEIN', 'JA')")
                                : "b." + c);
  }
  ASSERT_FALSE(!db->exec(Tools::format("insert into BONLINE (%s) select %s from BONLINE b join seq_1_to_3000 s "
                                       "where b.idx = %d",
                                       columns, values, first)))
      << db->get_error();
  ASSERT_TRUE(db->commit());
  ASSERT_FALSE(!db->exec("ANALYZE TABLE BONLINE"));

  RoomWin *w = open_rooms();
  record_statements();
  press_room(w, "Saal");
  EXPECT_EQ(recorder->statements.size(), 3u) << "the room, its tables, one count of their open lines";
  LAYOUTK all_rooms;
  LAYOUTP table = desk(w, "T1")->get_record(), no_table;
  const std::pair<LAYOUTK *, LAYOUTP *> lists[] = {{&w->get_room(), &table}, {&w->get_room(), &no_table},
                                                   {&all_rooms, &no_table}};
  for (const auto &list : lists)
    delete new BonWin(w, *main, *list.first, *list.second);
  int explained = 0;
  for (const std::string &sql : recorder->statements) {
    if (Tools::toupper(sql).find("FROM BONLINE") == std::string::npos)
      continue;
    Tools::DBErg<Tools::DBRowList> plan = db->exec("EXPLAIN " + sql);
    ASSERT_TRUE(plan.ok) << sql << "\n" << db->get_error();
    const std::vector<std::string> &names = plan.rows.names;
    const auto table_col = std::find(names.begin(), names.end(), "table") - names.begin();
    const auto type_col = std::find(names.begin(), names.end(), "type") - names.begin();
    const auto key_col = std::find(names.begin(), names.end(), "key") - names.begin();
    ASSERT_LT(static_cast<std::size_t>(key_col), names.size());
    for (const std::vector<std::string> &step : plan.rows.rows)
      if (step[table_col] == "BONLINE") {
        ++explained;
        EXPECT_TRUE(step[type_col] == "ref" || step[type_col] == "range") << step[type_col] << ": " << sql;
        EXPECT_EQ(step[key_col], "idx_BONLINE_open") << sql;
      }
  }
  EXPECT_GE(explained, 4) << "the count of the marks and a read for each list";
}

TEST_F(RoomsPlan, RoomNamesWithQuotesReachTheDatabaseIntact)
{
  const int ecke = add_room(*db, "Wirt's \\Ecke", 300, 200);
  add_table(*db, ecke, "O'Neill", 10, 10);
  RoomWin *w = open_rooms();
  press_room(w, "Wirt's \\Ecke");
  EXPECT_EQ(int(w->get_room().idx), ecke);
  ASSERT_EQ(w->get_desks().size(), 1u);
  EXPECT_STREQ(w->get_desks().front()->getText().text(), "O'Neill");
}

TEST_F(RoomsPlan, BeyondTheIdRangesRoomsAndTablesStillWork)
{
  std::string rooms = "insert into LAYOUTK (name, width, height, color) values ('Halle', 600, 400, 0)";
  for (int i = 2; i <= 102; ++i)
    rooms += Tools::format(", ('R%s', 300, 200, 0)", i);
  ASSERT_FALSE(!db->exec(rooms)) << db->get_error();
  const int halle = count("select idx from LAYOUTK where name = 'Halle'");
  std::string tables = "insert into LAYOUTP (layout_idx, label_name, label_x, label_y, label_width, label_height, "
                       "label_color, label_icon) values ";
  for (int i = 1; i <= 103; ++i)
    tables += Tools::format("%s('%s', 'T%s', 0, 0, 40, 20, 0, '')", i == 1 ? "" : ", ", halle, i);
  ASSERT_FALSE(!db->exec(tables)) << db->get_error();
  ASSERT_TRUE(db->commit());

  RoomWin *w = open_rooms();
  ASSERT_EQ(w->get_room_buttons().size(), 102u);
  EXPECT_EQ(w->get_room_buttons().back()->getSelector(), 270u);
  press_room(w, "R102");
  EXPECT_EQ(std::string(w->get_room().name.value), "R102") << "the last room button loads its own room";

  press_room(w, "Halle");
  ASSERT_EQ(w->get_desks().size(), 103u);
  std::vector<FixButton *> desks(w->get_desks().begin(), w->get_desks().end());
  EXPECT_EQ(desks[0]->getSelector(), 69u);
  EXPECT_EQ(desks[100]->getSelector(), 169u);
  EXPECT_EQ(desks[102]->getSelector(), 169u);
  EXPECT_EQ(w->get_next_id(), 69 + 103);

  LogCapture log;
  FixButton *last = desk(w, "T103");
  ASSERT_NE(last, nullptr);
  answer_modal([](FXWindow *) {});
  w->handle(last, FXSEL(SEL_COMMAND, last->getSelector()), nullptr);
  EXPECT_EQ(log.count("selected Desk: T103"), 1) << "the pressed button itself names the table";

  // Rows without a key make no button and take no id.
  const int next = w->get_next_id();
  EXPECT_EQ(w->addDesk(Tools::Ref<LAYOUTP>()), nullptr);
  EXPECT_EQ(w->addDesk(Tools::Ref<LAYOUTP>(new LAYOUTP())), nullptr);
  EXPECT_EQ(w->get_next_id(), next);
  EXPECT_EQ(w->get_desks().size(), 103u);
}

// ---- the layout editor ----

TEST_F(RoomsPlan, TheEditorKeepsItsChangesOffTheSharedConnectionUntilSaved)
{
  const int saal = add_room(*db, "Saal", 400, 300);
  add_table(*db, saal, "T1", 10, 10);
  add_table(*db, saal, "T2", 100, 10);
  EditWin *e = open_editor();
  choose_room(e, "Saal");
  send_command(e, EditWin::ID_NEW_TABLE);
  e->handle(e->get_canvas(), FXSEL(SEL_COMMAND, NaviWin::ID_CANVAS), static_cast<FXObject *>(label(e, "T1")));
  send_command(e, EditWin::ID_DELETE_TABLE);
  ASSERT_EQ(labels(e).size(), 2u);

  // Another window ends its own work on the connection meanwhile: an
  // order booked, a cancellation answered "Nein".
  ASSERT_TRUE(main->getDatabase()->commit());
  ASSERT_TRUE(main->getDatabase()->rollback());
  EXPECT_EQ(count("select count(*) from LAYOUTP where label_name in ('T1', 'T2')"), 2);
  EXPECT_EQ(count("select count(*) from LAYOUTP"), 2);
  RoomWin *w = open_rooms();
  press_room(w, "Saal");
  EXPECT_EQ(w->get_desks().size(), 2u) << "the room screen shows the stored plan";
  press_key(w, KEY_Escape);

  send_command(e, EditWin::ID_SAVE_ROOM);
  EXPECT_EQ(count("select count(*) from LAYOUTP where label_name in ('T2', 'Tisch 1')"), 2);
  EXPECT_EQ(count("select count(*) from LAYOUTP"), 2);
}

TEST_F(RoomsPlan, EditorMakesARoomPlacesTablesAndSavesThem)
{
  EditWin *e = open_editor();
  ASSERT_NE(e, nullptr);
  EXPECT_FALSE(e->get_new_table_button()->isEnabled()) << "no table without a room";

  send_command(e, EditWin::ID_NEW_ROOM);
  e->get_room_combo()->setText("Saal 1");
  send_command(e, EditWin::ID_SAVE_ROOM);
  run_pending(20);
  const int saal = count("select idx from LAYOUTK where name = 'Saal 1'");
  ASSERT_GT(saal, 0) << "saved and committed";
  EXPECT_EQ(count("select count(*) from LAYOUTK"), 1);
  EXPECT_EQ(count("select width from LAYOUTK where name = 'Saal 1'"), e->get_canvas()->getWidth());
  EXPECT_EQ(count("select height from LAYOUTK where name = 'Saal 1'"), e->get_canvas()->getHeight());

  send_command(e, EditWin::ID_NEW_TABLE);
  send_command(e, EditWin::ID_NEW_TABLE);
  ASSERT_EQ(labels(e).size(), 2u);
  FixLabel *first = label(e, "Tisch 1");
  FixLabel *second = label(e, "Tisch 2");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(e->get_selected(), second);
  EXPECT_EQ(count("select count(*) from LAYOUTP"), 0) << "not committed yet";

  screenshot(shot_dir() + "/editor.png");

  // Dragged, renamed and resized.
  first->move(100, 50);
  e->handle(e->get_canvas(), FXSEL(SEL_COMMAND, NaviWin::ID_CANVAS), static_cast<FXObject *>(first));
  EXPECT_EQ(e->get_selected(), first);
  e->get_title_field()->setText("Fenster");
  e->get_height_field()->setText("40");
  e->get_width_field()->setText("120");
  send_command(e, EditWin::ID_APPLY);
  e->get_height_field()->setText("");
  send_command(e, EditWin::ID_HEIGHT);
  EXPECT_EQ(first->getHeight(), 0) << "a field without a number gives 0";
  e->get_height_field()->setText("40");
  send_command(e, EditWin::ID_HEIGHT);

  send_command(e, EditWin::ID_SAVE_ROOM);
  EXPECT_EQ(count(Tools::format("select count(*) from LAYOUTP where layout_idx = %d", saal)), 2);
  EXPECT_EQ(value("select concat_ws(' ', label_x, label_y, label_width, label_height) from LAYOUTP "
                  "where label_name = 'Fenster'"),
            "100 50 120 40");
  EXPECT_EQ(count("select count(*) from LAYOUTK"), 1) << "the loaded room is rewritten in place";
  EXPECT_EQ(labels(e).size(), 2u) << "reloaded after saving";

  // The room screen shows the saved plan.
  RoomWin *w = open_rooms();
  press_room(w, "Saal 1");
  FixButton *fenster = desk(w, "Fenster");
  ASSERT_NE(fenster, nullptr);
  EXPECT_EQ(fenster->getX(), 100);
  screenshot(shot_dir() + "/rooms_after_editor.png");
}

TEST_F(RoomsPlan, CancelAndCloseUndoEverySinceTheLastSave)
{
  const int saal = add_room(*db, "Saal", 400, 300);
  add_table(*db, saal, "Tisch 1", 10, 10, 60, 30);
  add_table(*db, saal, "Tisch 2", 100, 10, 60, 30);
  EditWin *e = open_editor();
  choose_room(e, "Saal");
  ASSERT_TRUE(e->is_editable());
  ASSERT_EQ(labels(e).size(), 2u);
  EXPECT_EQ(e->get_next_id(), 69) << "labels take no ids";

  // New tables are numbered past the names the room shows already.
  send_command(e, EditWin::ID_NEW_TABLE);
  EXPECT_NE(label(e, "Tisch 3"), nullptr);
  send_command(e, EditWin::ID_CANCEL);
  EXPECT_FALSE(e->shown());
  EXPECT_EQ(count("select count(*) from LAYOUTP"), 2);

  // Deleting without a selection does nothing; with one the label goes,
  // and closing brings the row and its label back.
  open_editor();
  choose_room(e, "Saal");
  send_command(e, EditWin::ID_DELETE_TABLE);
  EXPECT_EQ(labels(e).size(), 2u);
  e->handle(e->get_canvas(), FXSEL(SEL_COMMAND, NaviWin::ID_CANVAS), static_cast<FXObject *>(label(e, "Tisch 1")));
  send_command(e, EditWin::ID_DELETE_TABLE);
  EXPECT_EQ(labels(e).size(), 1u);
  send_command(e, EditWin::ID_NEW_TABLE);
  EXPECT_EQ(labels(e).size(), 2u);
  press_key(e, KEY_Escape);
  EXPECT_EQ(count("select count(*) from LAYOUTP"), 2);
  EXPECT_EQ(count("select count(*) from LAYOUTP where label_name = 'Tisch 1'"), 1);
  // The plan shows what the database holds: no table that is gone.
  std::vector<std::string> shown;
  for (FixLabel *l : labels(e))
    shown.push_back(l->getText().text());
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, (std::vector<std::string>{"Tisch 1", "Tisch 2"}));

  // Saving then keeps positions of the tables that exist.
  open_editor();
  label(e, "Tisch 2")->move(200, 100);
  send_command(e, EditWin::ID_SAVE_ROOM);
  EXPECT_EQ(count("select label_x from LAYOUTP where label_name = 'Tisch 2'"), 200);
  EXPECT_EQ(count("select count(*) from LAYOUTP"), 2);
}

TEST_F(RoomsPlan, SavingAfterResizingStoresTheNewSizeAndStraySelectionsClear)
{
  const int saal = add_room(*db, "Saal", 400, 300);
  add_table(*db, saal, "T1", 10, 10);
  EditWin *e = open_editor();
  choose_room(e, "Saal");
  EXPECT_EQ(e->get_canvas()->getWidth(), 400) << "the plan opens in the room's stored size";
  EXPECT_EQ(e->get_canvas()->getHeight(), 300);
  e->resize(e->getWidth() + 120, e->getHeight() + 60);
  e->layout();
  run_pending(20);
  send_command(e, EditWin::ID_SAVE_ROOM);
  EXPECT_EQ(count("select width from LAYOUTK where name = 'Saal'"), 520);
  EXPECT_EQ(count("select height from LAYOUTK where name = 'Saal'"), 360);

  FixLabel *t1 = label(e, "T1");
  ASSERT_NE(t1, nullptr);
  e->handle(e->get_canvas(), FXSEL(SEL_COMMAND, NaviWin::ID_CANVAS), static_cast<FXObject *>(t1));
  EXPECT_EQ(e->get_selected(), t1);
  e->handle(e->get_canvas(), FXSEL(SEL_COMMAND, NaviWin::ID_CANVAS), static_cast<FXObject *>(e->get_canvas()));
  EXPECT_EQ(e->get_selected(), nullptr) << "what is not a label clears the selection";
  EXPECT_EQ(e->handle(nullptr, FXSEL(SEL_COMMAND, EditWin::ID_APPLY), nullptr), 0) << "nothing to change";
}

TEST_F(RoomsPlan, DeletingARoomTakesItsTablesOnlyWhenItIsTheLoadedOne)
{
  const int saal = add_room(*db, "Saal", 400, 300);
  add_table(*db, saal, "T1", 10, 10);
  add_table(*db, saal, "T2", 100, 10);
  const int bar = add_room(*db, "Bar", 400, 300);
  add_table(*db, bar, "B1", 10, 10);
  EditWin *e = open_editor();

  // Nothing loaded: nothing is deleted.
  Box box;
  answer_box(box, e, EditWin::ID_DELETE_ROOM);

  // The name typed over the loaded room's: neither room nor tables go.
  choose_room(e, "Saal");
  e->get_room_combo()->setText("Bar");
  answer_box(box, e, EditWin::ID_DELETE_ROOM);
  EXPECT_EQ(count("select count(*) from LAYOUTP"), 3);
  EXPECT_EQ(count("select count(*) from LAYOUTK"), 2);

  // The loaded room: tables first, then the room, committed.
  choose_room(e, "Saal");
  send_command(e, EditWin::ID_DELETE_ROOM);
  EXPECT_EQ(count("select count(*) from LAYOUTK where name = 'Saal'"), 0);
  EXPECT_EQ(count(Tools::format("select count(*) from LAYOUTP where layout_idx = %d", saal)), 0);
  EXPECT_EQ(count("select count(*) from LAYOUTP"), 1);
  EXPECT_EQ(labels(e).size(), 0u);

  // A room with order lines cannot go: the box, and everything stays.
  add_line(*db, bar, "Bar", count("select idx from LAYOUTP where label_name = 'B1'"), "B1");
  choose_room(e, "Bar");
  answer_box(box, e, EditWin::ID_DELETE_ROOM);
  EXPECT_EQ(box.title, "Datenbankfehler");
  EXPECT_EQ(count("select count(*) from LAYOUTK where name = 'Bar'"), 1);
  EXPECT_EQ(count("select count(*) from LAYOUTP where label_name = 'B1'"), 1);
  EXPECT_EQ(labels(e).size(), 1u) << "the plan is read again after the roll-back";
}

TEST_F(RoomsPlan, NamesAreKeysAndALoadedRoomCanBeRenamed)
{
  const int saal = add_room(*db, "Saal", 400, 300);
  add_table(*db, saal, "T1", 10, 10);
  const int terrasse = add_room(*db, "Terrasse", 400, 300);
  add_table(*db, terrasse, "T9", 10, 10);
  EditWin *e = open_editor();

  // "Terrasse" chosen, "Garten" typed (the field tells the window when it
  // loses the focus), "Speichern": the same room under its new name.
  choose_room(e, "Terrasse");
  choose_room(e, "Garten");
  ASSERT_EQ(labels(e).size(), 1u) << "the plan stays while the new name is typed";
  send_command(e, EditWin::ID_SAVE_ROOM);
  EXPECT_EQ(value(Tools::format("select name from LAYOUTK where idx = %d", terrasse)), "Garten");
  EXPECT_EQ(count("select count(*) from LAYOUTK"), 2);
  EXPECT_EQ(count(Tools::format("select count(*) from LAYOUTP where layout_idx = %d", terrasse)), 1);

  // A name another room has, as people tell names apart: refused in words.
  Box box;
  e->get_room_combo()->setText("saal ");
  answer_box(box, e, EditWin::ID_SAVE_ROOM);
  EXPECT_NE(box.text.find("Diesen Namen hat schon ein anderer Raum: 'saal '"), std::string::npos) << box.text;
  send_command(e, EditWin::ID_NEW_ROOM);
  e->get_room_combo()->setText("SAAL");
  answer_box(box, e, EditWin::ID_SAVE_ROOM);
  EXPECT_EQ(box.title, "Datenfehler");
  EXPECT_EQ(count("select count(*) from LAYOUTK"), 2);
  EXPECT_EQ(value(Tools::format("select name from LAYOUTK where idx = %d", terrasse)), "Garten");

  // So is a second table of one name in one room.
  choose_room(e, "Saal");
  send_command(e, EditWin::ID_NEW_TABLE);
  e->get_title_field()->setText("t1");
  send_command(e, EditWin::ID_APPLY);
  answer_box(box, e, EditWin::ID_SAVE_ROOM);
  EXPECT_NE(box.text.find("anderer Tisch"), std::string::npos) << box.text;
  EXPECT_EQ(count("select count(*) from LAYOUTP"), 2);

  // No room without a name; a name with quote and backslash as typed.
  send_command(e, EditWin::ID_NEW_ROOM);
  answer_box(box, e, EditWin::ID_SAVE_ROOM);
  EXPECT_EQ(count("select count(*) from LAYOUTK"), 2);
  e->get_room_combo()->setText("Wirt's \\Ecke");
  send_command(e, EditWin::ID_SAVE_ROOM);
  send_command(e, EditWin::ID_NEW_TABLE);
  send_command(e, EditWin::ID_SAVE_ROOM);
  EXPECT_EQ(count("select count(*) from LAYOUTP p join LAYOUTK k on p.layout_idx = k.idx "
                  "where k.name = 'Wirt\\'s \\\\Ecke'"),
            1);
}

TEST_F(RoomsPlan, ARoomIsRenamedWithTheKeyboardAndThePointer)
{
  const int terrasse = add_room(*db, "Terrasse", 400, 300);
  add_table(*db, terrasse, "T9", 10, 10);
  EditWin *e = open_editor();
  choose_room(e, "Terrasse");
  run_pending(150);
  ASSERT_TRUE(xdo("windowfocus --sync " + std::to_string(static_cast<unsigned long>(e->id()))));
  ASSERT_TRUE(click(e->get_room_combo(), 10, e->get_room_combo()->getHeight() / 2));
  ASSERT_TRUE(xdo("key --delay 30 ctrl+a BackSpace G a r t e n"));
  run_pending(100);
  FXWindow *save = button_of(e, "Speichern");
  ASSERT_NE(save, nullptr);
  ASSERT_TRUE(click(save, 10, 10));
  EXPECT_TRUE(run_until([&] { return value(Tools::format("select name from LAYOUTK where idx = %d", terrasse)) == "Garten"; }));
  EXPECT_EQ(count("select count(*) from LAYOUTK"), 1);
  EXPECT_EQ(count(Tools::format("select count(*) from LAYOUTP where layout_idx = %d", terrasse)), 1);
}

TEST_F(RoomsPlan, TitlesAndSizesAreCheckedBeforeTheyAreSent)
{
  const int saal = add_room(*db, "Saal", 400, 300);
  add_table(*db, saal, "T1", 10, 10, 60, 30);
  EditWin *e = open_editor();
  choose_room(e, "Saal");
  FixLabel *t1 = label(e, "T1");
  ASSERT_NE(t1, nullptr);
  const std::string umlauts = [] {
    std::string u;
    for (int i = 0; i < 21; ++i)
      u += "Ü";
    return u;
  }();
  const struct
  {
    std::string title, height, width;
    const char *said; // null: stored
  } cases[] = {
      {"", "30", "60", "Jeder Tisch braucht einen Namen."},
      {umlauts, "30", "60", "Dieser Name ist zu lang:"},
      {"T1", "0", "60", "mindestens 1"},
      {"T1", "30", "0", "mindestens 1"},
      {"T1", "30", "1000", "nicht ganz im Raum"},
      {umlauts.substr(2), "30", "60", nullptr}, // 20 characters, 40 bytes
  };
  for (const auto &c : cases) {
    e->handle(e->get_canvas(), FXSEL(SEL_COMMAND, NaviWin::ID_CANVAS), static_cast<FXObject *>(labels(e).front()));
    e->get_title_field()->setText(c.title.c_str());
    e->get_height_field()->setText(c.height.c_str());
    e->get_width_field()->setText(c.width.c_str());
    send_command(e, EditWin::ID_APPLY);
    if (!c.said) {
      send_command(e, EditWin::ID_SAVE_ROOM);
      EXPECT_EQ(value("select label_name from LAYOUTP"), c.title);
      continue;
    }
    Box box;
    answer_box(box, e, EditWin::ID_SAVE_ROOM);
    EXPECT_EQ(box.title, "Datenfehler") << c.said;
    EXPECT_NE(box.text.find(c.said), std::string::npos) << box.text;
    EXPECT_EQ(value("select concat_ws(' ', label_name, label_width, label_height) from LAYOUTP"), "T1 60 30");
  }
}

TEST_F(RoomsPlan, AFailedSaveKeepsNothingAndThePlanStays)
{
  const int saal = add_room(*db, "Saal", 400, 300);
  add_table(*db, saal, "T1", 10, 10, 60, 30);
  main->getDatabase()->commit();
  // The server refuses one table title.
  ASSERT_FALSE(!db->exec("ALTER TABLE LAYOUTP ADD CONSTRAINT refused CHECK (label_name <> 'Verboten')"))
      << db->get_error();
  EditWin *e = open_editor();
  choose_room(e, "Saal");
  e->resize(e->getWidth() + 100, e->getHeight());
  e->layout();
  run_pending(20);
  send_command(e, EditWin::ID_NEW_TABLE);
  e->handle(e->get_canvas(), FXSEL(SEL_COMMAND, NaviWin::ID_CANVAS), static_cast<FXObject *>(label(e, "T1")));
  e->get_title_field()->setText("Verboten");
  send_command(e, EditWin::ID_APPLY);
  Box box;
  answer_box(box, e, EditWin::ID_SAVE_ROOM);
  EXPECT_EQ(box.title, "Datenbankfehler");
  EXPECT_NE(box.text.find("nicht gespeichert"), std::string::npos) << box.text;

  // The next order commits on the same connection: nothing of the save.
  ASSERT_TRUE(main->getDatabase()->commit());
  EXPECT_EQ(count("select width from LAYOUTK"), 400);
  EXPECT_EQ(value("select group_concat(label_name) from LAYOUTP"), "T1");
  // The plan stays as the user made it, and saves once the title is fine.
  ASSERT_NE(label(e, "Verboten"), nullptr);
  ASSERT_NE(label(e, "Tisch 1"), nullptr);
  e->handle(e->get_canvas(), FXSEL(SEL_COMMAND, NaviWin::ID_CANVAS), static_cast<FXObject *>(label(e, "Verboten")));
  e->get_title_field()->setText("Erlaubt");
  send_command(e, EditWin::ID_APPLY);
  send_command(e, EditWin::ID_SAVE_ROOM);
  EXPECT_EQ(count("select width from LAYOUTK"), 500);
  EXPECT_EQ(value("select group_concat(label_name order by label_name) from LAYOUTP"), "Erlaubt,Tisch 1");
}

} // namespace
