#!/usr/bin/env bash
# A restaurant's first day, as a new user who read the README does it, on a
# fresh private database that scripts/run sets up: only pointer and
# keyboard, no SQL until the end. Then the database must hold exactly what
# the day entered, and it moves to the shared server (the server of this
# test run, over TCP), where a station takes up the line left open. The
# moved private copy opens only when asked for (--old-copy), titled as the
# old copy, and leaves the station's connection as it was: the next plain
# start works on the shared server.
source "$(dirname "$0")/e2e.sh"
: "${KORVAN_TEST_DB_SOCKET:?} ${KORVAN_TEST_DB_PORT:?}"

# Where things are, relative to their windows.
ART="Wartung Artikelstamm"
UST="Wartung Umstatzsteuergruppen"
SONST="Wartung Sonstige Bezahlungen"
USERS="Wartung Benutzer"
BON=Bonierübersicht
LINE=Bonierzeile
PAY=Bezahlunsgart
ROOM_W=500 ROOM_H=400 # the size the editor gives a new room on this display
MARKED=150,150,200    # the floor plan's colour of a table with open lines

# The master-data windows: "Speichern" and "Abbrechen" at the bottom.
save() { click "$1" "$2" "$3"; }
close() {
  shot "$1"
  click "$1" "$2" "$3"
  gone "$1"
}

# article NUMBER TEXT PRICE PRICE-TEXT: a new article of the VAT group with
# its price, in the window "Wartung Artikelstamm".
article() {
  click "$ART" 66 87   # tab Artikelstamm
  click "$ART" 575 122 # Neu
  write "$ART" 215 119 "$1"
  write "$ART" 335 153 "$2"
  click "$ART" 342 207 # UST Gruppe: the list
  pick "$ART" 260 231  # its first group
  save "$ART" 450 494
  click "$ART" 249 87 # tab Preise
  write "$ART" 185 260 "$3"
  write "$ART" 325 286 "$4"
  click "$ART" 265 435 # the price's Speichern
  click "$ART" 194 87  # tab Gruppen
  xdotool mousemove --window "$(window "$ART")" 201 181 mousemove --sync --window "$(window "$ART")" 200 180 click 3
}

# book GROUP-ROW ARTICLE-ROW QUANTITY: a line through "Bonieren".
book() {
  click $BON 55 31 # Bonieren
  click $LINE "$(cell $LINE 70 $((109 + 20 * $1)))" $((109 + 20 * $1))
  click $LINE "$(cell $LINE 40 $((278 + 20 * $2)))" $((278 + 20 * $2))
  click $LINE "$(cell $LINE 40 467)" 467 # the article's price
  write $LINE 95 603 "$3"
  click $LINE 328 650 # Ok
  gone $LINE
}

row() { echo $((64 + 20 * $1)); } # the order list's row N
# line N: a click on the order list's row N.
line() { click $BON "$(cell $BON 50 "$(row "$1")")" "$(row "$1")"; }

# The tables of the room "Saal", on the plan that plan() found.
window_table() { click Räume $((px + 150)) $((py + 110)); }
table_2() { click Räume $((px + 326)) $((py + 91)); }
table_3() { click Räume $((px + 226)) $((py + 261)); }
rooms() {
  menu Anwendung Räume
  click Räume 37 48 # Saal
  plan Räume $ROOM_W $ROOM_H
}

step "first start"
station day
login wrt tresen

step "VAT group"
menu Wartung "UST Gruppen"
write "$UST" 230 119 Speisen
write "$UST" 350 153 "Speisen und Getraenke"
write "$UST" 215 207 7
save "$UST" 468 258
close "$UST" 575 258

