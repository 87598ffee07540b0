#include "tools/core/string_utils.h"

#include <cctype>
#include <cstdio>
#include <utility>

namespace Tools {

const char *const WHITESPACE = " \t\n\r";

std::string toupper(std::string text)
{
  for (char &c : text)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool icase_equal(const std::string &a, const std::string &b)
{
  if (a.size() != b.size())
    return false;
  if (a == b)
    return true;
  return toupper(a) == toupper(b);
}

bool is_int(const std::string &text)
{
  if (text.empty())
    return false;
  for (char c : text)
    if (c < '0' || c > '9')
      return false;
  return true;
}

std::string strip(const std::string &text, const std::string &chars)
{
  std::string::size_type first = text.find_first_not_of(chars);
  if (first == std::string::npos)
    return std::string();
  std::string::size_type last = text.find_last_not_of(chars);
  return text.substr(first, last - first + 1);
}

std::vector<std::string> split_any(std::string text, const std::string &separators, int max_pieces)
{
  text = strip(text, separators);
  std::vector<std::string> pieces;
  std::string::size_type pos = 0;
  int count = 0;
  for (;;) {
    if (max_pieces > 0 && ++count >= max_pieces)
      break;
    std::string::size_type i = text.find_first_of(separators, pos);
    if (i == std::string::npos)
      break;
    pieces.push_back(text.substr(pos, i - pos));
    pos = i + 1;
  }
  pieces.push_back(text.substr(pos));
  return pieces;
}

std::vector<std::string> split(const std::string &text, const std::string &separator, int max_pieces)
{
  std::vector<std::string> pieces;
  if (separator.empty()) // nothing to cut at; searching for "" would never advance
    return {text};
  std::string::size_type pos = 0;
  int count = 0;
  for (;;) {
    if (max_pieces > 0 && ++count >= max_pieces)
      break;
    std::string::size_type i = text.find(separator, pos);
    if (i == std::string::npos)
      break;
    pieces.push_back(text.substr(pos, i - pos));
    pos = i + separator.size();
  }
  pieces.push_back(text.substr(pos));
  return pieces;
}

std::vector<std::string> split_unquoted(const std::string &text, const std::string &separators)
{
  // The double-quoted ranges first: (opening, closing) positions. A quote
  // behind a single backslash is escaped; behind two it is not.
  std::vector<std::pair<std::size_t, std::size_t> > ranges;
  bool open = false;
  std::size_t opening = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '"')
      continue;
    bool escaped = i >= 1 && text[i - 1] == '\\' && !(i >= 2 && text[i - 2] == '\\');
    if (escaped)
      continue;
    if (!open) {
      open = true;
      opening = i;
    } else {
      ranges.emplace_back(opening, i);
      open = false;
    }
  }

  std::vector<std::string> pieces;
  std::size_t from = 0;
  std::size_t r = 0;
  for (std::size_t p = 0; p < text.size(); ++p) {
    if (separators.find(text[p]) == std::string::npos)
      continue;
    while (r < ranges.size() && ranges[r].second <= p)
      ++r;
    bool inside = r < ranges.size() && ranges[r].first < p && p < ranges[r].second;
    if (inside)
      continue;
    pieces.push_back(text.substr(from, p - from));
    from = p + 1;
  }
  pieces.push_back(text.substr(from));
  return pieces;
}

std::string wrap_text(std::string text, unsigned width, unsigned indent)
{
  if (width == 0)
    width = 1;
  if (text.size() <= width)
    return text;
  // Continuation lines hold width - indent characters; at least one, so
  // that every round makes progress.
  unsigned room = width > indent ? width - indent : 1;

  // Cuts `rest` at its last blank at or before `limit`, dropping the blank;
  // a word without such a blank is cut hard at `limit`.
  auto cut = [](std::string &rest, unsigned limit) {
    std::string::size_type i = rest.rfind(' ', limit);
    std::string piece;
    if (i == std::string::npos) {
      piece = rest.substr(0, limit);
      rest.erase(0, limit);
    } else {
      piece = rest.substr(0, i);
      rest.erase(0, i + 1);
    }
    return piece;
  };

  std::string result = cut(text, width);
  bool appended = false;
  while (!text.empty()) {
    std::string piece;
    if (text.size() <= room) {
      piece.swap(text);
    } else {
      piece = cut(text, room);
    }
    result += '\n';
    result.append(indent, ' ');
    result += piece;
    appended = true;
  }
  if (appended)
    result += '\n';
  return result;
}

bool utf8_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t utf8_length(const std::string &text)
{
  std::size_t n = 0;
  for (char c : text)
    n += !utf8_continuation(c);
  return n;
}

std::size_t utf8_bytes(const std::string &text, std::size_t characters)
{
  std::size_t i = 0;
  while (i < text.size() && characters > 0) {
    ++i;
    while (i < text.size() && utf8_continuation(text[i]))
      ++i;
    --characters;
  }
  return i;
}

