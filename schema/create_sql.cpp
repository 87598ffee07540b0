#include "schema/create_sql.h"

#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/query.h"

using Tools::format;

namespace {

const char *const CHARSET = "CHARACTER SET utf8 COLLATE utf8_general_ci ";

std::string column_type(const Tools::DBType &column)
{
  switch (column.type.get_value()) {
  case Tools::DBType::EnumType::INT:
    return "INT ";
  case Tools::DBType::EnumType::VARCHAR:
    return format("VARCHAR(%s) ", column.get_size()) + CHARSET;
  case Tools::DBType::EnumType::ENUM: {
    std::string text = "ENUM ( ";
    if (const Tools::DBTypeEnumBase *e = dynamic_cast<const Tools::DBTypeEnumBase *>(&column))
      for (int v = e->first_value(); v <= e->last_value(); ++v) {
        if (v > e->first_value())
          text += ", ";
        text += format("'%s'", e->value_name(v));
      }
    return text + " ) " + CHARSET;
  }
  case Tools::DBType::EnumType::DOUBLE:
    return "DOUBLE ";
  case Tools::DBType::EnumType::DATETIME:
    return "DATETIME ";
  }
  return std::string();
}

// "`a`, `b`": the columns of an index.
std::string index_columns(const TableIndexes::Index &index)
{
  std::string text;
  for (const std::string &column : index.columns)
    text += (text.empty() ? "`" : ", `") + column + "`";
  return text;
}

} // namespace

std::string create_table_sql(Tools::DBBindType *record, std::vector<Tools::Ref<Forkey> > &keys)
{
  const std::string &table = record->get_name();
  std::string text = "DROP TABLE IF EXISTS `" + table + "`;\n";
  text += "CREATE TABLE `" + table + "`" + " (\n ";
  const std::vector<Tools::DBType *> &columns = record->get_types();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i)
      text += ",\n";
    text += "`" + columns[i]->get_name() + "` ";
    text += column_type(*columns[i]);
    text += "NOT NULL ";
  }
  if (const TableIndexes *own = dynamic_cast<const TableIndexes *>(record))
    for (const TableIndexes::Index &index : own->indexes)
      text += format(",\n%sKEY `%s` (%s)", index.unique ? "UNIQUE " : "", index.name, index_columns(index));
  std::string engine = "INNODB";
  if (const TableType *type = dynamic_cast<const TableType *>(record)) {
    if (type->engine == TableType::MYISAM)
      engine = "MYISAM";
  }
  text += format("\n) ENGINE = %s;\n", engine);
  text += format("ALTER TABLE `%s` ADD PRIMARY KEY ( `idx` );\n", table);
  text += format("ALTER TABLE `%s` CHANGE `idx` `idx` INT( 11 ) NOT NULL AUTO_INCREMENT;\n", table);
  text += format("ALTER TABLE `%s`  DEFAULT CHARACTER SET utf8 COLLATE utf8_general_ci;\n", table);
  if (const Forkeys *own = dynamic_cast<const Forkeys *>(record))
    keys.insert(keys.end(), own->keys.begin(), own->keys.end());
  return text;
}

std::string create_sql()
{
  std::vector<Tools::Ref<Forkey> > keys;

  std::string text = "SET FOREIGN_KEY_CHECKS=0;\n";
  each_record([&](Tools::DBBindType *record) { text += create_table_sql(record, keys); });

  // One index per referenced non-key column, however many keys point at it.
  for (const Tools::Ref<Forkey> &key : keys) {
    if (key->ref_column == "idx")
      continue;
    std::string index = format("ALTER TABLE `%s` ADD INDEX `%s_%s_%s`(`%s`);\n", key->ref_table, "idx",
                               key->ref_table, key->ref_column, key->ref_column);
    if (text.find(index) == std::string::npos)
      text += index;
  }
  for (const Tools::Ref<Forkey> &key : keys)
    text += format("ALTER TABLE `%s` add FOREIGN KEY (`%s`) REFERENCES `%s`(`%s`);\n", key->table, key->column,
                   key->ref_table, key->ref_column);
  text += "SET FOREIGN_KEY_CHECKS=1;\n";
  return text;
}

const char *const STATIONS_OPEN = "Korvan is still open on a station and uses the tables: close Korvan on every "
                                  "station, then run the upgrade again.";

