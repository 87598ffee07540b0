#include "masterdata/grpust.h"

#include "gui/buttonbar.h"
#include "gui/moneyfield.h"

using namespace FX;

FXDEFMAP(GrpUst) GrpUstMap[] = {
    FXMAPFUNC(SEL_COMMAND, GrpUst::ID_NAME, GrpUst::onSelect),
    FXMAPFUNC(SEL_COMMAND, GrpUst::ID_SELECT_IDX, GrpUst::onSelect),
    FXMAPFUNC(SEL_COMMAND, GrpUst::ID_NEW, GrpUst::onNew),
    FXMAPFUNC(SEL_COMMAND, GrpUst::ID_SAVE, GrpUst::onSave),
    FXMAPFUNC(SEL_COMMAND, GrpUst::ID_CANCEL_FORM, GrpUst::onCancel),
    FXMAPFUNC(SEL_COMMAND, GrpUst::ID_DELETE_ROW, GrpUst::onDelete),
};

FXIMPLEMENT(GrpUst, BaseDialog, GrpUstMap, ARRAYNUMBER(GrpUstMap))

static const char *const KEY = "name";

GrpUst::GrpUst() : name_combo(nullptr) {}

GrpUst::GrpUst(FXWindow *owner, MainWindow *main)
    : BaseDialog(owner, main, "Wartung Umstatzsteuergruppen", "Umstatzsteuergruppen", &grp_ust,
                 DECOR_TITLE | DECOR_CLOSE | DECOR_BORDER),
      name_combo(nullptr)
{
  build_base_fields(grp_ust, "name", "ust", "");

  const FXuint label_opts = JUSTIFY_RIGHT | LAYOUT_FILL_X | LAYOUT_CENTER_Y;
  new FXHorizontalFrame(main_page, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
  FXMatrix *matrix = new FXMatrix(main_page, 3, MATRIX_BY_COLUMNS, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

  new Label(matrix, main_window, "Name:", nullptr, label_opts, 0, 0, 0, 0, 2, 2, 2, 2);
  DBComboBox<GRP_UST> *names =
      new DBComboBox<GRP_UST>(matrix, main_window, KEY, this, ID_NAME, 0, "bezeichnung", "ust");
  name_combo = names;
  names->fill();
  new BarButtonNew(matrix, main_window, this, ID_NEW, BUTTON_NORMAL | LAYOUT_RIGHT);

  new Label(matrix, main_window, "Bezeichung:", nullptr, label_opts, 0, 0, 0, 0, 2, 2, 2, 2);
  Tools::ThemeTextField *text1 =
      new Tools::ThemeTextField(matrix, 50, nullptr, 0, FRAME_SUNKEN | FRAME_THICK, 0, 0, 0, 0, 2, 2, 2, 2);
  new FXFrame(matrix, 0, 0, 0, 0, 0, 2, 2, 2, 2);

  new Label(matrix, main_window, "Bezeichung:", nullptr, label_opts, 0, 0, 0, 0, 2, 2, 2, 2);
  Tools::ThemeTextField *text2 =
      new Tools::ThemeTextField(matrix, 50, nullptr, 0, FRAME_SUNKEN | FRAME_THICK, 0, 0, 0, 0, 2, 2, 2, 2);
  new FXFrame(matrix, 0, 0, 0, 0, 0, 2, 2, 2, 2);

  new Label(matrix, main_window, "Umsatzsteuer(%):", nullptr, label_opts, 0, 0, 0, 0, 2, 2, 2, 2);
  MoneyField *rate = new MoneyField(matrix, main_window, nullptr, 0, 15);

  add_bind_var(name_combo, &grp_ust.name.value);
  add_bind_var(text1, &grp_ust.bezeichnung.value);
  add_bind_var(text2, &grp_ust.bezeichnung2.value);
  add_bind_var(rate, &grp_ust.ust.value);

  new FXHorizontalSeparator(content_frame, SEPARATOR_GROOVE | LAYOUT_FILL_X, 0, 0, 0, 0, 1, 1, 0, 0);
  ButtonBar *bar = new ButtonBar(content_frame, main_window);
  bar->add_delete(this, ID_DELETE_ROW, false);
  bar->add_save(this, ID_SAVE, true);
  bar->add_cancel(this, ID_CANCEL_FORM, true);

  vars_to_widgets();
}

GrpUst::~GrpUst() {}

void GrpUst::reset()
{
  BaseDialog::reset();
  name_combo->fill();
  onNew(nullptr, 0, nullptr);
}

long GrpUst::onSelect(FXObject *, FXSelector sel, void *)
{
  load_record(FXSELID(sel) == ID_SELECT_IDX, KEY);
  return 1;
}

long GrpUst::onNew(FXObject *, FXSelector, void *)
{
  grp_ust = GRP_UST();
  vars_to_widgets();
  return 1;
}

long GrpUst::onSave(FXObject *, FXSelector, void *)
{
  save_record(KEY);
  return 1;
}

long GrpUst::onCancel(FXObject *sender, FXSelector sel, void *ptr)
{
  onNew(sender, sel, ptr);
  get_db()->rollback();
  hide();
  return 1;
}

long GrpUst::onDelete(FXObject *, FXSelector, void *)
{
  delete_record(KEY);
  return 1;
}
