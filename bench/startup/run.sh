#!/usr/bin/env bash
# Start-up of the program against a bare Qt main window (bare_window.cpp), on a
# virtual X server with a window manager (Xvfb, openbox):
#
#   bench/startup/run.sh [-n ROUNDS] [-c CPU] PROGRAM [PROGRAM_B]
#
# Each round starts the bare window, PROGRAM and PROGRAM_B (when given) once
# each, in an order that turns every round, and times each from exec until its
# main window is viewable (the program's main frame, not its splash), with
# bench_startup_watch. Prints the machine's load, every start, and per side the
# median time, the median processor time of the program's threads until then
# (steadier than the time on a loaded machine), the median resident memory
# once the window is viewable, and the ratios of the medians (to the bare
# window, and PROGRAM_B to PROGRAM).
# -n sets the rounds (default 9, at least 7 are needed for the comparison),
# -c pins every started program to that processor (default 0; -1 pins none).
# The bare window and the watcher come from the bench tree, $QX_BENCH_TREE
# (default build/bench of this checkout, configured with -DQX_BENCH=ON).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
rounds=9
cpu=0
while getopts "n:c:" option; do
  case "$option" in
    n) rounds="$OPTARG" ;;
    c) cpu="$OPTARG" ;;
    *) sed -n '2,19p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  sed -n '2,19p' "$0" >&2
  exit 2
fi
tree="${QX_BENCH_TREE:-$root/build/bench}"
bare="$tree/bench/startup/bench_startup_bare"
watch="$tree/bench/startup/bench_startup_watch"
for file in "$bare" "$watch" "$@"; do
  if [ ! -x "$file" ]; then
    echo "run.sh: $file is missing; build the bench tree's bench_startup_bare and" \
      "bench_startup_watch (cmake -B build/bench -DQX_BENCH=ON) and the programs" >&2
    exit 2
  fi
done

# Once on the virtual server: re-run this script inside xvfb-run.
if [ -z "${QX_STARTUP_ON_XVFB:-}" ]; then
  export QX_STARTUP_ON_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" -n "$rounds" -c "$cpu" "$@"
fi

openbox >/dev/null 2>&1 &
wm=$!
scratch="$(mktemp -d)"
trap 'kill "$wm" 2>/dev/null || true; rm -rf "$scratch"' EXIT
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
# Each start sees fresh settings, no desktop registration and no bus peers.
export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
export XDG_RUNTIME_DIR="$scratch/runtime" QX_BUS_DIR="$scratch/bus"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$QX_BUS_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb

names=("bare" "program")
commands=("$bare" "$1")
titles=("Bare main window" "Quorvathine")
if [ $# -eq 2 ]; then
  names+=("program_b")
  commands+=("$2")
  titles+=("Quorvathine")
fi
sides=${#names[@]}
pin=()
if [ "$cpu" -ge 0 ]; then pin=(--cpu "$cpu"); fi

start() {  # start SIDE -> "ms=... rss_kb=... cpu_ms=... runq_ms=..."
  "$watch" "${titles[$1]}" "${pin[@]}" -- "${commands[$1]}"
}
field() { awk -v name="$1" '{ for (i = 1; i <= NF; ++i) if (index($i, name "=") == 1)
  print substr($i, length(name) + 2) }'; }  # field NAME < line

echo "machine load before (/proc/loadavg): $(cat /proc/loadavg)"
for side in $(seq 0 $((sides - 1))); do
  echo "${names[$side]}: ${commands[$side]}"
  start "$side" >/dev/null  # warm the page cache; not counted
done
declare -A times rss used
for round in $(seq 0 $((rounds - 1))); do
  for k in $(seq 0 $((sides - 1))); do
    side=$(((round + k) % sides))
    line="$(start "$side")"
    ms="$(field ms <<<"$line")"
    kb="$(field rss_kb <<<"$line")"
    run="$(field cpu_ms <<<"$line")"
    times[$side]+="$ms "
    rss[$side]+="$kb "
    used[$side]+="$run "
    echo "round $((round + 1)) ${names[$side]}: $ms ms, processor $run ms" \
      "(waited $(field runq_ms <<<"$line") ms), RSS $((kb / 1024)) MB"
  done
done
echo "machine load after (/proc/loadavg): $(cat /proc/loadavg)"

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{v[NR]=$1} END {
  if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
declare -a med medrss medcpu
for side in $(seq 0 $((sides - 1))); do
  med[$side]="$(echo "${times[$side]}" | median)"
  medrss[$side]="$(echo "${rss[$side]}" | median)"
  medcpu[$side]="$(echo "${used[$side]}" | median)"
  printf "%-9s median %7.1f ms (processor %7.1f ms)  RSS %6.1f MB  (%d starts)\n" \
    "${names[$side]}" "${med[$side]}" "${medcpu[$side]}" \
    "$(awk "BEGIN {print ${medrss[$side]} / 1024}")" "$rounds"
done
ratios() {  # ratios A B: the medians of side A over those of side B
  printf "ratio %s / %s: time %.2f, processor %.2f, RSS %.2f\n" "${names[$1]}" "${names[$2]}" \
    "$(awk "BEGIN {print ${med[$1]} / ${med[$2]}}")" \
    "$(awk "BEGIN {print ${medcpu[$1]} / ${medcpu[$2]}}")" \
    "$(awk "BEGIN {print ${medrss[$1]} / ${medrss[$2]}}")"
}
ratios 1 0
if [ "$sides" -eq 3 ]; then
  ratios 2 0
  ratios 2 1
fi
