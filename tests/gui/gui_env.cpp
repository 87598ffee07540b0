#include "tests/gui/gui_env.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "tests/support/db_support.h"
#include "tools/core/format.h"

using namespace FX;

namespace gui_test {

namespace {

FXMainWindow *the_owner = nullptr;
MainWindow *the_main = nullptr;
std::string the_database;

class Environment : public ::testing::Environment
{

public:
  void SetUp() override
  {
    the_database = Tools::format("korvan_t_gui_%d", static_cast<int>(getpid()));
    ASSERT_TRUE(korvan_test::fresh_database(the_database));
    the_owner = new FXMainWindow(app(), "Korvan tests", nullptr, nullptr, DECOR_ALL, 0, 0, 600, 400);
    the_owner->create();
    the_owner->show(PLACEMENT_SCREEN);
    // The main window is never created, so neither its settings nor its
    // login take part.
    the_main = new MainWindow(app());
    the_main->setDatabase(connect());
    ASSERT_TRUE(the_main->getDatabase()->is_connected());
  }

  void TearDown() override
  {
    delete the_main;
    the_main = nullptr;
    delete the_owner;
    the_owner = nullptr;
    Tools::Ref<Tools::Database> db = korvan_test::open_database();
    if (db->is_connected())
      db->exec("DROP DATABASE IF EXISTS `" + the_database + "`");
  }
};

} // namespace

// Registered from main, after the harness's own environment (registered
// while the program starts), so it is set up after the application exists
// and torn down before it goes.
void add_environment() { ::testing::AddGlobalTestEnvironment(new Environment); }

FXMainWindow *owner() { return the_owner; }
MainWindow *main_window() { return the_main; }

Tools::Ref<Tools::Database> connect() { return korvan_test::open_database(the_database); }

void run_sql(Tools::Database &db, const std::vector<std::string> &statements)
{
  for (const std::string &sql : statements) {
    Tools::DBErg<Tools::DBRowList> result = db.exec(sql);
    ASSERT_FALSE(!result) << sql << "\n" << db.get_error();
  }
}

// ---- recording driver ----

Tools::Ref<Tools::Database> connect_recording(RecordingDB *&recorder)
{
  return korvan_test::connect_recording(the_database, recorder);
}

// ---- windows and events ----

long type_key(FXObject *target, FXuint code, const std::string &text)
{
  FXEvent event = FXEvent();
  event.type = SEL_KEYPRESS;
  event.code = code;
  event.text = text.c_str();
  long handled = target->handle(target, FXSEL(SEL_KEYPRESS, 0), &event);
  event.type = SEL_KEYRELEASE;
  target->handle(target, FXSEL(SEL_KEYRELEASE, 0), &event);
  return handled;
}

// ---- recorder ----

FXDEFMAP(Recorder) RecorderMap[] = {FXMAPTYPES(SEL_NONE, SEL_LAST, Recorder::onAny)};
FXIMPLEMENT(Recorder, FXObject, RecorderMap, ARRAYNUMBER(RecorderMap))

long Recorder::onAny(FXObject *sender, FXSelector sel, void *ptr)
{
  Message m{sender, FXSELTYPE(sel), FXSELID(sel), ptr, std::string()};
  if (keep_text && ptr)
    m.text = static_cast<const char *>(ptr);
  messages.push_back(m);
  return reply ? reply(m) : 1;
}

} // namespace gui_test
