#include "tests/support/station_test.h"

namespace korvan_test {

USER StationTest::login(const std::string &name, bool stored)
{
  Tools::Ref<USER> user(new USER);
  user->login = name;
  if (stored)
    user->idx = store(*db, *user);
  main->setUser(user);
  return *user;
}

std::unique_ptr<MainWindow> StationTest::second_station()
{
  std::unique_ptr<MainWindow> second(korvan_gui_test::make_main_window(database));
  second->setUser(main->getUser());
  return second;
}

void StationTest::shot(FX::FXWindow *window, const std::string &name)
{
  window->raise();
  window->layout();
  korvan_gui_test::run_pending(100);
  window->repaint();
  korvan_gui_test::app()->flush(TRUE);
  EXPECT_TRUE(korvan_gui_test::screenshot(korvan_gui_test::shot_dir() + "/" + name + ".png"));
}

FX::FXButton *button(FX::FXWindow *window, const std::string &text, FX::FXuint selector)
{
  for (FX::FXButton *b : find_all<FX::FXButton>(window))
    if ((text.empty() || text == b->getText().text()) && (!selector || b->getSelector() == selector))
      return b;
  ADD_FAILURE() << "no button " << text << " " << selector;
  return nullptr;
}

} // namespace korvan_test
