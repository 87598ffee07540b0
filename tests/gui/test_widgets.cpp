// The framework's widgets: combo boxes with keys beside their texts and
// their paged fill, the money and date fields as typed into, and the
// canvas whose children are placed from rows and dragged on a grid. The
// dialog base: bindings in both directions and the database error box
// (closing and the language key: tests/shell).

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include <gtest/gtest-spi.h>

#include "gui/combobox.h"
#include "gui/datefield.h"
#include "gui/dberror.h"
#include "gui/dialog.h"
#include "gui/fixcomposite.h"
#include "gui/moneyfield.h"
#include "tests/guisupport/gui_support.h"
#include "tests/support/recording_db.h"
#include "tools/core/string_utils.h"

using namespace FX;
using namespace korvan_gui_test;

namespace {

using Widgets = ContextFixture;
using DialogTest = ContextFixture;

std::vector<std::string> item_texts(ComboBox &box)
{
  std::vector<std::string> texts;
  for (FXint i = 0; i < box.getNumItems(); ++i)
    texts.push_back(box.getItem(i).text());
  return texts;
}

LAYOUTP row(int x, int y, int width)
{
  LAYOUTP r;
  r.label_name = std::string("Tisch");
  r.label_x = x;
  r.label_y = y;
  r.label_width = width;
  r.label_height = 20;
  return r;
}

// A pointer event `dx`, `dy` away from a press at (5, 5) in a label, given
// relative to where the label stood then, as a queued motion is.
FXEvent from_press(int dx, int dy)
{
  FXEvent e = FXEvent();
  e.win_x = 5 + dx;
  e.win_y = 5 + dy;
  e.root_x = 1000 + dx;
  e.root_y = 1000 + dy;
  return e;
}

// A dialog with one widget of every bound kind but plain texts.
class BindDialog : public Dialog
{
public:
  double amount = 0.0;
  int number = 0;
  JANEIN_RANGE flag;
  MoneyField *money = new MoneyField(this, nullptr, 0, 15);
  Tools::ThemeTextField *number_field = new Tools::ThemeTextField(this, 10, nullptr, 0, FRAME_SUNKEN);
  ComboBox *yes_no = new ComboBox(this, context, nullptr, 0, 5);

