#include "tests/guisupport/gui_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <cstdlib>
#include <iostream>

#include "shell/mainwindow.h"
#include "tests/support/db_support.h"

using namespace FX;

namespace korvan_gui_test {

namespace {

FXApp *the_app = nullptr;
std::string the_home;
int answered = 0;

// The target of answer_modal's timeout.
class Answer : public FXObject
{
  FXDECLARE(Answer)
  Answer() {}

public:
  enum { ID_TIMEOUT = 1 };
  std::function<void(FXWindow *)> answer;
  FXuint code = 0;
  int tries = 0;

  Answer(std::function<void(FXWindow *)> a, FXuint c) : answer(std::move(a)), code(c) {}

  long onTimeout(FXObject *, FXSelector, void *)
  {
    FXWindow *modal = the_app->getModalWindow();
    if (!modal) {
      if (++tries < 250) {
        Tools::fxcompat::add_timeout_ms(the_app, this, ID_TIMEOUT, 20);
        return 1;
      }
      ADD_FAILURE() << "no modal window showed up";
      delete this;
      return 1;
    }
    ++answered;
    answer(modal);
    if (the_app->getModalWindow() == modal)
      the_app->stopModal(modal, static_cast<FXint>(code));
    delete this;
    return 1;
  }
};

FXDEFMAP(Answer) AnswerMap[] = {FXMAPFUNC(SEL_TIMEOUT, Answer::ID_TIMEOUT, Answer::onTimeout)};
FXIMPLEMENT(Answer, FXObject, AnswerMap, ARRAYNUMBER(AnswerMap))

// The target of run_steps' timeouts.
class Steps : public FXObject
{
  FXDECLARE(Steps)
  Steps() {}

public:
  enum { ID_TIMEOUT = 1, PAUSE_MS = 50 };
  std::vector<std::function<bool()> > steps;
  size_t next = 0;
  int tries_left = 0;

  Steps(std::vector<std::function<bool()> > s, int ms) : steps(std::move(s)), tries_left(ms / PAUSE_MS) {}

  long onTimeout(FXObject *, FXSelector, void *)
  {
    if (next < steps.size() && steps[next]())
      ++next;
    if (next == steps.size()) {
      delete this;
      return 1;
    }
    if (--tries_left < 0) {
      ADD_FAILURE() << "step " << next << " of " << steps.size() << " never came true";
      delete this;
      return 1;
    }
    Tools::fxcompat::add_timeout_ms(the_app, this, ID_TIMEOUT, PAUSE_MS);
    return 1;
  }
};

FXDEFMAP(Steps) StepsMap[] = {FXMAPFUNC(SEL_TIMEOUT, Steps::ID_TIMEOUT, Steps::onTimeout)};
FXIMPLEMENT(Steps, FXObject, StepsMap, ARRAYNUMBER(StepsMap))

class Environment : public ::testing::Environment
{
public:
  void SetUp() override
  {
    char dir[] = "/tmp/korvan-gui-home.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    the_home = dir;
    // Before the application reads its registry.
    setenv("HOME", the_home.c_str(), 1);
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "the GUI tests need an X display (scripts/test starts Xvfb)";

    static int argc = 1;
    static char name[] = "korvan-test";
    static char *argv[] = {name, nullptr};
    the_app = new FXApp("Korvan", "Marbeck");
    the_app->init(argc, argv);
    the_app->create();
    // Nobody answers a login at start here; tests of the login turn it on.
    MainWindow::setLoginAtStart(false);
  }

  void TearDown() override
  {
    delete the_app;
    the_app = nullptr;
    const std::string cmd = "rm -rf '" + the_home + "'";
    if (system(cmd.c_str()) != 0)
      std::cerr << "could not remove " << the_home << "\n";
  }
};

::testing::Environment *const environment = ::testing::AddGlobalTestEnvironment(new Environment);

} // namespace

FXApp *app() { return the_app; }
const std::string &home() { return the_home; }
std::string registry_path() { return Tools::fxcompat::registry_file("Marbeck", "Korvan"); }

bool run_until(const std::function<bool()> &condition, int ms)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end)
      return condition();
    if (the_app->peekEvent())
      the_app->runOneEvent(false);
    else {
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
  Tools::fxcompat::add_timeout_ms(the_app, new Answer(std::move(answer), code), Answer::ID_TIMEOUT, 20);
}

int answered_count() { return answered; }

void run_steps(std::vector<std::function<bool()> > steps, int ms)
{
  Tools::fxcompat::add_timeout_ms(the_app, new Steps(std::move(steps), ms), Steps::ID_TIMEOUT, Steps::PAUSE_MS);
}

