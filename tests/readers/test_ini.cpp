// The INI reader keeps somebody else's file as it stands: an edit touches
// only what it changes, what is set reads back the same or is refused, and
// the file is replaced atomically or not at all.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>

#include "tests/readers/scratch.h"
#include "tools/readers/ini.h"

using Tools::Oxa::Ini;
typedef Ini::Element E;

namespace {

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

} // namespace

using IniFile = Scratch;

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
