#include "shell/startup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <ostream>

#include "schema/create_sql.h"
#include "tools/core/string_utils.h"

bool write_create_script(const std::string &path, std::ostream &err)
{
  // The working folder may be shared: a symbolic link planted there under
  // the script's name must not send it onto another file (one of the
  // user's own, say), so the name is opened only when it is no link. A
  // FIFO there neither holds the start nor takes the script.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == ELOOP)
      err << "warning cannt create create.sql: it is a symbolic link, which is not followed; remove it\n";
    else
      err << "warning cannt create create.sql\n";
    return false;
  }
  const std::string script = create_sql();
  std::size_t written = 0;
  while (written < script.size()) {
    const ssize_t n = write(fd, script.data() + written, script.size() - written);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    written += static_cast<std::size_t>(n);
  }
  // A full disk lets the file open and then takes nothing.
  if (close(fd) != 0 || written < script.size()) {
    err << "warning cannt write create.sql\n";
    return false;
  }
  return true;
}

std::string main_window_title(const std::string &title, const char *note)
{
  // Only what shows as it is written: a control character, a direction
  // override that would turn what follows around, what shows nothing and
  // bytes that are no UTF-8 become blanks.
  const std::string text = Tools::trim_white(Tools::invisible_as_blank(note ? note : ""));
  return text.empty() ? title : title + " - " + text;
}

int run_guarded(const std::function<int()> &body, std::ostream &err)
{
  try {
    return body();
  } catch (const std::exception &e) {
    err << "korvan: " << e.what() << std::endl;
  } catch (...) {
    err << "korvan: unknown exception" << std::endl;
  }
  return 1;
}
