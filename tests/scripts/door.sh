#!/usr/bin/env bash
# Only the account that owns a private server gets in. Another local
# account (nobody) is refused through the socket and over the port,
# whichever account it names, on a new server and on one that an earlier
# version set up with a root that had no password; the owner gets in
# through the socket without one, and the folder and the files that
# scripts/db writes are the owner's alone.
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

mkdir -m 755 "$WORK/new"
start "$WORK/new"
closed "$WORK/new"

# As an earlier version set one up: root without a password, over the port
# too. Its next start closes that door.
mkdir -m 755 "$WORK/old" "$WORK/old/data"
mariadb-install-db --no-defaults --datadir="$WORK/old/data" --user="$(id -un)" \
  --auth-root-authentication-method=normal --skip-test-db >"$WORK/install.log" 2>&1 ||
  { cat "$WORK/install.log" >&2; fail "setting up the old server"; }
start "$WORK/old"
grep -q "now only $(id -un) gets in" "$WORK/start.log" || fail "the start did not say that it closed the door"
closed "$WORK/old"
say "door: ok"