bool xdo(const std::string &args)
{
  const std::string cmd = "xdotool " + args + " >/dev/null 2>&1";
  return system(cmd.c_str()) == 0;
}

void on_screen(FXWindow *window, int x, int y, int &sx, int &sy)
{
  window->translateCoordinatesTo(sx, sy, window->getApp()->getRootWindow(), x, y);
}

bool point_at(FXWindow *window, int x, int y)
{
  if (!window)
    return false;
  if (x < 0) {
    x = window->getWidth() / 2;
    y = window->getHeight() / 2;
  }
  int sx, sy;
  on_screen(window, x, y, sx, sy);
  return xdo("mousemove --sync " + std::to_string(sx - 1) + " " + std::to_string(sy - 1)) &&
         xdo("mousemove --sync " + std::to_string(sx) + " " + std::to_string(sy));
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

long press_key(FXObject *target, FXuint code, FXuint state)
{
  FXEvent ev;
  ev.type = SEL_KEYPRESS;
  ev.code = code;
  ev.state = state;
  ev.text = FXString::null;
  const long handled = target->handle(nullptr, FXSEL(SEL_KEYPRESS, 0), &ev);
  ev.type = SEL_KEYRELEASE;
  target->handle(nullptr, FXSEL(SEL_KEYRELEASE, 0), &ev);
  return handled;
}

std::string data_source(const std::string &database)
{
  // The data source names the database (the driver ignores the name given
  // at connect), so each database gets a data source of its own, added to
  // a private copy of the test run's odbc.ini.
  static std::string original;
  korvan_test::DbSettings s = korvan_test::settings();
  if (original.empty())
    original = s.odbcini;
  const std::string ini = the_home + "/odbc.ini";
  std::ifstream in(original);
  std::stringstream text;
  text << in.rdbuf();
  // Data source names are at most 32 characters long.
  static int made = 0;
  const std::string dsn = "korvan_test_" + std::to_string(getpid()) + "_" + std::to_string(++made);
  const std::string own = the_home + "/own.ini";
  EXPECT_TRUE(korvan_test::write_odbc_ini(own, dsn, database));
  std::ifstream in2(own);
  std::stringstream text2;
  text2 << in2.rdbuf();
  std::ofstream out(ini, std::ios::trunc);
  out << text.str() << "\n" << text2.str();
  out.close();
  setenv("ODBCINI", ini.c_str(), 1);
  return dsn;
}

void store_db_settings(const std::string &database)
{
  korvan_test::DbSettings s = korvan_test::settings();
  const std::string dsn = data_source(database);
  FXRegistry &reg = the_app->reg();
  reg.writeStringEntry("DBSETTINGS", "host", dsn.c_str());
  reg.writeStringEntry("DBSETTINGS", "username", s.user.c_str());
  reg.writeStringEntry("DBSETTINGS", "password", s.password.c_str());
  reg.writeStringEntry("DBSETTINGS", "database", database.c_str());
}

void clear_db_settings() { the_app->reg().deleteSection("DBSETTINGS"); }

MainWindow *make_main_window(const std::string &database)
{
  if (database.empty())
    clear_db_settings();
  else
    store_db_settings(database);
  MainWindow *w = new MainWindow(the_app);
  w->create();
  run_pending(20);
  return w;
}

Tools::Ref<Tools::Database> connect(const std::string &database) { return korvan_test::open_database(database); }

std::string query_value(Tools::Database &db, const std::string &sql)
{
  Tools::DBErg<Tools::DBRowList> result = db.exec(sql);
  if (!result || result.rows.rows.empty() || result.rows.rows[0].empty())
    return std::string();
  return result.rows.rows[0][0];
}

int query_int(Tools::Database &db, const std::string &sql)
{
  Tools::DBErg<Tools::DBRowList> result = db.exec(sql);
  EXPECT_FALSE(!result) << sql << "\n" << db.get_error();
  return atoi(query_value(db, sql).c_str());
}

std::string shot_dir()
{
  const char *dir = getenv("KORVAN_SHOTS");
  return dir ? dir : ".";
}

bool screenshot(const std::string &path)
{
  run_pending(100);
  const std::string cmd = "import -window root '" + path + "' 2>/dev/null";
  return system(cmd.c_str()) == 0;
}

// ---- log capture ----

LogCapture::LogCapture() : previous(Tools::debug_sink) { Tools::debug_sink = this; }
LogCapture::~LogCapture() { Tools::debug_sink = previous; }

void LogCapture::output(const char *, unsigned, const char *, const std::string &message)
{
  messages.push_back(message);
}

int LogCapture::count(const std::string &message) const
{
  int n = 0;
  for (const std::string &m : messages)
    if (m == message)
      ++n;
  return n;
}

// ---- fixture ----

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
