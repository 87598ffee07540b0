#include "gui/iconmanager.h"

#include "gui/icons/icons.h"
#include "tools/core/string_utils.h"

using namespace FX;

namespace {
// The grey the pictures are drawn on; also marked transparent in each GIF.
const FXColor TRANSPARENT = FXRGB(192, 192, 192);

struct Picture
{
  const char *name;
  const unsigned char *data;
};
} // namespace

IconManager::IconManager(FXApp *app) : app(app), fallback(nullptr)
{
  const Picture pictures[] = {
      {"ok", Icons::ok_gif},         {"cancel", Icons::cancel_gif}, {"test", Icons::test_gif},
      {"new", Icons::new_gif},       {"delete", Icons::delete_gif}, {"save", Icons::save_gif},
      {"read", Icons::read_gif},     {"export", Icons::save_gif},   {"close", Icons::close_gif},
      {"exit", Icons::exit_gif},
  };
  for (const Picture &p : pictures)
    icons.push_back(Tools::Ref<Icon>(new Icon(p.name, new FXGIFIcon(app, p.data, TRANSPARENT, 0, 1, 1))));
  fallback = new FXGIFIcon(app, nullptr, TRANSPARENT, 0, 1, 1);
}

IconManager::IconManager() : app(nullptr), fallback(nullptr) {}

IconManager::~IconManager()
{
  delete fallback;
  icons.clear();
}

void IconManager::create()
{
  if (fallback)
    fallback->create();
  for (const Tools::Ref<Icon> &i : icons)
    if (i->icon)
      i->icon->create();
}

FXIcon *IconManager::get_icon(const std::string &name) const
{
  for (const Tools::Ref<Icon> &i : icons)
    if (Tools::icase_equal(i->name, name))
      return i->icon;
  return fallback;
}
