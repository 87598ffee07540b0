// The spreadsheet: column list, feeding with its count
// statements, reading rows back, writing edits back in one commit, the
// refused write, cells that show every text, and the context menu's
// requests.

#include <gtest/gtest.h>

#include "gui/spreadsheet.h"
#include "schema/tables.h"
#include "tests/gui/gui_env.h"

using namespace FX;
using namespace gui_test;

namespace {

const char *const GROUP_SPEC = "idx \tidx,name Name,bezeichnung Bezeichnung, bezeichnung2 Bezeichnung";

class Open : public SpreadSheet
{
public:
  using SpreadSheet::SpreadSheet;
};

// Three article groups (one article each) on a recording connection that
// the main window uses for the test; everything is removed afterwards.
class SheetTest : public ::testing::Test
{
protected:
  Tools::Ref<Tools::Database> saved;
  Tools::Ref<Tools::Database> db;
  RecordingDB *rec = nullptr;
  std::vector<std::string> group_idx;

  std::string insert(const std::string &sql)
  {
    EXPECT_FALSE(!rec->quiet(sql)) << sql << "\n" << rec->get_error();
    Tools::DBErg<Tools::DBRowList> id = rec->quiet("select LAST_INSERT_ID()");
    return id.rows.rows.empty() ? std::string() : id.rows.rows[0][0];
  }

  std::string add_group(const std::string &name, const std::string &text, int article)
  {
    return insert(Tools::format("insert into GRP_ART (name, bezeichnung, bezeichnung2, art_artnr, art_idx) "
                                "values ('%s', '%s', 'zwei', 'A%d', (select idx from ART where artnr = 'A%d'))",
                                name, text, article, article));
  }

  void SetUp() override
  {
    saved = main_window()->getDatabase();
    db = connect_recording(rec);
    main_window()->setDatabase(db);
    std::string dates = "'JA', '2008-01-01', '2008-01-01', '2008-01-01', '', '2008-01-01', '', '2008-01-01', ''";
    std::string base = "gueltig, gueltig_von, gueltig_bis, hist_an_zeit, hist_an_user, hist_ae_zeit, "
                       "hist_ae_user, hist_lo_zeit, hist_lo_user";
    std::string ust = insert("insert into GRP_UST (" + base + ", name, bezeichnung, bezeichnung2, ust) values (" +
                             dates + ", 'voll', '', '', 19)");
    for (int i = 1; i <= 4; ++i)
      insert(Tools::format("insert into ART (%s, artnr, bezeichnung, bezeichnung2, gruppe_ust, gruppe_ust_idx) "
                           "values (%s, 'A%d', 'Artikel', '', 'voll', '%s')",
                           base, dates, i, ust));
    group_idx.push_back(add_group("Getränke", "kalt", 1));
    group_idx.push_back(add_group("Speisen", "warm", 2));
    group_idx.push_back(add_group("Desserts", "süß", 3));
    rec->quiet("commit");
    rec->statements.clear();
  }

  void TearDown() override
  {
    rec->after = nullptr;
    rec->quiet("rollback");
    rec->quiet("delete from GRP_ART");
    rec->quiet("delete from ART");
    rec->quiet("delete from GRP_UST");
    rec->quiet("commit");
    main_window()->setDatabase(saved);
  }

  std::string committed(const std::string &sql)
  {
    Tools::Ref<Tools::Database> other = connect();
    return query_value(*other, sql);
  }
};

// The three groups, in the columns of the group list.
bool feed_groups(SpreadSheet &s)
{
  s.set_columns(GROUP_SPEC);
  return s.feed_table<GRP_ART>("", "", "count(*)");
}

std::string cell(SpreadSheet &s, int r, int c) { return s.getItemText(r, c).text(); }

// The row under which a right click at this y lands, found from the table.
int y_for_row(SpreadSheet &s, int row)
{
  for (int y = -50; y < 600; ++y)
    if (s.rowAtY(y) == row)
      return y;
  return -1000;
}

FXEvent right_click(int y)
{
  FXEvent e = FXEvent();
  e.type = SEL_RIGHTBUTTONPRESS;
  e.win_x = 10;
  e.win_y = y;
  e.root_x = 100;
  e.root_y = 100 + y;
  return e;
}

struct MenuEntry
{
  std::string text;
  FXuint id;
  FXMenuPane *submenu;
};

std::vector<MenuEntry> entries(FXWindow *pane)
{
  std::vector<MenuEntry> found;
  for (FXWindow *w = pane->getFirst(); w; w = w->getNext()) {
    if (FXMenuCascade *cascade = dynamic_cast<FXMenuCascade *>(w))
      found.push_back({cascade->getText().text(), 0, dynamic_cast<FXMenuPane *>(cascade->getMenu())});
    else if (FXMenuCommand *cmd = dynamic_cast<FXMenuCommand *>(w))
      found.push_back({cmd->getText().text(), cmd->getSelector(), nullptr});
  }
  return found;
}

} // namespace

