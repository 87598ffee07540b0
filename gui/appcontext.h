#ifndef KORVAN_GUI_APPCONTEXT_H
#define KORVAN_GUI_APPCONTEXT_H

// What the dialog framework needs of the application it runs in: the one
// database handle, the user logged in, the button pictures, the
// translation mode with its F11 switch and the list of translatable texts.
// Every dialog and translatable widget gets a pointer to it when it is
// built; the application's main window implements it.

#include <string>

#include "tools/core/ref.h"
#include "tools/widgets/fxcompat.h"

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

  // Whether the texts show their translations; the switch flips the mode
  // of every registered text at once.
  virtual bool isTranslated() const = 0;
  virtual void switchTranslated() = 0;

  // The LANG row of a text, read from the database when there is one.
  virtual Tools::Ref<LANG> getLangFor(const std::string &type, const std::string &orig) = 0;
  // Stores a row not stored yet; false when there is no database or the
  // insert fails.
  virtual bool installLang(Tools::Ref<LANG> row) = 0;
  virtual void registerLang(Lang *lang) = 0;
  virtual void unregisterLang(Lang *lang) = 0;

  // Whether the context at that address still exists: a text that
  // outlives its window must not reach into it.
  static bool isAlive(const AppContext *context);

protected:
  AppContext();
  virtual ~AppContext();
};

#endif
