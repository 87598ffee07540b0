#ifndef KORVAN_SHELL_STARTUP_H
#define KORVAN_SHELL_STARTUP_H

// The steps of `main` that do not need the toolkit.

#include <functional>
#include <iosfwd>
#include <string>

#include "tools/dbi/db.h"

// Writes the create script to the file (truncating it; a new one is the
// account's only), never through a symbolic or hard link of that name nor
// over another account's file. When the file cannot be opened or written,
// says so on `err` and gives false; start-up goes on.
bool write_create_script(const std::string &path, std::ostream &err);

// The main window's title: `title`, and after it the note that scripts/run
// may hand over in KORVAN_TITLE_NOTE (it names an old copy of the data so,
// since its lines are not the restaurant's current day). Characters of the
// note that do not show as written (controls, direction overrides, what
// shows nothing) become blanks; a note without visible text adds nothing.
std::string main_window_title(const std::string &title, const char *note);

// The words for a connect that gave up because no server answered within
// its bound (Tools::DB::CONNECT_TIMEOUT_SECONDS), as the start, the login
// and the connection dialog say them.
std::string no_answer_text();

// What the start says on `err` when its connection failed for want of an
// answer: the start waited that long and goes on without a database (the
// login says why again). Nothing for any other outcome.
void say_start_connection(Tools::DBFailure failure, std::ostream &err);

// Runs the program's body. An exception that reaches it is reported with
// its text on `err` and gives exit code 1 instead of an abort.
int run_guarded(const std::function<int()> &body, std::ostream &err);

#endif
