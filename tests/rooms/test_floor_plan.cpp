// The floor plan's reading and saving without any window or display: what
// a save writes, what it refuses, and that a refusal or a failure keeps
// nothing and leaves no transaction open. Each editor works on a
// connection of its own; the checks are read on the test's.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <list>
#include <thread>

#include "rooms/floorplan.h"
#include "tests/support/characters.h"
#include "tests/support/db_fixture.h"
#include "tests/support/recording_db.h"
#include "tests/support/seed.h"
#include "tools/core/format.h"
#include "tools/dbi/database.h"

using namespace korvan_test;

namespace {

class FloorPlanTest : public FreshDatabase
{
protected:
  LAYOUTK saal;
  // Two editors, each on a connection of its own.
  Tools::Ref<Tools::Database> station, other;
  int station_id = 0;

  void SetUp() override
  {
    FreshDatabase::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    saal = add_room(*db, "Saal", 400, 300);
    for (int i = 1; i <= 3; ++i)
      add_table(*db, saal, Tools::format("T%d", i), 80 * i - 70, 10);
    station = open_database(database);
    other = open_database(database);
    ASSERT_TRUE(station->is_connected() && other->is_connected());
    station_id = std::stoi(value(*station, "select connection_id()"));
  }

  // Read on its own, in a transaction ended at once.
  std::string value(Tools::Database &on, const std::string &sql)
  {
    const std::string v = query_value(on, sql);
    on.rollback();
    return v;
  }
  std::string value(const std::string &sql) { return value(*db, sql); }

  // Every stored room and table.
  std::string stored_plan()
  {
    return value("select concat_ws(' / ', (select group_concat(concat_ws(' ', name, width, height) order by idx) "
                 "from LAYOUTK), (select group_concat(concat_ws(' ', label_name, label_x, label_y, label_width, "
                 "label_height) order by idx) from LAYOUTP))");
  }

  // The plan as an editor loads it; the read ends here, so that what is
  // open afterwards is the save's.
  FloorPlan::Plan load(Tools::Database &on, const std::string &name = "Saal")
  {
    FloorPlan::Plan plan;
    EXPECT_EQ(FloorPlan(on).load(name, plan), 1) << name;
    on.rollback();
    return plan;
  }

  // Every column of the room and of each table.
  static std::string text(const FloorPlan::Plan &plan)
  {
    std::vector<const Tools::DBBindType *> rows(1, &plan.room);
    for (const LAYOUTP &t : plan.tables)
      rows.push_back(&t);
    std::string all;
    for (const Tools::DBBindType *row : rows) {
      for (const Tools::DBType *column : row->get_types())
        all += column->to_string() + " ";
      all += "/ ";
    }
    return all;
  }

  static LAYOUTP &table(FloorPlan::Plan &plan, const std::string &name)
  {
    for (LAYOUTP &t : plan.tables)
      if (t.label_name.value == name)
        return t;
    throw std::runtime_error("no table " + name);
  }
  static void drop(FloorPlan::Plan &plan, const std::string &name)
  {
    for (auto t = plan.tables.begin(); t != plan.tables.end(); ++t)
      if (t->label_name.value == name) {
        plan.tables.erase(t);
        return;
      }
  }

  struct Refusal
  {
    std::function<void(FloorPlan::Plan &)> change;
    FloorPlan::Outcome outcome;
    const char *said; // null: not checked
  };
  // Each change, made to the plan as loaded after T1 was moved, is
  // refused in its words: nothing is kept, nothing is left open.
  void expect_refused(const std::vector<Refusal> &cases)
  {
    const std::string before = stored_plan();
    for (const Refusal &c : cases) {
      const FloorPlan::Plan loaded = load(*station);
      FloorPlan::Plan plan = loaded;
      table(plan, "T1").label_x = 300; // written first, if it comes to writing
      c.change(plan);
      const FloorPlan::Result r = FloorPlan(*station).save(loaded, plan);
      EXPECT_EQ(r.outcome, c.outcome) << r.error;
      EXPECT_TRUE(!c.said || r.text() == c.said) << r.text();
      expect_ended(r.text());
      EXPECT_EQ(stored_plan(), before) << r.text();
    }
  }

