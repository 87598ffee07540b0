#ifndef KORVAN_TOOLS_DBI_SECRET_H
#define KORVAN_TOOLS_DBI_SECRET_H

// A value that no report may show, such as the password of a login
// statement. While a Secret lives, the texts the database layer keeps or
// prints about its statements (the last statement, the error text, the
// driver's trace of a failed statement) show "***" in its place, whether
// it stands there as given or as quoted by Tools::sql_escape.
//
//   Tools::Secret hidden(password);
//   select_values(db, format("... passwd = '%s'", sql_escape(password)), ...);
//
// Secrets nest and are meant for the one GUI thread.

#include <string>

namespace Tools {

class Secret
{
  std::string text;

public:
  explicit Secret(const std::string &text);
  ~Secret();
  Secret(const Secret &) = delete;
  Secret &operator=(const Secret &) = delete;

  // The text with every live secret replaced by "***"; unchanged while
  // there is none.
  static std::string mask(const std::string &text);
};

} // namespace Tools

#endif
