// The floor plan: the room screen's rooms, tables and their marks, and the
// room-layout editor with what it stores and what it refuses, checked from
// the test's own connection.

#include <algorithm>
#include <functional>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gui/fixcomposite.h"
#include "gui/spreadsheet.h"
#include "rooms/bonwin.h"
#include "rooms/editwin.h"
#include "rooms/roomwin.h"
#include "tests/support/recording_db.h"
#include "tests/support/station_test.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"

using namespace FX;
using namespace korvan_gui_test;
using namespace korvan_test;

namespace {

class RoomsPlan : public StationTest
{
protected:
  RoomWin *rooms() { return open<RoomWin>(MainWindow::ID_ROOMS); }
  EditWin *editor() { return open<EditWin>(MainWindow::ID_EDITOR); }

  static void press_room(RoomWin *w, const std::string &name)
  {
    if (Tools::ThemeButton *b = named(w->get_room_buttons(), name))
      w->handle(b, FXSEL(SEL_COMMAND, b->getSelector()), nullptr);
  }
  static FixButton *desk(RoomWin *w, const std::string &name) { return named(w->get_desks(), name); }
  static FixLabel *label(EditWin *e, const std::string &name)
  {
    return named(find_all<FixLabel>(e->get_canvas()), name);
  }
  // The names of the tables that carry the mark of open lines.
  static std::string marked(RoomWin *w)
  {
    std::string names;
    for (FixButton *d : w->get_desks())
      names += d->getBackColor() == RoomWin::MARK_COLOR ? d->getText().text() : "";
    return names;
  }
  static std::vector<std::string> labels(EditWin *e)
  {
    std::vector<std::string> names;
    for (FixLabel *l : find_all<FixLabel>(e->get_canvas()))
      names.push_back(l->getText().text());
    std::sort(names.begin(), names.end());
    return names;
  }

  // A click on the table's label (for no name: beside the tables), which
  // fills the fields with its title and size.
  static void select(EditWin *e, const std::string &name)
  {
    FXObject *clicked = name.empty() ? static_cast<FXObject *>(e->get_canvas()) : label(e, name);
    e->handle(e->get_canvas(), FXSEL(SEL_COMMAND, NaviWin::ID_CANVAS), clicked);
  }

  // The table chosen, the title and size typed, "Verändern".
  static void change(EditWin *e, const std::string &table, const std::string &title, const char *height = "40",
                     const char *width = "60")
  {
    select(e, table);
    e->get_title_field()->setText(FXString(title.data(), static_cast<FXint>(title.size())));
    e->get_height_field()->setText(height);
    e->get_width_field()->setText(width);
    send_command(e, EditWin::ID_APPLY);
  }

  // The name typed into the room box, which tells the window.
  static void choose_room(EditWin *e, const std::string &name)
  {
    e->get_room_combo()->setText(name.c_str());
    send_command(e, EditWin::ID_ROOM);
  }

