#!/usr/bin/env bash
# scripts/db stop signals the server of its folder and nothing else. A
# pid file that a crash or a power cut left behind may name any process
# since: a program of the account, the private server of another folder,
# a pid nobody has, or be no pid at all. Stop leaves every such process
# alone, says so where one lives, and takes the stale file away; a server
# that runs while its pid file names another process is stopped all the
# same, through its socket.
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
say "stop: ok"
