#!/bin/sh
# startup.sh: the demo's start-up time (from starting the program to its first presented frame)
# and its peak memory, with the default assets, headless (dummy video and audio drivers).
# Usage: bench/startup.sh [BUILD_DIR [RUNS [SECONDS]]]
#   BUILD_DIR  a built tree holding demo, assets/ and bench/libfirst_frame_probe.so (default build)
#   RUNS       how many runs (default 5); the median time and the largest peak are reported
#   SECONDS    how long each run plays on after its first frame before it is told to quit
#              (default 2), so that the peak covers the music playing, not only start-up
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
runs=${2:-5}
hold=${3:-2}
case $build in /*) ;; *) build=$root/$build ;; esac

demo=$build/demo
probe=$build/bench/libfirst_frame_probe.so
assets=$build/assets
for needed in "$demo" "$probe" "$assets/plimsa.bmp" "$assets/music.xm" /usr/bin/time; do
    if [ ! -e "$needed" ]; then
        echo "startup.sh: missing $needed (build first: cmake --build $build)" >&2
        exit 1
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

limit_kb=$((48 * 1024))
peak_kb=0
: >"$work/times"
run=1
while [ "$run" -le "$runs" ]; do
    rm -f "$work/probe"
    start_ns=$(date +%s%N)
    status=0
    (cd "$assets" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy /usr/bin/time -v -o "$work/time" \
        env LD_PRELOAD="$probe" DEMO_PROBE_OUT="$work/probe" DEMO_PROBE_SECONDS="$hold" \
        "$demo" >/dev/null) || status=$?
    first_ns=$(sed -n 's/^first_frame_ns //p' "$work/probe" 2>/dev/null || true)
    frames=$(sed -n 's/^frames //p' "$work/probe" 2>/dev/null || true)
    run_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
    if [ "$status" -ne 0 ] || [ -z "$first_ns" ] || [ -z "$run_kb" ]; then
        echo "startup.sh: run $run failed (exit status $status, no first frame or no memory" \
            "figure)" >&2
        exit 1
    fi
    ms=$(awk -v a="$start_ns" -v b="$first_ns" 'BEGIN { printf "%.1f", (b - a) / 1e6 }')
    echo "$ms" >>"$work/times"
    [ "$run_kb" -gt "$peak_kb" ] && peak_kb=$run_kb
    echo "run $run: first frame after $ms ms; peak memory $run_kb kB; ${frames:-?} frames"
    run=$((run + 1))
done

median=$(sort -n "$work/times" | awk '{ v[NR] = $1 } END { printf "%.1f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
verdict=met
[ "$peak_kb" -le "$limit_kb" ] || verdict=MISSED
echo "start-up to first frame: median $median ms over $runs runs"
awk -v kb="$peak_kb" -v verdict="$verdict" \
    'BEGIN { printf "peak memory: %.1f MB (%d kB), target <= 48 MB: %s\n", kb / 1024, kb, verdict }'
[ "$verdict" = met ]
