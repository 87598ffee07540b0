#include "masterdata/grpust.h"

using namespace FX;

FXDEFMAP(GrpUst) GrpUstMap[] = {
    FXMAPFUNC(SEL_COMMAND, GrpUst::ID_NAME, GrpUst::onSelect),
    FXMAPFUNC(SEL_COMMAND, GrpUst::ID_CANCEL_FORM, GrpUst::onCancel),
};

FXIMPLEMENT(GrpUst, BaseDialog, GrpUstMap, ARRAYNUMBER(GrpUstMap))

GrpUst::GrpUst() {}

GrpUst::GrpUst(FXWindow *owner, AppContext *main)
    : BaseDialog(owner, main, "Wartung Umstatzsteuergruppen", "Umstatzsteuergruppen", &grp_ust, "name",
                 DECOR_TITLE | DECOR_CLOSE | DECOR_BORDER)
{
  build_base_fields(grp_ust, "name", "ust", "");
  build_name_form(grp_ust, ID_NAME, "bezeichnung", "ust", "", "Umsatzsteuer(%):", grp_ust.ust);
  build_button_bar(ID_CANCEL_FORM, true);
  vars_to_widgets();
}

GrpUst::~GrpUst() {}

void GrpUst::clear_record() { grp_ust = GRP_UST(); }
