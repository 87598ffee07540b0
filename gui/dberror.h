#ifndef KORVAN_GUI_DBERROR_H
#define KORVAN_GUI_DBERROR_H

// The report of a failed statement, for people and for the log. The
// driver's error text repeats the whole statement before the server's
// reason, and a statement can run to thousands of characters (every value
// of a row, a long text typed by the user): printed as it is, the box
// grows wider than the screen and its button can no longer be reached.
// The box therefore says in words what failed, gives the server's reason,
// quotes the statement shortened, and breaks every line to a width the
// screen can show. The log keeps the whole statement.
//
// When the server has dropped the connection (restarted, say), or none
// could be made (the server was down at the start), every statement fails
// for the same reason until a new connection is made: the box says so in
// words and how to reconnect, instead of the driver's "invalid handle" or
// "No Database!". A list read then stays empty; the box comes once the
// action that read it has ended, unless the action has shown it already.

#include <string>

#include "tools/widgets/fxcompat.h"

namespace Tools {
class Database;
struct DBFailureReport;
}
class CommonMsg;

class DBError
{
public:
  // The words above every failed statement that a window reports.
  static const char *const TEXT; // "Datanbankefehler"

  // The log's line for a read that failed: the statement, then the reason.
  static std::string failed_select(Tools::Database &db);
  // The widest text line a box may have on this screen.
  static int line_width(FX::FXApp *app);

  // Logs the failure of the database's last statement and shows it in an
  // error box owned by `owner`, titled and worded with the shared texts.
  static void report(FX::FXWindow *owner, const CommonMsg &msg, const std::string &text, Tools::Database *db);
  // The same for a failure's report taken before the connection went on
  // (to a roll-back, say).
  static void report(FX::FXWindow *owner, const CommonMsg &msg, const std::string &text,
                     const Tools::DBFailureReport &failure);
  // Logs a list's read that failed; when the connection is lost or was
  // never made, the box follows at the end of the action (`msg` null: the
  // log only).
  static void list_failed(FX::FXWindow *owner, const CommonMsg *msg, Tools::Database &db);
  // The same for a list not read at all, for want of a connection.
  static void list_unread(FX::FXWindow *owner, const CommonMsg *msg, Tools::Database &db);
  // An error box whose text is broken to fit the screen.
  static void show(FX::FXWindow *owner, const char *title, const std::string &message);
};

#endif
