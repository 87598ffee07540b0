#ifndef KORVAN_BENCH_STATIONS_STATION_H
#define KORVAN_BENCH_STATIONS_STATION_H

// A waiter's station: a connection and a user of its own, on a thread of
// its own. Like a waiter it picks a table, reads its open lines and acts on
// what it read, so that lists go stale as they do in service when two
// stations work on one table. It counts what it did, and keeps what each
// action did to each line, for the checks at the end.

#include <atomic>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include "bench/linefollower.h"
#include "bench/stations/booking.h"
#include "bench/stations/common.h"
#include "bench/stations/house.h"
#include "rooms/orders.h"

namespace friday {

enum Kind
{
  VIEW,
  BOOK,
  STORNO,
  MOVE,
  PAY_CASH,
  PAY_SPLIT,
  KINDS
};
extern const char *const KIND_NAMES[KINDS];

// The refusals a station may meet; anything else is a fault.
enum Refusal
{
  CHANGED,
  BUSY,
  DEADLOCK,
  REFUSALS
};

struct KindStats
{
  long done = 0;
  long refused[REFUSALS] = {0, 0, 0};
  long killed = 0;       // failed because the connection was killed
  long faults = 0;       // failed or refused for no known reason
  long lines = 0;        // lines that a done action booked or settled
  std::vector<float> ms; // every finished attempt, done or refused

  void add(const KindStats &o);
};

// A payment a station counted as done: the parts it handed over.
struct Payment
{
  int station = 0;
  Kind kind = PAY_CASH;
  std::vector<int> lines;
  long long cash = 0, other = 0; // cents
  int other_kind = 0;            // SONST_ART idx; 0 for cash alone
};

struct Shared
{
  std::string database;
  std::atomic<bool> go{false};
  std::atomic<bool> stop{false};
  Clock::time_point deadline;
  // Kills that reached a station, by the kind of action they cut off.
  std::atomic<long> landed[KINDS] = {};
};

class Station
{
public:
  // Read by the main and the killer thread.
  std::atomic<bool> connected_once{false};
  std::atomic<long> connection_id{0};
  std::atomic<int> acting{-1};            // the Kind of the action under way, or -1
  std::atomic<long long> acting_since{0}; // when it began (the clock's ticks)
  // The connection the killer last killed or tried to: a lost
  // connection of that id was killed, any other was not.
  std::atomic<long> killed_connection{0};

  // The results; read by the main thread after the join.
  std::string login;
  KindStats stats[KINDS];
  long stored_after_all = 0; // bookings whose commit answer a kill took, found stored
  long reconnects = 0;
  std::vector<std::string> faults;
  std::vector<int> settled;      // lines this station paid or cancelled
  std::vector<Booking> bookings; // every line stored and counted, as booked
  std::vector<Step> steps;
  std::vector<Payment> payments;
  int user_idx = 0;
  bool ready = false;

  Station(const std::string &l, int number, Shared &s, unsigned seed) : login(l), index(number), shared(s), rng(seed) {}

  void run();

private:
  const int index;
  Shared &shared;
  std::mt19937 rng;
  Floor floor;
  USER user;
  Tools::Ref<Tools::Database> db;
  Booking pending; // the booking under way, or the last one tried

  typedef std::vector<Tools::Ref<BONLINE> > Lines;

  enum Ended
  {
    DONE,
    REFUSED,
    CUT_OFF, // the connection died: stored or not, nobody can tell
    FAILED,
  };

  // An action under way: the killer aims by its kind; the clock brackets
  // it, so that afterwards its place among other stations' actions on the
  // same line is known as far as the clock can tell.
  struct Span
  {
    Clock::time_point t0, t1;
    double ms() const { return std::chrono::duration<double, std::milli>(t1 - t0).count(); }
  };
  struct Act
  {
    Station &s;
    Span span;
    Act(Station &st, Kind kind) : s(st)
    {
      span.t0 = Clock::now();
      s.acting_since.store(span.t0.time_since_epoch().count());
      s.acting.store(kind);
    }
    ~Act() { s.acting.store(-1); }
    Span end()
    {
      span.t1 = Clock::now();
      return span;
    }
  };

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  void fault(Kind kind, const std::string &what);

  // As a new station does: a connection, then the login.
  bool connect();
  // The connection died under `kind`: was that a kill? Either way a new
  // connection; a booking under way is looked up before going on.
  void connection_failed(Kind kind, std::string error, bool booking);
  // The commit of a booking may have reached the server before the kill:
  // once the server has ended the old session, the rows carrying this
  // station's user tell. False when this connection was lost meanwhile.
  bool find_lost_booking(Kind kind, long old_id);
  // How an action ended; a lost connection is made again here.
  Ended outcome(Kind kind, const Orders::Result &r, double ms, bool booking);

  // Notes what a done or cut-off action did to each of its lines.
  void note(Ended ended, Kind kind, const Span &act, const Lines &lines, std::size_t from, std::size_t count,
            std::size_t target = 0);
  // What the order-line window shows of a table: its open lines, counted
  // and read as its list does.
  bool view(std::size_t table, Lines &lines);
  Orders::SeenLines seen(const Lines &lines, std::size_t from, std::size_t count);
  // A run of neighbouring lines, as a drag over the list selects them:
  // mostly all of them, sometimes a part (guests paying apart).
  void some(std::size_t n, std::size_t &from, std::size_t &count);

  void serve_one_table();
  // What a booking hands over: so many of the article at the price, on
  // the table (an index into the floor's).
  Booking booking(const ART &article, const PREIS &price, int anzahl, std::size_t table) const;
  void book(Orders &orders, std::size_t table);
  void cancel(Orders &orders, const Lines &lines);
  void move(Orders &orders, std::size_t table, const Lines &lines);
  void pay(Orders &orders, Kind kind, const Lines &lines);
};

} // namespace friday

#endif
