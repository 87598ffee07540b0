// The XML reader on arbitrary text: it must survive it, keep its tree
// consistent, and read its own output.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/core/string_utils.h"
#include "tools/readers/xml.h"

using Tools::XML::Item;

namespace {

void check(bool condition, const char *what)
{
  if (!condition) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

// Every child points back at its parent; positions lie inside the text.
std::size_t check_tree(const Item &root, std::size_t text_size)
{
  std::size_t items = 0;
  std::vector<const Item *> pending(1, &root);
  while (!pending.empty()) {
    const Item *item = pending.back();
    pending.pop_back();
    ++items;
    check(item->start <= item->end && item->end <= text_size, "positions");
    check(item->children.empty() || item->text.empty() || item == &root, "text only without children");
    for (const Tools::Ref<Item> &child : item->children) {
      check(child.try_get() && child->parent == item, "parent");
      pending.push_back(child.try_get());
    }
  }
  return items;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  const std::string text(reinterpret_cast<const char *>(data), size);
  Item root;
  Tools::XML::parse(text, &root);
  const std::size_t items = check_tree(root, text.size());

  const std::string written = Tools::XML::to_text(root);
  Item again;
  Tools::XML::parse(written, &again);
  check_tree(again, written.size());

  Item *copy = root.clone(nullptr);
  check(check_tree(*copy, text.size()) == items, "clone");
  delete copy;

  if (!root.children.empty()) {
    Item &first = *root.children.front();
    std::string value;
    first.attribute("x", value, false);
    first.set_attribute("x", "1");
    check(first.has_attribute("X"), "attribute");
    (void)Tools::to_text(first);
  }
  return 0;
}
