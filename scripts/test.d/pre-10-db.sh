# Sourced by scripts/test: a private MariaDB server for this run, stopped
# when the run ends, also on failure. Every test finds it through the
# exported variables (ODBCINI, KORVAN_TEST_*).
KORVAN_DB_DIR=$KORVAN_TMP/db
on_exit "$(shell_quote "$KORVAN_ROOT/scripts/db" stop "$KORVAN_DB_DIR")"
# Its user makes and drops a database for each test process.
KORVAN_DB_RIGHTS=tests "$KORVAN_ROOT/scripts/db" start "$KORVAN_DB_DIR"
eval "$("$KORVAN_ROOT/scripts/db" env "$KORVAN_DB_DIR")"
