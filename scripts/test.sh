#!/bin/sh
# Builds and runs every test, stage by stage, and ends with a table of the stages, their time and
# their result. Every stage runs even when an earlier one failed; the status is 0 only when none
# failed. What the stages need (packages, a deb-src entry, the sdl12-compat download) is checked
# before the first build, and everything missing is named at once. Without root, the debian13
# stage is skipped and says why; every other stage runs.
# Usage: scripts/test.sh [STAGE...]     (default: every stage, in this order)
#   lint      clang-format, clang-tidy and shellcheck on the files the project writes
#   release   release build on the system's SDL 1.2, every test (the sync test against a private
#             PulseAudio daemon included)
#   compat    the same on sdl12-compat, unpacked into build-compat/ (only where the system's SDL
#             1.2 is classic; where it is sdl12-compat, the release stage already ran on it)
#   asan      AddressSanitizer and UndefinedBehaviorSanitizer, every test but the sync test
#   tsan      ThreadSanitizer, the music library's tests and the threaded ones
#   fuzz      a bounded fuzzing run of the surface and music-loading fuzzers
#   pictures  the picture fuzzer against an SDL built with the sanitizers
#   windows   the Windows build (SDL 1.2 and libopenmpt cross-built from Debian's sources, kept
#             outside the clone) and its zip, tested under Wine
#   debian13  every target built on Debian 13 in a debootstrap root kept outside the clone, and
#             the tests that need no display or sound server there (skipped on Debian 13 itself)
# JOBS sets the parallel jobs (default: the number of cores); builds also hold back new jobs
# while the machine's load is above it. Compilations are cached by ccache, outside the clone.
# shellcheck disable=SC2317 # the stage functions are called by name
set -eu
cd "$(dirname "$0")/.."
all_stages="lint release compat asan tsan fuzz pictures windows debian13"
jobs=${JOBS:-$(nproc)}

usage() {
    echo "usage: $0 [STAGE...]   stages: $all_stages" >&2
    exit 2
}

stages=${*:-$all_stages}
for stage in $stages; do
    case " $all_stages " in
    *" $stage "*) ;;
    *) usage ;;
    esac
done
wants() {
    case " $stages " in
    *" $1 "*) return 0 ;;
    esac
    return 1
}

# --- What the stages need, checked before anything is built

is_root() { [ "$(id -u)" -eq 0 ]; }
system_sdl_is_compat() {
    version=$(pkg-config --modversion sdl 2>/dev/null || echo 0)
    [ "$(printf '%s\n1.2.50\n' "$version" | sort -V | head -n 1)" = 1.2.50 ]
}
# shellcheck disable=SC1091 # present on every Debian system
on_debian13() { [ "$(. /etc/os-release && echo "$VERSION_ID")" = 13 ]; }
missing=""
need() { missing="$missing
  - $1"; }

# As root, deps.sh installs what is missing; otherwise it says what to run. Debian 13 has no
# classic SDL 1.2 to build demo.exe with, so its windows stage is skipped: no Wine or mingw-w64.
deps_mode="test"
if ! wants windows || on_debian13; then
    deps_mode=native-test
fi
if ! scripts/deps.sh "$deps_mode" 2>build-deps.err; then
    need "$(cat build-deps.err)"
fi
rm -f build-deps.err
if { wants pictures || wants windows; } && ! is_root &&
    ! apt-cache showsrc libopenmpt 2>/dev/null | grep -q '^Package:'; then
    need "a deb-src entry for apt (the pictures and windows stages build SDL and libopenmpt from
    Debian's source packages): run this command as root once, and it adds one"
fi
if wants compat && ! system_sdl_is_compat &&
    ! scripts/sdl12-compat.sh build-compat/sdl12-compat >/dev/null 2>build-compat.err; then
    need "the download of Debian's sdl12-compat packages (compat stage): $(tail -n 1 build-compat.err)"
fi
rm -f build-compat.err
if [ -n "$missing" ]; then
    echo "The tests cannot run; missing:$missing" >&2
    exit 2
fi

# --- The stages

export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-dummy}"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
# Every CMake build the stages configure, fuzzers included, compiles through ccache.
export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache

# A skipping stage says why and ends with this status.
skipped_status=77
skip() {
    echo "$1" >"$reason_file"
    exit "$skipped_status"
}

