#!/usr/bin/env bash
# scripts/run as a station runs it, on a checkout of its own whose program
# is a stand-in (built by scripts/run itself from a small tree) that notes
# what it was given:
# - a start that builds nothing prints nothing of the build; one that
#   builds says what it builds, errors included;
# - the program's environment holds no password (its settings file does);
# - ~/.foxrc and its vendor folder are the account's alone, also where an
#   earlier version left them open;
# - a first start is whole or nothing: cut off at its install or while it
#   makes the tables (kill -9 there), the next start (also one that waited
#   meanwhile) finishes it and leaves nothing of the cut one; a database
#   that lacks tables gets them where it holds no rows and is refused in
#   words where it does; a server whose install an earlier version cut off
#   ("wrong space ID") is set up anew; a full disk is said as such;
# - two Korvans on one data folder share one server, whose user keeps
#   its rights throughout, which runs on for the other when one ends, and
#   which a third start cut off while it sets the server up leaves to
#   them; two first starts build one after the other.
# (What --old-copy leaves of the station's settings, e2e/day.sh checks
# with the program itself.)
source "$(dirname "$0")/common.sh"
: "${KORVAN_BIN_DIR:?the built tree (set by ctest)}"

root="$WORK/check out" # a checkout of its own: the real scripts, a small tree
mkdir -p "$root/shell"
ln -s "$KORVAN_ROOT/scripts" "$root/scripts"
cat >"$root/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.13)
project(stand_in C)
add_executable(korvan shell/korvan.c)
set_target_properties(korvan PROPERTIES RUNTIME_OUTPUT_DIRECTORY \${CMAKE_BINARY_DIR}/shell)
file(MAKE_DIRECTORY \${CMAKE_BINARY_DIR}/schema)
file(CREATE_LINK "$KORVAN_BIN_DIR/schema/korvan-create-sql" \${CMAKE_BINARY_DIR}/schema/korvan-create-sql SYMBOLIC)
EOF
cat >"$WORK/korvan.sh" <<'EOF'
env >env
cp "$HOME/.foxrc/Marbeck/Korvan" settings
# The tables it finds, and the databases that a start made for them.
mariadb --no-defaults --socket="$KORVAN_TEST_DB_SOCKET" -N -e "select
  (select count(*) from information_schema.tables where table_schema = '$KORVAN_TEST_DB_NAME'),
  (select count(*) from information_schema.schemata where schema_name like '%\_new\_tables')" >tables 2>&1
# It works (its scripts/run the parent) as long as a file "hold" is there.
: >"started.$PPID"
while [ -e hold ]; do sleep 0.1; done
EOF
korvan_c() {
  printf '#include <unistd.h>\nint main(void) { %s execl("/bin/sh", "sh", "%s", (char *)0); return 1; }\n' \
    "$1" "$WORK/korvan.sh" >"$root/shell/korvan.c"
}
korvan_c ""

home=$WORK/home
data="$WORK/station data"
mkdir -m 755 "$home" "$home/.foxrc" "$home/.foxrc/Marbeck" # as an earlier version made them
# run [ARG...]: scripts/run from that checkout; its output in $WORK/out.
run() {
  env -u KORVAN_BIN_DIR -u ODBCINI HOME="$home" KORVAN_DATA="$data" KORVAN_BUILD="$WORK/build" DISPLAY=:none \
    KORVAN_DB_PASSWORD=from-the-environment "$root/scripts/run" "$@" >"$WORK/out" 2>&1
}
build_lines() { grep -E 'build|Build|\[ *[0-9]+%\]|error' "$WORK/out" || true; }

say "station: the build says what it builds, and nothing when it builds nothing"
# change to the program | the start | what the build prints (a pattern, or nothing)
while IFS='|' read -r change status printed; do
  eval "$change"
  code=0
  run || code=$?
  if [ "$status" = ok ]; then [ "$code" -eq 0 ]; else [ "$code" -ne 0 ]; fi ||
    fail "after '$change': status $code, not $status: $(cat "$WORK/out")"
  if [ -z "$printed" ]; then
    [ -z "$(build_lines)" ] || fail "after '$change' the start printed the build: $(build_lines)"
  else
    grep -qE "$printed" "$WORK/out" || fail "after '$change' the start did not print '$printed': $(cat "$WORK/out")"
  fi
done <<'EOF'
:|ok|first build takes a minute or two
:|ok|
:|ok|
korvan_c "int unused = 1; (void)unused;"|ok|building in .* \(only what changed\)
:|ok|
korvan_c "this is no C"|fails|error: unknown type name
korvan_c ""|ok|Linking C executable
:|ok|
EOF
grep -q "Korvan: checking" "$WORK/out" && fail "the start still says that it checks the packages"

