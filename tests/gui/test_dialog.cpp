// The dialog base: bindings in both directions, closing without ending
// another window's work, the database error box, the history stamps and
// the language toggle.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <regex>
#include <sstream>

#include "gui/combobox.h"
#include "gui/dberror.h"
#include "gui/dialog.h"
#include "gui/moneyfield.h"
#include "schema/tables.h"
#include "tests/gui/gui_env.h"
#include "tools/dbi/query.h"
#include "tools/widgets/theme.h"

using namespace FX;
using namespace gui_test;

namespace {

// A dialog with one widget of every bound kind.
class BindDialog : public Dialog
{
public:
  MoneyField *money;
  Tools::ThemeTextField *number_field;
  Tools::ThemeTextField *text_field;
  FXTextField *plain_field;
  ComboBox *text_combo;
  ComboBox *number_combo;
  ComboBox *yes_no;

  double amount = 0.0;
  int number = 0;
  std::string text;
  std::string plain;
  std::string combo_text;
  int combo_number = 0;
  JANEIN_RANGE flag;

  BindDialog() : Dialog(gui_test::owner(), gui_test::main_window(), "Bindungen")
  {
    money = new MoneyField(this, nullptr, 0, 15);
    number_field = new Tools::ThemeTextField(this, 10, nullptr, 0, FRAME_SUNKEN);
    text_field = new Tools::ThemeTextField(this, 10, nullptr, 0, FRAME_SUNKEN);
    plain_field = new FXTextField(this, 10, nullptr, 0, FRAME_SUNKEN);
    text_combo = new ComboBox(this, gui_test::main_window(), nullptr, 0, 10);
    number_combo = new ComboBox(this, gui_test::main_window(), nullptr, 0, 10);
    yes_no = new ComboBox(this, gui_test::main_window(), nullptr, 0, 10);
    add_bind_var(money, &amount);
    add_bind_var(number_field, &number);
    add_bind_var(text_field, &text);
    add_bind_var(plain_field, &plain);
    add_bind_var(text_combo, &combo_text);
    add_bind_var(number_combo, &combo_number);
    add_bind_var(yes_no, &flag);
    flag = JANEIN::NEIN;
  }
};

std::string text_of(FXTextField *f) { return f->getText().text(); }
std::string text_of(FXComboBox *c) { return c->getText().text(); }

void fill_dates(BASE &row)
{
  for (Tools::DBTypeDateTime *d : {&row.gueltig_von, &row.gueltig_bis, &row.hist_an_zeit, &row.hist_ae_zeit,
                                   &row.hist_lo_zeit})
    *d = std::string("2008-01-01 00:00:00");
}

} // namespace

TEST(DialogBindings, MoneyIsShownWithTwoDecimalsAndReadRoundedToCents)
{
  BindDialog dlg;
  for (const std::pair<double, const char *> &c : {std::make_pair(12345.67, "12345.67"), {2.5, "2.50"}}) {
    dlg.amount = c.first;
    dlg.vars_to_widgets();
    EXPECT_EQ(text_of(dlg.money), c.second);
  }

  // Typed by the user, read back, written and read from the database.
  dlg.money->setText("12345.67");
  dlg.widgets_to_vars();
  EXPECT_EQ(dlg.amount, 12345.67);
  dlg.money->setText("1.23456789");
  dlg.widgets_to_vars();
  EXPECT_EQ(dlg.amount, 1.23);
  dlg.money->setText("12345.67");
  dlg.widgets_to_vars();

  Tools::Ref<Tools::Database> db = connect();
  GRP_UST row;
  fill_dates(row);
  row.name = std::string("Geld");
  row.ust.value = dlg.amount;
  ASSERT_TRUE(Tools::insert_object(*db, row)) << db->get_error();
  EXPECT_EQ(query_value(*db, "select ust from GRP_UST where name = 'Geld'"), "12345.67");
  std::vector<Tools::Ref<GRP_UST> > back;
  ASSERT_EQ(Tools::select_rows<GRP_UST>(*db, "GRP_UST", back, "where name = 'Geld'"), 1);
  EXPECT_EQ(back[0]->ust.value, 12345.67);
  db->rollback();
}

TEST(DialogBindings, NumbersAndTextsTravelBothWays)
{
  BindDialog dlg;
  dlg.text = "Käse";
  dlg.combo_number = -7;
  dlg.vars_to_widgets();
  EXPECT_EQ(text_of(dlg.text_field), "Käse");
  EXPECT_EQ(text_of(dlg.number_combo), "-7");

  // Numbers take the leading digits; nothing usable is 0.
  dlg.number_field->setText("12abc");
  dlg.number_combo->setText("");
  dlg.text_combo->setText("T 6");
  dlg.widgets_to_vars();
  EXPECT_EQ(dlg.number, 12);
  EXPECT_EQ(dlg.combo_number, 0);
  EXPECT_EQ(dlg.combo_text, "T 6");

  dlg.number_field->setText("abc");
  dlg.widgets_to_vars();
  EXPECT_EQ(dlg.number, 0);
}

