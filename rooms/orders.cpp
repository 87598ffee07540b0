#include "rooms/orders.h"

#include <ctime>
#include <initializer_list>
#include <map>
#include <set>

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/money.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"

const char *Orders::text(Outcome outcome)
{
  switch (outcome) {
  case CHANGED_ELSEWHERE:
    return "Die Bonierung wurde inzwischen an einem anderen Platz geändert. Es wurde nichts gebucht.";
  case BUSY_ELSEWHERE:
  case DEADLOCK:
    return "Die Bonierung wird gerade an einem anderen Platz bearbeitet. Es wurde nichts gebucht.";
  case NO_USER:
    return "Es ist kein Benutzer angemeldet.";
  case MORE_THAN_BILL:
    return "Die andere Bezahlungsart kann nicht mehr als den Preis insgesamt bezahlen.";
  case MORE_THAN_KIND:
    return "Die Bezahlungsart zahlt nur bis zu ihrem Wert, das Übrige bitte in bar. Es wurde nichts gebucht.";
  case NO_KIND:
    return "Bitte einen Bezahlungsart auswählen, oder alles in Bar bezahlen.";
  case NO_QUANTITY:
    return "Die Menge muss mindestens 1 sein. Es wurde nichts gebucht.";
  case ARTICLE_GONE:
    return "Den Artikel gibt es nicht mehr. Es wurde nichts gebucht.";
  case ARTICLE_RETIRED:
    return "Der Artikel ist nicht mehr gültig. Es wurde nichts gebucht.";
  case PRICE_GONE:
    return "Den Preis gibt es für diesen Artikel nicht mehr. Es wurde nichts gebucht.";
  case PRICE_RETIRED:
    return "Der Preis ist nicht mehr gültig. Es wurde nichts gebucht.";
  case TABLE_GONE:
    return "Den Tisch gibt es in diesem Raum nicht mehr. Es wurde nichts gebucht.";
  case KIND_GONE:
    return "Die Bezahlungsart gibt es nicht mehr. Es wurde nichts gebucht.";
  case KIND_RETIRED:
    return "Die Bezahlungsart ist nicht mehr gültig. Es wurde nichts gebucht.";
  case LINE_TWICE:
    return "Eine Bonierung ist mehrfach angegeben. Es wurde nichts gebucht.";
  case ALREADY_THERE:
    return "Die Bonierung steht schon auf diesem Tisch. Es wurde nichts gebucht.";
  case DONE:
  case FAILED:
    break;
  }
  return "";
}

long long Orders::beyond_value(const SONST_ART &kind, long long cents)
{
  const long long value = Tools::to_cents(kind.wert.value);
  return value > 0 ? cents - value : 0;
}

Orders::Seen Orders::seen(const BONLINE &line)
{
  Seen s;
  s.idx = line.idx.value;
  s.room_idx = line.layoutk_idx.value;
  s.table_idx = line.layoutp_idx.value;
  return s;
}

Orders::Orders(Tools::Database &database, const USER &acting) : db(database), user(acting) {}

void Orders::stamp(BASE &row, int kind) const
{
  const std::string now = BASE::stamp_text(std::time(nullptr));
  if (kind == 0) {
    row.hist_an_zeit = now;
    row.hist_an_user = user.login.value;
  } else {
    row.hist_ae_zeit = now;
    row.hist_ae_user = user.login.value;
  }
}

bool Orders::have_user() const { return !user.login.value.empty(); }

namespace {
// A row marked not valid is retired: nothing new may name it.
bool valid(const BASE &row) { return row.gueltig.value.is_set() && row.gueltig.value.get_value() == JANEIN::JA; }

// Cells of rows an operation names, read into their records with a shared
// lock that keeps the rows as they are until the unit of work ends. Only
// the cells it needs, by position: a read with every column and its
// table's name would cost a booking more than its own insert.
class NamedCells
{
  std::string columns;
  Tools::DBTypeList fields;

public:
  void take(const Tools::DBBindType &record, std::initializer_list<Tools::DBType *> cells)
  {
    for (Tools::DBType *cell : cells) {
      columns += Tools::format(columns.empty() ? "%s.%s" : ", %s.%s", record.get_name(), cell->get_name());
      fields.add(cell);
    }
  }
  // "select <the cells> from <from>", locked. A row that is not found
  // leaves its cells as they were (a row missing in a left join: empty,
  // which leaves a key 0). False when the statement failed.
  bool read(Tools::Database &db, const std::string &from)
  {
    return Tools::select_values(db, Tools::format("select %s from %s", columns, from) + Tools::Database::SHARE_LOCK,
                                fields) >= 0;
  }
};
} // namespace

