#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <sstream>

#include "tests/readers/scratch.h"
#include "tools/readers/cppdir.h"

using Tools::CppDir;
typedef CppDir::EnumFile F;

TEST(Paths, ConcatAndNormalize)
{
  EXPECT_EQ("/a", Tools::concat_path("/", "a"));
  EXPECT_EQ("/a", Tools::concat_path("", "/a"));
  EXPECT_EQ("/a/b", Tools::concat_path("/a/", "/b"));
  EXPECT_EQ("/a/b", Tools::concat_path("/a", "./b"));
  EXPECT_EQ("a/b", Tools::concat_path("a", "b"));
  EXPECT_EQ("/", Tools::concat_path("/", "/"));

  EXPECT_EQ("/a/c", Tools::normalize_path("/a/b/../c"));
  EXPECT_EQ("/b", Tools::normalize_path("/a/../b"));
  EXPECT_EQ("/a", Tools::normalize_path("/a/./"));
  EXPECT_EQ("/", Tools::normalize_path("/"));
  EXPECT_EQ("", Tools::normalize_path(""));
  // Folded completely: the root is its own parent, a final ".." goes too,
  // and "/." is the root, not the empty path.
  EXPECT_EQ("/", Tools::normalize_path("/."));
  EXPECT_EQ("/x", Tools::normalize_path("/../x"));
  EXPECT_EQ("/a", Tools::normalize_path("/a/b/.."));
  EXPECT_EQ("/", Tools::normalize_path("/../../.."));
  EXPECT_EQ("b", Tools::normalize_path("a/../b"));
  EXPECT_EQ("../b", Tools::normalize_path("a/../../b"));
  EXPECT_EQ("../../x", Tools::normalize_path("../../x"));
  EXPECT_EQ("/a/b", Tools::normalize_path("//a///b//"));
  for (const char *itself : {"a/..", ".", "./", "a/b/../.."})
    EXPECT_EQ(".", Tools::normalize_path(itself)) << itself;
}

TEST(Paths, SplitPath)
{
  std::string dir = "untouched", name;
  Tools::split_path("/a/b/", dir, name);
  EXPECT_EQ("/a", dir);
  EXPECT_EQ("b", name);
  Tools::split_path("/a", dir, name);
  EXPECT_EQ("/", dir);
  EXPECT_EQ("a", name);
  dir = "untouched";
  Tools::split_path("a", dir, name);
  EXPECT_EQ("untouched", dir);
  EXPECT_EQ("a", name);
  Tools::split_path("/", dir, name);
  EXPECT_EQ("/", dir);
  EXPECT_EQ("/", name);
  Tools::split_path("", dir, name);
  EXPECT_EQ("", name);
}

TEST(Paths, RelativeAbsoluteAndFromStart)
{
  EXPECT_EQ("../z/w", Tools::relative_path("/x/y", "/x/z/w"));
  EXPECT_EQ("", Tools::relative_path("/x", "/x"));
  EXPECT_EQ("../..", Tools::relative_path("/x/y/z", "/x"));
  EXPECT_EQ("y", Tools::relative_path("/x", "/x/./y/"));

  ASSERT_FALSE(Tools::start_dir.empty());
  EXPECT_EQ(Tools::get_cwd(), Tools::start_dir);
  EXPECT_EQ("/etc", Tools::absolute_path("/etc/x/..", "ignored"));
  EXPECT_EQ("", Tools::absolute_path("", "/base"));
  EXPECT_EQ("/base/f", Tools::absolute_path("f", "/base"));
  EXPECT_EQ(Tools::concat_path(Tools::start_dir, "sub/f"), Tools::absolute_path("f", "sub"));
  EXPECT_EQ(Tools::concat_path(Tools::start_dir, "f"), Tools::absolute_path("f", ""));

  EXPECT_EQ("", Tools::path_from_start(Tools::start_dir));
  EXPECT_EQ("a/b", Tools::path_from_start(Tools::start_dir + "/a/./b"));
  EXPECT_EQ("/elsewhere/x", Tools::path_from_start("/elsewhere/x"));
  const std::string saved = Tools::start_dir;
  Tools::start_dir = "/";
  EXPECT_EQ("etc", Tools::path_from_start("/etc"));
  Tools::start_dir = saved;
}

TEST(Paths, IsSubpathComparesFoldedPaths)
{
  EXPECT_TRUE(Tools::is_subpath("/a/b", "/a"));
  EXPECT_TRUE(Tools::is_subpath("/a", "/a"));
  EXPECT_FALSE(Tools::is_subpath("/ab", "/a"));
  EXPECT_TRUE(Tools::is_subpath("/a/b", "/"));
  EXPECT_TRUE(Tools::is_subpath("/a/b", "/a/"));
  EXPECT_FALSE(Tools::is_subpath("/a/../etc", "/a"));
  EXPECT_FALSE(Tools::is_subpath("/a/..", "/a"));
  EXPECT_TRUE(Tools::is_subpath("/a/x/../b", "/a"));
  EXPECT_FALSE(Tools::is_subpath("", "/a"));
  EXPECT_FALSE(Tools::is_subpath("/a", ""));
}