  // Nothing of the station's work is left open on its connection: no
  // transaction, no lock.
  void expect_ended(const std::string &what)
  {
    EXPECT_FALSE(korvan_test::in_transaction(*station)) << what << ": a transaction was left open";
  }
};

TEST_F(FloorPlanTest, APlanIsReadAsStoredAndSavedWholeInOneUnitOfWork)
{
  FloorPlan::Plan none;
  EXPECT_EQ(FloorPlan(*station).load("Garten", none), 0);
  EXPECT_EQ(int(none.room.idx), 0);
  FloorPlan::Plan loaded = load(*station, " saal ");
  ASSERT_EQ(loaded.tables.size(), 3u);
  EXPECT_EQ(Tools::format("%s %d %d %d", loaded.room.name.value, int(loaded.room.idx), int(loaded.tables[1].label_x),
                          int(loaded.tables[1].label_width)),
            Tools::format("Saal %d 90 60", saal.idx.value));

  // Moved, renamed, resized, one deleted and one added: all of it or
  // nothing, the names without the blanks around them.
  FloorPlan::Plan plan = loaded;
  plan.room.name = " Saal 1 ";
  table(plan, "T1").label_x = 200;
  table(plan, "T2").label_height = 80;
  table(plan, "T2").label_name = "  Bar";
  drop(plan, "T3");
  LAYOUTP fresh;
  fresh.label_name = "T4";
  fresh.label_y = 100;
  fresh.label_width = fresh.label_height = 30;
  plan.tables.push_back(fresh);
  const FloorPlan::Result r = FloorPlan(*station).save(loaded, plan);
  ASSERT_TRUE(r.done()) << r.error;
  expect_ended("save");
  EXPECT_EQ(stored_plan(), "Saal 1 400 300 / T1 200 10 60 40,Bar 90 10 60 80,T4 0 100 30 30");
  EXPECT_EQ(plan.room.name.value, "Saal 1");
  EXPECT_NE(int(plan.tables[2].idx), 0) << "the new table carries its key";
  EXPECT_EQ(int(plan.tables[2].layout_idx), saal.idx.value);

  // What was saved is what loads, and it saves again over itself.
  EXPECT_EQ(text(load(*other, "Saal 1")), text(plan));
  FloorPlan::Plan unchanged = plan;
  EXPECT_TRUE(FloorPlan(*station).save(plan, unchanged).done());

  // A new room: an empty plan loaded.
  FloorPlan::Plan garten;
  garten.room.name = "Garten";
  garten.room.width = garten.room.height = 100;
  ASSERT_TRUE(FloorPlan(*station).save(FloorPlan::Plan(), garten).done());
  EXPECT_EQ(value("select idx from LAYOUTK where name = 'Garten'"), std::to_string(int(garten.room.idx)));

  // A name stored with white space of another kind around it is found by
  // its trimmed form, and saved without it.
  add_room(*db, "Hof\t\xc2\xa0", 100, 100);
  FloorPlan::Plan hof = load(*station, "\xe3\x80\x80hof"), trimmed = hof;
  ASSERT_TRUE(FloorPlan(*station).save(hof, trimmed).done());
  EXPECT_EQ(value("select concat('[', name, ']') from LAYOUTK where name like 'Hof%'"), "[Hof]");
}

// Two editors load one room; one saves, then the other: the second keeps
// nothing, whatever the first changed, and says so.
TEST_F(FloorPlanTest, TwoEditorsOnOneRoomDoNotWriteOverEachOther)
{
  const struct
  {
    const char *what;
    std::function<void(FloorPlan::Plan &)> first, second;
  } cases[] = {
      {"rename against move", [](FloorPlan::Plan &p) { table(p, "T2").label_name = "Bar"; },
       [](FloorPlan::Plan &p) { table(p, "T1").label_x = 300; }},
      {"delete against move", [](FloorPlan::Plan &p) { drop(p, "T1"); },
       [](FloorPlan::Plan &p) { table(p, "T1").label_x = 300; }},
  };
  std::string name = "Saal";
  for (const auto &c : cases) {
    const FloorPlan::Plan loaded_a = load(*other, name), loaded_b = load(*station, name);
    FloorPlan::Plan a = loaded_a, b = loaded_b;
    c.first(a);
    ASSERT_TRUE(FloorPlan(*other).save(loaded_a, a).done()) << c.what;
    name = a.room.name.value;
    const std::string saved = stored_plan();
    c.second(b);
    const FloorPlan::Plan before = b;
    const FloorPlan::Result r = FloorPlan(*station).save(loaded_b, b);
    EXPECT_EQ(r.outcome, FloorPlan::CHANGED_ELSEWHERE) << c.what << ": " << r.error;
    EXPECT_EQ(r.text(), "Der Raum wurde inzwischen an einem anderen Platz geändert. Es wurde nichts gespeichert.\n"
                        "Der Plan bleibt im Editor; den Raum neu auswählen zeigt den gespeicherten Stand.");
    expect_ended(c.what);
    EXPECT_EQ(stored_plan(), saved) << c.what;
    EXPECT_EQ(text(b), text(before)) << c.what << ": keys as they were";
  }

  // A save under way elsewhere holds the room: this one waits a few
  // seconds, then keeps nothing and holds nothing.
  const FloorPlan::Plan loaded = load(*station, name);
  FloorPlan::Plan moved = loaded;
  moved.tables[0].label_x = 0;
  ASSERT_TRUE(other->exec(Tools::format("select idx from LAYOUTK where idx = %d for update", saal.idx.value)).ok);
  const std::string held = stored_plan();
  const auto start = std::chrono::steady_clock::now();
  const FloorPlan::Result r = FloorPlan(*station).save(loaded, moved);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(Tools::Database::LOCK_WAIT_SECONDS - 1));
  EXPECT_EQ(r.outcome, FloorPlan::BUSY_ELSEWHERE) << r.error;
  EXPECT_EQ(r.text().find("Der Raum wird gerade an einem anderen Platz gespeichert."), 0u) << r.text();
  expect_ended("held");
  ASSERT_TRUE(other->rollback());
  EXPECT_EQ(stored_plan(), held);
  EXPECT_TRUE(FloorPlan(*station).save(loaded, moved).done());
}

