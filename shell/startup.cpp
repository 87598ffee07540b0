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

std::string main_window_title(const std::string &title, const char *note)
{
  std::string text = note ? note : "";
  for (char &c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
      c = ' ';
  const std::string::size_type first = text.find_first_not_of(' ');
  if (first == std::string::npos)
    return title;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  return title + " - " + text;
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
