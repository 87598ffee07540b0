// The spreadsheet: feeding, writing the changed rows back in one commit,
// the refused write, cells that keep every text, and the context menu.

#include "gui/spreadsheet.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/recording_db.h"

using namespace FX;
using namespace korvan_gui_test;

namespace {

// Three rooms, on the main window's recording connection, in a sheet.
class SheetTest : public ContextFixture
{
protected:
  korvan_test::RecordingDB *rec = nullptr;
  Recorder owner;
  FXDialogBox *box = nullptr;
  SpreadSheet *sheet = nullptr;

  void SetUp() override
  {
    ContextFixture::SetUp();
    main->setDatabase(korvan_test::connect_recording(database, rec));
    for (const char *name : {"Garten", "Saal", "Bar"})
      rec->quiet(Tools::format("insert into LAYOUTK (name, width, height, color) values ('%s', 1, 1, 0)", name));
    rec->quiet("commit");
    box = new FXDialogBox(main, "Liste", DECOR_TITLE | DECOR_BORDER, 100, 100, 400, 250);
    sheet = new SpreadSheet(box, main, &owner, 76, LAYOUT_FILL);
    sheet->set_columns("idx \tidx,name Name,width Breite");
    ASSERT_TRUE(sheet->feed_table<LAYOUTK>("", "", "count(*)"));
    box->create();
    box->show(PLACEMENT_DEFAULT);
    rec->statements.clear();
  }
  void TearDown() override
  {
    delete box;
    ContextFixture::TearDown();
  }
  std::string cell(int r, int c) { return sheet->getItemText(r, c).text(); }
  // What the database holds for the room of that row, as others see it.
  std::string stored(int row, const std::string &column)
  {
    const std::string idx = sheet->get_row(row)->get_cell_by_name("idx")->format("%s");
    return query_value(*db, "select " + column + " from LAYOUTK where idx = " + idx);
  }
  void leave() { sheet->handle(sheet, FXSEL(SEL_FOCUSOUT, SpreadSheet::ID_SHEET), nullptr); }
  void right_click(int row)
  {
    FXEvent e = FXEvent();
    while (sheet->rowAtY(e.win_y) < row && e.win_y < 2000)
      ++e.win_y;
    sheet->handle(sheet, FXSEL(SEL_RIGHTBUTTONPRESS, SpreadSheet::ID_SHEET), &e);
  }
};

} // namespace

TEST_F(SheetTest, FeedShowsEveryRowWithItsKeyInTheRowHeader)
{
  ASSERT_EQ(sheet->getNumRows(), 3);
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(sheet->getRowText(r).text(), sheet->get_row(r)->get_cell_by_name("idx")->format("%s"));
    EXPECT_EQ(cell(r, 0), stored(r, "name"));
  }
  // A grouped count counts its groups, a page of one row at a time.
  EXPECT_EQ(sheet->select("LAYOUTK", "", " group by name ", "count(*)"), 3);
  EXPECT_EQ(rec->statements[0], "select count(*) from LAYOUTK   group by name order by name limit 0, 1");
}

TEST_F(SheetTest, AnEditWritesOnlyTheChangedRowsInOneCommit)
{
  sheet->setEditable(TRUE);
  sheet->setItemText(1, 0, "Saal's \\ 100%");
  sheet->setRowText(1, "999"); // the hidden key is never read back
  sheet->setCurrentItem(2, 0, TRUE);
  ASSERT_EQ(rec->statements.size(), 2u);
  EXPECT_EQ(rec->starting_with("UPDATE LAYOUTK SET ").size(), 1u);
  EXPECT_EQ(rec->statements[1], "commit;");
  EXPECT_EQ(stored(1, "name"), "Saal's \\ 100%");
  // The owner hears of the row stored, then of the move with its own id.
  EXPECT_EQ(owner.messages.at(0).data, sheet->get_row(1).try_get());
  EXPECT_EQ(owner.messages.at(1).id, 76u);

  // Leaving writes back only what changed since; a read-only sheet nothing.
  rec->statements.clear();
  leave();
  EXPECT_TRUE(rec->statements.empty());
  sheet->setEditable(FALSE);
  sheet->setItemText(0, 0, "Hof");
  leave();
  EXPECT_EQ(stored(0, "name"), "Garten");
}

