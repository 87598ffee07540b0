#!/usr/bin/env bash
# scripts/check-layers on a copy of the sources: it passes on them as they
# are, fails on each kind of statement planted in each window (the order
# windows, the layout editor, the room screen, the shell's and the
# framework's windows, and a window it has never seen) and names the file,
# and lets the same lines pass in a comment, in the modules whose work they
# are and in the windows it names as holding statements of their own.
set -euo pipefail
root=${1:?the source tree}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for layer in tools schema gui rooms masterdata shell; do
  cp -rL "$root/$layer" "$tmp/$layer"
done

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
# A window nobody listed: the check finds it by its toolkit class.
printf '%s\n' '#include "gui/dialog.h"' 'class BillWin : public Dialog' '{' '  FXDECLARE(BillWin)' '};' \
  >"$tmp/rooms/billwin.h"
printf '%s\n' '#include "rooms/billwin.h"' >"$tmp/rooms/billwin.cpp"
windows=(rooms/bonwin rooms/addlinewin rooms/bezahlwin rooms/movetowin rooms/editwin rooms/roomwin rooms/billwin
  shell/langwin shell/connect shell/mainwindow gui/moneyfield tools/widgets/theme)
# Each file with every plant and every comment at its end: each plant's
# line is named, no comment's.
for window in "${windows[@]}"; do
  for file in $window.cpp $window.h; do
    n=$(wc -l <"$tmp/$file")
    cp "$tmp/$file" "$tmp/$file.orig"
    printf '%s\n' "${plants[@]}" "${comments[@]}" >>"$tmp/$file"
    check && fail "nothing caught in $file"
    for i in "${!plants[@]}"; do
      grep -q "^statements: $file:$((n + i + 1)): " "$tmp/said" || fail "not caught in $file: ${plants[i]}"
    done
    [ "$(grep -c "^statements: $file:" "$tmp/said")" = "${#plants[@]}" ] || fail "comments caught in $file: $(cat "$tmp/said")"
    mv "$tmp/$file.orig" "$tmp/$file"
  done
done
# The modules whose work it is, and the windows named as holding their
# own statements, hold the same lines.
for file in rooms/orders.cpp rooms/floorplan.cpp rooms/place.cpp gui/langregistry.cpp rooms/naviwin.cpp \
  masterdata/art.cpp masterdata/grpust.h gui/spreadsheet.cpp gui/combobox.h gui/dialog.cpp shell/login.cpp; do
  printf '%s\n' "${plants[@]}" >>"$tmp/$file"
  check || fail "refused in $file, whose work it is: $(cat "$tmp/said")"
  cp "$root/$file" "$tmp/$file"
done

[ $failed = 0 ] && echo "the check catches what windows must not hold"
exit $failed
