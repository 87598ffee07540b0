#include "gui/idlereads.h"

#include <algorithm>
#include <vector>

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/dbi/database.h"

using namespace FX;

namespace {
IdleReads::Reporter the_reporter;
// Every watcher alive, for a box that waits for the person.
std::vector<IdleReads *> watchers;
} // namespace

IdleReads::Reporter IdleReads::set_reporter(Reporter reporter)
{
  Reporter before = std::move(the_reporter);
  the_reporter = std::move(reporter);
  return before;
}

void IdleReads::person_waited(const char *what)
{
  for (IdleReads *watcher : watchers)
    watcher->check(what);
}

IdleReads::IdleReads() : scheduled(false), reported(false) { watchers.push_back(this); }

IdleReads::~IdleReads()
{
  watchers.erase(std::remove(watchers.begin(), watchers.end(), this), watchers.end());
  // Work the loop never came to see, and the windows go.
  check("the windows were closed");
  unhook();
  if (scheduled && FXApp::instance())
    FXApp::instance()->removeChore(this, FXSEL(SEL_CHORE, 0));
}

void IdleReads::unhook()
{
  if (db.valid() && db.try_get()) {
    db->on_reads_opened(nullptr);
    db->on_work_opened(nullptr);
  }
  db = Tools::Ref<Tools::Database>();
}

void IdleReads::watch(const Tools::Ref<Tools::Database> &database)
{
  unhook();
  db = database;
  if (!db.valid() || !db.try_get())
    return;
  db->on_reads_opened([this] { schedule(); });
  db->on_work_opened([this] {
    work_opened_by = db->get_last_query();
    reported = false;
    schedule();
  });
  // What was sent before it was watched (the texts of a new connection).
  work_opened_by = db->get_last_query();
  reported = false;
  if (db->holding() != Tools::Database::Holding::NOTHING)
    schedule();
}

void IdleReads::schedule()
{
  FXApp *app = FXApp::instance();
  if (scheduled || !app)
    return;
  scheduled = true;
  Tools::fxcompat::add_chore(app, this, FXSEL(SEL_CHORE, 0));
}

bool IdleReads::check(const char *when)
{
  if (!db.valid() || !db.try_get() || db->holding() != Tools::Database::Holding::WORK)
    return false;
  if (reported)
    return true;
  reported = true;
  const std::string words =
      Tools::format("work left open on the shared connection when %s, opened by: %s", when, work_opened_by);
  TOOLS_LOG(words);
  if (the_reporter)
    the_reporter(words);
  return true;
}

long IdleReads::handle(FXObject *, FXSelector, void *)
{
  scheduled = false;
  if (!db.valid() || !db.try_get() || check("the program waited for the person"))
    return 1;
  // Nothing is lost when it fails: the connection is gone, and the next
  // action that reads or writes says so.
  if (!db->end_reads())
    TOOLS_LOG(Tools::format("ending the reads failed: %s", db->get_error()));
  return 1;
}
