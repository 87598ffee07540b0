#include "shell/startup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <ostream>

#include "schema/create_sql.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"

bool write_create_script(const std::string &path, std::ostream &err)
{
  // The working folder may be shared: a symbolic link planted there under
  // the script's name must not send it onto another file (one of the
  // user's own, say), so the name is opened only when it is no link. A
  // FIFO there neither holds the start nor takes the script. A hard link
  // or another account's file under the name is no more the station's
  // own: it is looked at before anything is cut, and left as it is.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (errno == ELOOP)
      err << "warning cannt create create.sql: it is a symbolic link, which is not followed; remove it\n";
    else
      err << "warning cannt create create.sql\n";
    return false;
  }
  // Written is only a plain file of the station's own with no other name,
  // or a device (only root makes one there: it takes what it takes).
  struct stat st;
  const bool got = fstat(fd, &st) == 0;
  const bool own = got && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == geteuid();
  if (!own && !(got && S_ISCHR(st.st_mode))) {
    close(fd);
    if (got && S_ISREG(st.st_mode) && st.st_nlink > 1)
      err << "warning cannt create create.sql: it is a hard link, which is not written through; remove it\n";
    else if (got && S_ISREG(st.st_mode))
      err << "warning cannt create create.sql: it is another account's file, which is not overwritten; remove it\n";
    else
      err << "warning cannt create create.sql\n";
    return false;
  }
  // Readable by the station's account only, also a file an earlier start
  // made for everybody.
  if (own && (ftruncate(fd, 0) != 0 || fchmod(fd, 0600) != 0)) {
    close(fd);
    err << "warning cannt write create.sql\n";
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

std::string no_answer_text()
{
  return Tools::format("Der Server hat nicht innerhalb von %d Sekunden geantwortet.",
                       Tools::DB::CONNECT_TIMEOUT_SECONDS);
}

void say_start_connection(Tools::DBFailure failure, std::ostream &err)
{
  if (failure == Tools::DBFailure::NO_ANSWER)
    err << "korvan: Keine Verbindung zur Datenbank: " << no_answer_text() << std::endl;
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
