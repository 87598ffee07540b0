#include "tools/readers/xml.h"

#include <cstring>

#include <algorithm>
#include <iostream>
#include <sstream>
#include <unordered_map>
#include <utility>

#include "tools/core/string_utils.h"
#include "tools/readers/file_text.h"

namespace Tools {
namespace XML {

bool operator==(const Attribute &a, const Attribute &b) { return a.name == b.name && a.value == b.value; }
bool operator!=(const Attribute &a, const Attribute &b) { return !(a == b); }

// ---- Item ----

Item::~Item()
{
  // Frees the subtree without recursion: an item whose last handle we hold
  // gives up its children before it dies, so no destructor goes deeper
  // than one level.
  std::vector<Ref<Item> > pending;
  pending.swap(children);
  while (!pending.empty()) {
    Ref<Item> item = pending.back();
    pending.pop_back();
    Item *object = item.try_get();
    if (object && item.use_count() == 1) {
      for (Ref<Item> &child : object->children)
        pending.push_back(child);
      object->children.clear();
    }
  }
}

bool Item::attribute(const std::string &attr_name, std::string &value, bool set)
{
  Attribute *found = nullptr;
  for (Attribute &candidate : attributes)
    if (candidate.name == attr_name) {
      found = &candidate;
      break;
    }
  if (!found)
    for (Attribute &candidate : attributes)
      if (Tools::icase_equal(candidate.name, attr_name)) {
        found = &candidate;
        break;
      }
  if (!found)
    return false;
  if (set)
    found->value = value;
  else
    value = found->value;
  return true;
}

bool Item::has_attribute(const std::string &attr_name)
{
  std::string ignored;
  return attribute(attr_name, ignored, false);
}

bool Item::set_attribute_value(const std::string &attr_name, const std::string &value)
{
  std::string copy = value;
  return attribute(attr_name, copy, true);
}

void Item::set_attribute(const std::string &attr_name, const std::string &value)
{
  if (!set_attribute_value(attr_name, value))
    attributes.push_back(Attribute(attr_name, value));
}

namespace {

Item *shallow_copy(const Item &from, Item *parent)
{
  Item *copy = new Item(from.name);
  copy->attributes = from.attributes;
  copy->text = from.text;
  copy->start = from.start;
  copy->end = from.end;
  copy->line = from.line;
  copy->parent = parent;
  return copy;
}

} // namespace

Item *Item::clone(Item *new_parent) const
{
  Item *top = shallow_copy(*this, new_parent);
  std::vector<std::pair<const Item *, Item *> > pending(1, std::make_pair(this, top));
  while (!pending.empty()) {
    const Item *from = pending.back().first;
    Item *to = pending.back().second;
    pending.pop_back();
    for (const Ref<Item> &child : from->children) {
      const Item *source = child.try_get();
      if (!source)
        continue;
      Item *copy = shallow_copy(*source, to);
      to->children.push_back(Ref<Item>(copy));
      pending.push_back(std::make_pair(source, copy));
    }
  }
  return top;
}

bool operator==(const Item &a, const Item &b)
{
  return a.name == b.name && a.closing == b.closing && a.empty == b.empty && a.attributes == b.attributes;
}

bool operator!=(const Item &a, const Item &b) { return !(a == b); }

std::ostream &operator<<(std::ostream &os, const Item &item)
{
  os << '<';
  if (item.closing)
    os << '/';
  os << item.name;
  for (const Attribute &attribute : item.attributes) {
    os << ' ' << attribute.name;
    if (!attribute.value.empty())
      os << "=\"" << attribute.value << '"';
  }
  if (item.empty)
    os << '/';
  return os << '>';
}

// ---- parsing ----

// A ">" inside a quoted attribute value does not end the tag. Each quote
// searched for is passed over, or its search found no quote of its kind
// in the whole rest of the text, so a text is scanned a bounded number of
// times however its tags are made.
bool find_tag(const std::string &text, std::size_t from, std::size_t &start, std::size_t &end)
{
  const std::size_t open = text.find('<', from);
  if (open == std::string::npos)
    return false;
  std::size_t p = open + 1;
  for (;;) {
    const std::size_t stop = text.find_first_of(">=", p);
    if (stop == std::string::npos)
      return false;
    if (text[stop] == '>') {
      start = open;
      end = stop;
      return true;
    }
    p = text.find_first_not_of(" \t\r\n", stop + 1);
    if (p == std::string::npos)
      return false;
    if (text[p] == '"' || text[p] == '\'') {
      const std::size_t closing = text.find(text[p], p + 1);
      // An unbalanced quote quotes nothing.
      p = closing == std::string::npos ? p + 1 : closing + 1;
    }
  }
}

unsigned line_of(const std::string &text, std::size_t position)
{
  if (position == 0)
    return 0;
  position = std::min(position, text.size());
  return static_cast<unsigned>(std::count(text.begin(), text.begin() + position, '\n')) + 1;
}

bool parse_attribute(std::string text, Attribute &attribute)
{
  if (text.empty())
    return false;
  const std::vector<std::string> pieces = Tools::split_any(text, "=", 2);
  attribute.name = pieces[0];
  attribute.value.clear();
  if (pieces.size() > 1) {
    const std::string value = Tools::strip(pieces[1], " \t\n\r");
    // A value between single quotes loses exactly that pair.
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
      attribute.value = value.substr(1, value.size() - 2);
    else
      attribute.value = Tools::strip(value, "\"");
  }
  return true;
}

namespace {

// The words of a tag's inside, cut at blanks outside quoted values: a
// value in double or in single quotes is one word with its blanks.
std::vector<std::string> tag_words(const std::string &inside)
{
  static const char *const SEPARATORS = " \n\t\r";
  std::vector<std::string> words;
  std::string word;
  char quote = 0;
  bool any = false;
  for (char c : inside) {
    if (quote) {
      word += c;
      if (c == quote)
        quote = 0;
      continue;
    }
    if (std::strchr(SEPARATORS, c)) {
      if (any)
        words.push_back(word);
      word.clear();
      any = false;
      continue;
    }
    // A quote opens a value only where one begins: right after "=".
    if ((c == '"' || c == '\'') && !word.empty() && word.back() == '=')
      quote = c;
    word += c;
    any = true;
  }
  if (any)
    words.push_back(word);
  return words;
}

} // namespace

bool parse_tag(std::string tag_text, Item &tag)
{
  const std::size_t n = tag_text.size();
  if (n == 0)
    return false;
  tag.empty = n > 2 && tag_text[n - 2] == '/';
  tag.closing = n > 1 && tag_text[1] == '/';

  std::size_t begin = tag.closing ? 2 : 1;
  std::size_t end = tag_text[n - 1] == '>' ? n - 1 : n;
  if (tag.empty && end > 0)
    --end;
  // "</>" is both closing and empty: its inside would start behind its end.
  const std::string inside = end > begin ? tag_text.substr(begin, end - begin) : std::string();

  // Carriage returns separate like the other blanks, so that CRLF files
  // give the same names as LF files.
  // The name follows the "<" (or "</") directly.
  if (inside.empty() || std::strchr(" \n\t\r", inside[0]))
    return false;
  const std::vector<std::string> words = tag_words(inside);
  if (words.empty())
    return false;
  tag.name = words[0];
  for (std::size_t i = 1; i < words.size(); ++i) {
    Attribute attribute;
    if (parse_attribute(words[i], attribute))
      tag.attributes.push_back(attribute);
  }
  return true;
}

namespace {

// Declarations, processing instructions, comments and CDATA sections are
// no elements: gives where the search goes on behind the one at `open`,
// or npos when it runs to the end of the text. Anything else gives `open`.
std::size_t skip_markup(const std::string &text, std::size_t open)
{
  auto behind = [&text](std::size_t from, const char *terminator, std::size_t length) {
    const std::size_t at = text.find(terminator, from);
    return at == std::string::npos ? std::string::npos : at + length;
  };
  if (text.compare(open, 4, "<!--") == 0)
    return behind(open + 4, "-->", 3);
  if (text.compare(open, 9, "<![CDATA[") == 0)
    return behind(open + 9, "]]>", 3);
  if (text.compare(open, 2, "<?") == 0)
    return behind(open + 2, "?>", 2);
  if (text.compare(open, 2, "<!") == 0)
    return behind(open + 2, ">", 1);
  return open;
}

} // namespace

bool parse(const std::string &text, Item *root)
{
  if (!root)
    return false;
  Item *current = root;
  // How many items of each name are open on the way from the root to the
  // current item: an end tag that matches none is dropped at once instead
  // of walking up the whole path.
  std::unordered_map<std::string, std::size_t> open_names;
  ++open_names[root->name];

  std::size_t from = 0;
  std::size_t counted_to = 0; // line ends are counted once, as the scan moves on
  unsigned line_ends = 0;
  for (;;) {
    std::size_t start = text.find('<', from);
    if (start == std::string::npos)
      return true;
    const std::size_t skipped = skip_markup(text, start);
    if (skipped == std::string::npos)
      return true;
    if (skipped != start) {
      from = skipped;
      continue;
    }
    std::size_t end;
    if (!find_tag(text, start, start, end))
      return true;

    Item tag;
    if (!parse_tag(text.substr(start, end - start + 1), tag)) {
      from = end;
      continue;
    }
    line_ends += static_cast<unsigned>(std::count(text.begin() + counted_to, text.begin() + start, '\n'));
    counted_to = start;
    const unsigned line = start == 0 ? 0 : line_ends + 1;

    if (tag.closing) {
      auto known = open_names.find(tag.name);
      if (known == open_names.end() || known->second == 0) {
        from = end;
        continue;
      }
      Item *found = current;
      while (found->name != tag.name)
        found = found->parent;
      if (found == current && current->children.empty() && current != root)
        current->text = text.substr(current->end + 1, start - current->end - 1);
      for (Item *closed = current;; closed = closed->parent) {
        --open_names[closed->name];
        if (closed == found)
          break;
      }
      current = found->parent;
      if (!current) {
        const unsigned before_end =
          line_ends + static_cast<unsigned>(std::count(text.begin() + start, text.begin() + end + 1, '\n'));
        std::cout << "parse error! missing tags! at line: " << before_end << std::endl;
        return false;
      }
    } else if (tag.empty) {
      Item *item = new Item(tag);
      item->parent = current;
      item->line = line;
      current->children.push_back(Ref<Item>(item));
    } else {
      Item *item = new Item(tag);
      item->parent = current;
      item->start = start;
      item->end = end;
      item->line = line;
      current->children.push_back(Ref<Item>(item));
      current = item;
      ++open_names[item->name];
    }
    from = end;
  }
}

namespace {
const unsigned MAX_INDENT_LEVELS = 64;
}

std::string to_text(const Item &root)
{
  // Depth first without recursion; an entry with `close` set writes the
  // end tag of an item whose children are done.
  struct Step
  {
    const Item *item;
    unsigned depth;
    bool close;
  };
  std::ostringstream out;
  std::vector<Step> pending(1, Step{&root, 0, false});
  while (!pending.empty()) {
    const Step step = pending.back();
    pending.pop_back();
    const Item &item = *step.item;
    // Four blanks a level, up to a limit: the blanks between tags are not
    // read back, and a very deep tree would otherwise write text growing
    // with the square of its depth.
    const std::string indent(std::min(step.depth, MAX_INDENT_LEVELS) * 4, ' ');
    if (step.close) {
      out << indent << "</" << item.name << ">\n";
      continue;
    }
    // Start tags get their end tags, so that the text reads back to the
    // same tree; an unnamed root has none to write.
    const bool needs_end = !item.empty && !item.closing && !item.name.empty();
    out << indent << item;
    if (item.children.empty()) {
      // The text stands between the tags, so that it reads back unchanged.
      if (needs_end)
        out << item.text << "</" << item.name << '>';
      else if (!item.text.empty())
        out << '\n' << item.text;
      out << '\n';
      continue;
    }
    out << '\n';
    if (!item.text.empty())
      out << item.text << '\n';
    if (needs_end)
      pending.push_back(Step{&item, step.depth, true});
    for (auto child = item.children.rbegin(); child != item.children.rend(); ++child)
      if (const Item *object = child->try_get())
        pending.push_back(Step{object, step.depth + 1, false});
  }
  return out.str();
}

bool read_file(const std::string &file_name, std::string &text) { return read_text_file(file_name, text); }

} // namespace XML
} // namespace Tools
