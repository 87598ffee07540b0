#include "tools/core/money.h"

#include <cfloat>
#include <cmath>

#include "tools/core/format.h"

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

} // namespace Tools
