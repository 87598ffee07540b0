#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

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

std::vector<std::string> section_names(Ini &ini)
{
  E list(E::SECTION_LIST);
  std::vector<std::string> names;
  if (ini.get(list))
    for (const E &section : list.children)
      names.push_back(section.section);
  return names;
}

// Sets every key of the file to the value it has.
void set_all_to_themselves(Ini &ini)
{
  E list(E::SECTION_LIST);
  ASSERT_TRUE(ini.get(list));
  for (const E &section : list.children)
    for (const E &key : section.children)
      ASSERT_TRUE(ini.set(key)) << key;
}

} // namespace

class IniFile : public Scratch
{
protected:
  // Puts the text into a file, sets every key to the value it has and
  // expects the file back byte for byte; the file's path.
  std::string put_and_rewrite(const std::string &name, const std::string &text)
  {
    const std::string file = put(name, text);
    {
      Ini ini(file, RW);
      set_all_to_themselves(ini);
    }
    EXPECT_EQ(text, slurp(file)) << name;
    return file;
  }

  // Opens the file for writing, sets the keys and closes it again.
  void set_keys(const std::string &file, const std::vector<E> &keys)
  {
    Ini ini(file, RW);
    for (const E &key : keys)
      EXPECT_TRUE(ini.set(key)) << key;
  }
};

TEST_F(IniFile, LineForms)
{
  const std::string file = put("t.ini", "a=b\n"
                                        "[ s ]\n"
                                        "name = value ; note\n"
                                        "key==x\n"
                                        "=x\n"
                                        "[]\n"
                                        "[ ]\n"
                                        "empty =\n"
                                        "spaced\t=\t  two words  \n"
                                        "[s]\n"
                                        "other=1\n");
  Ini ini(file, std::ios::in);
  EXPECT_EQ(std::vector<std::string>({"s", "s"}), section_names(ini));
  EXPECT_EQ("value", value_of(ini, "s", "name"));
  EXPECT_EQ("x", value_of(ini, "s", "key"));
  EXPECT_EQ("", value_of(ini, "s", "empty"));
  EXPECT_EQ("two words", value_of(ini, "s", "spaced"));
  EXPECT_EQ("<none>", value_of(ini, "s", "a"));
  EXPECT_EQ("<none>", value_of(ini, "s", "other")); // only the first section is asked
  EXPECT_EQ("value", value_of(ini, " s\t", " name ")); // queries are tidied

  E section(E::SECTION, "s");
  ASSERT_TRUE(ini.get(section));
  EXPECT_EQ(4u, section.children.size());
  EXPECT_EQ(E::SECTION, section.type.get_value());

  // Empty names are refused before any search.
  for (E refused : {E(E::KEY, "s", " "), E(E::KEY, "", "name"), E(), E(E::SECTION, "t")})
    EXPECT_FALSE(ini.get(refused)) << refused;

  testing::internal::CaptureStdout();
  ini.dump();
  const std::string dump = testing::internal::GetCapturedStdout();
  EXPECT_NE(std::string::npos, dump.find("Section: s Key: name Value: value type: KEY \n"));
  EXPECT_NE(std::string::npos, dump.find("Comment: a=b\n"));
  EXPECT_NE(std::string::npos, dump.find("Comment: =x\n"));
}

TEST_F(IniFile, RealFiles)
{
  {
    Ini ini(data_file("odbcinst.ini"), std::ios::in);
    EXPECT_EQ(std::vector<std::string>{"MariaDB Unicode"}, section_names(ini));
    EXPECT_EQ("libmaodbc.so", value_of(ini, "MariaDB Unicode", "Driver"));
    EXPECT_EQ("MariaDB Connector/ODBC(Unicode)", value_of(ini, "MariaDB Unicode", "Description"));
  }
  {
    Ini ini(data_file("50-server.cnf"), std::ios::in);
    EXPECT_EQ(std::vector<std::string>({"server", "mysqld", "embedded", "mariadb", "mariadb-10.11"}),
              section_names(ini));
    EXPECT_EQ("127.0.0.1", value_of(ini, "mysqld", "bind-address"));
    EXPECT_EQ("utf8mb4_general_ci", value_of(ini, "mysqld", "collation-server"));
    EXPECT_EQ("<none>", value_of(ini, "mysqld", "#user")); // a comment, not a key
  }
  {
    Ini ini(data_file("journald.conf"), std::ios::in);
    E journal(E::SECTION, "Journal");
    ASSERT_TRUE(ini.get(journal));
    EXPECT_TRUE(journal.children.empty()); // every setting is commented out
  }
  {
    Ini ini(data_file("vim.desktop"), std::ios::in);
    EXPECT_EQ("vim %F", value_of(ini, "Desktop Entry", "Exec"));
    EXPECT_EQ("Vim", value_of(ini, "Desktop Entry", "Name[de]"));
    EXPECT_EQ("text/english", value_of(ini, "Desktop Entry", "MimeType")); // ";" starts a comment
  }
  {
    Ini ini(data_file("mariadb.cnf"), std::ios::in);
    EXPECT_EQ("/run/mysqld/mysqld.sock", value_of(ini, "client-server", "socket"));
  }
}

