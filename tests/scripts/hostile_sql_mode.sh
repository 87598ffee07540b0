#!/usr/bin/env bash
# The program on a server whose administrator set its global SQL mode to
# NO_BACKSLASH_ESCAPES and ANSI_QUOTES: the tests of the database layer
# (values with quotes and backslashes in every table, the upgrade's own
# message), of the login (a login that ends its quotes is refused, no
# piece of a password in a report) and of the master-data windows run
# there as on the server of the test run. The server is one of this test's
# own: a global mode would reach the other tests' sessions.
#
#   hostile_sql_mode.sh TEST_DBI TEST_SHELL TEST_MASTERDATA
source "$(dirname "$0")/common.sh"
[ $# -eq 3 ] || fail "usage: hostile_sql_mode.sh TEST_DBI TEST_SHELL TEST_MASTERDATA"

dir=$WORK/server
KORVAN_DB_RIGHTS=tests start "$dir" # the tests make databases of their own
mode=ANSI_QUOTES,NO_BACKSLASH_ESCAPES # as the server lists them
owner_sql "$dir" "SET GLOBAL sql_mode = '$mode'"
eval "$("$DB" env "$dir")"
# A session that sets no mode of its own has the server's.
[ "$(owner_sql "$dir" "select @@session.sql_mode")" = "$mode" ] || fail "the server's mode did not take"

"$1" || fail "the database layer"
"$2" --gtest_filter='LoginTest.*' || fail "the login"
"$3" --gtest_filter='RecordWindows.ARowIsStored*' || fail "the master-data windows"
[ "$(owner_sql "$dir" "select @@global.sql_mode")" = "$mode" ] || fail "the server's mode changed meanwhile"
say "hostile_sql_mode: ok"
