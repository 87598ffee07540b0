#ifndef KORVAN_TOOLS_WIDGETS_FXCOMPAT_H
#define KORVAN_TOOLS_WIDGETS_FXCOMPAT_H

// Every difference between the FOX series we build on (Debian's 1.6) and
// the 1.7 series the program was first written for is kept here. Include
// this header instead of <fx.h>.

#include <fx.h>
#include <fxkeys.h> // not pulled in by fx.h: KEY_F11, KEY_Escape ...

#include <string>

namespace Tools {
namespace fxcompat {

// 1.6: FXbool is unsigned char (1.7: bool). Overriding virtuals must use
// the toolkit's own type; this alias documents the places that care.
typedef FX::FXbool Bool;

// The toolkit's base ids that the program's own numbered messages follow.
// Our ids (63 and up) must not collide with any of them.
constexpr unsigned MAINWINDOW_ID_LAST = FX::FXMainWindow::ID_LAST; // 60 on 1.6
constexpr unsigned DIALOGBOX_ID_LAST = FX::FXDialogBox::ID_LAST;   // 62 on 1.6
constexpr unsigned TABLE_ID_LAST = FX::FXTable::ID_LAST;           // 87 on 1.6
constexpr unsigned PACKER_ID_LAST = FX::FXPacker::ID_LAST;         // 54 on 1.6

// The combo box's list sends under this id (54 on 1.6, a different number
// on 1.7): always refer to it by name.
constexpr unsigned COMBOBOX_ID_LIST = FX::FXComboBox::ID_LIST;

// addTimeout counts milliseconds on 1.6 (nanoseconds on 1.7).
inline void add_timeout_ms(FX::FXApp *app, FX::FXObject *target, FX::FXSelector sel, unsigned ms,
                           void *data = nullptr)
{
  app->addTimeout(target, sel, ms, data);
}

// 1.6: addChore gives nothing back and removeChore needs the selector.
inline void add_chore(FX::FXApp *app, FX::FXObject *target, FX::FXSelector sel, void *data = nullptr)
{
  app->addChore(target, sel, data);
}

// execute() returns FXuint on 1.6: a dialog's -1 only shows after a cast.
inline int run_modal(FX::FXDialogBox *dialog, FX::FXuint placement = FX::PLACEMENT_CURSOR)
{
  return static_cast<int>(dialog->execute(placement));
}

// Where the toolkit keeps a vendor's application settings: on 1.6
// "$HOME/.foxrc/<vendor>/<app>" (1.7: "$HOME/.config/<vendor>/<app>.rc").
std::string registry_file(const std::string &vendor, const std::string &app);

// A toolkit string as ours, every byte of it: its text() alone stops at a
// NUL, which would cut what the user typed or pasted without a word.
inline std::string whole(const FX::FXString &text)
{
  return std::string(text.text(), static_cast<std::string::size_type>(text.length()));
}

} // namespace fxcompat
} // namespace Tools

#endif
