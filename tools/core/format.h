#ifndef KORVAN_TOOLS_CORE_FORMAT_H
#define KORVAN_TOOLS_CORE_FORMAT_H

// The printf-like formatter through which every statement, log line, money
// and date text of the program is built:
//
//   Tools::format("select %%ART from ART where idx = '%s'", key)
//
// The argument types are checked at compile time: a type is formattable
// when there is a specialisation of Tools::FormatArg for it. The core knows
// the integers, double and the texts; other layers add their own types in
// their own headers, so the core depends on none of them.

#include <iosfwd>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "tools/core/base_exception.h"

namespace Tools {

// The settings of one directive.
struct FormatSpec
{
  bool valid;
  int adjust; // 1 right, 0 left
  bool alt;
  bool showpos;
  bool zero;
  bool internal;
  int base; // 0 octal, 1 decimal, 2 hexadecimal
  bool upper;
  int float_mode; // 0 fixed, 1 scientific
  bool showbase;
  int width;
  int precision;
  unsigned hex_len;

  FormatSpec() { reset(); }
  void reset();
  // Sets the stream's flags, fill, width and precision; an invalid spec
  // leaves the stream alone.
  void apply(std::ostream &os) const;
};

std::ostream &operator<<(std::ostream &os, FormatSpec spec);

// Reads the decimal digits from `start` on, sets `end` behind them and
// returns their value (0 for no digits). Values beyond int are capped.
int read_number(const std::string &text, unsigned start, unsigned &end);

// The extension point. A specialisation provides:
//   static constexpr bool is_int, is_string;
//   static int as_int(const T&);                     // integer kinds
//   static std::string_view view(const T&);          // string kinds
//   static void put(std::ostream&, const T&);        // the inserter
// There is deliberately no primary definition: formatting a type nobody
// described is a compile error.
template <class T, class Enable = void> struct FormatArg;

// One argument as the formatter sees it, independent of its type.
struct FormatArgRef
{
  const void *ptr;
  bool is_int;
  bool is_string;
  int (*as_int)(const void *);
  std::string_view (*view)(const void *);
  void (*put)(std::ostream &, const void *);
  // Integer kinds whose value fits a long long: the value, so that decimal
  // fields can be written without a stream. Null otherwise.
  long long (*as_wide)(const void *);
  bool is_signed;
};

namespace detail {
template <class T> int arg_as_int(const void *p)
{
  if constexpr (FormatArg<T>::is_int)
    return FormatArg<T>::as_int(*static_cast<const T *>(p));
  else
    return (void)p, 0;
}
template <class T> std::string_view arg_view(const void *p)
{
  if constexpr (FormatArg<T>::is_string)
    return FormatArg<T>::view(*static_cast<const T *>(p));
  else
    return (void)p, std::string_view();
}
template <class T> void arg_put(std::ostream &os, const void *p)
{
  FormatArg<T>::put(os, *static_cast<const T *>(p));
}
template <class T, class = void> struct HasWide : std::false_type {};
template <class T> struct HasWide<T, std::void_t<decltype(FormatArg<T>::as_wide)> > : std::true_type {};
template <class T> long long arg_as_wide(const void *p)
{
  if constexpr (HasWide<T>::value)
    return FormatArg<T>::as_wide(*static_cast<const T *>(p));
  else
    return (void)p, 0;
}
template <class T> FormatArgRef make_arg(const T &v)
{
  long long (*wide)(const void *) = nullptr;
  bool is_signed = false;
  if constexpr (HasWide<T>::value) {
    wide = &arg_as_wide<T>;
    is_signed = FormatArg<T>::is_signed;
  }
  return FormatArgRef{&v,          FormatArg<T>::is_int, FormatArg<T>::is_string, &arg_as_int<T>, &arg_view<T>,
                      &arg_put<T>, wide,                 is_signed};
}
} // namespace detail

// Walks the format once, in its constructor; `result` gives the text.
class Formatter
{
  const std::string &fmt; // lives as long as the format() call that built us
  const FormatArgRef *args;
  unsigned num_args;
  std::string output;

