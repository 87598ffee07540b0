# Sourced by scripts/test: starts a private X server for the GUI tests on
# a free display, exports DISPLAY, and stops the server when the run ends.
# The toolkit's libraries keep some allocations until exit (fontconfig,
# Xlib); LeakSanitizer is told to ignore those, not our code's.

korvan_free_display() {
  local n
  for n in $(seq 90 199); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      echo "$n"
      return 0
    fi
  done
  return 1
}

KORVAN_DISPLAY_NUM=$(korvan_free_display) || die "no free X display"
Xvfb ":$KORVAN_DISPLAY_NUM" -screen 0 1280x1024x24 -nolisten tcp >"$KORVAN_TMP/xvfb.log" 2>&1 &
KORVAN_XVFB_PID=$!
on_exit "kill $KORVAN_XVFB_PID 2>/dev/null; wait $KORVAN_XVFB_PID 2>/dev/null"
export DISPLAY=":$KORVAN_DISPLAY_NUM"
for _ in $(seq 1 50); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || die "Xvfb did not start on $DISPLAY (see $KORVAN_TMP/xvfb.log)"

export LSAN_OPTIONS="suppressions=$KORVAN_ROOT/tests/guisupport/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