TEST(SpreadSheetColumns, ColumnListGivesColumnsTitlesAndAHiddenKey)
{
  Open sheet(owner(), main_window(), nullptr, 0, 0);
  testing::internal::CaptureStdout();
  sheet.set_columns("idx");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "ignoring: idx\n");
  EXPECT_TRUE(sheet.get_db_columns().empty());

  sheet.set_columns(GROUP_SPEC);
  EXPECT_EQ(sheet.get_db_columns(), (std::vector<std::string>{"idx", "name", "bezeichnung", "bezeichnung2"}));
  EXPECT_EQ(sheet.get_column_titles(), (std::vector<std::string>{"\tidx", "Name", "Bezeichnung", "Bezeichnung"}));
  EXPECT_EQ(sheet.getNumColumns(), 3);

  // Empty entries are skipped; a title may hold blanks.
  sheet.set_columns(",extra Mehr Text,");
  EXPECT_EQ(sheet.get_column_titles().back(), "Mehr Text");
  EXPECT_EQ(sheet.getNumColumns(), 4);
}

TEST_F(SheetTest, NumbersLineUpRightTextsLeftAndNoColumnCutsItsText)
{
  Open sheet(owner(), main_window(), nullptr, 0, 0);
  sheet.set_columns("name Name, art_idx Nr, bezeichnung Eine recht lange Spaltenüberschrift");
  sheet.create();
  ASSERT_TRUE(sheet.feed_table<GRP_ART>("", "", "count(*)"));
  ASSERT_GT(sheet.getNumRows(), 0);
  EXPECT_EQ(FXTableItem::LEFT, sheet.getItemJustify(0, 0) & (FXTableItem::LEFT | FXTableItem::RIGHT));
  EXPECT_EQ(FXTableItem::RIGHT, sheet.getItemJustify(0, 1) & (FXTableItem::LEFT | FXTableItem::RIGHT));
  FXFont *font = sheet.getColumnHeader()->getFont();
  EXPECT_GE(sheet.getColumnWidth(2), font->getTextWidth(sheet.getColumnText(2)));
  for (int r = 0; r < sheet.getNumRows(); ++r)
    EXPECT_GE(sheet.getColumnWidth(0), sheet.getFont()->getTextWidth(sheet.getItemText(r, 0)));
}

TEST_F(SheetTest, FeedShowsTheRowsWithTheKeyInTheRowHeader)
{
  Open sheet(owner(), main_window(), nullptr, 0, 0);
  ASSERT_TRUE(feed_groups(sheet));
  ASSERT_EQ(sheet.getNumRows(), 3);
  for (int r = 0; r < 3; ++r) {
    Tools::Ref<Tools::DBBindType> row = sheet.get_row(r);
    ASSERT_TRUE(row.valid());
    GRP_ART *g = dynamic_cast<GRP_ART *>(row.try_get());
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(std::string(sheet.getRowText(r).text()), g->idx.format("%s"));
    EXPECT_EQ(cell(sheet, r, 0), g->name.value);
    EXPECT_EQ(cell(sheet, r, 1), g->bezeichnung.value);
    EXPECT_EQ(cell(sheet, r, 2), "zwei");
  }
  EXPECT_FALSE(sheet.get_row(-1).valid());
  EXPECT_FALSE(sheet.get_row(3).valid());

  // A record kept by the owner outlives the next feed.
  Tools::Ref<Tools::DBBindType> kept = sheet.get_row(0);
  ASSERT_TRUE(sheet.feed_table<GRP_ART>("where name = 'Speisen'", "", "count(*)"));
  EXPECT_EQ(sheet.getNumRows(), 1);
  EXPECT_EQ(dynamic_cast<GRP_ART *>(kept.try_get())->name.value, "Getränke");
}

