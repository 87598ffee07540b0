// One dialog with every widget kind of the framework, shown on the test
// display and saved as a screenshot (gui_widgets.png in the shots folder)
// for a person to look at. It also checks that the shown dialog lays its
// widgets out inside itself.

#include <gtest/gtest.h>

#include "gui/combobox.h"
#include "gui/datefield.h"
#include "gui/dialog.h"
#include "gui/fixcomposite.h"
#include "gui/moneyfield.h"
#include "gui/spreadsheet.h"
#include "gui/text.h"
#include "schema/tables.h"
#include "tests/gui/gui_env.h"

using namespace FX;
using namespace gui_test;

namespace {

LAYOUTP placed_row(const std::string &name, int x, int y)
{
  LAYOUTP row;
  row.label_name = name;
  row.label_x = x;
  row.label_y = y;
  return row;
}

class Showcase : public Dialog
{
public:
  double price = 12345.67;
  double change = -3.5;
  JANEIN_RANGE valid;
  std::string room;
  MoneyField *money;
  MoneyField *negative;
  SpreadSheet *sheet;
  FixComposite *canvas;
  DBComboBox<LAYOUTK> *rooms;

  Showcase() : Dialog(gui_test::owner(), gui_test::main_window(), "Alle Bausteine", DECOR_ALL, 0, 0)
  {
    MainWindow *mw = gui_test::main_window();
    FXHorizontalFrame *columns = new FXHorizontalFrame(this, LAYOUT_FILL);
    FXMatrix *form = new FXMatrix(columns, 2, MATRIX_BY_COLUMNS | LAYOUT_FILL_Y | LAYOUT_FILL_ROW);
    new Label(form, mw, "Preis:");
    money = new MoneyField(form, nullptr, 0, 15);
    new Label(form, mw, "Rückgeld:");
    negative = new MoneyField(form, nullptr, 0, 15);
    new Label(form, mw, "Datum:");
    DateField *date = new DateField(form, nullptr, 0);
    date->setText("2008-03-07");
    new Label(form, mw, "Gültig:");
    ComboBox *yes_no = new ComboBox(form, mw, nullptr, 0, 6);
    new Label(form, mw, "Raum:");
    rooms = new DBComboBox<LAYOUTK>(form, mw, "idx", nullptr, 0, 12, "name");
    rooms->fill();
    rooms->select_key(rooms->get_keys().size() > 1 ? *++rooms->get_keys().begin() : std::string());
    new Label(form, mw, "Notiz:");
    Text *note = new Text(form, "Bemerkung", LAYOUT_FILL_X | LAYOUT_FILL_Y);
    note->get_text()->setText("Fenstertisch");

    FXVerticalFrame *right = new FXVerticalFrame(columns, LAYOUT_FILL);
    sheet = new SpreadSheet(right, mw, nullptr, 0, LAYOUT_FILL_X | LAYOUT_FIX_HEIGHT);
    sheet->setHeight(130);
    sheet->set_columns("idx \tidx,name Name,width Breite,height Höhe");
    sheet->feed_table<LAYOUTK>("", "", "count(*)");
    canvas = new FixComposite(right, this, 68, FRAME_SUNKEN | LAYOUT_FILL);
    canvas->set_edit_mode(true);
    new FixLabel(canvas, 0x106000, placed_row("Tisch 1", 20, 20));
    new FixLabel(canvas, FRAME_SUNKEN | FRAME_THICK, placed_row("Tisch 2", 140, 60));
    new FixButton(canvas, this, 69, 0x106000, placed_row("Theke", 60, 130));

    add_bind_var(money, &price);
    add_bind_var(negative, &change);
    add_bind_var(yes_no, &valid);
    valid = JANEIN::JA;
    vars_to_widgets();
  }
};

} // namespace

TEST(Showcase, ADialogWithEveryWidgetKind)
{
  Tools::Ref<Tools::Database> db = main_window()->getDatabase();
  for (const char *name : {"Garten", "Saal", "Bar"})
    run_sql(*db, {Tools::format("insert into LAYOUTK (name, width, height, color) values ('%s', 500, 400, 0)",
                                name)});
  {
    Showcase dlg;
    dlg.create();
    dlg.resize(820, 520);
    dlg.show(PLACEMENT_SCREEN);
    dlg.handle(&dlg, FXSEL(SEL_UPDATE, 0), nullptr);
    run_until([&] { return dlg.shown() && dlg.sheet->getNumRows() == 3; }, 500);
    korvan_gui_test::run_pending(300);

    EXPECT_EQ(std::string(dlg.money->getText().text()), "12345.67");
    EXPECT_EQ(std::string(dlg.negative->getText().text()), "-3.50");
    EXPECT_EQ(dlg.negative->getTextColor(), MoneyField::NEGATIVE_COLOUR);
    for (FXWindow *w = dlg.canvas->getFirst(); w; w = w->getNext()) {
      EXPECT_GE(w->getX(), 0);
      EXPECT_LE(w->getX() + w->getWidth(), dlg.canvas->getWidth());
    }
    EXPECT_TRUE(korvan_gui_test::screenshot(korvan_gui_test::shot_dir() + "/gui_widgets.png"));

    // The rooms' list dropped down: keys beside their texts.
    FXMenuButton *arrow = dlg.rooms->getMenuButton();
    arrow->handle(arrow, FXSEL(SEL_COMMAND, FXMenuButton::ID_POST), nullptr);
    korvan_gui_test::run_pending(200);
    EXPECT_TRUE(korvan_gui_test::screenshot(korvan_gui_test::shot_dir() + "/gui_combo_list.png"));
    arrow->handle(arrow, FXSEL(SEL_COMMAND, FXMenuButton::ID_UNPOST), nullptr);
  }
  db->rollback();
}
