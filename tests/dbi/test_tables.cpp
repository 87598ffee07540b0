// The table records: columns, defaults, keys, engines and copying.
#include <gtest/gtest.h>

#include "schema/tables.h"

namespace {

template <class T> void expect_shape(size_t columns, int keys, int engine)
{
  T record;
  const std::vector<Tools::DBType *> &types = record.get_types();
  ASSERT_EQ(columns, types.size()) << record.get_table();
  EXPECT_EQ("idx", types[0]->get_name());
  EXPECT_EQ(columns, record.get_names().size());
  for (Tools::DBType *column : types) {
    if (column->type.get_value() == Tools::DBType::EnumType::ENUM) {
      EXPECT_NO_THROW(column->to_string()) << column->get_name();
    }
  }
  // As the create script sees a record.
  const Tools::DBBindType *base = &record;
  const Forkeys *fk = dynamic_cast<const Forkeys *>(base);
  EXPECT_EQ(keys, fk ? static_cast<int>(fk->keys.size()) : -1) << record.get_table();
  const TableType *tt = dynamic_cast<const TableType *>(base);
  EXPECT_EQ(engine, tt ? tt->engine : -1) << record.get_table();
}

} // namespace

TEST(Tables, ColumnsKeysAndEngines)
{
  expect_shape<GRP_UST>(14, 0, 1);
  expect_shape<USER>(14, 0, 1);
  expect_shape<ART>(15, 2, 1);
  expect_shape<PREIS>(17, 2, 1);
  expect_shape<BONLINE>(35, 6, 1);
  expect_shape<SONST_ART>(14, 0, 1);
  expect_shape<GRP_ART>(6, 2, -1);
  expect_shape<LAYOUTK>(5, -1, -1);
  expect_shape<LAYOUTP>(9, 1, -1);
  expect_shape<LANG>(5, -1, 0);
}

TEST(Tables, InitialYesNoValuesAndSizes)
{
  BONLINE line;
  EXPECT_EQ(JANEIN::JA, line.gueltig.value.get_value());
  for (auto *flag : {&line.bill_printed, &line.tagesabschluss, &line.storniert, &line.bezahlt})
    EXPECT_EQ(JANEIN::NEIN, flag->value.get_value());
  EXPECT_EQ(256u, line.storno_user.get_size());
  EXPECT_EQ(20u, line.user.get_size());
  EXPECT_EQ("bezahlt", line.get_types()[34]->get_name());
  EXPECT_EQ(0, line.idx.value);

  PREIS price;
  EXPECT_EQ("NEIN", price.gutschein.to_string());
  EXPECT_EQ("NEIN", price.menuepreis.to_string());
  EXPECT_EQ("JA", price.gueltig.to_string());

  const Forkey &last = *line.keys[5];
  EXPECT_EQ("BONLINE", last.table);
  EXPECT_EQ("layoutp_label_name", last.column);
  EXPECT_EQ("LAYOUTP", last.ref_table);
  EXPECT_EQ("label_name", last.ref_column);
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

  LANG l;
  l.orig = std::string("Räume");
  LANG m(l);
  EXPECT_EQ("Räume", m.orig.value);
  EXPECT_EQ(0, m.engine);
}
