#ifndef KORVAN_SHELL_CONNECT_H
#define KORVAN_SHELL_CONNECT_H

// The connection dialog: edits the main window's four connection
// settings, tests them, and on "Ok" puts a new connection in place of the
// main window's without a restart. The registry gets them at quit.

#include <string>

#include "gui/dialog.h"
#include "tools/dbi/db.h"
#include "shell/mainwindow.h"

namespace Tools {
class Database;
class ThemeTextField;
} // namespace Tools

class Connect : public Dialog
{
  FXDECLARE(Connect)

protected:
  MainWindow *main_window;
  MainWindow::ConnectSettings settings;
  StaticText failText;
  StaticText successText;
  // Said with failText when the server did not answer in time.
  StaticText noAnswerText;
  Tools::ThemeTextField *fields[4];

  Connect();

  // A connection with the dialog's settings, or an empty handle when none
  // could be opened or it does not answer a statement (`why` then says
  // which kind of failure).
  Tools::Ref<Tools::Database> open_connection(Tools::DBFailure &why);
  void show_failure(Tools::DBFailure why);

public:
  enum { ID_OK = Dialog::ID_LAST, ID_CANCEL, ID_TEST, ID_LAST };
  // The order of the fields.
  enum { HOST, DATABASE, USERNAME, PASSWORD };

  Connect(FX::FXWindow *owner, MainWindow *main);

  Tools::ThemeTextField *get_field(int which) const { return fields[which]; }

  long onOk(FX::FXObject *, FX::FXSelector, void *);
  long onCancel(FX::FXObject *, FX::FXSelector, void *);
  long onTest(FX::FXObject *, FX::FXSelector, void *);
};

#endif