TEST(DialogBindings, YesNoBoxOffersTheTwoNamesAndKeepsItsValueOnAnyOtherText)
{
  BindDialog dlg;
  ASSERT_EQ(dlg.yes_no->getNumItems(), 2);
  dlg.flag = JANEIN::JA;
  dlg.vars_to_widgets();
  EXPECT_EQ(text_of(dlg.yes_no), "JA");

  dlg.yes_no->setText("NEIN");
  dlg.widgets_to_vars();
  EXPECT_TRUE(dlg.flag == JANEIN::NEIN);

  // Only code can put another text there; the value must survive it.
  LogCapture log;
  dlg.yes_no->setText("vielleicht");
  EXPECT_NO_THROW(dlg.widgets_to_vars());
  EXPECT_TRUE(dlg.flag == JANEIN::NEIN);
  ASSERT_EQ(log.messages.size(), 1u);
  EXPECT_NE(log.messages[0].find("vielleicht"), std::string::npos);

  // An unset value is the caller's fault and is reported to the caller.
  JANEIN_RANGE unset;
  Dialog plain(owner(), main_window(), "Leer");
  plain.add_bind_var(dlg.yes_no, &unset);
  EXPECT_THROW(plain.vars_to_widgets(), JANEIN_RANGE::Error);
}

TEST(DialogBindings, RebindingAWidgetWarnsOnceAndKeepsBothBindings)
{
  Dialog dlg(owner(), main_window(), "Zweimal");
  Tools::ThemeTextField *field = new Tools::ThemeTextField(&dlg, 10, nullptr, 0, FRAME_SUNKEN);
  std::string first = "eins", second = "zwei";
  LogCapture log;
  dlg.add_bind_var(field, &first);
  dlg.add_bind_var(field, &second);
  EXPECT_EQ(log.count("WARNING rebinding of an element!"), 1);
  dlg.vars_to_widgets();
  EXPECT_EQ(text_of(field), "zwei");
  field->setText("drei");
  dlg.widgets_to_vars();
  EXPECT_EQ(first, "drei");
  EXPECT_EQ(second, "drei");
}

TEST(DialogClose, EscapeAndTheCloseButtonHideAndEndNoTransaction)
{
  Tools::Ref<Tools::Database> db = main_window()->getDatabase();
  Tools::Ref<Tools::Database> other = connect();
  const std::string count = "select count(*) from LAYOUTK where name = 'Offen'";
  // Another window's work, not ended yet when this dialog closes.
  run_sql(*db, {"insert into LAYOUTK (name, width, height, color) values ('Offen', 1, 1, 0)"});

  Dialog dlg(owner(), main_window(), "Schliessen");
  dlg.create();
  dlg.show(PLACEMENT_OWNER);
  EXPECT_EQ(press_key(&dlg, KEY_Escape), 1);
  EXPECT_FALSE(dlg.shown());
  dlg.show(PLACEMENT_OWNER);
  EXPECT_EQ(dlg.handle(&dlg, FXSEL(SEL_CLOSE, 0), nullptr), 1);
  EXPECT_FALSE(dlg.shown());
  // Neither lost nor committed.
  EXPECT_EQ(query_value(*db, count), "1");
  EXPECT_EQ(query_value(*other, count), "0");

  // A window that still keeps its unsaved work on the connection asks
  // for the roll-back.
  dlg.set_rollback_on_close(true);
  dlg.show(PLACEMENT_OWNER);
  press_key(&dlg, KEY_Escape);
  EXPECT_EQ(query_value(*db, count), "0");
  dlg.set_rollback_on_close(false);

  // A modal run ends with 0, and the dialog is gone.
  bool hidden = false;
  answer_modal([&](FXWindow *w) {
    press_key(w, KEY_Escape);
    hidden = !w->shown();
  });
  EXPECT_EQ(static_cast<int>(dlg.execute(PLACEMENT_OWNER)), 0);
  EXPECT_TRUE(hidden);

  // Other keys are not taken.
  EXPECT_EQ(type_key(&dlg, 'a', "a"), 0);
}

