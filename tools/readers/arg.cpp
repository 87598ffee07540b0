#include "tools/readers/arg.h"

#include "tools/core/string_utils.h"

namespace Tools {
namespace Arg {

namespace {

void pad_to(std::string &text, unsigned column)
{
  if (text.size() < column)
    text.append(column - text.size(), ' ');
}

} // namespace

// ---- Rule ----

Rule::Rule(bool continue_on_match, bool continue_on_mismatch)
  : continue_on_match_(continue_on_match), continue_on_mismatch_(continue_on_mismatch)
{
}

Rule::~Rule() {}

bool Rule::continue_on_match() const { return continue_on_match_; }
bool Rule::continue_on_mismatch() const { return continue_on_mismatch_; }
bool Rule::is_bool() const { return false; }
void Rule::set_description(const std::string &text) { description_ = text; }
std::string Rule::description() const { return description_; }
bool Rule::has_description() const { return !description_.empty(); }
std::string Rule::error_text() const { return error_text_; }

// ---- OptionNameRule ----

OptionNameRule::OptionNameRule() : Rule(true, true), names(new StringList) {}

OptionNameRule::OptionNameRule(StringListRef prefixes, StringListRef names)
  : Rule(true, true), prefixes(prefixes), names(names)
{
}

bool OptionNameRule::check(const std::string &text)
{
  const StringList *prefix_list = prefixes.try_get();
  const StringList *name_list = names.try_get();
  if (prefix_list && name_list) {
    for (const std::string &prefix : *prefix_list)
      for (const std::string &name : *name_list)
        if (text.size() == prefix.size() + name.size() && text.compare(0, prefix.size(), prefix) == 0 &&
            text.compare(prefix.size(), std::string::npos, name) == 0)
          return true;
    return false;
  }
  if (name_list) {
    for (const std::string &name : *name_list)
      if (text == name)
        return true;
    return false;
  }
  return text.empty();
}

bool OptionNameRule::has_description() const { return !checked(names).empty(); }

std::string OptionNameRule::format_names(unsigned name_col, unsigned names_end) const
{
  const StringList &prefix_list = checked(prefixes);
  const std::string prefix = prefix_list.empty() ? std::string() : prefix_list.front();
  std::string result;
  bool first = true;
  for (const std::string &name : checked(names)) {
    if (!first)
      pad_to(result, name_col);
    first = false;
    result += prefix + name;
  }
  pad_to(result, names_end);
  return result;
}

EmptyOptionNameRule::EmptyOptionNameRule() : OptionNameRule()
{
  prefixes = StringListRef();
  names = StringListRef();
}

bool EmptyOptionNameRule::check(const std::string &text)
{
  // A chain hands its prefix list to every option it takes; the nameless
  // option must still accept nothing but the empty name.
  if (prefixes.valid())
    prefixes = StringListRef();
  if (names.valid())
    names = StringListRef();
  return OptionNameRule::check(text);
}

// ---- IsOptionRule ----

IsOptionRule::IsOptionRule() : Rule(true, true), prefixes(new StringList) {}

IsOptionRule::IsOptionRule(StringListRef prefixes) : Rule(true, true), prefixes(prefixes) {}

bool IsOptionRule::check(const std::string &text)
{
  const StringList *list = prefixes.try_get();
  if (!list)
    return false;
  for (const std::string &prefix : *list)
    if (text.compare(0, prefix.size(), prefix) == 0)
      return true;
  return false;
}

// ---- IsValueRule, IsBoolRule ----

static const char *const STATE_ERROR = "value does not matches one of the valid states";

IsValueRule::IsValueRule(bool case_sensitive) : Rule(true, false), states(new StringList), case_sensitive(case_sensitive)
{
  error_text_ = STATE_ERROR;
}

IsValueRule::IsValueRule(StringListRef states, bool case_sensitive)
  : Rule(true, false), states(states), case_sensitive(case_sensitive)
{
  error_text_ = STATE_ERROR;
}

bool IsValueRule::check(const std::string &text)
{
  const std::string value = Tools::strip(text, " \t\n\r");
  // Without case, in whatever case the states were written.
  for (const std::string &state : checked(states))
    if (case_sensitive ? value == state : Tools::icase_equal(value, state))
      return true;
  return false;
}

std::string IsValueRule::description() const
{
  std::string joined;
  for (const std::string &state : checked(states)) {
    if (!joined.empty())
      joined += '|';
    joined += state;
  }
  if (joined.empty())
    return joined;
  return "[" + joined + "]";
}

bool IsValueRule::has_description() const { return !checked(states).empty(); }

IsBoolRule::IsBoolRule() : IsValueRule(false)
{
  StringList &list = *states;
  list.push_back("TRUE");
  list.push_back("FALSE");
  list.push_back("0");
  list.push_back("1");
}

bool IsBoolRule::check(const std::string &text) { return IsValueRule::check(Tools::toupper(text)); }

// ---- IsIntRule, AnyStringRule ----

IsIntRule::IsIntRule() : Rule(true, false)
{
  description_ = "INT";
  error_text_ = "values is not an integer";
}

bool IsIntRule::check(const std::string &text) { return Tools::is_int(text); }

AnyStringRule::AnyStringRule() : Rule(true, true) {}

// ---- Option ----

Option::Option()
  : values(new StringList), min_values(0), max_values(static_cast<unsigned>(-1)), found(false), required(false),
    id(-1)
{
}

Option::Option(Ref<Rule> name_rule, Ref<Rule> value_rule)
  : name_rule(name_rule), value_rule(value_rule), values(new StringList), min_values(0),
    max_values(static_cast<unsigned>(-1)), found(false), required(false), id(-1)
{
}

Option::~Option() {}

std::string Option::render_usage(bool with_value, unsigned name_col, unsigned names_end, unsigned text_col,
                                 unsigned width) const
{
  std::string line;
  Rule &names = checked(name_rule);
  Rule &value = checked(value_rule);
  if (names.has_description()) {
    Ref<OptionNameRule> name_list;
    if (rule_cast(name_rule, name_list))
      line += name_list->format_names(name_col, names_end);
    else
      line += names.description();
  }
  if (with_value && value.has_description())
    line += value.description();
  pad_to(line, text_col);
  if (line.size() > text_col)
    line += ' ';
  line += help;
  if (line.size() > width)
    line = Tools::wrap_text(line, width, text_col);
  return line;
}

std::string Option::usage_line(unsigned name_col, unsigned names_end, unsigned text_col, unsigned width) const
{
  return render_usage(true, name_col, names_end, text_col, width);
}

bool Option::has_usage() const
{
  if (name_rule.try_get() && name_rule->has_description())
    return true;
  if (value_rule.try_get() && value_rule->has_description())
    return true;
  return !help.empty();
}

bool Option::check_name(const std::string &text) { return checked(name_rule).check(text); }

bool Option::check_value(const std::string &text) { return checked(value_rule).check(text); }

bool Option::add_name(const std::string &name)
{
  Ref<OptionNameRule> rule;
  if (!rule_cast(name_rule, rule))
    return false;
  // The rule's list is read through its handle: a rule without a list
  // raises BadRef, as every other read of a missing list does.
  StringListRef names = rule->get_names();
  checked(names);
  names->push_back(name);
  return true;
}

void Option::set_value_name(const std::string &text)
{
  if (value_rule.try_get())
    value_rule->set_description(text);
}

void Option::add_value(const std::string &value) { values->push_back(value); }

bool operator==(const Option &a, const Option &b) { return a.get_id() == b.get_id(); }

// ---- the option kinds ----

BoolOption::BoolOption() : Option(Ref<Rule>(new OptionNameRule()), Ref<Rule>(new IsBoolRule()))
{
  min_values = 0;
  max_values = 1;
}

BoolOption::BoolOption(const std::string &name) : BoolOption() { add_name(name); }

BoolOption::BoolOption(StringListRef names) : BoolOption()
{
  Ref<OptionNameRule> rule;
  if (rule_cast(name_rule, rule))
    rule->set_names(names);
}

bool BoolOption::get_value() const
{
  const StringList &list = *values;
  if (list.empty())
    return found;
  return Tools::text2bool(list.front());
}

std::string FlagOption::usage_line(unsigned name_col, unsigned names_end, unsigned text_col, unsigned width) const
{
  return render_usage(false, name_col, names_end, text_col, width);
}

StringOption::StringOption(Ref<Rule> name_rule) : Option(name_rule, Ref<Rule>(new AnyStringRule()))
{
  min_values = 1;
}

StringOption::StringOption() : StringOption(Ref<Rule>(new OptionNameRule())) {}

StringOption::StringOption(const std::string &name, const std::string &value_name) : StringOption()
{
  add_name(name);
  set_value_name(value_name);
}

EmptyStringOption::EmptyStringOption() : StringOption(Ref<Rule>(new EmptyOptionNameRule())) {}

IntOption::IntOption() : Option(Ref<Rule>(new OptionNameRule()), Ref<Rule>(new IsIntRule())) { min_values = 1; }

IntOption::IntOption(const std::string &name) : IntOption() { add_name(name); }

EnumOption::EnumOption(bool case_sensitive)
  : Option(Ref<Rule>(new OptionNameRule()), Ref<Rule>(new IsValueRule(case_sensitive)))
{
  min_values = 1;
}

EnumOption::EnumOption(const std::string &name, bool case_sensitive) : EnumOption(case_sensitive) { add_name(name); }

EnumOption::EnumOption(const char *name, bool case_sensitive) : EnumOption(std::string(name ? name : ""), case_sensitive)
{
}

void EnumOption::add_state(const std::string &state)
{
  Ref<IsValueRule> rule = rule_cast<IsValueRule>(value_rule);
  // A value rule of another kind leaves an empty handle: BadRef.
  StringListRef states = rule->get_states();
  checked(states);
  states->push_back(state);
}

} // namespace Arg
} // namespace Tools