namespace {

// The character of at most three bytes (the tables' character set) that
// begins at `at`: its length, and its code in `code`; 0 for a character of
// four bytes, or bytes that are no UTF-8 at all.
std::size_t utf8_mb3_char(const std::string &text, std::size_t at, unsigned &code)
{
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length;
  if (lead < 0x80) {
    code = lead;
    return 1;
  } else if (lead >= 0xC2 && lead < 0xE0) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3;
    code = lead & 0x0F;
  } else {
    return 0; // four bytes (or more), or no lead byte at all
  }
  if (at + length > text.size())
    return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if (!utf8_continuation(text[at + k]))
      return 0;
    code = (code << 6) | (byte(at + k) & 0x3F);
  }
  // Overlong forms and the halves of surrogate pairs are no UTF-8.
  if ((length == 3 && code < 0x800) || (code >= 0xD800 && code <= 0xDFFF))
    return 0;
  return length;
}

struct CodeRange
{
  unsigned first, last;
};

template <std::size_t N> bool in_ranges(unsigned code, const CodeRange (&ranges)[N])
{
  for (const CodeRange &r : ranges)
    if (code >= r.first && code <= r.last)
      return true;
  return false;
}

std::string hex_code(const char *pattern, unsigned code)
{
  char text[16];
  std::snprintf(text, sizeof text, pattern, code);
  return text;
}

// White space as Unicode counts it: what a key is trimmed of, in the
// program and in the lookups alike (SQL's trim() takes blanks only).
const CodeRange WHITE_SPACE[] = {{0x09, 0x0D}, {0x20, 0x20},     {0x85, 0x85},     {0xA0, 0xA0},
                                 {0x1680, 0x1680}, {0x2000, 0x200A}, {0x2028, 0x2029}, {0x202F, 0x202F},
                                 {0x205F, 0x205F}, {0x3000, 0x3000}};

// What a key may not hold: control characters, and characters that show
// nothing (zero-width space and joiners, direction marks and embeddings,
// the soft hyphen, word joiners, the byte order mark), with which two
// keys that look the same would be two keys.
const CodeRange INVISIBLE[] = {{0x00, 0x1F},     {0x7F, 0x9F},     {0xAD, 0xAD},     {0x180E, 0x180E},
                               {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x206F}, {0xFEFF, 0xFEFF}};

} // namespace

std::size_t utf8_mb3_misfit(const std::string &text)
{
  unsigned code;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = utf8_mb3_char(text, i, code);
    if (!length)
      return i;
    i += length;
  }
  return std::string::npos;
}

std::string trim_white(const std::string &text)
{
  // The first character that is not white space, and the end of the last.
  std::size_t first = std::string::npos, end = 0;
  unsigned code;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = utf8_mb3_char(text, i, code);
    const bool space = length && in_ranges(code, WHITE_SPACE);
    const std::size_t next = i + (length ? length : 1);
    if (!space) {
      if (first == std::string::npos)
        first = i;
      end = next;
    }
    i = next;
  }
  return first == std::string::npos ? std::string() : text.substr(first, end - first);
}

std::string sql_trim_white(const std::string &column)
{
  std::string space;
  for (const CodeRange &r : WHITE_SPACE)
    space += hex_code("\\x{%X}", r.first) + (r.first == r.last ? std::string() : "-" + hex_code("\\x{%X}", r.last));
  const std::string pattern = "^[" + space + "]+|[" + space + "]+$";
  return "regexp_replace(" + column + ", '" + sql_escape(pattern) + "', '')";
}

std::size_t invisible_at(const std::string &text)
{
  unsigned code;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = utf8_mb3_char(text, i, code);
    if (length && in_ranges(code, INVISIBLE))
      return i;
    i += length ? length : 1;
  }
  return std::string::npos;
}

std::string invisible_shown(const std::string &text)
{
  std::string shown;
  unsigned code;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = utf8_mb3_char(text, i, code);
    if (length && in_ranges(code, INVISIBLE))
      shown += hex_code("<U+%04X>", code);
    else
      shown.append(text, i, length ? length : 1);
    i += length ? length : 1;
  }
  return shown;
}

std::string sql_escape(const std::string &text)
{
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    switch (c) {
    case '\\':
      out += "\\\\";
      break;
    case '\'':
      out += "\\'";
      break;
    case '\0':
      out += "\\0";
      break;
    default:
      out += c;
    }
  }
  return out;
}

bool text2bool(const std::string &text) { return text == "1" || icase_equal(text, "TRUE"); }

std::string substitude(const std::string &text, const std::string &what, const std::string &with)
{
  if (what.empty())
    return text;
  std::string out;
  std::string::size_type pos = 0;
  for (;;) {
    std::string::size_type i = text.find(what, pos);
    if (i == std::string::npos)
      break;
    out.append(text, pos, i - pos);
    out += with;
    pos = i + what.size();
  }
  out.append(text, pos, std::string::npos);
  return out;
}

template <> std::string to_text<double>(const double &value)
{
  std::stringstream s;
  s.imbue(std::locale::classic());
  s.precision(15);
  s << value;
  return s.str();
}

} // namespace Tools
