#ifndef KORVAN_SHELL_DEBUGWIN_H
#define KORVAN_SHELL_DEBUGWIN_H

// The window of the log: every line since the start, then each new one.

#include "gui/dialog.h"

class MainWindow;
class MyDebug;

class DebugWin : public Dialog
{
  FXDECLARE(DebugWin)
protected:
  MyDebug *debug;
  FX::FXText *text;
  FX::FXFont *font;
  DebugWin() : debug(nullptr), text(nullptr), font(nullptr) {}

public:
  enum { ID_OK = Dialog::ID_LAST, ID_CLEAR, ID_LAST };

  DebugWin(FX::FXWindow *owner, MainWindow *main, MyDebug *debug);
  ~DebugWin() override;

  void create() override;
  // Moves the sink's pending lines into the view.
  void flush();
  FX::FXText *getText() const { return text; }

  long onOk(FX::FXObject *, FX::FXSelector, void *);
  long onClear(FX::FXObject *, FX::FXSelector, void *);
};

#endif
