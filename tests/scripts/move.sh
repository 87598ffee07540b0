#!/usr/bin/env bash
# scripts/db move cut off at its worst moments: TERM to its process group
# while it loads (also once the shared server is gone meanwhile: the copy
# it loaded stays there with the record, and the next run drops it), kill
# -9 of the script alone while it dumps, kill -9 of
# the whole group while it loads, and kill -9 right after its swap, before
# it wrote that it is done. The target must never hold part of the first
# days, the dump must never outlive the move, each break must be said in
# words (at the break where the script still can, at the next run always),
# and the next run must finish or redo the move, the note of where the day
# went written either way. A moved copy moves again only when asked to
# (--again), and the note keeps every move. Afterwards scripts/run does not
# start the moved private data as if it were current.
#
# Then two stations move into one target: A is killed while its RENAME
# waits for a table that another session holds, B moves in, and A run
# again says that it moved nothing, dropping only what it made itself. A
# record naming a pid that another process has now does not block a move,
# the server a killed move left is not stopped while a station works on
# it, and a move whose script alone is killed while its RENAME waits is
# refused by scripts/run until the next run finishes it. A database of
# the staging's old name that the script did not make stays throughout.
#
#   move.sh   (needs the test server's environment and KORVAN_BIN_DIR)
set -euo pipefail
source "$(dirname "$0")/common.sh"
: "${KORVAN_TEST_DB_SOCKET:?run through scripts/test} ${KORVAN_BIN_DIR:?the built tree}"
LINES=${KORVAN_MOVE_LINES:-300000}