bool Orders::lock_named(LAYOUTK &room, LAYOUTP &table, PREIS *price, ART *article)
{
  // Each row by its key alone; the table's room is compared here. A row
  // that is gone leaves its record fresh (idx 0). (A row joined but none
  // of whose cells is read the server may skip, and then not lock it.)
  const bool priced = price && article;
  const int room_idx = room.idx.value;
  const std::string place = Tools::format("left join LAYOUTK on LAYOUTK.idx = '%d'", room_idx);
  // A price belongs to its article by idx and by number, the number
  // compared as the key compares it (case and trailing blanks aside, as an
  // older version may have stored it): the booking's test, and the price
  // list's.
  const std::string from =
      priced ? Tools::format("ART left join PREIS on PREIS.idx = '%d' and PREIS.art_idx = ART.idx and PREIS.art_artnr "
                             "= ART.artnr left join LAYOUTP on LAYOUTP.idx = '%d' %s where ART.idx = '%d'",
                             price->idx.value, table.idx.value, place, article->idx.value)
             : Tools::format("LAYOUTP %s where LAYOUTP.idx = '%d'", place, table.idx.value);
  room = LAYOUTK();
  table = LAYOUTP();
  NamedCells cells;
  cells.take(room, {&room.idx, &room.name});
  cells.take(table, {&table.idx, &table.layout_idx, &table.label_name});
  if (priced) {
    *price = PREIS();
    *article = ART();
    cells.take(*article, {&article->idx, &article->artnr, &article->gueltig});
    cells.take(*price, {&price->idx, &price->art_idx, &price->art_artnr, &price->preis, &price->gueltig});
  }
  if (!cells.read(db, from))
    return false;
  if (room.idx.value == 0 || table.layout_idx.value != room_idx)
    table = LAYOUTP();
  return true;
}

// ---- the end of a unit of work ----

Orders::Result Orders::failed()
{
  // Read before the rollback, which is a statement of its own.
  const Tools::DBFailureReport report = db.failure_report();
  Result r;
  static_cast<Tools::DBFailureReport &>(r) = report;
  // A lock wait ends only the statement, a deadlock the whole
  // transaction; both are rolled back here all the same.
  r.outcome = report.kind == Tools::DBFailure::DEADLOCK    ? DEADLOCK
              : report.kind == Tools::DBFailure::LOCK_WAIT ? BUSY_ELSEWHERE
                                                           : FAILED;
  TOOLS_LOG(Tools::format("rolled back: %s", r.error));
  // On a lost connection this fails too; the server has then ended the
  // transaction itself.
  db.rollback();
  return r;
}

Orders::Result Orders::refused(Outcome outcome)
{
  Result r;
  r.outcome = outcome;
  if (!db.rollback()) {
    r.outcome = FAILED;
    static_cast<Tools::DBFailureReport &>(r) = db.failure_report();
  }
  return r;
}

Orders::Result Orders::commit()
{
  if (!db.commit())
    return failed();
  return Result();
}

// ---- changing stored lines ----

Orders::Result Orders::change_lines(const SeenLines &lines, const Change &change)
{
  if (lines.empty())
    return Result();
  if (!have_user())
    return Result(NO_USER);
  // Refused before anything is read: the same line twice would be paid
  // twice over in one bill, or written twice with parts that do not add up.
  std::set<int> named;
  for (const Seen &s : lines)
    if (!named.insert(s.idx).second) {
      TOOLS_LOG(Tools::format("idx %d named twice", s.idx));
      return Result(LINE_TWICE);
    }
  Result r = change_once(lines, change);
  // The server rolled the whole transaction back: once more from the
  // start, the other station has most likely gone on meanwhile.
  if (r.outcome == DEADLOCK)
    r = change_once(lines, change);
  return r;
}

