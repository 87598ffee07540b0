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

// The one reading of an amount that is typed, pasted or set as text, the
// way a German user writes it or the way the program shows it: "1234,56",
// "1.234,56" (dots grouping thousands before a decimal comma) and
// "1234.56" are all 123456 cents. White space around it (blanks, tabs,
// the line end of a text copied from a cell) and a sign before it are
// allowed; an empty text is 0. Anything else is no amount: a unit
// ("12,50 €"), the English grouping ("1,234.56"), other notations ("0x1A",
// "1e3", "nan"). Without a comma, dots that group thousands ("1.500",
// "1.234.567") are refused as such: "1.500" may mean 1500 or 1.5 written
// with three decimals. An amount has at most LARGEST_WHOLE_DIGITS digits
// before the decimal sign and two after it: more are not held to the cent.
enum class AmountReading { AMOUNT, NOT_AN_AMOUNT, TOO_MANY_DIGITS, THOUSANDS_WITHOUT_COMMA };
constexpr int LARGEST_WHOLE_DIGITS = 13;
AmountReading read_amount(const std::string &text, long long &cents);
// For a text read as THOUSANDS_WITHOUT_COMMA: the two ways of writing what
// it most likely means, with a comma ("1.500,00") and without grouping
// ("1500").
std::string with_decimal_comma(const std::string &text);
std::string without_grouping(const std::string &text);

} // namespace Tools

#endif
