# The end-to-end runs' harness, sourced by stations.sh and day.sh: stations
# started as a user starts them (scripts/run), each on an X server of its
# own (scripts/display), and driven only with pointer and keyboard events
# (xdotool), one helper per gesture. Positions are relative to a window
# found by its title.
#
# Every step is named; each leaves a screenshot in KORVAN_SHOTS (kept after
# the run), and a failure names the step and shows the programs' output.
# KORVAN_BIN_DIR names the built tree whose korvan runs.

set -eEuo pipefail
E2E_HOME=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$E2E_HOME/../../scripts/lib.sh"
: "${KORVAN_BIN_DIR:?the built tree to run (set by ctest)}"

# The blank: homes and data folders whose path holds one must work.
E2E_TMP=$(mktemp -d "/tmp/korvan e2e.XXXXXX")
on_exit "$(shell_quote rm -rf "$E2E_TMP")"
E2E_SHOTS=${KORVAN_SHOTS:-$E2E_TMP/shots}
rm -rf "$E2E_SHOTS"
mkdir -p "$E2E_SHOTS"
E2E_STEP="start"
E2E_COUNT=0
E2E_STATION=""
declare -A E2E_DISPLAY E2E_PID
E2E_TIMEOUT=${KORVAN_E2E_TIMEOUT:-60}

shot() {
  local name=${1//[^A-Za-z0-9]/-}
  [ -n "${DISPLAY:-}" ] || return 0
  E2E_COUNT=$((E2E_COUNT + 1))
  import -window root "$E2E_SHOTS/$(printf '%02d' "$E2E_COUNT")-${E2E_STATION:+$E2E_STATION-}$name.png" 2>/dev/null || true
}

# Ends the run: names the step, keeps a screenshot of every station and
# shows what the programs said.
fail() {
  trap - ERR
  say "FAILED in step '$E2E_STEP': $*"
  local name
  for name in "${!E2E_PID[@]}"; do
    use "$name"
    shot "failure"
    say "---- $name: output of scripts/run and korvan (last lines)"
    tail -n 40 "$E2E_TMP/$name/out" "$E2E_TMP/$name/err" >&2 || true
  done
  say "screenshots in $E2E_SHOTS"
  exit 1
}
trap 'fail "command failed (status $?): $BASH_COMMAND"' ERR

# Starts a named step; the screen as the step before left it is kept. A
# station that logged work left open on its connection while it waited
# (a change or a lock an action did not end) fails the step before.
step() {
  [ "$E2E_STEP" = start ] || shot "$E2E_STEP"
  local name
  for name in "${!E2E_PID[@]}"; do
    ! grep -q "work left open on the shared connection" "$E2E_TMP/$name/out" 2>/dev/null ||
      fail "$name left work open on its connection"
  done
  E2E_STEP=$1
  say "step: $E2E_STEP"
}

# ---- stations ----

use() {
  E2E_STATION=$1
  export DISPLAY=${E2E_DISPLAY[$1]}
}

# station NAME [ARG...]: Korvan through scripts/run with ARGs, with a home,
# data and display of its own; the station is "used" afterwards.
station() {
  local name=$1 dir=$E2E_TMP/$1
  shift
  mkdir -p "$dir/home"
  if [ -z "${E2E_DISPLAY[$name]:-}" ]; then
    on_exit "$(shell_quote "$KORVAN_ROOT/scripts/display" stop "$dir/display")"
    E2E_DISPLAY[$name]=$("$KORVAN_ROOT/scripts/display" start "$dir/display")
    on_exit "station_kill $name"
  fi
  # ODBCINI goes along as the caller has it; scripts/run sets its own for
  # the data sources it writes.
  (cd "$dir" && exec env ODBCINI="${ODBCINI:-}" HOME="$dir/home" DISPLAY="${E2E_DISPLAY[$name]}" KORVAN_DATA="$dir/data" \
    "$KORVAN_ROOT/scripts/run" "$@" >"$dir/out" 2>"$dir/err") &
  E2E_PID[$name]=$!
  use "$name"
}

station_kill() {
  local pid=${E2E_PID[$1]:-}
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 0
  local child
  for child in $(pgrep -P "$pid"); do kill "$child" 2>/dev/null || true; done
  wait "$pid" 2>/dev/null || true
}

alive() { kill -0 "${E2E_PID[$E2E_STATION]}" 2>/dev/null; }

# station_ends [STATUS]: waits for the station's end and checks its exit
# status (default 0).
station_ends() {
  local pid=${E2E_PID[$E2E_STATION]} status=0 deadline=$((SECONDS + E2E_TIMEOUT)) expected=${1:-0}
  while kill -0 "$pid" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || fail "Korvan on $E2E_STATION did not end"
    sleep 0.1
  done
  wait "$pid" || status=$?
  [ "$status" -eq "$expected" ] || fail "Korvan on $E2E_STATION ended with status $status, not $expected"
}

# ---- windows ----

# The id of the shown window with that exact title, waited for.
window() {
  local title=$1 id deadline=$((SECONDS + E2E_TIMEOUT))
  while :; do
    id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1) || true
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    alive || fail "Korvan on $E2E_STATION ended while waiting for the window '$title'"
    [ $SECONDS -lt $deadline ] || fail "no window '$title' on $E2E_STATION within ${E2E_TIMEOUT}s"
    sleep 0.1
  done
}

