#!/usr/bin/env bash
# The test of the fuzz stage's script (scripts/fuzz), against a throwaway
# target (stage_probe.cpp, built here with clang) and short bounds:
#   - a fuzzer stopped for good is killed at its bound, its kept unit is
#     replayed, and the stage ends green;
#   - a unit that hangs where libFuzzer's timeout cannot end it is found
#     through the kept unit, and fails the stage;
#   - a unit slow in its own processor time every time fails the stage;
#   - among eight busy loops on the stage's core, units slowed only by the
#     contention are stalls, never "slow again", and the stage stays green,
#     while the slow unit still fails it: a replay is judged in its own time,
#     however little of the processor it gets.
# Each stage run has a bound of its own, so a stage that hangs fails here.
# Usage: tests/fuzz/fuzz-stage-test.sh [WORKDIR]
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="${1:-$(mktemp -d)}"
mkdir -p "$work"
export QX_FUZZ_DIR="$work/tree" QX_FUZZ_LIMIT_S=1 QX_FUZZ_GRACE_S=2 QX_FUZZ_SEEDS_BOUND_S=10
mkdir -p "$QX_FUZZ_DIR/fuzz/seeds/probe"
printf 'seed one' >"$QX_FUZZ_DIR/fuzz/seeds/probe/a"
printf 'seed two' >"$QX_FUZZ_DIR/fuzz/seeds/probe/b"
printf '"seed"\n' >"$QX_FUZZ_DIR/fuzz/seeds/qx.dict"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -I"$root/fuzz" \
  "$root/tests/fuzz/stage_probe.cpp" -o "$QX_FUZZ_DIR/fuzz/qx_fuzz_probe" || exit 1

failures=0
fail() {
  echo "FAILED: $1"
  sed 's/^/    /' "$out"
  failures=$((failures + 1))
}
# Runs the stage on the probe for SECONDS of mutation in MODE, within BOUND
# seconds (then the stage and all it started are killed); sets rc (hung when
# it passed its bound) and out.
stage() {  # MODE SECONDS BOUND [COMMAND PREFIX...]
  local mode="$1" seconds="$2" bound="$3" pid t
  shift 3
  out="$work/$mode.out"
  rm -rf "$QX_FUZZ_DIR/corpus" "$work/$mode.mark"
  QX_PROBE_MODE="$mode" QX_PROBE_MARK="$work/$mode.mark" \
    setsid "$@" "$root/scripts/fuzz" "$seconds" probe >"$out" 2>&1 &
  pid=$!
  for ((t = 0; t < bound * 10; t++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL -- "-$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    rc=hung
  else
    rc=0
    wait "$pid" || rc=$?
  fi
}

# Whether each of the three replays in the stage's output was cut at its bar
# of processor time, half the 1 s limit, and not left to compute its 3 s.
cut_at_the_bar() {
  grep -o 'replayed in [^)]*' "$out" | tail -n 1 | grep -oE '[0-9]+ ms over the bar' |
    awk '$1 > 500 && $1 < 1000 {n++} END {exit n != 3}'
}

stage stop 4 30
if [ "$rc" != 0 ]; then
  fail "a fuzzer stopped for good: the stage ended $rc within 30 s, not green"
elif ! grep -q 'killed at the bound, replayed in [0-9]* ms' "$out" || [ ! -e "$work/stop.mark" ]; then
  fail "a fuzzer stopped for good was not killed at its bound with its unit replayed"
fi

stage hang 4 40
if [ "$rc" = hung ] || [ "$rc" -eq 0 ] || ! grep -q 'fuzz: probe FOUND .*held-1 (replayed in' "$out"; then
  fail "a unit that hangs during mutation was not found through the kept unit (the stage ended $rc)"
fi

stage slow 4 40
if [ "$rc" = hung ] || [ "$rc" -eq 0 ] || ! grep -q 'fuzz: probe FOUND .*timeout-.* (replayed in' "$out"; then
  fail "a unit slow in its own time every time did not fail the stage (it ended $rc)"
elif ! cut_at_the_bar; then
  fail "the replays of a unit slow in its own time were not cut at their bar"
fi

# Contention: the stage and eight busy loops on one core. Units of 200 ms of
# their own time then each take past the 1 s limit in wall time; the stall
# that follows may end either way: over libFuzzer's limit, or killed at the
# outer bound while the timeout handler waits for its starved symbolizer.
# A unit of 3 s of its own time gets the same wall time as those, or less,
# before a bound by the clock would cut it.
core="$(grep Cpus_allowed_list /proc/self/status | tr -s ',-' '  ' | awk '{print $NF}')"
loops=()
for _ in 1 2 3 4 5 6 7 8; do
  # Each loop in a session of its own: the scheduler shares a core between
  # sessions first, and the stage runs in one of its own.
  setsid taskset -c "$core" bash -c 'while :; do :; done' &
  loops+=($!)
done
QX_PROBE_BUSY_MS=200 stage busy 6 120 taskset -c "$core"
if [ "$rc" != 0 ]; then
  fail "contention alone failed the stage (it ended $rc)"
elif ! grep -q 'not slow again: .*replayed in' "$out"; then
  fail "contention slowed no unit past a bound, so the stage was not tried"
fi
stage slow 4 120 taskset -c "$core"
if [ "$rc" = hung ] || [ "$rc" -eq 0 ] || ! grep -q 'fuzz: probe FOUND .* (replayed in' "$out"; then
  fail "among busy loops, a unit slow in its own time every time did not fail the stage (it ended $rc)"
elif ! cut_at_the_bar; then
  fail "among busy loops, the replays of a unit slow in its own time were not cut at their bar"
fi
kill "${loops[@]}" 2>/dev/null
wait "${loops[@]}" 2>/dev/null

[ "$failures" -eq 0 ] && echo "fuzz stage test: passed" && rm -rf "$work"
exit $((failures > 0))
