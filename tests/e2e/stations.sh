#!/usr/bin/env bash
# Two stations on one server, set up as the README's "Several stations"
# tells: the server of this test run is the restaurant's, reached over TCP
# on the loopback address; its database is made with scripts/db shared.
# Station "bar" comes through scripts/run --server, station "office" through
# a data source of its own odbc.ini and stored settings. A line booked
# at the bar shows on the office's floor plan after a refresh, and a line
# the bar paid cannot be paid again at the office.
source "$(dirname "$0")/e2e.sh"

: "${KORVAN_TEST_DB_SOCKET:?} ${KORVAN_TEST_DB_PORT:?}"
admin=(--no-defaults --socket="$KORVAN_TEST_DB_SOCKET" --user="$(id -un)")
DB=korvan_e2e_stations
E2E_DB=(--socket="$KORVAN_TEST_DB_SOCKET" "$DB")
USER_NAME=station
PASSWORD=Kellner-$RANDOM$RANDOM
MARKED=150,150,200 # the floor plan's colour of a table with open lines

step "making the shared database"
mariadb "${admin[@]}" -e "DROP DATABASE IF EXISTS $DB"
on_exit "$(shell_quote mariadb "${admin[@]}" -e "DROP DATABASE IF EXISTS $DB; DROP USER IF EXISTS $USER_NAME@127.0.0.1")"
KORVAN_DB_PASSWORD=$PASSWORD KORVAN_DB_FROM=127.0.0.1 "$KORVAN_ROOT/scripts/db" shared "$DB" "$USER_NAME" "${admin[@]}"
# The master data is not what this test is about: it comes as rows.
stamp="'JA', 0, 0, now(), 'wrt', 0, '', 0, ''"
sql "INSERT INTO GRP_UST VALUES (1, $stamp, 'Speisen', '', '', 7);
     INSERT INTO ART VALUES (1, $stamp, 'Suppe', 'Tagessuppe', '', 'Speisen', 1);
     INSERT INTO PREIS VALUES (1, $stamp, 'Suppe', 1, 4.5, 'Teller', '', 'NEIN', 'NEIN');
     INSERT INTO GRP_ART VALUES (1, 'Vorspeisen', '', '', 'Suppe', 1);
     INSERT INTO LAYOUTK VALUES (1, 'Saal', 400, 300, 0);
     INSERT INTO LAYOUTP VALUES (1, 1, 'Fenster', 40, 40, 100, 60, 0, ''), (2, 1, 'Ecke', 220, 160, 100, 60, 0, '');
     INSERT INTO USER VALUES (1, $stamp, 'wrt', '', '', 'tresen'), (2, $stamp, 'anna', '', '', 'blau');"

step "starting both stations"
KORVAN_DB_NAME=$DB KORVAN_DB_USER=$USER_NAME KORVAN_DB_PASSWORD=$PASSWORD \
  station bar --server "127.0.0.1:$KORVAN_TEST_DB_PORT"
office=$E2E_TMP/office/home
mkdir -p "$office/.foxrc/Marbeck"
cat >"$office/odbc.ini" <<EOF
[restaurant]
Driver=/usr/lib/x86_64-linux-gnu/odbc/libmaodbc.so
SERVER=127.0.0.1
PORT=$KORVAN_TEST_DB_PORT
DATABASE=$DB
EOF
printf '[DBSETTINGS]\nhost=restaurant\nusername=%s\npassword=%s\ndatabase=%s\n' "$USER_NAME" "$PASSWORD" "$DB" \
  >"$office/.foxrc/Marbeck/Korvan"
# unixODBC looks for ~/.odbc.ini in the system's user list, not in HOME.
ODBCINI=$office/odbc.ini station office
use bar
login wrt tresen
use office
login anna blau
for s in bar office; do
  use $s
  grep -q "no private server" "$E2E_TMP/$s/err" || fail "$s started a private server"
  menu Anwendung Räume
  click Räume 37 48 # the room's button
done
plan Räume 400 300
window_point="$((px + 50)) $((py + 70))" # on the table Fenster, off its label
[ "$(colour Räume $window_point)" != "$MARKED" ] || fail "Fenster is marked before any line was booked"

step "booking a line at the bar"
use bar
click Räume $((px + 90)) $((py + 70))
click Bonierübersicht 55 31 # Bonieren
click Bonierzeile "$(cell Bonierzeile 70 129)" 129 # the group
click Bonierzeile "$(cell Bonierzeile 40 298)" 298 # the article
click Bonierzeile "$(cell Bonierzeile 40 467)" 467 # the price
write Bonierzeile 95 603 2  # Menge
click Bonierzeile 328 650   # Ok
gone Bonierzeile
expect "the booked line" "select concat_ws(' ', anzahl, preis, user, bezahlt) from BONLINE" "2 4.5 wrt NEIN"

step "the office's floor plan after a refresh"
use office
click Räume 37 48 # the room's button again
shows Räume $window_point "$MARKED" # Fenster, marked at the office

step "both stations open the table"
for s in office bar; do
  use $s
  if [ $s = bar ]; then
    click Bonierübersicht 216 260 # Ok: back to the plan
    gone Bonierübersicht
  fi
  click Räume $((px + 90)) $((py + 70))
  click Bonierübersicht "$(cell Bonierübersicht 50 84)" 84 # the line
done

step "the bar pays the line"
click Bonierübersicht 458 216 # Bar Bezahlen
answer Frage alt+y
expect "the line paid in cash by the bar" \
  "select concat_ws(' ', bezahlt, bar_bezahlt, hist_ae_user) from BONLINE" "JA 9 wrt"

step "the office cannot pay it again"
use office
click Bonierübersicht 458 216 # Bar Bezahlen
answer Frage alt+y
answer Datenfehler Return
expect "the line the bar paid, after the office" \
  "select concat_ws(' ', count(*), bezahlt, bar_bezahlt, hist_ae_user) from BONLINE" "1 JA 9 wrt"

step "quitting"
for s in bar office; do
  use $s
  keys Bonierübersicht Escape
  gone Bonierübersicht
  keys Korvan ctrl+q
  station_ends
done
step "done"
