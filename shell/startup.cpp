#include "shell/startup.h"

#include <exception>
#include <fstream>
#include <ostream>

#include "schema/create_sql.h"

bool write_create_script(const std::string &path, std::ostream &err)
{
  std::ofstream script(path, std::ios::out | std::ios::trunc);
  if (!script) {
    err << "warning cannt create create.sql\n";
    return false;
  }
  script << create_sql();
  script.close();
  // A full disk lets the file open and then takes nothing.
  if (!script) {
    err << "warning cannt write create.sql\n";
    return false;
  }
  return true;
}

int run_guarded(const std::function<int()> &body, std::ostream &err)
{
  try {
    return body();
  } catch (const std::exception &e) {
    err << "korvan: " << e.what() << std::endl;
  } catch (...) {
    err << "korvan: unknown exception" << std::endl;
  }
  return 1;
}
