#ifndef KORVAN_GUI_FIXCOMPOSITE_H
#define KORVAN_GUI_FIXCOMPOSITE_H

// The free floor plan of a room: a canvas that puts every child at the
// child's own position and size, and in edit mode lets the user drag the
// children on a 10-pixel grid. Labels and buttons on it are built from, and
// written back into, their LAYOUTP rows.

#include "tools/widgets/fxcompat.h"
#include "tools/widgets/theme.h"
#include "schema/tables.h"

class FixComposite : public FX::FXPacker
{
  FXDECLARE(FixComposite)

protected:
  bool edit_mode;
  FX::FXWindow *grabbed;
  // Where the pointer was on the screen at the press, and where the
  // grabbed child stood then.
  int press_root_x;
  int press_root_y;
  int start_x;
  int start_y;
  FX::FXObject *forward_target;
  FX::FXSelector forward_selector;

  FixComposite();
  // The grabbed child, or null when it is no longer one of ours.
  FX::FXWindow *grabbed_child();

public:
  enum {
    ID_CHILD = 56, // every child's id in edit mode
    ID_SELF = 57,
  };
  static const int GRID = 10;

  FixComposite(FX::FXComposite *p, FX::FXObject *tgt, FX::FXSelector sel, FX::FXuint opts);

  void set_edit_mode(bool on) { edit_mode = on; }
  // Deletes every child, then lays out again.
  void clear();

  FX::FXint getDefaultWidth() override;
  FX::FXint getDefaultHeight() override;
  void layout() override;

  long onLeftBtnPress(FX::FXObject *, FX::FXSelector, void *);
  long onLeftBtnRelease(FX::FXObject *, FX::FXSelector, void *);
  long onMotion(FX::FXObject *, FX::FXSelector, void *);
  long onPaint(FX::FXObject *, FX::FXSelector, void *);
};

static_assert(static_cast<int>(FX::FXPacker::ID_LAST) <= static_cast<int>(FixComposite::ID_CHILD), "canvas ids collide with the toolkit's");

class FixLabel : public Tools::ThemeLabel
{
  FXDECLARE(FixLabel)

protected:
  LAYOUTP row;
  FixLabel();

public:
  FixLabel(FX::FXComposite *p, FX::FXuint opts, const LAYOUTP &row);
  // The row with the label's current text, position and size.
  LAYOUTP &get_record();
};

class FixButton : public Tools::ThemeButton
{
  FXDECLARE(FixButton)

protected:
  LAYOUTP row;
  FixButton();

public:
  FixButton(FX::FXComposite *p, FX::FXObject *tgt, FX::FXSelector sel, FX::FXuint opts, const LAYOUTP &row);
  LAYOUTP &get_record();
};

#endif
