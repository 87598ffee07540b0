#include "tests/support/recording_db.h"

#include <gtest/gtest.h>

#include "tests/support/db_support.h"

namespace korvan_test {

Tools::DBErg<Tools::DBRowList> RecordingDB::exec(const std::string &sql)
{
  statements.push_back(sql);
  if (failing.count(sql))
    return Tools::DBErg<Tools::DBRowList>();
  Tools::DBErg<Tools::DBRowList> result = real.exec(sql);
  if (after)
    after(*this, sql);
  return result;
}

Tools::DBErg<Tools::DBRowList> RecordingDB::select(const std::string &sql, bool with_table_names)
{
  statements.push_back(sql);
  if (failing.count(sql))
    return Tools::DBErg<Tools::DBRowList>();
  Tools::DBErg<Tools::DBRowList> result = real.select(sql, with_table_names);
  if (after)
    after(*this, sql);
  return result;
}

std::vector<std::string> RecordingDB::starting_with(const std::string &prefix) const
{
  std::vector<std::string> found;
  for (const std::string &s : statements)
    if (s.compare(0, prefix.size(), prefix) == 0)
      found.push_back(s);
  return found;
}

int RecordingDB::count(const std::string &sql) const
{
  int n = 0;
  for (const std::string &s : statements)
    if (s == sql)
      ++n;
  return n;
}

Tools::Ref<Tools::Database> connect_recording(const std::string &database, RecordingDB *&recorder)
{
  DbSettings s = settings();
  recorder = new RecordingDB;
  // The driver chooses the database itself from the name.
  Tools::Ref<Tools::Database> db(new Tools::Database(recorder, s.dsn, s.user, s.password, database));
  EXPECT_TRUE(db->is_connected()) << db->get_error();
  recorder->statements.clear();
  return db;
}

} // namespace korvan_test
