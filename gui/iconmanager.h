#ifndef KORVAN_GUI_ICONMANAGER_H
#define KORVAN_GUI_ICONMANAGER_H

// The program's named button pictures. The main window owns one set for
// the whole run; buttons borrow the pictures and must not outlive it.

#include <string>
#include <vector>

#include "tools/core/ref.h"
#include "tools/widgets/fxcompat.h"

class IconManager
{
public:
  struct Icon
  {
    std::string name;
    FX::FXIcon *icon; // owned

    Icon(const std::string &name, FX::FXIcon *icon) : name(name), icon(icon) {}
    ~Icon() { delete icon; }
    Icon(const Icon &) = delete;
    Icon &operator=(const Icon &) = delete;
  };

private:
  FX::FXApp *app;
  FX::FXIcon *fallback; // an empty picture, owned
  std::vector<Tools::Ref<Icon> > icons;

public:
  // Loads the ten pictures ("ok", "cancel", "test", "new", "delete",
  // "save", "read", "export", "close", "exit"); makes no server resources.
  explicit IconManager(FX::FXApp *app);
  IconManager();
  ~IconManager();
  IconManager(const IconManager &) = delete;
  IconManager &operator=(const IconManager &) = delete;

  // Makes the server-side resources; call once the application is created
  // and before any window that shows a picture.
  void create();

  // The first picture of that name, ignoring case; else the empty fallback.
  FX::FXIcon *get_icon(const std::string &name) const;

  FX::FXIcon *get_fallback() const { return fallback; }
};

#endif