  // Every stored room and table, to see whether anything changed.
  std::string stored_plan()
  {
    return value("select concat_ws(' / ', (select group_concat(concat_ws(' ', name, width, height) order by idx) "
                 "from LAYOUTK), (select group_concat(concat_ws(' ', layout_idx, label_name, label_x, label_y, "
                 "label_width, label_height) order by idx) from LAYOUTP))");
  }
};

// ---- the room screen ----

TEST_F(RoomsPlan, RoomsAreButtonsTablesStandWhereStoredAndOpenLinesMarkThem)
{
  const LAYOUTK saal = add_room(*db, "Wirt's \\Saal", 600, 300);
  const LAYOUTK terrasse = add_room(*db, "Terrasse", 400, 200);
  const LAYOUTP t1 = add_table(*db, saal, "O'T1", 10, 20, 80, 40);
  const LAYOUTP t2 = add_table(*db, saal, "T2", 200, 100);
  const LAYOUTP t3 = add_table(*db, saal, "T3", 300, 150, 0, 0);
  const int open = add_line(*db, saal, t1);
  for (const char *settled : {"storniert", "bezahlt"})
    db->exec(Tools::format("update BONLINE set %s = 'JA' where idx = '%d'", settled, add_line(*db, saal, t2)));
  ASSERT_TRUE(db->commit());
  add_line(*db, terrasse, t3);                                  // another room's line
  add_line(*db, saal, add_table(*db, terrasse, "T9", 30, 30)); // another room's table

  RoomWin *w = rooms();
  ASSERT_EQ(w->get_room_buttons().size(), 2u);
  EXPECT_EQ(w->get_desks().size(), 0u) << "the plan stays empty until a room is chosen";
  press_room(w, "Wirt's \\Saal");
  ASSERT_EQ(w->get_desks().size(), 3u);
  FixButton *d1 = desk(w, "O'T1");
  EXPECT_EQ(Tools::format("%d %d %d %d", d1->getX(), d1->getY(), d1->getWidth(), d1->getHeight()), "10 20 80 40");
  EXPECT_GT(desk(w, "T3")->getWidth(), 0) << "a zero size takes the button's natural one";
  EXPECT_EQ(Tools::format("%d %d", w->get_canvas()->getWidth(), w->get_canvas()->getHeight()), "600 300");
  EXPECT_EQ(marked(w), "O'T1");
  shot(w, "rooms_screen");

  // While the table's order lines are shown, another station settles its
  // line and books on T2: the marks are counted again after.
  int rows = -1;
  answer_modal([&](FXWindow *modal) {
    rows = static_cast<BonWin *>(modal)->get_sheet()->getNumRows();
    db->exec(Tools::format("update BONLINE set bezahlt = 'JA' where idx = '%d'", open));
    EXPECT_TRUE(db->commit());
    add_line(*db, saal, t2);
  });
  w->handle(d1, FXSEL(SEL_COMMAND, d1->getSelector()), nullptr);
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(marked(w), "T2");

  // The same window again: the rooms are read again, the plan is empty.
  add_room(*db, "Neu");
  EXPECT_EQ(rooms(), w);
  EXPECT_EQ(w->get_room_buttons().size(), 3u);
  EXPECT_EQ(w->get_canvas()->numChildren(), 0);

  // A room deleted since: a box, and the plan shown stays.
  press_room(w, "Terrasse");
  ASSERT_TRUE(db->exec("delete from LAYOUTK where name = 'Neu'").ok && db->commit());
  Box box;
  expect_box(box);
  press_room(w, "Neu");
  EXPECT_NE(box.text.find("Fehler Laden des Raumes 'Neu'"), std::string::npos) << box.text;
  EXPECT_EQ(w->get_room().idx.value, terrasse.idx.value);
}

// A first day: Räume opened before any room was stored, then again once
// the editor stored one. The window grows to hold its buttons.
TEST_F(RoomsPlan, RoomButtonsMadeAfterAnEmptyStartHaveTheirSize)
{
  RoomWin *w = rooms();
  EXPECT_EQ(w->get_room_buttons().size(), 0u);
  w->hide();
  add_room(*db, "Saal", 400, 200);
  ASSERT_EQ(rooms(), w);
  ASSERT_EQ(w->get_room_buttons().size(), 1u);
  Tools::ThemeButton *saal = w->get_room_buttons().front();
  EXPECT_GE(saal->getHeight(), saal->getDefaultHeight());
  EXPECT_GE(saal->getWidth(), saal->getDefaultWidth());
  shot(w, "rooms_after_empty_start");
}

// Where the widget lies on the screen.
FXRectangle on_screen(FXWindow *w)
{
  FXint x = 0, y = 0;
  w->getParent()->translateCoordinatesTo(x, y, app()->getRootWindow(), w->getX(), w->getY());
  return FXRectangle(static_cast<FXshort>(x), static_cast<FXshort>(y), static_cast<FXshort>(w->getWidth()),
                     static_cast<FXshort>(w->getHeight()));
}

// "" when the button lies wholly inside its window and on the screen,
// else where it lies.
std::string off_screen(FXLabel *b)
{
  const FXRectangle r = on_screen(b), window = on_screen(b->getShell());
  FXWindow *root = app()->getRootWindow();
  const bool inside = r.x >= FXMAX(0, window.x) && r.y >= FXMAX(0, window.y) && r.w > 0 && r.h > 0 &&
                      r.x + r.w <= FXMIN(root->getWidth(), window.x + window.w) &&
                      r.y + r.h <= FXMIN(root->getHeight(), window.y + window.h);
  return inside ? "" : Tools::format("'%s' at %d,%d size %dx%d; ", b->getText().text(), r.x, r.y, r.w, r.h);
}

// off_screen for every room button and both order buttons.
std::string buttons_off_screen(RoomWin *w)
{
  std::string off;
  for (Tools::ThemeButton *b : w->get_room_buttons())
    off += off_screen(b);
  for (const char *order : {"Bonieren", "Übersicht"})
    off += off_screen(button(w, order));
  return off;
}

// `count` room names: a short name numbered ("Saal 1"), or a long one cut
// to 17 characters and numbered to 20 ("Wintergarten Terr001").
std::vector<std::string> room_names(int count, const std::string &name)
{
  std::vector<std::string> names;
  for (int i = 1; i <= count; ++i)
    names.push_back(name.size() < 10 ? Tools::format("%s %d", name, i) : name.substr(0, 17) + Tools::format("%03d", i));
  return names;
}

// However many rooms, and however long their names, every room button and
// both order buttons lie on the screen, and a press on the last room
// shows it. Rooms that fit one row stay in one row; more take further
// rows, in the order of the rooms, all buttons of one width.
TEST_F(RoomsPlan, RoomButtonsStayOnTheScreenInAsManyRowsAsTheyNeed)
{
  FXWindow *root = app()->getRootWindow();
  ASSERT_EQ(Tools::format("%dx%d", root->getWidth(), root->getHeight()), "1280x1024") << "the tests' display";
  const struct
  {
    const char *what;
    int rooms;
    const char *name; // see room_names
    bool one_row;
    const char *shot;
  } cases[] = {
      {"three short rooms", 3, "Saal", true, "rooms_one_row"},
      {"seven rooms of 20 characters, one row on the screen", 7, "Wintergarten Terrasse", true, nullptr},
      {"ten rooms of 20 characters", 10, "Wintergarten Terrasse", false, "rooms_ten_long"},
      {"101 rooms of the widest 20 characters", 101, "WWWWWWWWWWWWWWWWWWWW", false, "rooms_many_wide"},
  };
  RoomWin *w = nullptr;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(db->exec("delete from LAYOUTK").ok && db->commit());
    const std::vector<std::string> names = room_names(c.rooms, c.name);
    for (const std::string &name : names)
      add_room(*db, name, 300, 200);
    if (w)
      w->hide();
    w = rooms();
    ASSERT_TRUE(w);
    run_pending(50);
    const std::list<Tools::ThemeButton *> &buttons = w->get_room_buttons();
    ASSERT_EQ(buttons.size(), names.size());

    std::set<FXint> rows;
    std::vector<std::string> in_reading_order;
    std::vector<Tools::ThemeButton *> sorted(buttons.begin(), buttons.end());
    std::stable_sort(sorted.begin(), sorted.end(), [](FXWindow *a, FXWindow *b) {
      return a->getY() < b->getY() || (a->getY() == b->getY() && a->getX() < b->getX());
    });
    for (Tools::ThemeButton *b : sorted) {
      rows.insert(b->getY());
      in_reading_order.push_back(b->getText().text());
      EXPECT_EQ(b->getWidth(), buttons.front()->getWidth()) << b->getText().text();
      EXPECT_GE(b->getWidth(), b->getDefaultWidth()) << b->getText().text();
    }
    EXPECT_EQ(buttons_off_screen(w), "");
    EXPECT_EQ(in_reading_order, names) << "the rooms in their order, row by row";
    EXPECT_EQ(rows.size() == 1, c.one_row) << rows.size() << " rows";
    if (c.shot)
      shot(w, c.shot);

    Tools::ThemeButton *last = buttons.back();
    w->handle(last, FXSEL(SEL_COMMAND, last->getSelector()), nullptr);
    EXPECT_EQ(w->get_room().name.value, names.back());
    EXPECT_EQ(last->getState(), STATE_DOWN);
    EXPECT_EQ(buttons_off_screen(w), "") << "with the plan of a room smaller than its buttons";
  }
}

