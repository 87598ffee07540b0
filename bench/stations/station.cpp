#include "bench/stations/station.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "tools/core/format.h"
#include "tools/core/money.h"
#include "tools/dbi/query.h"

namespace friday {

const char *const KIND_NAMES[KINDS] = {"view (list)", "book 1-3", "storno", "move", "pay cash", "pay split"};

void KindStats::add(const KindStats &o)
{
  done += o.done;
  for (int r = 0; r < REFUSALS; ++r)
    refused[r] += o.refused[r];
  killed += o.killed;
  faults += o.faults;
  lines += o.lines;
  ms.insert(ms.end(), o.ms.begin(), o.ms.end());
}

void Station::run()
{
  ready = connect() && floor.load(*db);
  if (!ready)
    fault(VIEW, "the station cannot connect or read the house");
  connected_once.store(true);
  while (!shared.go.load() && !shared.stop.load())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  while (ready && !shared.stop.load() && Clock::now() < shared.deadline)
    serve_one_table();
  db = Tools::Ref<Tools::Database>();
  connection_id.store(0);
}

void Station::fault(Kind kind, const std::string &what)
{
  stats[kind].faults++;
  if (faults.size() < 20)
    faults.push_back(Tools::format("%s: %s", KIND_NAMES[kind], what));
}

bool Station::connect()
{
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (attempt)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    db = connect_to(shared.database);
    if (!db->is_connected())
      continue;
    std::vector<Tools::Ref<USER> > found;
    const long id = std::atol(value_of(*db, "select connection_id()", "0").c_str());
    if (Tools::select_rows<USER>(*db, "USER", found,
                                 Tools::format("where login = '%s' and passwd = 'geheim'", login)) != 1 ||
        id <= 0) {
      db->rollback();
      continue;
    }
    db->rollback();
    user = *found[0];
    user_idx = user.idx.value;
    connection_id.store(id);
    return true;
  }
  return false;
}

void Station::connection_failed(Kind kind, std::string error, bool booking)
{
  for (;;) {
    const long old_id = connection_id.load();
    if (killed_connection.load() == old_id) {
      stats[kind].killed++;
      shared.landed[kind]++;
    } else
      fault(kind, "connection lost without a kill: " + error);
    connection_id.store(0);
    db = Tools::Ref<Tools::Database>();
    ++reconnects;
    if (!connect()) {
      fault(kind, "cannot connect again");
      ready = false;
      return;
    }
    if (!booking || find_lost_booking(kind, old_id))
      return;
    // The new connection died while it looked: once more.
    error = db->get_error();
  }
}

