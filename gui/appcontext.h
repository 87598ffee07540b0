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
#include "gui/idlereads.h"
#include "gui/langregistry.h"

namespace Tools {
class Database;
}
class USER;

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
  // Reads the translations again and gives every text its row (shown at
  // once while translations are shown).
  void updateLangs() { langs.reload(); }

protected:
  LangRegistry langs;
  IdleReads idle_reads;

  AppContext() = default;
  // The connection the windows work with from now on: the texts take
  // their rows from it, and what the windows only read there is ended
  // whenever the program waits for the person again (see IdleReads).
  void attach_database(const Tools::Ref<Tools::Database> &db)
  {
    langs.attach(db);
    idle_reads.watch(db);
  }
  virtual ~AppContext() = default;
};

#endif
