// The pointer and the keyboard themselves (through xdotool on a display of
// their own): a label dragged on the canvas in edit mode, a right click
// that opens the sheet's menu for the row under the pointer, a cell
// typed into that reaches the database, and the wheel over a combo box.

#include <gtest/gtest.h>

#include "gui/combobox.h"
#include "gui/fixcomposite.h"
#include "gui/spreadsheet.h"
#include "schema/tables.h"
#include "tests/gui/gui_env.h"

using namespace FX;
using namespace gui_test;

namespace {

using korvan_gui_test::on_screen;
using korvan_gui_test::xdo;

class Room : public FXDialogBox
{
public:
  FixComposite *canvas;
  Recorder window;
  Room() : FXDialogBox(gui_test::owner(), "Raum", DECOR_TITLE | DECOR_BORDER, 100, 100, 300, 200)
  {
    canvas = new FixComposite(this, &window, 68, LAYOUT_FILL);
    canvas->set_edit_mode(true);
  }
};

} // namespace

TEST(RealPointer, ALabelIsDraggedOnTheGridInEditMode)
{
  Room room;
  LAYOUTP row;
  row.label_name = std::string("Tisch");
  row.label_x = 30;
  row.label_y = 30;
  row.label_width = 50;
  row.label_height = 24;
  FixLabel *label = new FixLabel(room.canvas, 0x106000, row);
  room.create();
  room.show(PLACEMENT_DEFAULT);
  ASSERT_TRUE(run_until([&] { return label->shown() && label->getTarget() == room.canvas; }));
  korvan_gui_test::run_pending(100);

  int sx, sy;
  on_screen(label, 10, 10, sx, sy);
  ASSERT_TRUE(xdo(Tools::format("mousemove --sync %d %d", sx, sy)));
  korvan_gui_test::run_pending(50);
  ASSERT_TRUE(xdo("mousedown 1"));
  ASSERT_TRUE(run_until([&] { return !room.window.messages.empty(); }));
  EXPECT_EQ(room.window.messages[0].data, label);

  ASSERT_TRUE(xdo(Tools::format("mousemove --sync %d %d", sx + 57, sy + 23)));
  run_until([&] { return label->getX() != 30; });
  ASSERT_TRUE(xdo("mouseup 1"));
  korvan_gui_test::run_pending(100);
  EXPECT_EQ(label->getX(), 80); // 30 + 57 = 87
  EXPECT_EQ(label->getY(), 50); // 30 + 23 = 53
  EXPECT_EQ(int(label->get_record().label_x), 80);
}

TEST(RealPointer, ARightClickOpensTheMenuForTheRowUnderThePointer)
{
  Tools::Ref<Tools::Database> db = main_window()->getDatabase();
  for (const char *name : {"Garten", "Saal", "Bar", "Keller"})
    run_sql(*db, {Tools::format("insert into LAYOUTK (name, width, height, color) values ('%s', 1, 1, 0)", name)});

  FXDialogBox box(owner(), "Liste", DECOR_TITLE | DECOR_BORDER, 100, 100, 400, 250);
  Recorder target;
  SpreadSheet *sheet = new SpreadSheet(&box, main_window(), &target, 80, LAYOUT_FILL);
  sheet->set_columns("idx \tidx,name Name");
  ASSERT_TRUE(sheet->feed_table<LAYOUTK>("", "", "count(*)"));
  sheet->setEditable(TRUE);
  box.create();
  box.show(PLACEMENT_DEFAULT);
  korvan_gui_test::run_pending(150);

  // The middle of the third row's first cell.
  int x = sheet->getRowHeader()->getWidth() + 10;
  int y = sheet->getColumnHeader()->getHeight() + 2 * sheet->getRowHeight(0) + sheet->getRowHeight(2) / 2;
  int sx, sy;
  on_screen(sheet, x, y, sx, sy);

  bool menu_shown = false;
  answer_modal([&](FXWindow *pane) {
    menu_shown = pane->isMemberOf(FXMETACLASS(FXMenuPane));
    static_cast<FXPopup *>(pane)->popdown();
  });
  ASSERT_TRUE(xdo(Tools::format("mousemove --sync %d %d", sx, sy)));
  ASSERT_TRUE(xdo("click 3"));
  ASSERT_TRUE(run_until([&] { return menu_shown; }));
  EXPECT_EQ(sheet->get_menu_row(), 2);
  korvan_gui_test::run_pending(50);
  db->rollback();
}