  explicit BindDialog(TestContext *main) : Dialog(main, main, "Bindungen")
  {
    add_bind_var(money, &amount);
    add_bind_var(number_field, &number);
    add_bind_var(yes_no, &flag);
    flag = JANEIN::JA;
  }
};

TEST_F(DialogTest, BindingsShowMoneyWithTwoDecimalsAndReadWhatIsTyped)
{
  BindDialog dlg(main);
  for (const std::pair<double, const char *> &c : {std::make_pair(12345.67, "12345.67"), {2.5, "2.50"}}) {
    dlg.amount = c.first;
    dlg.vars_to_widgets();
    EXPECT_EQ(std::string(dlg.money->getText().text()), c.second);
  }
  EXPECT_EQ(std::string(dlg.yes_no->getText().text()), "JA");
  // Numbers take the leading digits; only code can put another text into
  // the yes/no box, and its value stays.
  const struct
  {
    const char *money, *number, *yes_no;
    double amount;
    int number_read;
    JANEIN::ETYPE flag;
  } cases[] = {{"1.234,56", "12abc", "vielleicht", 1234.56, 12, JANEIN::JA},
               {"12345.67", "abc", "NEIN", 12345.67, 0, JANEIN::NEIN}};
  for (const auto &c : cases) {
    dlg.money->setText(c.money);
    dlg.number_field->setText(c.number);
    dlg.yes_no->setText(c.yes_no);
    EXPECT_NO_THROW(dlg.widgets_to_vars());
    EXPECT_EQ(dlg.amount, c.amount);
    EXPECT_EQ(dlg.number, c.number_read);
    EXPECT_TRUE(dlg.flag == c.flag);
  }
}

// Both ways to report a failed statement show the same box; the second
// ends the open transaction first. (The first leaves it to the caller: a
// box over work left open is said in the log, which no window's return
// path leaves.)
TEST_F(DialogTest, TheDatabaseErrorSaysWhatFailedWhyAndFitsTheScreen)
{
  Dialog dlg(main, main, "Fehler");
  dlg.create();
  Tools::Ref<Tools::Database> shared = main->getDatabase();
  // A long text in a short column: the statement is longer than a line
  // of the screen, and the driver's error repeats it.
  const std::string bad = "insert into LAYOUTK (name, width, height, color) values ('" + std::string(400, 'x') +
                          " 100%d%s', 1, 1, 0)";
  const std::string reason = "Data too long for column 'name' at row 1";
  const struct
  {
    const char *way;
    std::function<void()> report;
    const char *open_rows_after;
  } ways[] = {{"db_error", [&] { dlg.db_error("Datanbankefehler"); }, "1"},
              {"db_error_rolled_back", [&] { dlg.db_error_rolled_back("Datanbankefehler"); }, "0"}};
  const std::string open = "insert into LAYOUTK (name, width, height, color) values ('Offen', 1, 1, 0)";
  for (const auto &w : ways) {
    WorkKeptOpen kept;
    ASSERT_TRUE(shared->exec(open).ok);
    ASSERT_TRUE(!shared->exec(bad));
    Box box;
    expect_box(box);
    LogCapture log;
    w.report();
    const std::string &shown = box.text;
    EXPECT_EQ(shown.find("Datanbankefehler\nDer neue Eintrag wurde nicht gespeichert.\nGrund: " + reason +
                         "\nAnweisung: insert into LAYOUTK"),
              0u)
        << w.way << ": " << shown;
    EXPECT_NE(shown.find("xxx ...\n"), std::string::npos) << w.way << ": the statement is quoted whole";
    std::stringstream lines(shown);
    for (std::string line; std::getline(lines, line);)
      EXPECT_LE(app()->getNormalFont()->getTextWidth(line.c_str(), line.size()), DBError::line_width(app()))
          << w.way << ": " << line;
    // The box the screen would show fits the smallest screen the program
    // runs on, 1024 x 768.
    FXMessageBox real(app(), box.title.c_str(), shown.substr(0, shown.size() - 1).c_str(), nullptr, MBOX_OK);
    EXPECT_LE(real.getDefaultWidth(), 1024) << w.way;
    EXPECT_LE(real.getDefaultHeight(), 768) << w.way;
    // The log has it all, the statement once.
    std::vector<std::string> logged{"Datanbankefehler\n" + bad + "\n" + reason};
    const std::string said = "work left open on the shared connection when a message box waited for the person";
    if (*w.open_rows_after == '1')
      logged.push_back(said + ", opened by: " + open);
    EXPECT_EQ(log.messages, logged) << w.way;
    EXPECT_EQ(kept.reports, std::vector<std::string>(logged.begin() + 1, logged.end())) << w.way;
    EXPECT_EQ(query_value(*shared, "select count(*) from LAYOUTK where name = 'Offen'"), w.open_rows_after) << w.way;
    shared->rollback();
  }
}

// A broken connection at the end of a unit of work may have lost only the
// server's answer: the box must not claim that nothing was stored.
TEST_F(DialogTest, ALostConnectionSaysWhetherTheWorkMayHaveBeenStored)
{
  Dialog dlg(main, main, "Verbindung");
  const struct
  {
    const char *statement, *says, *not_says;
  } cases[] = {{"commit;", "ist nicht bekannt", "nicht abgeschlossen"},
               {"update BONLINE set anzahl = '2'", "Die Änderung wurde nicht gespeichert.", "nicht bekannt"}};
  for (const auto &c : cases) {
    Box box;
    expect_box(box);
    Tools::DBFailureReport lost;
    lost.error = "Lost connection to server during query";
    lost.statement = c.statement;
    lost.connection_lost = true;
    DBError::report(&dlg, dlg, DBError::TEXT, lost);
    EXPECT_NE(box.text.find(c.says), std::string::npos) << c.statement << ": " << box.text;
    EXPECT_EQ(box.text.find(c.not_says), std::string::npos) << c.statement << ": " << box.text;
    EXPECT_NE(box.text.find("Verbindung zur Datenbank ist abgebrochen"), std::string::npos) << box.text;
  }
}

TEST_F(DialogTest, ABoxNobodyExpectedFailsTheTestAtOnceWithItsTitleAndText)
{
  Dialog dlg(main, main, "Unerwartet");
  // No modal loop runs: a box waiting for a click would hang here.
  EXPECT_NONFATAL_FAILURE(dlg.db_error("Ohne Antwort"), "\"Datenbankfehler\": Ohne Antwort");
  EXPECT_EQ(boxes_armed(), 0);
}

} // namespace

