#include "tests/guisupport/gui_support.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "shell/mainwindow.h"
#include "tests/support/db_support.h"
#include "tools/core/format.h"

using namespace FX;

namespace korvan_gui_test {

namespace {

FXApp *the_app = nullptr;
std::string the_home;

// Calls `step` every `pause` ms until it gives true, failing after `tries`.
class Poll : public FXObject
{
  std::function<bool()> step;
  int pause, tries;

public:
  Poll(std::function<bool()> s, int p, int t) : step(std::move(s)), pause(p), tries(t)
  {
    Tools::fxcompat::add_timeout_ms(the_app, this, 0, pause);
  }

  long handle(FXObject *, FXSelector, void *) override
  {
    if (step()) {
      delete this;
    } else if (--tries < 0) {
      ADD_FAILURE() << "a modal window or a step that never came";
      delete this;
    } else {
      Tools::fxcompat::add_timeout_ms(the_app, this, 0, pause);
    }
    return 1;
  }
};

class Environment : public ::testing::Environment
{
public:
  void SetUp() override
  {
    ASSERT_NE(start_app(), nullptr) << "the GUI tests need an X display (scripts/test starts Xvfb)";
  }

  void TearDown() override { end_app(); }
};

::testing::Environment *const environment = ::testing::AddGlobalTestEnvironment(new Environment);

} // namespace

FXApp *start_app()
{
  char dir[] = "/tmp/korvan-gui-home.XXXXXX";
  if (!getenv("DISPLAY") || !mkdtemp(dir))
    return nullptr;
  the_home = dir;
  // Before the application reads its registry.
  setenv("HOME", the_home.c_str(), 1);

  static int argc = 1;
  static char name[] = "korvan-test";
  static char *argv[] = {name, nullptr};
  the_app = new FXApp("Korvan", "Marbeck");
  the_app->init(argc, argv);
  the_app->create();
  // Nobody answers a login at start here; tests of the login turn it on.
  MainWindow::setLoginAtStart(false);
  return the_app;
}

void end_app()
{
  delete the_app;
  the_app = nullptr;
  std::filesystem::remove_all(the_home);
}

FXApp *app() { return the_app; }
std::string registry_path() { return Tools::fxcompat::registry_file("Marbeck", "Korvan"); }

bool run_until(const std::function<bool()> &condition, int ms)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end)
      return condition();
    if (the_app->peekEvent()) {
      the_app->runOneEvent(false);
    } else {
      the_app->runWhileEvents();
      the_app->forceRefresh();
      usleep(2000);
    }
  }
  return true;
}

void run_pending(int ms)
{
  run_until([] { return false; }, ms);
}

void answer_modal(std::function<void(FXWindow *)> answer, FXuint code)
{
  auto step = [answer, code] {
    FXWindow *modal = the_app->getModalWindow();
    if (!modal)
      return false;
    answer(modal);
    if (the_app->getModalWindow() == modal)
      the_app->stopModal(modal, static_cast<FXint>(code));
    return true;
  };
  new Poll(step, 20, 250);
}

void run_steps(std::vector<std::function<bool()> > steps, int ms)
{
  auto next = std::make_shared<size_t>(0);
  auto step = [steps, next] {
    if (*next < steps.size() && steps[*next]())
      ++*next;
    return *next == steps.size();
  };
  new Poll(step, 50, ms / 50);
}

bool xdo(const std::string &args) { return system(("xdotool " + args + " >/dev/null 2>&1").c_str()) == 0; }

bool point_at(FXWindow *window, int x, int y)
{
  if (!window)
    return false;
  int sx, sy;
  window->translateCoordinatesTo(sx, sy, the_app->getRootWindow(), x < 0 ? window->getWidth() / 2 : x,
                                 x < 0 ? window->getHeight() / 2 : y);
  return xdo(Tools::format("mousemove --sync %d %d mousemove --sync %d %d", sx - 1, sy - 1, sx, sy));
}

bool click(FXWindow *window, int button, int x, int y)
{
  return point_at(window, x, y) && xdo("click " + std::to_string(button));
}

FXMenuPane *modal_menu() { return dynamic_cast<FXMenuPane *>(the_app->getModalWindow()); }

FXWindow *menu_entry(FXWindow *pane, const std::string &text)
{
  for (FXWindow *w = pane ? pane->getFirst() : nullptr; w; w = w->getNext())
    if (FXMenuCaption *entry = dynamic_cast<FXMenuCaption *>(w))
      if (text == entry->getText().text())
        return entry;
  return nullptr;
}

