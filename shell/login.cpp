#include "shell/login.h"

#include "gui/messagebox.h"
#include "gui/buttonbar.h"
#include "gui/dberror.h"
#include "schema/tables.h"
#include "shell/startup.h"
#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "tools/dbi/secret.h"
#include "tools/widgets/theme.h"

using namespace FX;

// Administrators give it a password of its own once real users exist.
const std::string BUILTIN_USER = "wrt";
const std::string BUILTIN_PASSWORD = "tresen";

static_assert(Login::ID_OK == 68 && Login::ID_CANCEL == 69, "button ids of the login");

namespace {

// The table's collation ignores case, accents and trailing blanks: the
// password is compared byte for byte.
const char *const COUNT_MATCHES =
    "select count(*) from USER where  login='%s'  and BINARY passwd='%s'  and gueltig='JA' ";
const char *const SELECT_MATCH =
    "select %%USER from USER where  login='%s'  and BINARY passwd='%s'  and gueltig='JA' ";
const char *const COUNT_USERS = " select count(*) from USER ";
const char *const SELECT_BUILTIN = "select %%USER from USER where login = '%s' ";

} // namespace

FXDEFMAP(Login) LoginMap[] = {
    FXMAPFUNC(SEL_COMMAND, Login::ID_OK, Login::onOk),
    FXMAPFUNC(SEL_COMMAND, Login::ID_CANCEL, Login::onCancel),
};

FXIMPLEMENT(Login, Dialog, LoginMap, ARRAYNUMBER(LoginMap))

Login::Login() : main_window(nullptr), nameField(nullptr), passwordField(nullptr) {}

