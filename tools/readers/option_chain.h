#ifndef KORVAN_TOOLS_READERS_OPTION_CHAIN_H
#define KORVAN_TOOLS_READERS_OPTION_CHAIN_H

// The option parser: the argument vector is cut into groups (an option
// argument and the values after it), then each chain of options in turn
// takes the groups its options recognise. What nobody took is reported on
// standard error.
//
//   Tools::Arg::Parser parser(argc, argv);
//   parser.add_prefix("--");
//   Tools::Ref<Tools::Arg::Option> count(new Tools::Arg::IntOption("count"));
//   parser.add(count);
//   if (!parser.parse()) { std::cerr << parser.usage(5, 30, 32, Tools::Arg::screen_width()); }

#include <iosfwd>
#include <list>
#include <string>
#include <vector>

#include "tools/readers/arg.h"

namespace Tools {
namespace Arg {

struct ArgGroup
{
  std::string name; // the option argument up to its first "=", empty for plain values
  std::vector<std::string> values;
};

typedef std::list<ArgGroup> ArgGroupList;
typedef Ref<Option> OptionRef;
typedef std::vector<OptionRef> OptionList;

class Parser;

class OptionChain
{
public:
  struct ValueError
  {
    std::string message;
    std::string value;
    OptionRef option;
    ValueError(OptionRef option, const std::string &message, const std::string &value)
      : message(message), value(value), option(option)
    {
    }
  };

private:
  Ref<OptionList> options;
  Link link;
  StringListRef prefixes;
  unsigned min_matches;
  bool optional;
  bool continue_after_match_;
  Parser *owner;
  std::vector<ValueError> errors;

  enum Outcome { MATCHED, UNMATCHED, REQUIRED_FAILED };
  // What an option made of the values of one group it matched: how many
  // it took from the front, whether it failed on the group (too few
  // values before a refused one), and the name the group keeps (empty
  // once the option took it).
  struct Taken
  {
    std::size_t count = 0;
    bool failed = false;
    std::string rest_name;
  };
  // One option over the groups; `matches` counts the groups it matched.
  Outcome parse_option(const OptionRef &option, ArgGroupList &groups, unsigned &matches);
  // The values the option takes from the group; refused ones are kept as
  // errors.
  Taken take_values(const OptionRef &option, const ArgGroup &group);

public:
  explicit OptionChain(const Link &link);
  ~OptionChain();

  void add(OptionRef option);
  bool parse(ArgGroupList &groups);

  void set_prefixes(StringListRef list) { prefixes = list; }
  StringListRef get_prefixes() const { return prefixes; }
  void set_owner(Parser *parser) { owner = parser; }
  std::vector<ValueError> get_errors() const { return errors; }
  Ref<OptionList> get_options() const { return options; }

  bool is_optional() const { return optional; }
  bool continue_after_match() const { return continue_after_match_; }
  void set_optional(bool value) { optional = value; }
  void set_continue_after_match(bool value) { continue_after_match_ = value; }
  void set_min_matches(unsigned n) { min_matches = n; }
  unsigned get_min_matches() const { return min_matches; }
};

typedef Ref<OptionChain> OptionChainRef;

class Parser
{
  std::vector<OptionChainRef> chains;
  OptionList options;
  int argc;
  char **argv;
  Ref<Rule> option_rule;
  StringListRef prefixes;
  unsigned min_chains;
  int next_id_;

public:
  Parser(int argc, char **argv);

  void add_prefix(const std::string &prefix);
  void add(OptionRef option);
  void add(OptionChainRef chain);
  bool parse();
  std::string usage(unsigned name_col, unsigned names_end, unsigned text_col, unsigned width) const;
  void register_option(OptionRef option);
  int next_id();
  ArgGroupList split() const;

  void set_min_chains(unsigned n) { min_chains = n; }
  unsigned get_min_chains() const { return min_chains; }
  StringListRef get_prefixes() const { return prefixes; }
  const OptionList &get_options() const { return options; }
};

// The console width for usage().
unsigned screen_width();

std::ostream &operator<<(std::ostream &os, const std::vector<OptionChain::ValueError> &errors);
std::ostream &operator<<(std::ostream &os, const ArgGroupList &groups);
std::ostream &operator<<(std::ostream &os, const StringListRef &list);

} // namespace Arg
} // namespace Tools

#endif