  void parse();
  // Renders the directive at `start` (a "%" not followed by another);
  // gives the position behind it. `counter` is the next argument in turn.
  unsigned directive(unsigned start, unsigned &counter);
  // A "*" at `p`: width or precision from an argument; moves `p` behind it.
  int star_value(unsigned &p, unsigned &arg, unsigned &counter) const;
  // Copies the directive up to and including the character where reading
  // stopped, as it stands; gives the position behind it.
  unsigned copy_unrecognised(unsigned start, unsigned stop);

public:
  Formatter(const std::string &fmt, const FormatArgRef *args, unsigned num_args);
  std::string result() const { return output; }
  const std::string &text() const { return output; }
  std::string take() { return std::move(output); }

  int get_int_arg(unsigned index) const;
  std::string use_arg(unsigned index, const FormatSpec &spec) const;
  void use_arg(std::string &out, unsigned index, const FormatSpec &spec, int max_chars) const;
};

template <class... Args> std::string format(const std::string &fmt, const Args &...args)
{
  static_assert(sizeof...(Args) >= 1, "format needs at least one argument");
  const FormatArgRef refs[] = {detail::make_arg<Args>(args)...};
  Formatter f(fmt, refs, sizeof...(Args));
  return f.take();
}

// ---- the argument kinds of the core ----

template <class I> struct FormatIntArg
{
  static constexpr bool is_int = true;
  static constexpr bool is_string = false;
  static constexpr bool is_signed = std::is_signed<I>::value;
  static int as_int(const I &v) { return static_cast<int>(v); }
  static void put(std::ostream &os, const I &v);
};
// Every integer kind but the unsigned 64-bit ones fits a long long.
template <class I> struct FormatWideIntArg : FormatIntArg<I>
{
  static long long as_wide(const I &v) { return static_cast<long long>(v); }
};

template <> struct FormatArg<int> : FormatWideIntArg<int> {};
template <> struct FormatArg<unsigned> : FormatWideIntArg<unsigned> {};
template <> struct FormatArg<short> : FormatWideIntArg<short> {};
template <> struct FormatArg<unsigned short> : FormatWideIntArg<unsigned short> {};
template <> struct FormatArg<long> : FormatWideIntArg<long> {};
template <> struct FormatArg<unsigned long> : FormatIntArg<unsigned long> {};
template <> struct FormatArg<long long> : FormatWideIntArg<long long> {};
template <> struct FormatArg<unsigned long long> : FormatIntArg<unsigned long long> {};

template <> struct FormatArg<double>
{
  static constexpr bool is_int = false;
  static constexpr bool is_string = false;
  static void put(std::ostream &os, const double &v);
};

struct FormatTextArg
{
  static constexpr bool is_int = false;
  static constexpr bool is_string = true;
};
template <> struct FormatArg<std::string> : FormatTextArg
{
  static std::string_view view(const std::string &v) { return v; }
  static void put(std::ostream &os, const std::string &v);
};
template <> struct FormatArg<const char *> : FormatTextArg
{
  static std::string_view view(const char *const &v) { return v ? std::string_view(v) : std::string_view(); }
  static void put(std::ostream &os, const char *const &v);
};
template <> struct FormatArg<char *> : FormatTextArg
{
  static std::string_view view(char *const &v) { return v ? std::string_view(v) : std::string_view(); }
  static void put(std::ostream &os, char *const &v);
};
template <std::size_t N> struct FormatArg<char[N]> : FormatTextArg
{
  static std::string_view view(const char (&v)[N]) { return std::string_view(v); }
  static void put(std::ostream &os, const char (&v)[N]) { FormatArg<const char *>::put(os, v); }
};

// For program types that print as a text but are not of string kind (a
// precision never shortens them): put() renders `const char*` of a copy.
template <class T> struct FormatCStrArg
{
  static constexpr bool is_int = false;
  static constexpr bool is_string = false;
  static void put(std::ostream &os, const T &v)
  {
    T copy(v);
    FormatArg<const char *>::put(os, static_cast<const char *>(copy));
  }
};

} // namespace Tools

#endif
