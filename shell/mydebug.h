#ifndef KORVAN_SHELL_MYDEBUG_H
#define KORVAN_SHELL_MYDEBUG_H

// The application's log sink: every line goes to standard output at once
// and is kept until a debug window shows it.

#include <list>
#include <string>

#include "tools/core/debug.h"

class DebugWin;

class MyDebug : public Tools::Debug
{
  DebugWin *window;
  std::list<std::string> messages;

public:
  MyDebug();
  ~MyDebug() override;

  // "%s:%d:%s: %s" (file, line, function, message).
  void output(const char *file, unsigned line, const char *function, const std::string &message) override;

  // The window that shows the lines from now on (null detaches it).
  void setWindow(DebugWin *w) { window = w; }
  DebugWin *getWindow() const { return window; }
  std::list<std::string> &getMessages() { return messages; }
  void clear() { messages.clear(); }
};

#endif