// The last of ten rooms of long names, pressed as a person does.
TEST_F(RoomsPlan, TheLastOfManyRoomsIsPressedWithThePointer)
{
  const std::vector<std::string> names = room_names(10, "Wintergarten Terrasse");
  for (const std::string &name : names)
    add_table(*db, add_room(*db, name, 300, 200), "T" + name.substr(17), 20, 20);
  RoomWin *w = rooms();
  ASSERT_TRUE(w);
  run_pending(150);
  Tools::ThemeButton *last = w->get_room_buttons().back();
  EXPECT_EQ(buttons_off_screen(w), "");
  ASSERT_TRUE(click(last, 1, last->getWidth() / 2, last->getHeight() / 2));
  EXPECT_TRUE(run_until([&] { return w->get_room().name.value == names.back(); })) << w->get_room().name.value;
  EXPECT_TRUE(run_until([&] { return desk(w, "T010") != nullptr; }));
  EXPECT_EQ(last->getState(), STATE_DOWN);
  EXPECT_EQ(buttons_off_screen(w), "");
  shot(w, "rooms_last_pressed");
}

TEST_F(RoomsPlan, ARoomPressIsThreeStatementsWhateverTheHistoryAndTheTablesAreOfIt)
{
  // 102 rooms, 103 tables, and a history of 3,000 lines, paid or
  // cancelled, with 30 still open.
  ASSERT_TRUE(db->exec("SET SESSION sql_mode = '', FOREIGN_KEY_CHECKS = 0").ok);
  for (const char *rows :
       {"LAYOUTK (name, width, height) select concat('R', seq), 300, 200 from seq_1_to_102",
        "LAYOUTP (layout_idx, label_name, label_width, label_height) select 1, concat('T', seq), 40, 20 "
        "from seq_1_to_103",
        "BONLINE (layoutk_idx, layoutk_name, layoutp_idx, layoutp_label_name, storniert, bezahlt) select 1, 'R1', 1, "
        "'T1', IF(MOD(seq, 100) = 0 OR MOD(seq, 7) <> 0, 'NEIN', 'JA'), IF(MOD(seq, 100) = 0 OR MOD(seq, 7) = 0, "
        "'NEIN', 'JA') from seq_1_to_3000"})
    ASSERT_TRUE(db->exec(std::string("insert into ") + rows).ok) << db->get_error();
  ASSERT_TRUE(db->commit() && db->exec("ANALYZE TABLE BONLINE").ok);

  RoomWin *w = rooms();
  press_room(w, "R102");
  EXPECT_EQ(w->get_room().name.value, "R102") << "past the id range a button still loads its own room";
  RecordingDB *recorder = nullptr;
  main->setDatabase(connect_recording(database, recorder));
  recorder->statements.clear(); // the texts' translations, read for the new connection
  press_room(w, "R1");
  EXPECT_EQ(recorder->statements.size(), 3u) << "the room, its tables, one count of their open lines";
  ASSERT_EQ(w->get_desks().size(), 103u);
  EXPECT_EQ(marked(w), "T1");
  LogCapture log;
  answer_modal([](FXWindow *) {});
  w->handle(desk(w, "T103"), FXSEL(SEL_COMMAND, desk(w, "T103")->getSelector()), nullptr);
  EXPECT_EQ(log.count("selected Desk: T103"), 1) << "the pressed button itself names the table";

  LAYOUTK all_rooms;
  LAYOUTP table = desk(w, "T1")->get_record(), no_table;
  const std::pair<LAYOUTK *, LAYOUTP *> lists[] = {
      {&w->get_room(), &table}, {&w->get_room(), &no_table}, {&all_rooms, &no_table}};
  for (const auto &list : lists)
    delete new BonWin(w, *main, *list.first, *list.second);
  int explained = 0;
  for (const std::string &sql : recorder->statements) {
    if (Tools::toupper(sql).find("FROM BONLINE") == std::string::npos)
      continue;
    Tools::DBErg<Tools::DBRowList> plan = db->exec("EXPLAIN " + sql);
    ASSERT_TRUE(plan.ok) << sql << "\n" << db->get_error();
    const std::vector<std::string> &names = plan.rows.names;
    const auto column = [&](const char *name) { return std::find(names.begin(), names.end(), name) - names.begin(); };
    for (const std::vector<std::string> &step : plan.rows.rows)
      if (step[column("table")] == "BONLINE") {
        ++explained;
        EXPECT_TRUE(step[column("type")] == "ref" || step[column("type")] == "range") << sql;
        EXPECT_EQ(step[column("key")], "idx_BONLINE_open") << sql;
      }
  }
  EXPECT_GE(explained, 4) << "the count of the marks and a read for each list";
}

