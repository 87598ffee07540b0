#ifndef KORVAN_TESTS_ROOMS_ORDERS_SUPPORT_H
#define KORVAN_TESTS_ROOMS_ORDERS_SUPPORT_H
// A restaurant for the order-line tests: a user who is logged in, two
// rooms with their tables, articles in groups with their prices, a kind of
// payment, and helpers that store open lines and read them back through a
// connection of the test's own.
#include <string>
#include <vector>

#include "tools/widgets/fxcompat.h"
#include "schema/tables.h"
#include "tests/guisupport/gui_support.h"

namespace korvan_orders_test {

using korvan_gui_test::Box;
using korvan_gui_test::expect_box;
using korvan_gui_test::label_texts;

class OrdersTest : public korvan_gui_test::MainWindowFixture
{
protected:
  // A second station: a main window of its own, on a connection of its
  // own to the same database, with the same user logged in.
  MainWindow *second = nullptr;

  int user_idx = 0;
  LAYOUTK saal, terrasse;
  LAYOUTP t1, t2, t9;
  int vat = 0;                                 // GRP_UST idx
  int bier = 0, wein = 0, suppe = 0;           // ART idx
  int bier_preis = 0, wein_preis = 0, suppe_preis = 0; // PREIS idx
  int gutschein = 0;                           // SONST_ART idx

  void SetUp() override;
  void TearDown() override;
  MainWindow *second_station();

  int insert(Tools::DBBindType &record);
  LAYOUTK add_room(const std::string &name);
  LAYOUTP add_table(const LAYOUTK &room, const std::string &name);
  int add_article(const std::string &artnr, const std::string &name, const std::string &group);
  int add_price(int article, const std::string &artnr, double preis);
  // An open line on that table, committed; its idx.
  int add_line(const LAYOUTK &room, const LAYOUTP &table, double preis, int anzahl = 1);

  // A column of a line as the test's own connection reads it now.
  std::string line_value(int idx, const std::string &column);
  int count(const std::string &where);
};

// Sends the command to the target and answers the question it asks with
// `answer`; the box that the command shows after it is recorded into
// `then` and answered with OK.
void question_then_box(Box &question, FX::FXuint answer, Box &then, FX::FXObject *target, FX::FXuint id);

} // namespace korvan_orders_test

#endif
