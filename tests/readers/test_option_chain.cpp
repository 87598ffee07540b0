#include <gtest/gtest.h>

#include <sstream>

#include "tools/readers/option_chain.h"

using namespace Tools::Arg;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// An argument vector that outlives the parser reading it.
class Argv
{
  std::vector<std::string> texts;
  std::vector<char *> pointers;

public:
  Argv(std::initializer_list<const char *> args) : texts(args.begin(), args.end())
  {
    texts.insert(texts.begin(), "prog");
    for (std::string &text : texts)
      pointers.push_back(&text[0]);
    pointers.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(texts.size()); }
  char **argv() { return pointers.data(); }
};

std::vector<std::string> values_of(const OptionRef &option) { return *option->get_values(); }

// Parses with standard error captured.
struct Outcome
{
  bool result;
  std::string err;
};

Outcome run(Parser &parser)
{
  CaptureStderr();
  bool result = parser.parse();
  return Outcome{result, GetCapturedStderr()};
}

// A command line, its parser with the given prefixes, and what it is
// given to parse.
struct Cmd
{
  Argv args;
  Parser parser;
  Cmd(std::initializer_list<const char *> arguments, std::initializer_list<const char *> prefixes = {"--"})
      : args(arguments), parser(args.argc(), args.argv())
  {
    for (const char *prefix : prefixes)
      parser.add_prefix(prefix);
  }
  OptionRef add(Option *option)
  {
    OptionRef ref(option);
    parser.add(ref);
    return ref;
  }
  OptionChainRef chain(EnumLink::Enum link)
  {
    OptionChainRef ref(new OptionChain{Link(link)});
    parser.add(ref);
    return ref;
  }
  Outcome run() { return ::run(parser); }
};

bool bool_value(const OptionRef &option) { return static_cast<BoolOption *>(option.try_get())->get_value(); }

} // namespace

TEST(OptionChain, SplitFormsGroups)
{
  Argv args{"a", "--x=1", "b", "-y", "--z=", "c"};
  Parser parser(args.argc(), args.argv());
  parser.add_prefix("--");
  parser.add_prefix("-");
  std::ostringstream out;
  out << parser.split();
  EXPECT_EQ("[]\n\ta\n[--x]\n\t1\n\tb\n[-y]\n[--z]\n\t\n\tc\n", out.str());

  Parser unprefixed(args.argc(), args.argv());
  const ArgGroupList groups = unprefixed.split();
  ASSERT_EQ(1u, groups.size());
  EXPECT_EQ(6u, groups.front().values.size());

  // The vector ends at its first null entry even when argc says more.
  char *short_argv[] = {const_cast<char *>("prog"), const_cast<char *>("a"), nullptr};
  Parser lying(5, short_argv);
  EXPECT_EQ(1u, lying.split().size());
  Parser nothing(3, nullptr);
  EXPECT_TRUE(nothing.split().empty());
}

TEST(OptionChain, EmptyCommandLineAndArgumentsWithoutAnyTaker)
{
  Cmd empty({});
  OptionRef verbose = empty.add(new BoolOption("verbose"));
  Outcome r = empty.run();
  EXPECT_TRUE(r.result);
  EXPECT_EQ("", r.err);
  EXPECT_FALSE(verbose->is_found());
  empty.parser.set_min_chains(2);
  EXPECT_FALSE(empty.run().result);

  Cmd untaken({"a", "b"}, {});
  r = untaken.run();
  EXPECT_FALSE(r.result);
  EXPECT_EQ("invalid option or value:  a b\n", r.err);
}

TEST(OptionChain, IntegerOption)
{
  Cmd joined({"--count=5"}, {"--", "-"});
  OptionRef count = joined.add(new IntOption("count"));
  EXPECT_TRUE(joined.run().result);
  EXPECT_EQ(std::vector<std::string>{"5"}, values_of(count));
  EXPECT_TRUE(count->is_found());
  EXPECT_EQ(0, count->get_id());

  Cmd repeated({"--count", "5", "6", "--count", "7"});
  count = repeated.add(new IntOption("count"));
  EXPECT_TRUE(repeated.run().result);
  EXPECT_EQ((std::vector<std::string>{"5", "6", "7"}), values_of(count));

  // -5 starts a group of its own and is nobody's.
  Cmd negative({"--count", "-5"}, {"--", "-"});
  count = negative.add(new IntOption("count"));
  Outcome r = negative.run();
  EXPECT_FALSE(r.result);
  EXPECT_EQ("missing some values\ninvalid option or value: -5\n", r.err);
  EXPECT_FALSE(count->is_found());

  // A string option named without a value is not found, but no failure.
  Cmd file({"--file"});
  OptionRef name = file.add(new StringOption("file", "FILE"));
  r = file.run();
  EXPECT_TRUE(r.result);
  EXPECT_EQ("missing some values\n", r.err);
  EXPECT_FALSE(name->is_found());
}

