#include "tools/dbi/dbtype.h"

#include <charconv>
#include <istream>
#include <ostream>

#include "tools/dbi/dbbindtype.h"

const std::string JANEIN_STR[2] = {"NEIN", "JA"};

std::ostream &operator<<(std::ostream &os, const JANEIN_RANGE &value)
{
  int v = value.is_set() ? static_cast<int>(value.get_value()) : JANEIN_RANGE::UNSET;
  return os << (v == JANEIN::JA ? JANEIN_STR[1] : JANEIN_STR[0]);
}

std::istream &operator>>(std::istream &is, JANEIN_RANGE &value)
{
  std::string word;
  if (!(is >> word))
    return is;
  if (word == JANEIN_STR[0])
    value = JANEIN::NEIN;
  else if (word == JANEIN_STR[1])
    value = JANEIN::JA;
  return is;
}

namespace Tools {

namespace {

// The server sends numbers as plain digits. Those are converted directly;
// every other text takes the general way through a stream, which gives
// the same value for plain digits, only slower.
bool plain_int(const std::string &text, int &out)
{
  std::size_t i = 0;
  const std::size_t n = text.size();
  bool negative = false;
  if (i < n && text[i] == '-') {
    negative = true;
    ++i;
  }
  if (i == n || n - i > 9) // nine digits cannot overflow
    return false;
  int v = 0;
  for (; i < n; ++i) {
    char c = text[i];
    if (c < '0' || c > '9')
      return false;
    v = v * 10 + (c - '0');
  }
  out = negative ? -v : v;
  return true;
}

bool plain_double(const std::string &text, double &out)
{
  std::size_t i = 0, digits = 0;
  const std::size_t n = text.size();
  if (i < n && text[i] == '-')
    ++i;
  for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
    ++digits;
  if (i < n && text[i] == '.')
    for (++i; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
      ++digits;
  if (i != n || digits == 0)
    return false;
  std::from_chars_result r = std::from_chars(text.data(), text.data() + n, out);
  return r.ec == std::errc() && r.ptr == text.data() + n;
}

} // namespace

// ---- DBType ----

DBType::DBType(const std::string &name, const KIND &type) : name(name), type(type) {}

DBType::~DBType() = default;

void DBType::attach(DBBindType *record)
{
  if (record)
    record->add_column(this);
}

// ---- INT ----

DBTypeInt::DBTypeInt(DBBindType *record, const std::string &name) : DBType(name, KIND(EnumType::INT)), value(0)
{
  attach(record);
}

DBTypeInt::DBTypeInt() : DBType(std::string(), KIND(EnumType::INT)), value(0) {}

void DBTypeInt::from_string(const std::string &text)
{
  if (!plain_int(text, value))
    value = from_text<int>(text, 0);
}
std::string DBTypeInt::to_string() const { return to_text<int>(value); }
std::string DBTypeInt::format(const std::string &fmt) const { return Tools::format(fmt, value); }

// ---- DOUBLE ----

DBTypeDouble::DBTypeDouble(DBBindType *record, const std::string &name)
    : DBType(name, KIND(EnumType::DOUBLE)), value(0.0)
{
  attach(record);
}

void DBTypeDouble::from_string(const std::string &text)
{
  if (!plain_double(text, value))
    value = from_text<double>(text, 0.0);
}
std::string DBTypeDouble::to_string() const { return to_text<double>(value); }
std::string DBTypeDouble::format(const std::string &fmt) const { return Tools::format(fmt, value); }

// ---- VARCHAR ----

DBTypeVarChar::DBTypeVarChar(DBBindType *record, const std::string &name, int size)
    : DBType(name, KIND(EnumType::VARCHAR)), value(), size(size)
{
  attach(record);
}

void DBTypeVarChar::from_string(const std::string &text) { value = text; }
std::string DBTypeVarChar::to_string() const { return value; }
std::string DBTypeVarChar::format(const std::string &fmt) const { return Tools::format(fmt, value); }

// ---- DATETIME ----

const char *const DBTypeDateTime::ZERO = "0000-00-00 00:00:00";

DBTypeDateTime::DBTypeDateTime(DBBindType *record, const std::string &name)
    : DBType(name, KIND(EnumType::DATETIME)), value(), size(19)
{
  attach(record);
}

// Date-times are never parsed: the server's text comes and goes unchanged.
void DBTypeDateTime::from_string(const std::string &text) { value = text; }
std::string DBTypeDateTime::to_string() const { return value.empty() ? std::string(ZERO) : value; }
std::string DBTypeDateTime::format(const std::string &fmt) const { return Tools::format(fmt, value); }

// ---- ENUM ----

DBTypeEnumBase::DBTypeEnumBase(DBBindType *record, const std::string &name) : DBType(name, KIND(EnumType::ENUM))
{
  attach(record);
}

void FormatArg<JANEIN::Enum>::put(std::ostream &os, const JANEIN::Enum &v) { os << static_cast<int>(v); }

template <> JANEIN_RANGE from_text<JANEIN_RANGE>(const std::string &text, const JANEIN_RANGE &fallback)
{
  JANEIN_RANGE result;
  result = fallback; // unchecked: an unset fallback stays unset
  std::istringstream in(text);
  std::string word;
  if (in >> word) {
    if (word == JANEIN_STR[0])
      result = JANEIN::NEIN;
    else if (word == JANEIN_STR[1])
      result = JANEIN::JA;
  }
  return result;
}

} // namespace Tools