// Order lines carry the names of their room and table and the table's
// key: what they carry is neither renamed nor deleted, and the rest of
// that save is not kept either.
TEST_F(FloorPlanTest, WhatOrderLinesCarryIsNeitherRenamedNorDeleted)
{
  add_line(*db, saal, load(*db).tables[1]); // on T2
  const std::string before = stored_plan();
  expect_refused({
      {[](FloorPlan::Plan &p) { table(p, "T2").label_name = "t2"; }, FloorPlan::TABLE_HAS_LINES,
       "Bonierungen tragen diesen Tischnamen; der Tisch kann nicht umbenannt werden: 'T2'"},
      {[](FloorPlan::Plan &p) { drop(p, "T2"); }, FloorPlan::TABLE_KEEPS_LINES,
       "Bonierungen tragen diesen Tisch oder seinen Namen; der Tisch kann nicht gelöscht werden: 'T2'"},
      {[](FloorPlan::Plan &p) { p.room.name = "Garten"; }, FloorPlan::ROOM_HAS_LINES,
       "Dieser Raum hat Bonierungen und kann nicht umbenannt werden: 'Saal'"},
  });
  const FloorPlan::Plan loaded = load(*station);
  const FloorPlan::Result r = FloorPlan(*station).remove(loaded, " Saal");
  EXPECT_EQ(r.text(),
            "Bonierungen tragen diesen Raum oder einen seiner Tische; der Raum kann nicht gelöscht werden: ' Saal'");
  expect_ended("room deleted");
  EXPECT_EQ(stored_plan(), before);
}

