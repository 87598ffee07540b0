#include "gui/idlereads.h"

#include "tools/core/debug.h"
#include "tools/core/format.h"
#include "tools/dbi/database.h"

using namespace FX;

IdleReads::IdleReads() : scheduled(false) {}

IdleReads::~IdleReads()
{
  unhook();
  if (scheduled && FXApp::instance())
    FXApp::instance()->removeChore(this, FXSEL(SEL_CHORE, 0));
}

void IdleReads::unhook()
{
  if (db.valid() && db.try_get())
    db->on_reads_opened(nullptr);
  db = Tools::Ref<Tools::Database>();
}

void IdleReads::watch(const Tools::Ref<Tools::Database> &database)
{
  unhook();
  db = database;
  if (!db.valid() || !db.try_get())
    return;
  db->on_reads_opened([this] { schedule(); });
  // Reads sent before it was watched (the texts of a new connection).
  if (db->holding() == Tools::Database::Holding::READS)
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

long IdleReads::handle(FXObject *, FXSelector, void *)
{
  scheduled = false;
  // Nothing is lost when it fails: the connection is gone, and the next
  // action that reads or writes says so.
  if (db.valid() && db.try_get() && !db->end_reads())
    TOOLS_LOG(Tools::format("ending the reads failed: %s", db->get_error()));
  return 1;
}
