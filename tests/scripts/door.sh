#!/usr/bin/env bash
# Only the account that owns a private server gets in. Another local
# account (nobody) is refused through the socket and over the port,
# whichever account it names, on a new server and on one that an earlier
# version set up with a root that had no password, also while such a
# server still runs when scripts/db starts; the owner gets in through the
# socket without one, and the folder and the files that scripts/db writes
# are the owner's alone, written in the place of links found there, never
# through them (also the files it locks the folder with). The database user reads and writes rows of its own
# database (also where its name holds a _, a wildcard in a GRANT) and does
# nothing else; the tests' user has its own databases and nothing of the
# server; no account has the server write a file (SELECT ... INTO
# OUTFILE). A data folder of another account, or in a folder where another
# account could put its own in its place, is refused in words, also by
# scripts/run.
source "$(dirname "$0")/common.sh"

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
  local dir=$1 kind=$2 planted=$WORK/planted-$RANDOM what name alike=""
  eval "$("$DB" env "$dir")"
  name=$KORVAN_TEST_DB_NAME
  # A name holding _: the database that the pattern would match unescaped.
  [[ $name != *_* ]] || alike=${name//_/x}
  user() { MYSQL_PWD=$KORVAN_TEST_DB_PASSWORD mariadb --no-defaults --socket="$dir/mysqld.sock" \
    --user="$KORVAN_TEST_DB_USER" -N "$@" 2>&1; }
  owner_sql "$dir" "CREATE TABLE IF NOT EXISTS $name.T (a int); CREATE DATABASE IF NOT EXISTS other;
                    CREATE TABLE IF NOT EXISTS other.t0 (a int)
                    ${alike:+; CREATE DATABASE IF NOT EXISTS $alike; CREATE TABLE IF NOT EXISTS $alike.t0 (a int)}"
  # statement | the program's user | the tests' user
  while IFS='|' read -r what program tests; do
    [ -n "$what" ] || continue
    local expected=$program
    [ "$kind" = program ] || expected=$tests
    if user -e "$what" >"$WORK/out"; then
      [ "$expected" = yes ] || fail "$dir ($kind): the database user may $what"
    else
      [ "$expected" = no ] || fail "$dir ($kind): the database user may not $what: $(cat "$WORK/out")"
    fi
  done <<EOF
INSERT INTO $name.T VALUES (1); UPDATE $name.T SET a = 2; SELECT a FROM $name.T FOR UPDATE; DELETE FROM $name.T|yes|yes
CREATE TABLE $name.U (a int)|no|yes
DROP TABLE IF EXISTS $name.U; ALTER TABLE $name.T ADD b int|no|yes
CREATE TRIGGER $name.V BEFORE INSERT ON $name.T FOR EACH ROW SET @v = 1; DROP TRIGGER $name.V|no|yes
LOCK TABLES $name.T WRITE; UNLOCK TABLES|no|yes
CREATE DATABASE ${name}_own; DROP DATABASE ${name}_own|no|yes
CREATE DATABASE made_by_user|no|no
SELECT count(*) FROM other.t0|no|no
${alike:+SELECT count(*) FROM $alike.t0|no|no}
${alike:+CREATE DATABASE ${alike}_own|no|no}
SELECT count(*) FROM mysql.user|no|no
UPDATE mysql.global_priv SET Priv = Priv WHERE 0|no|no
CREATE USER spare IDENTIFIED BY 'x'|no|no
SET GLOBAL max_connections = @@global.max_connections|no|no
INSTALL SONAME 'ha_blackhole'|no|no
SELECT count(*) FROM information_schema.innodb_trx|no|no
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
  owner_sql "$dir" "DROP DATABASE IF EXISTS other; DROP DATABASE IF EXISTS made_by_user; DROP TABLE IF EXISTS $name.T, $name.U;
                    DROP USER IF EXISTS spare; DROP DATABASE IF EXISTS ${name}_own
                    ${alike:+; DROP DATABASE IF EXISTS $alike; DROP DATABASE IF EXISTS ${alike}_own}"
}

# Links in a data folder of the account's own (from a time it was open to
# others, say): the first start, with a database name that holds a _,
# writes its files in their place, never through them, and the server
# opens no folder that one names to SQL.
links=$WORK/links
outside=$WORK/outside
mkdir -p "$links" "$outside/folder"
for file in odbc.ini port install.log mysqld.log; do echo kept >"$outside/$file"; done
for file in odbc.ini install.log mysqld.log; do ln -s "$outside/$file" "$links/$file"; done
ln "$outside/port" "$links/port"
ln -s "$outside/env" "$links/db.env" # names no file yet
ln -s "$outside/folder" "$links/no-file-access"
KORVAN_DB_NAME=kv_day start "$links"
for file in odbc.ini port install.log mysqld.log; do
  [ "$(cat "$outside/$file")" = kept ] || fail "the start wrote through the link $links/$file"
  [ -f "$links/$file" ] && [ ! -L "$links/$file" ] && [ "$(stat -c %h "$links/$file")" = 1 ] ||
    fail "$links/$file is not a file of its own"