TEST_F(SheetTest, CountStatementsArePagedOneRowAtATime)
{
  Open sheet(owner(), main_window(), nullptr, 0, 0);
  sheet.set_columns("idx \tidx, system System, type Typ, orig Original, trans Übersetzung");
  rec->statements.clear();
  ASSERT_TRUE(sheet.feed_table<LANG>("", "", "count(*)"));
  ASSERT_GE(rec->statements.size(), 3u);
  EXPECT_EQ(rec->statements[0], "select count(*) from LANG   limit 0, 1");
  EXPECT_EQ(rec->statements[1], "select count(*) from LANG   limit 1, 1");
  EXPECT_EQ(rec->statements[2], "SELECT idx,system,type,orig,trans FROM LANG ");
  EXPECT_EQ(sheet.getNumRows(), std::stoi(rec->quiet("select count(*) from LANG").rows.rows[0][0]));

  Open groups(owner(), main_window(), nullptr, 0, 0);
  groups.set_columns(GROUP_SPEC);
  rec->statements.clear();
  EXPECT_EQ(groups.select("GRP_ART", "", " group by GRP_ART.name ", " count(GRP_ART.name) "), 3);
  const std::string count = "select  count(GRP_ART.name)  from GRP_ART   group by GRP_ART.name  limit ";
  EXPECT_EQ(rec->statements,
            (std::vector<std::string>{count + "0, 1", count + "1, 1", count + "2, 1", count + "3, 1"}));

  // A failing count ends with what was counted.
  EXPECT_EQ(groups.select("NO_TABLE", "", "", "count(*)"), 0);
}

TEST_F(SheetTest, AFailedReadIsLoggedWithTheStatementThenTheReason)
{
  Open sheet(owner(), main_window(), nullptr, 0, 0);
  sheet.set_columns(GROUP_SPEC);
  LogCapture log;
  EXPECT_FALSE(sheet.feed_table<GRP_ART>("where nosuch = 1", "", "count(*)"));
  ASSERT_EQ(log.messages.size(), 1u);
  const std::string failing = rec->statements.back();
  EXPECT_EQ(failing.find("SELECT idx,"), 0u);
  EXPECT_EQ(log.messages[0].find("select failed!\n" + failing + "\nUnknown column 'nosuch'"), 0u) << log.messages[0];
}

TEST_F(SheetTest, RowsReadBeyondTheCountGrowTheTableAndMissingOnesStayEmpty)
{
  Open sheet(owner(), main_window(), nullptr, 0, 0);
  sheet.set_columns(GROUP_SPEC);
  rec->after = [this](RecordingDB &r, const std::string &sql) {
    if (sql == "select count(*) from GRP_ART   limit 1, 1") {
      r.after = nullptr;
      add_group("Nachzügler", "spät", 4);
    }
  };
  ASSERT_TRUE(sheet.feed_table<GRP_ART>("", "", "count(*)"));
  ASSERT_EQ(sheet.getNumRows(), 4);
  ASSERT_TRUE(sheet.get_row(3).valid());
  EXPECT_EQ(cell(sheet, 3, 0), "Nachzügler");
  EXPECT_FALSE(std::string(sheet.getRowText(3).text()).empty());

  rec->after = [](RecordingDB &r, const std::string &sql) {
    if (sql == "select count(*) from GRP_ART   limit 1, 1") {
      r.after = nullptr;
      r.quiet("delete from GRP_ART where name = 'Nachzügler'");
    }
  };
  ASSERT_TRUE(sheet.feed_table<GRP_ART>("", "", "count(*)"));
  ASSERT_EQ(sheet.getNumRows(), 4);
  EXPECT_FALSE(sheet.get_row(3).valid());
  EXPECT_EQ(cell(sheet, 3, 0), "");

  // Selections skip the row without a record.
  sheet.selectRange(0, 3, 0, 2);
  std::vector<Tools::Ref<Tools::DBBindType> > selected = sheet.get_selected_rows();
  EXPECT_EQ(selected.size(), 3u);
}

