#include "tools/core/format.h"

#include <climits>
#include <ostream>
#include <sstream>

namespace Tools {

namespace {

// Widths and precisions come from formats written in the code or from int
// arguments. Far beyond any field the program prints, a number would only
// make the stream allocate gigabytes; it is capped instead.
const int MAX_FIELD = 65535;

int capped(long long v)
{
  if (v > MAX_FIELD)
    return MAX_FIELD;
  if (v < -MAX_FIELD)
    return -MAX_FIELD;
  return static_cast<int>(v);
}

// Arguments that need a stream render through a string stream, as printf
// directives are mapped onto stream flags. Building a stream is costly, so
// each thread keeps one and resets it; apply() sets every flag the
// rendering reads. A program type may format while it renders (its text
// built by Tools::format): that inner call finds the thread's stream in use
// and renders through one of its own, leaving the outer text alone.
class RenderStream
{
  static thread_local std::ostringstream shared;
  static thread_local bool shared_busy;
  std::ostringstream *stream;
  std::ostringstream *own;

public:
  RenderStream() : stream(&shared), own(nullptr)
  {
    if (shared_busy) {
      own = new std::ostringstream;
      stream = own;
      return;
    }
    shared_busy = true;
    shared.str(std::string());
    shared.clear();
  }
  ~RenderStream()
  {
    if (own)
      delete own;
    else
      shared_busy = false;
  }
  RenderStream(const RenderStream &) = delete;
  RenderStream &operator=(const RenderStream &) = delete;
  std::ostringstream &get() { return *stream; }
};

thread_local std::ostringstream RenderStream::shared;
thread_local bool RenderStream::shared_busy = false;

bool needs_hex_prefix(const FormatSpec &spec) { return spec.base == 2 && spec.alt && spec.showbase; }

} // namespace

void FormatSpec::reset()
{
  valid = false;
  adjust = 1;
  alt = false;
  showpos = false;
  zero = false;
  internal = false;
  base = 1;
  upper = false;
  float_mode = 0;
  showbase = false;
  width = 0;
  precision = 6;
  hex_len = 0;
}

void FormatSpec::apply(std::ostream &os) const
{
  if (!valid)
    return;
  FormatSpec s(*this); // the prefix cases change the copy, never the walk's spec

  if (s.base == 2 && s.alt && s.showbase && s.zero) {
    s.showbase = false;
    os << '0' << (s.upper ? 'X' : 'x');
    s.width -= 2;
  }
  if (s.base == 2 && s.alt && s.showbase && s.hex_len != 0) {
    s.showbase = false;
    int digits = static_cast<int>(s.hex_len);
    int zeros = s.precision - digits;
    if (zeros < 0)
      zeros = 0;
    if (s.width != 0) {
      for (int field = 2 + zeros + digits; field < s.width; ++field)
        os << ' ';
      s.width = 0;
    }
    os << '0' << (s.upper ? 'X' : 'x');
    for (int i = 0; i < zeros; ++i)
      os << '0';
  }
  if (s.adjust == 0)
    s.zero = false;
  os.setf(s.adjust == 0 ? std::ios_base::left : std::ios_base::right, std::ios_base::adjustfield);
  os.fill(s.zero ? '0' : ' ');
  if (s.showpos)
    os.setf(std::ios_base::showpos);
  else
    os.unsetf(std::ios_base::showpos);
  if (s.internal)
    os.setf(std::ios_base::internal, std::ios_base::adjustfield);
  os.setf(s.base == 0 ? std::ios_base::oct : s.base == 2 ? std::ios_base::hex : std::ios_base::dec,
          std::ios_base::basefield);
  if (s.upper)
    os.setf(std::ios_base::uppercase);
  else
    os.unsetf(std::ios_base::uppercase);
  os.setf(s.float_mode == 1 ? std::ios_base::scientific : std::ios_base::fixed, std::ios_base::floatfield);
  if (s.showbase)
    os.setf(std::ios_base::showbase);
  else
    os.unsetf(std::ios_base::showbase);
  os.width(s.width < 1 ? 0 : s.width);
  os.precision(s.precision);
}

std::ostream &operator<<(std::ostream &os, FormatSpec spec)
{
  spec.apply(os);
  return os;
}

int read_number(const std::string &text, unsigned start, unsigned &end)
{
  long long value = 0;
  unsigned i = start;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (value <= INT_MAX)
      value = value * 10 + (text[i] - '0');
    ++i;
  }
  end = i < text.size() ? i : static_cast<unsigned>(text.size());
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

Formatter::Formatter(const std::string &fmt, const FormatArgRef *args, unsigned num_args)
    : fmt(fmt), args(args), num_args(num_args)
{
  if (num_args >= 7)
    throw BaseException("Number of args out of range");
  parse();
}

int Formatter::get_int_arg(unsigned index) const
{
  if (index >= num_args)
    throw BaseException("The arg you wan't to use is out of range");
  if (!args[index].is_int)
    throw BaseException("expecting int arg");
  return args[index].as_int(args[index].ptr);
}

std::string Formatter::use_arg(unsigned index, const FormatSpec &spec) const
{
  std::string out;
  use_arg(out, index, spec, -1);
  return out;
}

// Renders argument `index` onto the end of `out`. For an argument of string
// kind, max_chars >= 0 keeps only that many characters before the width
// is applied.
void Formatter::use_arg(std::string &out, unsigned index, const FormatSpec &spec, int max_chars) const
{
  if (index >= num_args)
    throw BaseException("out of arg range");
  const FormatArgRef &arg = args[index];

  if (arg.is_string && !needs_hex_prefix(spec)) {
    // Texts only see width, fill and adjustment: done here directly, which
    // is what the stream would do and much cheaper.
    std::string_view text = arg.view(arg.ptr);
    if (max_chars >= 0 && text.size() > static_cast<size_t>(max_chars))
      text = text.substr(0, max_chars);
    size_t pad = spec.width > 0 && text.size() < static_cast<size_t>(spec.width) ? spec.width - text.size() : 0;
    bool left = spec.adjust == 0 && !spec.internal;
    char fill = spec.adjust != 0 && spec.zero ? '0' : ' ';
    if (!left)
      out.append(pad, fill);
    out.append(text.data(), text.size());
    if (left)
      out.append(pad, fill);
    return;
  }

  if (arg.as_wide && spec.base == 1) {
    // Decimal integers, the most common field of all (keys, time stamps):
    // sign, digits and fill as the stream would place them.
    long long v = arg.as_wide(arg.ptr);
    unsigned long long magnitude = v < 0 ? 0ull - static_cast<unsigned long long>(v) : v;
    char digits[24];
    char *end = digits + sizeof digits;
    char *d = end;
    do {
      *--d = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude);
    char sign = v < 0 ? '-' : spec.showpos && arg.is_signed ? '+' : 0;
    size_t len = static_cast<size_t>(end - d) + (sign ? 1 : 0);
    size_t pad = spec.width > 0 && len < static_cast<size_t>(spec.width) ? spec.width - len : 0;
    bool left = spec.adjust == 0;
    char fill = !left && spec.zero ? '0' : ' ';
    if (!left && !spec.internal)
      out.append(pad, fill);
    if (sign)
      out += sign;
    if (spec.internal)
      out.append(pad, fill);
    out.append(d, end);
    if (left)
      out.append(pad, fill);
    return;
  }

  RenderStream lease;
  std::ostringstream &os = lease.get();
  os << spec;
  if (arg.is_string && max_chars >= 0) {
    std::string_view text = arg.view(arg.ptr);
    if (text.size() > static_cast<size_t>(max_chars))
      text = text.substr(0, max_chars);
    os << std::string(text);
  } else {
    arg.put(os, arg.ptr);
  }
  out += os.str();
}

namespace {

// The flag characters after the "%"; gives the position behind them.
unsigned read_flags(const std::string &f, unsigned p, FormatSpec &spec)
{
  for (; p < f.size(); ++p) {
    char c = f[p];
    if (c == ' ')
      spec.zero = false;
    else if (c == '#')
      spec.alt = true;
    else if (c == '\'' || c == 'I')
      ;
    else if (c == '+')
      spec.showpos = true;
    else if (c == '-')
      spec.adjust = 0;
    else if (c == '0')
      spec.zero = true;
    else
      break;
  }
  return p;
}

// Length modifiers are read and ignored: the argument's own type counts.
unsigned skip_length_modifier(const std::string &f, unsigned p)
{
  const unsigned n = static_cast<unsigned>(f.size());
  if (p < n && (f[p] == 'h' || f[p] == 'l')) {
    char c = f[p++];
    if (p < n && f[p] == c)
      ++p;
  } else if (p < n && (f[p] == 'L' || f[p] == 'j' || f[p] == 'q' || f[p] == 't' || f[p] == 'z')) {
    ++p;
  }
  return p;
}

// Sets what the conversion character asks of the rendering; false for a
// character that is no conversion.
bool read_conversion(char c, FormatSpec &spec)
{
  switch (c) {
  case 'd':
  case 'i':
    spec.base = 1;
    if (spec.zero && spec.adjust == 1)
      spec.internal = true;
    return true;
  case 'o':
    spec.base = 0;
    spec.showbase = spec.alt;
    return true;
  case 'X':
    spec.upper = true;
    /* fall through */
  case 'x':
    spec.base = 2;
    spec.showbase = spec.alt;
    return true;
  case 'E':
    spec.upper = true;
    /* fall through */
  case 'e':
    spec.float_mode = 1;
    return true;
  case 'f':
  case 'F':
    spec.float_mode = 0;
    return true;
  case 's':
    spec.zero = false;
    return true;
  case 'A':
  case 'C':
  case 'G':
  case 'P':
  case 'S':
  case 'a':
  case 'c':
  case 'g':
  case 'n':
    return true;
  default:
    return false;
  }
}

} // namespace

void Formatter::parse()
{
  const std::string &f = fmt;
  const unsigned n = static_cast<unsigned>(f.size());
  unsigned pos = 0;
  unsigned counter = 0;
  output.clear();
  output.reserve(n + 16 * num_args);

  while (counter < num_args && pos < n) {
    if (f[pos] != '%') {
      std::string::size_type next = f.find('%', pos);
      if (next == std::string::npos)
        next = n;
      output.append(f, pos, next - pos);
      pos = static_cast<unsigned>(next);
    } else if (pos + 1 >= n) { // a lone "%" at the end
      output += '%';
      ++pos;
    } else if (f[pos + 1] == '%') {
      output += '%';
      pos += 2;
    } else {
      pos = directive(pos, counter);
    }
  }

  if (pos < n)
    output.append(f, pos, n - pos);
}

unsigned Formatter::directive(unsigned start, unsigned &counter)
{
  const std::string &f = fmt;
  const unsigned n = static_cast<unsigned>(f.size());
  FormatSpec spec;
  unsigned arg = counter;
  bool precision_given = false;
  unsigned p = read_flags(f, start + 1, spec);
  unsigned e = 0;

  // argument position "N$" or width digits
  int number = read_number(f, p, e);
  if (e < n && f[e] == '$') {
    arg = static_cast<unsigned>(number - 1);
    p = e + 1;
    number = read_number(f, p, e);
  }
  if (p < n && f[p] == '*') {
    int w = star_value(p, arg, counter);
    if (w < 0) {
      spec.adjust = 0;
      w = w == INT_MIN ? INT_MAX : -w;
    }
    spec.width = capped(w);
  } else if (e > p) {
    spec.width = capped(number);
    p = e;
  }

  if (p < n && f[p] == '.') {
    precision_given = true;
    ++p;
    if (p >= n) // the format ends inside the precision: drop the directive
      return n;
    if (f[p] == '*') {
      int v = star_value(p, arg, counter);
      spec.precision = v < 0 ? 0 : capped(v);
    } else {
      spec.precision = capped(read_number(f, p, e));
      p = e;
    }
  }

  p = skip_length_modifier(f, p);
  if (p >= n)
    return copy_unrecognised(start, n);
  if (!read_conversion(f[p], spec))
    return copy_unrecognised(start, p);
  spec.valid = true;

  if (spec.base == 2 && spec.alt && precision_given) {
    FormatSpec measure;
    measure.base = 2;
    measure.valid = true;
    spec.hex_len = static_cast<unsigned>(use_arg(arg, measure).size());
  }
  bool cut = precision_given && arg < num_args && args[arg].is_string;
  use_arg(output, arg, spec, cut ? spec.precision : -1);
  if (arg == counter)
    ++counter;
  return p + 1;
}

int Formatter::star_value(unsigned &p, unsigned &arg, unsigned &counter) const
{
  const std::string &f = fmt;
  unsigned e = 0;
  ++p; // the "*"
  int m = read_number(f, p, e);
  if (e < f.size() && f[e] == '$' && e > p) {
    p = e + 1;
    return get_int_arg(static_cast<unsigned>(m - 1));
  }
  if (e < f.size() && f[e] == '$') { // "*$": names no argument
    p = e + 1;
    return get_int_arg(static_cast<unsigned>(-1));
  }
  int v = get_int_arg(counter);
  if (arg == counter)
    ++arg;
  ++counter;
  return v;
}

unsigned Formatter::copy_unrecognised(unsigned start, unsigned stop)
{
  const unsigned n = static_cast<unsigned>(fmt.size());
  unsigned last = stop < n ? stop + 1 : n;
  output.append(fmt, start, last - start);
  return last;
}

template <class I> void FormatIntArg<I>::put(std::ostream &os, const I &v) { os << v; }
template struct FormatIntArg<int>;
template struct FormatIntArg<unsigned>;
template struct FormatIntArg<short>;
template struct FormatIntArg<unsigned short>;
template struct FormatIntArg<long>;
template struct FormatIntArg<unsigned long>;
template struct FormatIntArg<long long>;
template struct FormatIntArg<unsigned long long>;

void FormatArg<double>::put(std::ostream &os, const double &v) { os << v; }
void FormatArg<std::string>::put(std::ostream &os, const std::string &v) { os << v; }
void FormatArg<const char *>::put(std::ostream &os, const char *const &v) { os << (v ? v : ""); }
void FormatArg<char *>::put(std::ostream &os, char *const &v) { os << (v ? v : ""); }

} // namespace Tools
