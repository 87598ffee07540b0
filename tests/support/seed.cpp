#include "tests/support/seed.h"

#include <gtest/gtest.h>

#include "tools/dbi/query.h"

namespace korvan_test {

int store(Tools::Database &db, Tools::DBBindType &row)
{
  if (!Tools::insert_object(db, row)) {
    ADD_FAILURE() << db.get_error() << "\n" << db.get_last_query();
    db.rollback();
    return 0;
  }
  const int idx = db.get_insert_id();
  EXPECT_TRUE(db.commit());
  return idx;
}

LAYOUTK add_room(Tools::Database &db, const std::string &name, int width, int height)
{
  LAYOUTK room;
  room.name = name;
  room.width = width;
  room.height = height;
  room.idx = store(db, room);
  return room;
}

LAYOUTP add_table(Tools::Database &db, const LAYOUTK &room, const std::string &name, int x, int y, int width,
                  int height)
{
  LAYOUTP table;
  table.layout_idx = room.idx.value;
  table.label_name = name;
  table.label_x = x;
  table.label_y = y;
  table.label_width = width;
  table.label_height = height;
  table.idx = store(db, table);
  return table;
}

int add_line(Tools::Database &db, const LAYOUTK &room, const LAYOUTP &table, double preis, int anzahl)
{
  BONLINE line;
  line.layoutk_idx = room.idx.value;
  line.layoutk_name = room.name.value;
  line.layoutp_idx = table.idx.value;
  line.layoutp_label_name = table.label_name.value;
  line.preis = preis;
  line.anzahl = anzahl;
  EXPECT_TRUE(db.exec("SET FOREIGN_KEY_CHECKS=0").ok);
  const int idx = store(db, line);
  EXPECT_TRUE(db.exec("SET FOREIGN_KEY_CHECKS=1").ok);
  return idx;
}

int add_user(Tools::Database &db, const std::string &login, const std::string &password, bool valid)
{
  USER user;
  user.login = login;
  user.passwd = password;
  user.gueltig = valid ? JANEIN::JA : JANEIN::NEIN;
  return store(db, user);
}

GRP_UST add_vat(Tools::Database &db, const std::string &name, double rate, bool valid)
{
  GRP_UST vat;
  vat.name = name;
  vat.bezeichnung = "Steuer " + name;
  vat.ust = rate;
  vat.gueltig = valid ? JANEIN::JA : JANEIN::NEIN;
  vat.idx = store(db, vat);
  return vat;
}

ART add_article(Tools::Database &db, const std::string &artnr, const GRP_UST &vat, const std::string &group,
                double preis)
{
  ART art;
  art.artnr = art.bezeichnung = artnr;
  art.gruppe_ust = vat.name.value;
  art.gruppe_ust_idx = vat.idx.value;
  art.idx = store(db, art);
  GRP_ART member;
  member.name = group;
  member.bezeichnung = "Gruppe " + group; // told apart from the name
  member.art_artnr = artnr;
  member.art_idx = art.idx.value;
  PREIS price;
  price.art_idx = art.idx.value;
  price.art_artnr = artnr;
  price.preis = preis;
  if (!group.empty())
    store(db, member);
  if (preis >= 0)
    store(db, price);
  return art;
}

} // namespace korvan_test
