#ifndef KORVAN_TOOLS_DBI_DBTYPE_H
#define KORVAN_TOOLS_DBI_DBTYPE_H

// Column values: one typed field of a row record. Each knows its column
// name and kind and converts its value to and from the text in which every
// value travels to and from the database. Built with a record, a column
// registers itself with it, so declaration order is column order.

#include <iosfwd>
#include <sstream>
#include <string>

#include "tools/core/enum_range.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"

// The yes/no enumeration of the database, stored as "NEIN" and "JA".
// The underlying type is fixed so that the unset mark -5000 is a valid
// value of the type when it is printed as a number.
struct JANEIN
{
  enum Enum : int { NEIN = 0, JA = 1 };
  typedef Enum ETYPE;
  static constexpr int FIRST__ = NEIN, LAST__ = JA;
};

typedef Tools::EnumRange<JANEIN, Tools::CopyNone<JANEIN> > JANEIN_RANGE;

// Index = value: "NEIN", "JA".
extern const std::string JANEIN_STR[2];

// Write "JA" or "NEIN" ("NEIN" for an unset value); read one word and take
// it only when it is exactly "NEIN" or "JA", else leave the value alone.
std::ostream &operator<<(std::ostream &os, const JANEIN_RANGE &value);
std::istream &operator>>(std::istream &is, JANEIN_RANGE &value);

namespace Tools {

class DBBindType;

class DBType
{
public:
  struct EnumType
  {
    enum ETYPE { INT = 1, VARCHAR = 2, ENUM = 3, DOUBLE = 4, DATETIME = 5 };
    static constexpr int FIRST__ = INT, LAST__ = DATETIME;
  };
  typedef EnumRange<EnumType, CopyNone<EnumType> > KIND;

  std::string name;
  KIND type;

  DBType(const std::string &name, const KIND &type);
  DBType(const DBType &other) = default;
  // Assigning a value never renames or retypes the target column.
  DBType &operator=(const DBType &) { return *this; }
  virtual ~DBType();

  virtual void from_string(const std::string &text) = 0;
  virtual std::string to_string() const = 0;
  virtual unsigned get_size() const { return 20; }
  virtual std::string format(const std::string &fmt) const = 0;

  const std::string &get_name() const { return name; }

protected:
  // Registers with the record as the constructor's last step.
  void attach(DBBindType *record);
};

class DBTypeInt : public DBType
{
public:
  int value;

  DBTypeInt(DBBindType *record, const std::string &name);
  // A free field, e.g. the target of a count query.
  DBTypeInt();
  DBTypeInt(const DBTypeInt &other) = default;
  DBTypeInt &operator=(const DBTypeInt &other)
  {
    value = other.value;
    return *this;
  }
  DBTypeInt &operator=(int v)
  {
    value = v;
    return *this;
  }
  operator int() const { return value; }

  void from_string(const std::string &text) override;
  std::string to_string() const override;
  std::string format(const std::string &fmt) const override;
};

class DBTypeDouble : public DBType
{
public:
  double value;

  DBTypeDouble(DBBindType *record, const std::string &name);
  DBTypeDouble(const DBTypeDouble &other) = default;
  DBTypeDouble &operator=(const DBTypeDouble &other)
  {
    value = other.value;
    return *this;
  }
  DBTypeDouble &operator=(double v)
  {
    value = v;
    return *this;
  }
  operator double() const { return value; }

  void from_string(const std::string &text) override;
  std::string to_string() const override;
  std::string format(const std::string &fmt) const override;
};

class DBTypeVarChar : public DBType
{
public:
  std::string value;
  int size;

  DBTypeVarChar(DBBindType *record, const std::string &name, int size);
  // Copies name, kind, value and size; registers nowhere.
  DBTypeVarChar(const DBTypeVarChar &other) = default;
  DBTypeVarChar &operator=(const DBTypeVarChar &other)
  {
    value = other.value;
    size = other.size;
    return *this;
  }
  // No check against the size: the server refuses a text too long.
  DBTypeVarChar &operator=(const std::string &v)
  {
    value = v;
    return *this;
  }
  operator const char *() const { return value.c_str(); }

  void from_string(const std::string &text) override;
  std::string to_string() const override;
  unsigned get_size() const override { return static_cast<unsigned>(size); }
  std::string format(const std::string &fmt) const override;
};

class DBTypeDateTime : public DBType
{
public:
  std::string value;
  int size;