TEST_F(IniFile, ByteIdenticalRoundTrips)
{
  for (const char *name : {"odbcinst.ini", "50-server.cnf", "journald.conf", "vim.desktop", "mariadb.cnf"}) {
    const std::string original = slurp(data_file(name));
    ASSERT_FALSE(original.empty()) << name;
    const std::string file = put(name, original);
    {
      Ini ini(file, RW);
      set_all_to_themselves(ini);
      // A section set without keys changes nothing but still writes.
      ASSERT_TRUE(ini.set(E(E::SECTION, section_names(ini).at(0))));
      EXPECT_TRUE(ini.is_dirty());
      EXPECT_TRUE(ini.flush());
      EXPECT_FALSE(ini.is_dirty());
    }
    EXPECT_EQ(original, slurp(file)) << name;
  }
}

TEST_F(IniFile, ChangesTouchOnlyTheValue)
{
  const std::string file = put("my.cnf", "# server settings\n"
                                         "!includedir /etc/mysql/conf.d/\n"
                                         "stray = before any section\n"
                                         "[mysqld]\n"
                                         "port\t\t= 3306   ; the usual\n"
                                         "user =\n"
                                         "\n"
                                         "# trailing comment\n"
                                         "[client]\n"
                                         "socket = /tmp/s\n");
  set_keys(file, {E(E::KEY, "mysqld", "port", "3307"), E(E::KEY, "mysqld", "user", "mysql"),
                  E(E::KEY, "mysqld", "new", "1"), E(E::KEY, "extra", "k", "v")});
  EXPECT_EQ("# server settings\n"
            "!includedir /etc/mysql/conf.d/\n"
            "stray = before any section\n"
            "[mysqld]\n"
            "port\t\t= 3307   ; the usual\n"
            "user =mysql\n"
            "new = 1\n"
            "\n"
            "# trailing comment\n"
            "[client]\n"
            "socket = /tmp/s\n"
            "[extra]\n"
            "k = v\n",
            slurp(file));

  Ini again(file, std::ios::in);
  EXPECT_EQ("3307", value_of(again, "mysqld", "port"));
  EXPECT_EQ("mysql", value_of(again, "mysqld", "user"));
  EXPECT_EQ("v", value_of(again, "extra", "k"));
  EXPECT_EQ("<none>", value_of(again, "mysqld", "stray"));
}

TEST_F(IniFile, NewSectionsGoToTheEnd)
{
  const std::string file = put("t.ini", "[a]\nk = 1\n; about b\n[b]\nx = 1\n\n; the end\n");
  set_keys(file, {E(E::KEY, "c", "y", "2"), E(E::KEY, "a", "n", "3"), E(E::KEY, "c", "z", "4")});
  EXPECT_EQ("[a]\nk = 1\nn = 3\n; about b\n[b]\nx = 1\n\n; the end\n[c]\ny = 2\nz = 4\n", slurp(file));
}

TEST_F(IniFile, RepeatedWriteBacksDoNotGrow)
{
  const std::string file = put("t.ini", "; head\n[s]\nk = 1\n\n");
  std::string first;
  for (int round = 0; round < 3; ++round) {
    {
      Ini ini(file, RW);
      ASSERT_TRUE(ini.set(E(E::KEY, "s", "added", "x")));
      ASSERT_TRUE(ini.flush());
      ASSERT_TRUE(ini.set(E(E::KEY, "s", "k", "1")));
    }
    if (round == 0)
      first = slurp(file);
    EXPECT_EQ(first, slurp(file)) << round;
  }
  EXPECT_EQ("; head\n[s]\nk = 1\nadded = x\n\n", first);
}

