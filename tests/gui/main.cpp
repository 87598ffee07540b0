#include <gtest/gtest.h>

#include "tests/gui/gui_env.h"

int main(int argc, char **argv)
{
  ::testing::InitGoogleTest(&argc, argv);
  gui_test::add_environment();
  return RUN_ALL_TESTS();
}