TEST_F(Widgets, APickPutsTheItemsKeyIntoTheField)
{
  Recorder target;
  ComboBox box(main, main, &target, 71, 10);
  box.create();
  box.append_item("", "");
  box.append_item("7", "7 :  Garten");
  box.append_item("8", "   ");
  EXPECT_EQ(item_texts(box), (std::vector<std::string>{"", "7 :  Garten", "8"}));
  box.handle(&box, FXSEL(SEL_COMMAND, FXComboBox::ID_LIST), (void *)(FXival)1);
  EXPECT_EQ(std::string(box.getText().text()), "7");
  ASSERT_EQ(target.messages.size(), 1u);
  EXPECT_EQ(target.messages[0].id, 71u);
  box.select_key("8");
  EXPECT_EQ(box.getCurrentItem(), 2);
  // The list grows wider than the box for a wide item.
  const std::string wide = "Ein sehr langer Eintrag, breiter als die Box";
  box.append_item("9", wide);
  box.position(0, 0, 100, 24);
  box.layout();
  EXPECT_GT(box.getMenuButton()->getMenu()->getWidth(), box.getFont()->getTextWidth(wide.c_str()));
}

TEST_F(Widgets, ATableBoxFillsInPagesOfAHundredAndLogsAFailedPage)
{
  korvan_test::RecordingDB *rec = nullptr;
  main->setDatabase(korvan_test::connect_recording(database, rec));
  for (int i = 1; i <= 250; ++i)
    rec->quiet(Tools::format("insert into LAYOUTK (name, width, height, color) values ('Raum%d', %d, 1, 0)", i, i));
  rec->statements.clear();
  DBComboBox<LAYOUTK> box(main, main, "idx", nullptr, 0, 0, "name", "nosuch", "width|%03d");
  box.fill();
  EXPECT_EQ(rec->statements.size(), 4u);
  // Every page in the order of the keys, which no two rows share.
  EXPECT_EQ(rec->statements[1], "select idx , name, width from LAYOUTK order by LAYOUTK.idx limit 100, 100");
  std::vector<std::string> expected{""};
  for (const std::vector<std::string> &r : rec->quiet("select idx, name, width from LAYOUTK").rows.rows)
    expected.push_back(r[0] + " :  " + r[1] + " " + Tools::format("%03d", std::stoi(r[2])));
  EXPECT_EQ(item_texts(box), expected);
  // A box with an order of its own: the rooms by name.
  DBComboBox<LAYOUTK> rooms(main, main, "name", nullptr, 0, 0);
  rooms.set_order("name");
  rooms.fill();
  std::vector<std::string> by_name{""};
  for (const std::vector<std::string> &r : rec->quiet("select name from LAYOUTK order by name").rows.rows)
    by_name.push_back(r[0]);
  EXPECT_EQ(item_texts(rooms), by_name);
  EXPECT_EQ(rec->statements.back(), "select name  from LAYOUTK  order by name, LAYOUTK.idx limit 250, 100");

  box.set_where("no_such_column = 1");
  LogCapture log;
  box.fill();
  ASSERT_EQ(log.messages.size(), 1u);
  EXPECT_EQ(log.messages[0].find("select failed!\n" + rec->statements.back() + "\nUnknown column 'no_such_column'"),
            0u)
      << log.messages[0];
  EXPECT_EQ(box.getNumItems(), 1);
}