Orders::Result Orders::change_once(const SeenLines &seen_lines, const Change &change)
{
  std::string keys;
  for (const Seen &s : seen_lines)
    keys += Tools::format(keys.empty() ? "'%d'" : ", '%d'", s.idx);
  if (change.before) {
    const Outcome outcome = change.before();
    if (outcome == FAILED)
      return failed();
    if (outcome != DONE)
      return refused(outcome);
  }
  // A second station that settles the same lines meanwhile waits for this
  // unit of work and then finds them no longer open; this one waits a few
  // seconds at most for a station that holds one of them.
  Lines found;
  if (Tools::select_rows<BONLINE>(db, "BONLINE", found,
                                  Tools::format("where idx in (%s)", keys) + Tools::Database::FOR_UPDATE) < 0)
    return failed();
  // Each line as it stands now, in the order given.
  Lines lines;
  for (const Seen &s : seen_lines) {
    Tools::Ref<BONLINE> line;
    for (const Tools::Ref<BONLINE> &candidate : found)
      if (candidate->idx.value == s.idx)
        line = candidate;
    if (!line.valid() || line->storniert.value.get_value() != JANEIN::NEIN ||
        line->bezahlt.value.get_value() != JANEIN::NEIN || line->layoutk_idx.value != s.room_idx ||
        line->layoutp_idx.value != s.table_idx) {
      TOOLS_LOG(Tools::format("idx %d is no longer open here", s.idx));
      return refused(CHANGED_ELSEWHERE);
    }
    lines.push_back(line);
  }
  if (change.check) {
    const Outcome outcome = change.check(lines);
    if (outcome == FAILED)
      return failed();
    if (outcome != DONE)
      return refused(outcome);
  }
  for (const Tools::Ref<BONLINE> &line : lines) {
    if (change.stays && change.stays(*line))
      continue;
    stamp(*line, 1);
    const std::string done = change.change(*line);
    if (!Tools::update_object(db, *line, Tools::format("where idx = '%d'", line->idx.value)))
      return failed();
    if (!done.empty())
      TOOLS_LOG(done);
  }
  return commit();
}

// ---- the operations ----

Orders::Result Orders::book(const ART &article, const PREIS &price, const LAYOUTK &room, const LAYOUTP &table,
                            int anzahl)
{
  if (!have_user())
    return Result(NO_USER);
  if (anzahl < 1)
    return Result(NO_QUANTITY);
  BONLINE line;
  stamp(line, 0);
  line.user = user.login.value;
  line.user_idx = user.idx.value;
  line.anzahl = anzahl;
  // The line takes what it names as it is stored now, each row by its key:
  // the article and its price, both valid, the table within its room;
  // they stay so (a shared lock) until the commit. When they do not fit,
  // nothing is inserted, and only then are they read to say why: a
  // booking costs no statement more than its insert.
  const std::string from =
      Tools::format("ART join PREIS on PREIS.idx = '%d' and PREIS.art_idx = ART.idx and PREIS.art_artnr = "
                    "ART.artnr join LAYOUTK on LAYOUTK.idx = '%d' join LAYOUTP on LAYOUTP.idx = '%d' and "
                    "LAYOUTP.layout_idx = LAYOUTK.idx where ART.idx = '%d' and ART.gueltig = 'JA' and "
                    "PREIS.gueltig = 'JA'",
                    price.idx.value, room.idx.value, table.idx.value, article.idx.value) +
      Tools::Database::SHARE_LOCK;
  static const std::map<std::string, std::string> taken = {
      {"artnr", "ART.artnr"},           {"artnr_idx", "ART.idx"},
      {"layoutk_idx", "LAYOUTK.idx"},   {"layoutk_name", "LAYOUTK.name"},
      {"layoutp_idx", "LAYOUTP.idx"},   {"layoutp_label_name", "LAYOUTP.label_name"},
      {"preis_idx", "PREIS.idx"},       {"preis", "PREIS.preis"},
  };
  const Tools::DBErg<Tools::DBRowList> inserted =
      db.insert_select(line.get_table(), Tools::DBRow(line.get_names(), line.get_values()), taken, from);
  if (!inserted)
    return failed();
  if (inserted.affected == 1)
    return commit();
  return not_booked(article, price, room, table);
}

