#ifndef KORVAN_GUI_BUTTONBAR_H
#define KORVAN_GUI_BUTTONBAR_H

// The row of command buttons at the foot of the dialogs, and its buttons:
// themed push buttons with a translatable text (type "Button") and a
// picture from the application context's icon set.

#include <string>

#include "gui/lang.h"
#include "tools/widgets/theme.h"

class BarButton : public Tools::ThemeButton, protected Lang
{
  FXDECLARE(BarButton)
protected:
  BarButton() {}

public:
  // An empty picture name gives a button without picture.
  BarButton(FX::FXComposite *p, AppContext *context, const std::string &text, const std::string &icon,
            FX::FXObject *tgt, FX::FXSelector sel, unsigned int opts);
  void update_text() override;

  // The LANG side of the button, for callers that need it.
  Lang &lang() { return *this; }
};

class BarButtonOk : public BarButton
{
public:
  BarButtonOk(FX::FXComposite *p, AppContext *context, FX::FXObject *tgt, FX::FXSelector sel);
};

class BarButtonNew : public BarButton
{
public:
  BarButtonNew(FX::FXComposite *p, AppContext *context, FX::FXObject *tgt, FX::FXSelector sel, unsigned int opts);
};

class BarButtonSave : public BarButton
{
public:
  BarButtonSave(FX::FXComposite *p, AppContext *context, FX::FXObject *tgt, FX::FXSelector sel);
};

class BarButtonTest : public BarButton
{
public:
  BarButtonTest(FX::FXComposite *p, AppContext *context, FX::FXObject *tgt, FX::FXSelector sel);
};

class BarButtonCancel : public BarButton
{
public:
  BarButtonCancel(FX::FXComposite *p, AppContext *context, FX::FXObject *tgt, FX::FXSelector sel);
};

class BarButtonDelete : public BarButton
{
public:
  BarButtonDelete(FX::FXComposite *p, AppContext *context, FX::FXObject *tgt, FX::FXSelector sel);
};

// A full-width row whose buttons form one centred group of equal size, or,
// once a button was added with `nested`, a second group at the right into
// which every later button goes.
class ButtonBar : public FX::FXHorizontalFrame
{
  FXDECLARE(ButtonBar)
protected:
  AppContext *context;
  FX::FXHorizontalFrame *inner_frame;
  FX::FXHorizontalFrame *nested_frame;
  ButtonBar() : context(nullptr), inner_frame(nullptr), nested_frame(nullptr) {}

  template <class B> B *add_button(FX::FXObject *tgt, FX::FXSelector sel, bool nested);

public:
  ButtonBar(FX::FXComposite *p, AppContext *context);

  // Each returns the new button (callers may ignore it).
  BarButtonOk *add_ok(FX::FXObject *tgt, FX::FXSelector sel, bool nested = false);
  BarButtonSave *add_save(FX::FXObject *tgt, FX::FXSelector sel, bool nested = false);
  BarButtonTest *add_test(FX::FXObject *tgt, FX::FXSelector sel, bool nested = false);
  BarButtonCancel *add_cancel(FX::FXObject *tgt, FX::FXSelector sel, bool nested = false);
  BarButtonDelete *add_delete(FX::FXObject *tgt, FX::FXSelector sel, bool nested = false);

  // For a dialog whose content fills it: packs the bar, and the separator
  // line above it, at the bottom, so that a larger window keeps them in
  // view below the content. All three share one parent.
  void keep_below(FX::FXWindow *line, FX::FXWindow *content);

  FX::FXHorizontalFrame *get_inner_frame() const { return inner_frame; }
  FX::FXHorizontalFrame *get_nested_frame() const { return nested_frame; }
};

#endif