class Listing : public Scratch
{
};

TEST_F(Listing, ReportsRealKindsAndInodes)
{
  put("file", "x");
  ASSERT_EQ(0, mkdir(path("sub").c_str(), 0755));
  ASSERT_EQ(0, symlink("file", path("link").c_str()));
  ASSERT_EQ(0, mkfifo(path("fifo").c_str(), 0600));

  CppDir listing(dir);
  ASSERT_TRUE(listing.is_ok()) << listing.get_error();
  std::map<std::string, const CppDir::File *> by_name;
  for (const CppDir::File &file : listing.get_files())
    by_name[file.get_name()] = &file;
  ASSERT_EQ(6u, by_name.size()); // with "." and ".."
  EXPECT_EQ(F::REGULAR, by_name["file"]->get_type().get_value());
  EXPECT_EQ(F::DIR, by_name["sub"]->get_type().get_value());
  EXPECT_EQ(F::LINK, by_name["link"]->get_type().get_value());
  EXPECT_EQ(F::FIFO, by_name["fifo"]->get_type().get_value());
  EXPECT_EQ(path("link"), by_name["link"]->get_link_path());
  EXPECT_EQ(path("file"), by_name["file"]->get_full_path());

  struct stat st;
  ASSERT_EQ(0, lstat(path("file").c_str(), &st));
  EXPECT_EQ(st.st_ino, by_name["file"]->get_inode());

  // A listed directory can be opened in turn; a file cannot.
  CppDir inner(*by_name["sub"]);
  EXPECT_TRUE(inner.is_ok()) << inner.get_error();
  CppDir not_dir(*by_name["file"]);
  EXPECT_FALSE(not_dir.is_ok());
  EXPECT_EQ("file is not a direcory", not_dir.get_error());
  EXPECT_TRUE(not_dir.get_files().empty());
}

TEST_F(Listing, EntriesMadeFromPaths)
{
  put("f", "");
  CppDir::File whole(path("f"));
  EXPECT_EQ("f", whole.get_name());
  EXPECT_EQ(dir, whole.get_path());
  EXPECT_EQ(F::REGULAR, whole.get_type().get_value());

  CppDir::File parts(dir, "f");
  EXPECT_EQ(path("f"), parts.get_full_path());

  CppDir::File missing(dir, "nothing");
  EXPECT_TRUE(!missing);
  EXPECT_EQ(F::UNKNOWN, missing.get_type().get_value());
  CppDir refused(missing);
  EXPECT_FALSE(refused.is_ok());
  EXPECT_EQ("file not valid", refused.get_error());

  CppDir::File root("/");
  CppDir listing(root);
  EXPECT_TRUE(listing.is_ok()) << listing.get_error();
  EXPECT_EQ("/", listing.get_path());
}

TEST_F(Listing, FailuresLeaveTextAndEmptyList)
{
  CppDir listing(dir);
  ASSERT_TRUE(listing.is_ok());
  const std::string missing = path("missing");
  EXPECT_FALSE(listing.open(missing));
  EXPECT_EQ("commad opendir failed on file name \"" + missing +
              "\"\nENOENT Directory does not exist, or name is an empty string.",
            listing.get_error());
  EXPECT_TRUE(listing.get_files().empty());

  put("plain", "");
  CppDir file(path("plain"));
  EXPECT_FALSE(file.is_ok());
  EXPECT_NE(std::string::npos, file.get_error().find("ENOTDIR"));

  // Reading again after a failure works and keeps the old error text.
  EXPECT_TRUE(listing.open(dir));
  EXPECT_FALSE(listing.get_files().empty());
  EXPECT_NE(std::string::npos, listing.get_error().find("ENOENT"));

  // /proc lists without trouble.
  CppDir proc("/proc/self");
  EXPECT_TRUE(proc.is_ok());
}

TEST(Paths, KindNames)
{
  std::ostringstream out;
  out << CppDir::Kind(F::DIR) << ' ' << CppDir::Kind(F::REGULAR) << ' ' << CppDir::Kind(F::LINK) << ' '
      << CppDir::Kind(static_cast<F::Enum>(3)) << '|';
  EXPECT_EQ("DIR REGULAR LINK |", out.str());
  std::ostringstream unset;
  EXPECT_THROW(unset << CppDir::Kind(), CppDir::Kind::Error);
  EXPECT_EQ(F::DIR, Tools::file_kind("/").get_value());
  EXPECT_EQ(F::CHAR, Tools::file_kind("/dev/null").get_value());
  EXPECT_EQ(F::UNKNOWN, Tools::file_kind("/no/such/thing").get_value());
}
