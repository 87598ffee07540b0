#include "shell/connect.h"

#include "gui/messagebox.h"
#include "gui/buttonbar.h"
#include "tools/dbi/database.h"
#include "tools/widgets/theme.h"
#include "shell/startup.h"

using namespace FX;

static_assert(Connect::ID_OK == 68 && Connect::ID_CANCEL == 69 && Connect::ID_TEST == 70,
              "button ids of the connection dialog");

FXDEFMAP(Connect) ConnectMap[] = {
    FXMAPFUNC(SEL_COMMAND, Connect::ID_OK, Connect::onOk),
    FXMAPFUNC(SEL_COMMAND, Connect::ID_CANCEL, Connect::onCancel),
    FXMAPFUNC(SEL_COMMAND, Connect::ID_TEST, Connect::onTest),
};

FXIMPLEMENT(Connect, Dialog, ConnectMap, ARRAYNUMBER(ConnectMap))

Connect::Connect() : main_window(nullptr), settings(), fields{nullptr, nullptr, nullptr, nullptr} {}

Connect::Connect(FXWindow *owner, MainWindow *main)
    : Dialog(owner, main, "Datenbank Verbindung", DECOR_TITLE | DECOR_CLOSE | DECOR_BORDER, 0, 0), main_window(main),
      settings(),
      failText(main, "Message", "Die Verbindung konnte nicht hergestellt werden!"),
      successText(main, "Message", "Erfolg! Die Verbindung zur Datanbank konnte hergestellt werden!"),
      noAnswerText(main, "Message", no_answer_text()),
      fields{nullptr, nullptr, nullptr, nullptr}
{
  GroupBox *group =
      new GroupBox(this, main, "Datenbankeinstellungen", FRAME_RIDGE, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  // Four rows, filled column by column: the labels, then the fields.
  FXMatrix *matrix = new FXMatrix(group, 4, MATRIX_BY_ROWS);
  new Label(matrix, main, "Host");
  new Label(matrix, main, "Datenbank");
  new Label(matrix, main, "Benutzername");
  new Label(matrix, main, "Passwort");
  for (int i = HOST; i <= PASSWORD; ++i)
    fields[i] = new Tools::ThemeTextField(matrix, 20, nullptr, 0,
                                          TEXTFIELD_NORMAL | FRAME_SUNKEN | (i == PASSWORD ? TEXTFIELD_PASSWD : 0));

  if (main_window)
    settings = main_window->getConnectSettings();
  add_bind_var(fields[HOST], &settings.host);
  add_bind_var(fields[DATABASE], &settings.database);
  add_bind_var(fields[USERNAME], &settings.username);
  add_bind_var(fields[PASSWORD], &settings.password);

  new FXHorizontalSeparator(this, SEPARATOR_GROOVE | LAYOUT_FILL_X);
  ButtonBar *bar = new ButtonBar(this, main);
  bar->add_ok(this, ID_OK);
  bar->add_test(this, ID_TEST);
  bar->add_cancel(this, ID_CANCEL);

  vars_to_widgets();
}

Tools::Ref<Tools::Database> Connect::open_connection(Tools::DBFailure &why)
{
  Tools::Ref<Tools::Database> db = MainWindow::openDatabase(settings);
  // Connected means the server has already answered the session set-up.
  why = db->last_failure();
  if (!db->is_connected())
    return Tools::Ref<Tools::Database>();
  return db;
}

void Connect::show_failure(Tools::DBFailure why)
{
  // A server that never answered kept the person waiting: say so, rather
  // than leave it to look like wrong settings.
  const std::string no_answer = why == Tools::DBFailure::NO_ANSWER ? "\n" + noAnswerText.str() : std::string();
  MessageBox::error(this, title_db_error.str(), failText.str() + no_answer);
}

long Connect::onOk(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  Tools::DBFailure why;
  Tools::Ref<Tools::Database> db = open_connection(why);
  if (!db.valid()) {
    show_failure(why);
    return 1;
  }
  main_window->getConnectSettings() = settings;
  main_window->setDatabase(db);
  handle(this, FXSEL(SEL_COMMAND, FXDialogBox::ID_ACCEPT), nullptr);
  return 1;
}

long Connect::onTest(FXObject *, FXSelector, void *)
{
  widgets_to_vars();
  // The test connection ends with this handler.
  Tools::DBFailure why;
  const bool works = open_connection(why).valid();
  if (works)
    MessageBox::information(this, title_info.str(), successText.str());
  else
    show_failure(why);
  return 1;
}

long Connect::onCancel(FXObject *sender, FXSelector sel, void *ptr)
{
  return FXDialogBox::onCmdCancel(sender, sel, ptr);
}
