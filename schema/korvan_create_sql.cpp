// Prints the database's create script, for administrators and scripts:
//   korvan-create-sql | mariadb korvan
#include <iostream>

#include "schema/create_sql.h"

int main()
{
  std::cout << create_sql();
  std::cout.flush();
  return std::cout ? 0 : 1;
}
