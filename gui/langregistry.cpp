#include "gui/langregistry.h"

#include <vector>

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"

namespace {

void log_sql_error(Tools::Database &db)
{
  TOOLS_LOG(Tools::format("SqlError: %s\nSql: %s", db.get_error(), db.get_last_query()));
}

} // namespace

const char *const LangRegistry::SYSTEM = "GUI";

LangRegistry::LangRegistry() : translated(false), complete(false) {}

LangRegistry::~LangRegistry()
{
  for (Text *text : texts)
    text->registry_gone();
}

Tools::Ref<LANG> LangRegistry::new_row(const std::string &type, const std::string &orig)
{
  Tools::Ref<LANG> row(new LANG);
  row->system = std::string(SYSTEM);
  row->type = type;
  row->orig = orig;
  return row;
}

bool LangRegistry::fits(const std::string &type, const std::string &orig)
{
  static const LANG columns;
  return Tools::utf8_length(type) <= columns.type.get_size() && Tools::utf8_length(orig) <= columns.orig.get_size();
}

Tools::Database *LangRegistry::connected() const
{
  Tools::Database *d = db.try_get();
  return d && d->is_connected() ? d : nullptr;
}

void LangRegistry::cache(const Tools::Ref<LANG> &row)
{
  rows[std::make_pair(row->type.value, row->orig.value)] = row;
}

bool LangRegistry::read_rows()
{
  Tools::Database *d = connected();
  if (!d) {
    rows.clear();
    return false;
  }
  std::vector<Tools::Ref<LANG> > stored;
  // LANG keeps no transactions: what is read or stored there opens none,
  // and the connection's open work stays as it was.
  const Tools::Database::Untransacted outside(*d);
  if (Tools::select_rows<LANG>(*d, "LANG",
                               stored, Tools::format("where system = '%s'", Tools::sql_escape(SYSTEM))) < 0) {
    log_sql_error(*d);
    return false;
  }
  std::map<std::pair<std::string, std::string>, Tools::Ref<LANG> > fresh;
  // emplace keeps the first of two rows of one text, as a lookup finds it.
  for (const Tools::Ref<LANG> &row : stored)
    fresh.emplace(std::make_pair(row->type.value, row->orig.value), row);
  // Texts known not to be stored (hidden titles) need no new lookup.
  for (const auto &known : rows)
    if (known.second->idx == 0)
      fresh.insert(known);
  rows.swap(fresh);
  return true;
}

void LangRegistry::attach(const Tools::Ref<Tools::Database> &database)
{
  db = database;
  rows.clear();
  reload();
}

void LangRegistry::reload()
{
  complete = read_rows();
  for (Text *text : texts)
    text->reload();
  complete = false;
  // What is on the screen follows at once: the rows just read may carry
  // other translations (another database, another station's work).
  if (translated)
    for (Text *text : texts)
      text->update_text();
}

Tools::Ref<LANG> LangRegistry::find(const std::string &type, const std::string &orig)
{
  auto known = rows.find(std::make_pair(type, orig));
  if (known != rows.end())
    return known->second;
  Tools::Ref<LANG> row = new_row(type, orig);
  Tools::Database *d = connected();
  if (!d || !fits(type, orig))
    return row;
  // Right after a complete read a text missing from it is not stored. Later
  // it may have been stored since (by another station), or differ only in
  // case or trailing blanks from a stored one, which the server also finds.
  if (!complete) {
    const Tools::Database::Untransacted outside(*d);
    const std::string sql = Tools::format(
        "select %%LANG from LANG where system = '%s' and type = '%s' and orig = '%s' ",
        Tools::sql_escape(row->system.value), Tools::sql_escape(type), Tools::sql_escape(orig));
    Tools::DBBindList list;
    list.add(row.try_get());
    if (Tools::select_objects(*d, sql, list) < 0) {
      log_sql_error(*d);
      return row;
    }
  }
  // Found or not, the next lookup of this text stays in memory.
  rows[std::make_pair(type, orig)] = row;
  return row;
}

Tools::Ref<LANG> LangRegistry::find_stored(const std::string &type, const std::string &orig)
{
  Tools::Ref<LANG> row = find(type, orig);
  Tools::Database *d = connected();
  if (row->idx != 0 || !d || !fits(type, orig))
    return row;
  const Tools::Database::Untransacted outside(*d);
  if (!Tools::insert_object(*d, *row)) {
    log_sql_error(*d);
    return row;
  }
  row->idx = d->get_insert_id();
  cache(row);
  return row;
}

void LangRegistry::store(const LANG &row)
{
  if (row.system.value != SYSTEM)
    return;
  for (auto it = rows.begin(); it != rows.end(); ++it) {
    if (it->second->idx != row.idx)
      continue;
    Tools::Ref<LANG> shared = it->second;
    rows.erase(it);
    *shared = row;
    cache(shared);
    break;
  }
  if (!rows.count(std::make_pair(row.type.value, row.orig.value)))
    cache(Tools::Ref<LANG>(new LANG(row)));
  if (translated)
    for (Text *text : texts)
      text->update_text();
}

void LangRegistry::add(Text *text) { texts.push_back(text); }

void LangRegistry::remove(Text *text)
{
  for (auto it = texts.begin(); it != texts.end(); ++it)
    if (*it == text) {
      texts.erase(it);
      return;
    }
}

void LangRegistry::switch_translated()
{
  translated = !translated;
  for (Text *text : texts)
    text->update_text();
}
