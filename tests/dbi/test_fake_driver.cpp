// The statement texts the connection handle and the query layer build, and
// how the handle treats its driver's answers, checked with a driver that
// runs nothing and records every statement.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "schema/tables.h"
#include "tools/dbi/database.h"
#include "tools/dbi/db.h"
#include "tools/dbi/query.h"

using namespace Tools;

namespace {

struct Script
{
  std::vector<std::string> statements;
  std::set<std::string> failing; // statements answered with a failure
  bool connect_ok = true;
  bool autocommit_ok = true;
  bool autocommit = true;
  bool autocommit_at_connect = true;
  DBErg<DBRowList> answer{std::vector<std::string>()};
  int insert_id = 0;
  bool destroyed = false;
};

class FakeDB : public DB
{
  std::shared_ptr<Script> script;
  std::string error;

public:
  explicit FakeDB(std::shared_ptr<Script> script) : script(script) {}
  ~FakeDB() override { script->destroyed = true; }
  const char *get_error() override { return error.c_str(); }
  bool set_autocommit(bool on) override
  {
    if (!script->autocommit_ok)
      error = "autocommit failed";
    else
      script->autocommit = on;
    return script->autocommit_ok;
  }
  bool connect(const char *, const char *, const char *) override
  {
    script->autocommit_at_connect = script->autocommit;
    if (!script->connect_ok)
      error = "connection failed";
    return script->connect_ok;
  }
  bool select_db(const char *) override { return true; }
  DBErg<DBRowList> exec(const std::string &sql) override { return select(sql, false); }
  DBErg<DBRowList> select(const std::string &sql, bool) override
  {
    script->statements.push_back(sql);
    if (script->failing.count(sql)) {
      error = "sql error\nquery: " + sql;
      return DBErg<DBRowList>();
    }
    return script->answer;
  }
  void disconnect() override {}
  int get_insert_id() override { return script->insert_id; }
};

struct Handle
{
  std::shared_ptr<Script> script = std::make_shared<Script>();
  std::unique_ptr<Database> db;
  void open() { db.reset(new Database(new FakeDB(script), "dsn", "user", "pw", "korvan")); }
};

} // namespace

TEST(DatabaseSetup, SwitchesToTransactionsAndReadCommitted)
{
  Handle h;
  h.open();
  ASSERT_TRUE(h.db->is_connected());
  // Autocommit goes off with the connection's set-up, not by a statement.
  EXPECT_FALSE(h.script->autocommit_at_connect);
  ASSERT_EQ(1u, h.script->statements.size());
  EXPECT_EQ("SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED;", h.script->statements[0]);
  EXPECT_EQ("SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED;", h.db->get_last_query());
  EXPECT_EQ("", h.db->get_error());
}

TEST(DatabaseSetup, FailedSessionSetupMeansNotConnected)
{
  Handle isolation;
  const std::string failing = "SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED;";
  isolation.script->failing.insert(failing);
  isolation.open();
  EXPECT_FALSE(isolation.db->is_connected());
  EXPECT_TRUE(!*isolation.db);
  EXPECT_TRUE(isolation.script->destroyed);
  EXPECT_EQ("sql error\nquery: " + failing, isolation.db->get_error());
  Handle autocommit;
  autocommit.script->autocommit_ok = false;
  autocommit.open();
  EXPECT_FALSE(autocommit.db->is_connected());
  EXPECT_EQ("autocommit failed", autocommit.db->get_error());
  Handle refused;
  refused.script->connect_ok = false;
  refused.open();
  EXPECT_FALSE(refused.db->is_connected());
  EXPECT_EQ("connection failed", refused.db->get_error());
  EXPECT_TRUE(refused.script->statements.empty());
}

TEST(DatabaseWithoutDriver, StatementsFailWithNoDatabase)
{
  Database db("dsn", "user", "pw", "korvan", 1);
  EXPECT_FALSE(db.is_connected());
  EXPECT_EQ("No Database!", db.get_error());
  EXPECT_FALSE(db.exec("select 1").ok);
  EXPECT_FALSE(db.select("select 1", true).ok);
  EXPECT_FALSE(db.commit());
  EXPECT_FALSE(db.rollback());
  EXPECT_EQ(0, db.get_insert_id());
  EXPECT_EQ("No Database!", db.get_error());
  LANG lang;
  EXPECT_FALSE(insert_object(db, lang));
}

TEST(DatabaseStatements, InsertTextEscapesEveryValue)
{
  Handle h;
  h.open();
  DBRow row({"system", "type"}, {"GUI", "Label"});
  EXPECT_TRUE(h.db->insert("LANG", row).ok);
  EXPECT_EQ("INSERT INTO LANG(system,\ntype) VALUES ( 'GUI',\n'Label')", h.db->get_last_query());

  DBRow one({"orig"}, {"it's a \\ test"});
  h.db->insert("LANG", one);
  EXPECT_EQ("INSERT INTO LANG(orig) VALUES ( 'it\\'s a \\\\ test')", h.db->get_last_query());

  // A value crafted to end its literal stays inside it.
  DBRow evil({"orig"}, {"x\\', (select 1)) -- "});
  h.db->insert("LANG", evil);
  EXPECT_EQ("INSERT INTO LANG(orig) VALUES ( 'x\\\\\\', (select 1)) -- ')", h.db->get_last_query());
}

