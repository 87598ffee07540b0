// Paths fold on the text alone; the readers take what the file system
// holds and refuse what is no file for them without blocking.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "tests/readers/scratch.h"
#include "tools/readers/cppdir.h"
#include "tools/readers/ini.h"
#include "tools/readers/xml.h"

using Tools::CppDir;

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

using Files = Scratch;

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
