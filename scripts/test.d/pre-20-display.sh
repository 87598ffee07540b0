# Sourced by scripts/test: starts a private X server for the GUI tests on
# a free display, exports DISPLAY, and stops the server when the run ends.
# The server picks its own free number (-displayfd), so runs started side by
# side never share a display. -noreset: a server that loses its last client
# resets itself and turns away whoever connects meanwhile, which on a busy
# machine failed the next test or benchmark start.
# The toolkit's libraries keep some allocations until exit (fontconfig,
# Xlib); LeakSanitizer is told to ignore those, not our code's.

korvan_start_display() {
  local fifo=$KORVAN_TMP/xvfb.fd num=""
  rm -f "$fifo"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >"$KORVAN_TMP/xvfb.log" 2>&1 &
  KORVAN_XVFB_PID=$!
  on_exit "kill $KORVAN_XVFB_PID 2>/dev/null; wait $KORVAN_XVFB_PID 2>/dev/null"
  read -r -t 30 num <"$fifo" || true
  rm -f "$fifo"
  [ -n "$num" ] || die "Xvfb did not start (see $KORVAN_TMP/xvfb.log)"
  export DISPLAY=":$num"
  local _
  for _ in $(seq 1 50); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  die "Xvfb does not answer on $DISPLAY (see $KORVAN_TMP/xvfb.log)"
}
korvan_start_display

export LSAN_OPTIONS="suppressions=$KORVAN_ROOT/tests/guisupport/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
