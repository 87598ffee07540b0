#ifndef KORVAN_MASTERDATA_USER_H
#define KORVAN_MASTERDATA_USER_H

// The users: login, names and password. Before a save the password must
// have been typed twice alike, a login must be given and no other valid
// user may have it. A stored password is never shown; leaving both
// password fields empty keeps it.

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

  User();
  void clear_record() override;
  // A stored password is never shown, not even masked.
  void after_load() override;

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
  ComboBox *get_login_combo() const { return key_combo; }
};

#endif
