#!/usr/bin/env bash
# Runs every threaded suite (the *Threads tests of each test binary) RUNS
# times in a row on two cores while two other test binaries loop on the same
# cores, as a loaded two-core CI machine would run them. Not part of
# scripts/test: a check that the threaded tests hold under load.
#
#   tests/stress/threads-under-load.sh [TREE [RUNS]]
#
# TREE is a built tree (default build/release; build/tsan runs them under
# ThreadSanitizer), RUNS defaults to 100. QX_STRESS_CPUS names the cores,
# comma-separated (default 0,1), QX_STRESS_LOAD the two looping binaries of
# the tree's tests/ (default "qx_MC_tests qx_search_tests"). With
# QX_STRESS_FUZZ=N (and a fuzz
# tree in build/fuzz) the document target then replays its seeds, corpus and
# kept regressions N times under the same load and names its slowest unit.
# With QX_STRESS_STALL=test|companion|board, one process at a time is
# stopped (SIGSTOP) for QX_STRESS_STALL_MS (default 700) ms and then let go
# on (SIGCONT), at a random moment every 2 to 5 s: the running test binary
# itself, or its companion or fake board children (those of the test binary
# only, whichever of them is running then). A threaded test must not depend
# on a process never being held up that long; each stall is counted.
# A test that was held up in every run it made is skipped, saying why; each
# skip is named and counted, and so are the held-up runs made again, the
# held-up runs judged all the same because they were late beyond what held
# them up, and the tests that left a held-up row unjudged. A failing run's output is kept in
# TREE/stress/<pid>; the exit status says whether any run failed.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
tree="$(cd "${1:-$root/build/release}" && pwd)"
runs="${2:-100}"
cpus="${QX_STRESS_CPUS:-0,1}"
read -r -a load <<<"${QX_STRESS_LOAD:-qx_MC_tests qx_search_tests}"
export QT_QPA_PLATFORM=offscreen
# The sanitizers as scripts/test sets them.
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/support/lsan.supp:print_suppressions=0}"
logs="$tree/stress/$$"
mkdir -p "$logs"
cd "$tree/tests" || exit 2

busy() {  # the busy and total jiffies of the chosen cores, summed
  local b=0 t=0 cpu
  for cpu in $(echo "$cpus" | tr ',' ' '); do
    read -r _ u n s i w q sq st _ < <(grep "^cpu$cpu " /proc/stat)
    b=$((b + u + n + s + q + sq + st))
    t=$((t + u + n + s + i + w + q + sq + st))
  done
  echo "$b $t"
}

stall="${QX_STRESS_STALL:-}"
stall_ms="${QX_STRESS_STALL_MS:-700}"
case "$stall" in
  "" | test | companion | board) ;;
  *) echo "QX_STRESS_STALL is test, companion or board, not '$stall'" >&2; exit 2 ;;
esac
current="$logs/current"  # the pid of the running test binary's timeout

