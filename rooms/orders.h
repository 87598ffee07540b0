#ifndef KORVAN_ROOMS_ORDERS_H
#define KORVAN_ROOMS_ORDERS_H

// What staff do with order lines, without any window: book a line, cancel
// one ("Storno"), pay lines in cash ("Bar Bezahlen") or split between cash
// and another kind of payment ("Bezahlen"), move lines to another table.
// The order windows ask and show; the work is done here, so that it runs
// the same from a window, a test or a program that drives many stations.
//
// Each operation is one unit of work on the connection it is given: it
// reads again and locks what it changes (waiting a few seconds at most for
// a station that holds a line), compares that with the lines as the person
// saw them, writes, and commits. Or it rolls back everything it did and
// says why: another station changed or holds a line, the server chose it
// as a deadlock's victim (tried once more first), or the statement failed
// (the database's words, the connection perhaps lost). It never leaves a
// transaction open and never shows anything: the refusal comes back after
// the rollback, so nothing stays locked while a person reads it.

#include <functional>
#include <string>
#include <vector>

#include "schema/tables.h"

namespace Tools {
class Database;
}

class Orders
{
public:
  enum Outcome {
    DONE,
    // A line was cancelled, paid or moved elsewhere since it was shown.
    CHANGED_ELSEWHERE,
    // Another station held a line longer than Tools::Database's
    // LOCK_WAIT_SECONDS.
    BUSY_ELSEWHERE,
    // Two stations locked each other's lines, twice in a row.
    DEADLOCK,
    // Nobody is logged in.
    NO_USER,
    // The other payment would pay more than the lines cost.
    MORE_THAN_BILL,
    // Something is left to pay and no other kind of payment is chosen.
    NO_KIND,
    // A statement failed: `error` and `statement` say which and why.
    FAILED,
  };

  // The German words for an outcome (empty for DONE and FAILED), the texts
  // the windows show.
  static const char *text(Outcome outcome);

  struct Result
  {
    Outcome outcome = DONE;
    std::string error;     // FAILED, and a lock refused: the database's words
    std::string statement; // FAILED: the statement that failed
    // FAILED because the server dropped the connection: every statement
    // fails until a new one is made.
    bool connection_lost = false;

    bool done() const { return outcome == DONE; }
    // The words to show for a refusal; empty when done or failed.
    const char *text() const { return Orders::text(outcome); }
  };

  // A line as the person saw it: what an operation compares with what is
  // stored now.
  struct Seen
  {
    int idx = 0;
    int room_idx = 0;  // layoutk_idx
    int table_idx = 0; // layoutp_idx
  };
  typedef std::vector<Seen> SeenLines;
  static Seen seen(const BONLINE &line);

  // Works on `db` for `user` (who stamps and cancels; an empty login and
  // idx 0 is nobody). Both must outlive the object.
  Orders(Tools::Database &db, const USER &user);

  // Stores a new line: `anzahl` of the article at the price, on the table
  // of the room, stamped and carrying the user. (Its key is not read back:
  // that would cost a statement more.)
  Result book(const ART &article, const PREIS &price, const LAYOUTK &room, const LAYOUTP &table, int anzahl);
  // Cancels the line.
  Result cancel(const Seen &line);
  // Pays every line in cash, each at its amount (price x quantity, rounded
  // to the cent once).
  Result pay_cash(const SeenLines &lines);
  // Pays the lines with `cash` in cash and the rest of their amounts with
  // the other kind of payment, which goes to the first lines until it is
  // used up. Cash beyond the bill leaves nothing to the other kind; an
  // other payment beyond the bill (cash below 0) is refused.
  Result pay(const SeenLines &lines, double cash, const SONST_ART &kind);
  // Moves the lines to the table of the room.
  Result move(const SeenLines &lines, const LAYOUTK &room, const LAYOUTP &table);

  // ---- what the order windows read: no unit of work, nothing locked ----

  // The conditions of the lists (a sheet or a combo box runs them): the
  // open lines of a table, of a room (table 0) or of the house (both 0);
  // the valid articles of a group; the valid prices of an article; the
  // tables of a room; the valid kinds of payment. Keys and names come as
  // the lists show them.
  static std::string open_lines_where(int room_idx, int table_idx);
  static std::string group_articles_where(const std::string &group);
  static std::string article_prices_where(const std::string &idx, const std::string &artnr);
  static std::string room_tables_condition(int room_idx);
  static const char *const KINDS_WHERE;
  // The article groups, one row per name: the tail and the count of that
  // list.
  static const char *const GROUPS_TAIL;
  static const char *const GROUPS_COUNT;
  // A row read again by its key into the record: the rows found (0 when
  // it is gone), or -1 when the statement failed.
  static int read_article(Tools::Database &db, const std::string &idx, const std::string &artnr, ART &article);
  static int read_price(Tools::Database &db, const std::string &idx, PREIS &price);
  static int read_kind(Tools::Database &db, const std::string &idx, SONST_ART &kind);

private:
  Tools::Database &db;
  const USER &user;

  typedef std::vector<Tools::Ref<BONLINE> > Lines;
  // What an operation does to the lines read again and locked: `check`
  // looks at all of them first (DONE, or the refusal), then `change` sets
  // the columns of each and gives the log's line for it (or nothing). Both
  // start afresh when the unit of work is tried again.
  struct Change
  {
    std::function<Outcome(const Lines &)> check;
    std::function<std::string(BONLINE &)> change;
  };
  Result change_lines(const SeenLines &lines, const Change &change);
  Result change_once(const SeenLines &lines, const Change &change);
  // The statement just failed: rolls back and says how.
  Result failed();
  // Rolls back and gives the refusal.
  Result refused(Outcome outcome);
  Result commit();
  bool have_user() const;
  void stamp(BASE &row, int kind) const;
};

#endif
