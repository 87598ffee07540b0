// The option parser: what each kind of option takes from a command line,
// what it leaves to others, and that every parse ends without harm.

#include <gtest/gtest.h>

#include <sstream>

#include "tools/readers/option_chain.h"

using namespace Tools::Arg;

namespace {

std::vector<std::string> words(const std::string &line)
{
  std::vector<std::string> texts{"prog"};
  std::istringstream in(line);
  for (std::string word; in >> word;)
    texts.push_back(word);
  return texts;
}

// The words of the line as an argument vector, and a parser of it with
// the prefixes "--" and "-".
struct Cmd
{
  std::vector<std::string> texts;
  std::vector<char *> pointers;
  Parser parser;
  explicit Cmd(const std::string &line)
      : texts(words(line)), pointers(texts.size() + 1), parser(static_cast<int>(texts.size()), pointers.data())
  {
    for (std::size_t i = 0; i < texts.size(); ++i)
      pointers[i] = &texts[i][0];
    parser.add_prefix("--");
    parser.add_prefix("-");
  }
};

// The option named `kind`: integers for "count" and "n", a nameless one
// that takes integers only for "", a boolean for "debug".
OptionRef make(const std::string &kind)
{
  if (kind == "count" || kind == "n")
    return OptionRef(new IntOption(kind));
  if (kind == "file")
    return OptionRef(new StringOption("file", "FILE"));
  if (kind == "mode") {
    EnumOption *mode = new EnumOption("mode", false);
    mode->add_state("fast");
    mode->add_state("slow");
    return OptionRef(mode);
  }
  if (kind.empty())
    return OptionRef(new Option(Tools::Ref<Rule>(new EmptyOptionNameRule()), Tools::Ref<Rule>(new IsIntRule())));
  return OptionRef(new BoolOption(kind));
}

} // namespace

TEST(OptionChain, EachKindOfOptionTakesItsValuesAndLeavesTheRest)
{
  const struct
  {
    const char *line, *option;
    bool result, found;
    std::vector<std::string> values, rest; // rest: taken by a nameless option added after
    bool required = false;
  } cases[] = {
      {"--count=5", "count", true, true, {"5"}, {}},
      {"--count 5 6 --count 7", "count", true, true, {"5", "6", "7"}, {}},
      {"--count -5", "count", false, false, {}, {}}, // -5 is a group of its own, nobody's
      {"--file", "file", true, false, {}, {}},
      {"--n 1 x 2", "n", true, true, {"1"}, {"x", "2"}},
      {"--n x 2", "n", false, false, {}, {}},
      {"--n x 2", "n", false, false, {}, {}, true},
      {"in1 --mode=Fast in2 in3", "mode", true, true, {"Fast"}, {"in1", "in2", "in3"}},
      {"--mode=medium", "mode", false, false, {}, {}},
      {"--mode=FAST --mode=slow", "mode", true, true, {"FAST", "slow"}, {}},
      {"--debug=false --debug", "debug", true, true, {"false"}, {}},
      {"--debug yes", "debug", false, true, {}, {}},
      // A nameless option that refuses a value meets its group once only.
      {"1 x 2", "", false, true, {"1"}, {}},
  };
  for (const auto &c : cases) {
    Cmd cmd(c.line);
    OptionRef option = make(c.option);
    option->set_required(c.required);
    cmd.parser.add(option);
    OptionRef rest(new EmptyStringOption());
    if (!c.rest.empty())
      cmd.parser.add(rest);
    EXPECT_EQ(c.result, cmd.parser.parse()) << c.line;
    EXPECT_EQ(c.found, option->is_found()) << c.line;
    EXPECT_EQ(c.values, *option->get_values()) << c.line;
    EXPECT_EQ(c.rest, *rest->get_values()) << c.line;
  }
}

TEST(OptionChain, OddInputsAndOptionsFailWithoutHarm)
{
  // The vector ends at its first null entry even when argc says more.
  char *short_argv[] = {const_cast<char *>("prog"), const_cast<char *>("a"), nullptr};
  EXPECT_EQ(1u, Parser(5, short_argv).split().size());
  EXPECT_TRUE(Parser(3, nullptr).split().empty());

  // Options added before their chain met the parser have no prefixes;
  // reporting their rejected values must not throw.
  Cmd cmd("count abc");
  OptionChainRef chain(new OptionChain(Link(EnumLink::ALL)));
  chain->set_optional(true);
  chain->add(make("count"));
  cmd.parser.add(chain);
  cmd.parser.add_prefix("count");
  EXPECT_FALSE(cmd.parser.parse());

  EXPECT_THROW(chain->add(OptionRef()), OptionRef::BadRef);
  Tools::Ref<Rule> any(new AnyStringRule());
  EXPECT_THROW(chain->add(OptionRef(new Option(any, any))), Tools::Ref<OptionNameRule>::BadRef);
  // A rule cast shares the rule without owning it.
  Tools::Ref<Rule> owner(new IsValueRule(true));
  EXPECT_FALSE(rule_cast<IsValueRule>(owner).is_null());
  EXPECT_NO_THROW(owner->check("x"));
  // A help word longer than the line is cut rather than looping.
  OptionRef wide = make("n");
  rule_cast<OptionNameRule>(wide->get_name_rule())->set_prefixes(StringListRef(new StringList{"--"}));
  wide->set_help(std::string(50, 'x'));
  EXPECT_FALSE(wide->usage_line(0, 5, 10, 20).empty());
}
