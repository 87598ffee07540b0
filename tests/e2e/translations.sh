#!/usr/bin/env bash
# A translation far longer than its column, typed into the translation
# editor of a new installation: it is refused in words before the server
# sees it, and the box that says so, quoting it, fits the screen with its
# button on it. After the box the editor goes on without asking again,
# Escape leaves it although its sheet has the focus, and nothing of the
# translation is stored.
#
# Then, with translated texts on (F11), translations that another station
# stores meanwhile reach a window already open at once: after "Ok" in the
# translation editor, and after "Ok" in the connection dialog.
#
# Last, what a cell holds when "Ok" is clicked is stored as a move to
# another cell stores it, also right after typing and after Tab out of the
# last column; Escape drops it, while it is typed and after Return.
source "$(dirname "$0")/e2e.sh"

step "first start"
# A screen narrower than the refused text on one line.
KORVAN_SCREEN=1024x768 station translations
login wrt tresen

step "a translation too long for its column"
menu Wartung Übersetzungen
click Übersetzungen "$(cell Übersetzungen 57 67)" 67 # the first row's first cell
keys Übersetzungen Right Right Right
xdotool type --delay 2 "$(printf 'x%.0s' $(seq 400))"
keys Übersetzungen Return Down # another row: the sheet stores the row
box=$(window Datenfehler)
shot "error box"
eval "$(xdotool getwindowgeometry --shell "$box")"
read -r screen_w screen_h < <(xdpyinfo | sed -n 's/.*dimensions: *\([0-9]*\)x\([0-9]*\) .*/\1 \2/p')
[ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le "$screen_w" ] && [ $((Y + HEIGHT)) -le "$screen_h" ] ||
  fail "the box at $X,$Y, ${WIDTH}x$HEIGHT does not fit the screen of ${screen_w}x$screen_h"

step "the editor goes on"
keys Datenfehler Return
gone Datenfehler
keys Übersetzungen Down Down
sleep 0.8
! xdotool search --onlyvisible --name '^Datenfehler$' >/dev/null || fail "the box came again"
keys Übersetzungen Escape
gone Übersetzungen

step "a translation stored meanwhile, after the editor's Ok"
E2E_DB=(--socket="$E2E_TMP/translations/data/db/mysqld.sock" korvan) # the station's own server
menu System Debug
window Debugfenster >/dev/null
keys Korvan F11
sql "update LANG set trans = 'Protokoll' where type = 'Dialog' and orig = 'Debugfenster'"
menu Wartung Übersetzungen
eval "$(xdotool getwindowgeometry --shell "$(window Übersetzungen)")"
click Übersetzungen $((WIDTH / 2)) $((HEIGHT - 34)) # Ok
gone Übersetzungen
window Protokoll >/dev/null

step "and after the connection dialog's Ok"
sql "update LANG set trans = 'Logbuch' where type = 'Dialog' and orig = 'Debugfenster'"
menu System Datenbankverbindung
eval "$(xdotool getwindowgeometry --shell "$(window "Datenbank Verbindung")")"
click "Datenbank Verbindung" 69 $((HEIGHT - 35)) # Ok
login wrt tresen # which hides the windows of the user before
menu System Debug
window Logbuch >/dev/null
keys Korvan F11
window Debugfenster >/dev/null

# ROW (0, 1 ...) TEXT KEY...: the row's translation typed in a new showing
# of the editor, then the keys.
translate() {
  local row=$1 text=$2 down=()
  shift 2
  menu Wartung Übersetzungen
  click Übersetzungen "$(cell Übersetzungen 57 67)" 67 # the first row's first cell
  for ((; row > 0; row--)); do down+=(Down); done
  keys Übersetzungen "${down[@]}" Right Right Right
  xdotool type --delay 30 "$text"
  [ $# -eq 0 ] || keys Übersetzungen "$@"
}
ok() {
  eval "$(xdotool getwindowgeometry --shell "$(window Übersetzungen)")"
  click Übersetzungen $((WIDTH / 2)) $((HEIGHT - 34))
  gone Übersetzungen
}

step "a translation typed, then Ok"
translate 0 Eins
shot "translation typed"
ok
expect "the translation" "select count(*) from LANG where trans = 'Eins'" 1

step "Tab out of the last column, then Ok"
translate 1 Zwei Tab
ok
expect "the translation" "select count(*) from LANG where trans = 'Zwei'" 1

step "Escape while typing, and after Return"
translate 2 Drei Escape Escape
gone Übersetzungen
translate 3 Vier Return Escape
gone Übersetzungen
keys Korvan ctrl+q
station_ends

step "nothing else stored"
private_db translations
expect "the translations" "select trans from LANG where trans <> '' and orig <> 'Debugfenster' order by trans" "Eins
Zwei"
step "done"