Login::Login(FXWindow *owner, MainWindow *main)
    : Dialog(owner, main, "Anmeldung", DECOR_TITLE | DECOR_CLOSE | DECOR_BORDER, 0, 0), main_window(main),
      wrongLoginText(main, "Message", "Falsches Passwort, oder Benutzername."),
      builtinOnlyText(main, "Message", "Ohne Datenbank nimmt die Anmeldung nur das eingebaute Konto an:"),
      retryText(main, "Message",
                "Läuft der Server wieder, genügt ein neues \"Ok\": die Anmeldung verbindet dann neu."),
      settingsText(main, "Message",
                   "Falsche Verbindungseinstellungen: damit anmelden, dann System -> Datenbankverbindung."),
      noAnswerText(main, "Message", no_answer_text()),
      nameField(nullptr),
      passwordField(nullptr)
{
  GroupBox *group = new GroupBox(this, main, "Anmeldung", FRAME_RIDGE, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  FXMatrix *matrix = new FXMatrix(group, 2, MATRIX_BY_COLUMNS);
  new Label(matrix, main, "Login:");
  nameField = new Tools::ThemeTextField(matrix, 20, nullptr, 0, TEXTFIELD_NORMAL | FRAME_SUNKEN);
  new Label(matrix, main, "Passwort:");
  // Return here confirms; leaving the field after a change must not.
  passwordField = new Tools::ThemeTextField(matrix, 20, this, ID_OK,
                                            TEXTFIELD_NORMAL | FRAME_SUNKEN | TEXTFIELD_PASSWD | TEXTFIELD_ENTER_ONLY);
  add_bind_var(nameField, &userName);
  add_bind_var(passwordField, &userPassword);

  new FXHorizontalSeparator(this, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  ButtonBar *bar = new ButtonBar(this, main);
  bar->add_ok(this, ID_OK);
  bar->add_cancel(this, ID_CANCEL);

  clear_fields();
}

void Login::clear_fields()
{
  userName.clear();
  userPassword.clear();
  vars_to_widgets();
  if (main_window)
    main_window->setLoggedIn(false);
}

void Login::show()
{
  clear_fields();
  Dialog::show();
  nameField->setFocus();
}

void Login::show(FXuint placement)
{
  clear_fields();
  Dialog::show(placement);
  nameField->setFocus();
}

void Login::accept()
{
  if (main_window)
    main_window->setLoggedIn(true);
  getApp()->stopModal(this, ACCEPTED);
  hide();
}

bool Login::create_builtin_user(int &count)
{
  Tools::Database &db = *get_db();
  // Only the first start of a new installation: once any user exists the
  // built-in account is no way around the stored passwords.
  Tools::DBTypeInt users;
  Tools::DBTypeList fields;
  fields.add(&users);
  if (Tools::select_values(db, COUNT_USERS, fields) < 0) {
    db_error();
    return false;
  }
  if (users.value != 0)
    return true;

  USER row;
  row.login = userName;
  row.passwd = userPassword;
  bool ok = Tools::insert_object(db, row);
  if (ok) {
    Tools::DBBindList list;
    list.add(&row);
    ok = Tools::select_objects(db, Tools::format(SELECT_BUILTIN, Tools::sql_escape(BUILTIN_USER)), list) >= 0;
  }
  if (ok) {
    row.login = userName;
    row.passwd = userPassword;
    row.gueltig = JANEIN::JA;
    ok = Tools::update_object(db, row, Tools::format("where idx = '%d'", row.idx.value));
  }
  // A commit that failed is said as every other failure (whether the
  // account was stored is then not known): no login on an account that
  // may not exist.
  if (!ok || !db.commit()) {
    // Nothing of a half-made account stays behind for a later commit.
    db_error_rolled_back();
    return false;
  }
  count = 1;
  return true;
}

long Login::onOk(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  const bool builtin = userName == BUILTIN_USER && userPassword == BUILTIN_PASSWORD;
  Tools::Secret hidden(userPassword);
  Tools::DBTypeInt count;
  for (int attempt = 0;; ++attempt) {
    // A station whose server was down (at its start, or since) connects
    // again with the stored settings: once the server is back, the login
    // simply works, for every window. A connection that works is kept.
    if (main_window)
      main_window->reconnect();
    if (!db_connected()) {
      // Without a database nothing else can be checked: the built-in
      // account gets in to reach the connection dialog, anyone else is
      // told why not.
      if (builtin)
        accept();
      else
        say_not_connected();
      return 1;
    }
    if (!text_fits(nameField, userName) || !text_fits(passwordField, userPassword))
      return 1;
    Tools::Ref<Tools::Database> handle = get_db();
    Tools::DBTypeList fields;
    fields.add(&count);
    if (Tools::select_values(*handle,
                             Tools::format(COUNT_MATCHES, Tools::sql_escape(userName), Tools::sql_escape(userPassword)),
                             fields) >= 0)
      break;
    // A server restarted since the connection's last statement shows only
    // now: the question goes once more, on a new connection.
    if (attempt == 0 && handle->connection_lost())
      continue;
    db_error();
    return 1;
  }
  int matches = count.value;
  if (matches == 0 && builtin && !create_builtin_user(matches))
    return 1;

  if (matches == 1) {
    accept();
    return 1;
  }
  MessageBox::error(this, title_data_error.str(), wrongLoginText.str());
  return 1;
}

void Login::say_not_connected()
{
  Tools::Ref<Tools::Database> db = get_db();
  std::string text = msg_not_connected.str();
  // A server that takes the connection and never answers made the person
  // wait: say that it was given up on, and why.
  if (db.try_get() && db->last_failure() == Tools::DBFailure::NO_ANSWER)
    text += "\n" + noAnswerText.str();
  // The driver's words tell a server that is down from settings that are
  // wrong.
  const std::string why = db.try_get() ? Tools::strip(db->get_error()) : std::string();
  if (!why.empty())
    text += "\nGrund: " + why;
  text += "\n" + retryText.str() + "\n" + builtinOnlyText.str() + " " + BUILTIN_USER + "\n" + settingsText.str();
  TOOLS_LOG(text);
  DBError::show(this, title_db_error, text);
}

long Login::onCancel(FXObject *, FXSelector, void *)
{
  getApp()->stopModal(this, CANCELLED);
  hide();
  return 1;
}

bool Login::get_user(USER &row)
{
  if (!db_connected())
    return true;
  Tools::Ref<Tools::Database> handle = get_db();
  Tools::Secret hidden(userPassword);
  Tools::DBBindList list;
  list.add(&row);
  const int found = Tools::select_objects(
      *handle, Tools::format(SELECT_MATCH, Tools::sql_escape(userName), Tools::sql_escape(userPassword)), list);
  if (found < 0) {
    db_error();
    return false;
  }
  // A row gone since the check is no login: the loop asks again.
  return found == 1;
}