TEST_F(SheetTest, SelectedRowsComeInRowOrder)
{
  Open sheet(owner(), main_window(), nullptr, 0, 0);
  ASSERT_TRUE(feed_groups(sheet));
  EXPECT_TRUE(sheet.get_selected_rows().empty());
  sheet.selectRange(1, 2, 1, 1);
  std::vector<Tools::Ref<Tools::DBBindType> > selected = sheet.get_selected_rows();
  ASSERT_EQ(selected.size(), 2u);
  EXPECT_EQ(selected[0].try_get(), sheet.get_row(1).try_get());
  EXPECT_EQ(selected[1].try_get(), sheet.get_row(2).try_get());
}

TEST_F(SheetTest, AnEditWritesTheChangedRowsBackInOneCommit)
{
  Recorder owner_target;
  Open sheet(owner(), main_window(), &owner_target, 76, 0);
  ASSERT_TRUE(feed_groups(sheet));
  sheet.setEditable(TRUE);
  std::string idx1 = sheet.getRowText(1).text();

  sheet.setItemText(1, 1, "lauwarm");
  sheet.setItemText(0, 0, "Getränk's \\ 100%");
  sheet.setRowText(1, "999"); // the hidden key is never read back
  rec->statements.clear();
  sheet.setCurrentItem(2, 0, TRUE);

  std::vector<std::string> updates = rec->starting_with("UPDATE GRP_ART SET ");
  ASSERT_EQ(updates.size(), 2u);
  EXPECT_NE(updates[1].find("where idx = '" + idx1 + "'"), std::string::npos) << updates[1];
  EXPECT_NE(updates[1].find("bezeichnung='lauwarm'"), std::string::npos) << updates[1];
  ASSERT_EQ(rec->statements.size(), 3u);
  EXPECT_EQ(rec->statements.back(), "commit;");

  EXPECT_EQ(committed("select bezeichnung from GRP_ART where idx = " + idx1), "lauwarm");
  EXPECT_EQ(committed("select name from GRP_ART where idx = " + group_idx[0]), "Getränk's \\ 100%");
  EXPECT_EQ(committed("select count(*) from GRP_ART where idx = 999"), "0");

  // The owner hears of each row stored, then of the move with its own id
  // and the position.
  ASSERT_EQ(owner_target.messages.size(), 3u);
  EXPECT_EQ(owner_target.messages[0].type, (FXuint)SEL_REPLACED);
  EXPECT_EQ(owner_target.messages[0].data, sheet.get_row(0).try_get());
  const Recorder::Message &m = owner_target.messages.back();
  EXPECT_EQ(m.type, (FXuint)SEL_CHANGED);
  EXPECT_EQ(m.id, 76u);
  ASSERT_NE(m.data, nullptr);
  EXPECT_EQ(static_cast<FXTablePos *>(m.data)->row, 2);

  // Losing the focus writes back too, but only what changed since.
  rec->statements.clear();
  sheet.handle(&sheet, FXSEL(SEL_FOCUSOUT, SpreadSheet::ID_SHEET), nullptr);
  EXPECT_TRUE(rec->statements.empty());
  sheet.setItemText(2, 1, "kühl");
  sheet.handle(&sheet, FXSEL(SEL_FOCUSOUT, SpreadSheet::ID_SHEET), nullptr);
  EXPECT_EQ(rec->starting_with("UPDATE").size(), 1u);
  // A read-only sheet writes nothing.
  sheet.setEditable(FALSE);
  rec->statements.clear();
  sheet.setItemText(1, 1, "kalt");
  sheet.handle(&sheet, FXSEL(SEL_FOCUSOUT, SpreadSheet::ID_SHEET), nullptr);
  EXPECT_TRUE(rec->statements.empty());
  EXPECT_EQ(dynamic_cast<GRP_ART *>(sheet.get_row(1).try_get())->bezeichnung.value, "kalt");
}