TEST_F(IniFile, CrlfAndMissingFinalLineEnd)
{
  // Mixed line ends stay as they are; new lines take CRLF once the file
  // has any; a missing final line end stays missing.
  const struct
  {
    const char *name, *text;
    std::vector<E> keys;
    const char *expected;
  } cases[] = {
      {"crlf.ini", "; c\r\n[s]\r\nk = 1\r\n", {E(E::KEY, "s", "k", "2"), E(E::KEY, "s", "n", "3")},
       "; c\r\n[s]\r\nk = 2\r\nn = 3\r\n"},
      {"mixed.ini", "# lf\n# crlf\r\n[s]\nk = 1\r\nj = 2\n", {E(E::KEY, "s", "n", "3")},
       "# lf\n# crlf\r\n[s]\nk = 1\r\nj = 2\nn = 3\r\n"},
      {"noeol.ini", "[s]\nk = 1", {E(E::KEY, "s", "n", "2")}, "[s]\nk = 1\nn = 2"},
  };
  for (const auto &c : cases) {
    const std::string file = put_and_rewrite(c.name, c.text);
    {
      Ini ini(file, std::ios::in);
      EXPECT_EQ("1", value_of(ini, "s", "k")) << c.name;
    }
    set_keys(file, c.keys);
    EXPECT_EQ(c.expected, slurp(file)) << c.name;
  }
}

TEST_F(IniFile, OpeningForWritingKeepsTheFile)
{
  const std::string file = put("t.ini", "[s]\nk = 1\n");
  {
    Ini ini(file, std::ios::out); // a plain stream would empty the file here
    EXPECT_TRUE(ini.is_open());
    EXPECT_EQ("[s]\nk = 1\n", slurp(file));
    ASSERT_TRUE(ini.set(E(E::KEY, "s", "n", "2")));
  }
  EXPECT_EQ("[s]\nk = 1\nn = 2\n", slurp(file));

  {
    // Asked for explicitly, truncation still happens.
    Ini ini(file, std::ios::out | std::ios::trunc);
    EXPECT_EQ("<none>", value_of(ini, "s", "k"));
    ASSERT_TRUE(ini.set(E(E::KEY, "fresh", "a", "b")));
  }
  EXPECT_EQ("[fresh]\na = b\n", slurp(file));

  // A new file is created by a writer only.
  const std::string created = path("new.ini");
  {
    Ini reader(created, RW);
    EXPECT_FALSE(reader.is_open());
    Ini writer(created, std::ios::out);
    EXPECT_TRUE(writer.is_open());
    ASSERT_TRUE(writer.set(E(E::KEY, "s", "k", "v")));
  }
  EXPECT_EQ("[s]\nk = v\n", slurp(created));
}

TEST_F(IniFile, ValuesCannotInjectLines)
{
  const std::string file = put("t.ini", "[s]\nk = 1\n");
  {
    Ini ini(file, RW);
    EXPECT_FALSE(ini.set(E(E::KEY, "s", "k", "1\n[admin]\npassword = x")));
    EXPECT_FALSE(ini.set(E(E::KEY, "s", "k", "1\rx")));
    EXPECT_FALSE(ini.set(E(E::KEY, "s\n", "k", "1")));
    EXPECT_FALSE(ini.set(E(E::KEY, "s", "k\nx", "1")));
    EXPECT_FALSE(ini.set(E(E::KEY, "s", "k", std::string("a\0b", 3))));
    E section(E::SECTION, "s");
    E bad(E::KEY, "", "k", "a\nb");
    section.add(bad);
    EXPECT_FALSE(ini.set(section));
    EXPECT_EQ("1", value_of(ini, "s", "k"));
  }
  EXPECT_EQ("[s]\nk = 1\n", slurp(file));
}

