# Sourced by scripts/test after the tests: runs every benchmark program of
# the build (bench/bench_*) once briefly, against the same database and
# display as the tests, so that none can rot unnoticed. Times are not
# judged here: a benchmark fails the run only when it cannot run, that is
# when its program exits non-zero, hangs, or reports a benchmark error.
#
# KORVAN_BENCH_BRIEF=1 tells a program that builds its own data to build
# less of it.

bench_work="$KORVAN_TMP/bench"
mkdir -p "$bench_work"
bench_failed=()
for bench in "$BUILD"/bench/bench_*; do
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  bench_name=$(basename "$bench")
  if KORVAN_BENCH_BRIEF=1 timeout 600 "$bench" --benchmark_min_time=0.001 --benchmark_repetitions=1 \
      --benchmark_out="$bench_work/$bench_name.json" --benchmark_out_format=json \
      >"$bench_work/$bench_name.log" 2>&1 &&
    ! grep -q '"error_occurred": true' "$bench_work/$bench_name.json"; then
    say "$bench_name: runs"
  else
    bench_failed+=("$bench_name")
    say "$bench_name cannot run:"
    tail -n 30 "$bench_work/$bench_name.log" >&2
  fi
done
if [ ${#bench_failed[@]} -gt 0 ]; then
  die "benchmarks that cannot run: ${bench_failed[*]}"
fi
