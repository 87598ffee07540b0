#!/usr/bin/env bash
# scripts/check-layers on a copy of the sources: it passes on them as they
# are, fails on each kind of statement planted in each order window and in
# the layout editor and names the file, and lets the same lines pass in a
# comment and in the modules whose work they are.
set -euo pipefail
root=${1:?the source tree}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for layer in tools schema gui masterdata shell; do
  ln -s "$root/$layer" "$tmp/$layer"
done
cp -r "$root/rooms" "$tmp/rooms"

failed=0
fail() {
  echo "FAILED: $*"
  failed=1
}
check() { KORVAN_ROOT=$tmp "$root/scripts/check-layers" 2>"$tmp/said"; }

check || fail "the sources as they are: $(cat "$tmp/said")"

plants=(
  'static const char *const Q = "select idx from BONLINE where idx = 1";'
  'static const char *const C = "commit;";'
  'inline void f(Tools::Database &db) { db.commit(); }'
  'inline void g(Tools::Database *db) { db->rollback(); }'
  'inline void h(Tools::Database &db, LAYOUTK &r) { Tools::update_object(db, r, W); }'
  'inline int k(Tools::Database &db, std::vector<Tools::Ref<LAYOUTP> > &t) { return Tools::select_rows<LAYOUTP>(db, "LAYOUTP", t, W); }'
)
comments=(
  '// db.commit(); "select 1 from T"'
  '/* db->rollback();'
  '   "delete from T" */'
)
# Each file with every plant and every comment at its end: each plant's
# line is named, no comment's.
for window in bonwin addlinewin bezahlwin movetowin editwin; do
  for file in rooms/$window.cpp rooms/$window.h; do
    n=$(wc -l <"$root/$file")
    printf '%s\n' "${plants[@]}" "${comments[@]}" >>"$tmp/$file"
    check && fail "nothing caught in $file"
    for i in "${!plants[@]}"; do
      grep -q "^statements: $file:$((n + i + 1)): " "$tmp/said" || fail "not caught in $file: ${plants[i]}"
    done
    [ "$(grep -c "^statements: $file:" "$tmp/said")" = "${#plants[@]}" ] || fail "comments caught in $file: $(cat "$tmp/said")"
    cp "$root/$file" "$tmp/$file"
  done
done
# The modules whose work it is hold the same lines.
for file in rooms/orders.cpp rooms/floorplan.cpp rooms/naviwin.cpp; do
  printf '%s\n' "${plants[@]}" >>"$tmp/$file"
  check || fail "refused in $file, whose work it is: $(cat "$tmp/said")"
  cp "$root/$file" "$tmp/$file"
done

[ $failed = 0 ] && echo "the check catches what windows must not hold"
exit $failed