TEST_F(IniFile, WhatIsSetReadsBackTheSameOrIsRefused)
{
  const struct
  {
    const char *key;
    const char *value;
    bool set;
  } cases[] = {
      {"k", "a=b", true},      {"k#", "#x y [z]", true}, {"k.k", "", true},       {"k", "a;b", false},
      {"a=b", "1", false},     {"#k", "1", false},       {";k", "1", false},      {"k k", "1", false},
      {"[k", "1]", false},     {"k", " x", false},       {"k", "=x", false},      {"k", "x\t", false},
  };
  for (const auto &c : cases) {
    const std::string text = "[s]\nold = 1\n";
    const std::string file = put("t.ini", text);
    {
      Ini ini(file, RW);
      EXPECT_EQ(c.set, ini.set(E(E::KEY, "s", c.key, c.value))) << c.key << " = " << c.value;
    }
    Ini again(file, std::ios::in);
    if (c.set)
      EXPECT_EQ(c.value, value_of(again, "s", c.key)) << c.key;
    else
      EXPECT_EQ(text, slurp(file)) << c.key << " = " << c.value;
  }
  const std::string file = put("t.ini", "[s]\n");
  Ini ini(file, RW);
  EXPECT_FALSE(ini.set(E(E::KEY, "s;t", "k", "1")));
}

TEST_F(IniFile, AddingThenRemovingAKeyGivesTheFileBack)
{
  const std::string text = "; head\n[s]\na = 1\n\n; end\n";
  const std::string file = put("t.ini", text);
  for (int round = 0; round < 3; ++round) {
    {
      Ini ini(file, RW);
      ASSERT_TRUE(ini.set(E(E::KEY, "s", "b", "2")));
    }
    {
      Ini ini(file, RW);
      ASSERT_TRUE(ini.remove(E(E::KEY, "s", "b")));
    }
    EXPECT_EQ(text, slurp(file)) << round;
  }
}

TEST_F(IniFile, AByteOrderMarkIsKeptAndHidesNoSection)
{
  const std::string file = put("t.ini", "\xEF\xBB\xBF[s]\nk = 1\n");
  {
    Ini ini(file, RW);
    EXPECT_EQ(std::vector<std::string>{"s"}, section_names(ini));
    EXPECT_TRUE(ini.set(E(E::KEY, "s", "k", "2")));
  }
  EXPECT_EQ("\xEF\xBB\xBF[s]\nk = 2\n", slurp(file));
}

TEST_F(IniFile, ReplacesAtomicallyKeepingModeAndLinks)
{
  const std::string file = put("t.ini", "[s]\nk = 1\n");
  ASSERT_EQ(0, chmod(file.c_str(), 0640));
  ASSERT_EQ(0, symlink("t.ini", path("link.ini").c_str()));
  struct stat before;
  ASSERT_EQ(0, stat(file.c_str(), &before));
  {
    Ini ini(path("link.ini"), RW);
    ASSERT_TRUE(ini.set(E(E::KEY, "s", "k", "2")));
    ASSERT_TRUE(ini.flush());
  }
  struct stat after, link;
  ASSERT_EQ(0, stat(file.c_str(), &after));
  ASSERT_EQ(0, lstat(path("link.ini").c_str(), &link));
  EXPECT_TRUE(S_ISLNK(link.st_mode));
  EXPECT_NE(before.st_ino, after.st_ino); // a new file renamed into place
  EXPECT_EQ(0640u, after.st_mode & 07777);
  EXPECT_EQ("[s]\nk = 2\n", slurp(file));
  // No temporary is left behind.
  EXPECT_EQ(0, system(("test $(ls '" + dir + "' | wc -l) -eq 2").c_str()));
}

TEST_F(IniFile, WhatIsNoFile)
{
  {
    Ini ini(dir, std::ios::in);
    EXPECT_FALSE(ini.is_open());
    E list(E::SECTION_LIST);
    EXPECT_TRUE(ini.get(list));
    EXPECT_TRUE(list.children.empty());
  }
  {
    Ini ini(dir, RW);
    EXPECT_FALSE(ini.is_open());
    EXPECT_FALSE(ini.flush());
  }
  ASSERT_EQ(0, mkfifo(path("fifo").c_str(), 0600));
  {
    Ini ini(path("fifo"), std::ios::in); // must not block
    EXPECT_FALSE(ini.is_open());
  }
  {
    Ini ini("/proc/self/status", std::ios::in);
    EXPECT_TRUE(ini.is_open());
    EXPECT_TRUE(ini.read());
    EXPECT_FALSE(ini.read()); // once only
    EXPECT_TRUE(section_names(ini).empty());
  }
  {
    Ini ini("", std::ios::out);
    EXPECT_FALSE(ini.is_open());
  }
}

