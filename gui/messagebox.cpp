#include "gui/messagebox.h"

using namespace FX;

namespace {
MessageBox::Answerer *the_answerer = nullptr;
}

MessageBox::Answerer *MessageBox::set_answerer(Answerer *answerer)
{
  Answerer *before = the_answerer;
  the_answerer = answerer;
  return before;
}

FXuint MessageBox::error(FXWindow *owner, const std::string &title, const std::string &text)
{
  if (the_answerer)
    return the_answerer->answer(ERROR, title, text);
  return FXMessageBox::error(owner, MBOX_OK, title.c_str(), "%s", text.c_str());
}

FXuint MessageBox::information(FXWindow *owner, const std::string &title, const std::string &text)
{
  if (the_answerer)
    return the_answerer->answer(INFORMATION, title, text);
  return FXMessageBox::information(owner, MBOX_OK, title.c_str(), "%s", text.c_str());
}

FXuint MessageBox::question(FXWindow *owner, const std::string &title, const std::string &text)
{
  if (the_answerer)
    return the_answerer->answer(QUESTION, title, text);
  return FXMessageBox::question(owner, MBOX_YES_NO, title.c_str(), "%s", text.c_str());
}