step "articles, prices and their group"
menu Wartung Artikelstamm
article Suppe Tagessuppe 4,50 Teller # typed with the decimal comma
pick "$ART" 260 191 # Neuer Eintrag
click "$ART" "$(cell "$ART" 60 128)" 128 # its name
xdotool type --delay 30 Karte
keys "$ART" Tab # the next cell: the row is stored
article Pils "Pils 0,3" 3.20 Glas
pick "$ART" 260 231 # Vorlage..
pick "$ART" 400 233 # Karte
close "$ART" 557 494

step "payment kinds: a card and a voucher"
menu Wartung Bezahlungsarten
write "$SONST" 200 119 Karte
write "$SONST" 315 153 Kreditkarte
save "$SONST" 448 258
click "$SONST" 557 122 # Neu
write "$SONST" 200 119 Gutschein
write "$SONST" 315 153 "Gutschein 5 Euro"
write "$SONST" 178 207 5 # Wert
save "$SONST" 448 258
close "$SONST" 555 258

step "second user, and a password of its own for wrt"
menu Wartung Benutzer
write "$USERS" 215 117 anna
write "$USERS" 212 153 Berg
write "$USERS" 212 180 Anna
write "$USERS" 212 207 blau7
write "$USERS" 212 234 blau7
save "$USERS" 448 287
click "$USERS" 300 117 # Login: the list
pick "$USERS" 215 140  # wrt
write "$USERS" 212 207 rot9
write "$USERS" 212 234 rot9
save "$USERS" 448 287
close "$USERS" 555 287

step "room with three tables"
menu Wartung Editor
click Editor 652 32 # Neu
write Editor 150 28 Saal
click Editor 518 502 # Speichern: the room exists
click Editor 604 81  # Neuer Tisch: top left, chosen
drag Editor 46 81 100 80
write Editor 629 118 Fenster
write Editor 629 143 60
write Editor 629 168 100
click Editor 604 199 # Verändern
click Editor 604 81
drag Editor 46 81 300 80
click Editor 604 81
drag Editor 46 81 200 250
click Editor 518 502 # Speichern
close Editor 626 502

step "orders at the window table"
rooms
window_table
book 1 1 2 # two soups
book 1 2 1 # a beer
book 1 2 1 # and one more

step "cancelling a line"
line 3
click $BON 131 31 # Storno
answer Frage alt+y

step "moving a line"
line 2
click $BON 80 216 # auf anderen Tisch
MOVE="Auf Tisch verschieben"
click "$MOVE" 466 28 # Tisch: the list
pick "$MOVE" 330 72  # Tisch 2
click "$MOVE" 312 75 # Ok
gone "$MOVE"

step "paying the window table in cash"
line 1
click $BON 458 216 # Bar Bezahlen
answer Frage alt+y
click $BON 216 260 # Ok
gone $BON

step "paying table 2 partly by card"
table_2
line 1
click $BON 332 216 # Bezahlen
click $PAY "$(cell $PAY 52 43)" 43 # the payment kind Karte
write $PAY 435 172 1,20   # davon in bar
keys $PAY Return          # the rest follows
click $PAY 293 220        # Ok
answer Frage alt+y
click $BON 216 260 # Ok
gone $BON

step "the second user books at table 3"
menu System Anmeldung
login anna blau7
rooms
table_3
book 1 1 1 # a soup
book 1 2 1 # a beer

step "paying both lines with the voucher"
drag $BON "$(cell $BON 50 "$(row 1)")" "$(row 1)" 0 20 # both lines
click $BON 332 216           # Bezahlen
click $PAY "$(cell $PAY 52 63)" 63 # the payment kind Gutschein: 5 of 7.70
shot "voucher chosen"
click $PAY 293 220 # Ok
answer Frage alt+y

step "one more beer stays open"
book 1 2 1
click $BON 216 260 # Ok
gone $BON
keys Korvan ctrl+q
station_ends

step "what the first start left"
cmp -s "$E2E_TMP/day/data/create.sql" <("$KORVAN_BIN_DIR/schema/korvan-create-sql") ||
  fail "no create script next to the data"
