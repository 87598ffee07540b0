#include <gtest/gtest.h>

#include "tools/readers/arg.h"

using namespace Tools::Arg;

namespace {

StringListRef list(std::initializer_list<const char *> texts)
{
  StringListRef result(new StringList);
  for (const char *text : texts)
    result->push_back(text);
  return result;
}

} // namespace

TEST(ArgRules, ValueRuleStripsAndFoldsCaseOnlyWhenInsensitive)
{
  IsValueRule insensitive(list({"ON", "OFF"}), false);
  EXPECT_TRUE(insensitive.check(" on\t"));
  EXPECT_FALSE(insensitive.check("maybe"));
  IsValueRule sensitive(list({"ON", "OFF"}), true);
  EXPECT_FALSE(sensitive.check("On"));
  EXPECT_TRUE(sensitive.check("ON "));
  // States in lower case match input in any case.
  IsValueRule lower(list({"fast"}), false);
  for (const char *typed : {"fast", "Fast", "FAST"})
    EXPECT_TRUE(lower.check(typed)) << typed;
  EXPECT_EQ("[ON|OFF]", insensitive.description());
}

TEST(ArgRules, BoolIntAndAnyString)
{
  IsBoolRule boolean;
  for (const char *yes : {"true", "False", "0", "1", "TRUE"})
    EXPECT_TRUE(boolean.check(yes)) << yes;
  for (const char *no : {"yes", "2", ""})
    EXPECT_FALSE(boolean.check(no)) << no;

  IsIntRule integer;
  for (const char *no : {"", "-5", "+5", " 5", "5x"})
    EXPECT_FALSE(integer.check(no)) << no;
  EXPECT_TRUE(integer.check("007"));

  AnyStringRule any;
  EXPECT_TRUE(any.check(""));
  EXPECT_TRUE(any.check("--x"));
}

TEST(ArgRules, OptionAndNameRules)
{
  IsOptionRule options(list({"--", "-"}));
  EXPECT_TRUE(options.check("-x"));
  EXPECT_TRUE(options.check("--x"));
  EXPECT_FALSE(options.check("x"));
  IsOptionRule no_prefix;
  EXPECT_FALSE(no_prefix.check("-x"));
  IsOptionRule no_list{StringListRef()};
  EXPECT_FALSE(no_list.check("-x"));

  OptionNameRule names(list({"--", "-"}), list({"help", "h"}));
  for (const char *yes : {"--help", "-help", "--h", "-h"})
    EXPECT_TRUE(names.check(yes)) << yes;
  EXPECT_FALSE(names.check("help"));
  EXPECT_FALSE(names.check("---help"));

  OptionNameRule plain(StringListRef(), list({"help"}));
  EXPECT_TRUE(plain.check("help"));
  OptionNameRule nameless(list({"-"}), StringListRef());
  EXPECT_TRUE(nameless.check(""));
  EXPECT_FALSE(nameless.check("-"));
  EXPECT_THROW(nameless.has_description(), StringListRef::BadRef);

  EmptyOptionNameRule empty;
  EXPECT_TRUE(empty.check(""));
  EXPECT_FALSE(empty.check("-x"));
  empty.set_prefixes(list({"-"})); // as a chain does
  EXPECT_FALSE(empty.check("-x"));
  EXPECT_TRUE(empty.check(""));
}

TEST(ArgRules, FormatNamesPadsAndShowsTheFirstPrefixOnly)
{
  OptionNameRule rule(list({"-", "--"}), list({"h", "help"}));
  EXPECT_EQ("-h   -help          ", rule.format_names(5, 20));
  // A name that already reaches the column follows without a blank.
  OptionNameRule long_names(list({"--"}), list({"verbose", "v"}));
  EXPECT_EQ("--verbose--v", long_names.format_names(5, 0));
  OptionNameRule no_prefixes(StringListRef(), list({"x"}));
  EXPECT_THROW(no_prefixes.format_names(5, 20), StringListRef::BadRef);
  OptionNameRule empty_prefixes(list({}), list({"x"}));
  EXPECT_EQ("x  ", empty_prefixes.format_names(1, 3));
}

TEST(ArgRules, RuleCastSharesWithoutOwning)
{
  Tools::Ref<Rule> owner(new IsValueRule(true));
  Tools::Ref<IsValueRule> cast;
  ASSERT_TRUE(rule_cast(owner, cast));
  EXPECT_EQ(owner.try_get(), cast.try_get());
  cast = Tools::Ref<IsValueRule>(); // releasing the cast must not free the rule
  EXPECT_NO_THROW(owner->check("x"));

  Tools::Ref<IsOptionRule> wrong(new IsOptionRule());
  Tools::Ref<IsOptionRule> kept = wrong;
  EXPECT_FALSE(rule_cast(owner, kept));
  EXPECT_EQ(wrong.try_get(), kept.try_get()); // unchanged on failure
  EXPECT_TRUE(rule_cast<OptionNameRule>(Tools::Ref<Rule>()).is_null());
  EXPECT_TRUE(rule_cast<OptionNameRule>(Tools::Ref<Rule>(nullptr)).is_null());
}

