# Sourced by scripts/test: a private X server for the GUI tests
# (scripts/display), DISPLAY exported, stopped when the run ends.
# The toolkit's libraries keep some allocations until exit (fontconfig,
# Xlib); LeakSanitizer is told to ignore those, not our code's.

on_exit "$(shell_quote "$KORVAN_ROOT/scripts/display" stop "$KORVAN_TMP/display")"
DISPLAY=$("$KORVAN_ROOT/scripts/display" start "$KORVAN_TMP/display")
export DISPLAY

# The sanitizers split their options at blanks and colons unless a value
# stands in quotes: the checkout's path may hold a blank.
lsan_suppressions=$KORVAN_ROOT/tests/guisupport/lsan.supp
lsan_quote="'"
[[ $lsan_suppressions != *"'"* ]] || lsan_quote='"'
export LSAN_OPTIONS="suppressions=$lsan_quote$lsan_suppressions$lsan_quote:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
