#include "tools/widgets/fxcompat.h"

#include <cstdlib>

namespace Tools {
namespace fxcompat {

std::string registry_file(const std::string &vendor, const std::string &app)
{
  const char *home = std::getenv("HOME");
  std::string dir = home ? home : "";
  return dir + "/.foxrc/" + vendor + "/" + app;
}

} // namespace fxcompat
} // namespace Tools
