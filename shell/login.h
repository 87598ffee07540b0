#ifndef KORVAN_SHELL_LOGIN_H
#define KORVAN_SHELL_LOGIN_H

// The login dialog. It accepts a valid USER row whose login and password
// match, or the built-in account: without a database that is the only
// login (so that working connection settings can be entered), and on the
// first start of a new installation, while table USER is still empty, it
// creates its own row. A station without a database (its server was
// down) first connects again with the stored settings at every "Ok".

#include <string>

#include "gui/dialog.h"
#include "shell/mainwindow.h"

class USER;

namespace Tools {
class ThemeTextField;
}

// The built-in account.
extern const std::string BUILTIN_USER;
extern const std::string BUILTIN_PASSWORD;

class Login : public Dialog
{
  FXDECLARE(Login)

protected:
  MainWindow *main_window;
  std::string userName;
  std::string userPassword;
  StaticText wrongLoginText;
  // Said with the built-in account's name while there is no database.
  StaticText builtinOnlyText;
  // While there is no database: what to do once the server runs again,
  // and where other settings go.
  StaticText retryText;
  StaticText settingsText;
  // Said when the connect gave up because the server did not answer.
  StaticText noAnswerText;
  Tools::ThemeTextField *nameField;
  Tools::ThemeTextField *passwordField;

  Login();

  // Empties both fields and marks nobody logged in.
  void clear_fields();
  // Ends the modal run with a user accepted.
  void accept();
  // Tells a login without a database why nobody but the built-in account
  // gets in, and how to go on.
  void say_not_connected();
  // Creates the built-in account's row on a database without any user;
  // false (after reporting) when a statement failed.
  bool create_builtin_user(int &count);

public:
  enum { ID_OK = Dialog::ID_LAST, ID_CANCEL, ID_LAST };
  // What a modal run of the dialog gives.
  enum { CLOSED = 0, ACCEPTED = 1, CANCELLED = -1 };

  Login(FX::FXWindow *owner, MainWindow *main);

  void show() override;
  void show(FX::FXuint placement) override;

  // Loads the accepted user's row. Without a database the row stays empty
  // (the built-in account); false when the row cannot be read.
  bool get_user(USER &row);

  Tools::ThemeTextField *getNameField() const { return nameField; }
  Tools::ThemeTextField *getPasswordField() const { return passwordField; }

  long onOk(FX::FXObject *, FX::FXSelector, void *);
  long onCancel(FX::FXObject *, FX::FXSelector, void *);
};

#endif
