#include "tools/core/string_utils.h"

#include <unicode/uchar.h>
#include <unicode/uset.h>
#include <unicode/utf8.h>

#include <cctype>
#include <cstdint>
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

std::string hex_code(const char *pattern, unsigned code)
{
  char text[16];
  std::snprintf(text, sizeof text, pattern, code);
  return text;
}

// The character that begins at `at`, decoded by ICU, and `at` moved past
// it; a negative code for bytes that are no UTF-8.
UChar32 next_code(const std::string &text, std::size_t &at)
{
  const auto *bytes = reinterpret_cast<const std::uint8_t *>(text.data());
  UChar32 code;
  U8_NEXT(bytes, at, text.size(), code);
  return code;
}

// White space as Unicode counts it, every space separator among it: what a
// key is trimmed of, in the program and in the lookups alike (SQL's trim()
// takes blanks only).
bool white(UChar32 code) { return code >= 0 && (u_isUWhiteSpace(code) || u_charType(code) == U_SPACE_SEPARATOR); }

// What a name may not hold, by the character's own properties: what is
// ignored when it is drawn (zero-width space and joiners, variation
// selectors, the Hangul fillers ...), format characters (direction marks
// and overrides, the soft hyphen, annotation marks), control characters,
// private-use, unassigned and surrogate code points, line and paragraph
// separators. Besides them the few characters that are drawn as a blank
// without being white space: the braille blank and the Hangul fillers.
bool invisible(UChar32 code)
{
  if (code < 0)
    return false; // no UTF-8: the tables' character-set check refuses it
  switch (u_charType(code)) {
  case U_CONTROL_CHAR:
  case U_FORMAT_CHAR:
  case U_PRIVATE_USE_CHAR:
  case U_UNASSIGNED:
  case U_SURROGATE:
  case U_LINE_SEPARATOR:
  case U_PARAGRAPH_SEPARATOR:
    return true;
  default:
    break;
  }
  if (u_hasBinaryProperty(code, UCHAR_DEFAULT_IGNORABLE_CODE_POINT))
    return true;
  switch (code) {
  case 0x115F: // Hangul choseong filler
  case 0x1160: // Hangul jungseong filler
  case 0x2800: // braille pattern blank
  case 0x3164: // Hangul filler
  case 0xFFA0: // halfwidth Hangul filler
    return true;
  default:
    return false;
  }
}

// The white space above as a class of a server's regular expression.
std::string white_class()
{
  static const std::string bracketed = [] {
    UErrorCode status = U_ZERO_ERROR;
    USet *set = uset_openEmpty();
    uset_applyIntPropertyValue(set, UCHAR_WHITE_SPACE, 1, &status);
    USet *separators = uset_openEmpty();
    uset_applyIntPropertyValue(separators, UCHAR_GENERAL_CATEGORY_MASK, U_GC_ZS_MASK, &status);
    uset_addAll(set, separators);
    uset_close(separators);
    std::string ranges;
    UChar32 first, last;
    for (int32_t i = 0; U_SUCCESS(status) && i < uset_getRangeCount(set); ++i) {
      uset_getItem(set, i, &first, &last, nullptr, 0, &status);
      ranges += hex_code("\\x{%X}", static_cast<unsigned>(first));
      if (last != first)
        ranges += "-" + hex_code("\\x{%X}", static_cast<unsigned>(last));
    }
    uset_close(set);
    return "[" + ranges + "]";
  }();
  return bracketed;
}

// Where the first character begins that `which` picks (its code is
// negative for bytes that are no UTF-8); npos when there is none.
template <class Which> std::size_t first_of(const std::string &text, Which which)
{
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t at = i;
    if (which(next_code(text, i)))
      return at;
  }
  return std::string::npos;
}

// The text with each character that `which` picks written as `as` writes
// its code.
template <class Which, class As> std::string replaced(const std::string &text, Which which, As as)
{
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t at = i;
    const UChar32 code = next_code(text, i);
    if (which(code))
      out += as(code);
    else
      out.append(text, at, i - at);
  }
  return out;
}

std::string blank(UChar32) { return " "; }

} // namespace

std::size_t utf8_mb3_misfit(const std::string &text)
{
  return first_of(text, [](UChar32 code) { return code < 0 || code > 0xFFFF; });
}

std::string trim_white(const std::string &text)
{
  // The first character that is not white space, and the end of the last.
  std::size_t first = std::string::npos, end = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t at = i;
    if (!white(next_code(text, i))) {
      if (first == std::string::npos)
        first = at;
      end = i;
    }
  }
  return first == std::string::npos ? std::string() : text.substr(first, end - first);
}

std::string sql_trim_white(const std::string &column)
{
  const std::string space = white_class();
  const std::string pattern = "^" + space + "+|" + space + "+$";
  return "regexp_replace(" + column + ", '" + sql_escape(pattern) + "', '')";
}

std::string white_as_blank(const std::string &text) { return replaced(trim_white(text), white, blank); }

std::string sql_white_as_blank(const std::string &column)
{
  return "regexp_replace(" + sql_trim_white(column) + ", '" + sql_escape(white_class()) + "', ' ')";
}

bool same_name(const std::string &a, const std::string &b)
{
  const auto folded = [](const std::string &name) {
    return replaced(
        white_as_blank(name), [](UChar32 code) { return code >= 0 && u_foldCase(code, U_FOLD_CASE_DEFAULT) != code; },
        [](UChar32 code) {
          std::uint8_t bytes[U8_MAX_LENGTH];
          std::size_t length = 0;
          U8_APPEND_UNSAFE(bytes, length, u_foldCase(code, U_FOLD_CASE_DEFAULT));
          return std::string(reinterpret_cast<const char *>(bytes), length);
        });
  };
  return folded(a) == folded(b);
}

std::string sql_same_name(const std::string &column, const std::string &name)
{
  return sql_white_as_blank(column) + " = '" + sql_escape(white_as_blank(name)) + "'";
}

std::size_t invisible_at(const std::string &text) { return first_of(text, invisible); }

std::string invisible_shown(const std::string &text)
{
  return replaced(text, invisible, [](UChar32 code) { return hex_code("<U+%04X>", static_cast<unsigned>(code)); });
}

std::string invisible_as_blank(const std::string &text)
{
  return replaced(text, [](UChar32 code) { return code < 0 || invisible(code); }, blank);
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