// ---- the layout editor ----

TEST_F(RoomsPlan, TheEditorKeepsItsWorkOffTheSharedConnectionUntilASaveSucceeds)
{
  // The server refuses one table title.
  ASSERT_TRUE(db->exec("ALTER TABLE LAYOUTP ADD CONSTRAINT refused CHECK (label_name <> 'Verboten')").ok);
  EditWin *e = editor();
  send_command(e, EditWin::ID_NEW_ROOM);
  e->get_room_combo()->setText("Saal 1");
  send_command(e, EditWin::ID_SAVE_ROOM);
  const std::string before = stored_plan();
  ASSERT_EQ(before, Tools::format("Saal 1 %d %d", e->get_canvas()->getWidth(), e->get_canvas()->getHeight()));
  send_command(e, EditWin::ID_NEW_TABLE);
  send_command(e, EditWin::ID_NEW_TABLE);
  shot(e, "editor");
  // Dragged, renamed and resized, the window too.
  label(e, "Tisch 1")->move(100, 50);
  change(e, "Tisch 1", "Verboten", "40", "120");
  e->resize(e->getWidth() + 120, e->getHeight() + 60);
  e->layout();
  run_pending(20);

  // Other windows end their own work on the connection meanwhile (an order
  // booked, a cancellation answered "Nein"); the room screen shows the
  // stored plan and leaves the editor its own.
  ASSERT_TRUE(main->getDatabase()->commit() && main->getDatabase()->rollback());
  EXPECT_EQ(stored_plan(), before);
  RoomWin *w = rooms();
  press_room(w, "Saal 1");
  EXPECT_EQ(w->get_desks().size(), 0u);
  press_key(w, KEY_Escape);
  EXPECT_EQ(labels(e), (std::vector<std::string>{"Tisch 2", "Verboten"}));

  // A save the server refuses keeps nothing, also once the next order
  // commits, and leaves the plan as the user made it.
  Box box;
  answer_box(box, e, EditWin::ID_SAVE_ROOM);
  EXPECT_NE(box.text.find("nicht gespeichert"), std::string::npos) << box.text;
  ASSERT_TRUE(main->getDatabase()->commit());
  EXPECT_EQ(stored_plan(), before);
  change(e, "Verboten", "Fenster", "40", "120");
  send_command(e, EditWin::ID_SAVE_ROOM);
  EXPECT_EQ(value("select concat_ws(' ', width, height) from LAYOUTK where name = 'Saal 1'"),
            Tools::format("%d %d", e->get_canvas()->getWidth(), e->get_canvas()->getHeight()));
  EXPECT_EQ(value("select concat_ws(' ', label_x, label_y, label_width, label_height) from LAYOUTP "
                  "where label_name = 'Fenster'"),
            "100 50 120 40");

  // "Abbrechen" and closing drop what was not saved.
  const std::string saved = stored_plan();
  for (bool cancel : {true, false}) {
    send_command(e, EditWin::ID_NEW_TABLE);
    select(e, "Fenster");
    send_command(e, EditWin::ID_DELETE_TABLE);
    cancel ? send_command(e, EditWin::ID_CANCEL) : press_key(e, KEY_Escape);
    EXPECT_EQ(stored_plan(), saved);
    EXPECT_EQ(labels(editor()), (std::vector<std::string>{"Fenster", "Tisch 2"}));
  }
}

