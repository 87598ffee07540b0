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
  EXPECT_EQ(YesNo::NO, YN(YesNo::NO).get_value());
  EXPECT_EQ(YesNo::YES, YN(YesNo::YES).get_value());
  EXPECT_EQ("EnumRange: Out of range!", error_of([] { YN v(static_cast<YesNo::Enum>(2)); (void)v; }));
  EXPECT_EQ("EnumRange: Out of range!", error_of([] { YN v(static_cast<YesNo::Enum>(-1)); (void)v; }));
  EXPECT_EQ(Kind::INT, K(Kind::INT).get_value());
  EXPECT_EQ(Kind::DATETIME, K(Kind::DATETIME).get_value());
  EXPECT_EQ("EnumRange: Out of range!", error_of([] { K k(static_cast<Kind::Enum>(0)); (void)k; }));
  EXPECT_EQ("EnumRange: Out of range!", error_of([] { K k(static_cast<Kind::Enum>(6)); (void)k; }));
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

TEST(EnumRangeTest, ErrorIsNotABaseException)
{
  // Callers that catch the library's base exception must not swallow
  // range errors by accident.
  static_assert(std::is_base_of<std::exception, YN::Error>::value, "");
  EXPECT_TRUE((std::is_base_of<std::exception, YN::Error>::value));
}

} // namespace
