#include "tools/core/debug.h"

#include <cstring>

namespace Tools {

Debug *debug_sink = nullptr;

Debug::~Debug() = default;

std::string source_name(const char *path)
{
  std::string name(path ? path : "");
#ifdef KORVAN_SOURCE_DIR
  static const std::string top(KORVAN_SOURCE_DIR);
  if (name.compare(0, top.size(), top) == 0)
    name.erase(0, top.size());
#endif
  std::string::size_type slash = name.rfind('/');
  std::string::size_type dot = name.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
    name.erase(dot);
  return name;
}

} // namespace Tools