// A click on a row's number (the row header; here it shows the row's key)
// chooses the row as a click on one of its cells does: it becomes current
// and selected, the owner hears of it, also for the row current already,
// and an editable sheet writes back what was typed before.
TEST_F(SheetTest, AClickOnARowsNumberChoosesTheRowAsACellDoes)
{
  int told = -1, times = 0;
  owner.reply = [&](const Recorder::Message &m) -> long {
    if (m.type == SEL_CHANGED && m.id == 76) {
      told = static_cast<const FXTablePos *>(m.data)->row;
      ++times;
    }
    return 1;
  };
  const auto number_clicked = [&](int row) {
    FXHeader *numbers = sheet->getRowHeader();
    numbers->getTarget()->handle(numbers, FXSEL(SEL_COMMAND, numbers->getSelector()),
                                 reinterpret_cast<void *>(static_cast<FXival>(row)));
  };
  const struct
  {
    int row;
    const char *typed; // into the first row's name before, on an editable sheet
  } cases[] = {{2, nullptr}, {0, nullptr}, {0, nullptr}, {1, "Hof"}, {2, "Keller"}};
  for (const auto &c : cases) {
    sheet->setEditable(c.typed ? TRUE : FALSE);
    if (c.typed)
      sheet->setItemText(0, 0, c.typed);
    told = -1;
    times = 0;
    number_clicked(c.row);
    EXPECT_EQ(told, c.row);
    EXPECT_EQ(times, 1) << c.row;
    EXPECT_EQ(sheet->getCurrentRow(), c.row);
    for (int r = 0; r < sheet->getNumRows(); ++r)
      EXPECT_EQ(sheet->is_row_selected(r), r == c.row) << c.row << " " << r;
    if (c.typed) {
      EXPECT_EQ(stored(0, "name"), c.typed);
    }
  }
  EXPECT_EQ(rec->starting_with("UPDATE LAYOUTK SET ").size(), 2u);
}

// A row the sheet cannot store: one box, the row shows what is stored,
// and the next move asks nothing. A text its column cannot hold is refused
// in words before anything is sent and the other rows are stored; a row
// the database refuses rolls back what went before, which goes again with
// the next move. A row another station has deleted since the feed is said
// to be gone, rolled back alike, and shows what it held again; typed into
// again, it is refused again, each time in words.
TEST_F(SheetTest, ARefusedRowAsksOnceAndShowsTheStoredValueAgain)
{
  BONLINE line; // an order line holds the name "Saal"
  line.layoutk_name = "Saal";
  ASSERT_TRUE(!!db->exec("SET FOREIGN_KEY_CHECKS=0") && Tools::insert_object(*db, line) && db->commit());
  const struct
  {
    std::string name;
    const char *words;
    size_t sent; // statements sent before the box
    bool gone = false; // the row deleted by another station first
  } cases[] = {
      {std::string(21, 'x'), "(21 > 20)", 0},
      {std::string("ab\0cd", 5), "ab\\0", 0},
      {"Saal \xf0\x9f\x8d\xba", "(etwa ein Emoji):\nName: Saal \xf0\x9f\x8d\xba", 0}, // named by its column
      {"Saal2", "Die Änderung wurde nicht gespeichert.\nGrund: Cannot delete or update a parent row", 3},
      // Its update, the count that finds it gone, the roll-back.
      {"Saal3", "Die Zeile wurde inzwischen an einem anderen Platz gelöscht. Das Getippte wurde nicht gespeichert.", 4,
       true},
  };
  sheet->setEditable(TRUE);
  int width = 1;
  for (const auto &c : cases) {
    rec->statements.clear();
    const std::string before = std::to_string(width), after = std::to_string(++width);
    sheet->setItemText(0, 1, after.c_str());
    sheet->setItemText(1, 0, FXString(c.name.data(), static_cast<FXint>(c.name.size())));
    const std::string idx = sheet->get_row(1)->get_cell_by_name("idx")->format("%s");
    if (c.gone) {
      ASSERT_TRUE(!!db->exec("delete from LAYOUTK where idx = " + idx) && db->commit());
    }
    int boxes = 0;
    std::string shown;
    size_t sent = 0;
    const auto answered = [&](const Box &box) {
      ++boxes;
      shown = box.text;
      sent = rec->statements.size();
      leave(); // the box takes the focus from the sheet: that must not save again
    };
    expect_box(answered);
    sheet->setCurrentItem(2, 0, TRUE);
    EXPECT_EQ(sent, c.sent) << c.words;
    EXPECT_NE(shown.find(c.words), std::string::npos) << shown;
    EXPECT_EQ(rec->statements.back(), c.sent ? "rollback;" : "commit;");
    EXPECT_EQ(stored(0, "width"), c.sent ? before : after);
    EXPECT_EQ(cell(1, 0), "Saal");
    EXPECT_EQ(cell(0, 1), after);

    sheet->setCurrentItem(1, 1, TRUE);
    leave();
    EXPECT_EQ(boxes, 1);
    if (c.gone) {
      expect_box(answered);
      sheet->setItemText(1, 0, "Saal4");
      sheet->setCurrentItem(2, 1, TRUE);
      EXPECT_EQ(boxes, 2);
      EXPECT_NE(shown.find(c.words), std::string::npos) << shown;
      EXPECT_EQ(cell(1, 0), "Saal");
    }
    EXPECT_EQ(stored(0, "width"), after);
    EXPECT_EQ(query_value(*db, "select group_concat(name) from LAYOUTK where idx = " + idx), c.gone ? "" : "Saal");
  }
}

