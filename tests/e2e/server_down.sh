#!/usr/bin/env bash
# A station started while the restaurant's server hangs (it takes each
# connection and never answers): the start, the login and the connection
# dialog give up on it after a few seconds and say so. Then one started
# while the server is stopped (a data source of the station's own
# odbc.ini, the connection stored; the data source names the server's
# socket, which a server started again keeps, where scripts/db would give
# it another port). A user's login is
# answered within a few seconds: the database cannot be reached, why, and
# how to go on; the built-in account gets in, and Räume says the same
# instead of the driver's "No Database!". With the server up again, "Ok"
# once more in the login that was refused reaches the data, without any
# menu: Räume reads its rooms without a box. So does System ->
# Datenbankverbindung -> "Ok" with the user's login after it.
source "$(dirname "$0")/e2e.sh"

server=$E2E_TMP/server
home=$E2E_TMP/down/home
out=$E2E_TMP/down/out

step "the restaurant's server, set up"
on_exit "$(shell_quote "$KORVAN_ROOT/scripts/db" stop "$server")"
"$KORVAN_ROOT/scripts/db" start "$server" >/dev/null 2>&1
# Its settings, without those of this run's server in this shell.
settings=$(eval "$("$KORVAN_ROOT/scripts/db" env "$server")" &&
  printf '%s\n' "$KORVAN_TEST_DB_NAME" "$KORVAN_TEST_DB_USER" "$KORVAN_TEST_DB_PASSWORD")
{ read -r name && read -r user && read -r password; } <<<"$settings"
E2E_DB=(--socket="$server/mysqld.sock" "$name")
"$KORVAN_BIN_DIR/schema/korvan-create-sql" | mariadb --no-defaults --user="$(id -un)" "${E2E_DB[@]}"
stamp="'JA', 0, 0, now(), 'wrt', 0, '', 0, ''"
sql "INSERT INTO LAYOUTK VALUES (1, 'Saal', 400, 300, 0);
     INSERT INTO USER VALUES (1, $stamp, 'wrt', '', '', 'tresen'), (2, $stamp, 'anna', '', '', 'blau');"

mkdir -p "$home/.foxrc/Marbeck"
cat >"$home/odbc.ini" <<EOF
[restaurant]
Driver=/usr/lib/x86_64-linux-gnu/odbc/libmaodbc.so
SOCKET=$server/mysqld.sock
DATABASE=$name
EOF
printf '[DBSETTINGS]\nhost=restaurant\nusername=%s\npassword=%s\ndatabase=%s\n' "$user" "$password" "$name" \
  >"$home/.foxrc/Marbeck/Korvan"

step "the server hung, the station started"
# A server that takes each connection and never answers (stopped by a
# signal): the start, the login's "Ok" and the connection dialog's give up
# on it after 5 seconds and say so.
hung=$(head -c 20 "$server/mysqld.pid")
on_exit "kill -CONT $(shell_quote "$hung") 2>/dev/null"
kill -STOP "$hung"
no_answer="Der Server hat nicht innerhalb von 5 Sekunden geantwortet."
ODBCINI=$home/odbc.ini station down
window Anmeldung >/dev/null
grep -qxF "korvan: Keine Verbindung zur Datenbank: $no_answer" "$E2E_TMP/down/err" ||
  fail "the start does not say that the server did not answer"

step "a user's login, the server hung"
write Anmeldung 150 48 anna
write Anmeldung 150 75 blau
keys Anmeldung Return
E2E_TIMEOUT=15 window Datenbankfehler >/dev/null
grep -qF "$no_answer" "$out" || fail "the login does not say that the server did not answer"
answer Datenbankfehler Return
window Anmeldung >/dev/null

step "the built-in account and the connection dialog, the server hung"
E2E_TIMEOUT=15 login wrt tresen
menu System Datenbankverbindung
eval "$(xdotool getwindowgeometry --shell "$(window "Datenbank Verbindung")")"
click "Datenbank Verbindung" 69 $((HEIGHT - 35)) # Ok
E2E_TIMEOUT=15 answer Datenbankfehler Return
keys "Datenbank Verbindung" Escape
gone "Datenbank Verbindung"
keys Korvan ctrl+q
station_ends
kill -CONT "$hung"

step "the server stopped, the station started"
"$KORVAN_ROOT/scripts/db" stop "$server" >/dev/null 2>&1
ODBCINI=$home/odbc.ini station down
window Anmeldung >/dev/null

step "a user's login"
write Anmeldung 150 48 anna
write Anmeldung 150 75 blau
keys Anmeldung Return
E2E_TIMEOUT=5 window Datenbankfehler >/dev/null
shot "the login's answer"
# Räume opened with the server up reads its rooms: no box, and no report
# beyond the REPORTS counted before.
rooms_read_without_box() {
  menu Anwendung Räume
  window Räume >/dev/null
  sleep 1
  ! xdotool search --onlyvisible --name '^Datenbankfehler$' >/dev/null || fail "a box came with the server up"
  [ "$(grep -c "Datanbankefehler" "$out")" -eq "$1" ] || fail "Räume failed to read with the server up"
}

login_says() {
  local words
  for words in "Keine Verbindung zur Datenbank: sie ist nicht zu erreichen" \
    "Grund: connection failed" "Can't connect to local server through socket '$server/mysqld.sock'" \
    'Läuft der Server wieder, genügt ein neues "Ok": die Anmeldung verbindet dann neu.' \
    "Ohne Datenbank nimmt die Anmeldung nur das eingebaute Konto an: wrt" \
    "Falsche Verbindungseinstellungen: damit anmelden, dann System -> Datenbankverbindung."; do
    [ "$(grep -cF "$words" "$out")" -ge "$1" ] || fail "the login's box does not say (time $1): $words"
  done
}
login_says 1
keys Datenbankfehler Return
gone Datenbankfehler
window Anmeldung >/dev/null

step "the built-in account, and Räume"
login wrt tresen
menu Anwendung Räume
E2E_TIMEOUT=5 window Datenbankfehler >/dev/null
shot "Räume without a database"
answer Datenbankfehler Return
# The log has the read that failed and why (the box's words are the
# window tests' to check).
grep -qzF "FROM LAYOUTK 
connection failed
Can't connect to local server through socket" "$out" || fail "Räume does not log why it read nothing"
! grep -q "No Database" "$out" || fail "a window says \"No Database!\""

step "a login again, the server still down"
menu System Anmeldung
write Anmeldung 150 48 anna
write Anmeldung 150 75 blau
keys Anmeldung Return
E2E_TIMEOUT=5 window Datenbankfehler >/dev/null
login_says 2
keys Datenbankfehler Return
gone Datenbankfehler

step "the server up again, Ok once more"
"$KORVAN_ROOT/scripts/db" start "$server" >/dev/null 2>&1
reports=$(grep -c "Datanbankefehler" "$out")
eval "$(xdotool getwindowgeometry --shell "$(window Anmeldung)")"
click Anmeldung 69 $((HEIGHT - 35)) # Ok, the input as it was
gone Anmeldung
rooms_read_without_box "$reports"

step "the connection dialog's Ok"
menu System Datenbankverbindung
eval "$(xdotool getwindowgeometry --shell "$(window "Datenbank Verbindung")")"
click "Datenbank Verbindung" 69 $((HEIGHT - 35)) # Ok
login anna blau
reports=$(grep -c "Datanbankefehler" "$out")
rooms_read_without_box "$reports"

step "quitting"
keys Korvan ctrl+q
station_ends
step "done"