TEST_F(RoomsPlan, DeletingARoomTakesItsTablesOnlyWhenItIsTheLoadedOne)
{
  const LAYOUTK saal = add_room(*db, "Saal", 400, 300);
  add_table(*db, saal, "T1", 10, 10);
  add_table(*db, saal, "T2", 100, 10);
  const LAYOUTK bar = add_room(*db, "Bar", 400, 300);
  add_table(*db, bar, "B1", 10, 10);
  const std::string before = stored_plan();
  EditWin *e = editor();

  // Nothing loaded, or a name typed over the loaded room's: nothing goes.
  Box box;
  answer_box(box, e, EditWin::ID_DELETE_ROOM);
  EXPECT_EQ(stored_plan(), before);
  choose_room(e, "Saal");
  e->get_room_combo()->setText("Bar");
  answer_box(box, e, EditWin::ID_DELETE_ROOM);
  EXPECT_EQ(stored_plan(), before);

  // Another station added a table after the room was loaded: it would go
  // with the room unseen. Nothing goes, and the box says why.
  choose_room(e, "Saal");
  add_table(*db, saal, "T3", 200, 10);
  const std::string added = stored_plan();
  answer_box(box, e, EditWin::ID_DELETE_ROOM);
  EXPECT_NE(box.text.find("Der Raum wurde inzwischen an einem anderen Platz geändert."), std::string::npos) << box.text;
  EXPECT_EQ(stored_plan(), added);
  EXPECT_EQ(labels(e), (std::vector<std::string>{"T1", "T2"})) << "the plan stays as loaded";

  // The loaded room: its tables, then the room, committed.
  choose_room(e, "Saal");
  send_command(e, EditWin::ID_DELETE_ROOM);
  EXPECT_EQ(value("select concat_ws(' ', (select group_concat(name) from LAYOUTK), group_concat(label_name)) "
                  "from LAYOUTP"),
            "Bar B1");
  EXPECT_EQ(e->get_canvas()->numChildren(), 0);
}