say "station: the password reaches the program in its settings file alone"
password=$(sed -n 's/^DB_PASSWORD=//p' "$data/db/db.env")
grep -qx "password=$password" "$data/settings" || fail "the settings file does not carry the password"
! grep -e "$password" -e from-the-environment "$data/env" || fail "the program's environment holds a password"
for folder in "$home/.foxrc" "$home/.foxrc/Marbeck"; do
  [ "$(stat -c %a "$folder")" = 700 ] || fail "$folder has mode $(stat -c %a "$folder"), not 700"
done
[ "$(stat -c %a "$home/.foxrc/Marbeck/Korvan")" = 600 ] || fail "the settings are not the owner's alone"

# run_bg LOG DATA [VARIABLE=VALUE...]: scripts/run from that checkout on
# the data folder DATA, in a session of its own; its pid in bg.
run_bg() {
  local log=$1 data=$2
  shift 2
  setsid env -u KORVAN_BIN_DIR -u ODBCINI HOME="$home" KORVAN_DATA="$data" KORVAN_BUILD="$WORK/build" DISPLAY=:none \
    KORVAN_DB_PASSWORD=from-the-environment "$@" "$root/scripts/run" >"$log" 2>&1 &
  bg=$!
  ended_at_exit "$bg"
}
# whole DATA: the program ran there on all its tables, and no start left
# anything of its own behind (a half install, its log, a link to it, the
# tables' own database).
whole() {
  [ "$(cat "$1/tables")" = "10	0" ] || fail "the program ran on $1 with tables and leftovers $(cat "$1/tables")"
  [ -z "$(find "$1/db" -maxdepth 1 -name 'install*' ! -name install.log)" ] ||
    fail "a start left in $1/db: $(find "$1/db" -maxdepth 1 -name 'install*')"
  local link
  for link in /tmp/korvan-install.*/db; do
    [ ! "$link" -ef "$1/db" ] || fail "a start left the link $link to $1/db"
  done
}

say "station: a first start cut off at its install or its tables, a second start meanwhile: the next is whole"
# where the first start is held and then killed | a second start meanwhile
while IFS='|' read -r point second; do
  fresh="$WORK/first $point"
  run_bg "$WORK/first.log" "$fresh" KORVAN_STOP_AT="$point"
  first=$bg
  wait_for "held $first"
  if [ -n "$second" ]; then
    run_bg "$WORK/second.log" "$fresh"
    wait_for 'grep -q "is under way (scripts/run, process $first); waiting" "$WORK/second.log"'
  fi
  kill -9 -- -"$first"
  wait "$first" 2>/dev/null || true
  if [ -n "$second" ]; then
    wait "$bg" || fail "the second start failed: $(cat "$WORK/second.log")"
  else
    run_bg "$WORK/second.log" "$fresh"
    wait "$bg" || fail "the start after one cut off at $point failed: $(cat "$WORK/second.log")"
  fi
  whole "$fresh"
  [ "$(servers "$fresh/db")" = 0 ] || fail "the server of $fresh runs on"
done <<'LIST'
install|
tables|yes
LIST

