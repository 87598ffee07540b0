#ifndef KORVAN_TOOLS_READERS_ARG_H
#define KORVAN_TOOLS_READERS_ARG_H

// Command-line options: rules that accept or refuse one piece of text, and
// options that pair a name rule with a value rule, collect the values found
// for them and render their usage line. The chains and the parser that run
// them over an argument vector are in tools/readers/option_chain.h.
//
// Everything is held through Tools::Ref; the text lists are shared handles,
// so a parser's prefix list added to later is seen by every name rule that
// took it.

#include <string>
#include <vector>

#include "tools/core/enum_range.h"
#include "tools/core/ref.h"

namespace Tools {
namespace Arg {

// The object behind a handle; a handle without one, or with a null one,
// raises the handle's BadRef rather than crashing.
template <class T> T &checked(const Ref<T> &ref)
{
  T *object = ref.try_get();
  if (!object)
    throw typename Ref<T>::BadRef();
  return *object;
}

typedef std::vector<std::string> StringList;
typedef Ref<StringList> StringListRef;

// How the options of one chain must match: ALL of them, or ANY (each may be
// absent).
struct EnumLink
{
  enum Enum { ALL = 1, ANY = 2 };
  typedef Enum ETYPE;
  static constexpr int FIRST__ = ALL, LAST__ = ANY;
};
typedef EnumRange<EnumLink, CopyNone<EnumLink> > Link;

class Rule
{
protected:
  bool continue_on_match_;
  bool continue_on_mismatch_;
  std::string description_;
  std::string error_text_;

public:
  Rule(bool continue_on_match, bool continue_on_mismatch);
  virtual ~Rule();

  // Not const: the nameless option's rule drops its lists when asked.
  virtual bool check(const std::string &text) = 0;
  virtual bool continue_on_match() const;
  virtual bool continue_on_mismatch() const;
  virtual bool is_bool() const;
  virtual void set_description(const std::string &text);
  virtual std::string description() const;
  virtual bool has_description() const;
  virtual std::string error_text() const;
};

class OptionNameRule : public Rule
{
protected:
  StringListRef prefixes;
  StringListRef names;

public:
  OptionNameRule();
  OptionNameRule(StringListRef prefixes, StringListRef names);

  bool check(const std::string &text) override;
  bool has_description() const override;

  void set_prefixes(StringListRef list) { prefixes = list; }
  void set_names(StringListRef list) { names = list; }
  StringListRef get_prefixes() const { return prefixes; }
  StringListRef get_names() const { return names; }

  // The names, each behind the first prefix, the second and later ones
  // starting at name_col, the whole filled with blanks to names_end.
  std::string format_names(unsigned name_col, unsigned names_end) const;
};

// Name rule of the option that takes the arguments under no option name.
class EmptyOptionNameRule : public OptionNameRule
{
public:
  EmptyOptionNameRule();
  bool check(const std::string &text) override;
  bool has_description() const override { return false; }
};

// Tells option arguments from values: the text begins with a prefix.
class IsOptionRule : public Rule
{
  StringListRef prefixes;

public:
  IsOptionRule();
  explicit IsOptionRule(StringListRef prefixes);
  void set_prefixes(StringListRef list) { prefixes = list; }
  bool check(const std::string &text) override;
};

class IsValueRule : public Rule
{
protected:
  StringListRef states;
  bool case_sensitive;

public:
  explicit IsValueRule(bool case_sensitive);
  IsValueRule(StringListRef states, bool case_sensitive);

  StringListRef get_states() const { return states; }
  bool check(const std::string &text) override;
  std::string description() const override;
  bool has_description() const override;
};

class IsBoolRule : public IsValueRule
{
public:
  IsBoolRule();
  bool check(const std::string &text) override;
  bool is_bool() const override { return true; }
};

class IsIntRule : public Rule
{
public:
  IsIntRule();
  bool check(const std::string &text) override;
};

class AnyStringRule : public Rule
{
public:
  AnyStringRule();
  bool check(const std::string &) override { return true; }
};

// A handle to the same rule seen as T, which does not own it: valid only
// while an owning handle keeps the rule alive.
template <class T> bool rule_cast(const Ref<Rule> &from, Ref<T> &to)
{
  T *object = dynamic_cast<T *>(from.try_get());
  if (!object)
    return false;
  to = Ref<T>(object, false);
  return true;
}

template <class T> Ref<T> rule_cast(const Ref<Rule> &from)
{
  Ref<T> to;
  rule_cast(from, to);
  return to;
}

class Option
{
protected:
  Ref<Rule> name_rule;
  Ref<Rule> value_rule;
  StringListRef values;
  unsigned min_values;
  unsigned max_values;
  bool found;
  bool required;
  std::string help;
  int id;

  std::string render_usage(bool with_value, unsigned name_col, unsigned names_end, unsigned text_col,
                           unsigned width) const;

public:
  Option();
  Option(Ref<Rule> name_rule, Ref<Rule> value_rule);
  virtual ~Option();

  virtual std::string usage_line(unsigned name_col, unsigned names_end, unsigned text_col,
                                 unsigned width) const;
  virtual bool has_usage() const;

  bool check_name(const std::string &text);
  bool check_value(const std::string &text);
  bool add_name(const std::string &name);
  void set_value_name(const std::string &text);
  void add_value(const std::string &value);

  void set_min_values(unsigned n) { min_values = n; }
  void set_max_values(unsigned n) { max_values = n; }
  void set_id(int value) { id = value; }
  void set_found(bool value) { found = value; }
  void set_required(bool value) { required = value; }
  void set_help(const std::string &text) { help = text; }

  Ref<Rule> get_name_rule() const { return name_rule; }
  Ref<Rule> get_value_rule() const { return value_rule; }
  unsigned get_min_values() const { return min_values; }
  unsigned get_max_values() const { return max_values; }
  int get_id() const { return id; }
  bool is_found() const { return found; }
  bool is_required() const { return required; }
  std::string get_help() const { return help; }
  // The collected values, shared with the option.
  StringListRef get_values() const { return values; }
};

bool operator==(const Option &a, const Option &b);

class BoolOption : public Option
{
public:
  BoolOption();
  explicit BoolOption(const std::string &name);
  explicit BoolOption(StringListRef names);
  bool get_value() const;
};

// A boolean option whose usage line shows no value placeholder.
class FlagOption : public BoolOption
{
public:
  FlagOption() {}
  explicit FlagOption(const std::string &name) : BoolOption(name) {}
  explicit FlagOption(StringListRef names) : BoolOption(names) {}
  std::string usage_line(unsigned name_col, unsigned names_end, unsigned text_col,
                         unsigned width) const override;
};

class StringOption : public Option
{
protected:
  explicit StringOption(Ref<Rule> name_rule);

public:
  StringOption();
  StringOption(const std::string &name, const std::string &value_name);
};

// Takes the arguments that stand under no option name; never in the usage.
class EmptyStringOption : public StringOption
{
public:
  EmptyStringOption();
  bool has_usage() const override { return false; }
};

class IntOption : public Option
{
public:
  IntOption();
  explicit IntOption(const std::string &name);
};

// A case-insensitive option matches its states in any case: a state
// written "fast" takes "--mode=Fast".
class EnumOption : public Option
{
public:
  explicit EnumOption(bool case_sensitive);
  EnumOption(const std::string &name, bool case_sensitive);
  EnumOption(const char *name, bool case_sensitive);
  void add_state(const std::string &state);
};

} // namespace Arg
} // namespace Tools

#endif