// A name another table or room holds, a plan of tables the room did not
// have when it was loaded, a room to delete by a name it no longer has:
// refused before anything is written.
TEST_F(FloorPlanTest, NamesOthersHoldAndPlansNotLoadedAreRefused)
{
  const LAYOUTK bar = add_room(*db, "Bar");
  add_table(*db, bar, "B1");
  add_room(*db, "Bar 2");
  add_room(*db, "Bar\xc2\xa0" "2"); // stored so before, and kept
  const std::string before = stored_plan();
  std::vector<Refusal> cases = {
      {[](FloorPlan::Plan &p) { table(p, "T3").label_name = " t1 "; }, FloorPlan::TABLE_NAME_TAKEN,
       "Diesen Namen hat schon ein anderer Tisch des Raumes: 't1'"},
      {[](FloorPlan::Plan &p) { p.room.name = "bar"; }, FloorPlan::ROOM_NAME_TAKEN,
       "Diesen Namen hat schon ein anderer Raum: 'bar'"},
      {[&](FloorPlan::Plan &p) { p.tables.push_back(load(*db, "Bar").tables[0]); }, FloorPlan::CHANGED_ELSEWHERE,
       nullptr},
  };
  // A space of another kind inside a name reads as a blank: "T 2" and "T",
  // no-break space, "2" are one name.
  for (const LookAlike &c : LOOK_ALIKES) {
    if (c.shown)
      continue;
    const std::string space = c.text;
    cases.push_back({[=](FloorPlan::Plan &p) {
                       table(p, "T2").label_name = "T 2";
                       table(p, "T3").label_name = "t" + space + "2";
                     },
                     FloorPlan::TABLE_NAME_TAKEN, nullptr});
    cases.push_back({[=](FloorPlan::Plan &p) { p.room.name = "bar" + space + "2"; }, FloorPlan::ROOM_NAME_TAKEN,
                     nullptr});
  }
  expect_refused(cases);
  for (const FloorPlan::Plan &loaded : {FloorPlan::Plan(), load(*station)}) {
    const FloorPlan::Result r = FloorPlan(*station).remove(loaded, "Bar");
    EXPECT_EQ(r.text(), "Dieser Raum ist nicht geladen. Bitte den Raum zuerst auswählen.");
    EXPECT_EQ(stored_plan(), before);
  }
  const FloorPlan::Plan twin = load(*station, "Bar 2");
  FloorPlan::Plan same = twin;
  EXPECT_TRUE(FloorPlan(*station).save(twin, same).done());
}

// Another station changed the room after this editor loaded it: the
// delete compares as a save does, under the same lock, and takes nothing
// (a table added meanwhile would have gone with the room unseen). Loaded
// again, the room goes with every table.
TEST_F(FloorPlanTest, ARoomChangedSinceItWasLoadedIsNotDeleted)
{
  const struct
  {
    const char *what;
    std::function<void(FloorPlan::Plan &)> elsewhere; // on the plan the other station loaded
  } cases[] = {
      {"a table added",
       [](FloorPlan::Plan &p) {
         LAYOUTP fresh;
         fresh.label_name = "T4";
         fresh.label_width = fresh.label_height = 30;
         p.tables.push_back(fresh);
       }},
      {"a table moved", [](FloorPlan::Plan &p) { table(p, "T2").label_y = 200; }},
      {"a table renamed", [](FloorPlan::Plan &p) { table(p, "T3").label_name = "Bar"; }},
      {"a table deleted", [](FloorPlan::Plan &p) { drop(p, "T1"); }},
      {"the room resized", [](FloorPlan::Plan &p) { p.room.width = 500; }},
  };
  for (const auto &c : cases) {
    const FloorPlan::Plan loaded = load(*station);
    const FloorPlan::Plan theirs = load(*other);
    FloorPlan::Plan changed = theirs;
    c.elsewhere(changed);
    ASSERT_TRUE(FloorPlan(*other).save(theirs, changed).done()) << c.what;
    const std::string saved = stored_plan();
    const FloorPlan::Result r = FloorPlan(*station).remove(loaded, "Saal");
    EXPECT_EQ(r.outcome, FloorPlan::CHANGED_ELSEWHERE) << c.what << ": " << r.error;
    EXPECT_EQ(r.text().find("Der Raum wurde inzwischen an einem anderen Platz geändert."), 0u) << r.text();
    expect_ended(c.what);
    EXPECT_EQ(stored_plan(), saved) << c.what;
  }
  const FloorPlan::Result r = FloorPlan(*station).remove(load(*station), "Saal");
  ASSERT_TRUE(r.done()) << r.error;
  expect_ended("deleted");
  EXPECT_EQ(value("select concat((select count(*) from LAYOUTK), (select count(*) from LAYOUTP))"), "00");
}

