#!/bin/sh
# run_demo_test.sh CASE: scripts/run-demo.sh in one situation (no_display, no_sound, no_window),
# first with a stand-in demo that records how it was started, then running every command its
# message names with this build's demo (DEMO_BINARY, DEMO_ASSETS), which DEMO_PROBE ends cleanly
# right after its first frames.
# shellcheck source=tests/scripts/helpers.sh
. "$(dirname "$0")/helpers.sh"
cd "$REPO_ROOT"

# The situation each case starts from: no display, no sound output, nothing asked of SDL.
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER SDL_AUDIODRIVER PULSE_SERVER XAUTHORITY
mkdir "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

# A prebuilt folder whose demo exits with STATUS after writing STDERR_TEXT; it notes its video
# driver in $work/started.
stand_in() {
    mkdir -p "$work/stand_in"
    ln -sfn "$DEMO_ASSETS" "$work/stand_in/assets"
    printf '%b' "$2" >"$work/stand_in_stderr"
    cat >"$work/stand_in/demo" <<SCRIPT
#!/bin/sh
echo "driver=\${SDL_VIDEODRIVER:-}" >"$work/started"
cat "$work/stand_in_stderr" >&2
exit $1
SCRIPT
    chmod +x "$work/stand_in/demo"
    rm -f "$work/started"
}

# A prebuilt folder with the real demo, ended by the probe right after its first frame.
real_demo() {
    mkdir -p "$work/real"
    ln -sfn "$DEMO_ASSETS" "$work/real/assets"
    cat >"$work/real/demo" <<SCRIPT
#!/bin/sh
DEMO_PROBE_OUT="$work/probe" DEMO_PROBE_SECONDS=0 LD_PRELOAD="$DEMO_PROBE" exec "$DEMO_BINARY"
SCRIPT
    chmod +x "$work/real/demo"
}

# Runs the run command with the prebuilt folder DIR and its further arguments as environment.
run_demo() {
    dir=$1 name=$2
    shift 2
    status=0
    env DEMO_PREBUILT="$dir" "$@" scripts/run-demo.sh >"$work/$name.out" 2>"$work/$name.err" ||
        status=$?
}

# Runs one command named by a message, as given, with the real demo; it must reach a frame and
# end normally. OUTER is empty or a command giving it a display, as the user would have one.
run_named() {
    line=$1 outer=$2
    real_demo
    rm -f "$work/probe"
    status=0
    # shellcheck disable=SC2086 # $outer is a command and its arguments
    DEMO_PREBUILT="$work/real" $outer sh -c "$line" </dev/null >"$work/named.out" \
        2>"$work/named.err" || status=$?
    expect_status 0 "$status" "$line"
    expect_in "$work/probe" "^first_frame_ns "
}

case $1 in
no_display)
    stand_in 0 ""
    run_demo "$work/stand_in" no_display
    expect_status 2 "$status" "no display"
    [ ! -e "$work/started" ] || fail "the demo was started without a display"
    expect_in "$work/no_display.err" "There is no display"
    commands_in "$work/no_display.err" >"$work/commands"
    expect_in "$work/commands" "xvfb-run -a -s -noreset scripts/run-demo.sh$"
    if [ -x scripts/capture-demo.sh ]; then
        expect_in "$work/commands" "^scripts/capture-demo.sh$"
    fi
    # The capture command is tested with the capture tool; the others run here.
    grep -v "^scripts/capture-demo.sh$" "$work/commands" >"$work/to_run" || true
    while read -r line; do run_named "$line" ""; done <"$work/to_run"

    # A video driver asked for is used as given, display or not.
    run_demo "$work/stand_in" asked SDL_VIDEODRIVER=caca
    expect_status 0 "$status" "video driver asked for"
    expect_in "$work/started" "^driver=caca$"
    ;;
no_sound)
    alsa="ALSA lib confmisc.c:855:(parse_card) cannot find card '0'\n"
    stand_in 255 "$alsa$alsa"
    run_demo "$work/stand_in" no_sound DISPLAY=:0
    expect_status 255 "$status" "no sound"
    expect_not_in "$work/no_sound.err" "cannot find card"
    commands_in "$work/no_sound.err" >"$work/commands"
    [ "$(cat "$work/commands")" = "SDL_AUDIODRIVER=dummy scripts/run-demo.sh" ] ||
        fail "no sound, with a display: $(cat "$work/commands")"
    run_named "$(cat "$work/commands")" "xvfb-run -a -s -noreset"

    # Started through xvfb-run, the hint keeps the virtual display.
    run_demo "$work/stand_in" no_sound_xvfb DISPLAY=:99 XAUTHORITY=/tmp/xvfb-run.Ab12/Xauthority
    commands_in "$work/no_sound_xvfb.err" >"$work/commands"
    on_xvfb="SDL_AUDIODRIVER=dummy xvfb-run -a -s -noreset scripts/run-demo.sh"
    [ "$(cat "$work/commands")" = "$on_xvfb" ] ||
        fail "no sound, on xvfb-run: $(cat "$work/commands")"
    run_named "$(cat "$work/commands")" ""

    # Without music.xm the demo's own error output is kept.
    mkdir "$work/no_music"
    cp "$work/stand_in/demo" "$work/no_music/demo"
    mkdir "$work/no_music/assets"
    run_demo "$work/no_music" no_music DISPLAY=:0
    expect_status 255 "$status" "no music.xm"
    expect_in "$work/no_music.err" "cannot find card"
    expect_in "$work/no_music.err" "no readable music.xm"
    ;;
no_window)
    stand_in 1 "Xlib: connection to \":65000.0\" refused by server\n"
    run_demo "$work/stand_in" no_window DISPLAY=:65000
    expect_status 1 "$status" "no window"
    expect_in "$work/started" "^driver=x11$"
    expect_in "$work/no_window.err" "refused by server"
    expect_in "$work/no_window.err" "No window could be opened"
    # A display lost after the window opened is told apart.
    stand_in 1 "X connection to :65000 broken (explicit kill or server shutdown).\\r\\n"
    run_demo "$work/stand_in" lost_window DISPLAY=:65000
    expect_status 1 "$status" "lost display"
    expect_in "$work/lost_window.err" "The display went away while the demo was playing"
    expect_not_in "$work/lost_window.err" "No window could be opened"
    commands_in "$work/no_window.err" >"$work/commands"
    expect_in "$work/commands" "xvfb-run -a -s -noreset scripts/run-demo.sh$"
    while read -r line; do run_named "$line" ""; done <"$work/commands"

    # The real demo on a display that does not exist ends with status 1 instead of falling
    # back to drawing in the terminal.
    real_demo
    run_demo "$work/real" real_no_window DISPLAY=:65000 XAUTHORITY=/nonexistent \
        SDL_AUDIODRIVER=dummy
    expect_status 1 "$status" "real demo, display refusing"
    ;;
*) fail "unknown case $1" ;;
esac
echo "PASS: $1"
