# Sourced by the tests of this folder: the helpers of scripts/lib.sh, a
# folder of the test's own that other accounts may pass through (removed
# at the end), and private servers started there that stop at the end.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"

DB=$KORVAN_ROOT/scripts/db
WORK=$(mktemp -d /tmp/korvan-scripts.XXXXXX)
chmod 755 "$WORK"
on_exit "$(shell_quote rm -rf "$WORK")"

fail() {
  say "FAILED: $*"
  exit 1
}

# start DIR: scripts/db start DIR, the server stopped when the test ends.
start() {
  on_exit "$(shell_quote "$DB" stop "$1")"
  "$DB" start "$1" >"$WORK/start.log" 2>&1 || { cat "$WORK/start.log" >&2; fail "scripts/db start $1"; }
}

# owner_sql DIR QUERY: what the query gives, as the server's owner.
owner_sql() { mariadb --no-defaults --socket="$1/mysqld.sock" --user="$(id -un)" -N -e "$2"; }

# wait_for CONDITION: until the shell condition holds, a minute at most.
wait_for() {
  local deadline=$((SECONDS + 60))
  until eval "$1"; do
    [ $SECONDS -lt $deadline ] || fail "never came: $1"
    sleep 0.05
  done
}

# ended_at_exit SESSION: the session (started with setsid) is ended when
# the test ends, held or not: a test that fails midway would else leave
# it, with a server or the locks of a folder, beyond its end.
ended_at_exit() { on_exit "kill -TERM -- -$1 2>/dev/null && kill -CONT -- -$1 2>/dev/null; wait $1 2>/dev/null || true"; }

# held SESSION: a process of the session SESSION (started with setsid)
# has stopped itself at its hold point (KORVAN_STOP_AT).
held() { ps -o stat= -s "$1" 2>/dev/null | grep -q '^T'; }

# servers DIR: how many servers run on DIR's data.
servers() {
  local pid count=0
  for pid in $(pgrep -x mariadbd); do
    [ "$(readlink "/proc/$pid/cwd")" != "$1/data" ] || count=$((count + 1))
  done
  echo "$count"
}