say "station: two Korvans on one data folder share one server, which stops when the last ends"
both="$WORK/both data"
mkdir -m 700 "$both"
touch "$both/hold"
run_bg "$WORK/one.log" "$both"
one=$bg
wait_for '[ -e "$both/started.$one" ]'
# The rights of the database user, taken away and given back by a start,
# would refuse a statement of the Korvan working meanwhile.
revokes() { owner_sql "$both/db" "select sum(variable_value) from information_schema.global_status
                                  where variable_name like 'COM\_REVOKE%'"; }
before=$(revokes)
run_bg "$WORK/two.log" "$both"
two=$bg
wait_for '[ -e "$both/started.$two" ]'
[ "$(revokes)" = "$before" ] || fail "the second start took the database user's rights away meanwhile"
[ "$(servers "$both/db")" = 1 ] || fail "two Korvans on one data folder run $(servers "$both/db") servers"
# A third start cut off (a closed terminal) while it sets up the server
# that runs for the two leaves that server to them.
run_bg "$WORK/three.log" "$both" KORVAN_STOP_AT=started
three=$bg
wait_for "held $three"
kill -TERM -- -"$three"
kill -CONT -- -"$three"
wait "$three" && fail "a start cut off went on: $(cat "$WORK/three.log")"
"$DB" status "$both/db" || fail "a start cut off stopped the server under two Korvans: $(cat "$WORK/three.log")"
pkill -TERM -P "$one"
wait "$one" || true
grep -q "runs on for a station (scripts/run, process $two)" "$WORK/one.log" ||
  fail "the first Korvan's end does not say that the server runs on: $(cat "$WORK/one.log")"
"$DB" status "$both/db" || fail "the first Korvan's end stopped the server under the second"
rm "$both/hold"
wait "$two" || fail "the second Korvan: $(cat "$WORK/two.log")"
[ "$(servers "$both/db")" = 0 ] || fail "the last Korvan's end did not stop the server"

say "station: a database that lacks some of its tables gets them where it holds no rows, else is refused"
# what it holds | status | words
while IFS='|' read -r rows status words; do
  partial="$WORK/partial $status"
  start "$partial/db"
  # As a start of an earlier version, cut off while it made the tables.
  "$KORVAN_BIN_DIR/schema/korvan-create-sql" | sed '/^DROP TABLE IF EXISTS `ART`/q' |
    mariadb --no-defaults --socket="$partial/db/mysqld.sock" --user="$(id -un)" korvan
  [ -z "$rows" ] || owner_sql "$partial/db" "SET SESSION sql_mode = ''; $rows"
  "$DB" stop "$partial/db"
  run_bg "$WORK/partial.log" "$partial"
  code=0
  wait "$bg" || code=$?
  [ "$code" = "$status" ] && grep -q "$words" "$WORK/partial.log" ||
    fail "a database that lacks tables and holds '$rows': status $code: $(cat "$WORK/partial.log")"
  [ "$status" != 0 ] || whole "$partial"
  [ "$status" = 0 ] || [ ! -e "$partial/env" ] || fail "the program started on a database that lacks tables"
done <<'LIST'
|0|lacks the tables .* of Korvan: its first start was cut off
INSERT INTO korvan.USER (login) VALUES ('wrt')|1|holds 1 rows, which a new database would not keep
LIST

say "station: a server whose install an earlier version cut off is set up anew"
cut="$WORK/cut data"
mkdir -m 700 "$cut" "$cut/db"
mariadb-install-db --no-defaults --datadir="$WORK/cut/data" --user="$(id -un)" --auth-root-authentication-method=socket \
  --skip-test-db >/dev/null 2>&1 || fail "the install for the cut-off one"
mv "$WORK/cut/data" "$cut/db/data"
# Where the cut came, its system tablespace was still zeros ("wrong space ID").
dd if=/dev/zero of="$cut/db/data/ibdata1" bs=16384 count=1 conv=notrunc 2>/dev/null
run_bg "$WORK/cut.log" "$cut"
wait "$bg" || fail "the start after an install cut off: $(cat "$WORK/cut.log")"
grep -q "its first start was cut off; setting it up anew" "$WORK/cut.log" || fail "the new set-up is not said: $(cat "$WORK/cut.log")"
whole "$cut"

say "station: a full disk at the first start is said as such"
if [ "$(id -u)" -eq 0 ] && mkdir -m 755 "$WORK/small" && mount -t tmpfs -o size=40m,mode=755 tmpfs "$WORK/small"; then
  on_exit "umount $(shell_quote "$WORK/small")"
  run_bg "$WORK/full.log" "$WORK/small/data"
  code=0
  wait "$bg" || code=$?
  [ "$code" -ne 0 ] && grep -q "the disk that holds $WORK/small/data/db is full" "$WORK/full.log" ||
    fail "a full disk at the first start (status $code): $(cat "$WORK/full.log")"
  [ ! -e "$WORK/small/data/db/install" ] && [ ! -e "$WORK/small/data/db/data" ] ||
    fail "the install on a full disk left its files"
else
  say "skipped: a small disk of its own needs root"
fi

say "station: two first starts at once build one after the other"
rm -rf "$WORK/build"
run_bg "$WORK/build-one.log" "$WORK/build one"
one=$bg
run_bg "$WORK/build-two.log" "$WORK/build two"
wait "$one" || fail "one of two first starts: $(cat "$WORK/build-one.log")"
wait "$bg" || fail "one of two first starts: $(cat "$WORK/build-two.log")"
grep -q "another start builds Korvan in $WORK/build (scripts/run, process [0-9]*); waiting for it" \
  "$WORK/build-one.log" "$WORK/build-two.log" || fail "the start that waited for the build does not say so"

say "station: ok"