// A name that looks like another but holds what does not show (a
// zero-width space, a direction mark, a control character) is refused for
// a room and a table as for every other name, in the same words; a name
// stored so before is kept as it is. A row stored with key 0 is no table:
// the plan neither shows nor writes it, and saves around it.
TEST_F(FloorPlanTest, NamesHoldingWhatDoesNotShowAreRefusedAndRowsWithoutAKeyLeftAlone)
{
  const std::string zwsp = "\xe2\x80\x8b", lrm = "\xe2\x80\x8e", nbsp = "\xc2\xa0";
  std::vector<Refusal> cases = {
      {[&](FloorPlan::Plan &p) { p.room.name = "Saal" + zwsp; }, FloorPlan::NAME_INVISIBLE,
       "Ein Name kann keine unsichtbaren Zeichen oder Steuerzeichen enthalten:\nRaum: Saal<U+200B>"},
      {[&](FloorPlan::Plan &p) { table(p, "T2").label_name = "T1" + zwsp; }, FloorPlan::NAME_INVISIBLE,
       "Ein Name kann keine unsichtbaren Zeichen oder Steuerzeichen enthalten:\nTitel: T1<U+200B>"},
      {[&](FloorPlan::Plan &p) {
         LAYOUTP fresh;
         fresh.label_name = lrm + "T4";
         fresh.label_width = fresh.label_height = 30;
         p.tables.push_back(fresh);
       },
       FloorPlan::NAME_INVISIBLE, nullptr},
      {[](FloorPlan::Plan &p) { table(p, "T3").label_name = "T\t3"; }, FloorPlan::NAME_INVISIBLE, nullptr},
  };
  // Decided by what Unicode says of each character, in the room's name and
  // a table's, behind a name and alone (the line separator, white space as
  // a line end is, trimmed at the end and refused inside).
  std::list<std::string> said;
  const std::string refused = "Ein Name kann keine unsichtbaren Zeichen oder Steuerzeichen enthalten:\n";
  for (const LookAlike &c : LOOK_ALIKES) {
    if (!c.shown)
      continue;
    const std::string hidden = c.text, in = c.white ? hidden + "2" : hidden, shown = c.white ? c.shown + std::string("2") : c.shown;
    const char *room = said.emplace_back(refused + "Raum: Saal" + shown).c_str();
    const char *of_table = said.emplace_back(refused + "Titel: T1" + shown).c_str();
    cases.push_back({[=](FloorPlan::Plan &p) { p.room.name = "Saal" + in; }, FloorPlan::NAME_INVISIBLE, room});
    cases.push_back({[=](FloorPlan::Plan &p) { p.room.name = hidden; },
                     c.white ? FloorPlan::NO_ROOM_NAME : FloorPlan::NAME_INVISIBLE, nullptr});
    cases.push_back({[=](FloorPlan::Plan &p) { table(p, "T2").label_name = "T1" + in; }, FloorPlan::NAME_INVISIBLE,
                     of_table});
    cases.push_back({[=](FloorPlan::Plan &p) {
                       LAYOUTP fresh;
                       fresh.label_name = hidden;
                       fresh.label_width = fresh.label_height = 30;
                       p.tables.push_back(fresh);
                     },
                     c.white ? FloorPlan::TABLE_NAME_MISSING : FloorPlan::NAME_INVISIBLE, nullptr});
  }
  expect_refused(cases);
  FloorPlan::Plan twin;
  twin.room.name = "Saal" + zwsp;
  twin.room.width = twin.room.height = 100;
  const FloorPlan::Result r = FloorPlan(*station).save(FloorPlan::Plan(), twin);
  EXPECT_EQ(r.outcome, FloorPlan::NAME_INVISIBLE) << r.error;
  expect_ended("a new room");
  EXPECT_EQ(value("select count(*) from LAYOUTK"), "1");

  // Stored so by an older version (a pair that now reads as one name
  // among them), and a row without a key.
  add_table(*db, saal, "T" + zwsp + "9", 300, 200);
  add_table(*db, saal, "T 8", 300, 100);
  add_table(*db, saal, "T" + nbsp + "8", 300, 150);
  const LAYOUTP geist = add_table(*db, saal, "Geist", 0, 0, 1, 1);
  ASSERT_TRUE(db->exec(Tools::format("update LAYOUTP set idx = 0 where idx = %d", geist.idx.value)).ok && db->commit())
      << db->get_error();
  const FloorPlan::Plan loaded = load(*station);
  EXPECT_EQ(loaded.tables.size(), 6u) << text(loaded);
  FloorPlan::Plan moved = loaded;
  table(moved, "T" + zwsp + "9").label_x = 200;
  drop(moved, "T1");
  const FloorPlan::Result saved = FloorPlan(*station).save(loaded, moved);
  ASSERT_TRUE(saved.done()) << saved.text() << saved.error;
  EXPECT_EQ(value("select group_concat(concat_ws(' ', idx = 0, label_name, label_x) order by idx) from LAYOUTP"),
            "1 Geist 0,0 T2 90,0 T3 170,0 T" + zwsp + "9 200,0 T 8 300,0 T" + nbsp + "8 300");
  // Saved again as it is now stored: the key-0 row is not the plan's.
  FloorPlan::Plan again = moved;
  EXPECT_TRUE(FloorPlan(*station).save(moved, again).done());
}

