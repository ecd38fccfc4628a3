#!/bin/sh
# capture_demo_test.sh: scripts/capture-demo.sh, as the run command's no-display message names
# it, records the whole default demo with this build's capture tool (DEMO_PREBUILT): a video file
# and one summary line, nothing on standard output.
# shellcheck source=tests/scripts/helpers.sh
. "$(dirname "$0")/helpers.sh"
cd "$REPO_ROOT"
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER SDL_AUDIODRIVER

status=0
DEMO_PREBUILT="$PREBUILT_DIR" scripts/capture-demo.sh "$work/demo.mp4" >"$work/capture.out" \
    2>"$work/capture.err" </dev/null || status=$?
expect_status 0 "$status" "scripts/capture-demo.sh"
[ -s "$work/demo.mp4" ] || fail "no video written"
[ ! -s "$work/capture.out" ] || fail "standard output is not empty"
expect_in "$work/capture.err" "demo.mp4: [0-9]* frames"
[ -z "$(find "$work" -mindepth 1 -maxdepth 1 -name '.*')" ] || fail "a temporary file was left behind"
echo "capture command: $(cat "$work/capture.err")"