gone() {
  local title=$1 deadline=$((SECONDS + E2E_TIMEOUT))
  while xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || fail "the window '$title' on $E2E_STATION did not close"
    sleep 0.1
  done
}

# ---- gestures ----

# xdotool's --sync waits until the pointer has moved, and for ever when it
# stands where it is sent already: each synced move therefore comes from
# the next pixel, moved to without a wait, and no call waits unbounded.
xdotool() { timeout -k 2 20 xdotool "$@"; }

# The window of that title, brought to the front as a click on it would:
# without a window manager nothing else raises it.
front() {
  local w
  w=$(window "$1")
  xdotool windowraise "$w"
  echo "$w"
}

# click TITLE X Y [COUNT]: a left click at X,Y of the window.
click() {
  local w
  w=$(front "$1")
  xdotool mousemove --window "$w" $(($2 + 1)) $(($3 + 1)) mousemove --sync --window "$w" "$2" "$3" \
    click --repeat "${4:-1}" --delay 80 1
}

# True when the pointer is over the window (or one of its children).
over() {
  local w=$1 id
  eval "$(xdotool getmouselocation --shell 2>/dev/null)"
  id=$WINDOW
  while [ -n "$id" ] && [ "$id" != 0 ]; do
    [ "$id" -ne "$w" ] || return 0
    id=$(xwininfo -tree -id "$id" 2>/dev/null | awk '/Parent window id/ { print $4; exit }')
    id=$((id))
    [ "$id" -ne "$ROOT_ID" ] || return 1
  done
  return 1
}
ROOT_ID=""

# pick TITLE X Y: chooses the item at X,Y of the list that the last click
# popped up over the window, once the list is there; the toolkit takes an
# item only after the pointer moved over it.
pick() {
  local w deadline=$((SECONDS + E2E_TIMEOUT))
  w=$(window "$1")
  [ -n "$ROOT_ID" ] || ROOT_ID=$(($(xwininfo -root | awk '/Window id/ { print $4; exit }')))
  xdotool mousemove --window "$w" "$2" $(($3 - 2)) mousemove --sync --window "$w" "$2" $(($3 - 3))
  while over "$w"; do
    [ $SECONDS -lt $deadline ] || fail "no list popped up over '$1' at $2,$3"
    sleep 0.1
    xdotool mousemove --sync --window "$w" "$2" $(($3 - 2)) mousemove --sync --window "$w" "$2" $(($3 - 3))
  done
  xdotool mousemove --window "$w" "$2" $(($3 - 1)) mousemove --sync --window "$w" "$2" "$3" click 1
}

# drag TITLE X Y DX DY: press at X,Y, move by DX,DY in steps, release.
drag() {
  local w i
  w=$(front "$1")
  xdotool mousemove --window "$w" $(($2 + 1)) $(($3 + 1)) mousemove --sync --window "$w" "$2" "$3" mousedown 1
  for i in 1 2 3 4; do
    xdotool mousemove --window "$w" $(($2 + $4 * i / 4)) $(($3 + $5 * i / 4)) sleep 0.05
  done
  xdotool mouseup 1
}

# keys TITLE KEY...: keys pressed in the window.
keys() {
  local w
  w=$(front "$1")
  shift
  xdotool windowfocus --sync "$w" key --clearmodifiers --delay 40 "$@"
}

# write TITLE X Y TEXT: replaces the text of the field at X,Y.
write() {
  local w
  w=$(front "$1")
  xdotool mousemove --window "$w" $(($2 + 1)) $(($3 + 1)) mousemove --sync --window "$w" "$2" "$3" \
    click --repeat 3 --delay 80 1
  xdotool windowfocus --sync "$w" key --clearmodifiers BackSpace
  [ -z "$4" ] || xdotool type --delay 30 "$4"
}

# menu TITLE ENTRY: a menu of the main window, through its underlined key
# and the arrow keys, as the menu shows its entries.
menu() {
  local letter entries i
  case $1 in
    System) letter=s entries=(Datenbankverbindung Anmeldung Debug Quit) ;;
    Wartung) letter=w entries=(Benutzer "UST Gruppen" Artikelstamm Bezahlungsarten Editor Übersetzungen) ;;
    Anwendung) letter=a entries=(Räume) ;;
    *) fail "no menu '$1'" ;;
  esac
  local down=()
  for i in "${!entries[@]}"; do
    down+=(Down)
    [ "${entries[$i]}" != "$2" ] || break
  done
  [ "${entries[$i]}" = "$2" ] || fail "no entry '$2' in the menu '$1'"
  # The pointer off the menu: a highlighted entry under it would count.
  xdotool mousemove 1 1 mousemove --sync 0 0
  keys "$E2E_MAIN" "alt+$letter" "${down[@]}" Return
}
E2E_MAIN=Korvan # the main window's title

