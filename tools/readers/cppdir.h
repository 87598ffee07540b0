#ifndef KORVAN_TOOLS_READERS_CPPDIR_H
#define KORVAN_TOOLS_READERS_CPPDIR_H

// The directory lister and the path functions beside it. The path
// functions work on text alone with "/" as the only separator; they never
// look at the file system.

#include <dirent.h>
#include <sys/types.h>

#include <iosfwd>
#include <list>
#include <string>

#include "tools/core/enum_range.h"

namespace Tools {

class CppDir
{
public:
  // Kinds of directory entries, numbered as the d_type codes.
  struct EnumFile
  {
    enum Enum { UNKNOWN = 0, FIFO = 1, CHAR = 2, DIR = 4, BLOCK = 6, REGULAR = 8, LINK = 10 };
    typedef Enum ETYPE;
    static constexpr int FIRST__ = 0, LAST__ = 10;
  };
  typedef EnumRange<EnumFile, CopyNone<EnumFile> > Kind;

  class File
  {
    std::string name;
    Kind kind;
    ino_t inode;
    bool valid;
    bool link;
    std::string path;
    std::string full_path;

  public:
    // An entry read from the directory `path`.
    File(const dirent *entry, const std::string &path);
    File(const std::string &path, const std::string &name);
    explicit File(const std::string &full_path);

    std::string get_name() const { return name; }
    std::string get_path() const { return path; }
    std::string get_full_path() const { return full_path; }
    Kind get_type() const { return kind; }
    ino_t get_inode() const { return inode; }
    bool is_link() const { return link; }
    // An entry is valid when it existed when it was made.
    bool operator!() const { return !valid; }
    // The link's own path (not resolved), or "" for other entries.
    std::string get_link_path() const;
  };

private:
  std::string error;
  std::string path;
  bool ok;
  std::list<File> files;
  bool is_open;
  ::DIR *handle;

public:
  explicit CppDir(const std::string &path);
  explicit CppDir(const File &dir);
  ~CppDir();
  CppDir(const CppDir &) = delete;
  CppDir &operator=(const CppDir &) = delete;

  bool open(const std::string &path);
  bool open(const File &dir);
  void close();

  std::string get_error() const { return error; }
  std::string get_path() const { return path; }
  bool is_ok() const { return ok; }
  const std::list<File> &get_files() const { return files; }
};

// The working directory when the program started.
extern std::string start_dir;

std::string concat_path(std::string dir, std::string name);
std::string normalize_path(std::string path);
std::string get_cwd();
void split_path(std::string path, std::string &dir, std::string &name);
std::string absolute_path(const std::string &path, std::string base);
std::string path_from_start(std::string path);
std::string relative_path(std::string from, std::string to);
bool is_subpath(const std::string &path, const std::string &dir);
// The kind of what the path names, without following a final link.
CppDir::Kind file_kind(const std::string &path);

std::ostream &operator<<(std::ostream &os, const CppDir::Kind &kind);

} // namespace Tools

#endif