done
[ ! -e "$outside/env" ] && [ -f "$links/db.env" ] && [ ! -L "$links/db.env" ] ||
  fail "the start wrote the settings through a link"
grep -qx "DATABASE=kv_day" "$links/odbc.ini" || fail "the data source does not name the database kv_day"
! owner_sql "$links" "SELECT 1 INTO OUTFILE '$outside/folder/planted'" 2>/dev/null && [ ! -e "$outside/folder/planted" ] ||
  fail "the server writes files into the folder a link named"
rights "$links" program

# A folder where every account may put its own in the place of the data's.
mkdir -m 777 "$WORK/open"
! "$DB" start "$WORK/open/db" >"$WORK/out" 2>&1 || fail "scripts/db started a server in a folder open to all"
grep -q "lies in $WORK/open, where every account could put a folder of its own" "$WORK/out" ||
  fail "the folder open to all is not refused in words: $(cat "$WORK/out")"
[ ! -e "$WORK/open/db" ] || fail "scripts/db made its folder in a folder open to all"

# The tests' server: its own databases, nothing of the server's.
mkdir -m 755 "$WORK/tests"
KORVAN_DB_NAME=kv_tests KORVAN_DB_RIGHTS=tests start "$WORK/tests"
rights "$WORK/tests" tests

# Tables stay in the data folder: DATA DIRECTORY and INDEX DIRECTORY, of
# each engine, for a table or a partition, are ignored (or refused by the
# engine itself), for the tests' user as for the owner of a station's
# server, and the folder they name gets nothing.
away=$WORK/away
mkdir -m 777 "$away"
eval "$("$DB" env "$WORK/tests")"
n=0
for engine in InnoDB MyISAM Aria; do
  for clause in "DATA DIRECTORY='$away'" "INDEX DIRECTORY='$away'"; do
    for part in "$clause" "PARTITION BY HASH(a) (PARTITION p0 $clause)"; do
      n=$((n + 1))
      MYSQL_PWD=$KORVAN_TEST_DB_PASSWORD mariadb --no-defaults --socket="$WORK/tests/mysqld.sock" \
        --user="$KORVAN_TEST_DB_USER" -e "CREATE TABLE kv_tests.away$n (a int) ENGINE=$engine $part" >"$WORK/out" 2>&1 ||
        [ "$engine/${clause%% *}" = InnoDB/INDEX ] || fail "$engine with $part: $(cat "$WORK/out")"
    done
  done
done
[ -z "$(ls -A "$away")$(find "$WORK/tests/data" -type l -o -name '*.isl')" ] ||
  fail "tables were put outside the data folder: $(ls -A "$away") $(find "$WORK/tests/data" -type l -o -name '*.isl')"
[ "$(owner_sql "$links" "select @@have_symlink")" = DISABLED ] || fail "a station's server takes DATA DIRECTORY"

# A data folder reached through a link of the account's own: scripts/run
# and scripts/db go by the folder's own path from then on, never through
# the link again. The program is a stand-in that notes where it was sent.
mkdir -m 755 "$WORK/real"
ln -s "$WORK/real" "$WORK/by-link"
mkdir -p "$WORK/bin/shell" "$WORK/bin/schema"
ln -s "$KORVAN_BIN_DIR/schema/korvan-create-sql" "$WORK/bin/schema/korvan-create-sql"
printf '#!/bin/sh\necho "$PWD $ODBCINI $KORVAN_TEST_DB_SOCKET" >seen\n' >"$WORK/bin/shell/korvan"
chmod +x "$WORK/bin/shell/korvan"
HOME=$WORK/home KORVAN_DATA=$WORK/by-link KORVAN_BIN_DIR=$WORK/bin DISPLAY=:none "$KORVAN_ROOT/scripts/run" \
  >"$WORK/out" 2>&1 </dev/null || fail "scripts/run through a link: $(cat "$WORK/out")"
[ "$(cat "$WORK/real/seen")" = "$WORK/real $WORK/real/db/odbc.ini $WORK/real/db/mysqld.sock" ] ||
  fail "scripts/run went through the link: $(cat "$WORK/real/seen")"

# The files the scripts lock a folder with, where links stand (from a time
# the folder was open to others): files of their own in their place.
locks=$WORK/lock-links
mkdir -p "$locks"
for file in lock used-by-station used-by-backup used-by-move; do
  echo kept >"$outside/$file"
  ln -s "$outside/$file" "$locks/$file"
