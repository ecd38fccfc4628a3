#!/bin/sh
# Builds and runs every test: a release build on the system's SDL 1.2 (with the sync test
# against a private PulseAudio daemon, label pulse) and another on sdl12-compat (unpacked into
# build-compat/, the system's SDL untouched), the whole suite but the sync test under
# AddressSanitizer and UndefinedBehaviorSanitizer, the music library's tests and the threaded ones
# under ThreadSanitizer, a bounded fuzzing run, and the picture files fuzzed against an SDL built
# with the sanitizers.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/deps.sh test
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-dummy}"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

stage() {
    name=$1 dir=$2 buildtype=$3 sanitize=$4
    shift 4
    echo "=== $name"
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$buildtype" -DDEMO_SANITIZE="$sanitize" >/dev/null
    cmake --build "$dir" --parallel "$jobs"
    (cd "$dir" && ctest --output-on-failure --parallel "$jobs" "$@")
}

stage "release" build Release "" --timeout 300
scripts/sdl12-compat.sh build-compat/sdl12-compat
(
    export PKG_CONFIG_PATH="$PWD/build-compat/sdl12-compat/pkgconfig"
    stage "release on sdl12-compat" build-compat Release "" --timeout 300
)
stage "address + undefined sanitizers" build-asan RelWithDebInfo address,undefined --timeout 600 -LE "no-asan|pulse"
stage "thread sanitizer" build-tsan RelWithDebInfo thread --timeout 600 -L "bassmod|threads"
echo "=== fuzzing"
FUZZ_SECONDS="${FUZZ_SECONDS:-40}" scripts/fuzz.sh surfaces music_load

echo "=== picture fuzzing against an instrumented SDL"
FUZZ_SECONDS="${PICTURE_FUZZ_SECONDS:-60}" scripts/fuzz.sh pictures
echo "All tests passed."
