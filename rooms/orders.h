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
// saw them, writes, and commits. What it only names (the price and its
// article, the room and table, the other kind of payment) it reads in the
// same unit of work and holds with a shared lock, so that no station can
// delete, retire or move it before the commit; a window's list may have
// shown it long before. Or it rolls back everything it did and says why:
// another station changed or holds a line, something it names is gone, no
// longer valid or does not belong together, the server chose it as a
// deadlock's victim (tried once more first), or the statement failed (the
// database's words, the connection perhaps lost). It never leaves a
// transaction open and never shows anything: the refusal comes back after
// the rollback, so nothing stays locked while a person reads it.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "schema/tables.h"
#include "tools/dbi/database.h"

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
    // The other kind of payment has a value (a voucher) and would pay
    // more than it.
    MORE_THAN_KIND,
    // Something is left to pay and no other kind of payment is chosen.
    NO_KIND,
    // Less than one of an article.
    NO_QUANTITY,
    // The article is gone, or marked not valid.
    ARTICLE_GONE,
    ARTICLE_RETIRED,
    // The price is gone or is no longer one of the article's, or it is
    // marked not valid.
    PRICE_GONE,
    PRICE_RETIRED,
    // The room or the table is gone, or the table stands in another room.
    TABLE_GONE,
    // The other kind of payment is gone, or marked not valid.
    KIND_GONE,
    KIND_RETIRED,
    // The caller named one line more than once: a bill would count it
    // twice, and a line can be paid, cancelled or moved only once.
    LINE_TWICE,
    // Every line to be moved stands on the table already.
    ALREADY_THERE,
    // A statement failed: `error` and `statement` say which and why. The
    // last outcome: the windows go through all before it.
    FAILED,
  };

  // The German words for an outcome (empty for DONE and FAILED), the texts
  // the windows show.
  static const char *text(Outcome outcome);
  // In cents, what `cents` left for the kind asks beyond its value (0 or
  // less: nothing); a kind of value 0 (a card) pays any rest.
  static long long beyond_value(const SONST_ART &kind, long long cents);

  // FAILED, and a lock refused: the database's report (its words, the
  // statement, whether the connection is lost).
  struct Result : Tools::DBFailureReport
  {
    Outcome outcome = DONE;

    Result(Outcome o = DONE) : outcome(o) {}
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

  // Stores a new line: `anzahl` (at least 1) of the article at the price,
  // on the table of the room, stamped and carrying the user. The records
  // name their rows by key; the line takes what those rows hold at the
  // commit (the price's amount, the names), and is refused when the
  // article or the price is gone or not valid, the price is not the
  // article's, or the table is not the room's. (Its key is not read back:
  // that would cost a statement more.)
  Result book(const ART &article, const PREIS &price, const LAYOUTK &room, const LAYOUTP &table, int anzahl);
  // Cancels the line.
  Result cancel(const Seen &line);
  // Pays every line in cash, each at its amount (price x quantity, rounded
  // to the cent once).
  Result pay_cash(const SeenLines &lines);
  // Pays the lines with `cash` in cash and the rest of their amounts with
  // the other kind of payment, which goes to the first lines until it is
  // used up; each line's amount is rounded to the cent on its own. Cash
  // beyond the bill leaves nothing to the other kind; an other payment
  // beyond the bill (cash below 0) is refused, and so is a kind (named by
  // its key) that is gone or not valid when something is left for it, or
  // whose value (as stored now; 0 is none, a card) is less than what is
  // left for it.
  Result pay(const SeenLines &lines, double cash, const SONST_ART &kind);
  // Moves the lines to the table of the room (named by their keys), with
  // the names these rows hold; refused when the table is not the room's.
  // A line on that table already stays as it is (neither written nor
  // stamped); when all of them are there, the move is refused.
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
  // The open lines of each table of the room (0: of the house) that has
  // any, by the table's key, in one statement: false when it failed.
  static bool count_open(Tools::Database &db, int room_idx, std::map<int, int> &open);

private:
  Tools::Database &db;
  const USER &user;

  typedef std::vector<Tools::Ref<BONLINE> > Lines;
  // What an operation does to the lines read again and locked: `before`
  // reads and locks what the lines are to be changed to, before the lines
  // (an editor that holds that row is waited for, not met in a deadlock);
  // `check` looks at all of the lines first; both give DONE, the refusal,
  // or FAILED when their statement failed. Then `change` sets the columns
  // of each line and gives the log's line for it (or nothing). All start
  // afresh when the unit of work is tried again. A line for which `stays`
  // holds (after `check`) is left as it is: not stamped, not written.
  struct Change
  {
    std::function<Outcome()> before;
    std::function<Outcome(const Lines &)> check;
    std::function<bool(const BONLINE &)> stays;
    std::function<std::string(BONLINE &)> change;
  };
  Result change_lines(const SeenLines &lines, const Change &change);
  Result change_once(const SeenLines &lines, const Change &change);
  // The room and its table by key, read and share-locked in one statement
  // (`price` and `article` with them, when given): each record holds its
  // row, or idx 0 when the row is gone, the table is not the room's or the
  // price not the article's.
  // False when the statement failed.
  bool lock_named(LAYOUTK &room, LAYOUTP &table, PREIS *price = nullptr, ART *article = nullptr);
  // The statement just failed: rolls back and says how.
  Result failed();
  // A booking that inserted nothing: why, read under lock, and refused.
  Result not_booked(const ART &article, const PREIS &price, const LAYOUTK &room, const LAYOUTP &table);
  // Rolls back and gives the refusal.
  Result refused(Outcome outcome);
  Result commit();
  bool have_user() const;
  void stamp(BASE &row, int kind) const;
};

#endif
