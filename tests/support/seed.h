#ifndef KORVAN_TESTS_SUPPORT_SEED_H
#define KORVAN_TESTS_SUPPORT_SEED_H

// Rows a test stores on its own connection, each committed at once so that
// the program's connection sees it, with its new key.

#include <string>

#include "schema/tables.h"
#include "tools/dbi/database.h"

namespace korvan_test {

// 0, and a failure of the test, when the server refuses the row.
int store(Tools::Database &db, Tools::DBBindType &row);
LAYOUTK add_room(Tools::Database &db, const std::string &name, int width = 500, int height = 400);
// A size of 0 takes the label's natural one.
LAYOUTP add_table(Tools::Database &db, const LAYOUTK &room, const std::string &name, int x = 10, int y = 10,
                  int width = 60, int height = 40);
// An open line. Its user and article do not matter to the windows that
// list and settle lines: its foreign keys are not checked.
int add_line(Tools::Database &db, const LAYOUTK &room, const LAYOUTP &table, double preis = 1, int anzahl = 1);
int add_user(Tools::Database &db, const std::string &login, const std::string &password, bool valid = true);
GRP_UST add_vat(Tools::Database &db, const std::string &name, double rate, bool valid = true);
// In the article group unless it is empty, with one price unless below 0.
ART add_article(Tools::Database &db, const std::string &artnr, const GRP_UST &vat, const std::string &group = "",
                double preis = -1);

} // namespace korvan_test

#endif
