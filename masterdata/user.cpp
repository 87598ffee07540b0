#include "masterdata/user.h"

#include <memory>

#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"
#include "tools/dbi/secret.h"
#include "gui/buttonbar.h"

using namespace FX;

FXDEFMAP(User) UserMap[] = {
    FXMAPFUNC(SEL_COMMAND, User::ID_LOGIN, User::onSelect),
    FXMAPFUNC(SEL_COMMAND, User::ID_SAVE, User::onSave),
    FXMAPFUNC(SEL_COMMAND, User::ID_CANCEL_FORM, User::onCancel),
};

FXIMPLEMENT(User, BaseDialog, UserMap, ARRAYNUMBER(UserMap))

User::User() {}

User::User(FXWindow *owner, AppContext *main)
    : BaseDialog(owner, main, "Wartung Benutzer", "Benutzer", &user, "login",
                 DECOR_TITLE | DECOR_CLOSE | DECOR_BORDER),
      msg_password_mismatch(main, "Message", "Unterschiede beim Passwort, bitte nochmals eingeben."),
      msg_login_missing(main, "Message", "Es muß ein Loginname angegben werden!"),
      msg_login_taken(main, "Message",
                      "Ein andere User hat bereits den selben Loginnamen, bitte wählen Sie einen anderen."),
      msg_password_missing(main, "Message", "Ein neuer Benutzer braucht ein Passwort."),
      msg_delete_self(main, "Message", "Der angemeldete Benutzer kann sich nicht selbst löschen."),
      msg_invalid_self(main, "Message", "Der angemeldete Benutzer kann sich nicht selbst auf \"Gültig\" NEIN setzen."),
      msg_invalid_means(main, "Message", "Ein Benutzer mit \"Gültig\" NEIN kann sich nicht mehr anmelden.")
{
  // Logins are unique among the valid users only (checked in onSave).
  unique_key = false;
  build_base_fields(user, "login", "nach_name", "vor_name");

  new FXHorizontalFrame(main_page, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
  FXMatrix *matrix = new FXMatrix(main_page, 3, MATRIX_BY_COLUMNS, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

  form_label(matrix, "Login:");
  DBComboBox<USER> *logins = new DBComboBox<USER>(matrix, context, key_name, this, ID_LOGIN, 0, "nach_name", "vor_name");
  key_combo = logins;
  logins->fill();
  new BarButtonNew(matrix, context, this, ID_NEW, BUTTON_NORMAL | LAYOUT_RIGHT);

  Tools::ThemeTextField *last = form_text(matrix, "Nachname:", 20, 0, true);
  Tools::ThemeTextField *first = form_text(matrix, "Vorname:", 20, 0, true);
  Tools::ThemeTextField *password = form_text(matrix, "Passwort:", 20, TEXTFIELD_PASSWD, true);
  Tools::ThemeTextField *repeat = form_text(matrix, "Wiederholung:", 20, TEXTFIELD_PASSWD);

  add_bind_var(key_combo, &user.login.value);
  add_bind_var(last, &user.nach_name.value);
  add_bind_var(first, &user.vor_name.value);
  add_bind_var(password, &user.passwd.value);
  add_bind_var(repeat, &password_repeat);

  build_button_bar(ID_CANCEL_FORM, true);

  vars_to_widgets();
}

User::~User() {}

void User::after_load()
{
  user.passwd = std::string();
  password_repeat.clear();
  vars_to_widgets();
}

void User::clear_record()
{
  password_repeat.clear();
  user = USER();
}

bool User::logged_in_user() const
{
  Tools::Ref<USER> logged = context ? context->getUser() : Tools::Ref<USER>();
  if (!logged.valid() || !logged.try_get())
    return false;
  return logged->idx != 0 ? logged->idx == user.idx : logged->login.value == user.login.value;
}

bool User::may_delete()
{
  if (logged_in_user()) {
    data_error(msg_delete_self);
    return false;
  }
  return user.idx == 0 || !has_lines(user, named_by_lines("user_idx", "user"), msg_invalid_means);
}

long User::onSave(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  const std::string password = user.passwd.value;
  if (!passwords_alike() || !login_ready())
    return 1;
  // Every statement and report from here on may carry the password.
  std::unique_ptr<Tools::Secret> typed;
  if (!password.empty())
    typed.reset(new Tools::Secret(password));
  if (!login_free())
    return 1;
  std::unique_ptr<Tools::Secret> stored_secret;
  auto keep_stored_password = [&]() {
    if (!user.passwd.value.empty())
      return true;
    USER stored;
    Tools::DBBindList list;
    list.add(&stored);
    if (Tools::select_objects(*get_db(),
                              Tools::format("select %%USER from USER where idx = '%s'", static_cast<int>(user.idx)),
                              list) < 0) {
      db_error();
      return false;
    }
    user.passwd = stored.passwd.value;
    if (!stored.passwd.value.empty())
      stored_secret.reset(new Tools::Secret(stored.passwd.value));
    return true;
  };
  save_record(key_name, keep_stored_password);
  return 1;
}

bool User::passwords_alike()
{
  const std::string &password = user.passwd.value;
  if ((password.empty() && password_repeat.empty()) || password == password_repeat)
    return true;
  data_error(msg_password_mismatch);
  user.passwd = std::string();
  password_repeat.clear();
  vars_to_widgets();
  return false;
}

bool User::login_ready()
{
  // White space around a login would make a second, look-alike name.
  user.login = Tools::trim_white(user.login.value);
  vars_to_widgets();
  if (user.login.value.empty()) {
    data_error(msg_login_missing);
    return false;
  }
  if (!key_fits())
    return false;
  // The last valid user would lock everybody out: the built-in account
  // only serves a table without users.
  if (user.gueltig.value.get_value() == JANEIN::NEIN && logged_in_user()) {
    data_error(msg_invalid_self);
    return false;
  }
  return true;
}

bool User::login_free()
{
  // A new login is compared as it reads (a blank of another kind or
  // another case makes no other name); a stored one as it was stored, so
  // that it stays saveable.
  const std::string same_login =
      user.idx == 0 ? Tools::sql_same_name("login", user.login.value) : key_is("login", user.login.value);
  Tools::DBTypeInt others;
  Tools::DBTypeList fields;
  fields.add(&others);
  if (Tools::select_values(*get_db(),
                           Tools::format("select count(*) from USER where %s and idx != '%s' and gueltig = 'JA'",
                                         same_login, static_cast<int>(user.idx)),
                           fields) < 0) {
    db_error();
    return false;
  }
  if (others >= 1) {
    data_error(msg_login_taken);
    return false;
  }
  if (user.idx == 0 && user.passwd.value.empty()) {
    data_error(msg_password_missing);
    return false;
  }
  return true;
}