std::string label_texts(FXWindow *window)
{
  std::string out;
  for (FXWindow *w = window->getFirst(); w; w = w->getNext()) {
    if (FXLabel *label = dynamic_cast<FXLabel *>(w))
      if (!dynamic_cast<FXButton *>(w) && !label->getText().empty())
        out += std::string(label->getText().text()) + "\n";
    out += label_texts(w);
  }
  return out;
}

void expect_box(Box &box, FXuint code)
{
  box = Box();
  answer_modal(
      [&box](FXWindow *w) {
        box.seen = true;
        if (FXTopWindow *top = dynamic_cast<FXTopWindow *>(w))
          box.title = top->getTitle().text();
        box.text = label_texts(w);
      },
      code);
}

long send_command(FXObject *target, FXuint id, void *data)
{
  return target->handle(nullptr, FXSEL(SEL_COMMAND, id), data);
}

void answer_box(Box &box, FXObject *target, FXuint id, FXuint code)
{
  expect_box(box, code);
  send_command(target, id);
  EXPECT_TRUE(box.seen);
}

long press_key(FXObject *target, FXuint code, FXuint state, const std::string &text)
{
  FXEvent ev = FXEvent();
  ev.type = SEL_KEYPRESS;
  ev.code = code;
  ev.state = state;
  ev.text = text.c_str();
  const long handled = target->handle(nullptr, FXSEL(SEL_KEYPRESS, 0), &ev);
  ev.type = SEL_KEYRELEASE;
  target->handle(nullptr, FXSEL(SEL_KEYRELEASE, 0), &ev);
  return handled;
}

long Recorder::handle(FXObject *, FXSelector sel, void *data)
{
  messages.push_back({FXSELTYPE(sel), FXSELID(sel), data});
  return reply ? reply(messages.back()) : 1;
}

std::string data_source(const std::string &database)
{
  // The data source names the database (the driver ignores the name given
  // at connect), so each database gets a data source of its own, added to
  // a private copy of the test run's odbc.ini.
  static const std::string original = korvan_test::settings().odbcini;
  // Data source names are at most 32 characters long.
  static int made = 0;
  const std::string dsn = "korvan_test_" + std::to_string(getpid()) + "_" + std::to_string(++made);
  const std::string own = the_home + "/own.ini", ini = the_home + "/odbc.ini";
  EXPECT_TRUE(korvan_test::write_odbc_ini(own, dsn, database));
  std::ofstream(ini, std::ios::trunc) << std::ifstream(original).rdbuf() << "\n" << std::ifstream(own).rdbuf();
  setenv("ODBCINI", ini.c_str(), 1);
  return dsn;
}

MainWindow *make_main_window(const std::string &database)
{
  FXRegistry &reg = the_app->reg();
  reg.deleteSection("DBSETTINGS");
  if (!database.empty()) {
    korvan_test::DbSettings s = korvan_test::settings();
    reg.writeStringEntry("DBSETTINGS", "host", data_source(database).c_str());
    reg.writeStringEntry("DBSETTINGS", "username", s.user.c_str());
    reg.writeStringEntry("DBSETTINGS", "password", s.password.c_str());
    reg.writeStringEntry("DBSETTINGS", "database", database.c_str());
  }
  MainWindow *w = new MainWindow(the_app);
  w->create();
  run_pending(20);
  return w;
}

Tools::Ref<Tools::Database> connect(const std::string &database) { return korvan_test::open_database(database); }

int query_int(Tools::Database &db, const std::string &sql) { return atoi(query_value(db, sql).c_str()); }

std::string shot_dir()
{
  const char *dir = getenv("KORVAN_SHOTS");
  return dir ? dir : ".";
}

bool screenshot(const std::string &path)
{
  run_pending(100);
  return system(("import -window root '" + path + "' 2>/dev/null").c_str()) == 0;
}

void MainWindowFixture::SetUp()
{
  database = korvan_test::test_database_name("korvan_t");
  ASSERT_TRUE(korvan_test::fresh_database(database));
  db = connect(database);
  ASSERT_TRUE(db->is_connected()) << db->get_error();
  main = make_main_window(database);
  ASSERT_TRUE(main->getDatabase()->is_connected()) << main->getDatabase()->get_error();
}

void MainWindowFixture::destroy_main()
{
  delete main;
  main = nullptr;
}

void MainWindowFixture::TearDown()
{
  destroy_main();
  if (db.valid() && db->is_connected())
    db->exec("DROP DATABASE IF EXISTS `" + database + "`");
  db = Tools::Ref<Tools::Database>();
}

} // namespace korvan_gui_test
