#include "tools/readers/option_chain.h"

#include <iostream>

namespace Tools {
namespace Arg {

unsigned screen_width() { return 80; }

// ---- OptionChain ----

OptionChain::OptionChain(const Link &link)
  : options(new OptionList), link(link), min_matches(0), optional(false), continue_after_match_(true),
    owner(nullptr)
{
}

OptionChain::~OptionChain() {}

void OptionChain::add(OptionRef option)
{
  Option &opt = checked(option);
  Ref<OptionNameRule> name_rule = rule_cast<OptionNameRule>(opt.get_name_rule());
  // An option without a name rule of the right kind: BadRef, here.
  if (!name_rule->get_prefixes().valid())
    name_rule->set_prefixes(prefixes);
  if (owner) {
    if (opt.get_id() == -1)
      opt.set_id(owner->next_id());
    owner->register_option(option);
  }
  options->push_back(option);
}

bool OptionChain::parse(ArgGroupList &groups)
{
  errors.clear();
  unsigned matches = 0;
  for (const OptionRef &option : *options) {
    if (groups.empty())
      break;
    const Outcome outcome = parse_option(option, groups, matches);
    if (outcome == REQUIRED_FAILED)
      return false;
    if (outcome == UNMATCHED && link.get_value() == EnumLink::ALL)
      return false;
  }

  for (const OptionRef &option : *options) {
    const Option &opt = checked(option);
    if (opt.is_required() && !opt.is_found())
      return false;
  }
  return matches >= min_matches;
}

OptionChain::Outcome OptionChain::parse_option(const OptionRef &option, ArgGroupList &groups, unsigned &matches)
{
  Option &opt = checked(option);
  Rule &names = checked(opt.get_name_rule());
  checked(opt.get_value_rule()); // an option without one fails here, matched or not
  bool matched = false;
  // Set when a group was changed in place and must be looked at again.
  bool stay = false;

  ArgGroupList::iterator pos = groups.begin();
  bool first_step = true;
  bool arrived = false; // pos already moved on by an erase
  for (;;) {
    if (pos == groups.end())
      break;
    if (stay)
      stay = false;
    else if (arrived)
      arrived = false;
    else if (!first_step) {
      ++pos;
      if (pos == groups.end())
        break;
    }
    first_step = false;

    ArgGroup &group = *pos;
    if (!opt.check_name(group.name)) {
      if (names.continue_on_mismatch())
        continue;
      break;
    }

    ++matches;
    matched = true;
    opt.set_found(true);
    const Taken taken = take_values(option, group);
    if (taken.failed) {
      // Too few values before the rejected one: the option fails on this
      // group, which stays as it was.
      opt.set_found(false);
      --matches;
      matched = false;
      if (opt.is_required())
        return REQUIRED_FAILED;
    }

    if (taken.count < group.values.size()) {
      // Looking at the group again only makes sense when it changed: an
      // option that took nothing and left the name would meet the same
      // group forever (a nameless option whose rule refuses).
      const bool changed = taken.count > 0 || taken.rest_name != group.name;
      group.values.erase(group.values.begin(), group.values.begin() + static_cast<long>(taken.count));
      group.name = taken.rest_name;
      stay = changed || taken.failed;
    } else {
      if (taken.count < opt.get_min_values()) {
        std::cerr << "missing some values" << std::endl;
        opt.set_found(false);
      }
      pos = groups.erase(pos);
      arrived = true;
    }

    if (taken.failed || !names.continue_on_match())
      break;
  }
  return matched ? MATCHED : UNMATCHED;
}

OptionChain::Taken OptionChain::take_values(const OptionRef &option, const ArgGroup &group)
{
  Option &opt = checked(option);
  Rule &value_rule = checked(opt.get_value_rule());
  const std::vector<std::string> &values = group.values;
  Taken taken;
  std::size_t j = 0;
  while (j < values.size() && j < opt.get_max_values()) {
    if (opt.check_value(values[j])) {
      opt.add_value(values[j]);
      ++j;
      if (!value_rule.continue_on_match())
        break;
      continue;
    }
    errors.push_back(ValueError(option, value_rule.error_text(), values[j]));
    if (value_rule.continue_on_mismatch()) {
      ++j;
      continue;
    }
    if (j >= opt.get_min_values())
      break;
    taken.failed = true;
    taken.rest_name = group.name;
    j = 0;
    break;
  }
  taken.count = j;
  return taken;
}

// ---- Parser ----

Parser::Parser(int argc, char **argv)
  : argc(argc), argv(argv), option_rule(new IsOptionRule()), prefixes(new StringList), min_chains(0), next_id_(0)
{
  Ref<IsOptionRule> rule;
  if (rule_cast(option_rule, rule))
    rule->set_prefixes(prefixes);
}

void Parser::add_prefix(const std::string &prefix) { prefixes->push_back(prefix); }

void Parser::add(OptionRef option)
{
  OptionChainRef chain(new OptionChain(Link(EnumLink::ANY)));
  chain->set_prefixes(prefixes);
  chain->set_owner(this);
  chain->add(option);
  chains.push_back(chain);
}

void Parser::add(OptionChainRef chain)
{
  if (!chain->get_prefixes().valid())
    chain->set_prefixes(prefixes);
  chain->set_owner(this);
  chains.push_back(chain);
}

void Parser::register_option(OptionRef option)
{
  const Option *candidate = option.try_get();
  if (!candidate)
    return;
  for (const OptionRef &known : options)
    if (known.try_get() && *known.try_get() == *candidate)
      return;
  options.push_back(option);
}

int Parser::next_id() { return next_id_++; }

ArgGroupList Parser::split() const
{
  ArgGroupList groups;
  if (!argv)
    return groups;
  Rule &is_option = checked(option_rule);
  // argv ends at argc or at the first null entry, whichever comes first.
  auto has = [this](int i) { return i < argc && argv[i] != nullptr; };
  int i = 1;
  while (has(i)) {
    ArgGroup group;
    std::string arg = argv[i];
    if (is_option.check(arg)) {
      const std::string::size_type eq = arg.find('=');
      if (eq != std::string::npos) {
        group.values.push_back(arg.substr(eq + 1));
        arg.erase(eq);
      }
      group.name = arg;
      ++i;
    }
    while (has(i) && !is_option.check(argv[i])) {
      group.values.push_back(argv[i]);
      ++i;
    }
    groups.push_back(group);
  }
  return groups;
}

bool Parser::parse()
{
  ArgGroupList groups = split();
  std::vector<OptionChain::ValueError> collected;
  unsigned successes = 0;

  for (const OptionChainRef &chain : chains) {
    const ArgGroupList saved = groups;
    if (chain->parse(groups)) {
      ++successes;
      if (!chain->continue_after_match())
        return false;
      continue;
    }
    const std::vector<OptionChain::ValueError> chain_errors = chain->get_errors();
    collected.insert(collected.end(), chain_errors.begin(), chain_errors.end());
    if (!chain->is_optional())
      return false;
    groups = saved;
  }

  if (!groups.empty()) {
    for (const ArgGroup &group : groups) {
      std::cerr << "invalid option or value: " << group.name;
      for (const std::string &value : group.values)
        std::cerr << ' ' << value;
      std::cerr << '\n';
      if (!collected.empty())
        std::cerr << "Errors: \n" << collected << '\n';
    }
    std::cerr.flush();
    return false;
  }
  return successes >= min_chains;
}

std::string Parser::usage(unsigned name_col, unsigned names_end, unsigned text_col, unsigned width) const
{
  std::string text;
  bool first = true;
  for (const OptionRef &option : options) {
    const Option &opt = checked(option);
    if (opt.has_usage()) {
      if (!first)
        text += '\n';
      text += opt.usage_line(name_col, names_end, text_col, width);
    }
    first = false;
  }
  return text;
}

// ---- stream output ----

std::ostream &operator<<(std::ostream &os, const std::vector<OptionChain::ValueError> &errors)
{
  bool first = true;
  for (const OptionChain::ValueError &error : errors) {
    if (!first)
      os << '\n';
    first = false;
    const Option *option = error.option.try_get();
    Ref<OptionNameRule> names;
    if (option && rule_cast(option->get_name_rule(), names) && names->get_names().try_get() &&
        names->has_description()) {
      if (names->get_prefixes().try_get()) {
        os << names->format_names(5, 40);
      } else {
        // Options added to a chain before the chain met its parser have no
        // prefix list; the error report names them without one instead of
        // failing while it reports.
        OptionNameRule plain(StringListRef(new StringList), names->get_names());
        os << plain.format_names(5, 40);
      }
      os << " : ";
    }
    os << error.message << " : " << error.value;
  }
  return os;
}

std::ostream &operator<<(std::ostream &os, const ArgGroupList &groups)
{
  for (const ArgGroup &group : groups) {
    os << '[' << group.name << "]\n";
    for (const std::string &value : group.values)
      os << '\t' << value << '\n';
  }
  return os;
}

std::ostream &operator<<(std::ostream &os, const StringListRef &list)
{
  if (const StringList *texts = list.try_get())
    for (const std::string &text : *texts)
      os << text << ' ';
  return os;
}

} // namespace Arg
} // namespace Tools