// The database refuses a row: one box, the row shows what is stored, and
// the user goes on without being asked again.
TEST_F(SheetTest, ARefusedRowShowsTheStoredValueAgainAndAsksOnce)
{
  Open sheet(owner(), main_window(), nullptr, 0, 0);
  sheet.create();
  ASSERT_TRUE(feed_groups(sheet));
  sheet.setEditable(TRUE);
  sheet.setItemText(0, 1, "geändert");
  sheet.setItemText(1, 0, std::string(30, 'x').c_str()); // longer than the column
  rec->statements.clear();

  int before = answered_count();
  std::string shown;
  size_t statements_when_shown = 0;
  answer_modal([&](FXWindow *box) {
    shown = label_texts(box);
    statements_when_shown = rec->statements.size();
    // The box took the focus from the sheet: that must not save again.
    sheet.handle(&sheet, FXSEL(SEL_FOCUSOUT, SpreadSheet::ID_SHEET), nullptr);
  });
  sheet.setCurrentItem(2, 0, TRUE);
  EXPECT_EQ(answered_count(), before + 1);

  ASSERT_EQ(rec->statements.size(), 3u);
  EXPECT_EQ(rec->starting_with("UPDATE").size(), 2u);
  EXPECT_EQ(rec->statements[2], "rollback;");
  EXPECT_EQ(statements_when_shown, 3u);
  EXPECT_EQ(shown.find("Datanbankefehler\nDie Änderung wurde nicht gespeichert.\nGrund: Data too long"), 0u)
      << shown;
  EXPECT_EQ(cell(sheet, 1, 0), "Speisen");
  EXPECT_EQ(cell(sheet, 0, 1), "geändert");
  EXPECT_EQ(committed("select bezeichnung from GRP_ART where idx = " + group_idx[0]), "kalt");

  // The next move stores what the database takes, without a box; leaving
  // and Ctrl+Q (the focus goes) ask nothing either.
  rec->statements.clear();
  sheet.setCurrentItem(1, 1, TRUE);
  sheet.handle(&sheet, FXSEL(SEL_FOCUSOUT, SpreadSheet::ID_SHEET), nullptr);
  EXPECT_EQ(answered_count(), before + 1);
  EXPECT_EQ(rec->statements.size(), 2u);
  EXPECT_EQ(committed("select bezeichnung from GRP_ART where idx = " + group_idx[0]), "geändert");
  EXPECT_EQ(committed("select name from GRP_ART where idx = " + group_idx[1]), "Speisen");
}

// LANG keeps no transactions: its rows are stored by their UPDATE, and a
// write-back there neither commits nor rolls back the shared connection.
TEST_F(SheetTest, TranslationsAreStoredWithoutEndingTheConnectionsTransaction)
{
  rec->quiet("insert into LANG (system, type, orig, trans) values ('GUI', 'Label', 'Eins', ''), "
             "('GUI', 'Label', 'Zwei', '')");
  rec->quiet("insert into LAYOUTK (name, width, height, color) values ('Offen', 1, 1, 0)"); // not ours to end
  Open sheet(owner(), main_window(), nullptr, 0, 0);
  sheet.create();
  sheet.set_columns("idx \tidx, system System, type Typ, orig Original, trans Übersetzung");
  ASSERT_TRUE(sheet.feed_table<LANG>("where orig in ('Eins', 'Zwei') order by orig", "", "count(*)"));
  sheet.setEditable(TRUE);
  sheet.setItemText(0, 3, "One");
  sheet.setItemText(1, 3, std::string(101, 'y').c_str());
  rec->statements.clear();
  korvan_gui_test::Box box;
  korvan_gui_test::expect_box(box);
  sheet.handle(&sheet, FXSEL(SEL_FOCUSOUT, SpreadSheet::ID_SHEET), nullptr);
  EXPECT_TRUE(box.seen);
  EXPECT_EQ(rec->starting_with("UPDATE LANG").size(), 2u);
  EXPECT_EQ(rec->statements.size(), 2u);
  EXPECT_EQ(committed("select trans from LANG where orig = 'Eins'"), "One");
  EXPECT_EQ(cell(sheet, 1, 3), "");
  EXPECT_EQ(query_value(*db, "select count(*) from LAYOUTK where name = 'Offen'"), "1");
  EXPECT_EQ(committed("select count(*) from LAYOUTK where name = 'Offen'"), "0");
  rec->quiet("rollback");
  rec->quiet("delete from LANG where orig in ('Eins', 'Zwei')");
}

