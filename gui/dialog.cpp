#include "gui/dialog.h"

#include <ctime>

#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/secret.h"
#include "tools/widgets/theme.h"
#include "schema/tables.h"
#include "gui/combobox.h"
#include "gui/dberror.h"
#include "gui/messagebox.h"
#include "gui/moneyfield.h"

using namespace FX;

// ---- bindings ----

BindVarBase::~BindVarBase() {}

// Money is rounded to cents once, as it is read from the field. A text
// that is no amount reads as 0: a window that stores money refuses such a
// field in words before it reads it.
template <> void BindVar<MoneyField, double>::to_widget() { w->set_amount(*v); }
template <> void BindVar<MoneyField, double>::from_widget()
{
  double amount;
  *v = w->read(amount) == MoneyField::AMOUNT ? amount : 0.0;
}

namespace {
// The whole text, also past a NUL, so that a check can see and refuse it.
using Tools::fxcompat::whole;
} // namespace

// The yes/no box offers exactly the two names and takes no typing, so only
// those texts can reach the variable.
template <>
BindVar<ComboBox, JANEIN_RANGE>::BindVar(ComboBox *widget, JANEIN_RANGE *variable) : w(widget), v(variable)
{
  w->clear_items();
  w->append_item(JANEIN_STR[JANEIN::NEIN], "");
  w->append_item(JANEIN_STR[JANEIN::JA], "");
  w->setNumVisible(2);
  w->setEditable(FALSE);
}
template <> void BindVar<ComboBox, JANEIN_RANGE>::to_widget()
{
  JANEIN_RANGE copy(*v); // throws for an unset value, as the caller must know
  w->setText(Tools::to_text(copy).c_str());
}
template <> void BindVar<ComboBox, JANEIN_RANGE>::from_widget()
{
  std::string text = w->getText().text();
  if (text == JANEIN_STR[JANEIN::NEIN])
    *v = JANEIN::NEIN;
  else if (text == JANEIN_STR[JANEIN::JA])
    *v = JANEIN::JA;
  else
    TOOLS_LOG(Tools::format("yes/no box holds '%s': value kept", text));
}

template <> void BindVar<ComboBox, std::string>::to_widget() { w->setText(v->c_str()); }
template <> void BindVar<ComboBox, std::string>::from_widget() { *v = whole(w->getText()); }

template <> void BindVar<ComboBox, int>::to_widget() { w->setText(Tools::to_text<int>(*v).c_str()); }
template <> void BindVar<ComboBox, int>::from_widget()
{
  *v = Tools::from_text<int>(std::string(w->getText().text()), 0);
}

template <> void BindVar<FXTextField, std::string>::to_widget() { w->setText(v->c_str(), FALSE); }
template <> void BindVar<FXTextField, std::string>::from_widget() { *v = whole(w->getText()); }

template <> void BindVar<Tools::ThemeTextField, std::string>::to_widget() { w->setText(v->c_str(), FALSE); }
template <> void BindVar<Tools::ThemeTextField, std::string>::from_widget() { *v = whole(w->getText()); }

template <> void BindVar<Tools::ThemeTextField, int>::to_widget()
{
  w->setText(Tools::format("%d", *v).c_str(), FALSE);
}
template <> void BindVar<Tools::ThemeTextField, int>::from_widget()
{
  *v = Tools::from_text<int>(std::string(w->getText().text()), 0);
}

// ---- the dialog ----

FXDEFMAP(Dialog) DialogMap[] = {
    FXMAPFUNC(SEL_COMMAND, Dialog::ID_TOGGLE_LANG, Dialog::onToggleLang),
    FXMAPFUNC(SEL_CLOSE, 0, Dialog::onClose),
    FXMAPFUNC(SEL_COMMAND, Dialog::ID_CLOSE, Dialog::onClose),
    FXMAPFUNC(SEL_KEYPRESS, 0, Dialog::onKeyPress),
    FXMAPFUNC(SEL_KEYRELEASE, 0, Dialog::onKeyRelease),
};

FXIMPLEMENT(Dialog, FXDialogBox, DialogMap, ARRAYNUMBER(DialogMap))

Dialog::Dialog() {}

