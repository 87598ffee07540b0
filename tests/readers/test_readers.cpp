// The readers of the library: paths fold on the text alone; each reader
// takes what the file system holds and refuses what is no file for it
// without blocking; the INI reader keeps somebody else's file as it
// stands; the XML scanner survives any text and any depth; the option
// parser takes what each kind of option takes and ends without harm.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "tests/support/db_support.h"
#include "tools/readers/cppdir.h"
#include "tools/readers/ini.h"
#include "tools/readers/option_chain.h"
#include "tools/readers/xml.h"

using korvan_test::slurp;
using Tools::CppDir;
using Tools::Oxa::Ini;
typedef Ini::Element E;

namespace {

// A private directory per test (under KORVAN_TMP when set), removed after.
class Scratch : public ::testing::Test
{
protected:
  std::string dir;

  void SetUp() override
  {
    const char *base = std::getenv("KORVAN_TMP");
    dir = std::string(base && *base ? base : "/tmp") + "/readers.XXXXXX";
    ASSERT_NE(mkdtemp(&dir[0]), nullptr);
  }
  void TearDown() override { EXPECT_EQ(0, std::system(("rm -rf '" + dir + "'").c_str())); }
  std::string path(const std::string &name) const { return dir + "/" + name; }
  std::string put(const std::string &name, const std::string &text) const
  {
    std::ofstream(path(name), std::ios::binary) << text;
    return path(name);
  }
};

using Files = Scratch;
using IniFile = Scratch;

std::string data_file(const std::string &name) { return std::string(KORVAN_SOURCE_DIR) + "tests/data/" + name; }

TEST(Paths, FoldAndCompare)
{
  const char *const folded[][2] = {
      {"/a/b/../c", "/a/c"}, {"/a/./", "/a"},  {"/", "/"},         {"", ""},       {"/.", "/"},
      {"/../x", "/x"},       {"/a/b/..", "/a"}, {"/../../..", "/"}, {"a/../b", "b"}, {"a/../../b", "../b"},
      {"../../x", "../../x"}, {"//a///b//", "/a/b"}, {"a/..", "."}, {".", "."}, {"./", "."}, {"a/b/../..", "."},
  };
  for (const auto &c : folded)
    EXPECT_EQ(c[1], Tools::normalize_path(c[0])) << c[0];
  const struct
  {
    const char *path, *dir;
    bool inside;
  } subpaths[] = {{"/a/b", "/a", true},  {"/a", "/a", true},         {"/a/x/../b", "/a", true}, {"/a/b", "/", true},
                  {"/ab", "/a", false}, {"/a/../etc", "/a", false}, {"/a/..", "/a", false},   {"", "/a", false}};
  for (const auto &c : subpaths)
    EXPECT_EQ(c.inside, Tools::is_subpath(c.path, c.dir)) << c.path << " in " << c.dir;
}


TEST_F(Files, EachReaderTakesWhatIsItsOwnAndRefusesTheRestWithoutBlocking)
{
  put("file", "<a/>");
  ASSERT_EQ(0, mkdir(path("sub").c_str(), 0755));
  ASSERT_EQ(0, symlink("file", path("link").c_str()));
  ASSERT_EQ(0, mkfifo(path("fifo").c_str(), 0600));
  const struct
  {
    std::string name;
    bool text, listed; // read as INI and XML text; listed as a directory
  } cases[] = {{path("file"), true, false}, {path("link"), true, false},   {dir, false, true},
               {path("fifo"), false, false}, {path("missing"), false, false}, {"", false, false},
               {"/dev/zero", false, false},  {"/proc/self/status", true, false}}; // no size, but text
  for (const auto &c : cases) {
    std::string text;
    EXPECT_EQ(c.text, Tools::XML::read_file(c.name, text)) << c.name;
    EXPECT_EQ(c.text, Tools::Oxa::Ini(c.name, std::ios::in).read()) << c.name;
    EXPECT_EQ(c.listed, CppDir(c.name).is_ok()) << c.name;
  }

  CppDir listing(dir);
  std::map<std::string, int> kinds;
  for (const CppDir::File &file : listing.get_files())
    kinds[file.get_name()] = file.get_type().get_value();
  typedef CppDir::EnumFile F;
  EXPECT_EQ((std::map<std::string, int>{{".", F::DIR}, {"..", F::DIR}, {"file", F::REGULAR}, {"sub", F::DIR},
                                        {"link", F::LINK}, {"fifo", F::FIFO}}),
            kinds);
  // A failed open leaves the lister usable.
  EXPECT_FALSE(listing.open(path("missing")));
  EXPECT_TRUE(listing.get_files().empty());
  EXPECT_TRUE(listing.open(dir));
  EXPECT_EQ(6u, listing.get_files().size());

  // An INI reader without a file keeps changes in memory only.
  {
    Tools::Oxa::Ini none(path("missing"), std::ios::in);
    EXPECT_TRUE(none.set(Tools::Oxa::Ini::Element(Tools::Oxa::Ini::Element::KEY, "s", "k", "v")));
  }
  EXPECT_NE(0, access(path("missing").c_str(), F_OK));
}

// ---- the INI reader: an edit touches only what it changes, what is set
// reads back the same or is refused, the file is replaced atomically ----

const std::ios::openmode RW = std::ios::in | std::ios::out;

// The value of a key, or "<none>".
std::string value_of(Ini &ini, const std::string &section, const std::string &key)
{
  E query(E::KEY, section, key);
  return ini.get(query) ? query.value : "<none>";
}

// Sets every key of the file to the value it has: the file must come back
// byte for byte.
void expect_rewritten_unchanged(const std::string &file)
{
  const std::string before = slurp(file);
  {
    Ini ini(file, RW);
    E list(E::SECTION_LIST);
    ASSERT_TRUE(ini.get(list));
    for (const E &section : list.children)
      for (const E &key : section.children)
        ASSERT_TRUE(ini.set(key)) << key;
  }
  EXPECT_EQ(before, slurp(file)) << file;
}

// One step of an edit: 's' sets the key (a section without a key), 'r'
// removes it, 'g' gets it and compares the value, 'f' flushes, 'c' clears,
// '|' closes the file and opens it again; `done` is what it must give.
struct Step
{
  char op;
  const char *section, *key;
  std::string value;
  bool done;
};

bool apply(Ini &ini, const Step &s)
{
  const E element = s.key ? E(E::KEY, s.section, s.key, s.value) : E(E::SECTION, s.section);
  if (s.op == 'g')
    return value_of(ini, s.section, s.key) == s.value;
  return s.op == 's' ? ini.set(element) : s.op == 'r' ? ini.remove(element) : s.op == 'f' ? ini.flush() : ini.clear();
}

TEST_F(IniFile, EditsChangeOnlyWhatTheyChangeAndWhatIsSetReadsBackOrIsRefused)
{
  const struct
  {
    const char *name, *text;
    std::vector<Step> steps;
    const char *expected;
    std::ios::openmode mode;
  } cases[] = {
      {"line forms", "a=b\n[ s ]\nname = value ; note\nkey==x\n=x\n[]\n[ ]\nempty =\n#c = 1\nspaced\t=\t  two  \n",
       {{'g', "s", "name", "value", true}, {'g', " s\t", " name ", "value", true}, {'g', "s", "key", "x", true},
        {'g', "s", "empty", "", true}, {'g', "s", "spaced", "two", true}, {'g', "s", "a", "<none>", true},
        {'g', "s", "#c", "<none>", true}, {'g', "s", " ", "<none>", true}, {'g', "", "name", "<none>", true}},
       "a=b\n[ s ]\nname = value ; note\nkey==x\n=x\n[]\n[ ]\nempty =\n#c = 1\nspaced\t=\t  two  \n", std::ios::in},
      {"values in place", "!include x\nstray = x\n[m]\nport\t= 3306   ; usual\nuser =\n\n# end\n[c]\ns = 1\n",
       {{'s', "m", "port", "3307", true}, {'s', "m", "user", "mysql", true}, {'s', "m", "new", "1", true}},
       "!include x\nstray = x\n[m]\nport\t= 3307   ; usual\nuser =mysql\nnew = 1\n\n# end\n[c]\ns = 1\n", RW},
      {"new sections at the end", "[a]\nk = 1\n; about b\n[b]\nx = 1\n\n; the end\n",
       {{'s', "c", "y", "2", true}, {'s', "a", "n", "3", true}, {'s', "c", "z", "4", true}},
       "[a]\nk = 1\nn = 3\n; about b\n[b]\nx = 1\n\n; the end\n[c]\ny = 2\nz = 4\n", RW},
      {"written back twice", "; head\n[s]\nk = 1\n\n",
       {{'s', "s", "added", "x", true}, {'f', "", "", "", true}, {'s', "s", "k", "1", true}, {'|', "", "", "", true},
        {'s', "s", "added", "x", true}, {'f', "", "", "", true}, {'s', "s", "k", "1", true}},
       "; head\n[s]\nk = 1\nadded = x\n\n", RW},
      {"added then removed", "; head\n[s]\na = 1\n\n; end\n",
       {{'s', "s", "b", "2", true}, {'|', "", "", "", true}, {'r', "s", "b", "", true}},
       "; head\n[s]\na = 1\n\n; end\n", RW},
      {"removed", "[a]\nx = 1\ny = 2\n; keep\n[b]\nz = 3\n[c]\n",
       {{'r', "a", "x", "", true}, {'r', "a", "x", "", false}, {'r', "b", "z", "", true}, // the last key takes
        {'r', "b", nullptr, "", false}, {'r', "c", nullptr, "", true}},                   // its section along
       "[a]\ny = 2\n; keep\n", RW},
      {"crlf", "; c\r\n[s]\r\nk = 1\r\n", {{'s', "s", "k", "2", true}, {'s', "s", "n", "3", true}},
       "; c\r\n[s]\r\nk = 2\r\nn = 3\r\n", RW},
      {"mixed line ends", "# lf\n# crlf\r\n[s]\nk = 1\r\nj = 2\n", {{'s', "s", "n", "3", true}},
       "# lf\n# crlf\r\n[s]\nk = 1\r\nj = 2\nn = 3\r\n", RW},
      {"no final line end", "[s]\nk = 1", {{'s', "s", "n", "2", true}}, "[s]\nk = 1\nn = 2", RW},
      {"byte-order mark", "\xEF\xBB\xBF[s]\nk = 1\n", {{'s', "s", "k", "2", true}}, "\xEF\xBB\xBF[s]\nk = 2\n", RW},
      {"written only", "[s]\nk = 1\n", {{'s', "s", "n", "2", true}}, "[s]\nk = 1\nn = 2\n", std::ios::out},
      {"truncated", "[s]\nk = 1\n", {{'s', "t", "a", "b", true}}, "[t]\na = b\n", std::ios::out | std::ios::trunc},
      {"cleared", "; old\n[old]\nk = 1\n", {{'c', "", "", "", true}}, "", RW},
      {"created by a writer", nullptr, {{'s', "s", "k", "v", true}}, "[s]\nk = v\n", std::ios::out},
      {"only read", "[s]\nk = 1\n",
       {{'s', "s", "k", "2", false}, {'r', "s", "k", "", false}, {'c', "", "", "", false}, {'f', "", "", "", false}},
       "[s]\nk = 1\n", std::ios::in},
      {"read back as set", "[s]\n",
       {{'s', "s", "k", "a=b", true}, {'s', "s", "k#", "#x y [z]", true}, {'s', "s", "k.k", "", true},
        {'|', "", "", "", true}, {'g', "s", "k", "a=b", true}, {'g', "s", "k#", "#x y [z]", true},
        {'g', "s", "k.k", "", true}},
       "[s]\nk = a=b\nk# = #x y [z]\nk.k = \n", RW},
      {"refused: would read back otherwise or inject lines", "[s]\nk = 1\n",
       {{'s', "s", "k", "a;b", false},    {'s', "s", "a=b", "1", false},  {'s', "s", "#k", "1", false},
        {'s', "s", ";k", "1", false},     {'s', "s", "k k", "1", false},  {'s', "s", "[k", "1]", false},
        {'s', "s", "k", " x", false},     {'s', "s", "k", "=x", false},   {'s', "s", "k", "x\t", false},
        {'s', "s", "k", "1\n[a]\nb = x", false}, {'s', "s", "k", "1\rx", false}, {'s', "s\n", "k", "1", false},
        {'s', "s;t", "k", "1", false},    {'s', "s", "k\nx", "1", false}, {'s', "s", "k", std::string("a\0b", 3), false}},
       "[s]\nk = 1\n", RW},
  };
  for (const auto &c : cases) {
    const std::string file = c.text ? put(c.name, c.text) : path(c.name);
    std::unique_ptr<Ini> ini(new Ini(file, c.mode));
    for (const Step &s : c.steps) {
      if (s.op == '|') {
        ini.reset();
        ini.reset(new Ini(file, c.mode));
      } else {
        EXPECT_EQ(s.done, apply(*ini, s)) << c.name << ": " << s.op << " " << s.section << " " << s.key;
      }
    }
    ini.reset();
    EXPECT_EQ(c.expected, slurp(file)) << c.name;
    expect_rewritten_unchanged(file);
  }
  for (const char *name : {"odbcinst.ini", "50-server.cnf", "journald.conf", "vim.desktop", "mariadb.cnf"})
    expect_rewritten_unchanged(put(name, slurp(data_file(name))));
  // A section is refused whole when one of its keys would be.
  E section(E::SECTION, "s"), bad(E::KEY, "", "k", "a\nb");
  ASSERT_TRUE(section.add(bad));
  EXPECT_FALSE(Ini(put("t.ini", "[s]\n"), RW).set(section));
  EXPECT_EQ("[s]\n", slurp(path("t.ini")));
}

TEST_F(IniFile, ReplacesAtomicallyKeepingModeAndLinks)
{
  const std::string file = put("t.ini", "[s]\nk = 1\n");
  ASSERT_EQ(0, chmod(file.c_str(), 0640));
  ASSERT_EQ(0, symlink("t.ini", path("link.ini").c_str()));
  struct stat before, after, link;
  ASSERT_EQ(0, stat(file.c_str(), &before));
  {
    Ini ini(path("link.ini"), RW);
    ASSERT_TRUE(ini.set(E(E::KEY, "s", "k", "2")));
  }
  ASSERT_EQ(0, stat(file.c_str(), &after));
  ASSERT_EQ(0, lstat(path("link.ini").c_str(), &link));
  EXPECT_TRUE(S_ISLNK(link.st_mode));
  EXPECT_NE(before.st_ino, after.st_ino); // a new file renamed into place
  EXPECT_EQ(0640u, after.st_mode & 07777);
  EXPECT_EQ("[s]\nk = 2\n", slurp(file));
  EXPECT_EQ(0, system(("test $(ls '" + dir + "' | wc -l) -eq 2").c_str())) << "a temporary was left behind";
}

// ---- the option parser ----

namespace options {
using namespace Tools::Arg;

std::vector<std::string> words(const std::string &line)
{
  std::vector<std::string> texts{"prog"};
  std::istringstream in(line);
  for (std::string word; in >> word;)
    texts.push_back(word);
  return texts;
}

// The words of the line as an argument vector, and a parser of it with
// the prefixes "--" and "-".
struct Cmd
{
  std::vector<std::string> texts;
  std::vector<char *> pointers;
  Parser parser;
  explicit Cmd(const std::string &line)
      : texts(words(line)), pointers(texts.size() + 1), parser(static_cast<int>(texts.size()), pointers.data())
  {
    for (std::size_t i = 0; i < texts.size(); ++i)
      pointers[i] = &texts[i][0];
    parser.add_prefix("--");
    parser.add_prefix("-");
  }
};

// The option named `kind`: integers for "count" and "n", a nameless one
// that takes integers only for "", a boolean for "debug".
OptionRef make(const std::string &kind)
{
  if (kind == "count" || kind == "n")
    return OptionRef(new IntOption(kind));
  if (kind == "file")
    return OptionRef(new StringOption("file", "FILE"));
  if (kind == "mode") {
    EnumOption *mode = new EnumOption("mode", false);
    mode->add_state("fast");
    mode->add_state("slow");
    return OptionRef(mode);
  }
  if (kind.empty())
    return OptionRef(new Option(Tools::Ref<Rule>(new EmptyOptionNameRule()), Tools::Ref<Rule>(new IsIntRule())));
  return OptionRef(new BoolOption(kind));
}

TEST(OptionChain, EachKindOfOptionTakesItsValuesAndLeavesTheRest)
{
  const struct
  {
    const char *line, *option;
    bool result, found;
    std::vector<std::string> values, rest; // rest: taken by a nameless option added after
    bool required = false;
  } cases[] = {
      {"--count=5", "count", true, true, {"5"}, {}},
      {"--count 5 6 --count 7", "count", true, true, {"5", "6", "7"}, {}},
      {"--count -5", "count", false, false, {}, {}}, // -5 is a group of its own, nobody's
      {"--file", "file", true, false, {}, {}},
      {"--n 1 x 2", "n", true, true, {"1"}, {"x", "2"}},
      {"--n x 2", "n", false, false, {}, {}},
      {"--n x 2", "n", false, false, {}, {}, true},
      {"in1 --mode=Fast in2 in3", "mode", true, true, {"Fast"}, {"in1", "in2", "in3"}},
      {"--mode=medium", "mode", false, false, {}, {}},
      {"--mode=FAST --mode=slow", "mode", true, true, {"FAST", "slow"}, {}},
      {"--debug=false --debug", "debug", true, true, {"false"}, {}},
      {"--debug yes", "debug", false, true, {}, {}},
      // A nameless option that refuses a value meets its group once only.
      {"1 x 2", "", false, true, {"1"}, {}},
  };
  for (const auto &c : cases) {
    Cmd cmd(c.line);
    OptionRef option = make(c.option);
    option->set_required(c.required);
    cmd.parser.add(option);
    OptionRef rest(new EmptyStringOption());
    if (!c.rest.empty())
      cmd.parser.add(rest);
    EXPECT_EQ(c.result, cmd.parser.parse()) << c.line;
    EXPECT_EQ(c.found, option->is_found()) << c.line;
    EXPECT_EQ(c.values, *option->get_values()) << c.line;
    EXPECT_EQ(c.rest, *rest->get_values()) << c.line;
  }
}

TEST(OptionChain, OddInputsAndOptionsFailWithoutHarm)
{
  // The vector ends at its first null entry even when argc says more.
  char *short_argv[] = {const_cast<char *>("prog"), const_cast<char *>("a"), nullptr};
  EXPECT_EQ(1u, Parser(5, short_argv).split().size());
  EXPECT_TRUE(Parser(3, nullptr).split().empty());

  // Options added before their chain met the parser have no prefixes;
  // reporting their rejected values must not throw.
  Cmd cmd("count abc");
  OptionChainRef chain(new OptionChain(Link(EnumLink::ALL)));
  chain->set_optional(true);
  chain->add(make("count"));
  cmd.parser.add(chain);
  cmd.parser.add_prefix("count");
  EXPECT_FALSE(cmd.parser.parse());

  EXPECT_THROW(chain->add(OptionRef()), OptionRef::BadRef);
  Tools::Ref<Rule> any(new AnyStringRule());
  EXPECT_THROW(chain->add(OptionRef(new Option(any, any))), Tools::Ref<OptionNameRule>::BadRef);
  // A rule cast shares the rule without owning it.
  Tools::Ref<Rule> owner(new IsValueRule(true));
  EXPECT_FALSE(rule_cast<IsValueRule>(owner).is_null());
  EXPECT_NO_THROW(owner->check("x"));
  // A help word longer than the line is cut rather than looping.
  OptionRef wide = make("n");
  rule_cast<OptionNameRule>(wide->get_name_rule())->set_prefixes(StringListRef(new StringList{"--"}));
  wide->set_help(std::string(50, 'x'));
  EXPECT_FALSE(wide->usage_line(0, 5, 10, 20).empty());
}

} // namespace options

// ---- the XML scanner: quoted values whole; what it writes reads back to
// the same tree ----

namespace xml {
using namespace Tools::XML;

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

} // namespace xml

} // namespace
