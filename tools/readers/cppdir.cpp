#include "tools/readers/cppdir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ostream>
#include <vector>

namespace Tools {

std::string start_dir = get_cwd();

namespace {

CppDir::Kind kind_of_mode(mode_t mode)
{
  typedef CppDir::EnumFile F;
  if (S_ISDIR(mode))
    return CppDir::Kind(F::DIR);
  if (S_ISREG(mode))
    return CppDir::Kind(F::REGULAR);
  if (S_ISLNK(mode))
    return CppDir::Kind(F::LINK);
  if (S_ISFIFO(mode))
    return CppDir::Kind(F::FIFO);
  if (S_ISCHR(mode))
    return CppDir::Kind(F::CHAR);
  if (S_ISBLK(mode))
    return CppDir::Kind(F::BLOCK);
  return CppDir::Kind(F::UNKNOWN); // sockets have no code of their own here
}

// The d_type codes match the kinds, except those beyond the range
// (sockets, whiteouts) and DT_UNKNOWN, which some file systems always give.
bool kind_of_dtype(unsigned char type, CppDir::Kind &kind)
{
  typedef CppDir::EnumFile F;
  switch (type) {
  case DT_DIR: kind = F::DIR; return true;
  case DT_REG: kind = F::REGULAR; return true;
  case DT_LNK: kind = F::LINK; return true;
  case DT_FIFO: kind = F::FIFO; return true;
  case DT_CHR: kind = F::CHAR; return true;
  case DT_BLK: kind = F::BLOCK; return true;
  case DT_UNKNOWN: return false;
  default: kind = F::UNKNOWN; return true;
  }
}

const char *errno_line(int error)
{
  switch (error) {
  case ENOENT: return "\nENOENT Directory does not exist, or name is an empty string.";
  case ENOMEM: return "\nENOMEM Insufficient memory to complete the operation.";
  case EACCES: return "\nEACCES Permission denied.";
  case ENOTDIR: return "\nENOTDIR name is not a directory.";
  case ENFILE: return "\nENFILE Too many files are currently open in the system.";
  case EMFILE: return "\nEMFILE Too many file descriptors in use by process.";
  default: return "\nundocumented setting of errno.";
  }
}

bool starts_with(const std::string &text, const std::string &head)
{
  return text.compare(0, head.size(), head) == 0;
}

} // namespace

// ---- CppDir::File ----

CppDir::File::File(const dirent *entry, const std::string &path)
  : name(entry->d_name), inode(entry->d_ino), valid(true), link(false), path(path),
    full_path(concat_path(path, name))
{
  if (!kind_of_dtype(entry->d_type, kind))
    kind = file_kind(full_path);
  link = kind == EnumFile::LINK;
}

CppDir::File::File(const std::string &path, const std::string &name)
  : name(name), inode(0), valid(false), link(false), path(path), full_path(concat_path(path, name))
{
  struct stat st;
  valid = ::lstat(full_path.c_str(), &st) == 0;
  kind = valid ? kind_of_mode(st.st_mode) : Kind(EnumFile::UNKNOWN);
  link = kind == EnumFile::LINK;
}

CppDir::File::File(const std::string &full_path)
  : inode(0), valid(false), link(false), full_path(full_path)
{
  split_path(full_path, path, name);
  struct stat st;
  valid = ::lstat(full_path.c_str(), &st) == 0;
  kind = valid ? kind_of_mode(st.st_mode) : Kind(EnumFile::UNKNOWN);
  link = kind == EnumFile::LINK;
}

std::string CppDir::File::get_link_path() const { return link ? concat_path(path, name) : std::string(); }

// ---- CppDir ----

CppDir::CppDir(const std::string &path) : ok(false), is_open(false), handle(nullptr) { ok = open(path); }

CppDir::CppDir(const File &dir) : ok(false), is_open(false), handle(nullptr) { ok = open(dir); }

CppDir::~CppDir() { close(); }

bool CppDir::open(const std::string &dir_path)
{
  files.clear();
  if (is_open) {
    error = "Directory already open";
    return false;
  }
  errno = 0;
  handle = ::opendir(dir_path.c_str());
  if (!handle) {
    const int failure = errno;
    error = "commad opendir failed on file name \"" + dir_path + "\"" + errno_line(failure);
    return false;
  }
  is_open = true;
  path = dir_path;
  while (const dirent *entry = ::readdir(handle))
    files.push_back(File(entry, dir_path));
  close();
  return true;
}

bool CppDir::open(const File &dir)
{
  if (is_open) {
    error = "Directory already open";
    return false;
  }
  if (!dir) {
    error = "file not valid";
    return false;
  }
  if (dir.get_type() != EnumFile::DIR) {
    error = "file is not a direcory";
    return false;
  }
  return open(concat_path(dir.get_path(), dir.get_name()));
}

void CppDir::close()
{
  if (is_open) {
    ::closedir(handle);
    handle = nullptr;
    is_open = false;
  }
}

// ---- path functions ----

std::string concat_path(std::string dir, std::string name)
{
  if (!name.empty() && name[0] == '/' && !dir.empty())
    name.erase(0, 1);
  std::string joined;
  if (dir.empty())
    joined = name;
  else {
    if (dir.back() == '/')
      dir.pop_back();
    joined = dir + "/" + name;
  }
  return normalize_path(joined);
}

// Folds by components, so that every "." and ".." goes, also a final
// "/..", one at the start of an absolute path (the root is its own
// parent) and doubled slashes; a relative path keeps the ".." steps that
// lead out of it, and one that folds away completely is ".".
std::string normalize_path(std::string path)
{
  if (path.empty())
    return path;
  const bool absolute = path[0] == '/';
  std::vector<std::string> parts;
  std::string::size_type begin = 0;
  while (begin <= path.size()) {
    std::string::size_type end = path.find('/', begin);
    if (end == std::string::npos)
      end = path.size();
    const std::string part = path.substr(begin, end - begin);
    if (part.empty() || part == ".") {
      // nothing
    } else if (part == "..") {
      if (!parts.empty() && parts.back() != "..")
        parts.pop_back();
      else if (!absolute)
        parts.push_back(part);
    } else {
      parts.push_back(part);
    }
    begin = end + 1;
  }
  // A relative path that folds away completely is the directory itself.
  if (!absolute && parts.empty())
    return ".";
  std::string result = absolute ? "/" : "";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i)
      result += '/';
    result += parts[i];
  }
  return result;
}