TEST(SpreadSheetCells, TabsLineEndsAndBackslashesComeBackUnchanged)
{
  const std::vector<std::pair<std::string, std::string> > cases = {
      {"&Quit\tCtl-Q", "&Quit\\tCtl-Q"},
      {"zwei\nZeilen", "zwei\\nZeilen"},
      {"C:\\temp", "C:\\\\temp"},
      {"Getränk's \\ 100%", "Getränk's \\ 100%"},
      {"\\\t\\", "\\\\\\t\\"},
      {"Ende\\", "Ende\\"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(SpreadSheet::cell_text(c.first), c.second) << c.first;
    EXPECT_EQ(SpreadSheet::from_cell_text(c.second), c.first) << c.second;
  }
}

TEST_F(SheetTest, SavingWithoutRowsOrWithoutTheKeyColumnWritesNothing)
{
  Open sheet(owner(), main_window(), nullptr, 0, 0);
  sheet.set_columns(GROUP_SPEC);
  rec->statements.clear();
  sheet.save_changes("idx");
  EXPECT_TRUE(rec->statements.empty());

  ASSERT_TRUE(sheet.feed_table<GRP_ART>("", "", "count(*)"));
  rec->statements.clear();
  testing::internal::CaptureStdout();
  sheet.save_changes("nope");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "idx_name 'nope' not found\n");
  sheet.save_changes("");
  EXPECT_TRUE(rec->statements.empty());
}

TEST_F(SheetTest, ContextMenuSendsRequestsForNewDeleteAndTemplates)
{
  Recorder target;
  std::vector<Tools::Ref<Tools::DBBindType> > offered;
  for (int i = 0; i < 150; ++i) {
    GRP_ART *t = new GRP_ART;
    t->idx = 1000 + i;
    t->name = Tools::format("Vorlage%d", i);
    offered.push_back(Tools::Ref<Tools::DBBindType>(t));
  }
  std::string label_column = "nosuch";
  std::vector<int> codes;
  std::vector<Tools::Ref<Tools::DBBindType> > rows;
  target.reply = [&](const Recorder::Message &m) -> long {
    if (m.type != SEL_COMMAND)
      return 1;
    SpreadSheet::MenuRequest *req = static_cast<SpreadSheet::MenuRequest *>(m.data);
    codes.push_back(req->code);
    rows.push_back(req->row);
    if (req->code == SpreadSheet::MenuRequest::TEMPLATES) {
      req->rows = offered;
      req->column = label_column;
    }
    return 1;
  };

  Open sheet(owner(), main_window(), &target, 75, 0);
  sheet.create();
  ASSERT_TRUE(feed_groups(sheet));

  // Read-only: no menu at all.
  FXEvent click = right_click(y_for_row(sheet, 1));
  int before = answered_count();
  EXPECT_EQ(sheet.handle(&sheet, FXSEL(SEL_RIGHTBUTTONPRESS, SpreadSheet::ID_SHEET), &click), 1);
  EXPECT_EQ(answered_count(), before);
  EXPECT_TRUE(codes.empty());

  sheet.setEditable(TRUE);
  std::vector<MenuEntry> top, templates;
  answer_modal([&](FXWindow *pane) {
    top = entries(pane);
    if (top.size() == 3 && top[2].submenu)
      templates = entries(top[2].submenu);
    sheet.handle(&sheet, FXSEL(SEL_COMMAND, SpreadSheet::ID_DELETE), nullptr);
    static_cast<FXPopup *>(pane)->popdown();
  });
  EXPECT_EQ(sheet.handle(&sheet, FXSEL(SEL_RIGHTBUTTONPRESS, SpreadSheet::ID_SHEET), &click), 1);
  EXPECT_EQ(sheet.get_menu_row(), 1);
  ASSERT_EQ(top.size(), 3u);
  EXPECT_EQ(top[1].text, "Eintrag Löschen");
  // No more entries than the menu has ids for.
  ASSERT_EQ(templates.size(), 100u);
  EXPECT_EQ(templates[0].text, "1000"); // no such label column: the first column
  EXPECT_EQ(templates[99].id, static_cast<FXuint>(SpreadSheet::ID_TEMPLATE) + 99);
  EXPECT_EQ(sheet.get_templates().size(), 150u);

  ASSERT_EQ(codes, (std::vector<int>{SpreadSheet::MenuRequest::TEMPLATES, SpreadSheet::MenuRequest::DELETE}));
  EXPECT_EQ(rows[1].try_get(), sheet.get_row(1).try_get());

  // The entries' other commands.
  codes.clear();
  rows.clear();
  EXPECT_EQ(sheet.handle(&sheet, FXSEL(SEL_COMMAND, SpreadSheet::ID_NEW), nullptr), 1);
  EXPECT_EQ(sheet.handle(&sheet, FXSEL(SEL_COMMAND, SpreadSheet::ID_TEMPLATE + 5), nullptr), 1);
  EXPECT_EQ(sheet.handle(&sheet, FXSEL(SEL_COMMAND, SpreadSheet::ID_TEMPLATE + 150), nullptr), 0);
  ASSERT_EQ(codes, (std::vector<int>{SpreadSheet::MenuRequest::NEW, SpreadSheet::MenuRequest::FROM_TEMPLATE}));
  EXPECT_FALSE(rows[0].valid());
  EXPECT_EQ(rows[1].try_get(), offered[5].try_get());

  // With a label column, the entries show its values.
  label_column = "name";
  answer_modal([&](FXWindow *pane) {
    top = entries(pane);
    templates = top.size() == 3 ? entries(top[2].submenu) : std::vector<MenuEntry>();
    static_cast<FXPopup *>(pane)->popdown();
  });
  sheet.handle(&sheet, FXSEL(SEL_RIGHTBUTTONPRESS, SpreadSheet::ID_SHEET), &click);
  ASSERT_EQ(templates.size(), 100u);
  EXPECT_EQ(templates[3].text, "Vorlage3");

  // A click below the last row: delete sends nothing.
  codes.clear();
  FXEvent below = right_click(y_for_row(sheet, 3));
  answer_modal([&](FXWindow *pane) { static_cast<FXPopup *>(pane)->popdown(); });
  sheet.handle(&sheet, FXSEL(SEL_RIGHTBUTTONPRESS, SpreadSheet::ID_SHEET), &below);
  EXPECT_EQ(sheet.get_menu_row(), 3);
  codes.clear();
  EXPECT_EQ(sheet.handle(&sheet, FXSEL(SEL_COMMAND, SpreadSheet::ID_DELETE), nullptr), 0);
  EXPECT_TRUE(codes.empty());
}

