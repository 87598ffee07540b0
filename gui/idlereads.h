#ifndef KORVAN_GUI_IDLEREADS_H
#define KORVAN_GUI_IDLEREADS_H

// Ends what the windows only read, once the program waits for the person
// again. Every list, form and floor plan reads through the one
// connection, which runs without autocommit: a read opens a transaction
// there, and the server holds metadata locks on every table it read until
// that ends. A station idling after a room press would so keep an ALTER
// TABLE or CREATE TRIGGER waiting until its next payment. Units of work
// end themselves (commit or roll-back) within their action; what is left
// open when the event loop is idle is reads only, and a commit ends it
// without changing what anybody sees (the sessions read committed rows).
// A transaction that holds a change or a lock is never touched here.

#include "tools/core/ref.h"
#include "tools/widgets/fxcompat.h"

namespace Tools {
class Database;
}

class IdleReads : public FX::FXObject
{
  Tools::Ref<Tools::Database> db;
  bool scheduled;

  void schedule();
  void unhook();

public:
  IdleReads();
  ~IdleReads() override;
  IdleReads(const IdleReads &) = delete;
  IdleReads &operator=(const IdleReads &) = delete;

  // Watches this connection from now on (an empty handle: none).
  void watch(const Tools::Ref<Tools::Database> &database);
  // The chore: ends what the connection only read.
  long handle(FX::FXObject *, FX::FXSelector, void *) override;
};

#endif