bool Station::find_lost_booking(Kind kind, long old_id)
{
  for (int i = 0; i < 500; ++i) {
    const long long left = count_of(*db, Tools::format("select count(*) from information_schema.processlist "
                                                       "where id = %s",
                                                       std::to_string(old_id)));
    if (left == 0)
      break;
    if (left < 0 && db->connection_lost())
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const long long stored = count_of(*db, Tools::format("select count(*) from BONLINE where user = '%s'", login));
  if (stored < 0 && db->connection_lost())
    return false;
  db->rollback();
  const long long counted = static_cast<long long>(bookings.size());
  if (stored == counted + 1) {
    ++stored_after_all;
    bookings.push_back(pending);
  } else if (stored != counted)
    fault(kind, Tools::format("%s lines carry the user after a kill, %s were counted", std::to_string(stored),
                              std::to_string(counted)));
  return true;
}

Station::Ended Station::outcome(Kind kind, const Orders::Result &r, double ms, bool booking)
{
  switch (r.outcome) {
  case Orders::DONE:
    stats[kind].done++;
    stats[kind].ms.push_back(static_cast<float>(ms));
    return DONE;
  case Orders::CHANGED_ELSEWHERE:
  case Orders::BUSY_ELSEWHERE:
  case Orders::DEADLOCK: {
    const Refusal k = r.outcome == Orders::CHANGED_ELSEWHERE ? CHANGED
                      : r.outcome == Orders::BUSY_ELSEWHERE  ? BUSY
                                                             : DEADLOCK;
    stats[kind].refused[k]++;
    stats[kind].ms.push_back(static_cast<float>(ms));
    if (!*r.text())
      fault(kind, "a refusal without words");
    return REFUSED;
  }
  case Orders::FAILED:
    if (r.connection_lost || db->connection_lost()) {
      connection_failed(kind, r.error, booking);
      return CUT_OFF;
    }
    fault(kind, "failed: " + r.error + " in " + r.statement.substr(0, 200));
    db->rollback();
    return FAILED;
  default:
    // A refusal this load never asks for: no user, more than the bill,
    // no kind chosen.
    fault(kind, Tools::format("refused: %s", r.text()));
    return FAILED;
  }
}

void Station::note(Ended ended, Kind kind, const Span &act, const Lines &lines, std::size_t from, std::size_t count,
                   std::size_t target)
{
  if (ended != DONE && ended != CUT_OFF)
    return;
  for (std::size_t i = from; i < from + count && i < lines.size(); ++i) {
    Step step;
    step.line = lines[i]->idx.value;
    step.station = index;
    step.kind = kind;
    step.effect = kind == MOVE ? Step::MOVE : kind == STORNO ? Step::CANCEL : Step::PAY;
    step.sure = ended == DONE;
    step.t0 = act.t0;
    step.t1 = act.t1;
    step.seen_room = lines[i]->layoutk_idx.value;
    step.seen_table = lines[i]->layoutp_idx.value;
    step.seen_room_name = lines[i]->layoutk_name.value;
    step.seen_table_name = lines[i]->layoutp_label_name.value;
    if (kind == MOVE) {
      step.to_room = floor.rooms[floor.table_room[target]]->idx.value;
      step.to_table = floor.tables[target]->idx.value;
    }
    steps.push_back(step);
  }
}

bool Station::view(std::size_t table, Lines &lines)
{
  const std::string where =
      Orders::open_lines_where(floor.rooms[floor.table_room[table]]->idx.value, floor.tables[table]->idx.value);
  Orders::Result r;
  Span span;
  {
    Act act(*this, VIEW);
    Tools::DBErg<Tools::DBRowList> counted = db->exec("select count(*) from BONLINE " + where);
    if (!counted.ok || Tools::select_rows<BONLINE>(*db, "BONLINE", lines, where) < 0) {
      r.outcome = Orders::FAILED;
      r.error = db->get_error();
      r.statement = db->get_last_query();
      r.connection_lost = db->connection_lost();
    }
    span = act.end();
  }
  return outcome(VIEW, r, span.ms(), false) == DONE;
}

Orders::SeenLines Station::seen(const Lines &lines, std::size_t from, std::size_t count)
{
  Orders::SeenLines out;
  for (std::size_t i = from; i < from + count && i < lines.size(); ++i)
    out.push_back(Orders::seen(*lines[i]));
  return out;
}

void Station::some(std::size_t n, std::size_t &from, std::size_t &count)
{
  if (n <= 1 || pick(10) < 7) {
    from = 0;
    count = n;
    return;
  }
  count = 1 + static_cast<std::size_t>(pick(static_cast<int>(n - 1)));
  from = static_cast<std::size_t>(pick(static_cast<int>(n - count + 1)));
}

void Station::serve_one_table()
{
  const std::size_t table = static_cast<std::size_t>(pick(static_cast<int>(floor.tables.size())));
  Lines lines;
  if (!view(table, lines))
    return;
  Kind kind = BOOK;
  if (!lines.empty()) {
    const int r = pick(100);
    kind = r < 45 ? BOOK : r < 50 ? STORNO : r < 57 ? MOVE : r < 80 ? PAY_CASH : PAY_SPLIT;
  }
  Orders orders(*db, user);
  switch (kind) {
  case BOOK:
    book(orders, table);
    return;
  case STORNO:
    cancel(orders, lines);
    return;
  case MOVE:
    move(orders, table, lines);
    return;
  case PAY_CASH:
  case PAY_SPLIT:
    pay(orders, kind, lines);
    return;
  default:
    return;
  }
}

Booking Station::booking(const ART &article, const PREIS &price, int anzahl, std::size_t table) const
{
  Booking b;
  b.article = article.idx.value;
  b.number = article.artnr.value;
  b.price = price.idx.value;
  b.cents = Tools::to_cents(price.preis.value);
  b.quantity = anzahl;
  b.room = floor.rooms[floor.table_room[table]]->idx.value;
  b.room_name = floor.rooms[floor.table_room[table]]->name.value;
  b.table = floor.tables[table]->idx.value;
  b.table_name = floor.tables[table]->label_name.value;
  return b; // and no bill printed yet
}

void Station::book(Orders &orders, std::size_t table)
{
  // One to three lines, each stored on its own as the entry dialog
  // does; mostly one of a kind, now and then two or four.
  const int n = 1 + pick(3);
  int stored = 0;
  Orders::Result r;
  Span span;
  {
    Act act(*this, BOOK);
    for (int i = 0; i < n && r.done(); ++i) {
      const std::size_t a = static_cast<std::size_t>(pick(static_cast<int>(floor.articles.size())));
      const auto &prices = floor.prices[a];
      const PREIS &price = *prices[static_cast<std::size_t>(pick(static_cast<int>(prices.size())))];
      const int anzahl = pick(8) == 0 ? 2 + 2 * pick(2) : 1;
      pending = booking(*floor.articles[a], price, anzahl, table);
      r = orders.book(*floor.articles[a], price, *floor.rooms[floor.table_room[table]], *floor.tables[table], anzahl);
      if (r.done()) {
        ++stored;
        bookings.push_back(pending);
      }
    }
    span = act.end();
  }
  stats[BOOK].lines += stored;
  outcome(BOOK, r, span.ms(), true);
}

void Station::cancel(Orders &orders, const Lines &lines)
{
  const std::size_t from = static_cast<std::size_t>(pick(static_cast<int>(lines.size())));
  Orders::Result r;
  Span span;
  {
    Act act(*this, STORNO);
    r = orders.cancel(Orders::seen(*lines[from]));
    span = act.end();
  }
  const Ended ended = outcome(STORNO, r, span.ms(), false);
  note(ended, STORNO, span, lines, from, 1);
  if (ended == DONE) {
    settled.push_back(lines[from]->idx.value);
    stats[STORNO].lines++;
  }
}

void Station::move(Orders &orders, std::size_t table, const Lines &lines)
{
  std::size_t from = 0, count = 0;
  some(lines.size(), from, count);
  // Mostly to a table of the same room.
  std::size_t target = table;
  while (target == table) {
    target = static_cast<std::size_t>(pick(static_cast<int>(floor.tables.size())));
    if (pick(10) < 7 && floor.table_room[target] != floor.table_room[table])
      target = table;
  }
  Orders::Result r;
  Span span;
  {
    Act act(*this, MOVE);
    r = orders.move(seen(lines, from, count), *floor.rooms[floor.table_room[target]], *floor.tables[target]);
    span = act.end();
  }
  const Ended ended = outcome(MOVE, r, span.ms(), false);
  note(ended, MOVE, span, lines, from, count, target);
  if (ended == DONE)
    stats[MOVE].lines += static_cast<long>(count);
}

void Station::pay(Orders &orders, Kind kind, const Lines &lines)
{
  std::size_t from = 0, count = 0;
  some(lines.size(), from, count);
  long long total = 0;
  for (std::size_t i = from; i < from + count; ++i)
    total += Tools::line_cents(lines[i]->preis.value, lines[i]->anzahl.value);
  Payment paid;
  paid.station = index;
  paid.kind = kind;
  paid.cash = total;
  Orders::Result r;
  Span span;
  {
    Act act(*this, kind);
    if (kind == PAY_CASH)
      r = orders.pay_cash(seen(lines, from, count));
    else if (pick(5) < 3) {
      // By card: all of it, or a part with the rest in cash.
      paid.cash = pick(2) ? 0 : std::uniform_int_distribution<long long>(0, total)(rng);
      paid.other_kind = floor.card->idx.value;
      r = orders.pay(seen(lines, from, count), Tools::from_cents(paid.cash), *floor.card);
    } else {
      // A voucher pays up to its value, cash the rest.
      paid.cash = total - std::min(total, Tools::to_cents(floor.voucher->wert.value));
      paid.other_kind = floor.voucher->idx.value;
      r = orders.pay(seen(lines, from, count), Tools::from_cents(paid.cash), *floor.voucher);
    }
    span = act.end();
  }
  paid.other = total - paid.cash;
  const Ended ended = outcome(kind, r, span.ms(), false);
  note(ended, kind, span, lines, from, count);
  if (ended == DONE) {
    for (std::size_t i = from; i < from + count; ++i) {
      settled.push_back(lines[i]->idx.value);
      paid.lines.push_back(lines[i]->idx.value);
    }
    stats[kind].lines += static_cast<long>(count);
    payments.push_back(paid);
  }
}

} // namespace friday