TEST_F(IniFile, ModesGuardChanges)
{
  const std::string file = put("t.ini", "[s]\nk = 1\n");
  {
    Ini ini(file, std::ios::in);
    EXPECT_FALSE(ini.set(E(E::KEY, "s", "k", "2")));
    EXPECT_FALSE(ini.remove(E(E::KEY, "s", "k")));
    EXPECT_FALSE(ini.clear());
    EXPECT_FALSE(ini.flush());
    EXPECT_FALSE(ini.open(file, RW)); // one object, one file
  }
  EXPECT_EQ("[s]\nk = 1\n", slurp(file));

  // Without a file, changes live in memory only.
  Ini none(path("missing.ini"), std::ios::in);
  EXPECT_FALSE(none.is_open());
  EXPECT_TRUE(none.set(E(E::KEY, "s", "k", "v")));
  EXPECT_EQ("v", value_of(none, "s", "k"));
  EXPECT_FALSE(none.remove(E(E::KEY, "s", "k")));
  EXPECT_FALSE(none.flush());
  none.close();
  EXPECT_NE(0, access(path("missing.ini").c_str(), F_OK));
}

TEST_F(IniFile, Removal)
{
  const std::string file = put("t.ini", "[a]\nx = 1\ny = 2\n; keep\n[b]\nz = 3\n[c]\n");
  {
    Ini ini(file, RW);
    EXPECT_TRUE(ini.remove(E(E::KEY, "a", "x")));
    EXPECT_FALSE(ini.remove(E(E::KEY, "a", "x")));
    EXPECT_FALSE(ini.remove(E(E::KEY, "nowhere", "x")));
    EXPECT_TRUE(ini.remove(E(E::KEY, "b", "z"))); // the last key takes its section along
    EXPECT_TRUE(ini.remove(E(E::SECTION, "c")));  // a section without keys goes
    EXPECT_FALSE(ini.remove(E(E::SECTION, "b")));
    EXPECT_EQ(std::vector<std::string>{"a"}, section_names(ini));
  }
  // The removed lines go without a trace.
  EXPECT_EQ("[a]\ny = 2\n; keep\n", slurp(file));

  const std::string file2 = put("t2.ini", "[a]\nx = 1\ny = 2\n");
  {
    Ini ini(file2, RW);
    E section(E::SECTION, "a");
    E y(E::KEY, "", "y");
    ASSERT_TRUE(section.add(y));
    EXPECT_EQ("a", y.section);
    EXPECT_TRUE(ini.remove(section)); // x stays, so does the section
    EXPECT_EQ("1", value_of(ini, "a", "x"));
    EXPECT_EQ("<none>", value_of(ini, "a", "y"));
    EXPECT_TRUE(ini.remove(E(E::SECTION_LIST)));
    EXPECT_TRUE(section_names(ini).empty());
  }
  EXPECT_EQ("", slurp(file2));
}

TEST_F(IniFile, SetSectionsAndClear)
{
  const std::string file = put("t.ini", "; old\n[old]\nk = 1\n");
  {
    Ini ini(file, RW);
    E list(E::SECTION_LIST);
    E section(E::SECTION, "new");
    E key(E::KEY, "", "a", "1");
    ASSERT_TRUE(section.add(key));
    ASSERT_TRUE(list.add(section));
    EXPECT_FALSE(list.add(key));
    EXPECT_FALSE(section.add(list));
    EXPECT_TRUE(ini.set(list)); // replaces everything
    EXPECT_EQ(std::vector<std::string>{"new"}, section_names(ini));
  }
  EXPECT_EQ("[new]\na = 1\n", slurp(file));
  {
    Ini ini(file, RW);
    EXPECT_TRUE(ini.clear());
    EXPECT_TRUE(section_names(ini).empty()); // not read back in
  }
  EXPECT_EQ("", slurp(file));
}

TEST(IniElement, EqualityAndOutput)
{
  E a(E::KEY, "s", "k", "1");
  E b(E::KEY, "s", "k", "2");
  EXPECT_TRUE(a == b); // values are not compared
  EXPECT_FALSE(a == E(E::SECTION, "s", "k"));
  std::ostringstream out;
  out << a << '|' << E(E::SECTION, "s") << '|' << E(E::SECTION_LIST) << '|' << E();
  EXPECT_EQ("Section: s Key: k Value: 1 type: KEY |Section: s type: SECTION |Section:  type: SECTION_LIST "
            "|Section:  type: UNDEF",
            out.str());
  E copy;
  copy = a;
  EXPECT_EQ("1", copy.value);
  EXPECT_THROW(E(static_cast<E::EnumType::Enum>(5)), E::Type::Error);
}
