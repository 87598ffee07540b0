#include "tests/masterdata/md_support.h"

#include "tools/dbi/query.h"

namespace md_test {

const char *const LOGIN = "chefin";

void MasterDataTest::SetUp()
{
  korvan_gui_test::MainWindowFixture::SetUp();
  if (HasFatalFailure())
    return;
  Tools::Ref<USER> user(new USER);
  user->login = LOGIN;
  main->setUser(user);
}

int MasterDataTest::store(Tools::DBBindType &row)
{
  EXPECT_TRUE(Tools::insert_object(*db, row)) << db->get_error();
  int idx = db->get_insert_id();
  EXPECT_TRUE(db->commit());
  return idx;
}

void MasterDataTest::shot(FX::FXWindow *window, const std::string &name)
{
  window->raise();
  window->layout();
  window->update();
  korvan_gui_test::run_pending(100);
  window->repaint();
  korvan_gui_test::app()->flush(TRUE);
  korvan_gui_test::run_pending(200);
  EXPECT_TRUE(korvan_gui_test::screenshot(korvan_gui_test::shot_dir() + "/" + name + ".png"));
}

int store_group(Tools::Database &db, const std::string &name, double rate, bool valid)
{
  GRP_UST row;
  row.name = name;
  row.bezeichnung = "Steuer " + name;
  row.ust = rate;
  row.gueltig = valid ? JANEIN::JA : JANEIN::NEIN;
  EXPECT_TRUE(Tools::insert_object(db, row)) << db.get_error();
  int idx = db.get_insert_id();
  EXPECT_TRUE(db.commit());
  return idx;
}

} // namespace md_test
