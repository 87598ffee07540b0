#ifndef KORVAN_TOOLS_READERS_INI_H
#define KORVAN_TOOLS_READERS_INI_H

// Reads an INI file into sections and keys, answers queries, takes changes
// and writes the file back.
//
// The file is somebody else's: every line that is not a section or a key
// line of a section (comments with ";" or "#", blank lines, keys before the
// first section, "!includedir" and the like) is kept as it stands and
// written back unchanged at its place. A key set to a new value keeps its
// spacing and comment; only the value changes. Line ends (LF or CRLF) and a
// missing final line end are kept, and so is a UTF-8 byte-order mark. The
// file is read whole at the first use and replaced atomically when
// written; opening never truncates it. A key or value that would not read
// back as it was set (a ";" in it, blanks around a value, a key with a
// blank or "=") is refused.
//
//   Tools::Oxa::Ini ini("odbc.ini", std::ios::in | std::ios::out);
//   Tools::Oxa::Ini::Element key(Tools::Oxa::Ini::Element::KEY, "korvan", "SOCKET");
//   if (ini.get(key)) use(key.value);

#include <ios>
#include <iosfwd>
#include <list>
#include <string>

#include "tools/core/enum_range.h"

namespace Tools {
namespace Oxa {

class Ini
{
public:
  class Element
  {
  public:
    struct EnumType
    {
      enum Enum { SECTION_LIST = 1, SECTION = 2, KEY = 3, UNDEF = 4 };
      typedef Enum ETYPE;
      static constexpr int FIRST__ = SECTION_LIST, LAST__ = UNDEF;
    };
    typedef EnumRange<EnumType, CopyNone<EnumType> > Type;
    static constexpr EnumType::Enum SECTION_LIST = EnumType::SECTION_LIST;
    static constexpr EnumType::Enum SECTION = EnumType::SECTION;
    static constexpr EnumType::Enum KEY = EnumType::KEY;
    static constexpr EnumType::Enum UNDEF = EnumType::UNDEF;

    std::string section;
    std::string key;
    std::string value;
    std::list<Element> children;
    Type type;

    Element(const Type &type = Type(EnumType::UNDEF), const std::string &section = std::string(),
            const std::string &key = std::string(), const std::string &value = std::string());
    Element(EnumType::Enum type, const std::string &section = std::string(),
            const std::string &key = std::string(), const std::string &value = std::string());

    // A SECTION takes KEY children (named into the section), a
    // SECTION_LIST takes SECTION children.
    bool add(Element &child);
  };

  struct Line
  {
    struct Part
    {
      int pos = 0;
      std::string text;
    };
    int line_no = 0;
    Part comment;
    Part content;
    std::string raw;
    // Where a key line's value stands in raw, so that a new value can
    // replace just it.
    std::string::size_type value_begin = 0;
    std::string::size_type value_end = 0;
    // Read from the file, so raw holds its own CR if it had one; lines
    // made here get the file's usual line end.
    bool from_file = false;
  };

  class Node : public Element
  {
  public:
    Line line;
    std::list<Node> keys; // of a section
    Node() {}
  };

private:
  std::list<Node> sections;
  std::list<Line> comments; // every line kept as it stands
  std::ios::openmode mode;
  std::string file_name;
  bool opened;
  bool open_ok;
  bool parsed;
  bool dirty;
  bool start_empty; // opened with trunc: the old content is not read
  bool crlf;
  bool final_newline;
  bool bom; // the file began with a UTF-8 byte-order mark

  bool writable() const { return opened && (mode & std::ios::out); }
  bool ensure_parsed();
  void parse_text(const std::string &text);
  // Files one line: a section begins, a key joins the current section,
  // anything else is kept as it stands.
  void take_line(Line line, Node &current, bool &begun);
  bool write();
  bool set_key(const Element &element);
  void apply_set(const Element &element);
  bool remove_key(const std::string &section, const std::string &key);
  static Element element_of(const Node &node);

public:
  Ini(const std::string &file_name, std::ios::openmode mode);
  ~Ini();
  Ini(const Ini &) = delete;
  Ini &operator=(const Ini &) = delete;

  bool open(const std::string &file_name, std::ios::openmode mode);
  void close();
  bool read();
  bool get(Element &query);
  bool set(const Element &element);
  bool remove(const Element &element);
  bool clear();
  bool flush();
  void dump();

  bool is_open() const { return opened; }
  bool is_dirty() const { return dirty; }
};

bool operator==(const Ini::Element &a, const Ini::Element &b);
std::ostream &operator<<(std::ostream &os, const Ini::Element &element);

} // namespace Oxa
} // namespace Tools

#endif