// LANG keeps no transactions: its rows are stored by their UPDATE, one
// statement per changed row, and a write-back there neither commits nor
// rolls back the shared connection. A cell its column cannot hold is
// refused in words, and the other rows are stored.
TEST_F(SheetTest, TranslationsAreStoredWithoutEndingTheConnectionsTransaction)
{
  rec->quiet("insert into LANG (system, type, orig, trans) values ('GUI', 'L', 'Eins', ''), ('GUI', 'L', 'Zwei', '')");
  rec->quiet("insert into LAYOUTK (name, width, height, color) values ('Offen', 1, 1, 0)"); // not ours to end
  SpreadSheet langs(box, main, nullptr, 0, 0);
  langs.create();
  langs.set_columns("idx \tidx,orig Original,trans Übersetzung");
  ASSERT_TRUE(langs.feed_table<LANG>("where orig in ('Eins', 'Zwei') order by orig", "", "count(*)"));
  langs.setEditable(TRUE);
  langs.setItemText(0, 1, "One");
  langs.setItemText(1, 1, std::string(101, 'y').c_str());
  rec->statements.clear();
  langs.handle(&langs, FXSEL(SEL_FOCUSOUT, SpreadSheet::ID_SHEET), nullptr); // leaving stores nothing
  EXPECT_TRUE(rec->statements.empty());
  Box refused;
  expect_box(refused);
  EXPECT_FALSE(langs.store_typed()); // the window's "Ok"
  EXPECT_NE(refused.text.find("(101 > 100)"), std::string::npos) << refused.text;
  EXPECT_EQ(rec->statements.size(), 1u);
  EXPECT_EQ(rec->starting_with("UPDATE LANG SET ").size(), 1u);
  EXPECT_EQ(query_value(*db, "select trans from LANG where orig = 'Eins'"), "One");
  EXPECT_EQ(query_value(*main->getDatabase(), "select count(*) from LAYOUTK where name = 'Offen'"), "1");
  EXPECT_EQ(query_value(*db, "select count(*) from LAYOUTK where name = 'Offen'"), "0");
}

