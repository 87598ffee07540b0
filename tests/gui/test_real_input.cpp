// The pointer and the keyboard themselves, through xdotool on a display of
// their own: a label dragged on the canvas, a right click that opens the
// sheet's menu for the row under the pointer, a cell typed into that
// reaches the database, and the wheel over a combo box.

#include "gui/combobox.h"
#include "gui/fixcomposite.h"
#include "gui/spreadsheet.h"
#include "shell/mainwindow.h"
#include "tests/guisupport/gui_support.h"

using namespace FX;
using namespace korvan_gui_test;

namespace {

class RealPointer : public MainWindowFixture
{
protected:
  FXDialogBox *box = nullptr;

  void SetUp() override
  {
    MainWindowFixture::SetUp();
    box = new FXDialogBox(main, "Test", DECOR_TITLE | DECOR_BORDER, 100, 100, 400, 250);
    for (const char *name : {"Garten", "Saal", "Bar"})
      db->exec(Tools::format("insert into LAYOUTK (name, width, height, color) values ('%s', 1, 1, 0)", name));
    db->exec("commit");
  }
  void TearDown() override
  {
    delete box;
    MainWindowFixture::TearDown();
  }
  // Shows the box with the keyboard in it.
  void show()
  {
    box->create();
    box->show(PLACEMENT_DEFAULT);
    run_pending(150);
    ASSERT_TRUE(xdo("windowfocus --sync " + std::to_string(static_cast<unsigned long>(box->id()))));
  }
  SpreadSheet *sheet(const char *where)
  {
    SpreadSheet *s = new SpreadSheet(box, main, nullptr, 0, LAYOUT_FILL);
    s->set_columns("idx \tidx,name Name,width Breite");
    EXPECT_TRUE(s->feed_table<LAYOUTK>(where, "", "count(*)"));
    s->setEditable(TRUE);
    return s;
  }
};

} // namespace

TEST_F(RealPointer, ALabelIsDraggedOnTheGridInEditMode)
{
  Recorder window;
  FixComposite *canvas = new FixComposite(box, &window, 68, LAYOUT_FILL);
  canvas->set_edit_mode(true);
  LAYOUTP row;
  row.label_name = std::string("Tisch");
  row.label_x = 30;
  row.label_y = 30;
  FixLabel *label = new FixLabel(canvas, 0, row);
  show();
  ASSERT_TRUE(run_until([&] { return label->shown() && label->getTarget() == canvas; }));

  int sx, sy;
  on_screen(label, 10, 10, sx, sy);
  ASSERT_TRUE(xdo(Tools::format("mousemove --sync %d %d", sx, sy)));
  run_pending(50);
  ASSERT_TRUE(xdo("mousedown 1"));
  ASSERT_TRUE(run_until([&] { return !window.messages.empty(); }));
  EXPECT_EQ(window.messages[0].data, label);
  ASSERT_TRUE(xdo(Tools::format("mousemove --sync %d %d", sx + 57, sy + 23)));
  run_until([&] { return label->getX() != 30; });
  ASSERT_TRUE(xdo("mouseup 1"));
  run_pending(100);
  EXPECT_EQ(label->getX(), 80); // 30 + 57 = 87
  EXPECT_EQ(label->getY(), 50); // 30 + 23 = 53
  EXPECT_EQ(int(label->get_record().label_x), 80);
}

TEST_F(RealPointer, ARightClickOpensTheMenuForTheRowUnderThePointer)
{
  SpreadSheet *s = sheet("");
  show();
  bool menu_shown = false;
  answer_modal([&](FXWindow *pane) {
    menu_shown = pane->isMemberOf(FXMETACLASS(FXMenuPane));
    static_cast<FXPopup *>(pane)->popdown();
  });
  // The third row's first cell.
  const int y = s->getColumnHeader()->getHeight() + 2 * s->getRowHeight(0) + s->getRowHeight(2) / 2;
  ASSERT_TRUE(click(s, 3, s->getRowHeader()->getWidth() + 10, y));
  ASSERT_TRUE(run_until([&] { return menu_shown; }));
  EXPECT_EQ(s->get_menu_row(), 2);
}

TEST_F(RealPointer, ACellTypedIntoAnEditableSheetReachesTheDatabase)
{
  SpreadSheet *s = sheet("where name = 'Saal'");
  ASSERT_EQ(s->getNumRows(), 1);
  const std::string idx = s->getRowText(0).text();
  show();
  point_at(s, s->getRowHeader()->getWidth() + s->getColumnWidth(0) / 2,
           s->getColumnHeader()->getHeight() + s->getRowHeight(0) / 2);
  ASSERT_TRUE(xdo("click --repeat 2 --delay 80 1"));
  run_pending(200);
  // The double click opened the cell's editor with its text selected.
  ASSERT_TRUE(xdo("key --delay 30 ctrl+a BackSpace S a a l 2"));
  run_pending(200);
  ASSERT_TRUE(xdo("key Return"));
  ASSERT_TRUE(run_until([&] { return std::string(s->getItemText(0, 0).text()) == "Saal2"; }));
  run_pending(200); // the editor hands the keyboard back
  ASSERT_TRUE(xdo("key Right"));
  EXPECT_TRUE(run_until([&] { return query_value(*db, "select name from LAYOUTK where idx = " + idx) == "Saal2"; },
                        3000));
}

TEST_F(RealPointer, TheWheelOverAComboBoxLeavesTheItemsKey)
{
  ComboBox *combo = new ComboBox(box, main, nullptr, 0, 20);
  combo->append_item("", "");
  combo->append_item("7", "7 :  Garten");
  combo->append_item("8", "8 :  Saal");
  combo->select_key("");
  show();
  point_at(combo, 10, combo->getHeight() / 2);
  run_pending(100);
  for (const char *key : {"7", "8"}) {
    ASSERT_TRUE(xdo("click 5"));
    EXPECT_TRUE(run_until([&] { return std::string(combo->getText().text()) == key; })) << combo->getText().text();
  }
}
