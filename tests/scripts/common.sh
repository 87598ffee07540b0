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
