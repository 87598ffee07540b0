// The option parser on arbitrary command lines (the input cut at NUL bytes
// into arguments): every parse must end, whatever the options make of it.

#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/readers/option_chain.h"

using namespace Tools::Arg;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  std::vector<std::string> args(1, "prog");
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  args.push_back(current);
  std::vector<char *> argv;
  for (std::string &arg : args)
    argv.push_back(&arg[0]);
  argv.push_back(nullptr);

  // The reports go nowhere.
  std::ostringstream sink;
  std::streambuf *saved = std::cerr.rdbuf(sink.rdbuf());

  Parser parser(static_cast<int>(args.size()), argv.data());
  parser.add_prefix("--");
  parser.add_prefix("-");
  OptionChainRef strict(new OptionChain(Link(EnumLink::ALL)));
  strict->set_optional(true);
  parser.add(strict);
  strict->add(OptionRef(new IntOption("n")));
  strict->add(OptionRef(new BoolOption("v")));
  OptionRef mode(new EnumOption("mode", false));
  static_cast<EnumOption *>(mode.try_get())->add_state("A");
  static_cast<EnumOption *>(mode.try_get())->add_state("B");
  parser.add(mode);
  parser.add(OptionRef(new StringOption("file", "FILE")));
  parser.add(OptionRef(new FlagOption("q")));
  OptionRef numbers(new Option(Tools::Ref<Rule>(new EmptyOptionNameRule()), Tools::Ref<Rule>(new IsIntRule())));
  parser.add(numbers);
  parser.add(OptionRef(new EmptyStringOption()));

  parser.parse();
  sink << parser.usage(5, 20, 25, screen_width());
  for (const OptionChainRef &chain : {strict})
    sink << chain->get_errors();

  std::cerr.rdbuf(saved);
  return 0;
}