settings=$E2E_TMP/day/home/.foxrc/Marbeck/Korvan
[ "$(stat -c %a "$settings")" = 600 ] && grep -qx "database=korvan" "$settings" ||
  fail "the settings are not stored, or not for the owner only"
! grep -e tresen -e blau7 -e rot9 "$E2E_TMP/day/out" || fail "a password on standard output"

step "the next start: the public password is refused"
station day
write Anmeldung 150 48 wrt
write Anmeldung 150 75 tresen
keys Anmeldung Return
answer Datenfehler Return
login wrt rot9
keys Korvan ctrl+q
station_ends

step "what the database holds"
private_db day
stamped="hist_an_user = 'wrt' and hist_an_zeit > 0"
expect "the VAT group" "select name, ust from GRP_UST where $stamped" "Speisen	7"
expect "the articles" "select artnr, gruppe_ust from ART where $stamped order by idx" "Suppe	Speisen
Pils	Speisen"
expect "the prices" "select art_artnr, preis from PREIS where $stamped order by idx" "Suppe	4.5
Pils	3.2"
expect "the group" "select name, art_artnr from GRP_ART order by idx" "Karte	Suppe
Karte	Pils"
expect "the payment kinds" "select name, wert from SONST_ART where $stamped order by idx" "Karte	0
Gutschein	5"
expect "the users" "select login, passwd from USER order by idx" "wrt	rot9
anna	blau7"
expect "the room" "select name from LAYOUTK" "Saal"
expect "texts stored twice" "select count(*) from (select 1 from LANG group by system, type, orig having count(*) > 1) t" 0
expect "the tables" "select label_name, label_x, label_y from LAYOUTP order by idx" "Fenster	100	80
Tisch 2	300	80
Tisch 3	200	250"
# Every line at the price of its article, by the user who booked it.
expect "the lines" "select b.artnr, b.anzahl, b.preis = p.preis, b.layoutp_label_name, b.user, b.hist_an_zeit > 0
  from BONLINE b join PREIS p on p.idx = b.preis_idx and p.art_artnr = b.artnr order by b.idx" "Suppe	2	1	Fenster	wrt	1
Pils	1	1	Tisch 2	wrt	1
Pils	1	1	Fenster	wrt	1
Suppe	1	1	Tisch 3	anna	1
Pils	1	1	Tisch 3	anna	1
Pils	1	1	Tisch 3	anna	1"
# Paid lines: cash and the other kind add up to price times quantity; the
# voucher's 5 go to the lines in their order. Who and when.
expect "the paid lines" "select artnr, bar_bezahlt, sonst_bezahlt, sonst_art_name,
  round(bar_bezahlt + sonst_bezahlt, 2) = round(preis * anzahl, 2), hist_ae_user, hist_ae_zeit > 0
  from BONLINE where bezahlt = 'JA' and storniert = 'NEIN' order by idx" "Suppe	9	0		1	wrt	1
Pils	1.2	2	Karte	1	wrt	1
Suppe	0	4.5	Gutschein	1	anna	1
Pils	2.7	0.5	Gutschein	1	anna	1"
expect "the cancelled line" "select artnr, storno_user, hist_ae_user, hist_ae_zeit > 0, bezahlt
  from BONLINE where storniert = 'JA'" "Pils	wrt	wrt	1	NEIN"
expect "the open line" "select artnr, layoutp_label_name, user from BONLINE
  where bezahlt = 'NEIN' and storniert = 'NEIN'" "Pils	Tisch 3	anna"