Dialog::Dialog(FXWindow *owner, AppContext *context, const FXString &title, FXuint opts, FXint x, FXint y)
    : FXDialogBox(owner, title, opts, x, y, 0, 0, 10, 10, 10, 10, 4, 4), Lang(context, "Dialog", title.text()),
      CommonMsg(context)
{
  if (!getAccelTable())
    setAccelTable(new FXAccelTable);
  getAccelTable()->addAccel(KEY_F11, this, FXSEL(SEL_COMMAND, ID_TOGGLE_LANG), 0);
  show_current_mode();
}

Dialog::~Dialog() { binds.clear(); }

void Dialog::update_text() { setTitle(toggle_text().c_str()); }

Tools::Ref<Tools::Database> Dialog::get_db()
{
  if (!context)
    return Tools::Ref<Tools::Database>();
  return context->getDatabase();
}

void Dialog::vars_to_widgets()
{
  for (auto &b : binds)
    b->to_widget();
}

void Dialog::widgets_to_vars()
{
  for (auto &b : binds)
    b->from_widget();
}

void Dialog::var_to_widget(const void *variable)
{
  for (auto &b : binds)
    if (b->variable() == variable)
      b->to_widget();
}

FXWindow *Dialog::bound_widget(const void *variable) const
{
  for (const auto &b : binds)
    if (b->variable() == variable)
      return b->window();
  return nullptr;
}

std::string Dialog::field_name(FXWindow *field) { return Tools::field_label(field); }

bool Dialog::text_fits(FXWindow *field, const std::string &text)
{
  if (Tools::utf8_mb3_misfit(text) == std::string::npos)
    return true;
  // The text may be a password: shown masked while its secret lives.
  MessageBox::error(this, title_data_error.str(), Tools::Secret::mask(misfit_refusal(text, field_name(field))));
  if (field)
    field->setFocus();
  return false;
}

void Dialog::db_error(const std::string &text) { DBError::report(this, *this, text, get_db().try_get()); }

void Dialog::db_error_rolled_back(const std::string &text)
{
  Tools::Ref<Tools::Database> db = get_db();
  const Tools::DBFailureReport failure = db->failure_report();
  db->rollback();
  DBError::report(this, *this, text, failure);
}

std::string Dialog::history_stamp(std::time_t when) { return BASE::stamp_text(when); }

void Dialog::set_history(BASE &row, int kind)
{
  if (kind < 0 || kind > 2)
    return;
  std::string stamp = history_stamp(std::time(nullptr));
  std::string login;
  Tools::Ref<USER> user = context ? context->getUser() : Tools::Ref<USER>();
  if (user.valid() && user.try_get())
    login = user->login.value;
  else
    TOOLS_LOG("history stamp without a logged-in user");
  switch (kind) {
  case 0:
    row.hist_an_zeit = stamp;
    row.hist_an_user = login;
    break;
  case 1:
    row.hist_ae_zeit = stamp;
    row.hist_ae_user = login;
    break;
  default:
    row.hist_lo_zeit = stamp;
    row.hist_lo_user = login;
    break;
  }
}

// ---- handlers ----


long Dialog::onToggleLang(FXObject *, FXSelector, void *)
{
  if (context)
    context->switchTranslated();
  recalc();
  layout();
  update();
  return 1;
}

long Dialog::onKeyPress(FXObject *sender, FXSelector sel, void *ptr)
{
  if (FXShell::onKeyPress(sender, sel, ptr))
    return 1;
  const FXEvent *event = static_cast<const FXEvent *>(ptr);
  if (event && event->code == KEY_Escape) {
    handle(this, FXSEL(SEL_COMMAND, ID_CLOSE), nullptr);
    return 1;
  }
  return 0;
}

long Dialog::onKeyRelease(FXObject *sender, FXSelector sel, void *ptr)
{
  if (FXShell::onKeyRelease(sender, sel, ptr))
    return 1;
  const FXEvent *event = static_cast<const FXEvent *>(ptr);
  return (event && event->code == KEY_Escape) ? 1 : 0;
}

bool Dialog::db_connected()
{
  Tools::Ref<Tools::Database> db = get_db();
  return db.try_get() && db->is_connected();
}

long Dialog::onClose(FXObject *sender, FXSelector sel, void *ptr)
{
  TOOLS_LOG("onClose");
  return FXDialogBox::onCmdCancel(sender, sel, ptr);
}
