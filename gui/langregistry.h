#ifndef KORVAN_GUI_LANGREGISTRY_H
#define KORVAN_GUI_LANGREGISTRY_H

// The program's texts and their translations: the translatable objects
// alive, the mode (translations shown or not) and the rows of table LANG.
//
// The rows of the program's system are read once per connection, in one
// statement, and looked up in memory afterwards, so that opening a window
// sends nothing for its texts. The texts alive at the read that are
// missing from it are stored at once; a text made later and not read
// then (stored since by another station, or new) is looked up and, when
// new, stored.
// Every object showing a text shares the one row of that text: a
// translation stored in the translation editor reaches all of them at once.
//
// A text longer than LANG's columns cannot be stored there: it is never
// sent to the server and stays untranslated.

#include <list>
#include <map>
#include <string>
#include <utility>

#include "tools/core/ref.h"
#include "schema/tables.h"

namespace Tools {
class Database;
}

class LangRegistry
{
public:
  // What the registry asks of a text that shows in the interface (Lang is
  // one).
  class Text
  {
  public:
    // Takes the registry's row of its text again; shows nothing new.
    virtual void reload() = 0;
    // Shows the original text or the translation, by the registry's mode.
    virtual void update_text() = 0;
    // The registry has gone: the text keeps what it shows and asks no more.
    virtual void registry_gone() = 0;

  protected:
    ~Text() = default;
  };

private:
  // (type, original text) -> the row of that text.
  std::map<std::pair<std::string, std::string>, Tools::Ref<LANG> > rows;
  Tools::Ref<Tools::Database> db;
  std::list<Text *> texts;
  bool translated;
  // Set while the rows just read are handed to the texts: a text missing
  // from them is not stored.
  bool complete;

  Tools::Database *connected() const;
  // The rows of the connection into memory; false when they could not be
  // read.
  bool read_rows();
  void cache(const Tools::Ref<LANG> &row);

public:
  // The system of the program's texts in LANG.
  static const char *const SYSTEM; // "GUI"

  LangRegistry();
  // The texts still registered outlive the registry: they forget it.
  ~LangRegistry();
  LangRegistry(const LangRegistry &) = delete;
  LangRegistry &operator=(const LangRegistry &) = delete;

  // A LANG row of the program's texts, not looked up: idx 0, no translation.
  static Tools::Ref<LANG> new_row(const std::string &type, const std::string &orig);
  // Whether LANG's columns can hold the text.
  static bool fits(const std::string &type, const std::string &orig);

  // Works with this connection from now on: reads its rows and gives every
  // registered text its row there, storing those it lacks. An empty or
  // unconnected handle leaves every text untranslated.
  void attach(const Tools::Ref<Tools::Database> &database);
  // Reads the rows again (rows stored by others meanwhile) and gives them
  // to the registered texts; while translations are shown, each text shows
  // its new one at once (its original where there is none).
  void reload();

  // The row of a text; idx 0 while it is not stored.
  Tools::Ref<LANG> find(const std::string &type, const std::string &orig);
  // The same, stored first when it is new; idx stays 0 without a database,
  // when the text does not fit or when the insert fails.
  Tools::Ref<LANG> find_stored(const std::string &type, const std::string &orig);
  // A row as the translation editor stored it: every text of that row
  // shows the new translation from now on.
  void store(const LANG &row);

  void add(Text *text);
  void remove(Text *text);

  bool is_translated() const { return translated; }
  // Flips the mode and shows it in every registered text.
  void switch_translated();
};

#endif
