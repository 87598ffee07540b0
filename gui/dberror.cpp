#include "gui/dberror.h"

#include <algorithm>

#include "gui/messagebox.h"
#include "tools/core/debug.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "gui/lang.h"

using namespace FX;

namespace {

// The longest statement quoted in a box, in characters.
const std::size_t QUOTED_CHARACTERS = 160;

// The first word of a statement, in lower case.
std::string verb(const std::string &statement)
{
  const std::string s = Tools::strip(statement);
  std::string word;
  for (char c : s) {
    if (!isalpha(static_cast<unsigned char>(c)))
      break;
    word += static_cast<char>(tolower(static_cast<unsigned char>(c)));
  }
  return word;
}

int text_width(FXFont *font, const std::string &text)
{
  return font->getTextWidth(text.c_str(), static_cast<FXuint>(text.size()));
}

// One line broken into pieces no wider than `width`.
void wrap_line(const std::string &line, FXFont *font, int width, std::string &out)
{
  std::string rest = line;
  while (text_width(font, rest) > width) {
    // The longest head that fits, ending at a character boundary.
    std::size_t fit = 0;
    for (std::size_t i = 1; i <= rest.size(); ++i) {
      if (i < rest.size() && Tools::utf8_continuation(rest[i]))
        continue;
      if (text_width(font, rest.substr(0, i)) > width)
        break;
      fit = i;
    }
    if (fit == 0) // not even one character fits: take one anyway
      fit = Tools::utf8_bytes(rest, 1);
    // Break at the last blank of the head when there is one.
    std::size_t cut = fit;
    const std::size_t blank = rest.rfind(' ', fit);
    if (blank != std::string::npos && blank > 0 && fit < rest.size())
      cut = blank;
    out += rest.substr(0, cut) + "\n";
    rest = rest.substr(cut);
    if (!rest.empty() && rest[0] == ' ')
      rest.erase(0, 1);
  }
  out += rest;
}

// The driver's error text without the statement it repeats: the server's
// reason, or the driver's own word when there is none.
std::string reason(const std::string &error, const std::string &statement)
{
  const std::string quoted = "query: " + statement;
  const std::size_t at = statement.empty() ? std::string::npos : error.find(quoted);
  if (at == std::string::npos)
    return Tools::strip(error);
  const std::string after = Tools::strip(error.substr(at + quoted.size()));
  return after.empty() ? Tools::strip(error.substr(0, at)) : after;
}

// The statement on one line, cut after QUOTED_CHARACTERS characters.
std::string shorten(const std::string &statement)
{
  // Line ends and runs of blanks (the column lists of an INSERT) as one
  // blank each.
  std::string flat;
  for (char c : Tools::strip(statement)) {
    const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
    if (blank && !flat.empty() && flat.back() == ' ')
      continue;
    flat += blank ? ' ' : c;
  }
  const std::size_t keep = Tools::utf8_bytes(flat, QUOTED_CHARACTERS);
  if (keep < flat.size())
    flat = flat.substr(0, keep) + " ...";
  return flat;
}

// What a failed statement did not do, in a sentence for the user.
std::string what_failed(const std::string &statement)
{
  static const struct
  {
    const char *verb, *sentence;
  } sentences[] = {
      {"insert", "Der neue Eintrag wurde nicht gespeichert."},
      {"update", "Die Änderung wurde nicht gespeichert."},
      {"delete", "Der Eintrag wurde nicht gelöscht."},
      {"select", "Die Daten konnten nicht gelesen werden."},
      {"commit", "Die Änderungen konnten nicht abgeschlossen werden."},
      {"rollback", "Die Änderungen konnten nicht verworfen werden."},
  };
  const std::string v = verb(statement);
  for (const auto &s : sentences)
    if (v == s.verb)
      return s.sentence;
  return "Die Datenbank hat die Anweisung abgelehnt.";
}

// The box's text: the caller's text, what failed, the reason and the
// shortened statement, each on lines of its own. For a connection lost or
// never made (`msg` given then) the box says that, why one could not be
// made, and the way back: the statement would not help.
std::string message(const std::string &text, const Tools::DBFailureReport &failure, const CommonMsg *msg)
{
  const std::string &statement = failure.statement;
  const bool lost = msg && failure.connection_lost;
  const bool never = msg && failure.not_connected;
  std::string m = text;
  // A commit whose answer the broken connection lost may have been stored
  // all the same: the person has to look, not book again blindly.
  const bool unknown = lost && verb(statement) == "commit";
  if (!statement.empty())
    m += "\n" + (unknown ? msg->msg_commit_unknown.str() : std::string(what_failed(statement)));
  if (lost)
    return m + "\n" + msg->msg_connection_lost.str() + "\n" + msg->msg_reconnect.str();
  if (never) {
    m += "\n" + msg->msg_not_connected.str();
    const std::string why = Tools::strip(failure.error);
    if (!why.empty())
      m += "\nGrund: " + why;
    return m + "\n" + msg->msg_reconnect.str();
  }
  const std::string why = reason(failure.error, statement);
  if (!why.empty())
    m += "\nGrund: " + why;
  if (!statement.empty())
    m += "\nAnweisung: " + shorten(statement);
  return m;
}

// The log's text: the caller's text, the whole statement, the reason.
std::string log_text(const std::string &text, const std::string &error, const std::string &statement)
{
  std::string m = text;
  if (!statement.empty())
    m += "\n" + statement;
  return m + "\n" + reason(error, statement);
}

// The lines of `text` broken at blanks (inside a word where a word is
// wider than `width` pixels) so that none is wider than `width`.
std::string wrap(const std::string &text, FXFont *font, int width)
{
  if (!font || width <= 0)
    return text;
  std::string out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    wrap_line(text.substr(start, end == std::string::npos ? std::string::npos : end - start), font, width, out);
    if (end == std::string::npos)
      return out;
    out += "\n";
    start = end + 1;
  }
}

