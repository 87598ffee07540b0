#include "tools/core/money.h"

#include <cmath>

#include "tools/core/format.h"

namespace Tools {

long long to_cents(double amount)
{
  const double cents = amount * 100.0;
  // A decimal price is stored as the nearest double, which may lie a hair
  // below a half cent (2.675 is 2.67499999...); that hair does not count.
  const double hair = 1e-9 * std::fmax(1.0, std::fabs(cents));
  return std::llround(cents >= 0 ? cents + hair : cents - hair);
}

double from_cents(long long cents) { return static_cast<double>(cents) / 100.0; }

long long line_cents(double unit_price, int quantity) { return to_cents(unit_price * quantity); }

std::string money_text(double amount) { return format("%0.2lf", amount); }

} // namespace Tools
