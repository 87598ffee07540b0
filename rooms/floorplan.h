#ifndef KORVAN_ROOMS_FLOORPLAN_H
#define KORVAN_ROOMS_FLOORPLAN_H

// The plan of a room as data, without any window: the room (LAYOUTK) and
// its tables (LAYOUTP) with their names, places and sizes. The layout
// editor shows a plan and hands the changed one back here; the work on
// the stored plan is done here, so that it runs the same from the editor,
// a test or a program.
//
// A save is one unit of work on the connection it is given: it checks the
// plan, reads again and locks the room and the tables as they were loaded
// (waiting a few seconds at most for a station that saves the same room),
// compares them with what was loaded, writes the room, deletes the tables
// taken off the plan, writes the others, and commits. Or it rolls back
// everything it did and says why: the plan cannot be stored as it is,
// another station changed or holds the room, order lines carry a room or
// a table that was to be renamed or deleted, or a statement failed (the
// database's words, the connection perhaps lost). It never leaves a
// transaction open and never shows anything.

#include <functional>
#include <string>
#include <vector>

#include "schema/tables.h"
#include "tools/dbi/database.h"

class FloorPlan
{
public:
  enum Outcome {
    DONE,
    // ---- the plan itself, refused before the database is asked ----
    NO_ROOM_NAME,
    // A name holds a NUL character (`of_table` tells whose name).
    NUL_IN_NAME,
    // A name holds a character the tables cannot store (most emoji).
    NAME_MISFIT,
    // A new or changed name holds a control character or one that shows
    // nothing (a zero-width space): it would look like another's.
    NAME_INVISIBLE,
    NAME_TOO_LONG,
    TABLE_NAME_MISSING,
    // Two tables of the plan carry one name (case and blanks aside).
    TABLE_NAME_TAKEN,
    SIZE_TOO_SMALL,
    OUTSIDE_ROOM,
    // ---- what the database holds ----
    // Another room has the name.
    ROOM_NAME_TAKEN,
    // Another station saved the room since it was loaded.
    CHANGED_ELSEWHERE,
    // Another station's save held the room longer than Tools::Database's
    // LOCK_WAIT_SECONDS.
    BUSY_ELSEWHERE,
    // Order lines carry the room's or a table's name (renaming), or the
    // table or room itself (deleting).
    ROOM_HAS_LINES,
    TABLE_HAS_LINES,
    TABLE_KEEPS_LINES,
    ROOM_KEEPS_LINES,
    // The room to delete is not the one loaded under that name.
    NOT_LOADED,
    // A statement failed: `error` and `statement` say which and why.
    FAILED,
  };

  // The German words for an outcome (empty for DONE and FAILED); a
  // refusal's text begins with them.
  static const char *text(Outcome outcome);
  // The line after the words of CHANGED_ELSEWHERE and BUSY_ELSEWHERE.
  static const char *const CHOOSE_AGAIN;
  // The fields a name is typed into, named before a name that cannot be
  // stored.
  static const char *const ROOM_FIELD;  // "Raum"
  static const char *const TABLE_FIELD; // "Titel"

  // The words a window shows for each German text of a refusal.
  typedef std::function<std::string(const char *german)> Words;

  // FAILED, and a lock refused: the database's report (its words, the
  // statement, whether the connection is lost).
  struct Result : Tools::DBFailureReport
  {
    Outcome outcome = DONE;
    // The room or the table a refusal is about (for a table renamed or
    // deleted: its name as loaded).
    std::string name;
    // NUL_IN_NAME, NAME_MISFIT, NAME_INVISIBLE: the name is a table's,
    // not the room's.
    bool of_table = false;

    bool done() const { return outcome == DONE; }
    // The whole text of a refusal, in German or in the words `words`
    // gives; empty when done or failed.
    std::string text(const Words &words = Words()) const;
  };

  // A room and its tables in the order they are shown; key 0: not stored
  // yet. A stored row with key 0 (an older database may hold one) is no
  // table of the plan: it is neither read, shown, compared nor written.
  struct Plan
  {
    LAYOUTK room;
    std::vector<LAYOUTP> tables;
  };

  // Works on `db`, which must outlive the object.
  explicit FloorPlan(Tools::Database &db);

  // Reads the room whose name, without the blanks around it, is `name`
  // (also one stored before names were trimmed), and its tables, as they
  // are stored: 1 when found (`plan` is then that room), 0 when no room
  // has the name, -1 when a statement failed (`plan` untouched either way).
  int load(const std::string &name, Plan &plan);
  // The same by the room's key.
  int load(int idx, Plan &plan);

  // Stores `plan`, which was made from `loaded` (as load gave it, or an
  // empty plan for a new room), in one unit of work. The names in `plan`
  // lose the blanks around them in any case. When done, `plan` carries
  // the keys of the rows inserted and is what the database holds; else
  // nothing of it was kept and its keys are as they were.
  Result save(const Plan &loaded, Plan &plan);
  // Deletes the room loaded, and its tables, in one unit of work; refused
  // unless `name` (as typed, blanks aside) still names it, and unless the
  // room and its tables are still as loaded (compared under the lock a
  // save takes: a table added elsewhere would go unseen).
  Result remove(const Plan &loaded, const std::string &name);

private:
  Tools::Database &db;

  int read(const std::string &where, Plan &plan);
  // The plan's own faults, before anything is read.
  static Result check(const Plan &loaded, const Plan &plan);
  // Locks the room and tables loaded until the unit of work ends and
  // compares them with `loaded`.
  Result lock_as_loaded(const Plan &loaded);
  Result write(const Plan &loaded, Plan &plan);
  // The statement just failed: `refusal` (about `name`) when the server
  // refused it for order lines that carry the row, else FAILED; rolled
  // back either way.
  Result failed(Outcome refusal = FAILED, const std::string &name = std::string());
  // Rolls back and gives the refusal.
  Result refused(Outcome outcome, const std::string &name = std::string());
};

#endif