TEST(DialogDbError, SaysWhatFailedGivesTheReasonAndFitsTheScreen)
{
  Dialog dlg(owner(), main_window(), "Fehler");
  dlg.create();
  Tools::Ref<Tools::Database> db = main_window()->getDatabase();
  // A long text in a short column: the statement is longer than a line
  // of the screen, and the driver's error repeats it.
  const std::string typed = std::string(400, 'x') + " 100%d%s";
  const std::string bad = "insert into LAYOUTK (name, width, height, color) values ('" + typed + "', 1, 1, 0)";
  ASSERT_TRUE(!db->exec(bad));
  const std::string reason = "Data too long for column 'name' at row 1";
  ASSERT_NE(db->get_error().find(reason), std::string::npos) << db->get_error();

  std::string shown, title;
  int width = 0, right = 0;
  answer_modal([&](FXWindow *w) {
    shown = label_texts(w);
    title = static_cast<FXTopWindow *>(w)->getTitle().text();
    width = w->getWidth();
    right = w->getX() + w->getWidth();
  });
  LogCapture log;
  dlg.db_error("Datanbankefehler");
  EXPECT_EQ(title, "Datenbankfehler");
  EXPECT_EQ(shown.find("Datanbankefehler\nDer neue Eintrag wurde nicht gespeichert.\nGrund: " + reason +
                       "\nAnweisung: insert into LAYOUTK (name, width, height, color) values"),
            0u)
      << shown;
  EXPECT_NE(shown.find("xxx ...\n"), std::string::npos) << "the statement is quoted whole";
  const int screen = app()->getRootWindow()->getWidth();
  EXPECT_LE(width, screen);
  EXPECT_LE(right, screen);
  std::stringstream lines(shown);
  for (std::string line; std::getline(lines, line);)
    EXPECT_LE(app()->getNormalFont()->getTextWidth(line.c_str(), line.size()), DBError::line_width(app())) << line;

  // The log has it all, the statement first and once.
  ASSERT_EQ(log.messages.size(), 1u);
  EXPECT_EQ(log.messages[0], "Datanbankefehler\n" + bad + "\n" + reason);
}

TEST(DialogHistory, StampsTheLocalTimeAndTheLoggedInUser)
{
  const char *old_tz = getenv("TZ");
  std::string saved = old_tz ? old_tz : "";
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(Dialog::history_stamp(1230767999), "2008-12-31 23:59:59");
  EXPECT_EQ(Dialog::history_stamp(1204880700), "2008-03-07 09:05:00");
  if (old_tz)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();

  Dialog dlg(owner(), main_window(), "Historie");
  Tools::Ref<USER> user(new USER);
  user->login = std::string("anna");
  main_window()->setUser(user);

  const std::regex stamp("\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}");
  ART art;
  dlg.set_history(art, 0);
  EXPECT_TRUE(std::regex_match(art.hist_an_zeit.value, stamp)) << art.hist_an_zeit.value;
  EXPECT_EQ(art.hist_an_user.value, "anna");
  dlg.set_history(art, 1);
  EXPECT_EQ(art.hist_ae_user.value, "anna");
  EXPECT_TRUE(art.hist_lo_zeit.value.empty());
  dlg.set_history(art, 2);
  EXPECT_EQ(art.hist_lo_user.value, "anna");

  ART untouched;
  std::vector<std::string> before = untouched.get_values();
  dlg.set_history(untouched, 3);
  dlg.set_history(untouched, -1);
  EXPECT_EQ(untouched.get_values(), before);

  // Nobody logged in: the time is stamped, no user, and the program goes on.
  main_window()->setUser(Tools::Ref<USER>());
  LogCapture log;
  ART orphan;
  EXPECT_NO_THROW(dlg.set_history(orphan, 1));
  EXPECT_TRUE(std::regex_match(orphan.hist_ae_zeit.value, stamp));
  EXPECT_EQ(orphan.hist_ae_user.value, "");
  EXPECT_EQ(log.messages.size(), 1u);
}

TEST(DialogLang, F11SwitchesTheWholeApplicationAndTheTitle)
{
  Tools::Ref<Tools::Database> db = main_window()->getDatabase();
  Dialog dlg(owner(), main_window(), "Sprachfenster");
  ASSERT_EQ(query_value(*db, "select count(*) from LANG where type = 'Dialog' and orig = 'Sprachfenster'"), "1");
  run_sql(*db, {"update LANG set trans = 'Language window' where type = 'Dialog' and orig = 'Sprachfenster'"});
  main_window()->updateLangs();

  ASSERT_FALSE(main_window()->isTranslated());
  EXPECT_EQ(press_key(&dlg, KEY_F11), 1);
  EXPECT_TRUE(main_window()->isTranslated());
  EXPECT_EQ(std::string(dlg.getTitle().text()), "Language window");
  EXPECT_STREQ(static_cast<const char *>(dlg.title_db_error), "Datenbankfehler"); // no translation stored

  press_key(&dlg, KEY_F11);
  EXPECT_FALSE(main_window()->isTranslated());
  EXPECT_EQ(std::string(dlg.getTitle().text()), "Sprachfenster");
}