// The server ends the station's connection in the middle of a save, after
// each kind of statement in turn: the save says the connection is lost,
// and nothing of it is stored.
TEST_F(FloorPlanTest, AConnectionEndedMidSaveIsSaidLostAndNothingIsHalfWritten)
{
  const std::string before = stored_plan();
  for (const char *after : {"for update", "UPDATE LAYOUTK", "delete from LAYOUTP", "UPDATE LAYOUTP",
                            "INSERT INTO LAYOUTP"}) {
    RecordingDB *recorder = nullptr;
    Tools::Ref<Tools::Database> ended = connect_recording(database, recorder);
    const std::string id = query_value(*ended, "select connection_id()");
    const FloorPlan::Plan loaded = load(*ended);
    bool killed = false;
    recorder->after = [&](RecordingDB &, const std::string &sql) {
      if (sql.find(after) != std::string::npos && !killed)
        killed = db->exec("KILL CONNECTION " + id).ok;
    };
    FloorPlan::Plan plan = loaded;
    plan.room.name = "Saal 2";
    table(plan, "T1").label_x = 300;
    drop(plan, "T3");
    LAYOUTP fresh;
    fresh.label_name = "T4";
    fresh.label_width = fresh.label_height = 30;
    plan.tables.push_back(fresh);
    const FloorPlan::Result r = FloorPlan(*ended).save(loaded, plan);
    EXPECT_TRUE(killed) << after;
    EXPECT_EQ(r.outcome, FloorPlan::FAILED) << after;
    EXPECT_TRUE(r.connection_lost) << after << ": " << r.error;
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(r.text(), "");
    EXPECT_EQ(stored_plan(), before) << after;
    EXPECT_EQ(int(plan.tables.back().idx), 0) << after;
  }
}

} // namespace
