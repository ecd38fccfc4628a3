#!/bin/sh
# Builds the demo and the default asset set in build-run/ and plays the demo in the asset folder.
# Exit status: the demo's own (0 normal end, 255 the music could not start, 1 no window could be
# opened), or 2 when the demo was not started: packages missing, the build failed, or there is
# no display.
# DEMO_PREBUILT=DIR plays DIR/demo in DIR/assets as they are, with no installation and no build.
set -eu
prebuilt=""
if [ -n "${DEMO_PREBUILT:-}" ]; then
    prebuilt=$(cd "$DEMO_PREBUILT" 2>/dev/null && pwd) ||
        { echo "DEMO_PREBUILT names no folder: $DEMO_PREBUILT" >&2; exit 2; }
fi
cd "$(dirname "$0")/.."
root=$(pwd)
# shellcheck source=scripts/apt_command.sh
. scripts/apt_command.sh

# True when some sound output looks reachable: a driver asked for, a PulseAudio (or PipeWire)
# server, or an ALSA playback device.
sound_output_found() {
    [ -n "${SDL_AUDIODRIVER:-}" ] && return 0
    [ -n "${PULSE_SERVER:-}" ] && return 0
    for socket in "${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/pulse/native" /run/pulse/native; do
        [ -S "$socket" ] && return 0
    done
    for device in /dev/snd/pcmC*p; do
        [ -e "$device" ] && return 0
    done
    return 1
}

# Plays a command on an Xvfb that xvfb-run starts and stops again. -noreset: SDL connects twice,
# and a server resetting after the first connection may refuse the second.
virtual_display="xvfb-run -a -s -noreset"

# The command that plays the demo without a display, without sound where there is no sound
# output. Installs what it needs first.
virtual_display_command() {
    play="$virtual_display scripts/run-demo.sh"
    sound_output_found || play="SDL_AUDIODRIVER=dummy $play"
    needed=""
    command -v xvfb-run >/dev/null 2>&1 || needed="xvfb"
    command -v xauth >/dev/null 2>&1 || needed="$needed xauth"
    if [ -n "$needed" ]; then
        # Everything the run command itself would ask for, in the same line.
        needed="$needed $(scripts/deps.sh --missing run)"
        # shellcheck disable=SC2086 # one word per package
        echo "$(apt_install_command $needed) && $play"
    else
        echo "$play"
    fi
}

no_display() {
    echo "There is no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the demo's" \
        "window cannot open. What works on this machine:" >&2
    if [ -x scripts/capture-demo.sh ]; then
        echo "  Make a video of the demo, written to build/demo.mp4:" >&2
        echo "    scripts/capture-demo.sh" >&2
    fi
    echo "  Play it on a virtual display (package xvfb; the display is not shown anywhere):" >&2
    echo "    $(virtual_display_command)" >&2
    sound_output_found || echo "  No sound output was found, so it plays without sound." >&2
}

# The command that plays the demo without sound, the same way it was started.
silent_command() {
    case ${XAUTHORITY:-} in
    */xvfb-run.*/*) echo "SDL_AUDIODRIVER=dummy $virtual_display scripts/run-demo.sh" ;;
    *) echo "SDL_AUDIODRIVER=dummy scripts/run-demo.sh" ;;
    esac
}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
    no_display
    exit 2
fi

if [ -n "$prebuilt" ]; then
    build=$prebuilt
else
    build=$root/build-run
    scripts/deps.sh run
    mkdir -p "$build"
    # The test command's build/ holds another configuration; this folder holds only the demo.
    if ! cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DDEMO_BUILD_TESTS=OFF \
        -DDEMO_BUILD_CAPTURE=OFF -DDEMO_FUZZ=OFF -DDEMO_SANITIZE= >"$build/configure.log" 2>&1; then
        cat "$build/configure.log" >&2
        echo "Configuring the build failed (see above)." >&2
        exit 2
    fi
    if ! cmake --build "$build" --parallel "$(nproc)" --target demo assets; then
        echo "The build failed (see above)." >&2
        exit 2
    fi
fi

# A window, never SDL's text-mode fallback, unless a video driver was asked for.
if [ -z "${SDL_VIDEODRIVER:-}" ]; then
    if [ -n "${DISPLAY:-}" ]; then
        export SDL_VIDEODRIVER=x11
    else
        export SDL_VIDEODRIVER=wayland
    fi
fi

cd "$build/assets"
# The demo's standard error is kept and shown unless this script explains the outcome itself:
# ALSA's card probes say nothing a user can act on.
errors=$build/demo-stderr.log
status=0
# Interrupted, the demo ends by itself (SDL turns the signal into a quit event); wait for it.
trap : INT TERM
"$build/demo" 2>"$errors" || status=$?
trap - INT TERM
case $status in
0) cat "$errors" >&2 ;;
255)
    if [ -r music.xm ]; then
        echo "The music could not start: no sound output could be opened." \
            "To play without sound:" >&2
        echo "    $(silent_command)" >&2
    else
        cat "$errors" >&2
        echo "The music could not start: there is no readable music.xm in $(pwd)." >&2
    fi
    ;;
1)
    cat "$errors" >&2
    # Xlib ends a program whose display goes away with status 1 and says so.
    if grep -q -e 'X connection to .* broken' -e 'XIO: *fatal IO error' "$errors"; then
        echo "The display went away while the demo was playing (its window had been open)." >&2
    else
        echo "No window could be opened on the display (SDL video driver $SDL_VIDEODRIVER)." >&2
        echo "To play on a virtual display instead:" >&2
        echo "    $(virtual_display_command)" >&2
    fi
    ;;
*)
    cat "$errors" >&2
    if [ "$status" -gt 128 ]; then
        echo "The demo was stopped by signal $((status - 128))." >&2
    else
        echo "The demo ended with status $status." >&2
    fi
    ;;
esac
exit "$status"
