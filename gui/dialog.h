#ifndef KORVAN_GUI_DIALOG_H
#define KORVAN_GUI_DIALOG_H

// The base of every dialog window: a translatable title, the shared
// message texts, the bindings between input widgets and program variables,
// F11 and Escape, the database error box and the history stamps of a
// record.
//
// All windows share one database connection, and no window leaves work
// open on it between two user actions: each action that writes ends with
// its own commit or roll-back, and a window that collects changes keeps
// them in memory until its save. Closing a dialog therefore ends no
// transaction: whatever is open on the connection belongs to an action
// still running in another window.

#include <ctime>
#include <string>
#include <vector>

#include "tools/widgets/fxcompat.h"
#include "tools/core/debug.h"
#include "tools/core/enum_range.h"
#include "tools/core/ref.h"
#include "tools/dbi/dbtype.h"
#include "gui/appcontext.h"
#include "gui/dberror.h"
#include "gui/lang.h"

class ComboBox;
class MoneyField;
class BASE;

namespace Tools {
class Database;
class ThemeTextField;
} // namespace Tools

// One binding between a widget and a variable. The dialog owns its
// bindings; widget and variable belong to the dialog's subclass.
class BindVarBase
{
public:
  virtual ~BindVarBase();
  virtual void to_widget() = 0;
  virtual void from_widget() = 0;
  virtual void *widget() const = 0;
  virtual FX::FXWindow *window() const = 0;
  virtual const void *variable() const = 0;
};

// The conversions exist for the seven pairs specialised below (and
// defined in dialog.cpp); any other pair fails to link.
template <class W, class T> class BindVar : public BindVarBase
{
  W *w;
  T *v;

public:
  BindVar(W *widget, T *variable) : w(widget), v(variable) {}
  void to_widget() override;
  void from_widget() override;
  void *widget() const override { return w; }
  FX::FXWindow *window() const override { return w; }
  const void *variable() const override { return v; }
};

template <> void BindVar<MoneyField, double>::to_widget();
template <> void BindVar<MoneyField, double>::from_widget();
template <> BindVar<ComboBox, JANEIN_RANGE>::BindVar(ComboBox *widget, JANEIN_RANGE *variable);
template <> void BindVar<ComboBox, JANEIN_RANGE>::to_widget();
template <> void BindVar<ComboBox, JANEIN_RANGE>::from_widget();
template <> void BindVar<ComboBox, std::string>::to_widget();
template <> void BindVar<ComboBox, std::string>::from_widget();
template <> void BindVar<ComboBox, int>::to_widget();
template <> void BindVar<ComboBox, int>::from_widget();
template <> void BindVar<FX::FXTextField, std::string>::to_widget();
template <> void BindVar<FX::FXTextField, std::string>::from_widget();
template <> void BindVar<Tools::ThemeTextField, std::string>::to_widget();
template <> void BindVar<Tools::ThemeTextField, std::string>::from_widget();
template <> void BindVar<Tools::ThemeTextField, int>::to_widget();
template <> void BindVar<Tools::ThemeTextField, int>::from_widget();

class Dialog : public FX::FXDialogBox, public Lang, public CommonMsg
{
  FXDECLARE(Dialog)

protected:
  std::vector<Tools::Ref<BindVarBase> > binds;

  Dialog();

public:
  enum {
    ID_TOGGLE_LANG = 66,
    ID_CLOSE = 67,
    ID_LAST = 68 // subclasses number their own ids from here
  };

  Dialog(FX::FXWindow *owner, AppContext *context, const FX::FXString &title,
         FX::FXuint opts = FX::DECOR_TITLE | FX::DECOR_BORDER | FX::DECOR_CLOSE, FX::FXint x = 0,
         FX::FXint y = 0);
  virtual ~Dialog();

  void update_text() override;

  Tools::Ref<Tools::Database> get_db();
  // True when the context holds a database handle that is connected.
  bool db_connected();

  template <class A, class B> void add_bind_var(A *widget, B *variable)
  {
    for (auto &b : binds) {
      if (b->widget() == static_cast<void *>(widget)) {
        TOOLS_LOG("WARNING rebinding of an element!");
        break;
      }
    }
    binds.push_back(Tools::Ref<BindVarBase>(new BindVar<A, B>(widget, variable)));
  }
  void vars_to_widgets();
  void widgets_to_vars();
  // Shows one variable in its widget; the others keep what they show.
  void var_to_widget(const void *variable);
  // The widget bound to the variable, or null.
  FX::FXWindow *bound_widget(const void *variable) const;
  // A field's name as the person sees it: the text of the label before
  // it (without its colon), in the field's frame or the frames around it.
  static std::string field_name(FX::FXWindow *field);
  // Refuses in words a text typed into `field` that no table can hold (a
  // character of four bytes, such as most emoji), naming the field, before
  // the text goes into a statement (a password shows as *** while its
  // Tools::Secret lives); false after refusing.
  bool text_fits(FX::FXWindow *field, const std::string &text);
  // Shows the given text above the database's error and last statement.
  void db_error(const std::string &text = DBError::TEXT);
  // The same after rolling the open transaction back (the error is read
  // first), so that nothing stays locked while the box waits for its
  // answer.
  void db_error_rolled_back(const std::string &text = DBError::TEXT);
  // kind 0 created, 1 changed, 2 deleted; any other kind stamps nothing.
  void set_history(BASE &row, int kind);
  // The stamp text of a point in time, in local time.
  static std::string history_stamp(std::time_t when);

  long onToggleLang(FX::FXObject *, FX::FXSelector, void *);
  long onKeyPress(FX::FXObject *, FX::FXSelector, void *);
  long onKeyRelease(FX::FXObject *, FX::FXSelector, void *);
  long onClose(FX::FXObject *, FX::FXSelector, void *);
};

static_assert(static_cast<int>(FX::FXDialogBox::ID_LAST) <= static_cast<int>(Dialog::ID_TOGGLE_LANG), "dialog ids collide with the toolkit's");

#endif
