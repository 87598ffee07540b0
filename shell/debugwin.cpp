#include "shell/debugwin.h"

#include "gui/buttonbar.h"
#include "gui/lang.h"
#include "shell/mainwindow.h"
#include "shell/mydebug.h"

using namespace FX;

static_assert(DebugWin::ID_OK == 68 && DebugWin::ID_CLEAR == 69, "button ids of the debug window");

FXDEFMAP(DebugWin) DebugWinMap[] = {
    FXMAPFUNC(SEL_COMMAND, DebugWin::ID_OK, DebugWin::onOk),
    FXMAPFUNC(SEL_COMMAND, DebugWin::ID_CLEAR, DebugWin::onClear),
};

FXIMPLEMENT(DebugWin, Dialog, DebugWinMap, ARRAYNUMBER(DebugWinMap))

DebugWin::DebugWin(FXWindow *owner, MainWindow *main, MyDebug *debug)
    : Dialog(owner, main, "Debugfenster", DECOR_ALL, 0, 0), debug(debug), text(nullptr), font(nullptr)
{
  GroupBox *group = new GroupBox(this, main, "Debugmeldungen", FRAME_RIDGE | LAYOUT_FILL, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  FXVerticalFrame *frame = new FXVerticalFrame(group, LAYOUT_FILL, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  font = new FXFont(getApp(), "Courier", 10, FXFont::Normal, FXFont::Straight, FONTENCODING_DEFAULT,
                    FXFont::NonExpanded);
  text = new FXText(frame, nullptr, 0, LAYOUT_FILL);
  text->setFont(font);
  text->setVisibleRows(50);
  text->setVisibleColumns(100);
  FXHorizontalSeparator *line = new FXHorizontalSeparator(this, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  ButtonBar *bar = new ButtonBar(this, main);
  bar->add_ok(this, ID_OK);
  bar->add_delete(this, ID_CLEAR);
  bar->keep_below(line, group);
  if (debug) {
    debug->setWindow(this);
    flush();
  }
}

DebugWin::~DebugWin()
{
  if (debug && debug->getWindow() == this)
    debug->setWindow(nullptr);
  // The view goes before its font.
  delete text;
  text = nullptr;
  delete font;
}

void DebugWin::create()
{
  Dialog::create();
  font->create();
}

void DebugWin::flush()
{
  if (!debug || !text)
    return;
  std::list<std::string> &lines = debug->getMessages();
  while (!lines.empty()) {
    const std::string line = lines.front() + "\n";
    text->appendText(line.c_str(), static_cast<FXint>(line.size()), FALSE);
    lines.pop_front();
  }
  text->setCenterLine(text->getLength());
}

long DebugWin::onOk(FXObject *, FXSelector, void *)
{
  handle(this, FXSEL(SEL_COMMAND, FXDialogBox::ID_ACCEPT), nullptr);
  return 1;
}

long DebugWin::onClear(FXObject *, FXSelector, void *)
{
  text->removeText(0, text->getLength(), FALSE);
  if (debug)
    debug->clear();
  return 1;
}
