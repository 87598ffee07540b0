#include <gtest/gtest.h>

#include <sys/stat.h>

#include "tests/readers/scratch.h"
#include "tools/core/string_utils.h"
#include "tools/readers/xml.h"

using namespace Tools::XML;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const Item &child(const Item &item, std::size_t i) { return *item.children.at(i); }

// Same names, flags, attributes and texts all the way down.
void expect_same_tree(const Item &a, const Item &b, const std::string &where = "", bool flags = true)
{
  if (flags)
    ASSERT_TRUE(a == b) << where << ": " << Tools::to_text(a) << " vs " << Tools::to_text(b);
  else
    ASSERT_TRUE(a.name == b.name && a.attributes == b.attributes) << where << a.name;
  ASSERT_EQ(a.text, b.text) << where << a.name;
  ASSERT_EQ(a.children.size(), b.children.size()) << where << a.name;
  for (std::size_t i = 0; i < a.children.size(); ++i)
    expect_same_tree(child(a, i), child(b, i), where + "/" + a.name, flags);
}

std::size_t count_items(const Item &item)
{
  std::size_t n = 1;
  for (const Tools::Ref<Item> &c : item.children)
    n += count_items(*c);
  return n;
}

} // namespace

TEST(XmlTags, ParseTagAndAttributes)
{
  Item tag;
  ASSERT_TRUE(parse_tag("<a x=\"1 2\" y=z/>", tag));
  EXPECT_EQ("a", tag.name);
  EXPECT_TRUE(tag.empty);
  EXPECT_FALSE(tag.closing);
  ASSERT_EQ(2u, tag.attributes.size());
  EXPECT_EQ(Attribute("x", "1 2"), tag.attributes[0]);
  EXPECT_EQ(Attribute("y", "z"), tag.attributes[1]);

  Item end;
  ASSERT_TRUE(parse_tag("</b>", end));
  EXPECT_TRUE(end.closing);
  EXPECT_FALSE(end.empty);
  EXPECT_EQ("b", end.name);

  for (const char *refused : {"", "<>", "</>", "< a>", "<", "</", "<  >", "<//>"}) {
    Item t;
    EXPECT_FALSE(parse_tag(refused, t)) << refused;
  }

  // Single quotes hold a value with blanks as double quotes do.
  Item single;
  ASSERT_TRUE(parse_tag("<a x='1 2' y=\"it's\"/>", single));
  ASSERT_EQ(2u, single.attributes.size());
  EXPECT_EQ(Attribute("x", "1 2"), single.attributes[0]);
  EXPECT_EQ(Attribute("y", "it's"), single.attributes[1]);

  Item crlf;
  ASSERT_TRUE(parse_tag("<a\r\n  x=\"1\"\r\n>", crlf));
  EXPECT_EQ("a", crlf.name);
  ASSERT_EQ(1u, crlf.attributes.size());
  EXPECT_EQ("x", crlf.attributes[0].name);

  Attribute attribute;
  EXPECT_FALSE(parse_attribute("", attribute));
  ASSERT_TRUE(parse_attribute("flag", attribute));
  EXPECT_EQ(Attribute("flag", ""), attribute);
  ASSERT_TRUE(parse_attribute("a=\" v \"", attribute));
  EXPECT_EQ(" v ", attribute.value);
  ASSERT_TRUE(parse_attribute("a=b=c", attribute));
  EXPECT_EQ(Attribute("a", "b=c"), attribute);
  EXPECT_NE(Attribute("a", "1"), Attribute("a", "2"));
}

TEST(XmlTags, FindTagAndLines)
{
  std::size_t start = 99, end = 99;
  EXPECT_FALSE(find_tag("no tags", 0, start, end));
  EXPECT_FALSE(find_tag("<open", 0, start, end));
  ASSERT_TRUE(find_tag("ab<c>", 0, start, end));
  EXPECT_EQ(2u, start);
  EXPECT_EQ(4u, end);
  EXPECT_FALSE(find_tag("ab<c>", 5, start, end));
  // A ">" in a quoted value does not end the tag; an unbalanced quote
  // quotes nothing.
  for (const std::string tag : {"<a x=\"1>2\" y='>'>", "<a x = '>' >", "<a x=\"1>"}) {
    ASSERT_TRUE(find_tag(tag, 0, start, end)) << tag;
    EXPECT_EQ(tag.size() - 1, end) << tag;
  }
  Item root;
  ASSERT_TRUE(parse("<a x=\"1>2\">hi</a>", &root));
  ASSERT_EQ(1u, root.children.size());
  EXPECT_EQ(Attribute("x", "1>2"), root.children[0]->attributes.at(0));
  EXPECT_EQ("hi", root.children[0]->text);

  EXPECT_EQ(0u, line_of("<a>", 0));
  EXPECT_EQ(1u, line_of(" <a>", 1));
  EXPECT_EQ(3u, line_of("\n\n<a>", 2));
  EXPECT_EQ(3u, line_of("\n\n", 1000));
}

