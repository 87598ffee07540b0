#!/usr/bin/env bash
# Every script must take a path holding a blank: the checkout reached
# through such a path, and temporary files under one. scripts/test runs
# from there on the built tree and sets up what the tests need (the
# database, the display, the sanitizers' options, KORVAN_TMP); a window
# test and a test of files under KORVAN_TMP must pass in it. Without the
# leak suppressions the window test reports the toolkit's leaks and fails.
#
#   blank_path.sh   (needs KORVAN_BIN_DIR, the sanitizer tree)
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib.sh"
: "${KORVAN_BIN_DIR:?the built tree}"

work=$(mktemp -d "/tmp/korvan blank.XXXXXX")
on_exit "$(shell_quote rm -rf "$work")"
checkout="$work/check out"
ln -s "$KORVAN_ROOT" "$checkout"
mkdir "$work/tmp dir"

fail() {
  say "blank_path: $1"
  [ -z "${2:-}" ] || cat "$2" >&2
  exit 1
}

(cd "$work" && "$checkout/scripts/check-layers") >"$work/layers.log" 2>&1 ||
  fail "check-layers does not run from the path" "$work/layers.log"

# Nothing of this run's own set-up goes along: scripts/test makes its own.
status=0
env -u LSAN_OPTIONS -u ODBCINI -u DISPLAY -u KORVAN_TMP -u KORVAN_ROOT TMPDIR="$work/tmp dir" \
  "$checkout/scripts/test" -R '^(DialogTest\.TheDatabaseErrorSaysWhatFailedWhyAndFitsTheScreen|Files\.EachReaderTakesWhatIsItsOwnAndRefusesTheRestWithoutBlocking)$' \
  >"$work/test.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "scripts/test failed from the path (status $status)" "$work/test.log"
grep -q "100% tests passed, 0 tests failed out of 2" "$work/test.log" ||
  fail "scripts/test did not run the two tests" "$work/test.log"
grep -q "mysqld.sock" <(grep "tmp dir" "$work/test.log") ||
  fail "the test server did not live under the path" "$work/test.log"
[ -z "$(ls -A "$work/tmp dir")" ] || fail "scripts/test left files behind: $(ls -A "$work/tmp dir")"
say "blank_path: passed"
