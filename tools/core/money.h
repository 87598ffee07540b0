#ifndef KORVAN_TOOLS_CORE_MONEY_H
#define KORVAN_TOOLS_CORE_MONEY_H

// Amounts of money. They are stored as doubles but worked in whole cents,
// so that the parts of a bill (cash, another kind of payment, the lines)
// add up to its total exactly, and they are shown with two decimals.

#include <string>

namespace Tools {

// The nearest cent of an amount; a half cent goes away from zero. A price
// written with three decimals (2.675) counts as written, not as the
// binary double just below it.
long long to_cents(double amount);
double from_cents(long long cents);
// What an order line costs: unit price times quantity, rounded once.
long long line_cents(double unit_price, int quantity);
// The amount as it is shown everywhere: "%0.2lf".
std::string money_text(double amount);

} // namespace Tools

#endif