work=$(mktemp -d "/tmp/korvan move.XXXXXX") # the station's data path holds a blank
private="$work/station one/db"
export TMPDIR="$work/tmp" # where the dump would stay behind
mkdir -p "$TMPDIR"
target=korvan_t_move
again=korvan_t_move_again # a second move, asked for
admin=(--no-defaults --socket="$KORVAN_TEST_DB_SOCKET" --user="$(id -un)")
shared() { mariadb "${admin[@]}" -N -e "$1"; }
local_sql() { mariadb --no-defaults --socket="$private/mysqld.sock" --user="$(id -un)" -N korvan -e "$1"; }
# Every database of this test: the targets and whatever the moves made.
drop_all() {
  local name
  for name in $(shared "select schema_name from information_schema.schemata
                        where schema_name like binary 'korvan\\_t\\_move%'"); do
    shared "DROP DATABASE \`$name\`"
  done
}
# The databases that moves into the target made and left.
staged() { shared "select count(*) from information_schema.schemata
                   where schema_name like '$1_moving_%' or schema_name like '$1_aside_%'"; }
on_exit "$(shell_quote rm -rf "$work")"
on_exit drop_all
on_exit "$(shell_quote "$KORVAN_ROOT/scripts/db" stop "$private")"
drop_all
# Someone's own database, of the name the staging once had: no move drops it.
shared "CREATE DATABASE ${target}_moving; CREATE TABLE ${target}_moving.kept (a int); INSERT INTO ${target}_moving.kept VALUES (1)"

fail() {
  say "move: $1"
  [ -z "${2:-}" ] || cat "$2" >&2
  exit 1
}

# A station's first days: a user, a room, a table and many order lines.
"$KORVAN_ROOT/scripts/db" start "$private" >/dev/null 2>&1
"$KORVAN_BIN_DIR/schema/korvan-create-sql" | mariadb --no-defaults --socket="$private/mysqld.sock" --user="$(id -un)" korvan
local_sql "SET SESSION sql_mode = '';
  INSERT INTO USER (login, passwd, gueltig) VALUES ('wrt', 'rot9', 'JA');
  INSERT INTO LAYOUTK (name, width, height) VALUES ('Saal', 500, 400);
  INSERT INTO LAYOUTP (layout_idx, label_name, label_width, label_height) VALUES (1, 'Fenster', 60, 100);
  INSERT INTO BONLINE (user, user_idx, artnr, layoutk_idx, layoutk_name, layoutp_idx, layoutp_label_name,
                       anzahl, preis, bezahlt, storniert)
    SELECT 'wrt', 1, concat('A', seq % 50), 1, 'Saal', 1, 'Fenster', 1 + seq % 3, 3.2,
           if(seq % 7 = 0, 'NEIN', 'JA'), 'NEIN' FROM seq_1_to_$LINES"
rows=$(local_sql "select (select count(*) from USER) + (select count(*) from LAYOUTK)
                       + (select count(*) from LAYOUTP) + (select count(*) from BONLINE)")
"$KORVAN_ROOT/scripts/db" stop "$private"

# The target holds nothing of the first days: no database, or no rows.
untouched() {
  local tables
  tables=$(shared "select count(*) from information_schema.tables where table_schema = '$target'")
  [ "$tables" -eq 0 ] || fail "$1: the target holds $tables tables of a move that broke off"
}
no_dump() {
  [ -z "$(ls -A "$TMPDIR")" ] || fail "$1: the dump outlived the move: $(ls -l "$TMPDIR")"
}

# mover LOG [DIR TARGET]: a move (of the station's data into the target)
# in a process group of its own; sets mover to its pid.
mover() {
  setsid "$KORVAN_ROOT/scripts/db" move "${2:-$private}" "${3:-$target}" "${admin[@]}" >"$1" 2>&1 &
  mover=$!
  ended_at_exit "$mover"
}
# Order lines arriving on the shared server, wherever the move puts them.
loading() { [ "$(shared "select count(*) from information_schema.tables where table_schema like '${target}%'
                         and table_name = 'BONLINE' and table_rows > 0")" -gt 0 ]; }
dumping() { grep -qs '^server=' "$private/moving"; }
finished() { ! kill -0 "$mover" 2>/dev/null; }

say "move: TERM to the process group while it loads"
mover "$work/term.log"
wait_for loading
kill -TERM -- -"$mover"
wait_for finished
wait "$mover" && fail "a move cut off by TERM succeeded" "$work/term.log"
grep -q "the move broke off; $target is as it was before" "$work/term.log" ||
  fail "TERM: the break is not said" "$work/term.log"
untouched TERM
no_dump TERM
[ "$(staged $target)" -eq 0 ] || fail "TERM: the unfinished copy stayed on the server"
"$KORVAN_ROOT/scripts/db" status "$private" && fail "TERM: the private server runs on"

say "move: TERM while it loads, the shared server gone meanwhile; the next run drops the copy"
reach=$work/reach.cnf # the way to the shared server, taken away while it loads
printf '[client]\nsocket=%s\nuser=%s\n' "$KORVAN_TEST_DB_SOCKET" "$(id -un)" >"$reach"
setsid "$KORVAN_ROOT/scripts/db" move "$private" $target --defaults-file="$reach" >"$work/gone.log" 2>&1 &
mover=$!
ended_at_exit "$mover"
wait_for loading
printf '[client]\nsocket=%s\n' "$work/gone.sock" >"$reach"
kill -TERM -- -"$mover"
wait_for finished
wait "$mover" && fail "a move cut off by TERM succeeded" "$work/gone.log"
grep -q "the move broke off; $target is as it was before" "$work/gone.log" &&
  grep -q "stays on the shared server for now; the next run of the same scripts/db move drops it" "$work/gone.log" ||
  fail "gone: the break and the copy left are not said" "$work/gone.log"
untouched gone
no_dump gone
[ "$(staged $target)" -eq 1 ] || fail "gone: the copy did not stay while the server was gone: nothing tested"
grep -q '^tag=' "$private/moving" || fail "gone: the record went while the move's copy stayed" "$work/gone.log"
full=korvan_t_move_full # a target with rows: the next run drops the copy, then refuses
shared "CREATE DATABASE $full; CREATE TABLE $full.t (a int); INSERT INTO $full.t VALUES (1)"
"$KORVAN_ROOT/scripts/db" move "$private" $full "${admin[@]}" >"$work/gone-next.log" 2>&1 &&
  fail "a move into a target with rows went through" "$work/gone-next.log"
grep -q "an earlier move into $target broke off before it finished; $target took nothing of it" "$work/gone-next.log" &&
  grep -q "dropping what it left" "$work/gone-next.log" && grep -q "$full holds 1 rows already" "$work/gone-next.log" ||
  fail "gone: the next run does not say that it drops the copy left" "$work/gone-next.log"
[ "$(staged $target)" -eq 0 ] || fail "gone: the next run left the copy on the server"
[ ! -e "$private/moving" ] || fail "gone: the record stayed after the copy went"

say "move: kill -9 of the script alone while it dumps"
mover "$work/kill-script.log"
wait_for dumping
kill -KILL "$mover"
wait "$mover" 2>/dev/null || true
untouched "kill -9 while dumping"
wait_for '! pgrep -g "$mover" mariadb-dump >/dev/null' # the dump it started ends by itself
no_dump "kill -9 while dumping"
"$KORVAN_ROOT/scripts/db" status "$private" || fail "the server the killed move started is not running: nothing tested"

say "move: kill -9 of the group while it loads"
mover "$work/kill-group.log"
wait_for 'loading || finished'
finished && fail "the move after a kill -9 did not go on" "$work/kill-group.log"
kill -KILL -- -"$mover"
wait "$mover" 2>/dev/null || true
grep -q "an earlier move from .*broke off" "$work/kill-group.log" ||
  fail "the next run does not say that a move broke off" "$work/kill-group.log"
grep -q "stopping the private server it left running" "$work/kill-group.log" ||
  fail "the next run does not stop the server the killed move left" "$work/kill-group.log"
untouched "kill -9 while loading"
no_dump "kill -9 while loading"

say "move: the next run, into the empty tables that scripts/db shared made, killed -9 right after its swap"
shared "CREATE DATABASE $target"
"$KORVAN_BIN_DIR/schema/korvan-create-sql" | mariadb "${admin[@]}" $target
shared "INSERT INTO $target.LANG (system, type, orig, trans) VALUES ('korvan', 'Message', 'Neu', '')"
KORVAN_STOP_AT=move-swapped mover "$work/swapped.log"
wait_for 'held "$mover" || finished'
finished && fail "the move did not stop after its swap" "$work/swapped.log"
kill -KILL -- -"$mover"
wait "$mover" 2>/dev/null || true
grep -q "an earlier move into $target broke off before it finished; $target took nothing of it" "$work/swapped.log" ||
  fail "the next run does not say that the target holds a broken move's copy" "$work/swapped.log"
[ "$(shared "select count(*) from $target.BONLINE")" -eq "$LINES" ] || fail "the swap did not bring the order lines"
[ ! -e "$private/moved" ] || fail "the note was written before the move was killed: nothing tested"
for args in "" "--private"; do
  status=0
  # shellcheck disable=SC2086
  env HOME="$work/station one/home" KORVAN_DATA="$work/station one" DISPLAY=:none \
    "$KORVAN_ROOT/scripts/run" $args >"$work/run.log" 2>&1 || status=$?
  [ "$status" -eq 1 ] && grep -q "to the database $target broke off at its last step" "$work/run.log" &&
    grep -q "run the same scripts/db move again" "$work/run.log" ||
    fail "scripts/run $args after a move cut off at its swap does not refuse in words" "$work/run.log"
  "$KORVAN_ROOT/scripts/db" status "$private" && fail "scripts/run $args started the private server"
done

say "move: the run after it finishes the move"
"$KORVAN_ROOT/scripts/db" move "$private" $target "${admin[@]}" >"$work/last.log" 2>&1 ||
  fail "the move after the breaks failed" "$work/last.log"
grep -q "its last step had gone through: $target holds the first days" "$work/last.log" ||
  fail "the run after the swap does not say that the move had gone through" "$work/last.log"
grep -q "$rows rows moved" "$work/last.log" || fail "not every row moved" "$work/last.log"
grep -q "^to=$target on [^ ]*:[0-9]*\$" "$private/moved" || fail "the note does not say where the day went" "$private/moved"
[ "$(shared "select count(*) from $target.BONLINE")" -eq "$LINES" ] || fail "the order lines did not all arrive"
[ "$(staged $target)" -eq 0 ] || fail "the move's own databases stayed on the server"
[ ! -e "$private/moving" ] || fail "the record of a running move stayed"
no_dump "the move"

say "move: a second move of the moved copy is refused, wherever to, unless asked for"
cp "$private/moved" "$work/note"
for name in $target $again; do
  "$KORVAN_ROOT/scripts/db" move "$private" $name "${admin[@]}" >"$work/again.log" 2>&1 &&
    fail "a second move into $name went through" "$work/again.log"
  grep -q "was moved already" "$work/again.log" && grep -q "on [0-9-]* [0-9:]* to $target on " "$work/again.log" &&
    grep -qF -- "--again" "$work/again.log" || fail "the refusal does not say why and how" "$work/again.log"
done
cmp -s "$private/moved" "$work/note" || fail "a refused move changed the note"
[ "$(shared "select count(*) from information_schema.schemata where schema_name like '${again}%'")" -eq 0 ] ||
  fail "a refused move made a database"

say "move: asked for, a second move into the filled target is refused, the target kept"
"$KORVAN_ROOT/scripts/db" move --again "$private" $target "${admin[@]}" >"$work/again.log" 2>&1 &&
  fail "a second move into a filled target went through" "$work/again.log"
grep -q "$target holds $rows rows already" "$work/again.log" || fail "the refusal does not say why" "$work/again.log"

say "move: asked for, a second move into another database goes through; the note keeps both"
"$KORVAN_ROOT/scripts/db" move --again "$private" $again "${admin[@]}" >"$work/again.log" 2>&1 ||
  fail "the second move failed" "$work/again.log"
[ "$(shared "select count(*) from $again.BONLINE")" -eq "$LINES" ] || fail "the second move did not bring the lines"
[ "$(head -n 2 "$private/moved")" = "$(cat "$work/note")" ] && grep -q "^to=$again on " "$private/moved" ||
  fail "the note does not keep both moves, the first first" "$private/moved"

say "move: the moved private data does not start as the current day"
for args in "" "--private"; do
  status=0
  # shellcheck disable=SC2086
  env HOME="$work/station one/home" KORVAN_DATA="$work/station one" DISPLAY=:none \
    "$KORVAN_ROOT/scripts/run" $args >"$work/run.log" 2>&1 || status=$?
  [ "$status" -eq 1 ] || fail "scripts/run $args started the moved data (status $status)" "$work/run.log"
  grep -q "was moved on [0-9-]* [0-9:]* to the database $target on [^ ]*:[0-9]*\." "$work/run.log" &&
    grep -q "moved again on [0-9-]* [0-9:]* to the database $again on " "$work/run.log" ||
    fail "scripts/run $args does not say where and when the data went" "$work/run.log"
  grep -q "its open lines are as they were then" "$work/run.log" &&
    grep -q "scripts/run --private --old-copy" "$work/run.log" ||
    fail "scripts/run $args does not say what the copy is and how to open it" "$work/run.log"
  "$KORVAN_ROOT/scripts/db" status "$private" && fail "scripts/run $args started the private server"
done

# A second station's first days, a few rows; a third's and a fourth's for
# moves at once.
# first_days DIR LOGIN...: a station's private server with the users named.
first_days() {
  local dir=$1 login values=""
  shift
  for login in "$@"; do values+="${values:+, }('$login', 'blau4', 'JA')"; done
  on_exit "$(shell_quote "$KORVAN_ROOT/scripts/db" stop "$dir")"
  "$KORVAN_ROOT/scripts/db" start "$dir" >/dev/null 2>&1
  "$KORVAN_BIN_DIR/schema/korvan-create-sql" | mariadb --no-defaults --socket="$dir/mysqld.sock" --user="$(id -un)" korvan
  mariadb --no-defaults --socket="$dir/mysqld.sock" --user="$(id -un)" korvan -e "SET SESSION sql_mode = '';
    INSERT INTO USER (login, passwd, gueltig) VALUES $values"
  "$KORVAN_ROOT/scripts/db" stop "$dir"
}
two="$work/station two/db"
first_days "$two" anna
two_rows=1
three="$work/station three/db"
first_days "$three" ben
four="$work/station four/db"
first_days "$four" cem dana

# A target as scripts/db shared makes it: the tables, no rows.
made_shared() {
  shared "CREATE DATABASE $1"
  "$KORVAN_BIN_DIR/schema/korvan-create-sql" | mariadb "${admin[@]}" "$1"
}
# hold TABLE: another session keeps the table locked (a station's report,
# say) until released; a RENAME that needs it waits meanwhile.
holder_id() { shared "select id from information_schema.processlist
                      where id <> connection_id() and info like '%held by the move test%'"; }
hold() {
  mariadb "${admin[@]}" -e "LOCK TABLES $1 READ; SELECT 'held by the move test', SLEEP(300)" >/dev/null 2>&1 &
  holder=$!
  wait_for '[ -n "$(holder_id)" ]'
}
release() {
  shared "KILL $(holder_id)"
  wait "$holder" 2>/dev/null || true
}
# The RENAME into the target waits for a table.
waiting() {
  [ "$(shared "select count(*) from information_schema.processlist where info like 'RENAME TABLE%$1%'
               and state like '%metadata lock%'")" -gt 0 ]
}
# refused_run WORDS...: scripts/run on the second station refuses to start, in the words given.
refused_run() {
  local args status word
  for args in "" "--private"; do
    status=0
    # shellcheck disable=SC2086
    env HOME="$work/station two/home" KORVAN_DATA="$work/station two" DISPLAY=:none \
      "$KORVAN_ROOT/scripts/run" $args >"$work/run.log" 2>&1 || status=$?
    [ "$status" -eq 1 ] || fail "scripts/run $args started the second station (status $status)" "$work/run.log"
    for word in "$@"; do
      grep -qF -- "$word" "$work/run.log" || fail "scripts/run $args does not say: $word" "$work/run.log"
    done
    ! "$KORVAN_ROOT/scripts/db" status "$two" || fail "scripts/run $args started the private server"
  done
}

say "move: A killed while its RENAME waits for a table, B moved into the same target, A run again"
both=korvan_t_move_both
made_shared $both
hold "$both.BONLINE"
mover "$work/a.log" "$two" $both
wait_for "waiting $both || finished"
finished && fail "the move did not wait for the table held" "$work/a.log"
grep -qx phase=renaming "$two/moving" || fail "the move waits for its RENAME, and its record does not say so"
"$KORVAN_ROOT/scripts/db" move "$two" $both "${admin[@]}" >"$work/a-twice.log" 2>&1 &&
  fail "a second move from the same folder went through" "$work/a-twice.log"
grep -q "a move from .* runs already (scripts/db move, process $mover)" "$work/a-twice.log" ||
  fail "a second move from the same folder is not refused in words" "$work/a-twice.log"
# Another station's move into the same target meanwhile: refused when it
# comes to its last step, having taken nothing.
"$KORVAN_ROOT/scripts/db" move "$three" $both "${admin[@]}" >"$work/a-other.log" 2>&1 &&
  fail "a move into a target that another move's last step holds went through" "$work/a-other.log"
grep -q "another move into $both is under way; it stays as it is; nothing of $three went there" "$work/a-other.log" ||
  fail "a move into a target that another move's last step holds is not refused in words" "$work/a-other.log"
[ ! -e "$three/moved" ] && [ ! -e "$three/moving" ] || fail "the refused move left a note or a record"
kill -KILL -- -"$mover" # the script and its client: the server gives the RENAME up
wait "$mover" 2>/dev/null || true
wait_for '! waiting $both'
refused_run "to the database $both broke off at its last step" "run the same scripts/db move again"
release
a_copy=${both}_moving_$(sed -n 's/^tag=//p' "$two/moving")
"$KORVAN_ROOT/scripts/db" move --again "$private" $both "${admin[@]}" >"$work/b.log" 2>&1 ||
  fail "B's move into the target of A's broken one failed" "$work/b.log"
[ "$(shared "select count(*) from $a_copy.USER")" -eq 1 ] && [ "$(staged $both)" -eq 2 ] ||
  fail "B's move dropped the copy A's move made (or left its own)"
"$KORVAN_ROOT/scripts/db" move "$two" $both "${admin[@]}" >"$work/a-again.log" 2>&1 &&
  fail "A's move went through into B's rows" "$work/a-again.log"
grep -q "its last step had not gone through: $both took nothing of" "$work/a-again.log" &&
  grep -q "$both holds $rows rows already" "$work/a-again.log" ||
  fail "A's move run again does not say that it moved nothing, and why it cannot" "$work/a-again.log"
grep -q "rows moved\|had gone through" "$work/a-again.log" && fail "A's move is said to be done" "$work/a-again.log"
[ ! -e "$two/moved" ] || fail "A's move wrote the note of a move that did not happen" "$two/moved"
[ ! -e "$two/moving" ] || fail "A's record stayed"
[ "$(staged $both)" -eq 0 ] || fail "A's copy stayed on the server"
[ "$(shared "select count(*) from $both.BONLINE")" -eq "$LINES" ] || fail "B's rows did not stay"

say "move: a record that names a process which is not that move"
sleep 600 &
sleeper=$!
on_exit "kill $sleeper 2>/dev/null || true"
shared "CREATE DATABASE ${both}_moving_0badc0de" # not a move's, though a record names it
# what the record holds (\n: a new line) | what it is
while IFS='|' read -r record what; do
  printf '%b\n' "$record" >"$two/moving"
  "$KORVAN_ROOT/scripts/db" move "$two" $both "${admin[@]}" >"$work/stale.log" 2>&1 &&
    fail "$what: a move into a target with rows went through" "$work/stale.log"
  grep -q "runs already" "$work/stale.log" && fail "$what: taken for a move that runs" "$work/stale.log"
  grep -q "an earlier move from .* broke off" "$work/stale.log" && grep -q "$both holds $rows rows already" "$work/stale.log" ||
    fail "$what: not said as it is" "$work/stale.log"
  [ ! -e "$two/moving" ] || fail "$what: the record stayed"
  kill -0 "$sleeper" || fail "$what: the process the record named was ended"
done <<LIST
move=$sleeper\nstarted=1|the pid of another process now
move=$sleeper|the pid of another process, in a record of an earlier version
move=$$\nstarted=1\ntarget=$both\ntag=0badc0de|a record that names a database the script did not make
LIST
[ "$(shared "select count(*) from information_schema.schemata where schema_name = '${both}_moving_0badc0de'")" -eq 1 ] ||
  fail "a database the script did not make was dropped"

say "move: the server a killed move left, a station's since, is not stopped under it"
two_sql() { mariadb --no-defaults --socket="$two/mysqld.sock" --user="$(id -un)" -N -e "$1"; }
station_id() { two_sql "select id from information_schema.processlist where info like '%a station of the move test%'
                        and id <> connection_id()"; }
"$KORVAN_ROOT/scripts/db" start "$two" >/dev/null 2>&1
printf 'move=%s\nstarted=1\nserver=%s\n' "$sleeper" "$(cat "$two/mysqld.pid")" >"$two/moving"
( # a station, as the program's user
  eval "$("$KORVAN_ROOT/scripts/db" env "$two")"
  MYSQL_PWD=$KORVAN_TEST_DB_PASSWORD exec mariadb --no-defaults --socket="$two/mysqld.sock" \
    --user="$KORVAN_TEST_DB_USER" -e "SELECT 'a station of the move test', SLEEP(300)"
) >/dev/null 2>&1 &
station=$!
wait_for '[ -n "$(station_id)" ]'
"$KORVAN_ROOT/scripts/db" move "$two" $both "${admin[@]}" >"$work/station.log" 2>&1 &&
  fail "a move went through while a station works on its server" "$work/station.log"
grep -q "quit Korvan on that station first" "$work/station.log" ||
  fail "the move under a station does not say why it stops" "$work/station.log"
grep -q "stopping the private server" "$work/station.log" && fail "the move stopped a station's server" "$work/station.log"
"$KORVAN_ROOT/scripts/db" status "$two" || fail "the server a station works on was stopped"
two_sql "KILL $(station_id)"
wait "$station" 2>/dev/null || true
"$KORVAN_ROOT/scripts/db" move "$two" $both "${admin[@]}" >"$work/station.log" 2>&1 &&
  fail "a move into a target with rows went through" "$work/station.log"
grep -q "stopping the private server it left running" "$work/station.log" &&
  grep -q "$both holds $rows rows already" "$work/station.log" ||
  fail "once the station has quit, the move does not stop the server the killed move left" "$work/station.log"
[ ! -e "$two/moving" ] || fail "the record of the killed move stayed"
! "$KORVAN_ROOT/scripts/db" status "$two" || fail "the server the killed move left runs on"

say "move: the script alone killed while its RENAME waits; scripts/run refuses until the next run finishes the move"
wait_target=korvan_t_move_wait
made_shared $wait_target
hold "$wait_target.BONLINE"
mover "$work/wait.log" "$two" $wait_target
wait_for "waiting $wait_target || finished"
finished && fail "the move did not wait for the table held" "$work/wait.log"
kill -KILL "$mover" # its client lives on, and the RENAME waits on the server
wait "$mover" 2>/dev/null || true
refused_run "to the database $wait_target broke off at its last step" "run the same scripts/db move again"
release
"$KORVAN_ROOT/scripts/db" move "$two" $wait_target "${admin[@]}" >"$work/wait-next.log" 2>&1 ||
  fail "the move after its RENAME went through failed" "$work/wait-next.log"
grep -q "its last step had gone through: $wait_target holds the first days" "$work/wait-next.log" &&
  grep -q "$two_rows rows moved" "$work/wait-next.log" ||
  fail "the next run does not finish the move whose RENAME went through" "$work/wait-next.log"
grep -q "^to=$wait_target on " "$two/moved" || fail "the note of the move is missing" "$two/moved"
[ "$(staged $wait_target)" -eq 0 ] || fail "the move's own databases stayed on the server"
refused_run "was moved on" "scripts/run --private --old-copy"

# again_mover LOG DIR TARGET [VARIABLE=VALUE...]: a move asked for again (a
# station moved before moves too) in a session of its own; sets mover.
again_mover() {
  setsid env "${@:4}" "$KORVAN_ROOT/scripts/db" move --again "$2" "$3" "${admin[@]}" >"$1" 2>&1 &
  mover=$!
  ended_at_exit "$mover"
}
notes() { grep -c '^to=' "$1/moved" 2>/dev/null || true; }
# left_alone DIR WHAT: a refused move of DIR left no note, no record and no copy.
left_alone() {
  [ "$(notes "$1")" = "$2" ] && [ ! -e "$1/moving" ] || fail "the refused move of $1 noted a move or left its record"
  [ "$(shared "select count(*) from information_schema.schemata where schema_comment like 'korvan move %'
                and schema_name like 'korvan\\_t\\_move\\_race%'")" -eq 0 ] || fail "a refused move left its copy"
}
# logins TARGET: the users a target holds.
logins() { shared "select group_concat(login order by login) from $1.USER"; }
# A line a station books into a target, its keys aside.
booking="SET SESSION sql_mode = '', foreign_key_checks = 0;
  INSERT INTO BONLINE (user, artnr, anzahl, preis, bezahlt, storniert) VALUES ('wrt', 'A7', 1, 3.2, 'NEIN', 'NEIN');"

say "move: two moves into one target, one held right before its last step, both ways round"
# held | goes through | its users | the target
while IFS='|' read -r held through users race; do
  made_shared $race
  before=$(notes "$held")
  again_mover "$work/held.log" "$held" $race KORVAN_STOP_AT=move-renaming
  wait_for "held $mover || finished"
  finished && fail "the move did not stop before its last step" "$work/held.log"
  "$KORVAN_ROOT/scripts/db" move --again "$through" $race "${admin[@]}" >"$work/through.log" 2>&1 ||
    fail "the move that was not held failed" "$work/through.log"
  kill -CONT "$mover"
  wait "$mover" && fail "both moves into one target went through" "$work/held.log"
  grep -q "error: $race holds [0-9]* rows now; it stays as it is; nothing of $held went there" "$work/held.log" ||
    fail "the move held before its last step is not refused in words" "$work/held.log"
  grep -q "rows moved" "$work/held.log" && fail "the refused move says it moved rows" "$work/held.log"
  left_alone "$held" "$before"
  [ "$(logins $race)" = "$users" ] || fail "$race holds $(logins $race), not the rows of the move that went through"
done <<LIST
$three|$four|cem,dana|korvan_t_move_race_a
$four|$three|ben|korvan_t_move_race_b
LIST

say "move: scripts/db shared found no tables, and a move went in before it made them"
race=korvan_t_move_race_h
shared "CREATE DATABASE $race"
on_exit "$(shell_quote mariadb "${admin[@]}" -e "DROP USER IF EXISTS korvan_t_move_user@'%'")"
KORVAN_STOP_AT=shared-counted KORVAN_DB_PASSWORD=gelb7 setsid "$KORVAN_ROOT/scripts/db" shared $race korvan_t_move_user \
  "${admin[@]}" >"$work/setup.log" 2>&1 &
setup=$!
ended_at_exit "$setup"
wait_for "held $setup || ! kill -0 $setup 2>/dev/null"
held "$setup" || fail "scripts/db shared did not stop before it made the tables" "$work/setup.log"
"$KORVAN_ROOT/scripts/db" move --again "$three" $race "${admin[@]}" >"$work/through.log" 2>&1 ||
  fail "the move into a database without tables failed" "$work/through.log"
kill -CONT "$setup"
wait "$setup" || fail "scripts/db shared failed once a move had filled its database" "$work/setup.log"
grep -q "$race got its tables meanwhile (a move into it, say); they stay as they are" "$work/setup.log" ||
  fail "scripts/db shared does not say that it left the moved tables alone" "$work/setup.log"
[ "$(logins $race)" = ben ] || fail "scripts/db shared dropped the rows a move brought meanwhile" "$work/setup.log"

say "move: a line booked into the target while a move is held before its last step, or while its RENAME waits"
race=korvan_t_move_race_c
made_shared $race
before=$(notes "$three")
again_mover "$work/held.log" "$three" $race KORVAN_STOP_AT=move-renaming
wait_for "held $mover || finished"
shared "USE $race; $booking"
kill -CONT "$mover"
wait "$mover" && fail "a move into a target with a line booked meanwhile went through" "$work/held.log"
grep -q "error: $race holds 1 rows now; it stays as it is; nothing of $three went there" "$work/held.log" ||
  fail "the move into a target with a line booked meanwhile is not refused in words" "$work/held.log"
left_alone "$three" "$before"
[ "$(shared "select count(*) from $race.BONLINE")" -eq 1 ] && [ "$(logins $race)" = NULL ] ||
  fail "the line booked into the target did not stay there alone"
# A booking not yet committed when the move counts the rows: its commit
# comes while the RENAME waits for the table, and the line goes aside with
# the target's tables. It is kept there and named, not dropped.
race=korvan_t_move_race_d
made_shared $race
again_mover "$work/held.log" "$three" $race KORVAN_STOP_AT=move-renaming
wait_for "held $mover || finished"
mkfifo "$work/booking"
mariadb "${admin[@]}" --unbuffered -N $race <"$work/booking" >"$work/booked" 2>&1 &
booker=$!
exec {booking_in}>"$work/booking"
printf "START TRANSACTION; %s SELECT 'booked';\n" "$booking" >&"$booking_in"
wait_for 'grep -q booked "$work/booked"'
kill -CONT "$mover"
wait_for "waiting $race || finished"
printf 'COMMIT;\n' >&"$booking_in"
exec {booking_in}>&-
wait "$booker"
wait "$mover" || fail "the move whose RENAME waited for a booking failed" "$work/held.log"
aside=$(shared "select schema_name from information_schema.schemata where schema_name like '${race}\\_aside\\_%'")
grep -q "$aside keeps 1 rows that were stored in $race while the move went in" "$work/held.log" ||
  fail "the line booked while the RENAME waited is not named where it stays" "$work/held.log"
[ "$(shared "select count(*) from $aside.BONLINE")" -eq 1 ] && [ "$(logins $race)" = ben ] ||
  fail "the booked line was not kept aside, or the move's rows did not arrive"
shared "DROP DATABASE $aside"

say "move: nothing else starts on a folder while it moves, and a twin run leaves the move alone"
race=korvan_t_move_race_e
before=$(notes "$four")
again_mover "$work/held.log" "$four" $race KORVAN_STOP_AT=move-loading
wait_for "held $mover || finished"
finished && fail "the move did not stop while it loads" "$work/held.log"
# what starts | what it says
while IFS='|' read -r what words; do
  status=0
  eval "$what" >"$work/out.log" 2>&1 || status=$?
  [ "$status" -ne 0 ] && grep -qF "$words" "$work/out.log" || fail "$what while a move loads (status $status)" "$work/out.log"
  ! "$KORVAN_ROOT/scripts/db" status "$four" || fail "$what started the server of a folder that moves"
  grep -q "^move=$mover\$" "$four/moving" || fail "$what took the record of the move away"
done <<LIST
env HOME="$work/station four/home" KORVAN_DATA="$work/station four" DISPLAY=:none "$KORVAN_ROOT/scripts/run"|not started: a move of $four to the database $race is under way (scripts/db move, process $mover)
"$KORVAN_ROOT/scripts/db" start "$four"|not started: a move of $four to the database $race is under way (scripts/db move, process $mover)
"$KORVAN_ROOT/scripts/db" dump "$four"|no backup made: a move of $four to the database $race is under way
"$KORVAN_ROOT/scripts/db" move --again "$four" $race "\${admin[@]}"|a move from $four runs already (scripts/db move, process $mover): another move from this folder is under way
LIST
kill -CONT "$mover"
wait "$mover" || fail "the move that others tried to start beside failed" "$work/held.log"
[ "$(notes "$four")" = $((before + 1)) ] && [ "$(logins $race)" = cem,dana ] || fail "the move did not go through whole"

say "move: a folder that a station or a backup uses is not moved, and its server stays"
stand_in=$work/bin # a program that works until told to end
mkdir -p "$stand_in/shell" "$stand_in/schema"
ln -s "$KORVAN_BIN_DIR/schema/korvan-create-sql" "$stand_in/schema/korvan-create-sql"
printf '#!/bin/sh\nwhile [ ! -e "%s" ]; do sleep 0.1; done\n' "$work/quit" >"$stand_in/shell/korvan"
chmod +x "$stand_in/shell/korvan"
setsid env HOME="$work/station four/home" KORVAN_DATA="$work/station four" DISPLAY=:none KORVAN_BIN_DIR="$stand_in" \
  "$KORVAN_ROOT/scripts/run" --private --old-copy >"$work/station.log" 2>&1 &
station=$!
ended_at_exit "$station"
wait_for 'pgrep -f "$stand_in/shell/korvan" >/dev/null'
KORVAN_STOP_AT=backup setsid "$KORVAN_ROOT/scripts/db" dump "$four" >/dev/null 2>"$work/backup.log" &
backup=$!
ended_at_exit "$backup"
wait_for "held $backup"
"$KORVAN_ROOT/scripts/db" move --again "$four" korvan_t_move_race_f "${admin[@]}" >"$work/used.log" 2>&1 &&
  fail "a move of a folder that a station uses went through" "$work/used.log"
grep -q "in use by a station (scripts/run, process $station), and a backup (scripts/db dump, process $backup): quit Korvan" \
  "$work/used.log" || fail "the move does not name what uses the folder" "$work/used.log"
touch "$work/quit"
wait "$station" || fail "the station ended with a failure" "$work/station.log"
grep -q "runs on for a backup (scripts/db dump, process $backup)" "$work/station.log" ||
  fail "the station that ended does not say for what its server runs on" "$work/station.log"
"$KORVAN_ROOT/scripts/db" status "$four" || fail "the station's end stopped the server under the backup"
"$KORVAN_ROOT/scripts/db" move --again "$four" korvan_t_move_race_f "${admin[@]}" >"$work/used.log" 2>&1 &&
  fail "a move of a folder that a backup uses went through" "$work/used.log"
grep -q "in use by a backup (scripts/db dump, process $backup): wait until it has ended" "$work/used.log" ||
  fail "the move does not name the backup that uses the folder" "$work/used.log"
kill -CONT "$backup"
wait "$backup" || fail "the backup failed" "$work/backup.log"
! "$KORVAN_ROOT/scripts/db" status "$four" || fail "the last one to end did not stop the server"

say "move: Ctrl-C at any moment says that the move broke off, or that it is done"
race=korvan_t_move_race_g
for moment in 0.3 0.8 1.3 1.8 2.3; do
  shared "DROP DATABASE IF EXISTS $race"
  setsid env --default-signal=INT "$KORVAN_ROOT/scripts/db" move --again "$three" $race "${admin[@]}" >"$work/int.log" 2>&1 &
  mover=$!
  sleep "$moment"
  kill -INT -- -"$mover" 2>/dev/null || true
  status=0
  wait "$mover" || status=$?
  if grep -q "rows moved" "$work/int.log"; then
    [ "$(logins $race)" = ben ] || fail "Ctrl-C after $moment s: said done, and the rows are not there" "$work/int.log"
  else
    [ "$status" -eq 130 ] && grep -q "the move broke off" "$work/int.log" ||
      fail "Ctrl-C after $moment s (status $status) is not said" "$work/int.log"
    [ "$(shared "select count(*) from information_schema.tables where table_schema = '$race'")" -eq 0 ] ||
      fail "Ctrl-C after $moment s left tables in the target" "$work/int.log"
  fi
  [ ! -e "$three/moving" ] && [ "$(staged $race)" -eq 0 ] || fail "Ctrl-C after $moment s left the move's record or copy"
done

[ "$(shared "select count(*) from ${target}_moving.kept")" -eq 1 ] ||
  fail "a database of the staging's old name, not the script's, was dropped"

say "move: passed"
