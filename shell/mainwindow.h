#ifndef KORVAN_SHELL_MAINWINDOW_H
#define KORVAN_SHELL_MAINWINDOW_H

// The program's one top-level window and the application context of its
// dialogs: the database handle, the stored connection settings, the
// current user, the icon set, the debug sink and the program's texts.

#include <list>
#include <string>

#include "gui/appcontext.h"
#include "gui/iconmanager.h"
#include "tools/core/ref.h"
#include "tools/widgets/fxcompat.h"

namespace Tools {
class Database;
}
class LANG;
class USER;
class Lang;
class MenuTitle;
class MyDebug;
class DebugWin;
class Art;
class GrpUst;
class User;
class EditWin;
class RoomWin;
class SonstArt;
class LangWin;

class MainWindow : public FX::FXMainWindow, public AppContext
{
  FXDECLARE(MainWindow)

public:
  // The four connection settings, stored in the settings registry.
  struct ConnectSettings
  {
    std::string host; // the ODBC data-source name
    std::string database;
    std::string username;
    std::string password;
  };

  enum {
    ID_QUIT = 63,
    ID_CONNECT = 64,
    ID_ART = 65,
    ID_GRPUST = 66,
    ID_USER = 67,
    ID_LOGIN = 68,
    ID_QUIT_CHORE = 69,
    ID_EDITOR = 70,
    ID_ROOMS = 71,
    ID_SONSTART = 72,
    ID_LANGWIN = 73,
    ID_LANGMODE = 74,
    ID_DEBUG = 75,
    ID_LAST
  };

  // The section of the connection settings in the settings registry.
  static const char *const SETTINGS_SECTION; // "DBSETTINGS"
  static const char *const TITLE;            // "Korvan"
  static const char *const VERSION_TEXT;     // "Korvan Zererararuda Version 0.0.1"

protected:
  FX::FXMenuBar *menuBar;
  FX::FXMenuPane *systemPane;
  FX::FXMenuPane *wartungPane;
  FX::FXMenuPane *anwendungPane;
  MenuTitle *wartungTitle;
  MenuTitle *systemTitle;
  MenuTitle *anwendungTitle;
  Tools::Ref<Tools::Database> database;
  IconManager icons;
  Art *artWin;
  GrpUst *grpUstWin;
  User *userWin;
  EditWin *editWin;
  RoomWin *roomWin;
  DebugWin *debugWin;
  SonstArt *sonstArtWin;
  LangWin *langWin;
  MyDebug *debug;
  Tools::Ref<USER> user;
  ConnectSettings settings;
  // Set when the program ends.
  bool quitting;
  FX::FXToolTip *tooltip;

  MainWindow();

  void readSettings();
  void writeSettings();
  // Whether create runs the login loop (see setLoginAtStart).
  static bool loginAtStart;

public:
  explicit MainWindow(FX::FXApp *app);
  ~MainWindow() override;

  void create() override;

  // ---- the application context ----
  Tools::Ref<Tools::Database> getDatabase() override;
  // Puts the connection in place for every window: the texts take their
  // rows from it, and what the windows only read there is ended when the
  // program waits (see AppContext::attach_database).
  void setDatabase(const Tools::Ref<Tools::Database> &db);
  // A new connection with these settings, connected or not (then it says
  // why).
  static Tools::Ref<Tools::Database> openDatabase(const ConnectSettings &s);
  // For a station whose connection is gone or was never made (its server
  // was down): connects again with the stored settings and puts the new
  // connection in place, a failed one too (it tells why). A connection
  // that works is kept. Whether one works now.
  bool reconnect();
  Tools::Ref<USER> getUser() override;
  void setUser(const Tools::Ref<USER> &u);
  FX::FXIcon *getIcon(const std::string &name) override { return icons.get_icon(name); }
  IconManager &getIconManager() { return icons; }
  ConnectSettings &getConnectSettings() { return settings; }
  MyDebug *getDebug() const { return debug; }
  void setLoggedIn(bool loggedIn);
  bool isQuitting() const { return quitting; }
  // On by default. Test programs that drive main windows without anybody
  // at the keyboard turn it off: create then counts as logged in, and the
  // "Anmeldung" entry still runs the real login.
  static void setLoginAtStart(bool on) { loginAtStart = on; }

  // ---- message handlers ----
  long onQuit(FX::FXObject *, FX::FXSelector, void *);
  long onConnect(FX::FXObject *, FX::FXSelector, void *);
  long onArt(FX::FXObject *, FX::FXSelector, void *);
  long onGrpUst(FX::FXObject *, FX::FXSelector, void *);
  long onUser(FX::FXObject *, FX::FXSelector, void *);
  long onLogin(FX::FXObject *, FX::FXSelector, void *);
  long onEditor(FX::FXObject *, FX::FXSelector, void *);
  long onRooms(FX::FXObject *, FX::FXSelector, void *);
  long onSonstArt(FX::FXObject *, FX::FXSelector, void *);
  long onLangWin(FX::FXObject *, FX::FXSelector, void *);
  long onLangMode(FX::FXObject *, FX::FXSelector, void *);
  long onDebug(FX::FXObject *, FX::FXSelector, void *);

  // The windows made on first use (null until then).
  DebugWin *getDebugWin() const { return debugWin; }
  LangWin *getLangWin() const { return langWin; }
  RoomWin *getRoomWin() const { return roomWin; }
  MenuTitle *getSystemTitle() const { return systemTitle; }
};

#endif
