#include "shell/langwin.h"

#include <algorithm>

#include "gui/buttonbar.h"
#include "gui/spreadsheet.h"
#include "schema/tables.h"

using namespace FX;

static_assert(LangWin::ID_OK == 68 && LangWin::ID_SHEET == 69, "ids of the translation editor");

// The sheet's own requests (new row, delete row, templates) arrive under
// ID_SHEET and are left unanswered: rows come from the program's texts.
FXDEFMAP(LangWin) LangWinMap[] = {
    FXMAPFUNC(SEL_COMMAND, LangWin::ID_OK, LangWin::onOk),
    FXMAPFUNC(SEL_REPLACED, LangWin::ID_SHEET, LangWin::onRowStored),
};

FXIMPLEMENT(LangWin, Dialog, LangWinMap, ARRAYNUMBER(LangWinMap))

LangWin::LangWin(FXWindow *owner, AppContext *main)
    : Dialog(owner, main, "Übersetzungen", DECOR_ALL, 0, 0), sheet(nullptr)
{
  GroupBox *group = new GroupBox(this, main, "Übersetzungen", FRAME_RIDGE | LAYOUT_FILL, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  FXVerticalFrame *frame = new FXVerticalFrame(group, LAYOUT_FILL, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  sheet = new SpreadSheet(frame, main, this, ID_SHEET, LAYOUT_FILL | TABLE_COL_SIZABLE | TABLE_ROW_SIZABLE);
  sheet->set_columns("idx \tidx, system System, type Typ, orig Original, trans Übersetzung");
  sheet->setEditable(TRUE);
  sheet->setVisibleRows(20);
  sheet->setVisibleColumns(8);

  FXHorizontalSeparator *line = new FXHorizontalSeparator(this, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  ButtonBar *bar = new ButtonBar(this, main);
  bar->add_ok(this, ID_OK);
  bar->keep_below(line, group);

  fill();
}

void LangWin::fill()
{
  sheet->feed_table<LANG>("", "", "count(*)");
  // A translation is about as long as its original: its column gets the
  // same room, also while no translation is there to size it.
  if (sheet->getNumColumns() > TRANS)
    sheet->setColumnWidth(TRANS, std::max(sheet->getColumnWidth(TRANS), sheet->getColumnWidth(ORIG)));
}

void LangWin::show()
{
  fill();
  Dialog::show();
}

void LangWin::show(FXuint placement)
{
  fill();
  Dialog::show(placement);
}

// A translation stored is used at once, by every text that shows it.
long LangWin::onRowStored(FXObject *, FXSelector, void *ptr)
{
  const LANG *row = dynamic_cast<const LANG *>(static_cast<Tools::DBBindType *>(ptr));
  if (row && context)
    context->getLangRegistry().store(*row);
  return 1;
}

long LangWin::onOk(FXObject *, FXSelector, void *)
{
  // What the sheet holds is stored as a move to another cell stores it;
  // after a refusal the editor stays, showing the row as stored.
  if (!sheet->store_typed())
    return 1;
  if (context)
    context->updateLangs();
  handle(this, FXSEL(SEL_COMMAND, FXDialogBox::ID_ACCEPT), nullptr);
  return 1;
}