done
"$DB" stop "$locks" >"$WORK/out" 2>&1 || fail "a stop where no server runs: $(cat "$WORK/out")"
for file in lock used-by-station used-by-backup used-by-move; do
  [ "$(cat "$outside/$file")" = kept ] && [ -f "$locks/$file" ] && [ ! -L "$locks/$file" ] ||
    fail "the lock file $locks/$file is not a file of its own"
done

[ "$(id -u)" -eq 0 ] || { say "skipped the rest: acting as another account needs root"; exit 77; }

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

# The tests' server, set up above.
closed "$WORK/tests"

# A data folder of another account, or in one: refused in words, and
# nothing written there; scripts/run, whose KORVAN_DATA may name any
# folder, refuses it alike, also for a station on a shared server.
theirs=$WORK/theirs
mkdir -m 777 "$theirs" "$theirs/db" "$theirs/mine"
chown nobody "$theirs" "$theirs/db"
# folder | the words
while IFS='|' read -r folder words; do
  ! "$DB" start "$folder" >"$WORK/out" 2>&1 || fail "scripts/db started a server in $folder"
  grep -qF "$words" "$WORK/out" || fail "$folder is not refused in words: $(cat "$WORK/out")"
done <<EOF
$theirs/db|the data folder $theirs/db belongs to the account nobody
$theirs/mine|lies in $theirs, a folder of the account nobody
$theirs/new/db|lies in $theirs, a folder of the account nobody
EOF
for args in "" "--server 127.0.0.1:1"; do
  status=0
  # shellcheck disable=SC2086
  env HOME="$WORK/home" KORVAN_DATA="$theirs" KORVAN_DB_NAME=korvan KORVAN_DB_USER=korvan KORVAN_DB_PASSWORD=x \
    DISPLAY=:none "$KORVAN_ROOT/scripts/run" $args >"$WORK/out" 2>&1 </dev/null || status=$?
  [ "$status" -eq 1 ] && grep -qF "the data folder $theirs belongs to the account nobody" "$WORK/out" ||
    fail "scripts/run $args on a data folder of another account (status $status): $(cat "$WORK/out")"
done
[ "$(find "$theirs" -mindepth 1 | sort | tr '\n' ' ')" = "$theirs/db $theirs/mine " ] ||
  fail "files were written into the folder of another account: $(find "$theirs" -mindepth 1)"
# A data folder reached through a link of another account, or in a folder
# (or itself one) that another account may write to through its group or
# an access list: refused in words as one open to all is, nothing made,
# also by scripts/run. A group that holds no other account (root's), a
# sticky folder and an access list that only lets others read are taken.
mine=$WORK/mine
mkdir -m 755 "$mine" "$WORK/list-write" "$WORK/list-read"
ln -s "$mine" "$WORK/their-link"
chown -h nobody "$WORK/their-link"
mkdir -m 775 "$WORK/group-write" "$WORK/group-own" "$WORK/group-inside"
mkdir -m 1775 "$WORK/group-sticky"
chgrp nogroup "$WORK/group-write" "$WORK/group-inside" "$WORK/group-sticky"
setfacl -m u:nobody:rwx "$WORK/list-write"
setfacl -m u:nobody:rx "$WORK/list-read"
for folder in group-write group-inside list-write; do
  runuser -u nobody -- test -w "$WORK/$folder" || fail "nobody may not write in $folder: the case tries nothing"
done
# folder | the words (none: taken)
while IFS='|' read -r folder words; do
  "$DB" status "$folder" >"$WORK/out" 2>&1 && fail "scripts/db status $folder: a server runs there"
  if [ -n "$words" ]; then
    grep -qF "$words" "$WORK/out" && { [ "${folder%/db}" = "$folder" ] || [ ! -e "$folder" ]; } ||
      fail "$folder is not refused in words: $(cat "$WORK/out")"
  else
    [ ! -s "$WORK/out" ] && [ -d "$folder" ] || fail "$folder is refused: $(cat "$WORK/out")"
  fi
done <<EOF
$WORK/their-link/db|the data folder $WORK/their-link/db is reached through a link of the account nobody
$WORK/group-write/db|lies in $WORK/group-write, where the accounts of its group nogroup (
$WORK/list-write/db|lies in $WORK/list-write, where the accounts that its access list (ACL) names could put
$WORK/group-inside|in the data folder $WORK/group-inside, the accounts of its group nogroup (
$WORK/group-own/db|
$WORK/group-sticky/db|
$WORK/list-read/db|
EOF
status=0
HOME=$WORK/home KORVAN_DATA=$WORK/their-link DISPLAY=:none "$KORVAN_ROOT/scripts/run" >"$WORK/out" 2>&1 </dev/null ||
  status=$?
[ "$status" -eq 1 ] && grep -qF "through a link of the account nobody" "$WORK/out" && [ -z "$(ls -A "$mine")" ] ||
  fail "scripts/run through a link of another account (status $status): $(cat "$WORK/out")"
say "door: ok"