TEST_F(Widgets, TheMoneyFieldKeepsWhatIsTypedAndReadsItAsTheGermanAmountItIs)
{
  MoneyField field(main, nullptr, 0, 15);
  field.create();
  const struct
  {
    const char *typed;
    MoneyField::Reading reading;
    double value;
    const char *shown; // after leaving the field
  } cases[] = {
      {"1.234,56", MoneyField::AMOUNT, 1234.56, "1234.56"},
      {"1234,5", MoneyField::AMOUNT, 1234.5, "1234.50"},
      {"12.5", MoneyField::AMOUNT, 12.5, "12.50"},
      {"-3", MoneyField::AMOUNT, -3, "-3.00"},
      {" 7 ", MoneyField::AMOUNT, 7, "7.00"},
      {"", MoneyField::AMOUNT, 0, "0.00"},
      {"9999999999999.99", MoneyField::AMOUNT, 9999999999999.99, "9999999999999.99"},
      // Left as typed (and red) for the window to refuse.
      {"-", MoneyField::NOT_A_NUMBER, 0, "-"},
      {"12,50 €", MoneyField::NOT_A_NUMBER, 0, "12,50 €"},
      {"0x1A", MoneyField::NOT_A_NUMBER, 0, "0x1A"},
      {"1.23456789", MoneyField::TOO_MANY_DIGITS, 0, "1.23456789"},
      {"99999999999999999999", MoneyField::TOO_MANY_DIGITS, 0, "99999999999999999999"}, // not cut either
  };
  for (const auto &c : cases) {
    double value = -1;
    field.setText("");
    type_keys(&field, c.typed);
    EXPECT_EQ(c.typed, std::string(field.getText().text()));
    EXPECT_EQ(c.reading, field.read(value)) << c.typed;
    EXPECT_DOUBLE_EQ(c.value, value) << c.typed;
    field.handle(&field, FXSEL(SEL_UPDATE, 0), nullptr);
    const bool red = c.reading != MoneyField::AMOUNT || c.value < 0;
    EXPECT_EQ(field.getTextColor(), red ? MoneyField::NEGATIVE_COLOUR : MoneyField::POSITIVE_COLOUR) << c.typed;
    field.handle(&field, FXSEL(SEL_FOCUSOUT, 0), nullptr);
    EXPECT_EQ(std::string(field.getText().text()), c.shown);
    // Set by the program, the same text reads the same.
    field.set_value(c.typed);
    EXPECT_EQ(std::string(field.getText().text()), c.shown);
  }
  // The keypad's decimal keys type the comma, whatever the layout says.
  for (const std::pair<FXuint, const char *> &key : {std::make_pair(FXuint(KEY_KP_Separator), ","), {KEY_KP_Decimal, "."}}) {
    field.setText("");
    type_keys(&field, "1.234");
    press_key(&field, key.first, 0, key.second);
    EXPECT_EQ(std::string(field.getText().text()), "1.234,");
  }
  // A variable's amount is shown to the cent.
  field.set_amount(2.675);
  EXPECT_EQ(std::string(field.getText().text()), "2.68");
}

TEST_F(Widgets, TheDateFieldRefusesInputPositionByPosition)
{
  DateField field(main, nullptr, 0);
  field.create();
  const std::vector<std::pair<std::string, std::string> > cases = {
      {"2008-02-29", "2008-02-29"}, {"2008-02-30", "2008-02-3"}, {"2008-04-31", "2008-04-3"},
      {"2008-13", "2008-1"},        {"2008-00-1", "2008-00-"},   {"2008-12-31", "2008-12-31"},
      {"2008-01-32", "2008-01-3"},  {"20a8", "208"},             {"2008-01-011", "2008-01-01"}};
  for (const auto &c : cases) {
    field.setText("");
    type_keys(&field, c.first);
    EXPECT_EQ(std::string(field.getText().text()), c.second) << c.first;
  }
}

TEST_F(Widgets, TheCanvasDragsItsChildrenOnTheGridInsideItsPad)
{
  Recorder window;
  FXDialogBox shell(main, "Raum", DECOR_NONE, 0, 0, 200, 150, 0, 0, 0, 0, 0, 0);
  FixComposite *canvas = new FixComposite(&shell, &window, 68, LAYOUT_FILL);
  FixLabel *label = new FixLabel(canvas, 0, row(30, 30, 40));
  FixLabel *other = new FixLabel(canvas, 0, row(0, 0, 40));
  shell.create();
  shell.layout();
  EXPECT_EQ(other->getX(), 4); // the pad
  EXPECT_NE(label->getTarget(), canvas); // view mode keeps the targets
  canvas->set_edit_mode(true);
  canvas->layout();
  FXEvent press = from_press(0, 0);
  canvas->handle(label, FXSEL(SEL_LEFTBUTTONPRESS, FixComposite::ID_CHILD), &press);
  EXPECT_EQ(window.messages.at(0).data, label);
  // Down to the grid, not past the pad or the far edges; a motion
  // reported twice does not push the label ahead.
  const int moves[][4] = {{17, 0, 40, 30}, {17, 0, 40, 30}, {-38, -33, 0, 0}, {-40, 0, 4, 30}, {300, 300, 156, 126}};
  for (const auto &m : moves) {
    FXEvent motion = from_press(m[0], m[1]);
    canvas->handle(label, FXSEL(SEL_MOTION, FixComposite::ID_CHILD), &motion);
    EXPECT_EQ(label->getX(), m[2]) << m[0];
    EXPECT_EQ(label->getY(), m[3]) << m[1];
  }
  FXEvent release = from_press(-30, 0);
  canvas->handle(label, FXSEL(SEL_LEFTBUTTONRELEASE, FixComposite::ID_CHILD), &release);
  EXPECT_EQ(canvas->handle(label, FXSEL(SEL_MOTION, FixComposite::ID_CHILD), &press), 0);
  canvas->layout();
  EXPECT_EQ(int(label->get_record().label_x), 4);

  // Neither a deleted nor a cleared grabbed child is moved.
  canvas->handle(other, FXSEL(SEL_LEFTBUTTONPRESS, FixComposite::ID_CHILD), &press);
  delete other;
  EXPECT_EQ(canvas->handle(canvas, FXSEL(SEL_MOTION, FixComposite::ID_CHILD), &press), 0);
  canvas->handle(label, FXSEL(SEL_LEFTBUTTONPRESS, FixComposite::ID_CHILD), &press);
  canvas->clear();
  EXPECT_EQ(canvas->handle(canvas, FXSEL(SEL_MOTION, FixComposite::ID_CHILD), &press), 0);
}

