#ifndef KORVAN_MASTERDATA_USER_H
#define KORVAN_MASTERDATA_USER_H

// The users: login, names and password. Before a save the password must
// have been typed twice alike (a new user must get one), a login must be
// given and no other valid user may have it; the login is stored without
// surrounding blanks. A stored password is never shown; leaving both
// password fields empty keeps it. A user that order lines name stays, and
// is retired by "Gültig" NEIN: such a user cannot log in. The user logged
// in can neither delete their own row nor mark it not valid.

#include <string>

#include "masterdata/basedialog.h"

class User : public BaseDialog
{
  FXDECLARE(User)

protected:
  USER user;
  std::string password_repeat;
  StaticText msg_password_mismatch;
  StaticText msg_login_missing;
  StaticText msg_login_taken;
  StaticText msg_password_missing;
  StaticText msg_delete_self;
  StaticText msg_invalid_self;
  StaticText msg_invalid_means;

  User();
  void clear_record() override;
  // A stored password is never shown, not even masked.
  void after_load() override;
  bool may_delete() override;
  // Whether the form holds the row of the user logged in.
  bool logged_in_user() const;
  // The checks before the shared save, each saying why it refuses: the
  // password typed twice alike (else both fields are emptied), a login
  // given that fits and leaves a valid user logged in, and no other valid
  // user with that login (a new user with a password).
  bool passwords_alike();
  bool login_ready();
  bool login_free();

public:
  enum {
    ID_CANCEL_FORM = 70,
    ID_LOGIN = 71,
  };

  User(FX::FXWindow *owner, AppContext *main);
  virtual ~User();

  // Checks the password and the login before the shared save.
  long onSave(FX::FXObject *, FX::FXSelector, void *);

  USER &get_record() { return user; }
};

#endif