TEST(OptionChain, RejectedValuesStayForOthers)
{
  // Enough values before the rejected one: the rest is left nameless.
  Cmd enough({"--n", "1", "x", "2"});
  OptionRef n = enough.add(new IntOption("n"));
  OptionRef rest = enough.add(new EmptyStringOption());
  Outcome r = enough.run();
  EXPECT_TRUE(r.result) << r.err;
  EXPECT_EQ(std::vector<std::string>{"1"}, values_of(n));
  EXPECT_EQ((std::vector<std::string>{"x", "2"}), values_of(rest));

  // None before it: the option fails and the group stays whole; a
  // required one ends the parse at once, quietly.
  for (bool required : {false, true}) {
    Cmd none({"--n", "x", "2"});
    n = none.add(new IntOption("n"));
    n->set_required(required);
    r = none.run();
    EXPECT_FALSE(r.result);
    EXPECT_EQ(required ? "" : "invalid option or value: --n x 2\n", r.err) << required;
    EXPECT_FALSE(n->is_found());
  }
}

TEST(OptionChain, BooleanOptions)
{
  Cmd twice({"-v", "-v"}, {"-"});
  OptionChainRef all = twice.chain(EnumLink::ALL);
  OptionRef v(new BoolOption("v"));
  all->add(v);
  all->set_min_matches(2);
  EXPECT_TRUE(twice.run().result);
  EXPECT_TRUE(bool_value(v));

  Cmd three({"-x", "-v", "-v"}, {"-"});
  OptionChainRef any = three.chain(EnumLink::ANY);
  any->add(OptionRef(new BoolOption("v")));
  any->add(OptionRef(new BoolOption("x")));
  any->set_min_matches(3);
  EXPECT_TRUE(three.run().result);
  any->set_min_matches(4);
  EXPECT_FALSE(three.run().result);

  // "yes" is no boolean: recorded, left over, but the chain succeeds, so
  // there is no error block.
  Cmd yes({"--debug", "yes"});
  OptionChainRef chain = yes.chain(EnumLink::ANY);
  OptionRef debug(new BoolOption("debug"));
  chain->add(debug);
  Outcome r = yes.run();
  EXPECT_FALSE(r.result);
  EXPECT_EQ("invalid option or value:  yes\n", r.err);
  ASSERT_EQ(1u, chain->get_errors().size());
  EXPECT_EQ("yes", chain->get_errors()[0].value);
  EXPECT_TRUE(debug->is_found());
  EXPECT_TRUE(bool_value(debug));

  Cmd flags({"--debug=false", "--quiet"});
  debug = flags.add(new BoolOption("debug"));
  OptionRef quiet = flags.add(new FlagOption("quiet"));
  EXPECT_TRUE(flags.run().result);
  EXPECT_FALSE(bool_value(debug));
  EXPECT_TRUE(bool_value(quiet));
}

TEST(OptionChain, NamelessOptions)
{
  // States written in lower case match in any case.
  Cmd leftovers({"in1", "--mode=Fast", "in2", "in3"});
  EnumOption *mode = new EnumOption("mode", false);
  mode->add_state("fast");
  mode->add_state("slow");
  OptionRef mode_ref = leftovers.add(mode);
  OptionRef inputs = leftovers.add(new EmptyStringOption());
  Outcome r = leftovers.run();
  EXPECT_TRUE(r.result) << r.err;
  EXPECT_EQ(std::vector<std::string>{"Fast"}, values_of(mode_ref));
  EXPECT_EQ((std::vector<std::string>{"in1", "in2", "in3"}), values_of(inputs));

  // A nameless option whose values may be absent and whose rule refuses:
  // the group it leaves unchanged is not looked at again and again.
  Cmd refusing({"1", "x", "2"}, {});
  OptionRef numbers =
      refusing.add(new Option(Tools::Ref<Rule>(new EmptyOptionNameRule()), Tools::Ref<Rule>(new IsIntRule())));
  r = refusing.run();
  EXPECT_FALSE(r.result);
  EXPECT_EQ("invalid option or value:  x 2\n", r.err);
  EXPECT_EQ(std::vector<std::string>{"1"}, values_of(numbers));
}