TEST_F(SheetTest, WithoutATargetTheMenuHasTwoEntriesAndCommandsAnswerZero)
{
  Open sheet(owner(), main_window(), nullptr, 0, 0);
  sheet.create();
  ASSERT_TRUE(feed_groups(sheet));
  sheet.setEditable(TRUE);
  FXEvent click = right_click(y_for_row(sheet, 0));
  std::vector<MenuEntry> top;
  answer_modal([&](FXWindow *pane) {
    top = entries(pane);
    static_cast<FXPopup *>(pane)->popdown();
  });
  sheet.handle(&sheet, FXSEL(SEL_RIGHTBUTTONPRESS, SpreadSheet::ID_SHEET), &click);
  EXPECT_EQ(top.size(), 2u);
  EXPECT_EQ(sheet.handle(&sheet, FXSEL(SEL_COMMAND, SpreadSheet::ID_NEW), nullptr), 0);
  EXPECT_EQ(sheet.handle(&sheet, FXSEL(SEL_COMMAND, SpreadSheet::ID_DELETE), nullptr), 0);
  EXPECT_EQ(sheet.handle(&sheet, FXSEL(SEL_COMMAND, SpreadSheet::ID_TEMPLATE), nullptr), 0);
}

TEST_F(SheetTest, TitlesFollowTheTranslationMode)
{
  Open sheet(owner(), main_window(), nullptr, 0, 0);
  sheet.set_columns(GROUP_SPEC);
  rec->quiet("update LANG set trans = 'Name (en)' where type = 'SpreadSheet' and orig = 'Name'");
  main_window()->updateLangs();
  main_window()->handle(main_window(), FXSEL(SEL_COMMAND, MainWindow::ID_LANGMODE), nullptr);
  EXPECT_EQ(std::string(sheet.getColumnText(0).text()), "Name (en)");
  main_window()->handle(main_window(), FXSEL(SEL_COMMAND, MainWindow::ID_LANGMODE), nullptr);
  EXPECT_EQ(std::string(sheet.getColumnText(0).text()), "Name");
  rec->quiet("update LANG set trans = '' where type = 'SpreadSheet' and orig = 'Name'");
}