TEST(SpreadSheetCells, TabsLineEndsAndBackslashesComeBackUnchanged)
{
  const std::vector<std::pair<std::string, std::string> > cases = {
      {"&Quit\tCtl-Q", "&Quit\\tCtl-Q"}, {"zwei\nZeilen", "zwei\\nZeilen"}, {"C:\\temp", "C:\\\\temp"},
      {"Getränk's \\ 100%", "Getränk's \\ 100%"}, {"\\\t\\", "\\\\\\t\\"}, {"Ende\\", "Ende\\"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(SpreadSheet::cell_text(c.first), c.second) << c.first;
    EXPECT_EQ(SpreadSheet::from_cell_text(c.second), c.first) << c.second;
  }
}

TEST_F(SheetTest, TheMenuOffersTheOwnersTemplatesAndSendsTheRowUnderThePointer)
{
  std::vector<Tools::Ref<Tools::DBBindType> > offered(150);
  for (int i = 0; i < 150; ++i) {
    offered[i] = Tools::Ref<Tools::DBBindType>(new LAYOUTK);
    offered[i]->get_cell_by_name("name")->from_string(Tools::format("Vorlage%d", i));
  }
  std::vector<Tools::DBBindType *> rows;
  owner.reply = [&](const Recorder::Message &m) -> long {
    SpreadSheet::MenuRequest *request = static_cast<SpreadSheet::MenuRequest *>(m.data);
    if (m.type == SEL_COMMAND) {
      rows.push_back(request->row.try_get());
      request->rows = offered;
      request->column = "name";
    }
    return 1;
  };
  sheet->setEditable(TRUE);
  std::vector<std::string> templates;
  answer_modal([&](FXWindow *pane) {
    for (FXWindow *w = pane->getFirst(); w; w = w->getNext())
      if (FXMenuCascade *cascade = dynamic_cast<FXMenuCascade *>(w))
        for (FXWindow *entry = cascade->getMenu()->getFirst(); entry; entry = entry->getNext())
          templates.push_back(static_cast<FXMenuCommand *>(entry)->getText().text());
    send_command(sheet, SpreadSheet::ID_DELETE);
    static_cast<FXPopup *>(pane)->popdown();
  });
  right_click(1);
  ASSERT_EQ(templates.size(), 100u); // no more entries than the menu has ids for
  EXPECT_EQ(templates[3], "Vorlage3");
  ASSERT_EQ(rows.size(), 2u); // the templates asked for, then the row to delete
  EXPECT_EQ(rows[1], sheet->get_row(1).try_get());
  send_command(sheet, SpreadSheet::ID_TEMPLATE + 5);
  EXPECT_EQ(rows.back(), offered[5].try_get());
}

// On a display of its own: the right button opens the menu for the row
// under the pointer, a cell typed into reaches the database, and one of a
// row deleted elsewhere is refused each time it is typed into.
TEST_F(SheetTest, RealPointerAndKeysReachTheMenuAndTheDatabase)
{
  sheet->setEditable(TRUE);
  run_pending(150);
  ASSERT_TRUE(xdo("windowfocus --sync " + std::to_string(static_cast<unsigned long>(box->id()))));
  bool menu_shown = false;
  answer_modal([&](FXWindow *pane) {
    menu_shown = pane->isMemberOf(FXMETACLASS(FXMenuPane));
    static_cast<FXPopup *>(pane)->popdown();
  });
  const int x = sheet->getRowHeader()->getWidth() + 10;
  const int y = sheet->getColumnHeader()->getHeight() + sheet->getRowHeight(0) / 2;
  ASSERT_TRUE(click(sheet, 3, x, y + 2 * sheet->getRowHeight(0)));
  ASSERT_TRUE(run_until([&] { return menu_shown; }));
  EXPECT_EQ(sheet->get_menu_row(), 2);

  point_at(sheet, x, y);
  ASSERT_TRUE(xdo("click --repeat 2 --delay 80 1"));
  run_pending(200);
  // The double click opened the cell's editor with its text selected.
  ASSERT_TRUE(xdo("key --delay 30 ctrl+a BackSpace S a a l 2"));
  run_pending(200);
  ASSERT_TRUE(xdo("key Return"));
  ASSERT_TRUE(run_until([&] { return cell(0, 0) == "Saal2"; }));
  run_pending(200); // the editor hands the keyboard back
  ASSERT_TRUE(xdo("key Right"));
  EXPECT_TRUE(run_until([&] { return stored(0, "name") == "Saal2"; }, 3000));

  // A row another station deleted: each write typed into it is refused in
  // words, and its cell shows what the row held, not what was typed.
  const std::string idx = sheet->get_row(1)->get_cell_by_name("idx")->format("%s");
  const std::string held = cell(1, 0);
  ASSERT_TRUE(!!db->exec("delete from LAYOUTK where idx = " + idx) && db->commit());
  for (const char *typed : {"H o f", "K e l l e r"}) {
    Box box;
    expect_box(box);
    // One click makes the cell current, the next opens its editor.
    for (int i = 0; i < 2; ++i) {
      ASSERT_TRUE(point_at(sheet, x, y + sheet->getRowHeight(0)) && xdo("click 1"));
      run_pending(250);
    }
    ASSERT_TRUE(xdo(std::string("key --delay 30 ctrl+a BackSpace ") + typed + " Return"));
    run_pending(200);
    ASSERT_TRUE(xdo("key Down"));
    ASSERT_TRUE(run_until([&] { return box.seen; }, 3000)) << typed;
    EXPECT_NE(std::string::npos, box.text.find("an einem anderen Platz gelöscht")) << box.text;
    EXPECT_EQ(held, cell(1, 0)) << typed;
  }
}
