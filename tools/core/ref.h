#ifndef KORVAN_TOOLS_CORE_REF_H
#define KORVAN_TOOLS_CORE_REF_H

#include "tools/core/base_exception.h"

namespace Tools {

// The program's one shared handle: all copies point at one heap block
// holding the count, the object and whether the block owns the object.
// An empty handle has no block at all; a handle whose block holds a null
// object is valid and dereferences to null. Not thread-safe, like the rest
// of the program.
template <class T> class Ref
{
public:
  class BadRef : public BaseException
  {
  public:
    BadRef() : BaseException("bad reference") {}
  };

private:
  struct Block
  {
    int count;
    T *object;
    bool owns;
  };
  Block *block;

  void release()
  {
    if (!block)
      return;
    if (--block->count <= 0) {
      if (block->owns && block->object)
        delete block->object;
      block->object = nullptr;
      delete block;
    }
    block = nullptr;
  }

public:
  Ref() : block(nullptr) {}
  Ref(T *p) : block(new Block{1, p, true}) {}
  Ref(T *p, bool owns) : block(new Block{1, p, owns}) {}
  Ref(const Ref &other) : block(other.block)
  {
    if (block)
      ++block->count;
  }
  ~Ref() { release(); }

  Ref &operator=(const Ref &other)
  {
    if (block == other.block)
      return *this;
    Block *b = other.block;
    if (b)
      ++b->count; // before releasing: other may live inside our object
    release();
    block = b;
    return *this;
  }

  T *operator->() const
  {
    if (!block)
      throw BadRef();
    return block->object;
  }
  T &operator*() const
  {
    if (!block)
      throw BadRef();
    return *block->object;
  }

  bool valid() const { return block != nullptr; }
  bool is_null() const { return block == nullptr; }
  T *try_get() const { return block ? block->object : nullptr; }
  operator T *() const { return try_get(); }

  // Compares the objects, not the handles; empty handles equal nothing.
  bool operator==(const Ref &other) const
  {
    if (!block || !other.block)
      return false;
    return *block->object == *other.block->object;
  }

  // Number of handles sharing the block, 0 for an empty handle.
  int use_count() const { return block ? block->count : 0; }
};

} // namespace Tools

#endif
