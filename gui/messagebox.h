#ifndef KORVAN_GUI_MESSAGEBOX_H
#define KORVAN_GUI_MESSAGEBOX_H

// Every message box of the program is shown here: errors, information and
// the yes/no questions. One place, so that a test can stand in for the
// person in front of the box: it installs an Answerer, which gets each box
// instead of the screen and gives the button pressed. A box that nobody
// expected then fails the test at once instead of waiting for a click
// that never comes.

#include <string>

#include "tools/widgets/fxcompat.h"

class MessageBox
{
public:
  enum Kind { ERROR, INFORMATION, QUESTION };

  // Stands in for the person: gets the box's kind, title and text and
  // returns the button pressed (MBOX_CLICKED_...).
  class Answerer
  {
  public:
    virtual ~Answerer() = default;
    virtual FX::FXuint answer(Kind kind, const std::string &title, const std::string &text) = 0;
  };
  // Installs the answerer (none: boxes on the screen again); gives the one
  // installed before.
  static Answerer *set_answerer(Answerer *answerer);

  // The box with one OK button, owned by `owner`; the text is shown as it
  // is (a percent sign in it is no format).
  static FX::FXuint error(FX::FXWindow *owner, const std::string &title, const std::string &text);
  static FX::FXuint information(FX::FXWindow *owner, const std::string &title, const std::string &text);
  // Yes and No. Escape and the close box give neither.
  static FX::FXuint question(FX::FXWindow *owner, const std::string &title, const std::string &text);
  // Whether the question was answered "Ja".
  static bool yes(FX::FXWindow *owner, const std::string &title, const std::string &text)
  {
    return question(owner, title, text) == FX::MBOX_CLICKED_YES;
  }
};

#endif