step "moving the first day to the shared server"
# Every table as the first day left it, to compare with what arrives.
tables=$(sql "select table_name from information_schema.tables where table_schema = 'korvan' order by 1")
for table in $tables; do sql "select * from \`$table\` order by 1" >"$E2E_TMP/private-$table"; done
"$KORVAN_ROOT/scripts/db" stop "$E2E_TMP/day/data/db" # the station is closed
admin=(--no-defaults --socket="$KORVAN_TEST_DB_SOCKET" --user="$(id -un)")
SHARED=korvan_e2e_day STATION_USER=day PASSWORD=Theke-$RANDOM$RANDOM
mariadb "${admin[@]}" -e "DROP DATABASE IF EXISTS $SHARED; DROP USER IF EXISTS $STATION_USER@127.0.0.1"
# The station goes first: its connection would hold the drop.
on_exit "station_kill day; $(shell_quote mariadb "${admin[@]}" -e "DROP DATABASE IF EXISTS $SHARED; DROP USER IF EXISTS $STATION_USER@127.0.0.1")"
"$KORVAN_ROOT/scripts/db" move "$E2E_TMP/day/data/db" $SHARED "${admin[@]}"
KORVAN_DB_PASSWORD=$PASSWORD KORVAN_DB_FROM=127.0.0.1 "$KORVAN_ROOT/scripts/db" shared $SHARED $STATION_USER "${admin[@]}"
E2E_DB=(--socket="$KORVAN_TEST_DB_SOCKET" $SHARED)
[ "$(sql "select count(*) from information_schema.tables where table_schema = '$SHARED'")" = "$(wc -w <<<"$tables")" ] ||
  fail "the shared database has other tables than the private one"
for table in $tables; do
  cmp -s "$E2E_TMP/private-$table" <(sql "select * from \`$table\` order by 1") || fail "the rows of $table did not all arrive"
done

step "the station on the shared server pays the open line"
KORVAN_DB_NAME=$SHARED KORVAN_DB_USER=$STATION_USER KORVAN_DB_PASSWORD=$PASSWORD \
  station day --server "127.0.0.1:$KORVAN_TEST_DB_PORT"
login anna blau7
grep -q "no private server" "$E2E_TMP/day/err" || fail "the station started its private server"
rooms
shows Räume $((px + 204)) $((py + 253)) "$MARKED" # Tisch 3, off its label
table_3
line 1
click $BON 458 216 # Bar Bezahlen
answer Frage alt+y
click $BON 216 260 # Ok
gone $BON
keys Korvan ctrl+q
station_ends
expect "the line paid on the shared server" "select artnr, bezahlt, bar_bezahlt, hist_ae_user from BONLINE
  where idx = (select max(idx) from BONLINE)" "Pils	JA	3.2	anna"

step "the private copy is not the current day any more"
station day --private
station_ends 1
grep -q "was moved on .* to the database $SHARED on " "$E2E_TMP/day/err" &&
  grep -q "scripts/run --private --old-copy" "$E2E_TMP/day/err" || fail "scripts/run --private does not say that the data moved"
cp "$settings" "$E2E_TMP/station-settings"
station day --private --old-copy
# Its main window says what it is, in every menu used below.
E2E_MAIN="Korvan - ALTE KOPIE, nicht der aktuelle Tag: Stand $(sed -n '1,2s/^at=//p' "$E2E_TMP/day/data/db/moved")"
window "$E2E_MAIN" >/dev/null
login anna blau7
grep -q "opening the old copy" "$E2E_TMP/day/err" || fail "the old copy opened without a word"
rooms
shows Räume $((px + 204)) $((py + 253)) "$MARKED" # the beer paid on the server is open here
shot "the old copy"
keys "$E2E_MAIN" ctrl+q
station_ends
cmp -s "$settings" "$E2E_TMP/station-settings" || fail "the old copy changed the station's stored connection"

step "after the old copy, a plain start works on the shared server"
E2E_MAIN=Korvan
station day
login anna blau7
grep -q "using the data source korvan-server (no private server)" "$E2E_TMP/day/err" ||
  fail "the plain start after the old copy does not open the shared server"
! grep -q "database on\|password of" "$E2E_TMP/day/err" || fail "the plain start asked for the connection again"
rooms
keys Korvan ctrl+q
station_ends
step "done"