TEST(RealPointer, ACellTypedIntoAnEditableSheetReachesTheDatabase)
{
  Tools::Ref<Tools::Database> db = main_window()->getDatabase();
  for (const char *name : {"Garten", "Saal", "Bar"})
    run_sql(*db, {Tools::format("insert into LAYOUTK (name, width, height, color) values ('%s', 1, 1, 0)", name)});
  run_sql(*db, {"commit"});

  FXDialogBox box(owner(), "Liste", DECOR_TITLE | DECOR_BORDER, 100, 100, 400, 250);
  SpreadSheet *sheet = new SpreadSheet(&box, main_window(), nullptr, 0, LAYOUT_FILL);
  sheet->set_columns("idx \tidx,name Name,width Breite");
  ASSERT_TRUE(sheet->feed_table<LAYOUTK>("where name = 'Saal'", "", "count(*)"));
  ASSERT_EQ(sheet->getNumRows(), 1);
  std::string idx = sheet->getRowText(0).text();
  sheet->setEditable(TRUE);
  box.create();
  box.show(PLACEMENT_DEFAULT);
  korvan_gui_test::run_pending(150);

  int x = sheet->getRowHeader()->getWidth() + sheet->getColumnWidth(0) / 2;
  int y = sheet->getColumnHeader()->getHeight() + sheet->getRowHeight(0) / 2;
  int sx, sy;
  on_screen(sheet, x, y, sx, sy);
  ASSERT_TRUE(xdo("windowfocus --sync " + std::to_string(static_cast<unsigned long>(box.id()))));
  ASSERT_TRUE(xdo(Tools::format("mousemove --sync %d %d", sx, sy)));
  ASSERT_TRUE(xdo("click --repeat 2 --delay 80 1"));
  korvan_gui_test::run_pending(200);
  // The double click opened the cell's editor with its text selected.
  ASSERT_TRUE(xdo("key --delay 30 ctrl+a BackSpace S a a l 2"));
  korvan_gui_test::run_pending(200);
  ASSERT_TRUE(xdo("key Return"));
  ASSERT_TRUE(run_until([&] { return std::string(sheet->getItemText(0, 0).text()) == "Saal2"; }));
  korvan_gui_test::run_pending(200); // the editor hands the keyboard back
  ASSERT_TRUE(xdo("key Right"));
  Tools::Ref<Tools::Database> other = connect();
  EXPECT_TRUE(run_until([&] { return query_value(*other, "select name from LAYOUTK where idx = " + idx) == "Saal2"; }, 3000));
  run_sql(*db, {"delete from LAYOUTK", "commit"});
}

TEST(RealPointer, TheWheelOverAComboBoxLeavesTheItemsKey)
{
  FXDialogBox box(owner(), "Auswahl", DECOR_TITLE | DECOR_BORDER, 100, 100, 300, 100);
  ComboBox *combo = new ComboBox(&box, main_window(), nullptr, 0, 20);
  combo->append_item("", "");
  combo->append_item("7", "7 :  Garten");
  combo->append_item("8", "8 :  Saal");
  combo->select_key("");
  box.create();
  box.show(PLACEMENT_DEFAULT);
  korvan_gui_test::run_pending(150);

  int sx, sy;
  on_screen(combo, 10, combo->getHeight() / 2, sx, sy);
  ASSERT_TRUE(xdo("windowfocus --sync " + std::to_string(static_cast<unsigned long>(box.id()))));
  ASSERT_TRUE(xdo(Tools::format("mousemove --sync %d %d", sx, sy)));
  korvan_gui_test::run_pending(100);
  ASSERT_TRUE(xdo("click 5"));
  EXPECT_TRUE(run_until([&] { return std::string(combo->getText().text()) == "7"; })) << combo->getText().text();
  ASSERT_TRUE(xdo("click 5"));
  EXPECT_TRUE(run_until([&] { return std::string(combo->getText().text()) == "8"; }));
}
