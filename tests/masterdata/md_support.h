#ifndef KORVAN_TESTS_MASTERDATA_MD_SUPPORT_H
#define KORVAN_TESTS_MASTERDATA_MD_SUPPORT_H

// What the master-data tests share: a main window with a logged-in user
// (whose login the history stamps carry), the window a menu entry shows,
// commands answered at the box they must show, and rows stored from the
// test's own connection.

#include <cstring>
#include <string>
#include <vector>

#include "tools/dbi/query.h"
#include "schema/tables.h"
#include "masterdata/basedialog.h"
#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"
#include "tests/shell/access_support.h"

namespace md_test {

const char *const LOGIN = "chefin";

class MasterDataTest : public korvan_gui_test::MainWindowFixture
{
protected:
  void SetUp() override
  {
    korvan_gui_test::MainWindowFixture::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    Tools::Ref<USER> user(new USER);
    user->login = LOGIN;
    main->setUser(user);
  }
  // Chooses the menu entry; the main window's window of that class.
  BaseDialog *open(FX::FXuint id, const char *class_name)
  {
    korvan_gui_test::send_command(main, id);
    korvan_gui_test::run_pending(20);
    for (FX::FXWindow *w = korvan_gui_test::app()->getRootWindow()->getFirst(); w; w = w->getNext())
      if (std::strcmp(w->getClassName(), class_name) == 0 && w->getOwner() == main)
        return dynamic_cast<BaseDialog *>(w);
    return nullptr;
  }
  // Sends the command; answers and gives the box it must show when refused.
  korvan_gui_test::Box command(FX::FXObject *target, FX::FXuint id, bool refused)
  {
    korvan_gui_test::Box box;
    if (refused)
      korvan_gui_test::expect_box(box);
    korvan_gui_test::send_command(target, id);
    EXPECT_EQ(refused, box.seen) << box.text;
    return box;
  }
  int count(const std::string &sql) { return korvan_gui_test::query_int(*db, sql); }
  std::string value(const std::string &sql) { return korvan_gui_test::query_value(*db, sql); }
};

// Every widget of class T inside the window, in widget order.
template <class T> std::vector<T *> find_all(FX::FXWindow *window)
{
  std::vector<T *> found;
  for (FX::FXWindow *child = window->getFirst(); child; child = child->getNext()) {
    if (T *t = dynamic_cast<T *>(child))
      found.push_back(t);
    for (T *inner : find_all<T>(child))
      found.push_back(inner);
  }
  return found;
}

// The row stored and committed; its new idx.
inline int store(Tools::Database &db, Tools::DBBindType &row)
{
  EXPECT_TRUE(Tools::insert_object(db, row)) << db.get_error();
  const int idx = db.get_insert_id();
  EXPECT_TRUE(db.commit());
  return idx;
}

inline int add_vat(Tools::Database &db, const std::string &name, double rate, bool valid = true)
{
  GRP_UST row;
  row.name = name;
  row.ust = rate;
  row.gueltig = valid ? JANEIN::JA : JANEIN::NEIN;
  return store(db, row);
}

// The article in the VAT group and, unless `group` is empty, in that
// article group.
inline int add_article(Tools::Database &db, const std::string &artnr, const std::string &vat, int vat_idx,
                       const std::string &group = std::string())
{
  ART row;
  row.artnr = artnr;
  row.gruppe_ust = vat;
  row.gruppe_ust_idx = vat_idx;
  const int idx = store(db, row);
  GRP_ART member;
  member.name = group;
  member.bezeichnung = "Gruppe " + group;
  member.art_artnr = artnr;
  member.art_idx = idx;
  if (!group.empty())
    store(db, member);
  return idx;
}

} // namespace md_test

#endif