TEST_F(RoomsPlan, SavingRefusesInWordsWhatTheRoomOrItsTablesCannotBe)
{
  const LAYOUTK saal = add_room(*db, "Saal");
  add_line(*db, saal, add_table(*db, saal, "T7"));
  const LAYOUTK terrasse = add_room(*db, "Terrasse", 400, 300);
  add_line(*db, terrasse, add_table(*db, terrasse, "T9", 10, 10));
  add_table(*db, terrasse, "T8", 100, 10);
  add_table(*db, terrasse, "t7", 200, 10);
  add_table(*db, terrasse, "T 6", 300, 10);
  const std::string before = stored_plan();
  std::string umlauts;
  for (int i = 0; i < 21; ++i)
    umlauts += "Ü";
  const struct
  {
    std::string room, table, title, height, width;
    const char *said;  // null: stored
    FXuint deleted = 0; // "Tisch Löschen" before "Speichern", or the room deleted instead
    const char *shot = nullptr; // the box shown on the screen, saved under this name
  } cases[] = {
      // Names are compared and stored without the blanks around them.
      {" saal ", "T8", "T8", "40", "60", "Diesen Namen hat schon ein anderer Raum: 'saal'"},
      {" ", "T8", "T8", "40", "60", "Bitte einen Raum"},
      {"Terrasse", "T8", "  ", "40", "60", "Jeder Tisch braucht einen Namen."},
      {"Terrasse", "T8", umlauts, "40", "60", "Dieser Name ist zu lang:"},
      {"Terrasse", "T8", std::string("T\0x", 3), "40", "60", "Nullzeichen"},
      {"Terrasse \xf0\x9f\x8d\xba", "T8", "T8", "40", "60", "(etwa ein Emoji):\nRaum: Terrasse \xf0\x9f\x8d\xba"},
      {"Terrasse", "T8", "T8 \xf0\x9f\x8d\xba", "40", "60", "(etwa ein Emoji):\nTitel: T8 \xf0\x9f\x8d\xba"},
      {"Terrasse", "T8", "t9", "40", "60", "anderer Tisch"},
      // A name that holds what does not show would look like another's.
      {"Terrasse\xe2\x80\x8b", "T8", "T8", "40", "60", "Steuerzeichen enthalten:\nRaum: Terrasse<U+200B>"},
      {"Terrasse", "T8", "T8\xe2\x80\x8b", "40", "60", "Steuerzeichen enthalten:\nTitel: T8<U+200B>", 0,
       "editor_invisible_name"},
      {"Terrasse\xe2\xa0\x80", "T8", "T8", "40", "60", "Steuerzeichen enthalten:\nRaum: Terrasse<U+2800>", 0,
       "editor_blank_drawn_name"},
      {"Terrasse", "T8", "t\xc2\xa0" "6", "40", "60", "anderer Tisch"}, // reads as "t 6"
      {"Terrasse", "T8", "T8", "40", "0", "mindestens 1"},
      {"Terrasse", "T8", "T8", "40", "1000", "nicht ganz im Raum"},
      // Order lines carry the names of their room and table.
      {"Garten", "T8", "T8", "40", "60", "Dieser Raum hat Bonierungen und kann nicht umbenannt werden: 'Terrasse'"},
      {"Terrasse", "T9", "t9", "40", "60", "Bonierungen tragen diesen Tischnamen"},
      {"Terrasse", "T9", "T9", "40", "60", "nicht gelöscht werden: 'T9'", EditWin::ID_DELETE_TABLE},
      {"Terrasse", "t7", "t7", "40", "60", "nicht gelöscht werden: 't7'", EditWin::ID_DELETE_TABLE}, // name only
      {"Terrasse", "T8", "T8", "40", "60", "nicht gelöscht werden: 'Terrasse'", EditWin::ID_DELETE_ROOM},
      {"Terrasse", "T8", " t9", "40", "60", "anderer Tisch"},
      {"Terrasse", "T8", umlauts.substr(2), "40", "60", nullptr}, // 20 characters, 40 bytes
      {" Terrasse", umlauts.substr(2), " T 8\t", "40", "60", nullptr},
  };
  EditWin *e = editor();
  for (const auto &c : cases) {
    // Read anew: the room shown, chosen again, would keep the last case's
    // changes.
    send_command(e, EditWin::ID_NEW_ROOM);
    choose_room(e, "Terrasse");
    e->get_room_combo()->setText(c.room.c_str());
    change(e, c.table, c.title, c.height.c_str(), c.width.c_str());
    if (c.deleted == EditWin::ID_DELETE_TABLE)
      send_command(e, c.deleted);
    if (!c.said) {
      RecordingDB *recorder = nullptr;
      main->setDatabase(connect_recording(database, recorder));
      recorder->statements.clear();
      send_command(e, EditWin::ID_SAVE_ROOM);
      EXPECT_EQ(value("select label_name from LAYOUTP where label_x = 100"), Tools::strip(c.title));
      EXPECT_TRUE(label(e, Tools::strip(c.title))) << "the plan shows what was stored";
      // The server guards what order lines carry, and the plan written is
      // the plan shown: no line is counted, and the room and its tables
      // are read only to lock them as they were loaded.
      int locked = 0;
      for (const std::string &sql : recorder->statements) {
        const std::string upper = Tools::toupper(sql);
        const bool lock = upper.find("FOR UPDATE") != std::string::npos;
        locked += lock;
        EXPECT_EQ(upper.find("BONLINE"), std::string::npos) << sql;
        EXPECT_TRUE(lock || upper.find("SELECT IDX") == std::string::npos) << sql;
      }
      EXPECT_EQ(locked, 2);
      continue;
    }
    Box box;
    const FXuint id = c.deleted == EditWin::ID_DELETE_ROOM ? c.deleted : FXuint(EditWin::ID_SAVE_ROOM);
    if (c.shot) {
      show_next_box(box, c.shot);
      send_command(e, id);
    } else {
      answer_box(box, e, id);
    }
    EXPECT_EQ(box.title, "Datenfehler") << c.said;
    EXPECT_NE(box.text.find(c.said), std::string::npos) << box.text;
    EXPECT_EQ(stored_plan(), before) << c.said;
    EXPECT_EQ(!label(e, Tools::strip(c.title)), c.deleted == EditWin::ID_DELETE_TABLE)
        << "the plan stays as it was made";
  }
}

// A row stored with key 0 (an older database may hold one) is no table:
// the editor shows it as little as the room screen does, and a save
// neither stores it again as a new table nor touches it.
TEST_F(RoomsPlan, ARowWithoutAKeyIsNoTableInTheEditor)
{
  const LAYOUTK saal = add_room(*db, "Saal", 400, 300);
  add_table(*db, saal, "T1", 10, 10);
  const LAYOUTP ghost = add_table(*db, saal, "Geist", 100, 10);
  ASSERT_TRUE(db->exec(Tools::format("update LAYOUTP set idx = 0 where idx = %d", ghost.idx.value)).ok && db->commit());
  RoomWin *w = rooms();
  press_room(w, "Saal");
  EXPECT_EQ(w->get_desks().size(), 1u);
  EditWin *e = editor();
  choose_room(e, "Saal");
  EXPECT_EQ(labels(e), (std::vector<std::string>{"T1"}));
  label(e, "T1")->move(200, 100);
  send_command(e, EditWin::ID_SAVE_ROOM);
  EXPECT_EQ(value("select group_concat(concat_ws(' ', idx = 0, label_name, label_x, label_y) order by idx) "
                  "from LAYOUTP"),
            "1 Geist 100 10,0 T1 200 100");
  EXPECT_EQ(labels(e), (std::vector<std::string>{"T1"}));
}