TEST(DatabaseStatements, UpdateAndSelectTexts)
{
  Handle h;
  h.open();
  DBRow row({"name", "width"}, {"Saal 'A'", "10"});
  h.db->update("LAYOUTK", row, "where idx = '3'");
  EXPECT_EQ("UPDATE LAYOUTK SET name='Saal \\'A\\'',\nwidth='10'where idx = '3'", h.db->get_last_query());

  DBRow columns({"idx", "name"});
  h.db->select("LAYOUTK", columns, "where idx='1'");
  EXPECT_EQ("SELECT idx,name FROM LAYOUTK where idx='1'", h.db->get_last_query());
  h.db->select("LAYOUTK", columns, "");
  EXPECT_EQ("SELECT idx,name FROM LAYOUTK ", h.db->get_last_query());
}

TEST(DatabaseStatements, MultiRowInsertStopsAtFirstFailure)
{
  Handle h;
  h.open();
  DBRowList empty(std::vector<std::string>{"a"});
  EXPECT_FALSE(h.db->insert("T", empty).ok);
  EXPECT_EQ("SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED;", h.db->get_last_query());

  DBRowList rows(std::vector<std::string>{"a", "b"});
  rows.rows = {{"1", "2"}, {"3", "4"}, {"5", "6"}};
  h.script->failing.insert("INSERT INTO T(a,\nb) VALUES ( '3',\n'4')");
  EXPECT_FALSE(h.db->insert("T", rows).ok);
  EXPECT_EQ("INSERT INTO T(a,\nb) VALUES ( '3',\n'4')", h.db->get_last_query());
  EXPECT_EQ(3u, h.script->statements.size());
}

TEST(DatabaseTransactions, CommitAndRollbackReportFailure)
{
  Handle h;
  h.open();
  EXPECT_TRUE(h.db->commit());
  EXPECT_EQ("commit;", h.db->get_last_query());
  h.script->insert_id = 42;
  EXPECT_EQ(42, h.db->get_insert_id());
  EXPECT_EQ("commit;", h.db->get_last_query());

  h.script->failing.insert("commit;");
  h.script->failing.insert("rollback;");
  EXPECT_FALSE(h.db->commit());
  EXPECT_EQ("sql error\nquery: commit;", h.db->get_error());
  EXPECT_FALSE(h.db->rollback());
  EXPECT_EQ("sql error\nquery: rollback;", h.db->get_error());
}

TEST(QueryTexts, InsertAndUpdateOfARecord)
{
  Handle h;
  h.open();
  LAYOUTK room;
  room.idx = 2;
  room.name = std::string("100%LAYOUTK's");
  room.width = 640;
  EXPECT_TRUE(insert_object(*h.db, room));
  EXPECT_EQ("INSERT INTO LAYOUTK(idx,\nname,\nwidth,\nheight,\ncolor) VALUES ( '2',\n'100%LAYOUTK\\'s',\n'640',\n'0',\n'0')",
            h.db->get_last_query());
  EXPECT_TRUE(update_object(*h.db, room, "where idx = '2' "));
  EXPECT_EQ("UPDATE LAYOUTK SET idx='2',\nname='100%LAYOUTK\\'s',\nwidth='640',\nheight='0',\ncolor='0'where idx = '2' ",
            h.db->get_last_query());
}

TEST(QueryTexts, SelectWithTokenAndLimit)
{
  Handle h;
  h.open();
  LAYOUTK room;
  DBBindList list;
  list.add(&room);
  DBLimit limit(100);
  limit.offset = 200;
  h.script->answer = DBErg<DBRowList>(std::vector<std::string>{"LAYOUTK.idx"});
  h.script->answer.rows.rows = {{"1"}, {"2"}, {"3"}};
  EXPECT_EQ(1, select_objects(*h.db, "select %LAYOUTK from LAYOUTK where name = '%LAYOUTK'", list, limit));
  EXPECT_EQ("select  LAYOUTK.idx,LAYOUTK.name,LAYOUTK.width,LAYOUTK.height,LAYOUTK.color from LAYOUTK where "
            "name = '%LAYOUTK' limit 200, 100",
            h.db->get_last_query());
  EXPECT_EQ(203u, limit.offset);
  EXPECT_EQ(1, room.idx.value);

  h.script->failing.insert("select count(*) from LAYOUTK limit 203, 100");
  DBTypeInt count;
  DBTypeList fields;
  fields.add(&count);
  EXPECT_EQ(-1, select_values(*h.db, "select count(*) from LAYOUTK", fields, limit));
  EXPECT_EQ(203u, limit.offset);

  std::vector<Ref<LAYOUTK> > rooms;
  h.script->answer = DBErg<DBRowList>(std::vector<std::string>{"idx", "name"});
  h.script->answer.rows.rows = {{"4", "Bar"}};
  EXPECT_EQ(1, select_rows(*h.db, "LAYOUTK", rooms, "where idx='4'"));
  EXPECT_EQ("SELECT idx,name,width,height,color FROM LAYOUTK where idx='4'", h.db->get_last_query());
  EXPECT_EQ("Bar", rooms[0]->name.value);
}
