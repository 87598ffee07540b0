#ifndef KORVAN_SCHEMA_CREATE_SQL_H
#define KORVAN_SCHEMA_CREATE_SQL_H

// The MariaDB script of the whole database, produced from the table
// records: each table dropped and created with its columns, its own
// indexes, engine and character set, its primary and auto-increment key;
// then an index for every foreign key that does not point at a key, and
// the foreign keys.
// The script switches foreign-key checks off around its statements so
// that it can be loaded again over existing tables.

#include <string>
#include <vector>

#include "schema/tables.h"

std::string create_sql();
// One table's statements; appends the record's foreign keys to keys.
std::string create_table_sql(Tools::DBBindType *record, std::vector<Tools::Ref<Forkey> > &keys);

// What a database made by an earlier script lacks (indexes and unique
// keys added since), as statements that change nothing where it is there
// already. Where a table holds twice what a new unique key must hold
// once, the first statements fail with those values named, and nothing
// is changed. A change that must wait for a table that a station is using
// gives up after UPGRADE_LOCK_WAIT_SECONDS with STATIONS_OPEN as the
// error's message.
const int UPGRADE_LOCK_WAIT_SECONDS = 5;
extern const char *const STATIONS_OPEN;
std::string upgrade_sql();

// Cuts a script into single statements (without their ';'), so that a
// client that runs one statement per call can load it. Semicolons inside
// quotes, backticks and comments do not cut; blank pieces are dropped. A
// line "DELIMITER x" sets what ends a statement instead of ';', as in the
// mariadb client.
std::vector<std::string> split_sql_statements(const std::string &script);

#endif