Orders::Result Orders::not_booked(const ART &article, const PREIS &price, const LAYOUTK &room, const LAYOUTP &table)
{
  LAYOUTK the_room;
  LAYOUTP the_table;
  PREIS the_price;
  ART the_article;
  the_room.idx = room.idx.value;
  the_table.idx = table.idx.value;
  the_price.idx = price.idx.value;
  the_article.idx = article.idx.value;
  if (!lock_named(the_room, the_table, &the_price, &the_article))
    return failed();
  Outcome refusal = CHANGED_ELSEWHERE; // it all fits again by now
  if (the_article.idx.value == 0)
    refusal = ARTICLE_GONE;
  else if (the_price.idx.value == 0)
    refusal = PRICE_GONE;
  else if (!valid(the_article))
    refusal = ARTICLE_RETIRED;
  else if (!valid(the_price))
    refusal = PRICE_RETIRED;
  else if (the_table.idx.value == 0)
    refusal = TABLE_GONE;
  TOOLS_LOG(Tools::format("not booked: %s", text(refusal)));
  return refused(refusal);
}

Orders::Result Orders::cancel(const Seen &seen_line)
{
  Change c;
  c.change = [this](BONLINE &line) {
    line.storno_user = user.login.value;
    line.storno_user_idx = user.idx.value;
    line.storniert = JANEIN::JA;
    return std::string();
  };
  return change_lines({seen_line}, c);
}

Orders::Result Orders::pay_cash(const SeenLines &lines)
{
  Change c;
  c.change = [](BONLINE &line) {
    line.bezahlt = JANEIN::JA;
    line.bar_bezahlt = Tools::from_cents(Tools::line_cents(line.preis, line.anzahl));
    line.sonst_bezahlt = 0.0;
    return Tools::format("idx %d auf bezahlt gesetzt.", line.idx.value);
  };
  return change_lines(lines, c);
}

Orders::Result Orders::pay(const SeenLines &lines, double cash, const SONST_ART &kind)
{
  const long long cash_cents = Tools::to_cents(cash);
  if (cash_cents < 0)
    return Result(MORE_THAN_BILL);
  // In cents, so that the parts of the lines add up exactly.
  long long offen_sonst = 0;
  // The kind as it stands now, when the lines leave something to it.
  SONST_ART the_kind;
  Change c;
  c.check = [&](const Lines &locked) {
    long long total = 0;
    for (const Tools::Ref<BONLINE> &line : locked)
      total += Tools::line_cents(line->preis, line->anzahl);
    offen_sonst = total - cash_cents;
    TOOLS_LOG(Tools::format("offen_sonst: %lf offen_bar: %lf all_preis: %lf", Tools::from_cents(offen_sonst),
                            Tools::from_cents(cash_cents), Tools::from_cents(total)));
    if (offen_sonst <= 0)
      return DONE;
    if (kind.idx.value == 0)
      return NO_KIND;
    the_kind = SONST_ART();
    NamedCells cells;
    cells.take(the_kind, {&the_kind.idx, &the_kind.name, &the_kind.gueltig, &the_kind.wert});
    if (!cells.read(db, Tools::format("SONST_ART where idx = '%d'", kind.idx.value)))
      return FAILED;
    if (the_kind.idx.value == 0)
      return KIND_GONE;
    if (!valid(the_kind))
      return KIND_RETIRED;
    // A voucher pays up to its value, as it stands now; the window that
    // showed it may have read another.
    return beyond_value(the_kind, offen_sonst) > 0 ? MORE_THAN_KIND : DONE;
  };
  c.change = [&](BONLINE &line) {
    const long long amount = Tools::line_cents(line.preis, line.anzahl);
    line.bezahlt = JANEIN::JA;
    long long other = 0;
    if (offen_sonst > 0 && amount > 0)
      other = offen_sonst < amount ? offen_sonst : amount;
    if (other > 0) {
      line.sonst_art_name = the_kind.name.value;
      line.sonst_art_idx = the_kind.idx.value;
      offen_sonst -= other;
    }
    line.sonst_bezahlt = Tools::from_cents(other);
    line.bar_bezahlt = Tools::from_cents(amount - other);
    return Tools::format("idx %d auf bezahlt gesetzt sonst_preis: %lf bar_bezahlt: %lf preis: %lf.", line.idx.value,
                         line.sonst_bezahlt.value, line.bar_bezahlt.value, line.preis.value);
  };
  return change_lines(lines, c);
}

