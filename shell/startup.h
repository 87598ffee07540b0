#ifndef KORVAN_SHELL_STARTUP_H
#define KORVAN_SHELL_STARTUP_H

// The steps of `main` that do not need the toolkit.

#include <functional>
#include <iosfwd>
#include <string>

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

// Runs the program's body. An exception that reaches it is reported with
// its text on `err` and gives exit code 1 instead of an abort.
int run_guarded(const std::function<int()> &body, std::ostream &err);

#endif
