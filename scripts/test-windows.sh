#!/bin/sh
# The Windows stage of the tests: builds build-win/demo-win64.zip (scripts/build-windows.sh),
# unpacks it, and runs the demo.exe it holds under Wine, in a fresh Wine prefix in build-win/,
# through the end-to-end tests (each on its own Xvfb), and the music library's own suites
# cross-built for Windows, under Wine as well.
# Usage: scripts/test-windows.sh [NATIVE_TEST_BUILD]
#   NATIVE_TEST_BUILD: a configured native build with tests (e.g. build) whose end-to-end
#   programs drive the demo; by default build-win/native-tests, configured here.
# Needs the packages of scripts/deps.sh test; installs them when run as root.
# Exit status: 0 all passed, 1 a test failed, 2 set-up or a build failed.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
out=$root/build-win
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

fail() {
    echo "$*" >&2
    exit 2
}
# Prints how long the step since the last call took.
step_start=$(date +%s)
timed() {
    now=$(date +%s)
    echo "test-windows: $1 took $((now - step_start)) s"
    step_start=$now
}

scripts/deps.sh test
scripts/build-windows.sh || exit 2
timed "building the zip"
prefix=$(scripts/windows-libs.sh)

# The zip as a user gets it, unpacked afresh.
unpacked=$out/unpacked
rm -rf "$unpacked"
mkdir -p "$unpacked"
(cd "$unpacked" && unzip -q "$out/demo-win64.zip") || fail "unzipping the zip failed"
demo=$unpacked/demo-win64/demo.exe

# A fresh Wine prefix; no Mono or Gecko installers (nothing here uses .NET or HTML).
export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
wineboot --init >"$out/wineboot.log" 2>&1 || fail "wineboot failed; see $out/wineboot.log"
wineserver -w
timed "creating the Wine prefix"

# The end-to-end programs, native, driving `wine demo.exe`.
native=${1:-$out/native-tests}
case $native in /*) ;; *) native=$root/$native ;; esac
if [ ! -f "$native/CMakeCache.txt" ]; then
    cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release -DDEMO_BUILD_CAPTURE=OFF \
        >"$out/native-tests-configure.log" 2>&1 ||
        fail "configuring $native failed; see $out/native-tests-configure.log"
fi
cmake --build "$native" --parallel "$jobs" --target e2e_test e2e_bad_input_test e2e_windows_test ||
    fail "building the end-to-end tests failed"

# The music library's suites, cross-built; discovered and run under Wine, SDL.dll found by path.
cross=$out/cross-tests
cmake -S . -B "$cross" --toolchain "$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DDEMO_WINDOWS_PREFIX="$prefix" -DDEMO_BUILD_ASSETS=OFF \
    -DDEMO_BUILD_CAPTURE=OFF -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST \
    >"$out/cross-tests-configure.log" 2>&1 ||
    fail "configuring $cross failed; see $out/cross-tests-configure.log"
cmake --build "$cross" --parallel "$jobs" || fail "building the Windows tests failed"
timed "building the tests"

status=0
# The real-time playback tests poll positions that last 10 ms; under Wine on a busy machine a
# poll may miss one, so a failed test gets a second run.
ctest --test-dir "$cross" --output-on-failure -j1 --repeat until-pass:2 || status=1
timed "the music library's suites under Wine"

# Left out: the demo without an X server (Wine's desktop process, started on a display that does
# not exist, spoils the prefix for the tests after it; Windows always has a display) and the
# focus changes (with no window manager, Wine stops passing keys to a window that lost the
# focus to another client).
export DEMO_E2E_BINARY="$demo"
"$native/tests/e2e/e2e_test" \
    --gtest_filter=-NoDisplayTest.*:WindowTest.MouseAndFocusChangesDoNotEndTheDemo || status=1
# Of the bad inputs, the modules: the pictures' loading is SDL's own code, the same as on Linux.
"$native/tests/e2e/e2e_bad_input_test" --gtest_filter=Music/BadMusicTest.* || status=1
"$native/tests/e2e/e2e_windows_test" || status=1
timed "the end-to-end tests under Wine"
wineserver -k 2>/dev/null || true
exit "$status"