Orders::Result Orders::move(const SeenLines &lines, const LAYOUTK &room, const LAYOUTP &table)
{
  TOOLS_LOG(Tools::format("Umbuchung auf Tisch %s", table.label_name.value));
  // The target as it stands now, kept so until the commit.
  LAYOUTK the_room;
  LAYOUTP the_table;
  Change c;
  c.before = [&] {
    the_room.idx = room.idx.value;
    the_table.idx = table.idx.value;
    if (!lock_named(the_room, the_table))
      return FAILED;
    return the_table.idx.value == 0 ? TABLE_GONE : DONE;
  };
  // A line on the target already is not written again: it would only get
  // the mover's stamp.
  c.stays = [&](const BONLINE &line) {
    return line.layoutk_idx.value == the_room.idx.value && line.layoutp_idx.value == the_table.idx.value;
  };
  c.check = [&](const Lines &locked) {
    for (const Tools::Ref<BONLINE> &line : locked)
      if (!c.stays(*line))
        return DONE;
    TOOLS_LOG(Tools::format("already on Tisch %s", the_table.label_name.value));
    return ALREADY_THERE;
  };
  c.change = [&](BONLINE &line) {
    line.layoutk_idx = the_room.idx.value;
    line.layoutk_name = the_room.name.value;
    line.layoutp_idx = the_table.idx.value;
    line.layoutp_label_name = the_table.label_name.value;
    return std::string();
  };
  return change_lines(lines, c);
}

// ---- what the order windows read ----

const char *const Orders::GROUPS_TAIL = " group by GRP_ART.name ";
const char *const Orders::GROUPS_COUNT = " count(GRP_ART.name) ";

std::string Orders::open_lines_where(int room_idx, int table_idx)
{
  // By key: two rooms, or two tables of two rooms, may carry one name.
  std::string where = "where storniert = 'NEIN' and bezahlt = 'NEIN'";
  if (room_idx != 0)
    where += Tools::format(" and layoutk_idx = '%s' ", room_idx);
  if (table_idx != 0)
    where += Tools::format(" and layoutp_idx = '%s' ", table_idx);
  return where;
}

// An article, a price or a kind of payment marked not valid is retired:
// it is no longer offered, and the lines that name it keep it.
const char *const Orders::KINDS_WHERE = "where gueltig = 'JA'";

std::string Orders::group_articles_where(const std::string &group)
{
  return Tools::format("where ART.gueltig = 'JA' and exists ( select 1 from GRP_ART where  art_artnr = ART.artnr "
                       "and  art_idx = ART.idx and  GRP_ART.name = '%s' ) ",
                       Tools::sql_escape(group));
}

std::string Orders::article_prices_where(const std::string &idx, const std::string &artnr)
{
  return Tools::format("where art_idx = '%s' and art_artnr = '%s' and gueltig = 'JA'", Tools::sql_escape(idx),
                       Tools::sql_escape(artnr));
}

std::string Orders::room_tables_condition(int room_idx) { return Tools::format("layout_idx = '%d' ", room_idx); }

namespace {
int read_one(Tools::Database &db, const std::string &sql, Tools::DBBindType &record)
{
  Tools::DBBindList list;
  list.add(&record);
  return Tools::select_objects(db, sql, list);
}
} // namespace

int Orders::read_article(Tools::Database &db, const std::string &idx, const std::string &artnr, ART &article)
{
  return read_one(db,
                  Tools::format("select %%ART from ART where idx = '%s' and artnr = '%s' ", Tools::sql_escape(idx),
                                Tools::sql_escape(artnr)),
                  article);
}

int Orders::read_price(Tools::Database &db, const std::string &idx, PREIS &price)
{
  return read_one(db, Tools::format("select %%PREIS from PREIS where idx = '%s' ", Tools::sql_escape(idx)), price);
}

int Orders::read_kind(Tools::Database &db, const std::string &idx, SONST_ART &kind)
{
  return read_one(db, Tools::format("select %%SONST_ART from SONST_ART where idx = '%s'", Tools::sql_escape(idx)),
                  kind);
}

bool Orders::count_open(Tools::Database &db, int room_idx, std::map<int, int> &open)
{
  // Answered from the index of open lines: the paid and cancelled history
  // is never read.
  const Tools::DBErg<Tools::DBRowList> result =
      db.exec("select layoutp_idx, count(*) from BONLINE " + open_lines_where(room_idx, 0) + " group by layoutp_idx");
  if (!result)
    return false;
  for (const std::vector<std::string> &row : result.rows.rows)
    if (row.size() == 2)
      open[Tools::from_text<int>(row[0], 0)] = Tools::from_text<int>(row[1], 0);
  return true;
}
