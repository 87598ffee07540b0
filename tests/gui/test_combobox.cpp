// Combo boxes: keys beside texts, picks and select_key, and the table-filled
// box with its paged statements.

#include <gtest/gtest.h>

#include <algorithm>

#include "gui/combobox.h"
#include "schema/tables.h"
#include "tests/gui/gui_env.h"

using namespace FX;
using namespace gui_test;

namespace {

// Gives the tests the drop-down pane and the list.
template <class Base> class Open : public Base
{
public:
  using Base::Base;
  FXPopup *get_pane() const { return this->pane; }
  FXList *get_list() const { return this->list; }
};

// Swaps the main window's database for a recording one for one test.
class RecordingDatabase
{
  Tools::Ref<Tools::Database> saved;

public:
  RecordingDB *recorder = nullptr;
  Tools::Ref<Tools::Database> db;

  RecordingDatabase() : saved(main_window()->getDatabase())
  {
    db = connect_recording(recorder);
    main_window()->setDatabase(db);
    recorder->statements.clear(); // the texts' rows, read for the new connection
  }
  ~RecordingDatabase()
  {
    db->rollback();
    main_window()->setDatabase(saved);
  }
  void insert_rooms(int n)
  {
    for (int i = 1; i <= n; ++i)
      ASSERT_FALSE(!recorder->quiet(Tools::format(
          "insert into LAYOUTK (name, width, height, color) values ('Raum%d', 1, 1, 0)", i)));
  }
};

std::vector<std::string> item_texts(ComboBox &box)
{
  std::vector<std::string> texts;
  for (FXint i = 0; i < box.getNumItems(); ++i)
    texts.push_back(box.getItem(i).text());
  return texts;
}

} // namespace

TEST(ComboBox, ItemsCarryKeysAndAPickOrTheWheelPutsTheKeyIntoTheField)
{
  Recorder target;
  target.keep_text = true;
  ComboBox box(owner(), main_window(), &target, 71, 10);
  box.append_item("", "");
  box.append_item("7", "7 :  Garten");
  box.append_item("8", "   ");
  box.append_item("7", "zweite Sieben");
  EXPECT_EQ(item_texts(box), (std::vector<std::string>{"", "7 :  Garten", "8", "zweite Sieben"}));
  EXPECT_EQ(box.get_keys(), (std::list<std::string>{"", "7", "8", "7"}));

  EXPECT_EQ(box.handle(&box, FXSEL(SEL_COMMAND, FXComboBox::ID_LIST), (void *)(FXival)1), 1);
  EXPECT_EQ(std::string(box.getText().text()), "7");
  ASSERT_EQ(target.messages.size(), 1u);
  EXPECT_EQ(target.messages[0].id, 71u);
  EXPECT_EQ(target.messages[0].text, "7");

  // The empty first item empties the field; a negative index does nothing.
  box.handle(&box, FXSEL(SEL_COMMAND, FXComboBox::ID_LIST), (void *)(FXival)0);
  EXPECT_EQ(std::string(box.getText().text()), "");
  EXPECT_EQ(target.messages.size(), 2u);
  box.handle(&box, FXSEL(SEL_COMMAND, FXComboBox::ID_LIST), (void *)(FXival)-1);
  EXPECT_EQ(target.messages.size(), 2u);

  // select_key leaves the key in the field, as a pick does.
  target.messages.clear();
  box.select_key("8");
  EXPECT_EQ(std::string(box.getText().text()), "8");
  EXPECT_EQ(box.getCurrentItem(), 2);
  ASSERT_EQ(target.messages.size(), 1u);
  EXPECT_EQ(target.messages[0].text, "8");
  box.select_key("7");
  EXPECT_EQ(box.getCurrentItem(), 1); // the first of two
  EXPECT_EQ(std::string(box.getText().text()), "7");
  box.select_key("99");
  EXPECT_EQ(std::string(box.getText().text()), "7");
  EXPECT_EQ(target.messages.size(), 2u);

  // The wheel steps through the items as picks do.
  box.select_key("");
  FXEvent wheel = FXEvent();
  wheel.type = SEL_MOUSEWHEEL;
  for (const std::pair<int, const char *> &step : {std::make_pair(-120, "7"), {-120, "8"}, {-120, "7"}, {-120, "7"},
                                                    {120, "8"}, {120, "7"}, {120, ""}}) {
    wheel.code = step.first;
    EXPECT_EQ(box.handle(&box, FXSEL(SEL_MOUSEWHEEL, 0), &wheel), 1);
    EXPECT_EQ(std::string(box.getText().text()), step.second);
    EXPECT_EQ(target.messages.back().text, step.second);
  }
}

