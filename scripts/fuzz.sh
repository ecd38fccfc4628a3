#!/bin/sh
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs each for a bounded time, FUZZ_SECONDS (default 50), from the seed corpus
# in fuzz/corpus/. A crash leaves its input in build-fuzz/findings/<target>/ and fails the run.
# Usage: scripts/fuzz.sh [TARGET...]   (surfaces, music_load, pictures; default all three)
# pictures runs on an SDL built with the sanitizers (scripts/instrumented-sdl.sh), made once and
# kept in build-fuzz/instrumented/: classic SDL 1.2 linked in, or, where the system's SDL 1.2 is
# sdl12-compat, the system's sdl12-compat over an instrumented SDL2 put first on the library path.
set -eu
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-50}"
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2
targets="${*:-surfaces music_load pictures}"

sdl_option=""
sdl2_path=""
case " $targets " in
*" pictures "*)
    kind=$(scripts/instrumented-sdl.sh build-fuzz/instrumented) || exit 1
    if [ "$(echo "$kind" | tail -n 1)" = sdl2 ]; then
        sdl_option="-DDEMO_INSTRUMENTED_SDL="
        sdl2_path=$(pwd)/build-fuzz/instrumented/sdl2/lib
    else
        sdl_option="-DDEMO_INSTRUMENTED_SDL=$(pwd)/build-fuzz/instrumented/sdl"
    fi
    ;;
esac
# shellcheck disable=SC2086 # $sdl_option is one optional word
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDEMO_BUILD_TESTS=OFF -DDEMO_FUZZ=ON -DDEMO_SANITIZE=address,undefined,fuzzer-no-link \
    $sdl_option >/dev/null
for target in $targets; do
    cmake --build build-fuzz --parallel "$jobs" --target "fuzz_$target"
done

export ASAN_OPTIONS=abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

if [ -n "$sdl2_path" ]; then
    # SDL2's loader asks malloc for what a crafted header declares, up to petabytes, and
    # refuses the picture when it gets nothing; that null is what the fuzzer must let it see.
    export ASAN_OPTIONS="$ASAN_OPTIONS:allocator_may_return_null=1"
    export LD_LIBRARY_PATH="$sdl2_path${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
    # sdl12-compat looks SDL2 up by name; fuzzing the system's uninstrumented SDL2 instead
    # would pass without having looked at SDL's code.
    if ! LD_DEBUG=libs build-fuzz/fuzz/fuzz_pictures -runs=0 2>&1 |
        grep -q "calling init: $sdl2_path/libSDL2-2.0.so.0"; then
        echo "fuzz_pictures does not load the instrumented SDL2 in $sdl2_path" >&2
        exit 1
    fi
fi

status=0
for target in $targets; do
    work=build-fuzz/corpus/$target
    findings=build-fuzz/findings/$target
    log=build-fuzz/fuzz_$target.log
    mkdir -p "$work" "$findings"
    dict=""
    [ -f "fuzz/$target.dict" ] && dict="-dict=fuzz/$target.dict"
    echo "=== fuzz_$target for ${seconds}s"
    # New inputs go to the working corpus; the seeds in the repository are only read.
    # -close_fd_mask=1: the frame routine prints scene 5's rows on standard output.
    # shellcheck disable=SC2086 # $dict is one optional word
    if build-fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -close_fd_mask=1 -artifact_prefix="$findings/" $dict "$work" "fuzz/corpus/$target" \
        >"$log" 2>&1; then
        grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$log" || true
    else
        echo "fuzz_$target found a fault; input in $findings/, log $log:" >&2
        tail -n 60 "$log" >&2
        status=1
    fi
done
exit $status
