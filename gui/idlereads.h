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
//
// A transaction that holds a change or a lock is never touched here: it
// is a unit of work that a return path forgot to end (or one that shows a
// box before it ends), which keeps its row locks until some later action
// commits or rolls back whatever is open then. It is logged once, with
// the statement that opened it, and told to the reporter (the tests'
// harness fails the test that left it). No window keeps work open across
// actions on purpose, so none is exempt: the master-data forms, the
// layout editor and the sheets keep what the person changes in memory
// until their save, which is one unit of work.

#include <functional>
#include <string>

#include "tools/core/ref.h"
#include "tools/widgets/fxcompat.h"

namespace Tools {
class Database;
}

class IdleReads : public FX::FXObject
{
public:
  // Gets the words of the log line for work left open.
  typedef std::function<void(const std::string &)> Reporter;

private:
  Tools::Ref<Tools::Database> db;
  bool scheduled;
  // The statement that made the transaction hold work, and whether that
  // work was reported (once).
  std::string work_opened_by;
  bool reported;

  void schedule();
  void unhook();
  // Whether the connection holds work; reports it the first time (`when`
  // says when it was found).
  bool check(const char *when);

public:
  IdleReads();
  ~IdleReads() override;
  IdleReads(const IdleReads &) = delete;
  IdleReads &operator=(const IdleReads &) = delete;

  // Watches this connection from now on (an empty handle: none).
  void watch(const Tools::Ref<Tools::Database> &database);
  // The chore: ends what the connection only read, and reports work left
  // open.
  long handle(FX::FXObject *, FX::FXSelector, void *) override;

  // Installs the reporter of work left open (none: only the log); gives
  // the one installed before.
  static Reporter set_reporter(Reporter reporter);
  // The person was asked something (`what`, a message box, say) and
  // answered at once, without the event loop that would have gone idle
  // meanwhile (a test's stand-in for the person): every watcher looks at
  // its connection as its chore would have.
  static void person_waited(const char *what);
};

#endif
