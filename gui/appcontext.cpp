#include "gui/appcontext.h"

#include <set>

namespace {
// Every context between its construction and its destruction.
std::set<const AppContext *> &live_contexts()
{
  static std::set<const AppContext *> contexts;
  return contexts;
}
} // namespace

AppContext::AppContext() { live_contexts().insert(this); }

AppContext::~AppContext() { live_contexts().erase(this); }

bool AppContext::isAlive(const AppContext *context) { return context && live_contexts().count(context) != 0; }