# Configures DIR with every option the stage needs, whatever an earlier command left there, builds
# it and runs its tests with the ctest arguments given; a stage that finds no test fails.
build_and_test() {
    dir=$1 buildtype=$2 sanitize=$3
    shift 3
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$buildtype" -DDEMO_SANITIZE="$sanitize" \
        -DDEMO_BUILD_TESTS=ON -DDEMO_BUILD_CAPTURE=ON -DDEMO_FUZZ=OFF \
        -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
    cmake --build "$dir" --parallel "$jobs" -- -l "$jobs"
    (cd "$dir" && ctest --output-on-failure --no-tests=error --parallel "$jobs" "$@")
}

stage_lint() {
    sources=$(git ls-files '*.cpp' '*.h' '*.c')
    # shellcheck disable=SC2086 # the list is meant to split into words
    clang-format --dry-run --Werror $sources
    # shellcheck disable=SC2046 # one word per file
    shellcheck $(git ls-files '*.sh') .ci/run
    cmake -S . -B build-lint -DCMAKE_BUILD_TYPE=Release -DDEMO_BUILD_TESTS=ON \
        -DDEMO_BUILD_CAPTURE=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
    # A tree of sources that clang-tidy passed once passes again: the stamp saves a second run.
    stamps=${XDG_CACHE_HOME:-$HOME/.cache}/slideshow-demo/clang-tidy
    stamp=$stamps/$( (clang-tidy --version && git ls-files '*.cpp' '*.c' '*.h' .clang-tidy |
        git hash-object --stdin-paths) | sha256sum | cut -c 1-32)
    if [ -f "$stamp" ]; then
        echo "clang-tidy: these sources passed before"
        return 0
    fi
    # The project's own translation units that this build compiles; any warning fails the stage.
    units=$(git ls-files '*.cpp' '*.c' | sed "s|^|$PWD/|;s|\\.|\\\\.|g;s|$|\$|")
    # shellcheck disable=SC2086
    run-clang-tidy -quiet -j "$jobs" -p build-lint $units >build-lint/clang-tidy.log 2>&1 || true
    if grep -E ': (warning|error):' build-lint/clang-tidy.log >&2; then
        return 1
    fi
    mkdir -p "$stamps"
    touch "$stamp"
}

stage_release() { build_and_test build Release "" --timeout 300; }

stage_compat() {
    system_sdl_is_compat && skip "the system's SDL 1.2 is sdl12-compat: release ran on it"
    export PKG_CONFIG_PATH="$PWD/build-compat/sdl12-compat/pkgconfig"
    build_and_test build-compat Release "" --timeout 300
}

stage_asan() {
    # The in-process tests close SDL's audio as the demo does: the same suppressions hold.
    export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$PWD/tests/e2e/lsan.supp"
    build_and_test build-asan RelWithDebInfo address,undefined --timeout 600 -LE "no-asan|pulse"
}

stage_tsan() {
    build_and_test build-tsan RelWithDebInfo thread --timeout 600 -L "bassmod|threads"
}

stage_fuzz() { FUZZ_SECONDS="${FUZZ_SECONDS:-40}" scripts/fuzz.sh surfaces music_load; }

stage_pictures() { FUZZ_SECONDS="${PICTURE_FUZZ_SECONDS:-60}" scripts/fuzz.sh pictures; }

# The end-to-end programs that drive demo.exe come from the release build.
stage_windows() {
    # shellcheck source=scripts/deb_src.sh
    . scripts/deb_src.sh
    ensure_deb_src libopenmpt
    apt-cache showsrc libsdl1.2 2>/dev/null | grep -q '^Package:' ||
        skip "this release has no source of classic SDL 1.2, which demo.exe ships (Debian 12 has)"
    scripts/test-windows.sh build
}

stage_debian13() {
    on_debian13 && skip "this is Debian 13: the other stages ran on it"
    is_root || skip "root for the debian13 stage (debootstrap, chroot and mounts)"
    scripts/debian13.sh scripts/debian13-stage.sh
}

# --- Run them all, then the table

table=$(mktemp)
reason_file=$(mktemp)
trap 'rm -f "$table" "$reason_file"' EXIT
failed=0
for stage in $stages; do
    echo "=== $stage"
    : >"$reason_file"
    start=$(date +%s)
    set +e
    (
        set -e
        "stage_$stage"
    )
    status=$?
    set -e
    seconds=$(($(date +%s) - start))
    case $status in
    0) result=passed ;;
    "$skipped_status") result="skipped: $(cat "$reason_file")" ;;
    *)
        result="FAILED (status $status)"
        failed=1
        ;;
    esac
    printf '%-10s %3d:%02d  %s\n' "$stage" $((seconds / 60)) $((seconds % 60)) "$result" >>"$table"
done

echo
echo "stage       time   result"
cat "$table"
[ "$failed" -eq 0 ] && echo "All stages passed." || echo "Some stages failed." >&2
exit "$failed"
