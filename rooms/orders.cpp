#include "rooms/orders.h"

#include <ctime>

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
  case NO_KIND:
    return "Bitte einen Bezahlungsart auswählen, oder alles in Bar bezahlen.";
  case DONE:
  case FAILED:
    break;
  }
  return "";
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

// ---- the end of a unit of work ----

Orders::Result Orders::failed()
{
  Result r;
  // Read before the rollback, which is a statement of its own.
  r.error = db.get_error();
  r.statement = db.get_last_query();
  r.connection_lost = db.connection_lost();
  // A lock wait ends only the statement, a deadlock the whole
  // transaction; both are rolled back here all the same.
  const Tools::DBFailure kind = db.last_failure();
  r.outcome = kind == Tools::DBFailure::DEADLOCK    ? DEADLOCK
              : kind == Tools::DBFailure::LOCK_WAIT ? BUSY_ELSEWHERE
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
    r.error = db.get_error();
    r.statement = db.get_last_query();
    r.connection_lost = db.connection_lost();
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
    return Result{NO_USER, "", ""};
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
    if (outcome != DONE)
      return refused(outcome);
  }
  for (const Tools::Ref<BONLINE> &line : lines) {
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
    return Result{NO_USER, "", ""};
  BONLINE line;
  stamp(line, 0);
  line.user = user.login.value;
  line.user_idx = user.idx.value;
  line.artnr = article.artnr.value;
  line.artnr_idx = article.idx.value;
  line.layoutk_idx = room.idx.value;
  line.layoutk_name = room.name.value;
  line.layoutp_idx = table.idx.value;
  line.layoutp_label_name = table.label_name.value;
  line.preis_idx = price.idx.value;
  line.preis = price.preis.value;
  line.anzahl = anzahl;
  if (!Tools::insert_object(db, line))
    return failed();
  return commit();
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
    return Result{MORE_THAN_BILL, "", ""};
  // In cents, so that the parts of the lines add up exactly.
  long long offen_sonst = 0;
  Change c;
  c.check = [&](const Lines &locked) {
    long long total = 0;
    for (const Tools::Ref<BONLINE> &line : locked)
      total += Tools::line_cents(line->preis, line->anzahl);
    offen_sonst = total - cash_cents;
    TOOLS_LOG(Tools::format("offen_sonst: %lf offen_bar: %lf all_preis: %lf", Tools::from_cents(offen_sonst),
                            Tools::from_cents(cash_cents), Tools::from_cents(total)));
    return offen_sonst > 0 && kind.idx.value == 0 ? NO_KIND : DONE;
  };
  c.change = [&](BONLINE &line) {
    const long long amount = Tools::line_cents(line.preis, line.anzahl);
    line.bezahlt = JANEIN::JA;
    long long other = 0;
    if (offen_sonst > 0 && amount > 0)
      other = offen_sonst < amount ? offen_sonst : amount;
    if (other > 0) {
      line.sonst_art_name = kind.name.value;
      line.sonst_art_idx = kind.idx.value;
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
  Change c;
  c.change = [&](BONLINE &line) {
    line.layoutk_idx = room.idx.value;
    line.layoutk_name = room.name.value;
    line.layoutp_idx = table.idx.value;
    line.layoutp_label_name = table.label_name.value;
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
