#ifndef KORVAN_MASTERDATA_GRPUST_H
#define KORVAN_MASTERDATA_GRPUST_H

// The VAT groups: name, two descriptions and the rate in percent. Articles
// refer to a group by idx and name, so a group in use cannot be deleted.

#include "masterdata/basedialog.h"

class GrpUst : public BaseDialog
{
  FXDECLARE(GrpUst)

protected:
  GRP_UST grp_ust;

  GrpUst();
  void clear_record() override;

public:
  enum {
    ID_CANCEL_FORM = 70,
    ID_NAME = 71,
  };

  GrpUst(FX::FXWindow *owner, AppContext *main);
  virtual ~GrpUst();

  GRP_UST &get_record() { return grp_ust; }
};

#endif
