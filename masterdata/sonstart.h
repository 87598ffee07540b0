#ifndef KORVAN_MASTERDATA_SONSTART_H
#define KORVAN_MASTERDATA_SONSTART_H

// The other kinds of payment: name, two descriptions and a value, offered
// by the payment dialog beside cash. A kind that paid order lines stays;
// marked not valid ("Gültig" NEIN) it is no longer offered.

#include "masterdata/basedialog.h"

class SonstArt : public BaseDialog
{
  FXDECLARE(SonstArt)

protected:
  SONST_ART sonst_art;
  StaticText msg_invalid_means;

  SonstArt();
  void clear_record() override;
  bool may_delete() override;

public:
  enum {
    ID_CANCEL_FORM = 70,
    ID_NAME = 71,
  };

  SonstArt(FX::FXWindow *owner, AppContext *main);
  virtual ~SonstArt();

  SONST_ART &get_record() { return sonst_art; }
};

#endif