# The processes to stall now: the test binary under the current timeout, or
# its children of the chosen peer's name.
stall_targets() {
  local watch bin
  watch=$(cat "$current" 2>/dev/null) || return
  bin=$(pgrep -P "$watch" 2>/dev/null | head -1)
  [ -n "$bin" ] || return
  case "$stall" in
    test) echo "$bin" ;;
    companion) pgrep -P "$bin" -x qorex_companion ;;
    board) pgrep -P "$bin" -x fake_dt2801 ;;
  esac
}
stall_loop() {
  local held=() n=0
  trap '[ ${#held[@]} -eq 0 ] || kill -CONT "${held[@]}" 2>/dev/null; echo "$n" >"$logs/stalls"; exit 0' TERM
  while :; do
    sleep "$(printf '%d.%03d' $((2 + RANDOM % 3)) $((RANDOM % 1000)))"
    mapfile -t held < <(stall_targets)
    [ ${#held[@]} -gt 0 ] || continue
    kill -STOP "${held[@]}" 2>/dev/null
    sleep "$(printf '%d.%03d' $((stall_ms / 1000)) $((stall_ms % 1000)))"
    kill -CONT "${held[@]}" 2>/dev/null
    held=()
    n=$((n + 1))
  done
}

loaders=()
staller=""
stop_load() {
  for pid in "${loaders[@]}"; do kill -- "-$pid" 2>/dev/null; done
  if [ -n "$staller" ]; then kill "$staller" 2>/dev/null; wait "$staller" 2>/dev/null; fi
}
trap stop_load EXIT
for bin in "${load[@]}"; do
  setsid bash -c "while :; do taskset -c $cpus ./$bin >/dev/null 2>&1; done" &
  loaders+=($!)
done

if [ -n "$stall" ]; then
  stall_loop &
  staller=$!
fi

read -r busy0 total0 < <(busy)
failures=0
skips=0
remade=0
judged=0
rows=0
start=$SECONDS
for run in $(seq "$runs"); do
  failed=()
  for bin in qx_*_tests; do
    # Whole output: the brief form names no skipped test.
    timeout 900 taskset -c "$cpus" "./$bin" --gtest_filter='*Threads.*:*Threads/*' \
      >"$logs/$bin.log" 2>&1 &
    echo $! >"$current"
    wait $! || failed+=("$bin")
    rm -f "$current"
    skipped=$(grep -h '^\[  SKIPPED \] [A-Za-z]' "$logs/$bin.log" | cut -c14- | cut -d' ' -f1 |
      sort -u | tr '\n' ' ')
    if [ -n "$skipped" ]; then
      echo "run $run: $bin skipped: $skipped"
      skips=$((skips + $(wc -w <<<"$skipped")))
    fi
    # Runs made again, and rows of a test left unjudged, for being held up.
    again=$(grep -c '^\[ HELD UP  \]' "$logs/$bin.log")
    judged=$((judged + $(grep -c '^\[ JUDGED   \]' "$logs/$bin.log")))
    unjudged=$(grep -c '^\[ NOT JUDGED \]' "$logs/$bin.log")
    remade=$((remade + again))
    rows=$((rows + unjudged))
    [ "$unjudged" -eq 0 ] || echo "run $run: $bin left rows unjudged: $(grep -h '^\[ NOT JUDGED \]' "$logs/$bin.log" | tr '\n' ' ')"
  done
  for bin in "${failed[@]}"; do
    mv "$logs/$bin.log" "$logs/run$run-$bin.log"
    echo "run $run: $bin FAILED: $(grep -h '^\[  FAILED  \] [A-Za-z]' "$logs/run$run-$bin.log" |
      sort -u | cut -c14- | tr '\n' ' ')"
  done
  [ ${#failed[@]} -eq 0 ] || failures=$((failures + 1))
  echo "run $run/$runs done, $((SECONDS - start)) s, load $(cut -d' ' -f1-3 /proc/loadavg)"
done
read -r busy1 total1 < <(busy)
echo "threaded suites: $runs runs, $failures failed, $skips tests skipped, $remade held-up runs" \
  "made again, $judged held-up runs judged as late beyond it, $rows tests with rows left" \
  "unjudged; cores $cpus busy" \
  "$(((busy1 - busy0) * 100 / (total1 - total0 + 1)))% meanwhile"
if [ -n "$staller" ]; then
  kill "$staller" 2>/dev/null
  wait "$staller" 2>/dev/null
  staller=""
  echo "stalls of the $stall process, $stall_ms ms each: $(cat "$logs/stalls" 2>/dev/null)"
fi

replays="${QX_STRESS_FUZZ:-0}"
fuzz="$root/build/fuzz"
if [ "$replays" -gt 0 ] && [ -x "$fuzz/fuzz/qx_fuzz_document" ]; then
  units=$(find "$fuzz/fuzz/seeds/document" "$fuzz/corpus/document" "$root/fuzz/regressions/document" \
    -type f 2>/dev/null)
  for replay in $(seq "$replays"); do
    # Given files, libFuzzer reports the time of each.
    # shellcheck disable=SC2086
    taskset -c "$cpus" "$fuzz/fuzz/qx_fuzz_document" -timeout=2 -rss_limit_mb=1024 \
      -malloc_limit_mb=256 $units >"$logs/fuzz-document-$replay.log" 2>&1 ||
      { echo "fuzz replay $replay FAILED (see $logs/fuzz-document-$replay.log)"; failures=$((failures + 1)); }
  done
  echo "document replays: $replays of $(echo "$units" | wc -l) units; slowest:" \
    "$(cat "$logs"/fuzz-document-*.log | awk '/^Executed .* in [0-9]+ ms/ {print $(NF-1), $2}' |
      sort -n | tail -1) ms"
fi
exit $((failures > 0))
