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

TEST(OptionChain, EmptyCommandLineSucceeds)
{
  Argv args{};
  Parser parser(args.argc(), args.argv());
  parser.add_prefix("--");
  OptionRef verbose(new BoolOption("verbose"));
  parser.add(verbose);
  Outcome r = run(parser);
  EXPECT_TRUE(r.result);
  EXPECT_EQ("", r.err);
  EXPECT_FALSE(verbose->is_found());

  parser.set_min_chains(2);
  EXPECT_FALSE(run(parser).result);
}

TEST(OptionChain, ArgumentsWithoutAnyTaker)
{
  Argv args{"a", "b"};
  Parser parser(args.argc(), args.argv());
  Outcome r = run(parser);
  EXPECT_FALSE(r.result);
  EXPECT_EQ("invalid option or value:  a b\n", r.err);
}

TEST(OptionChain, IntegerOption)
{
  {
    Argv args{"--count=5"};
    Parser parser(args.argc(), args.argv());
    parser.add_prefix("--");
    parser.add_prefix("-");
    OptionRef count(new IntOption("count"));
    parser.add(count);
    EXPECT_TRUE(run(parser).result);
    EXPECT_EQ(std::vector<std::string>{"5"}, values_of(count));
    EXPECT_TRUE(count->is_found());
    EXPECT_EQ(0, count->get_id());
  }
  {
    Argv args{"--count", "5", "6", "--count", "7"};
    Parser parser(args.argc(), args.argv());
    parser.add_prefix("--");
    OptionRef count(new IntOption("count"));
    parser.add(count);
    EXPECT_TRUE(run(parser).result);
    EXPECT_EQ((std::vector<std::string>{"5", "6", "7"}), values_of(count));
  }
  {
    // -5 starts a group of its own and is nobody's.
    Argv args{"--count", "-5"};
    Parser parser(args.argc(), args.argv());
    parser.add_prefix("--");
    parser.add_prefix("-");
    OptionRef count(new IntOption("count"));
    parser.add(count);
    Outcome r = run(parser);
    EXPECT_FALSE(r.result);
    EXPECT_EQ("missing some values\ninvalid option or value: -5\n", r.err);
    EXPECT_FALSE(count->is_found());
  }
}

TEST(OptionChain, RejectedValuesStayForOthers)
{
  {
    // Enough values before the rejected one: the rest is left nameless.
    Argv args{"--n", "1", "x", "2"};
    Parser parser(args.argc(), args.argv());
    parser.add_prefix("--");
    OptionRef n(new IntOption("n"));
    parser.add(n);
    OptionRef rest(new EmptyStringOption());
    parser.add(rest);
    Outcome r = run(parser);
    EXPECT_TRUE(r.result) << r.err;
    EXPECT_EQ(std::vector<std::string>{"1"}, values_of(n));
    EXPECT_EQ((std::vector<std::string>{"x", "2"}), values_of(rest));
  }
  {
    // None before it: the option fails and the group stays whole.
    Argv args{"--n", "x", "2"};
    Parser parser(args.argc(), args.argv());
    parser.add_prefix("--");
    OptionRef n(new IntOption("n"));
    parser.add(n);
    Outcome r = run(parser);
    EXPECT_FALSE(r.result);
    EXPECT_EQ("invalid option or value: --n x 2\n", r.err);
    EXPECT_FALSE(n->is_found());
  }
  {
    // Required: the parse ends at once, quietly.
    Argv args{"--n", "x", "2"};
    Parser parser(args.argc(), args.argv());
    parser.add_prefix("--");
    OptionRef n(new IntOption("n"));
    n->set_required(true);
    parser.add(n);
    Outcome r = run(parser);
    EXPECT_FALSE(r.result);
    EXPECT_EQ("", r.err);
  }
}

