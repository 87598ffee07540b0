#ifndef KORVAN_TOOLS_CORE_ENUM_RANGE_H
#define KORVAN_TOOLS_CORE_ENUM_RANGE_H

#include <exception>

namespace Tools {

// An enumeration scope E is an empty class that declares its values and
// tells its range:
//
//   struct JANEIN {
//     enum Enum { NEIN = 0, JA = 1 };
//     typedef Enum ETYPE;
//     static constexpr int FIRST__ = NEIN, LAST__ = JA;
//   };
//
// EnumRange<E> then holds one such value or the unset mark -5000.

// The only copy policy there is: it does nothing.
template <class E> struct CopyNone
{
  template <class R> void operator()(R & /*dest*/, const R & /*src*/) const {}
};

template <class E, class Policy = CopyNone<E> > class EnumRange : public E
{
public:
  typedef typename E::ETYPE ETYPE;
  static constexpr int UNSET = -5000;

  class Error : public std::exception
  {
    const char *message;

  public:
    explicit Error(const char *message) : message(message) {}
    const char *what() const noexcept override { return message; }
  };

private:
  int value;

  static bool in_range(int v) { return v >= E::FIRST__ && v <= E::LAST__; }
  static int checked(int v)
  {
    if (!in_range(v))
      throw Error("EnumRange: Out of range!");
    return v;
  }

public:
  EnumRange() : E(), value(UNSET) {}
  EnumRange(ETYPE v) : E(), value(checked(static_cast<int>(v))) {}

  // Copy construction checks the range, so copying an unset value throws;
  // copy assignment does not check. Callers rely on both.
  EnumRange(const EnumRange &other) : E(), value(checked(other.value)) { Policy()(*this, other); }

  EnumRange &operator=(ETYPE v)
  {
    value = checked(static_cast<int>(v));
    return *this;
  }
  EnumRange &operator=(const EnumRange &other)
  {
    value = other.value;
    Policy()(*this, other);
    return *this;
  }

  ETYPE get_value() const
  {
    if (value == UNSET)
      throw Error("EnumRange: Uninitialized value!");
    return static_cast<ETYPE>(value);
  }

  bool is_set() const { return value != UNSET; }
  bool operator==(ETYPE v) const { return value == static_cast<int>(v); }
  bool operator!=(ETYPE v) const { return value != static_cast<int>(v); }
};

} // namespace Tools

#endif
