#ifndef KORVAN_TOOLS_CORE_STRING_UTILS_H
#define KORVAN_TOOLS_CORE_STRING_UTILS_H

// Text helpers and the conversions through which every number and yes/no
// value travels between memory, widgets and the database. All texts are
// byte strings; only the utf8_ helpers know that they hold UTF-8.

#include <list>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "tools/core/ref.h"

namespace Tools {

// a-z to A-Z; every other byte (umlauts too) stays.
std::string toupper(std::string text);
bool icase_equal(const std::string &a, const std::string &b);
// Non-empty and digits only: no sign, no blanks.
bool is_int(const std::string &text);

// The blanks every caller strips: blank, tab, line feed, carriage return.
extern const char *const WHITESPACE;

std::string strip(const std::string &text, const std::string &chars = WHITESPACE);
// Cuts at every byte of `separators` after stripping them from both ends;
// max_pieces > 0 limits the pieces, the last one holding the rest.
std::vector<std::string> split_any(std::string text, const std::string &separators, int max_pieces = -1);
// Cuts at every occurrence of the whole separator. An empty separator
// does not cut: the whole text is the one piece.
std::vector<std::string> split(const std::string &text, const std::string &separator, int max_pieces = -1);
// Cuts at separator bytes outside double-quoted parts.
std::vector<std::string> split_unquoted(const std::string &text, const std::string &separators);
// Breaks a usage text into lines of at most `width` bytes, continuation
// lines indented; a word longer than a line is cut hard.
std::string wrap_text(std::string text, unsigned width, unsigned indent);

// Whether the byte goes on with a UTF-8 character begun before it.
bool utf8_continuation(char c);
// The characters of a UTF-8 text, as the server counts a column's size:
// continuation bytes do not count.
std::size_t utf8_length(const std::string &text);
// The bytes of the first `characters` characters of a UTF-8 text (all of
// it when it has fewer), so that a cut never splits a character.
std::size_t utf8_bytes(const std::string &text, std::size_t characters);
// Where the first character begins that UTF-8 of at most three bytes (the
// tables' character set) cannot hold: a character of four bytes, such as
// most emoji, or bytes that are no UTF-8 at all; npos when every one fits.
std::size_t utf8_mb3_misfit(const std::string &text);

// Keys: the names rows are found by (an article number, a group's name, a
// login). A key is stored, looked up and compared without the white space
// around it, of every kind Unicode counts (tab, line end, every space
// separator: no-break space, ideographic space ...): this and the SQL
// expression below trim alike.
std::string trim_white(const std::string &text);
// The SQL expression of the column's value trimmed as trim_white trims, for
// comparing a stored key with a trimmed one (used as it is, not escaped).
std::string sql_trim_white(const std::string &column);
// What two names are compared by when the question is whether they are
// the same to whoever reads them: trimmed, and each white space inside
// as one plain blank ("T 1" and "T", no-break space, "1" are one name).
// The SQL expression makes the same of a column's value.
std::string white_as_blank(const std::string &text);
std::string sql_white_as_blank(const std::string &column);
// Whether a new name is the same as a stored one to whoever reads them:
// compared as white_as_blank makes them, with case ignored (Unicode's
// case folding: "Ä" and "ä" too). The SQL condition says the same of a
// column's value, whose collation ignores case (and takes "Ä" for "A"
// besides); it is used as it is.
bool same_name(const std::string &a, const std::string &b);
std::string sql_same_name(const std::string &column, const std::string &name);
// Where the first character begins that a name may not hold, decided by
// Unicode's properties of the character: a control or format character
// (a direction mark, a soft hyphen ...), one that is ignored when drawn (a
// zero-width space, a variation selector ...), a private-use, unassigned
// or surrogate code point, a line or paragraph separator, or one of the
// few that are drawn as a blank without being white space (the braille
// blank, the Hangul fillers). With any of them two names that look the
// same would be two. npos when there is none.
std::size_t invisible_at(const std::string &text);
// The text with each such character written as <U+200B>, to be shown.
std::string invisible_shown(const std::string &text);
// The text with each such character, and each run of bytes that is no
// UTF-8 (as far as it could begin a character), as a blank: what is left
// shows as it is written.
std::string invisible_as_blank(const std::string &text);

// Escapes a text for use between single quotes in MariaDB's default mode:
// backslash first, then the single quote, then NUL. Every value that the
// program places between quotes in SQL goes through here.
std::string sql_escape(const std::string &text);

bool text2bool(const std::string &text);  // "1" or TRUE in any case
std::string substitude(const std::string &text, const std::string &what, const std::string &with);

// Reads one T from the start of the text (leading blanks skipped, the rest
// ignored: "12abc" gives 12). A text that does not start with a number
// gives the fallback.
template <class T> T from_text(const std::string &text, const T &fallback)
{
  std::stringstream s;
  s.imbue(std::locale::classic());
  s << text;
  T tmp; // libstdc++ writes 0 into a failed target: keep the fallback apart
  if (s >> tmp)
    return tmp;
  return fallback;
}

// Writes the value with its stream insertion.
template <class T> std::string to_text(const T &value)
{
  std::stringstream s;
  s.imbue(std::locale::classic());
  s << value;
  return s.str();
}
// Doubles keep 15 significant digits, so that amounts like 12345.67 survive
// the way through a text; the shortest form is still written (0.1, 100).
template <> std::string to_text<double>(const double &value);

// Iterator adaptor over a std::list of handles or pointers; -> gives the
// element's object.
template <class E> struct ListIterTraits
{
  static E get(E &e) { return e; } // E is a pointer
};

template <class T> struct ListIterTraits<Ref<T> >
{
  static T *get(Ref<T> &e) { return e.try_get(); }
};

template <class E> class ListIter
{
  typename std::list<E>::iterator it;

public:
  ListIter(typename std::list<E>::iterator it) : it(it) {}
  bool operator!=(const typename std::list<E>::iterator &end) const { return it != end; }
  ListIter &operator++(int)
  {
    ++it;
    return *this;
  }
  auto operator->() { return ListIterTraits<E>::get(*it); }
};

} // namespace Tools

#endif