TEST(OptionChain, BooleanOptions)
{
  {
    Argv args{"-v", "-v"};
    Parser parser(args.argc(), args.argv());
    parser.add_prefix("-");
    OptionChainRef chain(new OptionChain(Link(EnumLink::ALL)));
    parser.add(chain);
    OptionRef v(new BoolOption("v"));
    chain->add(v);
    chain->set_min_matches(2);
    EXPECT_TRUE(run(parser).result);
    EXPECT_TRUE(static_cast<BoolOption *>(v.try_get())->get_value());
  }
  {
    Argv args{"-x", "-v", "-v"};
    Parser parser(args.argc(), args.argv());
    parser.add_prefix("-");
    OptionChainRef chain(new OptionChain(Link(EnumLink::ANY)));
    parser.add(chain);
    chain->add(OptionRef(new BoolOption("v")));
    chain->add(OptionRef(new BoolOption("x")));
    chain->set_min_matches(3);
    EXPECT_TRUE(run(parser).result);
    chain->set_min_matches(4);
    EXPECT_FALSE(run(parser).result);
  }
  {
    // "yes" is no boolean: recorded, left over, but the chain succeeds, so
    // there is no error block.
    Argv args{"--debug", "yes"};
    Parser parser(args.argc(), args.argv());
    parser.add_prefix("--");
    OptionChainRef chain(new OptionChain(Link(EnumLink::ANY)));
    parser.add(chain);
    OptionRef debug(new BoolOption("debug"));
    chain->add(debug);
    Outcome r = run(parser);
    EXPECT_FALSE(r.result);
    EXPECT_EQ("invalid option or value:  yes\n", r.err);
    ASSERT_EQ(1u, chain->get_errors().size());
    EXPECT_EQ("yes", chain->get_errors()[0].value);
    EXPECT_TRUE(debug->is_found());
    EXPECT_TRUE(static_cast<BoolOption *>(debug.try_get())->get_value());
  }
  {
    Argv args{"--debug=false", "--quiet"};
    Parser parser(args.argc(), args.argv());
    parser.add_prefix("--");
    OptionRef debug(new BoolOption("debug"));
    OptionRef quiet(new FlagOption("quiet"));
    parser.add(debug);
    parser.add(quiet);
    EXPECT_TRUE(run(parser).result);
    EXPECT_FALSE(static_cast<BoolOption *>(debug.try_get())->get_value());
    EXPECT_TRUE(static_cast<BoolOption *>(quiet.try_get())->get_value());
  }
}

TEST(OptionChain, StringOptionWithoutValue)
{
  Argv args{"--file"};
  Parser parser(args.argc(), args.argv());
  parser.add_prefix("--");
  OptionRef file(new StringOption("file", "FILE"));
  parser.add(file);
  Outcome r = run(parser);
  EXPECT_TRUE(r.result);
  EXPECT_EQ("missing some values\n", r.err);
  EXPECT_FALSE(file->is_found());
}

TEST(OptionChain, NamelessOptionCollectsLeftovers)
{
  Argv args{"in1", "--mode", "FAST", "in2", "in3"};
  Parser parser(args.argc(), args.argv());
  parser.add_prefix("--");
  OptionRef mode(new EnumOption("mode", false));
  static_cast<EnumOption *>(mode.try_get())->add_state("FAST");
  static_cast<EnumOption *>(mode.try_get())->add_state("SLOW");
  parser.add(mode);
  OptionRef inputs(new EmptyStringOption());
  parser.add(inputs);
  Outcome r = run(parser);
  EXPECT_TRUE(r.result) << r.err;
  EXPECT_EQ(std::vector<std::string>{"FAST"}, values_of(mode));
  EXPECT_EQ((std::vector<std::string>{"in1", "in2", "in3"}), values_of(inputs));
}

