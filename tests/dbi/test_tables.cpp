// The table records: the values a new record starts with, and copying.
#include <gtest/gtest.h>

#include "schema/tables.h"

// Columns, sizes, keys and engines are pinned by the create script test.

TEST(Tables, NewRecordsStartValidAndUnbilled)
{
  BONLINE line;
  EXPECT_EQ(JANEIN::JA, line.gueltig.value.get_value());
  for (auto *flag : {&line.bill_printed, &line.tagesabschluss, &line.storniert, &line.bezahlt})
    EXPECT_EQ(JANEIN::NEIN, flag->value.get_value()) << flag->get_name();
  EXPECT_EQ(0, line.idx.value);

  PREIS price;
  EXPECT_EQ("NEIN", price.gutschein.to_string());
  EXPECT_EQ("NEIN", price.menuepreis.to_string());
  EXPECT_EQ("JA", price.gueltig.to_string());
}

TEST(Tables, AssignmentAndCopiesKeepTheirOwnColumns)
{
  ART a;
  a.idx = 7;
  a.artnr = std::string("A-7");
  a.gruppe_ust_idx = 2;
  a.gueltig = JANEIN::NEIN;
  a.hist_an_zeit = std::string("2026-01-02 03:04:05");
  ART b;
  b = a;
  for (size_t i = 0; i < a.get_types().size(); ++i)
    EXPECT_EQ(a.get_types()[i]->to_string(), b.get_types()[i]->to_string()) << a.get_names()[i];
  EXPECT_EQ(&b.artnr, b.get_cell_by_name("artnr"));

  // A copy is a record of its own: changing it leaves the source alone.
  ART c(a);
  ASSERT_EQ(15u, c.get_types().size());
  EXPECT_EQ(&c.artnr, c.get_cell_by_name("artnr"));
  c.set_cell_by_name("artnr", "changed");
  EXPECT_EQ("changed", c.artnr.value);
  EXPECT_EQ("A-7", a.artnr.value);
  EXPECT_EQ(2u, c.keys.size());
  EXPECT_NE(c.keys[0].try_get(), a.keys[0].try_get());

  LAYOUTP p, q;
  p.label_name = std::string("T1");
  q = p;
  EXPECT_EQ("T1", q.label_name.value);
  EXPECT_EQ(p.keys[0].try_get(), q.keys[0].try_get());

  BONLINE line;
  line.preis = 12345.67;
  line.storniert = JANEIN::JA;
  BONLINE copy(line);
  EXPECT_DOUBLE_EQ(12345.67, copy.preis.value);
  EXPECT_EQ(JANEIN::JA, copy.storniert.value.get_value());
  EXPECT_EQ(35u, copy.get_types().size());
}
