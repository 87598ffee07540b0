#include "tools/dbi/secret.h"

#include <algorithm>
#include <vector>

#include "tools/core/string_utils.h"

namespace Tools {

namespace {

std::vector<const std::string *> &live()
{
  static std::vector<const std::string *> secrets;
  return secrets;
}

} // namespace

Secret::Secret(const std::string &secret) : text(secret) { live().push_back(&text); }

Secret::~Secret()
{
  std::vector<const std::string *> &secrets = live();
  secrets.erase(std::remove(secrets.begin(), secrets.end(), &text), secrets.end());
}

std::string Secret::mask(const std::string &text)
{
  const std::vector<const std::string *> &secrets = live();
  if (secrets.empty())
    return text;
  // The quoted form first, and longer secrets before shorter ones, so that
  // no part of a secret is left standing next to a mask.
  std::vector<std::string> forms;
  for (const std::string *s : secrets) {
    forms.push_back(sql_escape(*s));
    forms.push_back(*s);
  }
  std::stable_sort(forms.begin(), forms.end(),
                   [](const std::string &a, const std::string &b) { return a.size() > b.size(); });
  std::string out = text;
  for (const std::string &f : forms)
    out = substitude(out, f, "***");
  return out;
}

} // namespace Tools
