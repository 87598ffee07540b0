#!/usr/bin/env bash
# Every script must take a path holding a blank: the checkout reached
# through such a path, and temporary files under one. scripts/test runs
# from there and sets up what the tests need (the database, the display,
# the sanitizers' options, KORVAN_TMP); a window test and a test of files
# under KORVAN_TMP must pass in it. Without the leak suppressions the
# window test reports the toolkit's leaks and fails.
#
# The suite's commands that go through a shell's text (sh -c, bash -c)
# run there too, from a tree configured through that path into a folder
# holding a blank, on the programs of the built tree: a path that such a
# text does not quote splits at the blank.
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

# The tree through the path, configured as the built one; its programs are
# those of the built tree.
tree="$work/build dir"
option() { sed -n "s/^$1:[A-Z]*=//p" "$KORVAN_BIN_DIR/CMakeCache.txt"; }
cmake -S "$checkout" -B "$tree" -DCMAKE_BUILD_TYPE="$(option CMAKE_BUILD_TYPE)" \
  -DKORVAN_SANITIZE="$(option KORVAN_SANITIZE)" -DKORVAN_BENCH="$(option KORVAN_BENCH)" >"$work/configure.log" 2>&1 ||
  fail "cmake does not configure from the path" "$work/configure.log"
(cd "$KORVAN_BIN_DIR" && find . -path '*/CMakeFiles' -prune -o -type f -perm -u+x -print) |
  while IFS= read -r program; do
    [ ! -d "$tree/$(dirname "$program")" ] || ln -sf "$KORVAN_BIN_DIR/$program" "$tree/$program"
  done

# Every test whose command is a shell's text, by its name.
ctest --test-dir "$tree" -N -V >"$work/tests.log" 2>&1 || fail "ctest does not list the tests" "$work/tests.log"
mapfile -t shell_text < <(awk '
  /^ *[0-9]+: Test command: / {
    n = $1; sub(/:$/, "", n)
    command = $0; sub(/^ *[0-9]+: Test command: /, "", command)
    if (command ~ /^[^ ]*\/(sh|bash|dash)"? "-c" /) text[n] = 1
  }
  /^ *Test +#[0-9]+: / {
    line = $0; sub(/^ *Test +#/, "", line)
    n = line; sub(/:.*/, "", n)
    name = line; sub(/^[0-9]+: /, "", name)
    if (n in text) print name
  }' "$work/tests.log")
[ ${#shell_text[@]} -gt 0 ] || fail "no test found whose command is a shell's text" "$work/tests.log"
grep -F "Test command:" "$work/tests.log" | grep -F -- '"-c"' | grep -qF "$checkout/" ||
  fail "the shell texts do not hold the path with the blank" "$work/tests.log"
chosen="DialogTest.TheDatabaseErrorSaysWhatFailedWhyAndFitsTheScreen"
chosen+="|Files.EachReaderTakesWhatIsItsOwnAndRefusesTheRestWithoutBlocking"
for name in "${shell_text[@]}"; do chosen+="|$name"; done
chosen=${chosen//./\\.}
count=$((2 + ${#shell_text[@]}))

# Nothing of this run's own set-up goes along: scripts/test makes its own.
status=0
env -u LSAN_OPTIONS -u ODBCINI -u DISPLAY -u KORVAN_TMP -u KORVAN_ROOT TMPDIR="$work/tmp dir" KORVAN_BIN_DIR="$tree" \
  "$checkout/scripts/test" -R "^($chosen)\$" >"$work/test.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "scripts/test failed from the path (status $status)" "$work/test.log"
grep -q "100% tests passed, 0 tests failed out of $count\$" "$work/test.log" ||
  fail "scripts/test did not run the $count tests (${shell_text[*]} and two more)" "$work/test.log"
grep -q "mysqld.sock" <(grep "tmp dir" "$work/test.log") ||
  fail "the test server did not live under the path" "$work/test.log"
[ -z "$(ls -A "$work/tmp dir")" ] || fail "scripts/test left files behind: $(ls -A "$work/tmp dir")"
say "blank_path: passed, with ${shell_text[*]}"
