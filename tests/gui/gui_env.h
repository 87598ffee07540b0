#ifndef KORVAN_TESTS_GUI_GUI_ENV_H
#define KORVAN_TESTS_GUI_GUI_ENV_H

// What the dialog-framework tests share besides the GUI harness: an owner
// window, a main window that is never created (so no
// login runs) holding a handle to this process's own database, a driver
// that records the statements it passes to the real ODBC driver, a sink
// that remembers statements, and a target that records messages. Made
// once per process, in an environment set up after the harness's.

#include <functional>
#include <string>
#include <vector>

#include "tools/widgets/fxcompat.h"
#include "tools/core/debug.h"
#include "tools/core/ref.h"
#include "tools/dbi/database.h"
#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/recording_db.h"

namespace gui_test {

// Registers the environment that makes what follows; called by main.
void add_environment();

// A created, shown top-level window to own the dialogs under test.
FX::FXMainWindow *owner();
MainWindow *main_window();
// A new connection to it; the main window keeps using its own.
Tools::Ref<Tools::Database> connect();
// Runs statements on a handle; fails the test on the first error.
void run_sql(Tools::Database &db, const std::vector<std::string> &statements);

using korvan_test::RecordingDB;

// A connection to this process's database through a recording driver;
// `recorder` points at the driver, owned by the handle.
Tools::Ref<Tools::Database> connect_recording(RecordingDB *&recorder);

// The harness's application, modal answers, event loop, log capture and
// queries serve these tests too.
using korvan_gui_test::answer_modal;
using korvan_gui_test::answered_count;
using korvan_gui_test::app;
using korvan_gui_test::label_texts;
using korvan_gui_test::LogCapture;
using korvan_gui_test::press_key;
using korvan_gui_test::query_value;
using korvan_gui_test::run_until;

// A key press (and release) with its text, sent straight to a widget, as
// typing it would.
long type_key(FX::FXObject *target, FX::FXuint code, const std::string &text);

// Records what a widget sends to its target.
class Recorder : public FX::FXObject
{
  FXDECLARE(Recorder)

public:
  struct Message
  {
    FX::FXObject *sender;
    FX::FXuint type;
    FX::FXuint id;
    void *data;
    std::string text; // data as a C string, where the caller asks for it
  };
  std::vector<Message> messages;
  bool keep_text = false;
  // Answers to each message; 1 when unset.
  std::function<long(const Message &)> reply;

  long onAny(FX::FXObject *, FX::FXSelector, void *);
};

} // namespace gui_test

#endif
