#include "shell/mainwindow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "gui/messagebox.h"
#include "gui/lang.h"
#include "schema/tables.h"
#include "masterdata/art.h"
#include "masterdata/grpust.h"
#include "masterdata/sonstart.h"
#include "masterdata/user.h"
#include "shell/connect.h"
#include "shell/debugwin.h"
#include "shell/langwin.h"
#include "shell/login.h"
#include "shell/mydebug.h"
#include "shell/startup.h"
#include "rooms/editwin.h"
#include "rooms/roomwin.h"
#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "tools/widgets/theme.h"

using namespace FX;

// Our numbered messages follow the toolkit's own.
static_assert(MainWindow::ID_QUIT >= Tools::fxcompat::MAINWINDOW_ID_LAST, "main window ids collide with the toolkit's");

const char *const MainWindow::SETTINGS_SECTION = "DBSETTINGS";
const char *const MainWindow::TITLE = "Korvan";
const char *const MainWindow::VERSION_TEXT = "Korvan Zererararuda Version 0.0.1";

namespace {
const char *const KEY_HOST = "host";
const char *const KEY_PASSWORD = "password";
const char *const KEY_USERNAME = "username";
const char *const KEY_DATABASE = "database";

const char *const VENDOR = "Marbeck";
const char *const APPLICATION = "Korvan";

// The registry holds the database password: make sure the file exists and
// is readable by its owner only before the toolkit writes it.
void protect_registry_file()
{
  const std::string path = Tools::fxcompat::registry_file(VENDOR, APPLICATION);
  std::string::size_type slash = path.find('/', 1);
  while (slash != std::string::npos) {
    mkdir(path.substr(0, slash).c_str(), 0700); // an existing directory stays as it is
    slash = path.find('/', slash + 1);
  }
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0600);
  if (fd >= 0)
    close(fd);
  chmod(path.c_str(), 0600);
}
} // namespace

FXDEFMAP(MainWindow) MainWindowMap[] = {
    FXMAPFUNC(SEL_COMMAND, MainWindow::ID_QUIT, MainWindow::onQuit),
    FXMAPFUNC(SEL_COMMAND, MainWindow::ID_CONNECT, MainWindow::onConnect),
    FXMAPFUNC(SEL_COMMAND, MainWindow::ID_ART, MainWindow::onArt),
    FXMAPFUNC(SEL_COMMAND, MainWindow::ID_GRPUST, MainWindow::onGrpUst),
    FXMAPFUNC(SEL_COMMAND, MainWindow::ID_USER, MainWindow::onUser),
    FXMAPFUNC(SEL_COMMAND, MainWindow::ID_LOGIN, MainWindow::onLogin),
    FXMAPFUNC(SEL_COMMAND, MainWindow::ID_EDITOR, MainWindow::onEditor),
    FXMAPFUNC(SEL_COMMAND, MainWindow::ID_ROOMS, MainWindow::onRooms),
    FXMAPFUNC(SEL_COMMAND, MainWindow::ID_SONSTART, MainWindow::onSonstArt),
    FXMAPFUNC(SEL_COMMAND, MainWindow::ID_LANGWIN, MainWindow::onLangWin),
    FXMAPFUNC(SEL_COMMAND, MainWindow::ID_DEBUG, MainWindow::onDebug),
    FXMAPFUNC(SEL_CLOSE, 0, MainWindow::onQuit),
    FXMAPFUNC(SEL_SIGNAL, 0, MainWindow::onQuit),
    FXMAPFUNC(SEL_CHORE, MainWindow::ID_QUIT_CHORE, MainWindow::onQuit),
    FXMAPFUNC(SEL_COMMAND, MainWindow::ID_LANGMODE, MainWindow::onLangMode),
};

FXIMPLEMENT(MainWindow, FXMainWindow, MainWindowMap, ARRAYNUMBER(MainWindowMap))

bool MainWindow::loginAtStart = true;

MainWindow::MainWindow()
    : menuBar(nullptr), systemPane(nullptr), wartungPane(nullptr), anwendungPane(nullptr), wartungTitle(nullptr),
      systemTitle(nullptr), anwendungTitle(nullptr), database(), icons(), artWin(nullptr), grpUstWin(nullptr),
      userWin(nullptr), editWin(nullptr), roomWin(nullptr), debugWin(nullptr), sonstArtWin(nullptr),
      langWin(nullptr), debug(nullptr), user(), settings(), quitting(false),
      tooltip(nullptr)
{
}