TEST(XmlTree, Shapes)
{
  {
    Item root;
    ASSERT_TRUE(parse("<a><b>hi</b></a>", &root));
    ASSERT_EQ(1u, root.children.size());
    const Item &a = child(root, 0);
    EXPECT_EQ("a", a.name);
    EXPECT_EQ("", a.text);
    EXPECT_EQ(&root, a.parent);
    ASSERT_EQ(1u, a.children.size());
    EXPECT_EQ("hi", child(a, 0).text);
    EXPECT_EQ(&a, child(a, 0).parent);
    EXPECT_EQ(0u, a.start);
    EXPECT_EQ(2u, a.end);
    EXPECT_EQ(0u, a.line);
    EXPECT_EQ(1u, child(a, 0).line);
  }
  {
    Item root;
    ASSERT_TRUE(parse("<a>  hi  \n</a>", &root));
    EXPECT_EQ("  hi  \n", child(root, 0).text);
  }
  {
    // An end tag that matches nothing open is ignored; one that matches
    // an outer item closes everything in between.
    Item root;
    ASSERT_TRUE(parse("<a><b><c></x></b><d/></a><e>", &root));
    ASSERT_EQ(2u, root.children.size());
    const Item &a = child(root, 0);
    ASSERT_EQ(2u, a.children.size());
    EXPECT_EQ("b", child(a, 0).name);
    EXPECT_EQ("c", child(child(a, 0), 0).name);
    EXPECT_EQ("d", child(a, 1).name);
    EXPECT_TRUE(child(a, 1).empty);
    EXPECT_EQ("e", child(root, 1).name);
  }
  {
    Item root;
    ASSERT_TRUE(parse("<a>x<>y</>z</a>", &root));
    EXPECT_EQ("x<>y</>z", child(root, 0).text);
  }
  {
    Item root("r");
    CaptureStdout();
    EXPECT_FALSE(parse("<a>\n</a>\n</r>", &root));
    EXPECT_EQ("parse error! missing tags! at line: 2\n", GetCapturedStdout());
    EXPECT_EQ(1u, root.children.size());
  }
  {
    // Declarations, comments and CDATA are no elements; a comment's
    // contents are not read as tags.
    Item root;
    ASSERT_TRUE(parse("<?xml version=\"1.0\"?>\n<!DOCTYPE x SYSTEM \"x.dtd\">\n"
                      "<!-- <fake> a > b -->\n<x><![CDATA[<y>]]></x><!-- open",
                      &root));
    ASSERT_EQ(1u, root.children.size());
    EXPECT_EQ("x", child(root, 0).name);
    EXPECT_EQ("<![CDATA[<y>]]>", child(root, 0).text);
  }
  EXPECT_FALSE(parse("<a>", nullptr));
}

TEST(XmlTree, MalformedInputIsSurvived)
{
  for (const char *text : {"</>", "<", ">", "<<<>>>", "<a", "<a></", "</a>", "<a/></a></a>", "<\"a>",
                           "<a b=\"c>\">", "<a =>", "<!--", "<?", "<![CDATA[", "<!", "<a><b></a></b>"}) {
    Item root;
    CaptureStdout();
    parse(text, &root);
    GetCapturedStdout();
    const std::string written = to_text(root);
    Item again;
    parse(written, &again);
  }
}

TEST(XmlTree, DeepNestingIsSafe)
{
  const std::size_t depth = 100000;
  std::string text;
  for (std::size_t i = 0; i < depth; ++i)
    text += "<d>";
  text += "leaf";
  {
    Item root;
    ASSERT_TRUE(parse(text, &root));
    const Item *deepest = &root;
    std::size_t levels = 0;
    while (!deepest->children.empty()) {
      deepest = deepest->children[0].try_get();
      ++levels;
    }
    EXPECT_EQ(depth, levels);
    const std::string written = to_text(root);
    EXPECT_GT(written.size(), depth * 4);
    EXPECT_LT(written.size(), depth * 2 * (64 * 4 + 16)); // the indentation stops growing
    Item *copy = root.clone(nullptr);
    delete copy;
  } // the tree goes without recursion
  for (std::size_t i = 0; i < depth; ++i)
    text += "</x>"; // matches nothing: each must cost little
  text += "</d>";
  Item root;
  ASSERT_TRUE(parse(text, &root));
}

TEST(XmlItem, Attributes)
{
  Item item;
  item.attributes.push_back(Attribute("x", "lower"));
  item.attributes.push_back(Attribute("X", "upper"));
  item.attributes.push_back(Attribute("y", "1"));
  std::string value;
  ASSERT_TRUE(item.attribute("X", value, false));
  EXPECT_EQ("upper", value); // the exact name wins
  ASSERT_TRUE(item.attribute("Y", value, false));
  EXPECT_EQ("1", value); // else any letter case
  EXPECT_FALSE(item.attribute("z", value, false));
  EXPECT_TRUE(item.has_attribute("Y"));
  EXPECT_FALSE(item.has_attribute("z"));
  EXPECT_TRUE(item.set_attribute_value("y", "2"));
  EXPECT_FALSE(item.set_attribute_value("z", "2"));
  item.set_attribute("Y", "3");
  item.set_attribute("z", "4");
  ASSERT_EQ(4u, item.attributes.size());
  EXPECT_EQ(Attribute("y", "3"), item.attributes[2]);
  EXPECT_EQ(Attribute("z", "4"), item.attributes[3]);
}

