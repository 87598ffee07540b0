#include "tests/support/recording_db.h"

#include <gtest/gtest.h>

#include "tests/support/db_support.h"

namespace korvan_test {

template <class Send> Tools::DBErg<Tools::DBRowList> RecordingDB::pass(const std::string &sql, Send send)
{
  statements.push_back(sql);
  refused_last = failing.count(sql) > 0;
  if (refused_last)
    return Tools::DBErg<Tools::DBRowList>();
  Tools::DBErg<Tools::DBRowList> result = send();
  if (after)
    after(*this, sql);
  return result;
}

Tools::DBErg<Tools::DBRowList> RecordingDB::exec(const std::string &sql)
{
  return pass(sql, [&] { return real.exec(sql); });
}

Tools::DBErg<Tools::DBRowList> RecordingDB::select(const std::string &sql, bool with_table_names)
{
  return pass(sql, [&] { return real.select(sql, with_table_names); });
}

std::vector<std::string> RecordingDB::starting_with(const std::string &prefix) const
{
  std::vector<std::string> found;
  for (const std::string &s : statements)
    if (s.compare(0, prefix.size(), prefix) == 0)
      found.push_back(s);
  return found;
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