MainWindow::MainWindow(FXApp *app)
    : FXMainWindow(app, TITLE, nullptr, nullptr, DECOR_TITLE | DECOR_CLOSE, 0, 0, 400, 200, 0, 0, 0, 0, 0, 0),
      menuBar(nullptr), systemPane(nullptr), wartungPane(nullptr), anwendungPane(nullptr), wartungTitle(nullptr),
      systemTitle(nullptr), anwendungTitle(nullptr), database(), icons(app), artWin(nullptr), grpUstWin(nullptr),
      userWin(nullptr), editWin(nullptr), roomWin(nullptr), debugWin(nullptr), sonstArtWin(nullptr),
      langWin(nullptr), debug(nullptr), user(), settings(), quitting(false),
      tooltip(nullptr)
{
  // Data that is not the restaurant's current day says so in the title.
  setTitle(main_window_title(TITLE, std::getenv("KORVAN_TITLE_NOTE")).c_str());

  debug = new MyDebug;
  Tools::debug_sink = debug;

  tooltip = new FXToolTip(app);

  menuBar = new FXMenuBar(this, LAYOUT_SIDE_TOP | LAYOUT_FILL_X);

  systemPane = new FXMenuPane(this);
  new MenuCommand(systemPane, this, "Datenbankverbindung", nullptr, this, ID_CONNECT);
  new MenuCommand(systemPane, this, "Anmeldung", nullptr, this, ID_LOGIN);
  new MenuCommand(systemPane, this, "Debug", nullptr, this, ID_DEBUG);
  new MenuCommand(systemPane, this, "&Quit\tCtl-Q", nullptr, this, ID_QUIT);
  systemTitle = new MenuTitle(menuBar, this, "&System", nullptr, systemPane);

  wartungPane = new FXMenuPane(this);
  new MenuCommand(wartungPane, this, "Benutzer", nullptr, this, ID_USER);
  new MenuCommand(wartungPane, this, "UST Gruppen", nullptr, this, ID_GRPUST);
  new MenuCommand(wartungPane, this, "Artikelstamm", nullptr, this, ID_ART);
  new MenuCommand(wartungPane, this, "Bezahlungsarten", nullptr, this, ID_SONSTART);
  new MenuCommand(wartungPane, this, "Editor", nullptr, this, ID_EDITOR);
  new MenuCommand(wartungPane, this, "Übersetzungen", nullptr, this, ID_LANGWIN);
  wartungTitle = new MenuTitle(menuBar, this, "&Wartung", nullptr, wartungPane);

  anwendungPane = new FXMenuPane(this);
  new MenuCommand(anwendungPane, this, "Räume", nullptr, this, ID_ROOMS);
  anwendungTitle = new MenuTitle(menuBar, this, "&Anwendung", nullptr, anwendungPane);

  FXVerticalFrame *frame = new FXVerticalFrame(this, LAYOUT_FILL_X | FRAME_SUNKEN, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  FXText *text = new FXText(frame, nullptr, 0, TEXT_READONLY | TEXT_WORDWRAP | LAYOUT_FIX_WIDTH | LAYOUT_FIX_HEIGHT | LAYOUT_CENTER_X,
                            0, 0, 200, 100);
  text->setText(VERSION_TEXT);
  text->setBackColor(getBackColor());

  getAccelTable()->addAccel(KEY_F11, this, FXSEL(SEL_COMMAND, ID_LANGMODE));

  TOOLS_LOG("Application Startup");
}

MainWindow::~MainWindow()
{
  // Tear down while everything a child may reach is still alive: the log
  // goes first, then the windows (which unregister their texts from a list
  // that still exists), then the popups, which are not children.
  // A quit still waiting for the event loop must not reach a window gone.
  if (getApp())
    getApp()->removeChore(this, FXSEL(SEL_CHORE, ID_QUIT_CHORE));
  if (Tools::debug_sink == debug)
    Tools::debug_sink = nullptr;
  delete debugWin;
  debugWin = nullptr;
  delete langWin;
  langWin = nullptr;
  delete roomWin;
  roomWin = nullptr;
  delete editWin;
  editWin = nullptr;
  delete artWin;
  artWin = nullptr;
  delete grpUstWin;
  grpUstWin = nullptr;
  delete userWin;
  userWin = nullptr;
  delete sonstArtWin;
  sonstArtWin = nullptr;
  delete debug;
  debug = nullptr;
  while (getFirst())
    delete getFirst();
  delete systemPane;
  delete wartungPane;
  delete anwendungPane;
  systemPane = wartungPane = anwendungPane = nullptr;
  menuBar = nullptr;
  systemTitle = wartungTitle = anwendungTitle = nullptr;
  delete tooltip;
  tooltip = nullptr;
}

void MainWindow::create()
{
  Tools::apply_theme(getApp());
  icons.create();
  readSettings();
  FXMainWindow::create();
  if (tooltip)
    tooltip->create();
  database = openDatabase(settings);
  // A start that waited in vain for the server says why it took so long.
  say_start_connection(database->last_failure(), std::cerr);
  // Translations start hidden, so the window shows its original texts
  // whether their rows are read or not: it is on the screen, painted,
  // before the one read of the rows instead of after it. It shows as the
  // login leaves it, which follows at once.
  if (loginAtStart)
    setLoggedIn(false);
  show(PLACEMENT_SCREEN);
  getApp()->repaint();
  // The texts made so far (the menus) find their rows there.
  attach_database(database);
  if (loginAtStart)
    onLogin(this, FXSEL(SEL_COMMAND, ID_LOGIN), nullptr);
  else
    setLoggedIn(true);
  TOOLS_LOG("Application Created");
}

void MainWindow::readSettings()
{
  FXRegistry &reg = getApp()->reg();
  settings.host = reg.readStringEntry(SETTINGS_SECTION, KEY_HOST, "");
  settings.username = reg.readStringEntry(SETTINGS_SECTION, KEY_USERNAME, "");
  settings.password = reg.readStringEntry(SETTINGS_SECTION, KEY_PASSWORD, "");
  settings.database = reg.readStringEntry(SETTINGS_SECTION, KEY_DATABASE, "");
}

void MainWindow::writeSettings()
{
  FXRegistry &reg = getApp()->reg();
  reg.writeStringEntry(SETTINGS_SECTION, KEY_HOST, settings.host.c_str());
  reg.writeStringEntry(SETTINGS_SECTION, KEY_USERNAME, settings.username.c_str());
  reg.writeStringEntry(SETTINGS_SECTION, KEY_PASSWORD, settings.password.c_str());
  reg.writeStringEntry(SETTINGS_SECTION, KEY_DATABASE, settings.database.c_str());
}

// ---- context -----------------------------------------------------------------

Tools::Ref<Tools::Database> MainWindow::getDatabase() { return database; }

// The texts take their rows from the new database.
void MainWindow::setDatabase(const Tools::Ref<Tools::Database> &db)
{
  database = db;
  attach_database(database);
}

Tools::Ref<Tools::Database> MainWindow::openDatabase(const ConnectSettings &s)
{
  return Tools::Ref<Tools::Database>(
      new Tools::Database(s.host, s.username, s.password, s.database, Tools::Database::ODBC));
}

bool MainWindow::reconnect()
{
  if (database.valid() && database->is_connected() && !database->connection_lost())
    return true;
  // Nothing is open on a connection that is gone: no work is lost here.
  setDatabase(openDatabase(settings));
  return database->is_connected();
}

Tools::Ref<USER> MainWindow::getUser() { return user; }

void MainWindow::setUser(const Tools::Ref<USER> &u) { user = u; }

void MainWindow::setLoggedIn(bool loggedIn)
{
  MenuTitle *titles[] = {systemTitle, wartungTitle, anwendungTitle};
  for (MenuTitle *t : titles) {
    if (!t)
      continue;
    if (loggedIn)
      t->enable();
    else
      t->disable();
  }
  if (loggedIn)
    return;
  // Nothing of the last user's work stays in view: every window of ours
  // but the login itself (those are top-level windows owned by this one).
  for (FXWindow *w = getRoot()->getFirst(); w; w = w->getNext()) {
    if (w->getOwner() != this || !w->isMemberOf(FXMETACLASS(FXTopWindow)) || w->isMemberOf(FXMETACLASS(Login)))
      continue;
    if (w->shown()) {
      w->hide();
      w->killFocus();
    }
  }
}

// ---- translations ------------------------------------------------------------

long MainWindow::onLangMode(FXObject *, FXSelector, void *)
{
  switchTranslated();
  return 1;
}

// ---- commands ------------------------------------------------------------------

long MainWindow::onQuit(FXObject *, FXSelector, void *)
{
  quitting = true;
  writeSettings();
  protect_registry_file();
  // The toolkit writes the registry again as it exits, but keeps quiet
  // when it cannot: written here, a failure reaches the user.
  const std::string path = Tools::fxcompat::registry_file(VENDOR, APPLICATION);
  if (!getApp()->reg().write()) {
    StaticText title(this, "Titel", "Einstellungen");
    StaticText text(this, "Message", "Die Einstellungen konnten nicht gespeichert werden:");
    MessageBox::error(this, title.str(), text.str() + "\n" + path);
  }
  getApp()->exit(0);
  chmod(path.c_str(), 0600);
  return 1;
}

long MainWindow::onConnect(FXObject *, FXSelector, void *)
{
  bool connected = false;
  {
    Connect dialog(this, this);
    connected = Tools::fxcompat::run_modal(&dialog, PLACEMENT_SCREEN) == 1;
  }
  // The user logged in belongs to the old database (or to none): the new
  // one must know who works, or the history stamps would name nobody.
  if (connected) {
    user = Tools::Ref<USER>();
    onLogin(this, FXSEL(SEL_COMMAND, ID_LOGIN), nullptr);
  }
  return 1;
}

long MainWindow::onLogin(FXObject *, FXSelector, void *)
{
  int result = Login::CLOSED;
  while (result == Login::CLOSED) {
    Login *dialog = new Login(this, this);
    result = Tools::fxcompat::run_modal(dialog, PLACEMENT_CURSOR);
    if (result == Login::ACCEPTED) {
      user = Tools::Ref<USER>(new USER);
      if (!dialog->get_user(*user))
        result = Login::CLOSED;
    }
    delete dialog;
  }
  // Quitting from inside the modal loop would leave it running.
  if (result == Login::CANCELLED)
    Tools::fxcompat::add_chore(getApp(), this, FXSEL(SEL_CHORE, ID_QUIT_CHORE));
  return 1;
}

// The master-data windows: made on first use and kept; every showing
// starts with freshly read lists and an empty form.
template <class W> static void show_master_data(W *&window, MainWindow *main)
{
  if (!window) {
    window = new W(main, main);
    window->create();
  }
  window->show(PLACEMENT_OWNER);
}

long MainWindow::onArt(FXObject *, FXSelector, void *)
{
  show_master_data(artWin, this);
  return 1;
}

long MainWindow::onGrpUst(FXObject *, FXSelector, void *)
{
  show_master_data(grpUstWin, this);
  return 1;
}

long MainWindow::onUser(FXObject *, FXSelector, void *)
{
  show_master_data(userWin, this);
  return 1;
}

long MainWindow::onSonstArt(FXObject *, FXSelector, void *)
{
  show_master_data(sonstArtWin, this);
  return 1;
}

long MainWindow::onEditor(FXObject *, FXSelector, void *)
{
  if (!editWin) {
    editWin = new EditWin(this, this);
    editWin->create();
  }
  editWin->show(PLACEMENT_OWNER);
  return 1;
}

// Every showing lists the rooms again (the editor may have added some).
long MainWindow::onRooms(FXObject *, FXSelector, void *)
{
  if (!roomWin) {
    roomWin = new RoomWin(this, this);
    roomWin->create();
  }
  roomWin->show(PLACEMENT_OWNER);
  return 1;
}

long MainWindow::onLangWin(FXObject *, FXSelector, void *)
{
  if (!langWin) {
    langWin = new LangWin(this, this);
    langWin->create();
  }
  langWin->show(PLACEMENT_OWNER);
  return 1;
}

long MainWindow::onDebug(FXObject *, FXSelector, void *)
{
  if (!debugWin) {
    debugWin = new DebugWin(this, this, debug);
    debugWin->create();
  }
  debugWin->show(PLACEMENT_OWNER);
  return 1;
}
