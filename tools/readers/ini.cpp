#include "tools/readers/ini.h"

#include <sys/stat.h>
#include <unistd.h>

#include <iostream>
#include <limits>
#include <utility>
#include <vector>

#include "tools/core/string_utils.h"
#include "tools/readers/file_text.h"

namespace Tools {
namespace Oxa {

namespace {

const char *const BLANKS = " \t";

typedef Ini::Element::EnumType T;

int type_of(const Ini::Element &element) { return static_cast<int>(element.type.get_value()); }

// Tests and tidies a query: names cut of blanks and tabs, and present.
bool tidy(Ini::Element &element)
{
  switch (type_of(element)) {
  case T::KEY:
    element.section = Tools::strip(element.section, BLANKS);
    element.key = Tools::strip(element.key, BLANKS);
    return !element.section.empty() && !element.key.empty();
  case T::SECTION:
    element.section = Tools::strip(element.section, BLANKS);
    return !element.section.empty();
  case T::SECTION_LIST:
    return true;
  default:
    return false;
  }
}

// A line break in a name or value would start a line of its own in the
// written file.
bool one_line(const std::string &text) { return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos; }

// What the reader gives back as written: a ";" anywhere starts a comment;
// a key ends at its first blank or "=", and one that starts with "#" or
// "[" makes a comment or a section line; a value loses blanks around it
// and "=" at its start. Such names and values are refused, not changed.
bool readable_back(const Ini::Element &element)
{
  if (element.section.find(';') != std::string::npos)
    return false;
  if (type_of(element) != T::KEY)
    return true;
  const std::string &key = element.key;
  const std::string &value = element.value;
  if (key.find_first_of(" \t=;") != std::string::npos || key[0] == '#' || key[0] == '[')
    return false;
  if (value.find(';') != std::string::npos)
    return false;
  return value.empty() || (std::string(" \t=").find(value[0]) == std::string::npos &&
                           std::string(" \t").find(value.back()) == std::string::npos);
}

// Tidies an element to be set, with its children; a SECTION's keys belong
// to it whatever section they name.
bool valid_for_set(Ini::Element &element)
{
  if (!tidy(element))
    return false;
  if (!one_line(element.section) || !one_line(element.key) || !one_line(element.value) || !readable_back(element))
    return false;
  const int type = type_of(element);
  if (type == T::KEY)
    return true;
  for (Ini::Element &child : element.children) {
    if (type == T::SECTION)
      child.section = element.section;
    if (!valid_for_set(child))
      return false;
  }
  return true;
}

template <class List> typename List::iterator find_section(List &sections, const std::string &name)
{
  for (auto it = sections.begin(); it != sections.end(); ++it)
    if (it->section == name)
      return it;
  return sections.end();
}

std::list<Ini::Node>::iterator find_key(Ini::Node &section, const std::string &name)
{
  for (auto it = section.keys.begin(); it != section.keys.end(); ++it)
    if (it->key == name)
      return it;
  return section.keys.end();
}

Ini::Node new_key(const std::string &section, const std::string &key, const std::string &value)
{
  Ini::Node node;
  node.type = T::KEY;
  node.section = section;
  node.key = key;
  node.value = value;
  node.line.raw = key + " = " + value;
  node.line.content.text = node.line.raw;
  node.line.value_begin = key.size() + 3;
  node.line.value_end = node.line.raw.size();
  return node;
}

} // namespace

// ---- Element ----

Ini::Element::Element(const Type &type, const std::string &section, const std::string &key, const std::string &value)
  : section(section), key(key), value(value), type(type)
{
}

Ini::Element::Element(EnumType::Enum type, const std::string &section, const std::string &key,
                      const std::string &value)
  : section(section), key(key), value(value), type(type)
{
}

bool Ini::Element::add(Element &child)
{
  const int mine = static_cast<int>(type.get_value());
  const int theirs = static_cast<int>(child.type.get_value());
  if (mine == T::SECTION && theirs == T::KEY) {
    child.section = section;
    children.push_back(child);
    return true;
  }
  if (mine == T::SECTION_LIST && theirs == T::SECTION) {
    children.push_back(child);
    return true;
  }
  return false;
}

bool operator==(const Ini::Element &a, const Ini::Element &b)
{
  return a.type.get_value() == b.type.get_value() && a.section == b.section && a.key == b.key;
}

std::ostream &operator<<(std::ostream &os, const Ini::Element &element)
{
  os << "Section: " << element.section;
  if (!element.key.empty())
    os << " Key: " << element.key;
  if (!element.value.empty())
    os << " Value: " << element.value;
  switch (type_of(element)) {
  case T::SECTION_LIST: os << " type: SECTION_LIST "; break;
  case T::SECTION: os << " type: SECTION "; break;
  case T::KEY: os << " type: KEY "; break;
  default: os << " type: UNDEF"; break;
  }
  return os;
}

// ---- Ini ----

Ini::Ini(const std::string &file_name, std::ios::openmode mode)
  : mode(mode), opened(false), open_ok(false), parsed(false), dirty(false), start_empty(false), crlf(false),
    final_newline(true), bom(false)
{
  open(file_name, mode);
}

Ini::~Ini() { close(); }

bool Ini::open(const std::string &name, std::ios::openmode open_mode)
{
  if (opened)
    return false;
  file_name = name;
  mode = open_mode;
  parsed = false;
  dirty = false;
  start_empty = false;

  // Nothing is opened or created here: the file is read whole when it is
  // first needed and replaced whole when it is written. This only checks
  // what a stream opened with this mode would have found.
  bool ok;
  struct stat st;
  if (::stat(name.c_str(), &st) == 0) {
    ok = S_ISREG(st.st_mode) && ::access(name.c_str(), R_OK) == 0 &&
         (!(mode & std::ios::out) || ::access(name.c_str(), W_OK) == 0);
  } else {
    // A missing file is created by a writer, not by a reader.
    ok = !name.empty() && (mode & std::ios::out) && !(mode & std::ios::in);
  }
  if (ok && (mode & std::ios::out) && (mode & std::ios::trunc)) {
    // Asked to start afresh: the old text is not read, and the file is
    // replaced by what is set, even by nothing.
    start_empty = true;
    dirty = true;
  }
  opened = open_ok = ok;
  return ok;
}

void Ini::close()
{
  write();
  sections.clear();
  comments.clear();
  parsed = false;
  dirty = false;
}

bool Ini::read()
{
  if (!opened || parsed)
    return false;
  std::string text;
  struct stat st;
  if (!start_empty && ::stat(file_name.c_str(), &st) == 0) {
    if (!read_text_file(file_name, text))
      return false;
  }
  parse_text(text);
  parsed = true;
  return true;
}

bool Ini::ensure_parsed()
{
  if (opened && !parsed)
    read();
  // Changing lists that were never read would throw the file away when
  // they are written.
  return parsed || !opened;
}

namespace {

const std::string BOM = "\xEF\xBB\xBF";

// One line as read: where its comment and its content stand. A CRLF line
// is read without its CR, which stays in raw.
Ini::Line split_line(const std::string &raw, int line_no, bool &had_cr)
{
  Ini::Line line;
  line.from_file = true;
  line.line_no = line_no;
  line.raw = raw;
  std::string::size_type length = raw.size();
  had_cr = length > 0 && raw[length - 1] == '\r';
  if (had_cr)
    --length;
  const std::string::size_type semicolon = raw.find(';');
  std::string::size_type content_end = length;
  if (semicolon != std::string::npos && semicolon < length) {
    line.comment.pos = static_cast<int>(semicolon);
    line.comment.text = raw.substr(semicolon + 1, length - semicolon - 1);
    content_end = semicolon;
  }
  const std::string region = raw.substr(0, content_end);
  const std::string::size_type first = region.find_first_not_of(BLANKS);
  const std::string::size_type last = region.find_last_not_of(BLANKS);
  if (first != std::string::npos && last != first) {
    line.content.pos = static_cast<int>(first);
    line.content.text = region.substr(first, last - first + 1);
  }
  return line;
}

// The name of a section line ("[ name ]"), or empty.
std::string section_name(const std::string &content)
{
  if (content.size() > 2 && content.front() == '[' && content.back() == ']')
    return Tools::strip(content.substr(1, content.size() - 2), BLANKS);
  return std::string();
}

// A key line of the section: its key, its value and where the value
// stands. False when the content is no key line.
bool key_line(Ini::Line &line, const std::string &section, Ini::Node &key)
{
  const std::string &content = line.content.text;
  const std::string::size_type eq = content.find('=');
  if (content.size() < 2 || eq == std::string::npos || eq == 0)
    return false;
  key.type = T::KEY;
  key.section = section;
  key.key = content.substr(0, content.find_first_of(" \t="));
  const std::string::size_type value = content.find_first_not_of(" \t=", eq + 1);
  const std::string::size_type pos = static_cast<std::string::size_type>(line.content.pos);
  line.value_end = pos + content.size();
  if (value == std::string::npos)
    line.value_begin = line.value_end;
  else {
    key.value = content.substr(value);
    line.value_begin = pos + value;
  }
  key.line = std::move(line);
  return true;
}

} // namespace

void Ini::parse_text(const std::string &file_text)
{
  sections.clear();
  comments.clear();
  crlf = false;
  // A byte-order mark is no part of the first line, and is written back.
  bom = file_text.compare(0, BOM.size(), BOM) == 0;
  const std::string text = bom ? file_text.substr(BOM.size()) : file_text;
  final_newline = text.empty() || text.back() == '\n';

  Node current;
  bool begun = false;
  int line_no = 0;
  std::string::size_type begin = 0;
  while (begin < text.size()) {
    std::string::size_type end = text.find('\n', begin);
    if (end == std::string::npos)
      end = text.size();
    bool had_cr = false;
    Line line = split_line(text.substr(begin, end - begin), line_no++, had_cr);
    crlf = crlf || had_cr;
    begin = end + 1;
    take_line(std::move(line), current, begun);
  }
  if (begun)
    sections.push_back(std::move(current));
}

void Ini::take_line(Line line, Node &current, bool &begun)
{
  const std::string &content = line.content.text;
  if (content.empty() || content[0] == '#') {
    comments.push_back(std::move(line));
    return;
  }
  const std::string name = section_name(content);
  if (!name.empty()) {
    if (begun)
      sections.push_back(std::move(current));
    current = Node();
    current.type = T::SECTION;
    current.section = name;
    current.line = std::move(line);
    begun = true;
    return;
  }
  Node key;
  if (begun && key_line(line, current.section, key)) {
    current.keys.push_back(std::move(key));
    return;
  }
  // Not ours to understand: kept as it stands.
  comments.push_back(std::move(line));
}

Ini::Element Ini::element_of(const Node &node)
{
  Element element(node.type, node.section, node.key, node.value);
  for (const Node &key : node.keys)
    element.children.push_back(element_of(key));
  return element;
}

bool Ini::get(Element &query)
{
  if (!parsed && opened)
    read();
  Element wanted = query;
  if (!tidy(wanted))
    return false;
  switch (type_of(wanted)) {
  case T::SECTION: {
    auto section = find_section(sections, wanted.section);
    if (section == sections.end())
      return false;
    query = element_of(*section);
    return true;
  }
  case T::SECTION_LIST:
    for (const Node &section : sections)
      query.children.push_back(element_of(section));
    return true;
  case T::KEY: {
    auto section = find_section(sections, wanted.section);
    if (section == sections.end())
      return false;
    auto key = find_key(*section, wanted.key);
    if (key == section->keys.end())
      return false;
    query = element_of(*key);
    return true;
  }
  default:
    return false;
  }
}

bool Ini::set_key(const Element &element)
{
  auto section = find_section(sections, element.section);
  if (section == sections.end()) {
    Node node;
    node.type = T::SECTION;
    node.section = element.section;
    node.line.raw = "[" + element.section + "]";
    node.line.content.text = node.line.raw;
    // New sections go behind everything the file has; new keys carry 0
    // and so follow the node before them.
    node.line.line_no = std::numeric_limits<int>::max();
    node.keys.push_back(new_key(element.section, element.key, element.value));
    sections.push_back(std::move(node));
    return true;
  }
  auto key = find_key(*section, element.key);
  if (key == section->keys.end()) {
    section->keys.push_back(new_key(element.section, element.key, element.value));
    return true;
  }
  if (key->value != element.value) {
    // Only the value changes; the key's spacing and comment stay.
    Line &line = key->line;
    line.raw.replace(line.value_begin, line.value_end - line.value_begin, element.value);
    line.value_end = line.value_begin + element.value.size();
    key->value = element.value;
  }
  return true;
}

bool Ini::set(const Element &element)
{
  if (opened && !writable())
    return false;
  Element tidied = element;
  if (!valid_for_set(tidied))
    return false;
  if (!ensure_parsed())
    return false;
  dirty = true;
  if (type_of(tidied) == T::SECTION_LIST) {
    sections.clear();
    comments.clear();
  }
  apply_set(tidied);
  return true;
}

void Ini::apply_set(const Element &element)
{
  switch (type_of(element)) {
  case T::SECTION:
  case T::SECTION_LIST:
    for (const Element &child : element.children)
      apply_set(child);
    break;
  case T::KEY:
    set_key(element);
    break;
  }
}

bool Ini::remove_key(const std::string &section_name, const std::string &key_name)
{
  auto section = find_section(sections, section_name);
  if (section == sections.end())
    return false;
  auto key = find_key(*section, key_name);
  if (key == section->keys.end())
    return false;
  section->keys.erase(key);
  if (section->keys.empty())
    sections.erase(section);
  return true;
}

bool Ini::remove(const Element &element)
{
  if (!writable())
    return false;
  Element tidied = element;
  if (!tidy(tidied))
    return false;
  if (!ensure_parsed())
    return false;
  dirty = true;
  switch (type_of(tidied)) {
  case T::KEY:
    return remove_key(tidied.section, tidied.key);
  case T::SECTION: {
    auto section = find_section(sections, tidied.section);
    if (section == sections.end())
      return false;
    for (const Element &child : tidied.children) {
      auto key = find_key(*section, Tools::strip(child.key, BLANKS));
      if (key != section->keys.end())
        section->keys.erase(key);
    }
    if (section->keys.empty())
      sections.erase(section);
    return true;
  }
  case T::SECTION_LIST:
    // Everything goes; the children would find nothing left to remove.
    sections.clear();
    comments.clear();
    return true;
  default:
    return false;
  }
}

bool Ini::clear()
{
  if (!writable())
    return false;
  sections.clear();
  comments.clear();
  parsed = true; // a later query must not read the old text back in
  dirty = true;
  return true;
}

bool Ini::flush()
{
  if (!writable())
    return false;
  return write();
}

bool Ini::write()
{
  if (!writable() || !dirty)
    return true;

  static const std::string LF = "\n";
  const std::string eol = crlf ? "\r\n" : LF;
  std::vector<const Line *> nodes;
  for (const Node &section : sections) {
    nodes.push_back(&section.line);
    for (const Node &key : section.keys)
      nodes.push_back(&key.line);
  }

  // Kept lines and nodes merged by their line numbers. A line removed
  // leaves no gap, so that adding and removing a key gives the file back.
  std::string out = bom ? BOM : std::string();
  std::string::size_type last_end = 0;
  auto comment = comments.begin();
  std::size_t node = 0;
  while (comment != comments.end() || node < nodes.size()) {
    const Line *line;
    if (comment != comments.end() && (node >= nodes.size() || comment->line_no < nodes[node]->line_no))
      line = &*comment++;
    else
      line = nodes[node++];
    out += line->raw;
    const std::string &ending = line->from_file ? LF : eol;
    out += ending;
    last_end = ending.size();
  }
  if (!final_newline && out.size() > (bom ? BOM.size() : 0))
    out.erase(out.size() - last_end);

  if (!replace_file(file_name, out))
    return false;
  dirty = false;
  return true;
}

void Ini::dump()
{
  for (const Node &section : sections) {
    std::cout << section << '\n';
    for (const Node &key : section.keys)
      std::cout << key << '\n';
  }
  for (const Line &line : comments)
    std::cout << "Comment: " << line.raw << '\n';
  std::cout.flush();
}

} // namespace Oxa
} // namespace Tools
