#ifndef KORVAN_GUI_APPCONTEXT_H
#define KORVAN_GUI_APPCONTEXT_H

// What the dialog framework needs of the application it runs in: the one
// database handle, the user logged in, the button pictures, and the
// program's texts with their translations and the mode that shows them.
// Every dialog and translatable widget gets a pointer to it when it is
// built; the application's main window implements it.

#include <string>

#include "tools/core/ref.h"
#include "tools/widgets/fxcompat.h"
#include "gui/langregistry.h"

namespace Tools {
class Database;
}
class LANG;
class USER;
class Lang;

class AppContext
{
public:
  AppContext(const AppContext &) = delete;
  AppContext &operator=(const AppContext &) = delete;

  virtual Tools::Ref<Tools::Database> getDatabase() = 0;
  virtual Tools::Ref<USER> getUser() = 0;
  virtual FX::FXIcon *getIcon(const std::string &name) = 0;

  // ---- the program's texts (see LangRegistry) ----
  LangRegistry &getLangRegistry() { return langs; }
  // Whether the texts show their translations; the switch flips the mode
  // of every registered text at once.
  bool isTranslated() const { return langs.is_translated(); }
  void switchTranslated() { langs.switch_translated(); }
  // The LANG row of a text, from memory once the rows are read.
  Tools::Ref<LANG> getLangFor(const std::string &type, const std::string &orig) { return langs.find(type, orig); }
  // Stores a row not stored yet; false when there is no database, the text
  // does not fit or the insert fails.
  bool installLang(Tools::Ref<LANG> row) { return langs.install(row); }
  void registerLang(Lang *lang) { langs.add(lang); }
  void unregisterLang(Lang *lang) { langs.remove(lang); }
  // Reads the translations again and gives every text its row.
  void updateLangs() { langs.reload(); }

protected:
  LangRegistry langs;

  AppContext() = default;
  virtual ~AppContext() = default;
};

#endif