TEST(OptionChain, FailedOptionalChainIsUndoneAndReported)
{
  Cmd cmd({"--count", "abc", "--v"});
  OptionChainRef chain = cmd.chain(EnumLink::ALL);
  chain->set_optional(true);
  chain->add(OptionRef(new IntOption("count")));
  chain->add(OptionRef(new BoolOption("v")));
  Outcome r = cmd.run();
  EXPECT_FALSE(r.result);
  const std::string record = "--count" + std::string(33, ' ') + " : values is not an integer : abc";
  EXPECT_EQ("invalid option or value: --count abc\nErrors: \n" + record + "\ninvalid option or value: --v\nErrors: \n" +
              record + "\n",
            r.err);
}

TEST(OptionChain, ChainOutcomes)
{
  // b is not needed once the groups are used up.
  Cmd used_up({"--a"});
  OptionChainRef chain = used_up.chain(EnumLink::ALL);
  chain->add(OptionRef(new BoolOption("a")));
  chain->add(OptionRef(new BoolOption("b")));
  EXPECT_TRUE(used_up.run().result);

  // An ALL chain whose option is absent fails the parse quietly, and so
  // does an ANY chain that stops after its match.
  Cmd absent({"--b", "--x"});
  absent.chain(EnumLink::ALL)->add(OptionRef(new BoolOption("a")));
  Cmd help({"--help"});
  chain = help.chain(EnumLink::ANY);
  chain->set_continue_after_match(false);
  chain->add(OptionRef(new FlagOption("help")));
  for (Cmd *cmd : {&absent, &help}) {
    Outcome r = cmd->run();
    EXPECT_FALSE(r.result);
    EXPECT_EQ("", r.err);
  }
  EXPECT_THROW(OptionChain(Link(static_cast<EnumLink::Enum>(3))), Link::Error);
}

TEST(OptionChain, BadOptionsRaiseBadRef)
{
  OptionChain chain{Link(EnumLink::ANY)};
  EXPECT_THROW(chain.add(OptionRef()), OptionRef::BadRef);
  EXPECT_THROW(chain.add(OptionRef(nullptr)), OptionRef::BadRef);
  OptionRef odd(new Option(Tools::Ref<Rule>(new AnyStringRule()), Tools::Ref<Rule>(new AnyStringRule())));
  EXPECT_THROW(chain.add(odd), Tools::Ref<OptionNameRule>::BadRef);
}

TEST(OptionChain, ErrorRecordsOfOptionsWithoutPrefixes)
{
  // Options added before their chain met the parser have no prefix list;
  // reporting their rejected values must not throw.
  Cmd cmd({"count", "abc"}, {});
  OptionChainRef chain(new OptionChain(Link(EnumLink::ALL)));
  chain->set_optional(true);
  chain->add(OptionRef(new IntOption("count")));
  cmd.parser.add(chain);
  cmd.parser.add_prefix("count");
  Outcome r;
  EXPECT_NO_THROW(r = cmd.run());
  EXPECT_FALSE(r.result);
  EXPECT_NE(std::string::npos, r.err.find("count" + std::string(35, ' ') + " : values is not an integer : abc"))
    << r.err;
}

TEST(OptionChain, UsageText)
{
  Cmd cmd({}, {"--", "-"});
  Parser &parser = cmd.parser;
  parser.add(OptionRef(new EmptyStringOption()));
  OptionRef count(new IntOption("count"));
  count->set_help("how many");
  parser.add(count);
  OptionRef help(new FlagOption("help"));
  help->add_name("h");
  parser.add(help);
  parser.add(count); // once in the usage, though added twice

  OptionChainRef late(new OptionChain(Link(EnumLink::ANY)));
  late->add(OptionRef(new IntOption("early")));
  parser.add(late);
  late->add(OptionRef(new IntOption("late")));

  const std::string blanks(20, ' ');
  EXPECT_EQ("\n--count" + blanks.substr(0, 13) + "INT  how many\n--help    --h" + blanks.substr(0, 12) + "\n--late" +
              blanks.substr(0, 14) + "INT  ",
            parser.usage(10, 20, 25, screen_width()));
  EXPECT_EQ(80u, screen_width());
  EXPECT_EQ(4u, parser.get_options().size());
}

TEST(OptionChain, ValuesAccumulateOverParses)
{
  Cmd cmd({"--n", "1"});
  OptionRef n = cmd.add(new IntOption("n"));
  EXPECT_TRUE(cmd.run().result);
  EXPECT_TRUE(cmd.run().result);
  EXPECT_EQ((std::vector<std::string>{"1", "1"}), values_of(n));

  std::ostringstream out;
  out << n->get_values() << StringListRef();
  EXPECT_EQ("1 1 ", out.str());
}
