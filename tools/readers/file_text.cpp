#include "tools/readers/file_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace Tools {

bool read_text_file(const std::string &file_name, std::string &text)
{
  // Non-blocking, so that opening a FIFO cannot hang before fstat sees it.
  const int fd = ::open(file_name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0)
    return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  std::string content;
  if (st.st_size > 0)
    content.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0)
      break;
    if (n < 0) {
      if (errno == EINTR)
        continue;
      ::close(fd);
      return false;
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  text.swap(content);
  return true;
}

namespace {

bool write_all(int fd, const std::string &text)
{
  const char *data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

} // namespace

bool replace_file(const std::string &file_name, const std::string &text)
{
  if (file_name.empty())
    return false;
  std::string target = file_name;
  struct stat st;
  bool exists = ::stat(file_name.c_str(), &st) == 0;
  if (exists) {
    if (!S_ISREG(st.st_mode))
      return false;
    if (char *real = ::realpath(file_name.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  std::string pattern = target + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0)
    return false;
  const std::string temp(name.data());

  mode_t mode;
  if (exists)
    mode = st.st_mode & 07777;
  else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  bool good = ::fchmod(fd, mode) == 0;
  if (good && exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
    (void)!::fchown(fd, st.st_uid, st.st_gid); // best effort: only root may give files away
  good = good && write_all(fd, text) && ::fsync(fd) == 0;
  good = ::close(fd) == 0 && good;
  if (good && ::rename(temp.c_str(), target.c_str()) == 0)
    return true;
  ::unlink(temp.c_str());
  return false;
}

} // namespace Tools