TEST(ComboBox, ColumnTextsSplitAtTheFirstBar)
{
  for (const std::vector<std::string> &c : {std::vector<std::string>{"preis|%0.2lf", "preis", "%0.2lf"},
                                             {"name", "name", "%s"}, {"a|b|c", "a", "b|c"}}) {
    EXPECT_EQ(ComboBox::item_key(c[0]), c[1]) << c[0];
    EXPECT_EQ(ComboBox::item_text(c[0]), c[2]) << c[0];
  }
}

TEST(ComboBox, TheListGrowsWiderThanTheBoxForAWideItem)
{
  Open<ComboBox> box(owner(), main_window(), nullptr, 0, 5);
  box.create();
  const std::string wide = "Ein sehr langer Eintrag, breiter als die Box";
  box.append_item("1", wide);
  box.append_item("2", "kurz");
  box.position(0, 0, 100, 24);
  box.layout();
  FXint border = box.getBorderWidth();
  EXPECT_EQ(box.get_pane()->getWidth(), box.getFont()->getTextWidth(wide.c_str()) + 2 * border + 20);

  Open<ComboBox> narrow(owner(), main_window(), nullptr, 0, 5);
  narrow.create();
  narrow.append_item("1", "a");
  narrow.position(0, 0, 300, 24);
  narrow.layout();
  EXPECT_EQ(narrow.get_pane()->getWidth(), 300);
}

TEST(DBComboBox, FillsFrom250RowsInPagesOfAHundredWithKeysBesideTexts)
{
  RecordingDatabase rec;
  rec.insert_rooms(250);
  DBComboBox<LAYOUTK> box(owner(), main_window(), "idx", nullptr, 0, 0, "name");
  EXPECT_EQ(box.getNumItems(), 0); // not filled by the constructor

  box.setText("alt");
  box.fill();
  const std::string base = "select idx , name from LAYOUTK  limit ";
  EXPECT_EQ(rec.recorder->statements,
            (std::vector<std::string>{base + "0, 100", base + "100, 100", base + "200, 100", base + "250, 100"}));
  ASSERT_EQ(box.getNumItems(), 251);
  EXPECT_EQ(std::string(box.getText().text()), "");

  Tools::DBErg<Tools::DBRowList> ids = rec.recorder->quiet("select idx, name from LAYOUTK");
  ASSERT_EQ(ids.rows.rows.size(), 250u);
  std::list<std::string> expected_keys{""};
  std::vector<std::string> expected_texts{""};
  for (const std::vector<std::string> &r : ids.rows.rows) {
    expected_keys.push_back(r[0]);
    expected_texts.push_back(r[0] + " :  " + r[1]);
  }
  EXPECT_EQ(box.get_keys(), expected_keys);
  EXPECT_EQ(item_texts(box), expected_texts);

  // Refilling replaces the items.
  box.fill();
  EXPECT_EQ(box.getNumItems(), 251);
}

