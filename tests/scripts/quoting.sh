#!/usr/bin/env bash
# What the scripts store and print is data to every shell that reads it
# again: a folder, a password or a name that holds quotes, $( ) or a
# leading dash runs nothing and is kept exactly, or is refused in words.
source "$(dirname "$0")/common.sh"
: "${KORVAN_BIN_DIR:?the built tree (set by ctest)}"

ran=$WORK/ran # what a value would make if a shell ran it
untouched() { [ ! -e "$ran" ] || fail "$1 ran as code"; }
# refused WORDS COMMAND...: the command fails and says why.
refused() {
  local words=$1
  shift
  ! "$@" >"$WORK/out" 2>&1 || fail "not refused: $*"
  grep -q "$words" "$WORK/out" || fail "refused without the words '$words': $(cat "$WORK/out")"
}
# password_works DIR: the database user comes in with the password that
# scripts/db env gives, which must be PASSWORD.
password_works() {
  eval "$("$DB" env "$1")"
  untouched "scripts/db env"
  [ "$KORVAN_TEST_DB_PASSWORD" = "$2" ] || fail "the password came back as $KORVAN_TEST_DB_PASSWORD"
  [ "$ODBCINI" = "$1/odbc.ini" ] || fail "the folder came back as $ODBCINI"
  MYSQL_PWD=$2 mariadb --no-defaults --socket="$KORVAN_TEST_DB_SOCKET" --user="$KORVAN_TEST_DB_USER" \
    -e "DO 0" || fail "the password $2 does not let the user in"
}

# A folder and a password that a shell would run, and a password that
# ends its quotes: stored as they are, started again from what was stored.
hostile_dir="$WORK/it's \$(touch '$ran')"
hostile_password="x\$(touch '$ran')y"
for case in "$hostile_dir|$hostile_password" "$WORK/quote|a'b\\"; do
  dir=${case%%|*} password=${case#*|}
  KORVAN_DB_PASSWORD=$password start "$dir"
  untouched "scripts/db start"
  [ "$(stat -c %a "$dir/db.env")" = 600 ] || fail "db.env is not the owner's alone"
  password_works "$dir" "$password"
  "$DB" stop "$dir"
  start "$dir"
  password_works "$dir" "$password"
done

# Names that are not plain identifiers are refused before anything runs;
# a name with a leading dash never becomes an option of the client.
admin=(--no-defaults --socket="$hostile_dir/mysqld.sock" --user="$(id -un)")
pwned=korvan_pwned
on_exit "$(shell_quote "$DB" stop "$WORK/named")" # were a start not refused
for name in "--init-command=CREATE DATABASE $pwned" "-e" "a'b" "a b" "a\`b" "1abc" ""; do
  KORVAN_DB_PASSWORD=geheim refused "not a plain name" "$DB" shared "$name" station "${admin[@]}"
  KORVAN_DB_PASSWORD=geheim refused "not a plain name" "$DB" shared korvan_shared "$name" "${admin[@]}"
  [ -z "$name" ] && continue # the default name
  KORVAN_DB_NAME=$name refused "not a plain name" "$DB" start "$WORK/named"
  KORVAN_DB_USER=$name refused "not a plain name" "$DB" start "$WORK/named"
  [ ! -e "$WORK/named/data" ] || fail "a server was set up for the name '$name'"
done
"$DB" stop "$hostile_dir"
refused "not a plain name" "$DB" move "$hostile_dir" "--init-command=CREATE DATABASE $pwned" "${admin[@]}"
start "$hostile_dir"
KORVAN_DB_FROM="%' or '1'='1" KORVAN_DB_PASSWORD=geheim refused "not a host" "$DB" shared korvan_shared station "${admin[@]}"
[ -z "$(owner_sql "$hostile_dir" "show databases like 'korvan\_%'")" ] || fail "a refused name made a database"

# A shared user's password goes into the statements as it is.
KORVAN_CREATE_SQL=/dev/null KORVAN_DB_PASSWORD="$hostile_password'\\" KORVAN_DB_FROM=localhost \
  "$DB" shared korvan_shared station "${admin[@]}" >"$WORK/out" 2>&1 || fail "shared: $(cat "$WORK/out")"
MYSQL_PWD="$hostile_password'\\" mariadb --no-defaults --socket="$hostile_dir/mysqld.sock" --user=station \
  -e "DO 0" || fail "the shared user's password is not the one given"
untouched "scripts/db shared"

# scripts/run's clean-up stops the private server of a data folder that a
# shell would run; the station's settings are the owner's alone. The
# program here is a stand-in that ends at once.
bin=$WORK/bin
mkdir -p "$bin/shell" "$bin/schema"
ln -s "$KORVAN_BIN_DIR/schema/korvan-create-sql" "$bin/schema/korvan-create-sql"
printf '#!/bin/sh\ntouch korvan-ran\n' >"$bin/shell/korvan"
chmod +x "$bin/shell/korvan"
data="$WORK/data it's \$(touch '$ran')"
HOME=$WORK/home KORVAN_DATA=$data KORVAN_BIN_DIR=$bin DISPLAY=:0 "$KORVAN_ROOT/scripts/run" >"$WORK/out" 2>&1 ||
  fail "scripts/run: $(cat "$WORK/out")"
untouched "scripts/run"
[ -e "$data/korvan-ran" ] || fail "scripts/run did not start the program in its data folder"
! "$DB" status "$data/db" || fail "scripts/run left the server in $data/db running"
[ "$(stat -c %a "$WORK/home/.foxrc/Marbeck/Korvan")" = 600 ] || fail "the stored settings are not the owner's alone"
say "quoting: ok"
