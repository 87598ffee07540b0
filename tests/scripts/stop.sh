#!/usr/bin/env bash
# scripts/db stop signals the server of its folder and nothing else. A
# pid file that a crash or a power cut left behind may name any process
# since: a program of the account, the private server of another folder,
# a pid nobody has, or be no pid at all. Stop leaves every such process
# alone, says so where one lives, and takes the stale file away; a server
# that runs while its pid file names another process is stopped all the
# same, through its socket.
#
# One thing at a time on a folder: two starts at once run one server; a
# stop during a start waits for it and says so, and a start whose server
# ended meanwhile says so; a stop by hand leaves a server that a backup
# uses, and the backup stops the server it started when it ends.
source "$(dirname "$0")/common.sh"

a=$WORK/station\ a
b=$WORK/station\ b
start "$a"
start "$b"
"$DB" stop "$a" >"$WORK/out" 2>&1 || fail "stop: $(cat "$WORK/out")"
! "$DB" status "$a" || fail "the server of $a still runs"
[ ! -e "$a/mysqld.pid" ] || fail "the pid file of $a stayed"

sleep 600 &
sleeper=$!
on_exit "kill $sleeper 2>/dev/null || true"
b_pid=$(cat "$b/mysqld.pid")
dead=$(sh -c 'echo $$')
# what the pid file holds | the process it names that must live on | words said
cases="$sleeper|$sleeper|names process $sleeper, which is not the server of
$b_pid|$b_pid|names process $b_pid, which is not the server of
$dead|$sleeper|
$$|$$|names process $$, which is not the server of
 $sleeper x|$sleeper|
|$sleeper|"

# Stopped: the file alone is left.
while IFS='|' read -r held alive words; do
  printf '%s\n' "$held" >"$a/mysqld.pid"
  "$DB" stop "$a" >"$WORK/out" 2>&1 || fail "stop with a pid file of '$held': $(cat "$WORK/out")"
  kill -0 "$alive" 2>/dev/null || fail "stop with a pid file of '$held' ended process $alive"
  [ -z "$words" ] || grep -qF "$words" "$WORK/out" || fail "stop with a pid file of '$held' did not say so: $(cat "$WORK/out")"
  [ ! -e "$a/mysqld.pid" ] || fail "the stale pid file '$held' stayed"
done <<<"$cases"
"$DB" status "$b" || fail "the server of $b was stopped by the stop of $a"

# Running, with a pid file that names another process: the server stops,
# the other process lives on.
start "$a"
a_pid=$(cat "$a/mysqld.pid")
echo "$sleeper" >"$a/mysqld.pid"
"$DB" stop "$a" >"$WORK/out" 2>&1 || fail "stop: $(cat "$WORK/out")"
! "$DB" status "$a" || fail "the server of $a runs on"
for _ in $(seq 100); do kill -0 "$a_pid" 2>/dev/null && sleep 0.1; done
! kill -0 "$a_pid" 2>/dev/null || fail "the server of $a did not end"
kill -0 "$sleeper" || fail "the process its pid file named was ended"

# A server its owner cannot shut down through the socket (the server of
# an earlier version, say) is ended by its pid, which is its own.
start "$a"
a_pid=$(cat "$a/mysqld.pid")
owner_sql "$a" "RENAME USER '$(id -un)'@localhost TO 'away'@localhost"
"$DB" stop "$a" >"$WORK/out" 2>&1 || fail "stop: $(cat "$WORK/out")"
! kill -0 "$a_pid" 2>/dev/null || fail "the server of $a that refused its owner runs on"
"$DB" status "$b" || fail "the server of $b was stopped"

c=$WORK/station\ c
on_exit "$(shell_quote "$DB" stop "$c")"
"$DB" start "$c" >"$WORK/c1" 2>&1 &
"$DB" start "$c" >"$WORK/c2" 2>&1 || fail "one of two starts at once: $(cat "$WORK/c2")"
wait $! || fail "one of two starts at once: $(cat "$WORK/c1")"
[ "$(servers "$c")" = 1 ] || fail "two starts at once run $(servers "$c") servers"
ss -ltnH "sport = :$(cat "$c/port")" | grep -q . || fail "nobody listens on the port that $c/port names"
grep -q "another start or stop of the server in $c is under way (scripts/db start, process [0-9]*); waiting" \
  "$WORK/c1" "$WORK/c2" || fail "the start that waited did not say so: $(cat "$WORK/c1" "$WORK/c2")"
"$DB" stop "$c" >"$WORK/out" 2>&1 || fail "stop: $(cat "$WORK/out")"
[ "$(servers "$c")" = 0 ] || fail "a server of $c runs on after the stop"

# A start held right before it says "running": a stop waits for it, or its
# server ends meanwhile.
# what happens while it is held | its status | what it says
while IFS='|' read -r meanwhile status words; do
  KORVAN_STOP_AT=started setsid "$DB" start "$c" >"$WORK/held" 2>&1 &
  starter=$!
  ended_at_exit "$starter"
  wait_for "held $starter"
  stopper=""
  eval "$meanwhile"
  kill -CONT "$starter"
  code=0
  wait "$starter" || code=$?
  [ "$code" -eq "$status" ] && grep -q "$words" "$WORK/held" ||
    fail "a start while '$meanwhile': status $code, not $status: $(cat "$WORK/held")"
  [ -z "$stopper" ] || wait "$stopper" || fail "the stop during a start: $(cat "$WORK/stop")"
  [ "$(servers "$c")" = 0 ] || fail "a server runs on after '$meanwhile'"
done <<'CASES'
"$DB" stop "$c" >"$WORK/stop" 2>&1 & stopper=$!; wait_for 'grep -q "server in .* is under way (scripts/db start, process $starter); waiting" "$WORK/stop"'|0|running (socket
kill -9 "$(cat "$c/mysqld.pid")"; wait_for '[ "$(servers "$c")" = 0 ]'|1|the server in .* stopped while it started
CASES

# A backup (its dump held) uses the server it started: a stop by hand
# leaves it, and the backup stops it at its end.
KORVAN_STOP_AT=backup setsid "$DB" dump "$c" >"$WORK/dump.sql" 2>"$WORK/dump.log" &
dumper=$!
ended_at_exit "$dumper"
wait_for "held $dumper"
! "$DB" stop "$c" >"$WORK/out" 2>&1 || fail "a stop by hand stopped the server of a backup"
grep -q "not stopped: the server in $c is in use by a backup (scripts/db dump, process $dumper)" "$WORK/out" ||
  fail "the stop does not say what uses the server: $(cat "$WORK/out")"
"$DB" status "$c" || fail "the server of a backup was stopped"
kill -CONT "$dumper"
wait "$dumper" || fail "the backup: $(cat "$WORK/dump.log")"
grep -q "Dump completed" "$WORK/dump.sql" || fail "the backup wrote no dump"
[ "$(servers "$c")" = 0 ] || fail "the backup did not stop the server it started"
say "stop: ok"
