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
  ComboBox *name_combo;

  GrpUst();

public:
  enum {
    ID_CANCEL_FORM = 70,
    ID_NAME = 71,
  };

  GrpUst(FX::FXWindow *owner, MainWindow *main);
  virtual ~GrpUst();

  void reset() override;

  long onSelect(FX::FXObject *, FX::FXSelector, void *);
  long onNew(FX::FXObject *, FX::FXSelector, void *);
  long onSave(FX::FXObject *, FX::FXSelector, void *);
  long onCancel(FX::FXObject *, FX::FXSelector, void *);
  long onDelete(FX::FXObject *, FX::FXSelector, void *);

  GRP_UST &get_record() { return grp_ust; }
  ComboBox *get_name_combo() const { return name_combo; }
};

#endif