# answer TITLE KEY: answers the message box of that title with a key.
answer() {
  window "$1" >/dev/null
  shot "$1"
  keys "$1" "$2"
  gone "$1"
}

# login NAME PASSWORD: the login dialog, as the README tells.
login() {
  write Anmeldung 150 48 "$1"
  write Anmeldung 150 75 "$2"
  keys Anmeldung Return
  gone Anmeldung
}

# The colour of the pixel at X,Y of the window, as "R,G,B".
colour() {
  local w
  w=$(window "$1")
  import -window "$w" -crop "1x1+$2+$3" txt:- 2>/dev/null | sed -n 's/.*srgb(\([0-9]*,[0-9]*,[0-9]*\)).*/\1/p'
}

# shows TITLE X Y COLOUR: waits until the pixel at X,Y of the window has
# that colour ("R,G,B"); a click is drawn only some time after it.
shows() {
  local deadline=$((SECONDS + E2E_TIMEOUT))
  until [ "$(colour "$1" "$2" "$3")" = "$4" ]; do
    [ $SECONDS -lt $deadline ] || fail "$2,$3 of the window '$1' is $(colour "$1" "$2" "$3"), not $4"
    sleep 0.1
  done
}

# plan TITLE W H: waits for the floor plan of that size in the window and
# sets px and py to its offset there; the tables stand on it where they
# were placed.
plan() {
  local w wx wy deadline=$((SECONDS + E2E_TIMEOUT))
  w=$(window "$1")
  eval "$(xdotool getwindowgeometry --shell "$w")"
  wx=$X wy=$Y
  until read -r px py < <(xwininfo -tree -id "$w" | awk -v size="$2x$3" -v wx="$wx" -v wy="$wy" '
      $0 ~ (" " size "\\+") { n = split($NF, p, "+"); print p[2] - wx, p[3] - wy; exit }'); do
    [ $SECONDS -lt $deadline ] || fail "no floor plan of $2x$3 in the window '$1'"
    sleep 0.1
  done
}

# cell TITLE X Y: the x, in the window, of a point in the first column of
# the list (a sheet) at X,Y, on its row at Y: the cells begin past the
# numbers at the left of the rows (or the rows' keys), whose column widens
# with their digits, so that a fixed x would land on a number one day. The
# sheet is the smallest window at X,Y that holds others (its headers and
# scroll bars); its column header, the widest of those at its top, begins
# where the first column does.
cell() {
  local w x
  w=$(window "$1")
  eval "$(xdotool getwindowgeometry --shell "$w")"
  x=$(xwininfo -tree -id "$w" | awk -v px=$((X + $2)) -v py=$((Y + $3)) '
    $NF ~ /^[+-][0-9-]+[+-][0-9-]+$/ && $(NF - 1) ~ /^[0-9]+x[0-9]+/ {
      split($(NF - 1), size, /[x+-]/)
      match($NF, /^[+-]-?[0-9]+/)
      n++
      x[n] = substr($NF, 2, RLENGTH - 1) + 0
      y[n] = substr($NF, RLENGTH + 2) + 0
      w[n] = size[1]
      h[n] = size[2]
    }
    function inside(i, j) { return x[i] >= x[j] && y[i] >= y[j] && x[i] + w[i] <= x[j] + w[j] && y[i] + h[i] <= y[j] + h[j] }
    END {
      sheet = 0
      for (j = 1; j <= n; j++) {
        if (px < x[j] || py < y[j] || px >= x[j] + w[j] || py >= y[j] + h[j]) continue
        holds = 0
        for (i = 1; i <= n; i++) holds += i != j && inside(i, j)
        if (holds >= 2 && (!sheet || w[j] * h[j] < w[sheet] * h[sheet])) sheet = j
      }
      if (!sheet) exit 1
      top = 0
      for (i = 1; i <= n; i++)
        if (i != sheet && inside(i, sheet) && w[i] > 1 && (!top || y[i] < y[top] || (y[i] == y[top] && w[i] > w[top])))
          top = i
      if (top) print x[top] + 10
    }') || true
  [ -n "$x" ] || fail "no list at $2,$3 of the window '$1'"
  echo $((x - X))
}

# ---- the stored rows ----

# private_db NAME: starts the private server of the ended station NAME
# again, for the queries that follow (stopped when the run ends).
private_db() {
  local dir=$E2E_TMP/$1/data/db
  on_exit "$(shell_quote "$KORVAN_ROOT/scripts/db" stop "$dir")"
  "$KORVAN_ROOT/scripts/db" start "$dir" >/dev/null 2>&1
  E2E_DB=(--socket="$dir/mysqld.sock" korvan)
}

# sql QUERY: the rows a query gives, one line each, as the server's owner
# (through the socket) and in the database that E2E_DB names (the socket
# option, the name).
sql() { mariadb --no-defaults --user="$(id -un)" -N "${E2E_DB[@]}" -e "$1"; }

# expect WHAT QUERY EXPECTED: the rows must be these.
expect() {
  local got
  got=$(sql "$2")
  [ "$got" = "$3" ] || fail "$1: expected
$3
got
$got"
}
