// The shared handle, the range-guarded enumeration and the debug sink.
#include <gtest/gtest.h>

#include "tools/core/debug.h"
#include "tools/core/enum_range.h"
#include "tools/core/format.h"
#include "tools/core/ref.h"

using Tools::Ref;

namespace {

int deleted = 0;

struct Counted
{
  int value;
  explicit Counted(int v) : value(v) {}
  ~Counted() { ++deleted; }
  bool operator==(const Counted &o) const { return value == o.value; }
};

TEST(Ref, LastCopyDeletesExactlyOnce)
{
  deleted = 0;
  {
    Ref<Counted> a(new Counted(1));
    {
      Ref<Counted> b(a), c;
      c = b;
      a = c; // the same block: nothing changes
    }
    EXPECT_EQ(0, deleted);
  }
  EXPECT_EQ(1, deleted);

  Counted owned(5);
  Ref<Counted> c(new Counted(5));
  {
    Ref<Counted> a(&owned, false), b(a);
    EXPECT_TRUE(a == c);
  }
  EXPECT_EQ(1, deleted); // a handle that does not own never deletes
  c = Ref<Counted>();
  EXPECT_EQ(2, deleted);
  EXPECT_THROW(c->value = 1, Ref<Counted>::BadRef);

  // Replacing the head of a chain by its own successor must not free the
  // successor before it is shared.
  struct Node
  {
    Ref<Node> next;
    int v;
  };
  Ref<Node> head(new Node{Ref<Node>(new Node{Ref<Node>(), 2}), 1});
  head = head->next;
  EXPECT_EQ(2, head->v);
}

struct Kind
{
  enum Enum { INT = 1, VARCHAR, ENUM, DOUBLE, DATETIME };
  typedef Enum ETYPE;
  static constexpr int FIRST__ = INT, LAST__ = DATETIME;
};

typedef Tools::EnumRange<Kind, Tools::CopyNone<Kind> > K;

TEST(EnumRange, RefusesValuesOutsideItsRangeAndReadingUnset)
{
  for (int v = 0; v <= 6; ++v) {
    const Kind::Enum e = static_cast<Kind::Enum>(v);
    const bool in_range = v >= Kind::INT && v <= Kind::DATETIME;
    K k(Kind::DOUBLE);
    if (in_range) {
      k = K(e);
    } else {
      EXPECT_THROW(K x(e), K::Error) << v;
      EXPECT_THROW(k = e, K::Error) << v;
    }
    EXPECT_EQ(in_range ? v : Kind::DOUBLE, k.get_value()); // a refused value keeps the old one
  }
  K unset;
  EXPECT_THROW(unset.get_value(), K::Error);
  EXPECT_THROW(K copy(unset), K::Error); // copy construction checks ...
  K target(Kind::INT);
  target = unset; // ... copy assignment does not
  EXPECT_FALSE(target.is_set());
}

struct Collector : Tools::Debug
{
  std::string line;
  void output(const char *file, unsigned line_no, const char *function, const std::string &message) override
  {
    line += Tools::format("%s:%d %s %s", file, line_no, function, message);
  }
};

int built = 0;
void log_something(int n) { TOOLS_LOG(Tools::format("value %d", ++built + n)); }

TEST(Debug, OnlyAnInstalledSinkGetsPlaceAndMessage)
{
  Collector sink;
  log_something(1); // before the sink: neither built nor sent
  Tools::debug_sink = &sink;
  log_something(1);
  Tools::debug_sink = nullptr;
  log_something(1);
  EXPECT_EQ(1, built);
  EXPECT_EQ(0u, sink.line.find("tests/core/test_core:"));
  EXPECT_NE(std::string::npos, sink.line.find("log_something(int) value 2"));

  EXPECT_EQ("other/x", Tools::source_name("other/x.h"));
  EXPECT_EQ("dir.d/file", Tools::source_name("dir.d/file"));
}

} // namespace