TEST(DBComboBox, FewRowsNoRowsAndAFailingFirstPage)
{
  RecordingDatabase rec;
  DBComboBox<LAYOUTK> box(owner(), main_window(), "idx", nullptr, 0, 8, "name");
  box.fill();
  EXPECT_EQ(box.getNumItems(), 1);
  EXPECT_EQ(box.getNumVisible(), 1);

  rec.insert_rooms(9);
  box.fill();
  EXPECT_EQ(box.getNumItems(), 10);
  EXPECT_EQ(box.getNumVisible(), 10);

  rec.recorder->statements.clear();
  box.set_where("no_such_column = 1");
  LogCapture log;
  box.fill();
  const std::string failing = "select idx , name from LAYOUTK  where no_such_column = 1 limit 0, 100";
  EXPECT_EQ(rec.recorder->statements, (std::vector<std::string>{failing}));
  ASSERT_EQ(log.messages.size(), 1u);
  EXPECT_EQ(log.messages[0].find("select failed!\n" + failing + "\nUnknown column 'no_such_column'"), 0u)
      << log.messages[0];
  EXPECT_EQ(box.getNumItems(), 1);
  EXPECT_EQ(box.getNumVisible(), 1);

  // A narrowed box stays narrowed.
  box.set_where("name = 'Raum3'");
  box.fill();
  ASSERT_EQ(box.getNumItems(), 2);
  EXPECT_NE(std::string(box.getItem(1).text()).find("Raum3"), std::string::npos);
}

TEST(DBComboBox, FormatsMissingColumnsAndBareKeys)
{
  RecordingDatabase rec;
  ASSERT_FALSE(!rec.recorder->quiet(
      "insert into GRP_UST (gueltig, gueltig_von, gueltig_bis, hist_an_zeit, hist_an_user, hist_ae_zeit, "
      "hist_ae_user, hist_lo_zeit, hist_lo_user, name, bezeichnung, bezeichnung2, ust) values ('JA', "
      "'2008-01-01', '2008-01-01', '2008-01-01', '', '2008-01-01', '', '2008-01-01', '', 'voll', '', '', 19)"));

  DBComboBox<GRP_UST> money(owner(), main_window(), "name", nullptr, 0, 0, "ust|%0.2lf", "bezeichnung");
  money.fill();
  ASSERT_EQ(money.getNumItems(), 2);
  EXPECT_EQ(std::string(money.getItem(1).text()), "voll :  19.00 ");
  EXPECT_EQ(money.get_keys().back(), "voll");

  DBComboBox<GRP_UST> bare(owner(), main_window(), "name", nullptr, 0, 0);
  bare.fill();
  ASSERT_EQ(bare.getNumItems(), 2);
  EXPECT_EQ(std::string(bare.getItem(1).text()), "voll");

  DBComboBox<GRP_UST> blank(owner(), main_window(), "name", nullptr, 0, 0, "bezeichnung");
  blank.fill();
  EXPECT_EQ(std::string(blank.getItem(1).text()), "voll");

  testing::internal::CaptureStdout();
  DBComboBox<GRP_UST> missing(owner(), main_window(), "name", nullptr, 0, 0, "nosuch", "ust|%0.1lf");
  missing.fill();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("opm: 'nosuch' not found in binddesc\n"), std::string::npos);
  ASSERT_EQ(missing.getNumItems(), 2);
  EXPECT_EQ(std::string(missing.getItem(1).text()), "voll :  19.0");

  // Without its key column the box stays empty, without the empty item.
  rec.recorder->statements.clear();
  DBComboBox<GRP_UST> keyless(owner(), main_window(), "nosuch", nullptr, 0, 0, "name");
  keyless.append_item("x", "alt");
  keyless.fill();
  EXPECT_EQ(keyless.getNumItems(), 0);
  EXPECT_TRUE(rec.recorder->statements.empty());
}

TEST(DBComboBox, WithoutAConnectionTheItemsStay)
{
  Tools::Ref<Tools::Database> saved = main_window()->getDatabase();
  main_window()->setDatabase(Tools::Ref<Tools::Database>(new Tools::Database("", "", "", "", -1)));
  DBComboBox<LAYOUTK> box(owner(), main_window(), "idx", nullptr, 0, 0, "name");
  box.append_item("5", "fünf");
  box.fill();
  EXPECT_EQ(box.getNumItems(), 1);
  main_window()->setDatabase(saved);
}