TEST(XmlItem, OutputCloneAndEquality)
{
  Item item("a");
  item.attributes.push_back(Attribute("x", "1"));
  item.attributes.push_back(Attribute("flag", ""));
  EXPECT_EQ("<a x=\"1\" flag>", Tools::to_text(item));
  item.empty = true;
  EXPECT_EQ("<a x=\"1\" flag/>", Tools::to_text(item));
  Item end("a");
  end.closing = true;
  EXPECT_EQ("</a>", Tools::to_text(end));
  EXPECT_FALSE(item == end);

  Item root;
  ASSERT_TRUE(parse("<a k=\"v\"><b>t</b><c/></a>", &root));
  Item *copy = root.clone(nullptr);
  expect_same_tree(root, *copy, "", false);
  EXPECT_FALSE(child(*copy, 0).children[1]->empty); // flags are not cloned
  EXPECT_NE(root.children[0].try_get(), copy->children[0].try_get());
  EXPECT_EQ(copy, child(*copy, 0).parent);
  delete copy;

  Item shared = root; // copies share the children
  EXPECT_EQ(root.children[0].try_get(), shared.children[0].try_get());
}

TEST(XmlText, WrittenTreeReadsBack)
{
  Item root;
  ASSERT_TRUE(parse("<a k=\"v\"><b>t</b><c/><d></d><e>\n  x\n</e></a>", &root));
  EXPECT_EQ("<>\n"
            "    <a k=\"v\">\n"
            "        <b>t</b>\n"
            "        <c/>\n"
            "        <d></d>\n"
            "        <e>\n  x\n</e>\n"
            "    </a>\n",
            to_text(root));
  Item again;
  ASSERT_TRUE(parse(to_text(root), &again));
  expect_same_tree(root, again);

  Item named("r");
  EXPECT_EQ("<r></r>\n", to_text(named));
}

TEST(XmlText, RealFilesReadAndWriteBack)
{
  struct Case
  {
    std::string file, root;
    std::size_t min_children;
  };
  for (const Case &c : {Case{data_file("57-dejavu-sans.conf"), "fontconfig", 1},
                        Case{data_file("org.freedesktop.login1.conf"), "busconfig", 1},
                        Case{"/usr/share/mime/packages/freedesktop.org.xml", "mime-info", 800}}) {
    std::string text;
    ASSERT_TRUE(read_file(c.file, text)) << c.file;
    Item root;
    ASSERT_TRUE(parse(text, &root)) << c.file;
    ASSERT_EQ(1u, root.children.size()) << c.file;
    EXPECT_EQ(c.root, child(root, 0).name);
    EXPECT_GE(child(root, 0).children.size(), c.min_children) << c.file;
    Item again;
    ASSERT_TRUE(parse(to_text(root), &again)) << c.file;
    expect_same_tree(root, again, c.file);
    EXPECT_EQ(count_items(root), count_items(again)) << c.file;

    // One element of each, as the file has it.
    const Item &first = child(child(root, 0), 0);
    std::string value;
    if (c.root == "fontconfig") {
      EXPECT_TRUE(const_cast<Item &>(first).attribute("binding", value, false));
      EXPECT_EQ("same", value);
      EXPECT_EQ("DejaVu Sans", child(child(first, 1), 0).text);
    } else if (c.root == "busconfig") {
      EXPECT_TRUE(child(first, 0).empty);
      EXPECT_TRUE(first.children[0]->attribute("own", value, false));
      EXPECT_EQ("org.freedesktop.login1", value);
    } else {
      EXPECT_TRUE(const_cast<Item &>(first).attribute("type", value, false));
      EXPECT_EQ("mime-type", first.name);
    }
  }
}

class XmlFiles : public Scratch
{
};

TEST_F(XmlFiles, ReadFileRefusesWhatIsNoFile)
{
  std::string text = "unchanged";
  EXPECT_FALSE(read_file(dir, text));
  EXPECT_FALSE(read_file(path("missing"), text));
  ASSERT_EQ(0, mkfifo(path("fifo").c_str(), 0600));
  EXPECT_FALSE(read_file(path("fifo"), text)); // without blocking
  EXPECT_FALSE(read_file("/dev/zero", text));  // without end
  EXPECT_EQ("unchanged", text);
  // /proc files report no size but have content.
  ASSERT_TRUE(read_file("/proc/self/status", text));
  EXPECT_NE(std::string::npos, text.find("Name:"));
  Item root;
  EXPECT_TRUE(parse(text, &root));

  put("x.xml", "<a/>");
  ASSERT_TRUE(read_file(path("x.xml"), text));
  EXPECT_EQ("<a/>", text);
}
