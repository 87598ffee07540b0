// The formatter on arbitrary formats with each kind of argument. Formats
// come from the program's own code, but no format may crash it: a bad one
// throws the library's exception, nothing else.

#include <cstdint>
#include <string>

#include "tools/core/format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  if (size == 0)
    return 0;
  const unsigned pick = data[0];
  const std::string fmt(reinterpret_cast<const char *>(data) + 1, size - 1);
  const std::string text = "text";
  const char *chars = "chars";
  try {
    switch (pick % 8) {
    case 0: Tools::format(fmt, 42); break;
    case 1: Tools::format(fmt, -7, 3.25); break;
    case 2: Tools::format(fmt, text); break;
    case 3: Tools::format(fmt, chars, 12345678u, text); break;
    case 4: Tools::format(fmt, 1.0e300, -0.0, 5, text); break;
    case 5: Tools::format(fmt, 'x' + 0, 2, 3, 4, 5); break;
    case 6: Tools::format(fmt, text, text, text, text, text, text); break;
    default: Tools::format(fmt, static_cast<long long>(-9223372036854775807LL), "lit"); break;
    }
  } catch (const Tools::BaseException &) {
    // a refused format
  }
  return 0;
}