  // What an empty value is written as: the server's strict mode refuses
  // '' in a DATETIME NOT NULL column.
  static const char *const ZERO;

  DBTypeDateTime(DBBindType *record, const std::string &name);
  DBTypeDateTime(const DBTypeDateTime &other) = default;
  DBTypeDateTime &operator=(const DBTypeDateTime &other)
  {
    value = other.value;
    size = other.size;
    return *this;
  }
  DBTypeDateTime &operator=(const std::string &v)
  {
    value = v;
    return *this;
  }

  void from_string(const std::string &text) override;
  std::string to_string() const override;
  unsigned get_size() const override { return static_cast<unsigned>(size); }
  std::string format(const std::string &fmt) const override;
};

// Base of enumeration columns; the create script lists value_name(v) for v
// from first_value() to last_value().
class DBTypeEnumBase : public DBType
{
public:
  DBTypeEnumBase(DBBindType *record, const std::string &name);
  virtual int first_value() const = 0;
  virtual int last_value() const = 0;
  virtual std::string value_name(int i) const = 0;
};

// The texts of an enumeration's values. The yes/no enumeration is the only
// one the database knows.
template <class R> struct EnumTexts;

template <> struct EnumTexts<JANEIN_RANGE>
{
  static int first() { return JANEIN::FIRST__; }
  static int last() { return JANEIN::LAST__; }
  static std::string name(int i) { return i >= first() && i <= last() ? JANEIN_STR[i] : std::string(); }
};

template <class R> class DBTypeEnum : public DBTypeEnumBase
{
  typedef EnumTexts<R> Texts;

public:
  R value;

  DBTypeEnum(DBBindType *record, const std::string &name) : DBTypeEnumBase(nullptr, name) { attach(record); }
  // Copies also an unset value (the unchecked assignment of EnumRange).
  DBTypeEnum(const DBTypeEnum &other) : DBTypeEnumBase(other) { value = other.value; }
  DBTypeEnum &operator=(const DBTypeEnum &other)
  {
    value = other.value;
    return *this;
  }
  DBTypeEnum &operator=(const R &v)
  {
    value = v;
    return *this;
  }
  DBTypeEnum &operator=(typename R::ETYPE v)
  {
    value = v;
    return *this;
  }

  void from_string(const std::string &text) override
  {
    for (int i = Texts::first(); i <= Texts::last(); ++i)
      if (text == Texts::name(i)) {
        value = static_cast<typename R::ETYPE>(i);
        return;
      }
  }
  // Throws "EnumRange: Uninitialized value!" for an unset value.
  std::string to_string() const override { return Texts::name(static_cast<int>(value.get_value())); }
  unsigned get_size() const override
  {
    unsigned longest = 0;
    for (int i = Texts::first(); i <= Texts::last(); ++i)
      if (Texts::name(i).size() > longest)
        longest = static_cast<unsigned>(Texts::name(i).size());
    return longest;
  }
  std::string format(const std::string &fmt) const override
  {
    if (fmt == "%s")
      return to_string();
    // The stored number, unchecked: an unset value prints as -5000.
    typename R::ETYPE raw = value.is_set() ? value.get_value() : static_cast<typename R::ETYPE>(R::UNSET);
    return Tools::format(fmt, raw);
  }

  int first_value() const override { return Texts::first(); }
  int last_value() const override { return Texts::last(); }
  std::string value_name(int i) const override { return Texts::name(i); }
};

typedef DBTypeEnum<JANEIN_RANGE> DBTypeJaNein;

// A yes/no value prints as its number and is not an integer argument.
template <> struct FormatArg<JANEIN::Enum>
{
  static constexpr bool is_int = false;
  static constexpr bool is_string = false;
  static void put(std::ostream &os, const JANEIN::Enum &v);
};

// A text column prints as its value.
template <> struct FormatArg<DBTypeVarChar> : FormatCStrArg<DBTypeVarChar> {};

// Yes/no values from and to texts: a word other than "NEIN" or "JA" gives
// the fallback.
template <> JANEIN_RANGE from_text<JANEIN_RANGE>(const std::string &text, const JANEIN_RANGE &fallback);

} // namespace Tools

#endif