TEST(ArgOptions, EnumStatesAndOptionsWithoutRules)
{
  EnumOption mode("mode", false);
  mode.add_state("FAST");
  EXPECT_TRUE(mode.check_value("fast"));
  EnumOption exact(std::string("mode"), true);
  exact.add_state("fast");
  EXPECT_TRUE(exact.check_value("fast"));
  EXPECT_FALSE(exact.check_value("FAST"));
  EnumOption null_name(static_cast<const char *>(nullptr), true);
  EXPECT_TRUE(null_name.check_name(""));

  // An option of the base kind without rules cannot check or render.
  Option bare;
  EXPECT_THROW(bare.check_name("x"), Tools::Ref<Rule>::BadRef);
  EXPECT_THROW(bare.usage_line(5, 20, 22, 80), Tools::Ref<Rule>::BadRef);
  EXPECT_FALSE(bare.has_usage());
  bare.set_help("text");
  EXPECT_TRUE(bare.has_usage());
  struct OddEnum : EnumOption
  {
    OddEnum() : EnumOption(true) { value_rule = Tools::Ref<Rule>(new IsIntRule()); }
  } odd;
  EXPECT_THROW(odd.add_state("X"), Tools::Ref<IsValueRule>::BadRef);
}

TEST(ArgOptions, AddName)
{
  EmptyStringOption nameless;
  EXPECT_THROW(nameless.add_name("x"), StringListRef::BadRef);
  EXPECT_FALSE(nameless.has_usage());
  Option odd(Tools::Ref<Rule>(new AnyStringRule()), Tools::Ref<Rule>(new AnyStringRule()));
  EXPECT_FALSE(odd.add_name("x"));
  Option none;
  EXPECT_FALSE(none.add_name("x"));

  StringListRef names = list({"a"});
  BoolOption shared(names);
  EXPECT_TRUE(shared.add_name("b"));
  EXPECT_EQ(2u, names->size()); // the list is shared, not copied
}

TEST(ArgOptions, BoolValue)
{
  BoolOption option("debug");
  EXPECT_FALSE(option.get_value());
  option.set_found(true);
  EXPECT_TRUE(option.get_value()); // named without a value

  for (const std::pair<const char *, bool> &c : {std::make_pair("TRUE", true), {"1", true}, {"false", false}}) {
    BoolOption given("x");
    given.set_found(true);
    given.add_value(c.first);
    EXPECT_EQ(c.second, given.get_value()) << c.first;
  }
}

TEST(ArgOptions, UsageLines)
{
  StringListRef prefixes = list({"--"});
  IntOption count("count");
  Tools::Ref<OptionNameRule> names = rule_cast<OptionNameRule>(count.get_name_rule());
  names->set_prefixes(prefixes);
  count.set_help("how many");
  // names up to 20, the placeholder right behind, help at 25
  EXPECT_EQ("--count             INT  how many", count.usage_line(5, 20, 25, 80));
  // A name part that ends exactly at the help column is followed at once.
  EXPECT_EQ("--count             INThow many", count.usage_line(5, 20, 23, 80));
  // One that runs past it gets one blank.
  EXPECT_EQ("--count             INT how many", count.usage_line(5, 20, 21, 80));

  FlagOption flag("verbose");
  rule_cast<OptionNameRule>(flag.get_name_rule())->set_prefixes(prefixes);
  flag.set_help("talk");
  EXPECT_EQ("--verbose           talk", flag.usage_line(5, 20, 20, 80));
  BoolOption boolean("verbose");
  rule_cast<OptionNameRule>(boolean.get_name_rule())->set_prefixes(prefixes);
  EXPECT_EQ("--verbose           [TRUE|FALSE|0|1] ", boolean.usage_line(5, 20, 20, 80));

  // A line of exactly the width stays; one longer is wrapped at a blank,
  // the rest indented to the help column.
  IntOption wide("n");
  rule_cast<OptionNameRule>(wide.get_name_rule())->set_prefixes(prefixes);
  wide.set_help("abcd efgh");
  EXPECT_EQ("--n  INT  abcd efgh", wide.usage_line(0, 5, 10, 19));
  EXPECT_EQ("--n  INT  abcd\n          efgh\n", wide.usage_line(0, 5, 10, 17));
  // A word longer than the room is cut rather than looping or crashing.
  wide.set_help(std::string(50, 'x'));
  EXPECT_NO_THROW(wide.usage_line(0, 5, 10, 20));
}