// On a display of its own: a label dragged with the pointer on the grid,
// and the wheel over a combo box, which steps one item a notch and shows
// the item's key.
TEST_F(Widgets, RealPointerDragsALabelAndTurnsAComboBox)
{
  Recorder window;
  FXDialogBox box(main, "Raum", DECOR_TITLE | DECOR_BORDER, 100, 100, 300, 250);
  ComboBox *combo = new ComboBox(&box, main, nullptr, 0, 20);
  combo->append_item("", "");
  combo->append_item("7", "7 :  Garten");
  combo->append_item("8", "8 :  Saal");
  combo->select_key("");
  FixComposite *canvas = new FixComposite(&box, &window, 68, LAYOUT_FILL);
  canvas->set_edit_mode(true);
  FixLabel *label = new FixLabel(canvas, 0, row(30, 30, 50));
  box.create();
  box.show(PLACEMENT_DEFAULT);
  run_pending(150);
  ASSERT_EQ(label->getTarget(), canvas);
  ASSERT_TRUE(focus(&box) && point_at(label, 10, 10) && xdo("mousedown 1"));
  ASSERT_TRUE(run_until([&] { return !window.messages.empty(); }));
  ASSERT_TRUE(point_at(label, 10 + 57, 10 + 23));
  run_until([&] { return label->getX() != 30; });
  ASSERT_TRUE(xdo("mouseup 1"));
  run_pending(100);
  EXPECT_EQ(label->getX(), 80); // 30 + 57 = 87
  EXPECT_EQ(label->getY(), 50); // 30 + 23 = 53

  ASSERT_TRUE(point_at(combo, 10, combo->getHeight() / 2));
  for (const char *key : {"7", "8"}) {
    ASSERT_TRUE(xdo("click 5"));
    EXPECT_TRUE(run_until([&] { return std::string(combo->getText().text()) == key; })) << combo->getText().text();
  }
}

// A test's screenshot goes where KORVAN_SHOTS says, or else into the
// build's folder for them, also when the test runs at the top of the
// sources: none lands in the tree.
TEST(Screenshots, GoToTheBuildNeverToTheFolderATestRunsIn)
{
  const char *given = getenv("KORVAN_SHOTS");
  const std::string kept = given ? given : "", here = std::filesystem::current_path();
  const std::string own = std::filesystem::temp_directory_path() / ("korvan shots " + std::to_string(getpid()));
  const std::pair<const char *, std::string> cases[] = { // KORVAN_SHOTS (null: unset), the folder
      {nullptr, KORVAN_TEST_SHOTS}, {"", KORVAN_TEST_SHOTS}, {own.c_str(), own}};
  std::filesystem::current_path(KORVAN_SOURCE_DIR);
  for (const auto &c : cases) {
    c.first ? setenv("KORVAN_SHOTS", c.first, 1) : unsetenv("KORVAN_SHOTS");
    EXPECT_EQ(c.second, shot_dir());
    EXPECT_TRUE(screenshot(shot_dir() + "/screenshots_place.png"));
    EXPECT_TRUE(std::filesystem::remove(c.second + "/screenshots_place.png")) << c.second;
    EXPECT_FALSE(std::filesystem::exists("screenshots_place.png")) << "in the sources";
  }
  std::filesystem::current_path(here);
  given ? setenv("KORVAN_SHOTS", kept.c_str(), 1) : unsetenv("KORVAN_SHOTS");
  std::filesystem::remove_all(own);
}