// Says once per action that lists stay empty because the connection is
// lost: a list's read schedules the box for the end of the action (a
// chore), a box of the action itself takes its place, and the action's
// later reads stay quiet.
class LostNotice : public FXObject
{
  enum { SHOW = 1, QUIET = 2 };
  std::string title, text;
  bool quiet = false;

public:
  long handle(FXObject *, FXSelector sel, void *) override
  {
    if (FXSELID(sel) == QUIET) {
      quiet = false;
    } else if (FXSELID(sel) == SHOW) {
      // The window that read the list may be gone by now: the box goes to
      // the window in front, if any is shown.
      FXApp *app = FXApp::instance();
      FXWindow *owner = app ? app->getActiveWindow() : nullptr;
      for (FXWindow *w = app ? app->getRootWindow()->getFirst() : nullptr; w && !owner; w = w->getNext())
        if (w->shown())
          owner = w;
      if (owner)
        DBError::show(owner, title.c_str(), text);
    }
    return 1;
  }
  void schedule(FXApp *app, const std::string &box_title, const std::string &box_text)
  {
    if (quiet || app->hasChore(this, FXSEL(SEL_CHORE, SHOW)))
      return;
    title = box_title;
    text = box_text;
    Tools::fxcompat::add_chore(app, this, FXSEL(SEL_CHORE, SHOW));
  }
  // A box of the action's own says it now.
  void said(FXApp *app)
  {
    app->removeChore(this, FXSEL(SEL_CHORE, SHOW));
    quiet = true;
    if (!app->hasChore(this, FXSEL(SEL_CHORE, QUIET)))
      Tools::fxcompat::add_chore(app, this, FXSEL(SEL_CHORE, QUIET));
  }
};

LostNotice &lost_notice()
{
  static LostNotice notice;
  return notice;
}

} // namespace

const char *const DBError::TEXT = "Datanbankefehler";

std::string DBError::failed_select(Tools::Database &db)
{
  return log_text("select failed!", db.get_error(), db.get_last_query());
}

int DBError::line_width(FXApp *app)
{
  // Room for the box's icon, margins and frame beside the text; and no
  // wider than a reader's line even on a wide screen.
  const int READABLE = 640, BESIDE_TEXT = 160;
  const int screen = app->getRootWindow()->getWidth();
  return std::max(100, std::min(READABLE, screen - BESIDE_TEXT));
}

void DBError::report(FXWindow *owner, const CommonMsg &msg, const std::string &text, Tools::Database *db)
{
  Tools::DBFailureReport none;
  none.error = "No Database!";
  none.not_connected = true;
  report(owner, msg, text, db ? db->failure_report() : none);
}

void DBError::report(FXWindow *owner, const CommonMsg &msg, const std::string &text,
                     const Tools::DBFailureReport &failure)
{
  TOOLS_LOG(log_text(text, failure.error, failure.statement));
  show(owner, msg.title_db_error, message(text, failure, &msg));
  if (failure.connection_lost || failure.not_connected)
    lost_notice().said(owner->getApp());
}

void DBError::list_failed(FXWindow *owner, const CommonMsg *msg, Tools::Database &db)
{
  TOOLS_LOG(failed_select(db));
  if (msg && (db.connection_lost() || !db.is_connected()))
    lost_notice().schedule(owner->getApp(), msg->title_db_error.str(),
                           message("Datanbankefehler", db.failure_report(), msg));
}

void DBError::list_unread(FXWindow *owner, const CommonMsg *msg, Tools::Database &db)
{
  if (!msg || db.is_connected())
    return;
  // The box says what the list's read would have done, not the handle's
  // last statement, which may belong to another action.
  Tools::DBFailureReport unread = db.failure_report();
  unread.statement = "select";
  lost_notice().schedule(owner->getApp(), msg->title_db_error.str(), message("Datanbankefehler", unread, msg));
}

void DBError::show(FXWindow *owner, const char *title, const std::string &message)
{
  FXApp *app = owner->getApp();
  FXFont *font = app->getNormalFont();
  const std::string fitted = wrap(message, font, line_width(app));
  // The database's text may hold a percent sign: never use it as a format.
  MessageBox::error(owner, title, fitted);
}
