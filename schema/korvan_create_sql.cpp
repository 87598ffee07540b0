// Prints the database's create script, for administrators and scripts:
//   korvan-create-sql | mariadb korvan
// With --upgrade, what a database created by an earlier version lacks:
//   korvan-create-sql --upgrade | mariadb korvan
// (with every station closed: while one uses the tables, the upgrade stops
// after a few seconds and says so).
#include <cstring>
#include <iostream>

#include "schema/create_sql.h"

int main(int argc, char **argv)
{
  const bool upgrade = argc > 1 && std::strcmp(argv[1], "--upgrade") == 0;
  std::cout << (upgrade ? upgrade_sql() : create_sql());
  std::cout.flush();
  return std::cout ? 0 : 1;
}
