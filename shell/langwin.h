#ifndef KORVAN_SHELL_LANGWIN_H
#define KORVAN_SHELL_LANGWIN_H

// The translation editor: every row of table LANG in an editable sheet.
// A changed cell is written back by the sheet itself when another cell is
// chosen, and by "Ok" (the cell being typed into included); the texts use
// the translation at once. "Ok" then reads the translations again, with
// those that other stations stored meanwhile. Escape and the close box
// drop what was typed and not yet stored.

#include "gui/dialog.h"

class SpreadSheet;

class LangWin : public Dialog
{
  FXDECLARE(LangWin)

protected:
  SpreadSheet *sheet;

  LangWin() : sheet(nullptr) {}
  void fill();

public:
  enum { ID_OK = Dialog::ID_LAST, ID_SHEET, ID_LAST };
  // The sheet's visible columns.
  enum { SYSTEM, TYPE, ORIG, TRANS };

  LangWin(FX::FXWindow *owner, AppContext *main);

  // Both list the rows stored since the last showing.
  void show() override;
  void show(FX::FXuint placement) override;

  SpreadSheet *get_sheet() const { return sheet; }

  long onOk(FX::FXObject *, FX::FXSelector, void *);
  long onRowStored(FX::FXObject *, FX::FXSelector, void *);
};

#endif
