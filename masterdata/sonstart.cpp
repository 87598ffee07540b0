#include "masterdata/sonstart.h"

#include "gui/buttonbar.h"
#include "gui/moneyfield.h"

using namespace FX;

FXDEFMAP(SonstArt) SonstArtMap[] = {
    FXMAPFUNC(SEL_COMMAND, SonstArt::ID_NAME, SonstArt::onSelect),
    FXMAPFUNC(SEL_COMMAND, SonstArt::ID_SELECT_IDX, SonstArt::onSelect),
    FXMAPFUNC(SEL_COMMAND, SonstArt::ID_NEW, SonstArt::onNew),
    FXMAPFUNC(SEL_COMMAND, SonstArt::ID_SAVE, SonstArt::onSave),
    FXMAPFUNC(SEL_COMMAND, SonstArt::ID_CANCEL_FORM, SonstArt::onCancel),
    FXMAPFUNC(SEL_COMMAND, SonstArt::ID_DELETE_ROW, SonstArt::onDelete),
};

FXIMPLEMENT(SonstArt, BaseDialog, SonstArtMap, ARRAYNUMBER(SonstArtMap))

static const char *const KEY = "name";

SonstArt::SonstArt() : name_combo(nullptr) {}

SonstArt::SonstArt(FXWindow *owner, MainWindow *main)
    : BaseDialog(owner, main, "Wartung Sonstige Bezahlungen", "Sonstige Bezahlungen", &sonst_art,
                 DECOR_TITLE | DECOR_CLOSE | DECOR_BORDER),
      name_combo(nullptr)
{
  build_base_fields(sonst_art, "name", "", "");

  const FXuint label_opts = JUSTIFY_RIGHT | LAYOUT_FILL_X | LAYOUT_CENTER_Y;
  new FXHorizontalFrame(main_page, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
  FXMatrix *matrix = new FXMatrix(main_page, 3, MATRIX_BY_COLUMNS, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

  new Label(matrix, main_window, "Name:", nullptr, label_opts, 0, 0, 0, 0, 2, 2, 2, 2);
  DBComboBox<SONST_ART> *names =
      new DBComboBox<SONST_ART>(matrix, main_window, KEY, this, ID_NAME, 0, "bezeichnung", "bezeichnung2",
                                "wert");
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

  new Label(matrix, main_window, "Wert:", nullptr, label_opts, 0, 0, 0, 0, 2, 2, 2, 2);
  MoneyField *value = new MoneyField(matrix, main_window, nullptr, 0, 15);

  add_bind_var(name_combo, &sonst_art.name.value);
  add_bind_var(text1, &sonst_art.bezeichnung.value);
  add_bind_var(text2, &sonst_art.bezeichnung2.value);
  add_bind_var(value, &sonst_art.wert.value);

  new FXHorizontalSeparator(content_frame, SEPARATOR_GROOVE | LAYOUT_FILL_X, 0, 0, 0, 0, 1, 1, 0, 0);
  ButtonBar *bar = new ButtonBar(content_frame, main_window);
  bar->add_delete(this, ID_DELETE_ROW, false);
  bar->add_save(this, ID_SAVE, true);
  bar->add_cancel(this, ID_CANCEL_FORM, true);

  vars_to_widgets();
}

SonstArt::~SonstArt() {}

void SonstArt::reset()
{
  BaseDialog::reset();
  name_combo->fill();
  onNew(nullptr, 0, nullptr);
}

long SonstArt::onSelect(FXObject *, FXSelector sel, void *)
{
  load_record(FXSELID(sel) == ID_SELECT_IDX, KEY);
  return 1;
}

long SonstArt::onNew(FXObject *, FXSelector, void *)
{
  sonst_art = SONST_ART();
  vars_to_widgets();
  return 1;
}

long SonstArt::onSave(FXObject *, FXSelector, void *)
{
  save_record(KEY);
  return 1;
}

long SonstArt::onCancel(FXObject *sender, FXSelector sel, void *ptr)
{
  onNew(sender, sel, ptr);
  get_db()->rollback();
  hide();
  return 1;
}

long SonstArt::onDelete(FXObject *, FXSelector, void *)
{
  delete_record(KEY);
  return 1;
}
