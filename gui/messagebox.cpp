#include "gui/messagebox.h"

using namespace FX;

namespace {
MessageBox::Answerer *the_answerer = nullptr;

// A box that comes up while a button press is being handled (a field left
// by a click into the next one, whose check says something) runs its own
// event loop, which takes the button's release: the widget pressed has the
// pointer grabbed when the box is gone and waits for a release that never
// comes, and the next click anywhere goes to it (the text typed after a
// click into another field lands there). Once the press is handled, that
// widget gets its release. A field clicked into gets it where the pointer
// is, once no button is down any more: the caret stands where it was
// aimed. A button does nothing, whether the pointer's button is still held
// or not: the box interrupted its press ("Löschen" pressed while a field
// it left says something must not delete after the box), and the person
// presses it again if they still want it. A button acts on a release while
// the pointer is over it, so the pointer leaves it first.
class StaleGrab : public FXObject
{
  static FXWindow *grabbed(FXWindow *window)
  {
    for (FXWindow *child = window->getFirst(); child; child = child->getNext()) {
      if (child->grabbed())
        return child;
      if (FXWindow *inside = grabbed(child))
        return inside;
    }
    return nullptr;
  }

  // Widgets that act on the release of a press over them: the push,
  // toggle, check, radio and arrow buttons.
  static bool acts_on_release(const FXWindow *window)
  {
    return window->isMemberOf(FXMETACLASS(FXButton)) || window->isMemberOf(FXMETACLASS(FXToggleButton)) ||
           window->isMemberOf(FXMETACLASS(FXCheckButton)) || window->isMemberOf(FXMETACLASS(FXRadioButton)) ||
           window->isMemberOf(FXMETACLASS(FXArrowButton));
  }

public:
  long handle(FXObject *, FXSelector, void *) override
  {
    FXApp *app = FXApp::instance();
    FXWindow *window = app ? grabbed(app->getRootWindow()) : nullptr;
    if (!window)
      return 1;
    FXint x = 0, y = 0;
    FXuint buttons = 0;
    window->getCursorPosition(x, y, buttons);
    const bool button = acts_on_release(window);
    // A field's button still held: its release comes to the field itself.
    if (!button && (buttons & (LEFTBUTTONMASK | MIDDLEBUTTONMASK | RIGHTBUTTONMASK)))
      return 1;
    FXEvent event = FXEvent();
    if (button) {
      // The pointer leaves the button: it shows itself up again, and the
      // release off it ends the press without acting, also while the
      // person still holds the pointer's button (let go over it later, it
      // finds no press).
      x = y = -1;
      event.type = SEL_LEAVE;
      event.code = CROSSINGNORMAL;
      event.win_x = x;
      event.win_y = y;
      window->handle(window, FXSEL(SEL_LEAVE, 0), &event);
      event.code = 0;
    }
    event.type = SEL_LEFTBUTTONRELEASE;
    event.code = LEFTBUTTON;
    event.win_x = x;
    event.win_y = y;
    event.click_count = 1;
    window->handle(window, FXSEL(SEL_LEFTBUTTONRELEASE, 0), &event);
    if (window->grabbed())
      window->ungrab();
    return 1;
  }

  void schedule()
  {
    FXApp *app = FXApp::instance();
    if (app && !app->hasChore(this, FXSEL(SEL_CHORE, 0)))
      Tools::fxcompat::add_chore(app, this, FXSEL(SEL_CHORE, 0));
  }
};

StaleGrab stale_grab;

// Shows the box and then sees to a press it interrupted.
template <class Show> FXuint shown(Show show)
{
  const FXuint answer = show();
  stale_grab.schedule();
  return answer;
}
} // namespace

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
  return shown([&] { return FXMessageBox::error(owner, MBOX_OK, title.c_str(), "%s", text.c_str()); });
}

FXuint MessageBox::information(FXWindow *owner, const std::string &title, const std::string &text)
{
  if (the_answerer)
    return the_answerer->answer(INFORMATION, title, text);
  return shown([&] { return FXMessageBox::information(owner, MBOX_OK, title.c_str(), "%s", text.c_str()); });
}

FXuint MessageBox::question(FXWindow *owner, const std::string &title, const std::string &text)
{
  if (the_answerer)
    return the_answerer->answer(QUESTION, title, text);
  return shown([&] { return FXMessageBox::question(owner, MBOX_YES_NO, title.c_str(), "%s", text.c_str()); });
}
