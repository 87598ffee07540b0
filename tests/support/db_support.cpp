#include "tests/support/db_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "schema/create_sql.h"

namespace korvan_test {

namespace {

std::string required(const char *variable)
{
  const char *value = std::getenv(variable);
  if (!value || !*value)
    throw std::runtime_error(std::string("environment variable ") + variable +
                             " is not set: run the tests through scripts/test, or start a server with "
                             "scripts/db start DIR and eval \"$(scripts/db env DIR)\"");
  return value;
}

bool run(Tools::Database &db, const std::string &sql)
{
  if (db.exec(sql).ok)
    return true;
  std::cerr << "korvan_test: statement failed: " << db.get_error() << "\n";
  return false;
}

} // namespace

DbSettings settings()
{
  return {required("ODBCINI"), required("KORVAN_TEST_DSN"), required("KORVAN_TEST_DB_USER"),
          required("KORVAN_TEST_DB_PASSWORD"), required("KORVAN_TEST_DB_NAME"), required("KORVAN_TEST_DB_SOCKET")};
}

bool load_script(Tools::Database &db, const std::string &script)
{
  for (const std::string &statement : split_sql_statements(script))
    if (!run(db, statement))
      return false;
  return true;
}

Tools::Ref<Tools::Database> open_database(const std::string &name)
{
  DbSettings s = settings();
  Tools::Ref<Tools::Database> db(new Tools::Database(s.dsn, s.user, s.password, name, Tools::Database::ODBC));
  if (!db->is_connected()) {
    std::cerr << "korvan_test: cannot connect to " << s.dsn << ": " << db->get_error() << "\n";
    return db;
  }
  if (!name.empty() && !run(*db, "USE `" + name + "`"))
    return Tools::Ref<Tools::Database>(new Tools::Database(s.dsn, s.user, s.password, name, -1));
  return db;
}

Tools::Ref<Tools::Database> open_owner()
{
  DbSettings s = settings();
  const passwd *account = getpwuid(geteuid());
  const std::string owner = account ? account->pw_name : "";
  Tools::Ref<Tools::Database> db(new Tools::Database(s.dsn, owner, "", "", Tools::Database::ODBC));
  if (!db->is_connected())
    std::cerr << "korvan_test: cannot connect to " << s.dsn << " as " << owner << ": " << db->get_error() << "\n";
  return db;
}

bool fresh_database(const std::string &name)
{
  Tools::Ref<Tools::Database> db = open_database();
  if (!db->is_connected())
    return false;
  return run(*db, "DROP DATABASE IF EXISTS `" + name + "`") &&
         run(*db, "CREATE DATABASE `" + name + "` CHARACTER SET utf8mb4") && run(*db, "USE `" + name + "`") &&
         load_script(*db, create_sql()) && run(*db, "commit");
}

bool write_odbc_ini(const std::string &path, const std::string &dsn, const std::string &database,
                    const std::string &charset, const std::string &socket)
{
  DbSettings s = settings();
  std::ofstream out(path.c_str(), std::ios::trunc);
  out << "[" << dsn << "]\n"
      << "Driver=/usr/lib/x86_64-linux-gnu/odbc/libmaodbc.so\n"
      << "SOCKET=" << (socket.empty() ? s.socket : socket) << "\n"
      << "DATABASE=" << database << "\n"
      << "CHARSET=" << charset << "\n";
  out.close();
  return static_cast<bool>(out);
}

bool add_data_source(const std::string &dir, const std::string &dsn, const std::string &database,
                     const std::string &charset, const std::string &socket)
{
  // The run's own file, read once: ODBCINI names the copy afterwards.
  static const std::string original = settings().odbcini;
  const std::string own = dir + "/own.ini", ini = dir + "/odbc.ini";
  if (!write_odbc_ini(own, dsn, database, charset, socket))
    return false;
  std::ofstream out(ini, std::ios::trunc);
  out << std::ifstream(original).rdbuf() << "\n" << std::ifstream(own).rdbuf();
  out.close();
  if (!out)
    return false;
  setenv("ODBCINI", ini.c_str(), 1);
  return true;
}

SilentServer::SilentServer(const std::string &dsn) : previous_odbcini(settings().odbcini)
{
  char dir[] = "/tmp/korvan-silent.XXXXXX";
  if (!mkdtemp(dir))
    return;
  folder = dir;
  const std::string path = folder + "/mysqld.sock";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0 && (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(fd, 64) != 0 ||
                  !add_data_source(folder, dsn, settings().name, "utf8mb4", path))) {
    close(fd);
    fd = -1;
  }
}

SilentServer::~SilentServer()
{
  if (fd >= 0)
    close(fd);
  setenv("ODBCINI", previous_odbcini.c_str(), 1);
  if (!folder.empty())
    std::filesystem::remove_all(folder);
}

std::string test_database_name(const std::string &prefix)
{
  std::string name = prefix;
  if (const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info())
    name += std::string("_") + info->test_suite_name() + "_" + info->name();
  for (char &c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
      c = '_';
  if (name.size() > 64) {
    std::string hash = std::to_string(std::hash<std::string>()(name) % 100000000u);
    name = name.substr(0, 64 - hash.size() - 1) + "_" + hash;
  }
  return name;
}

std::string query_value(Tools::Database &db, const std::string &sql)
{
  Tools::DBErg<Tools::DBRowList> result = db.exec(sql);
  EXPECT_TRUE(result.ok) << sql << "\n" << db.get_error();
  if (result.rows.rows.empty() || result.rows.rows[0].empty())
    return std::string();
  return result.rows.rows[0][0];
}

bool in_transaction(Tools::Database &db)
{
  // Reads no table, so it starts no transaction of its own.
  Tools::DBErg<Tools::DBRowList> result = db.exec("select @@in_transaction");
  if (!result.ok) {
    EXPECT_TRUE(db.connection_lost()) << db.get_error();
    return false;
  }
  return !result.rows.rows.empty() && !result.rows.rows[0].empty() && result.rows.rows[0][0] != "0";
}

std::string slurp(const std::string &path)
{
  std::stringstream s;
  s << std::ifstream(path).rdbuf();
  return s.str();
}

bool upgrade(const std::string &database, std::string &printed)
{
  const DbSettings s = settings();
  const std::string command = std::string("'") + KORVAN_CREATE_SQL + "' --upgrade | mariadb --no-defaults --socket='" +
                              s.socket + "' --user='" + s.user + "' --password='" + s.password + "' '" + database +
                              "' 2>&1";
  FILE *pipe = popen(command.c_str(), "r");
  printed.clear();
  char buffer[512];
  while (pipe && fgets(buffer, sizeof buffer, pipe))
    printed += buffer;
  return pipe && pclose(pipe) == 0;
}

} // namespace korvan_test
