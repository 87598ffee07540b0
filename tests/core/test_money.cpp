// Cents of prices, lines and bills: rounded once, a half away from zero,
// decimal prices taken as written.

#include <gtest/gtest.h>

#include "tools/core/money.h"

TEST(Money, LinesAreRoundedOnceToTheNearestCent)
{
  const struct
  {
    double price;
    int quantity;
    long long cents;
  } cases[] = {
      {0.125, 3, 38},   // 0.375, not 3 x 0.13
      {0.125, 1, 13},   // a half cent goes up
      {2.675, 1, 268},  // stored as 2.67499999...
      {1.005, 1, 101},
      {0.1, 3, 30},     // 0.30000000000000004
      {12345.67, 2, 2469134},
      {-2.675, 1, -268}, // a half cent goes away from zero
      {3.5, 0, 0},
  };
  for (const auto &c : cases)
    EXPECT_EQ(Tools::line_cents(c.price, c.quantity), c.cents) << c.price << " x " << c.quantity;
}

TEST(Money, CentsComeBackAsTheAmountShown)
{
  EXPECT_EQ(Tools::money_text(Tools::from_cents(38)), "0.38");
  EXPECT_EQ(Tools::money_text(Tools::from_cents(-250)), "-2.50");
  EXPECT_EQ(Tools::to_cents(Tools::from_cents(1234567)), 1234567);
}
