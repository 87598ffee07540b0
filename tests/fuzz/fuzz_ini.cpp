// The INI reader on arbitrary files. Besides surviving them it must keep
// what it does not change: setting every key to the value it reads must
// write the file back byte for byte, and a key it adds must read back.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/readers/ini.h"

using Tools::Oxa::Ini;
typedef Ini::Element E;

namespace {

std::string scratch_file()
{
  const char *base = std::getenv("KORVAN_TMP");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/fuzz-ini.XXXXXX";
  if (!mkdtemp(&pattern[0]))
    std::abort();
  return pattern + "/f.ini";
}

std::string slurp(const std::string &file)
{
  std::ostringstream s;
  s << std::ifstream(file, std::ios::binary).rdbuf();
  return s.str();
}

void check(bool condition, const char *what)
{
  if (!condition) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  static const std::string file = scratch_file();
  const std::string input(reinterpret_cast<const char *>(data), size);

  std::ofstream(file, std::ios::binary | std::ios::trunc) << input;
  {
    Ini ini(file, std::ios::in | std::ios::out);
    check(ini.is_open(), "open");
    E list(E::SECTION_LIST);
    check(ini.get(list), "section list");
    for (const E &section : list.children)
      for (const E &key : section.children) {
        E first(E::KEY, key.section, key.key);
        if (ini.get(first))
          ini.set(E(E::KEY, first.section, first.key, first.value));
      }
    if (!list.children.empty())
      ini.set(E(E::SECTION, list.children.front().section));
    check(ini.flush(), "flush");
  }
  check(slurp(file) == input, "unchanged keys give the same bytes");

  {
    Ini ini(file, std::ios::in | std::ios::out);
    check(ini.set(E(E::KEY, "fz", "fuzz", "v")), "set");
  }
  {
    Ini ini(file, std::ios::in);
    E key(E::KEY, "fz", "fuzz");
    check(ini.get(key) && key.value == "v", "an added key reads back");
  }
  return 0;
}
