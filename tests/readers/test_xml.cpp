// The XML scanner survives any text and any depth, reads quoted values
// whole, and what it writes reads back to the same tree.

#include <gtest/gtest.h>

#include "tests/readers/scratch.h"
#include "tools/readers/xml.h"

using namespace Tools::XML;

namespace {

// The children's names, attributes, nesting and leaf texts:
// "a{x=1}(b[hi] c)".
std::string outline(const Item &item)
{
  std::string text;
  for (const Tools::Ref<Item> &child : item.children) {
    text += (text.empty() ? "" : " ") + child->name;
    std::string attributes;
    for (const Attribute &a : child->attributes)
      attributes += (attributes.empty() ? "" : "|") + a.name + "=" + a.value;
    if (!attributes.empty())
      text += "{" + attributes + "}";
    if (!child->children.empty())
      text += "(" + outline(*child) + ")";
    else if (!child->text.empty())
      text += "[" + child->text + "]";
  }
  return text;
}

// What is written reads back to a tree that is written the same: names,
// flags, attributes and texts all the way down.
void expect_written_reads_back(const Item &root, const std::string &where)
{
  Item again;
  ASSERT_TRUE(parse(to_text(root), &again)) << where;
  EXPECT_EQ(to_text(root), to_text(again)) << where;
}

} // namespace

TEST(XmlTree, ShapesAreReadAndWrittenBack)
{
  const char *const shapes[][2] = {
      {"<a><b>hi</b></a>", "a(b[hi])"},
      {"<a>  hi  \n</a>", "a[  hi  \n]"},
      // Quoted values are whole, ">" in them included.
      {"<a x=\"1 2\" y=z>hi</a>", "a{x=1 2|y=z}[hi]"},
      {"<a x='1 2' y=\"it's\"/><b\r\n  x=\"1>2\"\r\n/>", "a{x=1 2|y=it's} b{x=1>2}"},
      {"<a flag b=\" v \" c='>' d=e=f/>", "a{flag=|b= v |c=>|d=e=f}"},
      {"<a x=\"1>hi</a>", "a{x=1}[hi]"}, // an unbalanced quote quotes nothing
      // An end tag that matches nothing open is ignored; one that matches
      // an outer item closes everything in between.
      {"<a><b><c></x></b><d/></a><e>", "a(b(c) d) e"},
      {"<a>x<>y</>z</a>", "a[x<>y</>z]"},
      // Declarations, comments and CDATA are no elements; a comment's
      // contents are not read as tags.
      {"<?xml version=\"1.0\"?>\n<!DOCTYPE x SYSTEM \"x.dtd\">\n<!-- <fake> a > b -->\n<x><![CDATA[<y>]]></x><!-- open",
       "x[<![CDATA[<y>]]>]"},
      {"<a k=\"v\"><b>t</b><c/><d></d><e>\n  x\n</e></a>", "a{k=v}(b[t] c d e[\n  x\n])"},
  };
  for (const auto &c : shapes) {
    Item root;
    ASSERT_TRUE(parse(c[0], &root)) << c[0];
    EXPECT_EQ(c[1], outline(root)) << c[0];
    expect_written_reads_back(root, c[0]);
  }
  Item root("r");
  EXPECT_FALSE(parse("<a>\n</a>\n</r>", &root)); // closes the root itself
  for (const char *refused : {"", "<>", "</>", "< a>", "<", "</", "<  >", "<//>"}) {
    Item tag;
    EXPECT_FALSE(parse_tag(refused, tag)) << refused;
  }
}

TEST(XmlTree, MalformedInputIsSurvived)
{
  for (const char *text : {"</>", "<", ">", "<<<>>>", "<a", "<a></", "</a>", "<a/></a></a>", "<\"a>",
                           "<a b=\"c>\">", "<a =>", "<!--", "<?", "<![CDATA[", "<!", "<a><b></a></b>"}) {
    Item root;
    parse(text, &root);
    Item again;
    parse(to_text(root), &again);
  }
}

TEST(XmlTree, DeepNestingIsSafe)
{
  const std::size_t depth = 100000;
  std::string text;
  for (std::size_t i = 0; i < depth; ++i)
    text += "<d>";
  {
    Item root;
    ASSERT_TRUE(parse(text + "leaf", &root));
    std::size_t levels = 0;
    for (const Item *deepest = &root; !deepest->children.empty(); deepest = deepest->children[0].try_get())
      ++levels;
    EXPECT_EQ(depth, levels);
    EXPECT_LT(to_text(root).size(), depth * 2 * (64 * 4 + 16)); // the indentation stops growing
    delete root.clone(nullptr);
  } // the trees go without recursion
  for (std::size_t i = 0; i < depth; ++i)
    text += "</x>"; // matches nothing: each must cost little
  Item root;
  ASSERT_TRUE(parse(text + "</d>", &root));
}

TEST(XmlText, RealFilesReadAndWriteBack)
{
  for (const std::string &file : {data_file("57-dejavu-sans.conf"), data_file("org.freedesktop.login1.conf"),
                                   std::string("/usr/share/mime/packages/freedesktop.org.xml")}) {
    std::string text;
    Item root;
    ASSERT_TRUE(read_file(file, text)) << file;
    ASSERT_TRUE(parse(text, &root)) << file;
    EXPECT_EQ(1u, root.children.size()) << file;
    expect_written_reads_back(root, file);
  }
}
