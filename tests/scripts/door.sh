#!/usr/bin/env bash
# Only the account that owns a private server gets in. Another local
# account (nobody) is refused through the socket and over the port,
# whichever account it names, on a new server and on one that an earlier
# version set up with a root that had no password, also while such a
# server still runs when scripts/db starts; the owner gets in through the
# socket without one, and the folder and the files that scripts/db writes
# are the owner's alone. The database user reads and writes rows of its
# own database and does nothing else; no account has the server write a
# file (SELECT ... INTO OUTFILE).
source "$(dirname "$0")/common.sh"
[ "$(id -u)" -eq 0 ] || { say "skipped: acting as another account needs root"; exit 77; }

nobody() { runuser -u nobody -- mariadb --no-defaults "$@" -e "DO 0" 2>/dev/null; }

# closed DIR: nobody gets in under any name, and no account lacks a password.
closed() {
  local dir=$1 port user
  port=$(cat "$dir/port")
  [ "$(stat -c %a "$dir")" = 700 ] || fail "$dir has mode $(stat -c %a "$dir"), not 700"
  for user in root "$(id -un)" korvan nobody ""; do
    ! nobody --protocol=tcp --host=127.0.0.1 --port="$port" --user="$user" ||
      fail "nobody got into $dir over the port as '$user'"
    ! nobody --socket="$dir/mysqld.sock" --user="$user" || fail "nobody got into $dir by the socket as '$user'"
  done
  # Past the folder, the server itself refuses nobody under every name.
  chmod 755 "$dir"
  for user in root "$(id -un)" korvan nobody ""; do
    ! nobody --socket="$dir/mysqld.sock" --user="$user" || fail "nobody got into $dir's open socket as '$user'"
  done
  chmod 700 "$dir"
  [ "$(owner_sql "$dir" "select current_user()")" = "$(id -un)@localhost" ] || fail "the owner is not let into $dir"
  local open
  open=$(owner_sql "$dir" "select concat(user, '@', host) from mysql.user where user <> 'mariadb.sys'
                           and plugin in ('', 'mysql_native_password') and authentication_string = ''")
  [ -z "$open" ] || fail "accounts without a password in $dir: $open"
  local file
  for file in db.env odbc.ini port install.log; do
    [ ! -e "$dir/$file" ] || [ "$(stat -c %a "$dir/$file")" = 600 ] ||
      fail "$dir/$file has mode $(stat -c %a "$dir/$file"), not 600"
  done
  # The database user comes in with its password, over the port too (as
  # the tests of stations on a shared server do).
  eval "$("$DB" env "$dir")"
  MYSQL_PWD=$KORVAN_TEST_DB_PASSWORD mariadb --no-defaults --protocol=tcp --host=127.0.0.1 --port="$port" \
    --user="$KORVAN_TEST_DB_USER" -e "DO 0" || fail "the database user is refused over the port of $dir"
}

# rights DIR RIGHTS [running]: what the database user may do, with the
# rights given to it (program or tests); no account makes the server write
# a file. A server that ran already when scripts/db started keeps that
# right for its owner until its next start.
rights() {
  local dir=$1 kind=$2 planted=$WORK/planted-$RANDOM what
  eval "$("$DB" env "$dir")"
  user() { MYSQL_PWD=$KORVAN_TEST_DB_PASSWORD mariadb --no-defaults --socket="$dir/mysqld.sock" \
    --user="$KORVAN_TEST_DB_USER" -N "$@" 2>&1; }
  owner_sql "$dir" "CREATE TABLE IF NOT EXISTS korvan.T (a int); CREATE DATABASE IF NOT EXISTS other;
                    CREATE TABLE IF NOT EXISTS other.t0 (a int)"
  # statement | the program's user | the tests' user
  while IFS='|' read -r what program tests; do
    local expected=$program
    [ "$kind" = program ] || expected=$tests
    if user -e "$what" >"$WORK/out"; then
      [ "$expected" = yes ] || fail "$dir ($kind): the database user may $what"
    else
      [ "$expected" = no ] || fail "$dir ($kind): the database user may not $what: $(cat "$WORK/out")"
    fi
  done <<EOF
INSERT INTO korvan.T VALUES (1); UPDATE korvan.T SET a = 2; SELECT a FROM korvan.T FOR UPDATE; DELETE FROM korvan.T|yes|yes
CREATE TABLE korvan.U (a int)|no|yes
DROP TABLE IF EXISTS korvan.U; ALTER TABLE korvan.T ADD b int|no|yes
CREATE DATABASE made_by_user|no|yes
SELECT count(*) FROM other.t0|no|yes
SELECT count(*) FROM mysql.user|no|yes
CREATE USER spare IDENTIFIED BY 'x'|no|yes
SELECT 1 INTO OUTFILE '$planted'|no|no
EOF
  # A file the server's account may read is not read for the user either.
  [ "$(user -e "SELECT load_file('$dir/db.env') IS NULL")" = 1 ] || fail "$dir ($kind): the user reads the server's files"
  [ ! -e "$planted" ] || fail "$dir ($kind): the database user had the server write $planted"
  what=$(owner_sql "$dir" "select grantee from information_schema.user_privileges
                           where privilege_type = 'FILE' and grantee <> concat(char(39), '$(id -un)', char(39), '@', char(39), 'localhost', char(39))")
  [ -z "$what" ] || fail "$dir ($kind): accounts with the right to files: $what"
  if [ -z "${3:-}" ]; then
    ! owner_sql "$dir" "SELECT 1 INTO OUTFILE '$planted'" 2>/dev/null || fail "$dir: the server writes files for its owner"
    [ ! -e "$planted" ] || fail "$dir: the server wrote $planted"
  fi
  owner_sql "$dir" "DROP DATABASE IF EXISTS other; DROP DATABASE IF EXISTS made_by_user; DROP TABLE IF EXISTS korvan.T, korvan.U; DROP USER IF EXISTS spare"
}

mkdir -m 755 "$WORK/new"
start "$WORK/new"
closed "$WORK/new"
rights "$WORK/new" program

# old_server DIR: as an earlier version set one up: root without a
# password, over the port too, and a database user with every right.
old_server() {
  local dir=$1
  mkdir -m 755 "$dir" "$dir/data"
  mariadb-install-db --no-defaults --datadir="$dir/data" --user="$(id -un)" \
    --auth-root-authentication-method=normal --skip-test-db >"$WORK/install.log" 2>&1 ||
    { cat "$WORK/install.log" >&2; fail "setting up the old server"; }
  printf 'DB_NAME=korvan\nDB_USER=korvan\nDB_PASSWORD=korvan-%s\nDB_DSN=korvan\n' "$RANDOM$RANDOM" >"$dir/db.env"
  chmod 600 "$dir/db.env"
}
# The server as an earlier version started it, and its database user.
old_start() {
  local dir=$1 port=$((20000 + RANDOM % 40000)) password
  echo "$port" >"$dir/port"
  on_exit "$(shell_quote "$DB" stop "$dir")"
  mkdir -p "$dir/tmp"
  mariadbd --no-defaults --datadir="$dir/data" --tmpdir="$dir/tmp" --socket="$dir/mysqld.sock" \
    --pid-file="$dir/mysqld.pid" --bind-address=127.0.0.1 --port="$port" --user="$(id -un)" \
    --log-error="$dir/mysqld.log" --skip-log-bin >/dev/null 2>&1 &
  until mariadb-admin --no-defaults --socket="$dir/mysqld.sock" ping >/dev/null 2>&1; do
    kill -0 $! 2>/dev/null || fail "the old server did not start"
    sleep 0.1
  done
  password=$(sed -n 's/^DB_PASSWORD=//p' "$dir/db.env")
  mariadb --no-defaults --socket="$dir/mysqld.sock" --user=root -e "CREATE DATABASE korvan;
    CREATE USER korvan@localhost IDENTIFIED BY '$password'; GRANT ALL PRIVILEGES ON *.* TO korvan@localhost;
    CREATE USER korvan@'127.0.0.1' IDENTIFIED BY '$password'; GRANT ALL PRIVILEGES ON *.* TO korvan@'127.0.0.1'"
  # The door as it was: open to anyone, and the database user writes files.
  nobody --protocol=tcp --host=127.0.0.1 --port="$port" --user=root || fail "the old server is not as it was"
  MYSQL_PWD=$password mariadb --no-defaults --socket="$dir/mysqld.sock" --user=korvan \
    -e "SELECT 1 INTO OUTFILE '$WORK/old-planted'" || fail "the old server's user does not write files"
  rm -f "$WORK/old-planted"
}

# Stopped, as an earlier version left it: its next start closes the door.
old_server "$WORK/old"
start "$WORK/old"
grep -q "now only $(id -un) gets in" "$WORK/start.log" || fail "the start did not say that it closed the door"
closed "$WORK/old"
rights "$WORK/old" program

# Still running (scripts/run was killed, say): the start closes it at once.
old_server "$WORK/running"
old_start "$WORK/running"
pid=$(cat "$WORK/running/mysqld.pid")
start "$WORK/running"
grep -q "already running" "$WORK/start.log" && grep -q "now only $(id -un) gets in" "$WORK/start.log" ||
  fail "the start of a running server did not say that it closed the door: $(cat "$WORK/start.log")"
[ "$(cat "$WORK/running/mysqld.pid")" = "$pid" ] || fail "the running server was replaced"
closed "$WORK/running"
rights "$WORK/running" program running

# The tests' server: more rights, but no files either.
mkdir -m 755 "$WORK/tests"
KORVAN_DB_RIGHTS=tests start "$WORK/tests"
closed "$WORK/tests"
rights "$WORK/tests" tests
say "door: ok"