// Two stations edit one room. A save writes only over what its editor
// loaded: after another station saved the room, or while it saves it,
// the save keeps nothing, says why, and leaves its plan on the screen;
// the room chosen again shows what is stored, and that can be saved.
TEST_F(RoomsPlan, TwoEditorsOnOneRoomDoNotWriteOverEachOther)
{
  const LAYOUTK saal = add_room(*db, "Saal", 400, 300);
  for (int i = 1; i <= 4; ++i)
    add_table(*db, saal, Tools::format("T%d", i), 80 * i - 70, 10);
  EditWin *a = editor();
  std::unique_ptr<MainWindow> station_b = second_station();
  EditWin *b = open<EditWin>(MainWindow::ID_EDITOR, nullptr, station_b.get());
  ASSERT_TRUE(b && b != a);
  const struct
  {
    const char *what;
    std::function<void()> act; // by station B
  } others[] = {
      {"a table renamed, another deleted",
       [&] {
         change(b, "T2", "Bar");
         select(b, "T4");
         send_command(b, EditWin::ID_DELETE_TABLE);
       }},
      {"a table added", [&] { send_command(b, EditWin::ID_NEW_TABLE); }},
      {"the room renamed", [&] { b->get_room_combo()->setText("Saal 2"); }},
      {"nothing changed", nullptr},
  };
  std::string name = "Saal";
  for (const auto &other : others) {
    choose_room(a, name);
    choose_room(b, name);
    if (other.act) {
      other.act();
      send_command(b, EditWin::ID_SAVE_ROOM);
      name = b->get_room().name.value;
    }
    const std::string saved = stored_plan();
    label(a, "T1")->move(200, 200);
    if (!other.act) {
      send_command(a, EditWin::ID_SAVE_ROOM);
      EXPECT_NE(stored_plan().find(" T1 200 200 "), std::string::npos) << stored_plan();
      continue;
    }
    Box box;
    answer_box(box, a, EditWin::ID_SAVE_ROOM);
    EXPECT_NE(box.text.find("Der Raum wurde inzwischen an einem anderen Platz geändert. Es wurde nichts gespeichert."),
              std::string::npos)
        << other.what << ": " << box.text;
    EXPECT_EQ(stored_plan(), saved) << other.what;
    EXPECT_EQ(label(a, "T1")->getX(), 200) << other.what << ": the plan stays on the screen";
    EXPECT_TRUE(label(a, "T2") || label(a, "Bar")) << other.what;
    if (&other == others)
      shot(a, "editor_changed_elsewhere");
  }

  // Another station's save under way holds the room: this one waits a few
  // seconds, then keeps nothing.
  choose_room(a, name);
  ASSERT_EQ(count(Tools::format("select count(*) from LAYOUTP where layout_idx = %d for update", saal.idx.value)), 4);
  label(a, "T1")->move(300, 200);
  const std::string held = stored_plan();
  Box box;
  answer_box(box, a, EditWin::ID_SAVE_ROOM);
  EXPECT_NE(box.text.find("gerade an einem anderen Platz gespeichert"), std::string::npos) << box.text;
  ASSERT_TRUE(db->rollback());
  EXPECT_EQ(stored_plan(), held);
  send_command(a, EditWin::ID_SAVE_ROOM);
  EXPECT_NE(stored_plan().find(" T1 300 200 "), std::string::npos) << stored_plan();
}