std::string upgrade_sql()
{
  // A unique key cannot be added over values stored twice (as the program
  // compares keys: without the white space around them, case aside).
  // Those are looked for first, in every table, and each row of them is
  // named by its idx and its spelling, so that it can be chosen in
  // Wartung: then nothing is changed at all.
  std::string twice, rows;
  std::string text;
  each_record([&](Tools::DBBindType *record) {
    if (const TableIndexes *own = dynamic_cast<const TableIndexes *>(record))
      for (const TableIndexes::Index &index : own->indexes) {
        text += format("  ALTER TABLE `%s` ADD %sINDEX IF NOT EXISTS `%s` (%s);\n", record->get_name(),
                       index.unique ? "UNIQUE " : "", index.name, index_columns(index));
        if (!index.unique)
          continue;
        std::string named, trimmed;
        for (const std::string &column : index.columns) {
          named += (named.empty() ? "" : "+") + column;
          trimmed += (trimmed.empty() ? "" : ", ") + Tools::sql_trim_white("`" + column + "`");
        }
        const std::string table = "`" + record->get_name() + "`";
        const std::string name = record->get_name() + "." + named;
        const std::string key = "concat_ws(' ', " + trimmed + ")";
        const std::string spelling = "quote(concat_ws(' ', " + index_columns(index) + "))";
        const std::string twins = "SELECT " + key + " FROM " + table + " GROUP BY " + key + " HAVING count(*) > 1";
        // Twins of a key, stored under one another: "idx 1 'Bier' = idx 4 'bier '".
        twice += ",\n (SELECT concat('" + name +
                 ": ', group_concat(twins ORDER BY first SEPARATOR ', ' LIMIT 20)) FROM (SELECT min(idx) AS first, "
                 "group_concat(concat('idx ', idx, ' ', " +
                 spelling + ") ORDER BY idx SEPARATOR ' = ') AS twins FROM " + table + " GROUP BY " + key +
                 " HAVING count(*) > 1) AS t)";
        // And every one of them on a line of its own, however many.
        rows += (rows.empty() ? "" : " UNION ALL ") + std::string("SELECT concat('") + name + " idx ', idx, ': ', " +
                spelling + ") AS line, '" + name + "' AS tab, " + key + " AS k, idx FROM " + table + " WHERE " + key +
                " IN (" + twins + ")";
      }
  });
  // A station holds a lock on a table it has read until it commits, and a
  // change to the table waits for it; every station's next statement on
  // that table would then wait behind the change, by default for a year.
  // So the changes wait a few seconds and then stop with a message. Their
  // block needs the client's DELIMITER command (split_sql_statements
  // knows it too).
  // The session's SQL mode is the program's, not the server's: the
  // message naming the keys is built with quote(), whose backslashes
  // only escape with backslash escapes on.
  std::string script = format("SET SESSION lock_wait_timeout = %d, sql_mode = '%s';\n", UPGRADE_LOCK_WAIT_SECONDS,
                              Tools::Database::SQL_MODE);
  if (!twice.empty())
    script += "SELECT line AS `Stored more than once` FROM (" + rows +
              ") AS twins ORDER BY tab, k, idx;\n"
              "SET @korvan_twice = concat_ws('; '" +
              twice +
              ");\n"
              "EXECUTE IMMEDIATE IF(@korvan_twice = '', 'DO 0', concat('SIGNAL SQLSTATE ''45000'' SET MESSAGE_TEXT = ', "
              "quote(left(concat('Not upgraded, nothing changed: these keys must be unique but are stored more than "
              "once. In Wartung choose each extra row by its Idx and give it a key of its own, or delete it; then "
              "upgrade again. ', @korvan_twice), 512))));\n";
  return script + "DELIMITER //\nBEGIN NOT ATOMIC\n" +
         format("  DECLARE EXIT HANDLER FOR 1205 SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = '%s';\n", STATIONS_OPEN) +
         text + "END //\nDELIMITER ;\n";
}

std::vector<std::string> split_sql_statements(const std::string &script)
{
  std::vector<std::string> statements;
  std::string current;
  std::string delimiter = ";";
  auto cut = [&]() {
    if (!Tools::strip(current).empty())
      statements.push_back(Tools::strip(current));
    current.clear();
  };
  for (std::size_t i = 0; i < script.size(); ++i) {
    char c = script[i];
    if (Tools::strip(current).empty() && (i == 0 || script[i - 1] == '\n') &&
        Tools::toupper(script.substr(i, 10)) == "DELIMITER ") {
      std::size_t end = script.find('\n', i);
      if (end == std::string::npos)
        end = script.size();
      const std::string chosen = Tools::strip(script.substr(i + 10, end - i - 10));
      if (!chosen.empty())
        delimiter = chosen;
      current.clear();
      i = end;
      continue;
    }
    if (c == '\'' || c == '"' || c == '`') {
      const std::size_t end = Tools::skip_sql_quoted(script, i);
      current.append(script, i, end - i);
      i = end - 1;
      continue;
    }
    if (c == '-' && script.compare(i, 3, "-- ") == 0) {
      std::size_t end = script.find('\n', i);
      i = end == std::string::npos ? script.size() : end;
      continue;
    }
    if (c == '/' && script.compare(i, 2, "/*") == 0) {
      std::size_t end = script.find("*/", i + 2);
      i = end == std::string::npos ? script.size() : end + 1;
      continue;
    }
    if (script.compare(i, delimiter.size(), delimiter) == 0) {
      cut();
      i += delimiter.size() - 1;
      continue;
    }
    current += c;
  }
  cut();
  return statements;
}
