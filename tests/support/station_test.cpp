#include "tests/support/station_test.h"

#include "gui/messagebox.h"

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

void StationTest::show_next_box(korvan_gui_test::Box &box, const std::string &name)
{
  MessageBox::Answerer *harness = MessageBox::set_answerer(nullptr);
  korvan_gui_test::answer_modal(
      [&box, name, harness](FX::FXWindow *shown) {
        korvan_gui_test::run_pending(200);
        EXPECT_TRUE(korvan_gui_test::screenshot(korvan_gui_test::shot_dir() + "/" + name + ".png"));
        box.seen = true;
        if (FX::FXTopWindow *top = dynamic_cast<FX::FXTopWindow *>(shown))
          box.title = top->getTitle().text();
        for (FX::FXLabel *label : find_all<FX::FXLabel>(shown))
          if (!dynamic_cast<FX::FXButton *>(label) && !label->getText().empty())
            box.text += Tools::fxcompat::whole(label->getText()) + "\n";
        MessageBox::set_answerer(harness);
      },
      FX::MBOX_CLICKED_OK);
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
