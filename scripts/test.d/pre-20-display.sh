# Sourced by scripts/test: a private X server for the GUI tests
# (scripts/display), DISPLAY exported, stopped when the run ends.
# The toolkit's libraries keep some allocations until exit (fontconfig,
# Xlib); LeakSanitizer is told to ignore those, not our code's.

on_exit "$(shell_quote "$KORVAN_ROOT/scripts/display" stop "$KORVAN_TMP/display")"
DISPLAY=$("$KORVAN_ROOT/scripts/display" start "$KORVAN_TMP/display")
export DISPLAY

export LSAN_OPTIONS="suppressions=$KORVAN_ROOT/tests/guisupport/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