// The room takes a new name; then a table that an order line carries is
// renamed, which is refused, and the plan stays on the screen.
TEST_F(RoomsPlan, ARoomIsRenamedWithTheKeyboardAndThePointer)
{
  const LAYOUTK terrasse = add_room(*db, "Terrasse", 400, 300);
  const LAYOUTP t9 = add_table(*db, terrasse, "T9", 10, 10);
  EditWin *e = editor();
  choose_room(e, "Terrasse");
  run_pending(150);
  ASSERT_TRUE(focus(e) && click(e->get_room_combo(), 1, 10, e->get_room_combo()->getHeight() / 2));
  ASSERT_TRUE(xdo("key --delay 30 ctrl+a BackSpace space G a r t e n space"));
  run_pending(100);
  ASSERT_TRUE(click(button(e, "Speichern"), 1, 10, 10));
  const std::string renamed = Tools::format("Garten 400 300 / %d T9 10 10 60 40", terrasse.idx.value);
  EXPECT_TRUE(run_until([&] { return stored_plan() == renamed; })) << stored_plan();
  shot(e, "editor_saved");

  LAYOUTK garten = terrasse;
  garten.name = "Garten";
  add_line(*db, garten, t9);
  ASSERT_TRUE(click(label(e, "T9"), 1, 5, 5));
  ASSERT_TRUE(run_until([&] { return std::string(e->get_title_field()->getText().text()) == "T9"; }));
  // The release too: until it is handled, the label holds the pointer.
  run_pending(100);
  ASSERT_TRUE(click(e->get_title_field(), 1, 10, e->get_title_field()->getHeight() / 2));
  ASSERT_TRUE(xdo("key --delay 30 ctrl+a BackSpace T 1 0 Return"));
  ASSERT_TRUE(run_until([&] { return label(e, "T10") != nullptr; }));
  Box box;
  expect_box(box);
  ASSERT_TRUE(click(button(e, "Speichern"), 1, 10, 10));
  EXPECT_TRUE(run_until([&] { return box.seen; }));
  EXPECT_EQ(box.text, "Bonierungen tragen diesen Tischnamen; der Tisch kann nicht umbenannt werden: 'T9'\n");
  EXPECT_EQ(stored_plan(), renamed);
  EXPECT_TRUE(label(e, "T10")) << "the plan stays as it was made";
  shot(e, "editor_refused");
}


// The room shown, named again in "Raum:" as a person does it (in another
// case, left with Tab): the plan keeps the table added since, with the
// title typed for it before another table was clicked, and "Speichern"
// clicked stores it with the new spelling where no order line carries the
// room's name; where one does, the new spelling is refused in words and
// nothing is stored.
TEST_F(RoomsPlan, TheRoomShownNamedAgainKeepsItsPlanWithThePointer)
{
  const struct
  {
    const char *room, *typed;
    bool lines;
    const char *said; // the refusal, or null: stored
  } cases[] = {
      {"Garten", "GARTEN", false, nullptr},
      {"Saal", "saal", true, "Dieser Raum hat Bonierungen und kann nicht umbenannt werden: 'Saal'\n"},
  };
  for (const auto &c : cases) {
    const LAYOUTK room = add_room(*db, c.room, 400, 300);
    const LAYOUTP t1 = add_table(*db, room, "T1", 10, 10);
    if (c.lines)
      add_line(*db, room, t1);
    EditWin *e = editor();
    send_command(e, EditWin::ID_NEW_ROOM);
    choose_room(e, c.room);
    run_pending(150);
    const std::string before = stored_plan();
    ASSERT_TRUE(focus(e) && click(button(e, "Neuer Tisch"), 1, 10, 10)) << c.room;
    ASSERT_TRUE(run_until([&] { return labels(e).size() == 2; })) << c.room;
    run_pending(100);
    ASSERT_TRUE(click(e->get_title_field(), 1) && (run_pending(100), true) &&
                xdo("key --delay 30 ctrl+a BackSpace E c k e") && click(label(e, "T1"), 1, 5, 5))
        << c.room;
    ASSERT_TRUE(run_until([&] { return label(e, "Ecke") != nullptr; })) << c.room;
    run_pending(100); // the release too: until it is handled, the label holds the pointer
    ASSERT_TRUE(click(e->get_room_combo(), 1, 10, e->get_room_combo()->getHeight() / 2)) << c.room;
    ASSERT_TRUE(xdo("key --delay 30 ctrl+a BackSpace") && xdo(std::string("type --delay 30 ") + c.typed) &&
                xdo("key Tab"))
        << c.room;
    run_pending(300);
    EXPECT_EQ(2u, labels(e).size()) << c.room << ": the table added stays";
    EXPECT_EQ(c.typed, std::string(e->get_room_combo()->getText().text())) << c.room;
    Box box;
    if (c.said)
      expect_box(box);
    ASSERT_TRUE(click(button(e, "Speichern"), 1, 10, 10)) << c.room;
    const std::string stored = Tools::format("select concat_ws(' ', name, (select count(*) from LAYOUTP where "
                                             "layout_idx = LAYOUTK.idx)) from LAYOUTK where idx = %d",
                                             room.idx.value);
    if (c.said) {
      ASSERT_TRUE(run_until([&] { return box.seen; }, 5000)) << c.room;
      EXPECT_EQ(c.said, box.text);
      EXPECT_EQ(before, stored_plan()) << c.room;
      EXPECT_EQ(2u, labels(e).size()) << c.room << ": the plan stays as it was made";
    } else {
      EXPECT_TRUE(run_until([&] { return value(stored) == std::string(c.typed) + " 2"; }, 5000)) << value(stored);
      EXPECT_EQ(1, count(Tools::format("select count(*) from LAYOUTP where label_name = 'Ecke' and layout_idx = %d",
                                       room.idx.value)));
      shot(e, "editor_room_named_again");
    }
  }
}

} // namespace
