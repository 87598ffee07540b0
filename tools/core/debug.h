#ifndef KORVAN_TOOLS_CORE_DEBUG_H
#define KORVAN_TOOLS_CORE_DEBUG_H

#include <string>

namespace Tools {

// Where diagnostic lines go. The library has no sink of its own; the main
// window installs one and removes it again.
class Debug
{
public:
  virtual ~Debug();
  virtual void output(const char *file, unsigned line, const char *function, const std::string &message) = 0;
};

// The current sink, or null: then nothing is logged and no message built.
extern Debug *debug_sink;

// The source path relative to the top of the tree, without its extension
// ("/.../tools/dbi/database.cpp" gives "tools/dbi/database").
std::string source_name(const char *path);

} // namespace Tools

// Logs one line. The message expression is only evaluated when a sink is
// installed, so a log site costs one pointer test otherwise.
#define TOOLS_LOG(message)                                                                         \
  do {                                                                                             \
    if (::Tools::debug_sink)                                                                       \
      ::Tools::debug_sink->output(::Tools::source_name(__FILE__).c_str(), __LINE__,                \
                                  __PRETTY_FUNCTION__, (message));                                 \
  } while (0)

#endif
