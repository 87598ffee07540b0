#include "tests/guisupport/gui_support.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>

#include "gui/idlereads.h"
#include "gui/messagebox.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/widgets/theme.h"

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
      // A modal window left waiting would hold the test until its time
      // limit: it ends here.
      if (FXWindow *modal = the_app->getModalWindow())
        the_app->stopModal(modal, 0);
      delete this;
    } else {
      Tools::fxcompat::add_timeout_ms(the_app, this, 0, pause);
    }
    return 1;
  }
};

// The person in front of the message boxes: answers them in the order the
// test armed its answers.
class Answerer : public MessageBox::Answerer, public ::testing::EmptyTestEventListener
{
public:
  struct Expected
  {
    Box *box;
    std::function<void(const Box &)> seen;
    FXuint code;
  };
  std::deque<Expected> expected;

  FXuint answer(MessageBox::Kind kind, const std::string &title, const std::string &text) override
  {
    // On the screen the box would wait for the person in an event loop of
    // its own, which goes idle.
    IdleReads::person_waited("a message box waited for the person");
    if (expected.empty()) {
      ADD_FAILURE() << "a message box that no test expected: \"" << title << "\": " << text;
      return kind == MessageBox::QUESTION ? MBOX_CLICKED_NO : MBOX_CLICKED_OK;
    }
    const Expected next = expected.front();
    expected.pop_front();
    Box shown;
    shown.seen = true;
    shown.title = title;
    shown.text = text + "\n";
    if (next.box)
      *next.box = shown;
    if (next.seen)
      next.seen(shown);
    return next.code;
  }

  void forget(Box *box)
  {
    for (auto it = expected.begin(); it != expected.end();)
      it = it->box == box ? expected.erase(it) : it + 1;
  }

  void OnTestEnd(const ::testing::TestInfo &) override
  {
    if (!expected.empty())
      ADD_FAILURE() << expected.size() << " message box(es) armed that never came";
    expected.clear();
  }
} answerer;

class Environment : public ::testing::Environment
{
public:
  void SetUp() override
  {
    ASSERT_NE(start_app(), nullptr) << "the GUI tests need an X display (scripts/test starts Xvfb)";
    MessageBox::set_answerer(&answerer);
    ::testing::UnitTest::GetInstance()->listeners().Append(&answerer);
    // Work that an action left open on the shared connection fails the
    // test that left it, once the loop is idle (or its windows go).
    IdleReads::set_reporter([](const std::string &words) { ADD_FAILURE() << words; });
  }

  void TearDown() override
  {
    IdleReads::set_reporter(nullptr);
    ::testing::UnitTest::GetInstance()->listeners().Release(&answerer);
    MessageBox::set_answerer(nullptr);
    end_app();
  }
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
  // The modal window open when the last step was done: that step (a click
  // on "Ok", say) is to end it. A click the window never got would leave
  // it waiting, and the test with it, for ever: the steps are over only
  // once it is gone, else the time limit ends it.
  auto ending = std::make_shared<FXWindow *>(nullptr);
  auto step = [steps, next, ending] {
    if (*next < steps.size() && steps[*next]() && ++*next == steps.size())
      *ending = the_app->getModalWindow();
    return *next == steps.size() && (!*ending || the_app->getModalWindow() != *ending);
  };
  new Poll(step, 50, ms / 50);
}