TEST(OptionChain, NamelessOptionThatRefusesEndsItsScan)
{
  // A nameless option whose values may be absent and whose rule refuses:
  // the group it leaves unchanged is not looked at again and again.
  Argv args{"1", "x", "2"};
  Parser parser(args.argc(), args.argv());
  OptionRef numbers(new Option(Tools::Ref<Rule>(new EmptyOptionNameRule()), Tools::Ref<Rule>(new IsIntRule())));
  parser.add(numbers);
  Outcome r = run(parser);
  EXPECT_FALSE(r.result);
  EXPECT_EQ("invalid option or value:  x 2\n", r.err);
  EXPECT_EQ(std::vector<std::string>{"1"}, values_of(numbers));
}

TEST(OptionChain, FailedOptionalChainIsUndoneAndReported)
{
  Argv args{"--count", "abc", "--v"};
  Parser parser(args.argc(), args.argv());
  parser.add_prefix("--");
  OptionChainRef chain(new OptionChain(Link(EnumLink::ALL)));
  chain->set_optional(true);
  parser.add(chain);
  OptionRef count(new IntOption("count"));
  chain->add(count);
  OptionRef v(new BoolOption("v"));
  chain->add(v);
  Outcome r = run(parser);
  EXPECT_FALSE(r.result);
  const std::string record = "--count" + std::string(33, ' ') + " : values is not an integer : abc";
  EXPECT_EQ("invalid option or value: --count abc\nErrors: \n" + record + "\ninvalid option or value: --v\nErrors: \n" +
              record + "\n",
            r.err);
}

TEST(OptionChain, ChainOutcomes)
{
  {
    // An ALL chain whose option is absent fails the parse quietly.
    Argv args{"--a"};
    Parser parser(args.argc(), args.argv());
    parser.add_prefix("--");
    OptionChainRef chain(new OptionChain(Link(EnumLink::ALL)));
    parser.add(chain);
    chain->add(OptionRef(new BoolOption("a")));
    chain->add(OptionRef(new BoolOption("b")));
    Outcome r = run(parser);
    EXPECT_TRUE(r.result); // b is not needed once the groups are used up
  }
  {
    Argv args{"--b", "--x"};
    Parser parser(args.argc(), args.argv());
    parser.add_prefix("--");
    OptionChainRef chain(new OptionChain(Link(EnumLink::ALL)));
    parser.add(chain);
    chain->add(OptionRef(new BoolOption("a")));
    Outcome r = run(parser);
    EXPECT_FALSE(r.result);
    EXPECT_EQ("", r.err);
  }
  {
    Argv args{"--help"};
    Parser parser(args.argc(), args.argv());
    parser.add_prefix("--");
    OptionChainRef chain(new OptionChain(Link(EnumLink::ANY)));
    chain->set_continue_after_match(false);
    parser.add(chain);
    chain->add(OptionRef(new FlagOption("help")));
    Outcome r = run(parser);
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
  Argv args{"count", "abc"};
  Parser parser(args.argc(), args.argv());
  OptionChainRef chain(new OptionChain(Link(EnumLink::ALL)));
  chain->set_optional(true);
  OptionRef count(new IntOption("count"));
  chain->add(count);
  parser.add(chain);
  parser.add_prefix("count");
  Outcome r;
  EXPECT_NO_THROW(r = run(parser));
  EXPECT_FALSE(r.result);
  EXPECT_NE(std::string::npos, r.err.find("count" + std::string(35, ' ') + " : values is not an integer : abc"))
    << r.err;
}

TEST(OptionChain, UsageText)
{
  Argv args{};
  Parser parser(args.argc(), args.argv());
  parser.add_prefix("--");
  parser.add_prefix("-");
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
  Argv args{"--n", "1"};
  Parser parser(args.argc(), args.argv());
  parser.add_prefix("--");
  OptionRef n(new IntOption("n"));
  parser.add(n);
  EXPECT_TRUE(run(parser).result);
  EXPECT_TRUE(run(parser).result);
  EXPECT_EQ((std::vector<std::string>{"1", "1"}), values_of(n));

  std::ostringstream out;
  out << n->get_values() << StringListRef();
  EXPECT_EQ("1 1 ", out.str());
}