std::string get_cwd()
{
  std::vector<char> buffer(261);
  errno = 0;
  while (!::getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE)
      return std::string();
    buffer.resize(buffer.size() + 259);
    errno = 0;
  }
  return std::string(buffer.data());
}

void split_path(std::string path, std::string &dir, std::string &name)
{
  if (path == "/") {
    dir = "/";
    name = "/";
    return;
  }
  if (!path.empty() && path.back() == '/')
    path.pop_back();
  const std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) {
    name = path;
    return;
  }
  name = path.substr(slash + 1);
  dir = slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string absolute_path(const std::string &path, std::string base)
{
  if (path.empty())
    return std::string();
  if (path[0] == '/')
    return normalize_path(path);
  if (base.empty())
    base = start_dir;
  else if (base[0] != '/')
    base = concat_path(start_dir, base);
  return normalize_path(concat_path(base, path));
}

std::string path_from_start(std::string path)
{
  path = normalize_path(path);
  if (path == start_dir)
    return std::string();
  const std::string head = start_dir == "/" ? start_dir : start_dir + "/";
  if (!start_dir.empty() && starts_with(path, head))
    return path.substr(head.size());
  return path;
}

namespace {

// "/x/y" gives "/", "x/", "y/".
std::vector<std::string> components(const std::string &path)
{
  std::vector<std::string> parts;
  std::string::size_type begin = 0;
  for (std::string::size_type i = 0; i < path.size(); ++i)
    if (path[i] == '/') {
      parts.push_back(path.substr(begin, i - begin + 1));
      begin = i + 1;
    }
  if (begin < path.size())
    parts.push_back(path.substr(begin) + "/");
  return parts;
}

} // namespace

std::string relative_path(std::string from, std::string to)
{
  const std::vector<std::string> a = components(normalize_path(from));
  const std::vector<std::string> b = components(normalize_path(to));
  std::size_t common = 0;
  while (common < a.size() && common < b.size() && a[common] == b[common])
    ++common;
  std::string result;
  for (std::size_t i = common; i < a.size(); ++i)
    result += "../";
  for (std::size_t i = common; i < b.size(); ++i)
    result += b[i];
  if (!result.empty() && result.back() == '/')
    result.pop_back();
  return result;
}

bool is_subpath(const std::string &path_text, const std::string &dir_text)
{
  // Compared folded: "/a/../etc" is not inside "/a", "/a/b" is inside "/a/".
  const std::string path = normalize_path(path_text);
  const std::string dir = normalize_path(dir_text);
  if (path.empty() || dir.empty() || !starts_with(path, dir))
    return false;
  if (dir.back() != '/')
    return path.size() == dir.size() || path[dir.size()] == '/';
  return dir == "/";
}

CppDir::Kind file_kind(const std::string &path)
{
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0)
    return CppDir::Kind(CppDir::EnumFile::UNKNOWN);
  return kind_of_mode(st.st_mode);
}

std::ostream &operator<<(std::ostream &os, const CppDir::Kind &kind)
{
  switch (static_cast<int>(kind.get_value())) {
  case CppDir::EnumFile::UNKNOWN: return os << "UNKNOWN";
  case CppDir::EnumFile::FIFO: return os << "FIFO";
  case CppDir::EnumFile::CHAR: return os << "CHAR";
  case CppDir::EnumFile::DIR: return os << "DIR";
  case CppDir::EnumFile::BLOCK: return os << "BLOCK";
  case CppDir::EnumFile::REGULAR: return os << "REGULAR";
  case CppDir::EnumFile::LINK: return os << "LINK";
  default: return os;
  }
}

} // namespace Tools
