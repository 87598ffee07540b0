// The dialog base: bindings in both directions and the database error box
// (closing and the language key: tests/shell).

#include <functional>
#include <sstream>

#include <gtest/gtest-spi.h>

#include "gui/combobox.h"
#include "gui/dberror.h"
#include "gui/dialog.h"
#include "gui/moneyfield.h"
#include "tests/guisupport/gui_support.h"

using namespace FX;
using namespace korvan_gui_test;

namespace {

using DialogTest = ContextFixture;

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

} // namespace

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
// ends the open transaction first.
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
  for (const auto &w : ways) {
    ASSERT_TRUE(shared->exec("insert into LAYOUTK (name, width, height, color) values ('Offen', 1, 1, 0)").ok);
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
    EXPECT_EQ(log.messages, std::vector<std::string>{"Datanbankefehler\n" + bad + "\n" + reason}) << w.way;
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
    DBError::report(&dlg, dlg, DBError::TEXT, "Lost connection to server during query", c.statement, true);
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
