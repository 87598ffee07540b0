#include <gtest/gtest.h>

#include <cstring>

#include "tools/core/ref.h"

namespace {

struct Counted
{
  static int alive;
  static int deleted;
  int value;
  explicit Counted(int v = 0) : value(v) { ++alive; }
  virtual ~Counted()
  {
    --alive;
    ++deleted;
  }
  bool operator==(const Counted &o) const { return value == o.value; }
};
int Counted::alive = 0;
int Counted::deleted = 0;

struct Derived : Counted
{
  static int derived_deleted;
  ~Derived() override { ++derived_deleted; }
};
int Derived::derived_deleted = 0;

class RefTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    Counted::alive = 0;
    Counted::deleted = 0;
  }
};

TEST_F(RefTest, EmptyHandleThrowsBadRefAndHasNoBlock)
{
  Tools::Ref<Counted> r;
  EXPECT_FALSE(r.valid());
  EXPECT_TRUE(r.is_null());
  EXPECT_EQ(nullptr, r.try_get());
  EXPECT_EQ(nullptr, static_cast<Counted *>(r));
  try {
    r->value = 1;
    FAIL() << "no exception";
  } catch (const Tools::Ref<Counted>::BadRef &e) {
    EXPECT_STREQ("bad reference", e.what());
  }
  EXPECT_THROW(*r, Tools::BaseException);

  // A handle of a null object is valid and does not throw.
  Tools::Ref<Counted> null_object(nullptr);
  EXPECT_TRUE(null_object.valid());
  EXPECT_EQ(nullptr, null_object.operator->());
}

TEST_F(RefTest, LastCopyDeletesExactlyOnceThroughVirtualDestructor)
{
  Derived::derived_deleted = 0;
  {
    Tools::Ref<Counted> a(new Derived);
    {
      Tools::Ref<Counted> b(a);
      Tools::Ref<Counted> c;
      c = b;
      EXPECT_EQ(3, a.use_count());
    }
    EXPECT_EQ(1, Counted::alive);
    EXPECT_EQ(0, Counted::deleted);
  }
  EXPECT_EQ(0, Counted::alive);
  EXPECT_EQ(1, Counted::deleted);
  EXPECT_EQ(1, Derived::derived_deleted);
}

TEST_F(RefTest, NonOwningHandleNeverDeletes)
{
  Counted owned(5);
  {
    Tools::Ref<Counted> a(&owned, false);
    Tools::Ref<Counted> b(a);
    EXPECT_EQ(5, b->value);
  }
  EXPECT_EQ(0, Counted::deleted);
}

TEST_F(RefTest, AssignmentToItselfAndEmptyAssignment)
{
  Tools::Ref<Counted> a(new Counted(3));
  Tools::Ref<Counted> &alias = a;
  a = alias;
  EXPECT_EQ(1, a.use_count());
  EXPECT_EQ(3, a->value);
  EXPECT_EQ(0, Counted::deleted);

  a = Tools::Ref<Counted>();
  EXPECT_TRUE(a.is_null());
  EXPECT_EQ(1, Counted::deleted);
}

TEST_F(RefTest, AssigningAHandleHeldByTheReleasedObjectIsSafe)
{
  // A node holding the next node: replacing the head by its own successor
  // must not free the successor before it is shared.
  struct Node
  {
    Tools::Ref<Node> next;
    int v;
  };
  Tools::Ref<Node> head(new Node{Tools::Ref<Node>(new Node{Tools::Ref<Node>(), 2}), 1});
  head = head->next;
  EXPECT_EQ(2, head->v);
}

TEST_F(RefTest, EqualityComparesObjects)
{
  Tools::Ref<Counted> a(new Counted(1)), b(new Counted(1)), c(new Counted(2)), empty;
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a == c);
  EXPECT_FALSE(a == empty);
  EXPECT_FALSE(empty == empty);
}

} // namespace
