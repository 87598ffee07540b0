#include "shell/mydebug.h"

#include <iostream>

#include "shell/debugwin.h"
#include "tools/core/format.h"

MyDebug::MyDebug() : window(nullptr) {}

MyDebug::~MyDebug() {}

void MyDebug::output(const char *file, unsigned line, const char *function, const std::string &message)
{
  std::string text = Tools::format("%s:%d:%s: %s", file, line, function, message);
  messages.push_back(text);
  text += '\n';
  std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
  std::cout.flush();
  if (window)
    window->flush();
}
