# Sourced by scripts/test after the tests: builds the fuzz targets (INI and
# XML readers, formatter, option parser) with
# clang in a tree of their own and runs each for a bounded time, seeded with
# the real files in tests/data. A finding fails the run; its input is kept
# in the fuzz build's artifacts directory.
#
# KORVAN_FUZZ_SECONDS (default 30) sets the time per target; 0 skips.

fuzz_seconds=${KORVAN_FUZZ_SECONDS:-30}
if [ "$fuzz_seconds" -gt 0 ]; then
  fuzz_build=${KORVAN_FUZZ_BUILD:-$KORVAN_ROOT/build-fuzz}
  say "fuzzing: building in $fuzz_build"
  CC=clang CXX=clang++ cmake -S "$KORVAN_ROOT/tests/fuzz" -B "$fuzz_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$fuzz_build" -j"$(build_jobs 4)" >/dev/null

  fuzz_work="$KORVAN_TMP/fuzz"
  fuzz_artifacts="$fuzz_build/artifacts"
  mkdir -p "$fuzz_work" "$fuzz_artifacts"
  for target in ini xml format arg; do
    mkdir -p "$fuzz_work/$target/corpus" "$fuzz_work/$target/seed"
  done
  cp "$KORVAN_ROOT"/tests/data/*.ini "$KORVAN_ROOT"/tests/data/*.cnf "$KORVAN_ROOT"/tests/data/*.desktop \
     "$KORVAN_ROOT"/tests/data/journald.conf "$fuzz_work/ini/seed/"
  for f in "$KORVAN_ROOT"/tests/data/*.conf; do
    grep -q '<' "$f" && cp "$f" "$fuzz_work/xml/seed/"
  done
  # Formats: the first byte picks the arguments, the rest is the format.
  printf '\000select %%%%ART from ART where idx = '"'"'%%s'"'"' ' >"$fuzz_work/format/seed/query"
  printf '\001%%d-%%02d-%%02d %%0.2lf %%-8s|%%5.1f' >"$fuzz_work/format/seed/numbers"
  printf '\006%%1$s %%6$s %%*d %%.*s %%x %%#o %%%%' >"$fuzz_work/format/seed/positions"
  # Command lines: the arguments separated by NUL bytes.
  printf -- '--n\0005\000-v\000x\000--mode=a\0001\000--file' >"$fuzz_work/arg/seed/mixed"
  printf -- '1\000x\0002\000--n\000y' >"$fuzz_work/arg/seed/values"

  fuzz_pids=()
  for target in ini xml format arg; do
    (
      cd "$fuzz_work/$target"
      timeout $((fuzz_seconds + 120)) "$fuzz_build/fuzz_$target" -max_total_time="$fuzz_seconds" \
        -max_len=8192 -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$fuzz_artifacts/$target-" corpus seed >"$fuzz_work/$target.log" 2>&1
    ) &
    fuzz_pids+=($!)
  done
  fuzz_failed=()
  fuzz_index=0
  for target in ini xml format arg; do
    if ! wait "${fuzz_pids[$fuzz_index]}"; then
      fuzz_failed+=("$target")
      say "fuzz_$target found a problem:"
      tail -n 40 "$fuzz_work/$target.log" >&2
    else
      say "fuzz_$target: $(grep -E '^Done [0-9]+ runs' "$fuzz_work/$target.log" | tail -n 1)"
    fi
    fuzz_index=$((fuzz_index + 1))
  done
  if [ ${#fuzz_failed[@]} -gt 0 ]; then
    die "fuzzing failed for: ${fuzz_failed[*]} (inputs in $fuzz_artifacts)"
  fi
fi
