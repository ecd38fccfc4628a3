#!/bin/sh
# sync.sh: how far the music library's reported row lies from the row the sound server plays,
# on every audio path at hand: SDL 1.2's PulseAudio backend and its ALSA backend through the
# ALSA pulse plugin on a private PulseAudio daemon; the same on PipeWire with pipewire-pulse
# (when pipewire, pipewire-pulse, wireplumber and dbus-run-session are installed); and, when an
# unpacked sdl12-compat is found in the build tree (or SDL12COMPAT_DIR names its folder), the
# same paths through sdl12-compat; and, when the Windows build's sync_reporter.exe is found
# (scripts/test-windows.sh builds it in build-win/cross-tests, or SYNC_REPORTER names it) and Wine
# is installed, SDL 1.2's Windows paths DirectSound and waveOut under Wine. The native paths run
# twice: with SDL's own buffering, then with the player's streams asking the server for 80 ms
# (PULSE_LATENCY_MSEC). One line per path: median, p5 and p95 of reported minus heard, in
# milliseconds (negative: the picture changes before the row is heard).
# Usage: bench/sync.sh [BUILD_DIR [RUNS]]   (default build, 5 runs of 62 rows per path)
set -eu
if [ "${1:-}" = "--pipewire-session" ]; then
    # Called back by this script inside dbus-run-session: BUILD_DIR RUNS COMPAT_DIR REPORTER follow.
    session=1 build=$2 runs=$3 compat=$4 SYNC_REPORTER=$5
else
    session=0
    root=$(cd "$(dirname "$0")/.." && pwd)
    build=${1:-build}
    runs=${2:-5}
    case $build in /*) ;; *) build=$root/$build ;; esac
    compat=${SDL12COMPAT_DIR:-}
    if [ -z "${SYNC_REPORTER:-}" ]; then
        SYNC_REPORTER=$root/build-win/cross-tests/tests/bassmod/sync_reporter.exe
    fi
    # The Windows test stage's Wine prefix, unless another is named.
    if [ -z "${WINEPREFIX:-}" ] && [ -d "$root/build-win/wineprefix" ]; then
        export WINEPREFIX="$root/build-win/wineprefix"
    fi
    export SYNC_REPORTER WINEDEBUG="${WINEDEBUG:--all}"
    if [ -z "$compat" ]; then
        found=$(find "$build" -path '*sdl12-compat/libSDL-1.2.so.0' 2>/dev/null | head -n 1)
        if [ -n "$found" ]; then compat=$(dirname "$found"); fi
    fi
fi
bench=$build/bench_sync
if [ ! -x "$bench" ]; then
    echo "sync.sh: missing $bench (build first: cmake --build $build --target bench_sync)" >&2
    exit 1
fi

# Runs bench_sync on the server in PULSE_SERVER (a private PulseAudio daemon when unset), with
# both SDL implementations.
# Extra SDL 2 drivers for sdl12-compat (SDL 2's own PipeWire backend on PipeWire) may follow.
measure_paths() {
    for latency in "" 80; do
        # Unset, SDL's own buffering; 80, the player's streams ask the server for 80 ms instead.
        export PULSE_LATENCY_MSEC="$latency"
        [ -n "$latency" ] || unset PULSE_LATENCY_MSEC
        "$bench" pulse "$runs" || failed=1
        "$bench" alsa "$runs" || failed=1
        if [ -n "$compat" ]; then
            for driver in pulseaudio alsa "$@"; do
                LD_LIBRARY_PATH=$compat "$bench" "$driver" "$runs" || failed=1
            done
        fi
    done
    unset PULSE_LATENCY_MSEC
    if [ -f "$SYNC_REPORTER" ] && command -v wine >/dev/null; then
        for driver in dsound waveout; do
            "$bench" "wine:$driver" "$runs" || failed=1
        done
    fi
    return "$failed"
}
failed=0

# Inside a private D-Bus session: PipeWire, WirePlumber and pipewire-pulse in a fresh runtime
# folder, a null sink as the default sink, then the measurements; everything stopped after.
pipewire_session() {
    dir=$(mktemp -d)
    pids=""
    # shellcheck disable=SC2317 # called by the trap
    stop() {
        for pid in $pids; do kill "$pid" 2>/dev/null || true; done
        for pid in $pids; do wait "$pid" 2>/dev/null || true; done
        rm -rf "$dir"
    }
    trap stop EXIT
    export XDG_RUNTIME_DIR="$dir" HOME="$dir" XDG_CONFIG_HOME="$dir/config"
    export XDG_STATE_HOME="$dir/state" PULSE_SERVER="unix:$dir/pulse/native"
    pipewire >"$dir/pipewire.log" 2>&1 & pids="$pids $!"
    sleep 1
    wireplumber >"$dir/wireplumber.log" 2>&1 & pids="$pids $!"
    pipewire-pulse >"$dir/pipewire-pulse.log" 2>&1 & pids="$pids $!"
    tries=0
    until pactl info >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ "$tries" -gt 100 ]; then
            echo "sync.sh: pipewire-pulse did not start" >&2
            return 1
        fi
        sleep 0.1
    done
    pactl load-module module-null-sink sink_name=probe rate=44100 channels=2 >/dev/null
    sleep 1
    pactl set-default-sink probe
    measure_paths pipewire
}

if [ "$session" = 1 ]; then
    pipewire_session
    exit
fi

echo "PulseAudio $(pulseaudio --version 2>/dev/null | sed 's/^pulseaudio //'), null sink:"
status=0
(unset PULSE_SERVER; measure_paths) || status=1
if command -v pipewire >/dev/null && command -v pipewire-pulse >/dev/null &&
    command -v wireplumber >/dev/null && command -v dbus-run-session >/dev/null; then
    version=$(pipewire --version | sed -n 's/.*libpipewire //p' | head -n 1)
    echo "PipeWire $version, pipewire-pulse, null sink:"
    # dbus-daemon's complaint about its file limit is noise; bench_sync's messages pass through.
    { dbus-run-session -- "$0" --pipewire-session "$build" "$runs" "$compat" "$SYNC_REPORTER" 2>&1 1>&3 |
        grep -v 'dbus-daemon' >&2; } 3>&1 || status=1
else
    echo "PipeWire: not installed (apt-get install pipewire pipewire-pulse wireplumber)"
fi
exit "$status"
