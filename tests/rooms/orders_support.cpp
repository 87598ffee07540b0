#include "tests/rooms/orders_support.h"

#include "shell/mainwindow.h"
#include "tools/core/format.h"
#include "tools/core/string_utils.h"
#include "tools/dbi/database.h"
#include "tools/dbi/query.h"

using namespace FX;

namespace korvan_orders_test {

int OrdersTest::insert(Tools::DBBindType &record)
{
  EXPECT_TRUE(Tools::insert_object(*db, record)) << db->get_error() << "\n" << db->get_last_query();
  int idx = db->get_insert_id();
  EXPECT_TRUE(db->commit());
  return idx;
}

LAYOUTK OrdersTest::add_room(const std::string &name)
{
  LAYOUTK room;
  room.name = name;
  room.width = 500;
  room.height = 400;
  room.idx = insert(room);
  return room;
}

LAYOUTP OrdersTest::add_table(const LAYOUTK &room, const std::string &name)
{
  LAYOUTP table;
  table.layout_idx = room.idx.value;
  table.label_name = name;
  table.label_x = 10;
  table.label_y = 10;
  table.label_width = 60;
  table.label_height = 40;
  table.idx = insert(table);
  return table;
}

int OrdersTest::add_article(const std::string &artnr, const std::string &name, const std::string &group)
{
  ART art;
  art.artnr = artnr;
  art.bezeichnung = name;
  art.gruppe_ust = "voll";
  art.gruppe_ust_idx = vat;
  int idx = insert(art);
  GRP_ART member;
  member.name = group;
  member.bezeichnung = group;
  member.art_artnr = artnr;
  member.art_idx = idx;
  insert(member);
  return idx;
}

int OrdersTest::add_price(int article, const std::string &artnr, double preis)
{
  PREIS price;
  price.art_idx = article;
  price.art_artnr = artnr;
  price.preis = preis;
  price.bezeichnung = "normal";
  return insert(price);
}

int OrdersTest::add_line(const LAYOUTK &room, const LAYOUTP &table, double preis, int anzahl)
{
  BONLINE line;
  line.user = "anna";
  line.user_idx = user_idx;
  line.artnr = "100";
  line.artnr_idx = bier;
  line.layoutk_idx = room.idx.value;
  line.layoutk_name = room.name.value;
  line.layoutp_idx = table.idx.value;
  line.layoutp_label_name = table.label_name.value;
  line.preis_idx = bier_preis;
  line.preis = preis;
  line.anzahl = anzahl;
  return insert(line);
}

std::string OrdersTest::line_value(int idx, const std::string &column)
{
  // A statement of its own: the connection must not keep an old snapshot.
  db->commit();
  return korvan_gui_test::query_value(*db, Tools::format("select %s from BONLINE where idx = '%d'", column, idx));
}

int OrdersTest::count(const std::string &where)
{
  db->commit();
  return korvan_gui_test::query_int(*db, "select count(*) from BONLINE " + where);
}

MainWindow *OrdersTest::second_station()
{
  second = korvan_gui_test::make_main_window(database);
  EXPECT_TRUE(second->getDatabase()->is_connected());
  second->setUser(main->getUser());
  return second;
}

void OrdersTest::TearDown()
{
  delete second;
  second = nullptr;
  MainWindowFixture::TearDown();
}

void question_then_box(Box &question, FXuint answer, Box &then, FXObject *target, FXuint id)
{
  question = Box();
  then = Box();
  korvan_gui_test::answer_modal(
      [&](FXWindow *w) {
        question.seen = true;
        question.text = label_texts(w);
        expect_box(then);
      },
      answer);
  korvan_gui_test::send_command(target, id);
  EXPECT_TRUE(question.seen);
}

void OrdersTest::SetUp()
{
  MainWindowFixture::SetUp();
  if (HasFatalFailure())
    return;
  USER user;
  user.login = "anna";
  user.vor_name = "Anna";
  user.passwd = "geheim";
  user_idx = insert(user);
  user.idx = user_idx;
  Tools::Ref<USER> logged(new USER);
  *logged = user;
  main->setUser(logged);

  saal = add_room("Saal");
  terrasse = add_room("Terrasse");
  t1 = add_table(saal, "T1");
  t2 = add_table(saal, "T2");
  t9 = add_table(terrasse, "T9");

  GRP_UST full;
  full.name = "voll";
  full.ust = 19.0;
  vat = insert(full);
  bier = add_article("100", "Bier", "Getränke");
  wein = add_article("200", "Wein", "Getränke");
  suppe = add_article("300", "Suppe", "Speisen");
  bier_preis = add_price(bier, "100", 3.5);
  wein_preis = add_price(wein, "200", 12345.67);
  suppe_preis = add_price(suppe, "300", 4.2);

  SONST_ART kind;
  kind.name = "Gutschein";
  kind.bezeichnung = "Gutschein";
  kind.wert = 5.0;
  gutschein = insert(kind);
}

} // namespace korvan_orders_test