// xdotool's waits (--sync) have no bound of their own: a gesture that can
// never complete fails after a while instead of holding the test.
bool xdo(const std::string &args)
{
  return system(("timeout -k 2 20 xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
}

bool focus(FXWindow *window, bool wait)
{
  const std::string id = std::to_string(static_cast<unsigned long>(window->id()));
  return xdo(std::string("windowfocus ") + (wait ? "--sync " : "") + id);
}

bool point_at(FXWindow *window, int x, int y)
{
  if (!window)
    return false;
  int sx, sy;
  window->translateCoordinatesTo(sx, sy, the_app->getRootWindow(), x < 0 ? window->getWidth() / 2 : x,
                                 x < 0 ? window->getHeight() / 2 : y);
  // The pointer comes from the next pixel, so that the window sees it
  // move onto the spot. xdotool's --sync waits until the pointer has
  // moved, and for ever when it stands where it is sent already: only the
  // last move, which always leaves that pixel, waits.
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

void expect_box(Box &box, FXuint code)
{
  box = Box();
  answerer.expected.push_back({&box, nullptr, code});
}

void expect_box(std::function<void(const Box &)> seen, FXuint code)
{
  answerer.expected.push_back({nullptr, std::move(seen), code});
}

int boxes_armed() { return static_cast<int>(answerer.expected.size()); }

WorkKeptOpen::WorkKeptOpen()
    : harness(IdleReads::set_reporter([this](const std::string &words) { reports.push_back(words); }))
{
}

WorkKeptOpen::~WorkKeptOpen() { IdleReads::set_reporter(harness); }

long send_command(FXObject *target, FXuint id, void *data)
{
  return target->handle(nullptr, FXSEL(SEL_COMMAND, id), data);
}

void answer_box(Box &box, FXObject *target, FXuint id, FXuint code)
{
  expect_box(box, code);
  send_command(target, id);
  EXPECT_TRUE(box.seen) << "no box came";
  // Not left armed for a box that comes later.
  answerer.forget(&box);
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

void type_keys(FXObject *target, const std::string &text)
{
  for (std::size_t i = 0, n; i < text.size(); i += n) {
    n = Tools::utf8_bytes(text.substr(i), 1);
    press_key(target, static_cast<unsigned char>(text[i]), 0, text.substr(i, n));
  }
}

long Recorder::handle(FXObject *, FXSelector sel, void *data)
{
  messages.push_back({FXSELTYPE(sel), FXSELID(sel), data});
  return reply ? reply(messages.back()) : 1;
}

std::string data_source(const std::string &database, const std::string &charset)
{
  // The data source names the database (the driver ignores the name given
  // at connect), so each database gets a data source of its own, added to
  // a private copy of the test run's odbc.ini.
  // Data source names are at most 32 characters long.
  static int made = 0;
  const std::string dsn = "korvan_test_" + std::to_string(getpid()) + "_" + std::to_string(++made);
  EXPECT_TRUE(korvan_test::add_data_source(the_home, dsn, database, charset));
  return dsn;
}

int query_int(Tools::Database &db, const std::string &sql) { return atoi(query_value(db, sql).c_str()); }

std::string shot_dir()
{
  // Screenshots belong to the build, never to the sources: without
  // KORVAN_SHOTS they go to the build's folder for them, whatever folder
  // the test runs in.
  const char *dir = getenv("KORVAN_SHOTS");
  const std::string chosen = dir && *dir ? dir : KORVAN_TEST_SHOTS;
  std::error_code ignored;
  std::filesystem::create_directories(chosen, ignored);
  return chosen;
}

bool screenshot(const std::string &path)
{
  run_pending(100);
  return system(("import -window root '" + path + "' 2>/dev/null").c_str()) == 0;
}

TestContext::TestContext(FXApp *app)
    : FXMainWindow(app, "Korvan", nullptr, nullptr, DECOR_TITLE | DECOR_CLOSE, 0, 0, 400, 200), icons(app)
{
}

TestContext::~TestContext() = default;

void TestContext::create()
{
  Tools::apply_theme(getApp());
  icons.create();
  FXMainWindow::create();
  show(PLACEMENT_SCREEN);
}

void TestContext::setDatabase(const Tools::Ref<Tools::Database> &db)
{
  database = db;
  attach_database(database);
}

TestContext *make_context(const std::string &database)
{
  TestContext *context = new TestContext(the_app);
  context->create();
  if (!database.empty())
    context->setDatabase(connect(database));
  run_pending(20);
  return context;
}

template <> void WindowFixture<TestContext>::SetUp()
{
  FreshDatabase::SetUp();
  ASSERT_FALSE(HasFatalFailure());
  main = make_context(database);
  ASSERT_TRUE(main->getDatabase()->is_connected()) << main->getDatabase()->get_error();
}

} // namespace korvan_gui_test
