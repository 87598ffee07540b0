#include "tools/core/money.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "tools/core/format.h"
#include "tools/core/string_utils.h"

namespace Tools {

long long to_cents(double amount)
{
  const double cents = amount * 100.0;
  // A decimal price is stored as the nearest double, which may lie a hair
  // below a half cent (2.675 is 2.67499999...); that hair does not count.
  // It is a rounding of the double's own, so it grows with the amount at
  // the double's precision: any more would lift large whole-cent amounts
  // by a cent.
  const double hair = DBL_EPSILON * std::fmax(1.0, std::fabs(cents));
  return std::llround(cents >= 0 ? cents + hair : cents - hair);
}

double from_cents(long long cents) { return static_cast<double>(cents) / 100.0; }

long long line_cents(double unit_price, int quantity) { return to_cents(unit_price * quantity); }

std::string money_text(double amount) { return format("%0.2lf", amount); }

namespace {

bool all_digits(const std::string &text, std::size_t from, std::size_t to)
{
  for (std::size_t i = from; i < to; ++i)
    if (text[i] < '0' || text[i] > '9')
      return false;
  return true;
}

// "1.234.567": one to three digits, then groups of three after dots.
bool grouped_thousands(const std::string &text)
{
  const std::size_t first = text.find('.');
  if (first == 0 || first > 3 || !all_digits(text, 0, first))
    return false;
  for (std::size_t dot = first; dot != std::string::npos; dot = text.find('.', dot + 1)) {
    const std::size_t next = text.find('.', dot + 1);
    const std::size_t end = next == std::string::npos ? text.size() : next;
    if (end - dot != 4 || !all_digits(text, dot + 1, end))
      return false;
  }
  return true;
}

} // namespace

AmountReading read_amount(const std::string &text, long long &cents)
{
  cents = 0;
  const std::string number = trim_white(text);
  std::size_t start = 0;
  const bool negative = !number.empty() && number[0] == '-';
  if (!number.empty() && (number[0] == '-' || number[0] == '+'))
    start = 1;
  if (number.empty())
    return AmountReading::AMOUNT;

  // A comma is the decimal sign, and dots before it may group thousands;
  // without a comma one dot is the decimal sign, unless the dots group
  // thousands ("1.500", not "0.125"), which they do only together with a
  // comma.
  const std::string unsigned_part = number.substr(start);
  const std::size_t comma = unsigned_part.find(',');
  const bool thousands_only =
      comma == std::string::npos && unsigned_part[0] != '0' && grouped_thousands(unsigned_part);
  const std::size_t point = comma != std::string::npos || thousands_only ? comma : unsigned_part.find('.');
  std::string whole = unsigned_part.substr(0, point);
  const std::string decimals = point == std::string::npos ? std::string() : unsigned_part.substr(point + 1);
  if (whole.find('.') != std::string::npos) {
    if (!grouped_thousands(whole))
      return AmountReading::NOT_AN_AMOUNT;
    whole.erase(std::remove(whole.begin(), whole.end(), '.'), whole.end());
  }
  if ((whole.empty() && decimals.empty()) || !all_digits(whole, 0, whole.size()) ||
      !all_digits(decimals, 0, decimals.size()))
    return AmountReading::NOT_AN_AMOUNT;

  const std::size_t significant = whole.find_first_not_of('0');
  if (decimals.size() > 2 ||
      (significant != std::string::npos && whole.size() - significant > std::size_t(LARGEST_WHOLE_DIGITS)))
    return AmountReading::TOO_MANY_DIGITS;
  if (thousands_only)
    return AmountReading::THOUSANDS_WITHOUT_COMMA;
  long long value = 0;
  for (char c : whole)
    value = value * 10 + (c - '0');
  for (std::size_t i = 0; i < 2; ++i)
    value = value * 10 + (i < decimals.size() ? decimals[i] - '0' : 0);
  cents = negative ? -value : value;
  return AmountReading::AMOUNT;
}

std::string with_decimal_comma(const std::string &text) { return trim_white(text) + ",00"; }

std::string without_grouping(const std::string &text)
{
  std::string plain = trim_white(text);
  plain.erase(std::remove(plain.begin(), plain.end(), '.'), plain.end());
  return plain;
}

} // namespace Tools
