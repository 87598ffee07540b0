#include <gtest/gtest.h>

#include "tools/core/enum_range.h"

namespace {

struct YesNo
{
  enum Enum { NO = 0, YES = 1 };
  typedef Enum ETYPE;
  static constexpr int FIRST__ = NO, LAST__ = YES;
};

struct Kind
{
  enum Enum { INT = 1, VARCHAR, ENUM, DOUBLE, DATETIME };
  typedef Enum ETYPE;
  static constexpr int FIRST__ = INT, LAST__ = DATETIME;
};

typedef Tools::EnumRange<YesNo, Tools::CopyNone<YesNo> > YN;
typedef Tools::EnumRange<Kind, Tools::CopyNone<Kind> > K;

template <class F> std::string error_of(F f)
{
  try {
    f();
  } catch (const std::exception &e) {
    return e.what();
  }
  return "";
}

TEST(EnumRangeTest, UnsetValueCannotBeRead)
{
  YN v;
  EXPECT_FALSE(v.is_set());
  EXPECT_EQ("EnumRange: Uninitialized value!", error_of([&] { v.get_value(); }));
}

TEST(EnumRangeTest, ValueConstructionChecksTheRange)
{
  for (int v = -1; v <= 2; ++v)
    EXPECT_EQ(v == 0 || v == 1 ? "" : "EnumRange: Out of range!",
              error_of([v] { YN x(static_cast<YesNo::Enum>(v)); (void)x; })) << v;
  for (int v = 0; v <= 6; ++v)
    EXPECT_EQ(v >= Kind::INT && v <= Kind::DATETIME ? "" : "EnumRange: Out of range!",
              error_of([v] { K x(static_cast<Kind::Enum>(v)); (void)x; })) << v;
}

TEST(EnumRangeTest, CopyConstructChecksButCopyAssignDoesNot)
{
  YN unset;
  EXPECT_EQ("EnumRange: Out of range!", error_of([&] { YN copy(unset); (void)copy; }));

  YN target(YesNo::YES);
  target = unset; // no check: the unset mark is copied
  EXPECT_FALSE(target.is_set());
  EXPECT_THROW(target.get_value(), YN::Error);
}

TEST(EnumRangeTest, FailedValueAssignmentKeepsTheOldValue)
{
  YN v(YesNo::YES);
  EXPECT_THROW(v = static_cast<YesNo::Enum>(7), YN::Error);
  EXPECT_EQ(YesNo::YES, v.get_value());
  v = YesNo::NO;
  EXPECT_TRUE(v == YesNo::NO);
}

} // namespace
