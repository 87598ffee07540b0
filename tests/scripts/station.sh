#!/usr/bin/env bash
# scripts/run as a station runs it, on a checkout of its own whose program
# is a stand-in (built by scripts/run itself from a small tree) that notes
# what it was given:
# - a start that builds nothing prints nothing of the build; one that
#   builds says what it builds, errors included;
# - the program's environment holds no password (its settings file does);
# - ~/.foxrc and its vendor folder are the account's alone, also where an
#   earlier version left them open.
# (What --old-copy leaves of the station's settings, e2e/day.sh checks
# with the program itself.)
source "$(dirname "$0")/common.sh"
: "${KORVAN_BIN_DIR:?the built tree (set by ctest)}"

root="$WORK/check out" # a checkout of its own: the real scripts, a small tree
mkdir -p "$root/shell"
ln -s "$KORVAN_ROOT/scripts" "$root/scripts"
cat >"$root/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.13)
project(stand_in C)
add_executable(korvan shell/korvan.c)
set_target_properties(korvan PROPERTIES RUNTIME_OUTPUT_DIRECTORY \${CMAKE_BINARY_DIR}/shell)
file(MAKE_DIRECTORY \${CMAKE_BINARY_DIR}/schema)
file(CREATE_LINK "$KORVAN_BIN_DIR/schema/korvan-create-sql" \${CMAKE_BINARY_DIR}/schema/korvan-create-sql SYMBOLIC)
EOF
cat >"$WORK/korvan.sh" <<'EOF'
env >env
cp "$HOME/.foxrc/Marbeck/Korvan" settings
EOF
korvan_c() {
  printf '#include <unistd.h>\nint main(void) { %s execl("/bin/sh", "sh", "%s", (char *)0); return 1; }\n' \
    "$1" "$WORK/korvan.sh" >"$root/shell/korvan.c"
}
korvan_c ""

home=$WORK/home
data="$WORK/station data"
mkdir -m 755 "$home" "$home/.foxrc" "$home/.foxrc/Marbeck" # as an earlier version made them
# run [ARG...]: scripts/run from that checkout; its output in $WORK/out.
run() {
  env -u KORVAN_BIN_DIR -u ODBCINI HOME="$home" KORVAN_DATA="$data" KORVAN_BUILD="$WORK/build" DISPLAY=:none \
    KORVAN_DB_PASSWORD=from-the-environment "$root/scripts/run" "$@" >"$WORK/out" 2>&1
}
build_lines() { grep -E 'build|Build|\[ *[0-9]+%\]|error' "$WORK/out" || true; }

say "station: the build says what it builds, and nothing when it builds nothing"
# change to the program | the start | what the build prints (a pattern, or nothing)
while IFS='|' read -r change status printed; do
  eval "$change"
  code=0
  run || code=$?
  if [ "$status" = ok ]; then [ "$code" -eq 0 ]; else [ "$code" -ne 0 ]; fi ||
    fail "after '$change': status $code, not $status: $(cat "$WORK/out")"
  if [ -z "$printed" ]; then
    [ -z "$(build_lines)" ] || fail "after '$change' the start printed the build: $(build_lines)"
  else
    grep -qE "$printed" "$WORK/out" || fail "after '$change' the start did not print '$printed': $(cat "$WORK/out")"
  fi
done <<'EOF'
:|ok|first build takes a minute or two
:|ok|
:|ok|
korvan_c "int unused = 1; (void)unused;"|ok|building in .* \(only what changed\)
:|ok|
korvan_c "this is no C"|fails|error: unknown type name
korvan_c ""|ok|Linking C executable
:|ok|
EOF
grep -q "Korvan: checking" "$WORK/out" && fail "the start still says that it checks the packages"

say "station: the password reaches the program in its settings file alone"
password=$(sed -n 's/^DB_PASSWORD=//p' "$data/db/db.env")
grep -qx "password=$password" "$data/settings" || fail "the settings file does not carry the password"
! grep -e "$password" -e from-the-environment "$data/env" || fail "the program's environment holds a password"
for folder in "$home/.foxrc" "$home/.foxrc/Marbeck"; do
  [ "$(stat -c %a "$folder")" = 700 ] || fail "$folder has mode $(stat -c %a "$folder"), not 700"
done
[ "$(stat -c %a "$home/.foxrc/Marbeck/Korvan")" = 600 ] || fail "the settings are not the owner's alone"

say "station: ok"
