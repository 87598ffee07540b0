#ifndef KORVAN_TOOLS_READERS_XML_H
#define KORVAN_TOOLS_READERS_XML_H

// A small tag scanner that turns XML text into a tree of items: one item
// per element with its name, attributes, child items and, for an element
// without children, the text inside it. Entities and character references
// are not decoded; declarations, processing instructions, comments and
// CDATA markers are passed over (CDATA stays in the text of its element).
//
//   Tools::XML::Item root;
//   std::string text;
//   if (Tools::XML::read_file(name, text) && Tools::XML::parse(text, &root)) ...
//
// The parse is iterative and linear in the text; items free their subtrees
// without recursion, so any nesting depth is safe.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "tools/core/ref.h"

namespace Tools {
namespace XML {

struct Attribute
{
  std::string name;
  std::string value;
  Attribute() {}
  Attribute(const std::string &name, const std::string &value) : name(name), value(value) {}
};

bool operator==(const Attribute &a, const Attribute &b);
bool operator!=(const Attribute &a, const Attribute &b);

class Item
{
public:
  std::string name;
  bool closing = false; // an end tag
  bool empty = false;   // an empty-element tag
  std::vector<Attribute> attributes;
  std::vector<Ref<Item> > children; // the handles own their items
  Item *parent = nullptr;
  std::string text;
  std::size_t start = 0; // the start tag's "<" and ">" in the parsed text
  std::size_t end = 0;
  unsigned line = 0;

  Item() {}
  explicit Item(const std::string &name) : name(name) {}
  Item(const Item &) = default;
  Item &operator=(const Item &) = default;
  ~Item();

  // The attribute of that name, or else the first of that name in any
  // letter case; copies its value out, or with `set` overwrites it.
  bool attribute(const std::string &name, std::string &value, bool set);
  bool has_attribute(const std::string &name);
  bool set_attribute_value(const std::string &name, const std::string &value);
  void set_attribute(const std::string &name, const std::string &value);

  // A deep copy under `parent`; the end-tag and empty flags are not copied.
  Item *clone(Item *parent) const;
};

// Names, both flags and the attributes; not children, text or positions.
bool operator==(const Item &a, const Item &b);
bool operator!=(const Item &a, const Item &b);

// The item's tag: <name a="v" b>, </name> or <name/>.
std::ostream &operator<<(std::ostream &os, const Item &item);

bool parse(const std::string &text, Item *root);
bool parse_tag(std::string tag_text, Item &tag);
bool parse_attribute(std::string text, Attribute &attribute);
bool find_tag(const std::string &text, std::size_t from, std::size_t &start, std::size_t &end);
unsigned line_of(const std::string &text, std::size_t position);
// The tree as indented text that parse() reads back to the same tree.
std::string to_text(const Item &root);
bool read_file(const std::string &file_name, std::string &text);

} // namespace XML
} // namespace Tools

#endif
