#!/bin/sh
# The test command's Debian 13 stage: in a Debian 13 root, installs the test packages, builds
# every target with GCC (warnings are errors) and the fuzz targets with clang, and runs the tests
# that need no display server or sound server of the host: all but the e2e, pulse and scripts
# labels, which the host's stages run. Run from the host as
#   scripts/debian13.sh scripts/debian13-stage.sh
# Inside any Debian machine it runs as it is (as root, or with the packages installed).
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

scripts/deps.sh native-test
export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

# shellcheck disable=SC1091 # present on every Debian system
echo "=== $(. /etc/os-release && echo "$PRETTY_NAME"): every target, warnings as errors"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DDEMO_BUILD_TESTS=ON -DDEMO_BUILD_CAPTURE=ON \
    -DDEMO_FUZZ=OFF -DDEMO_SANITIZE= -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build build --parallel "$jobs"

echo "=== the fuzz targets with clang"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDEMO_BUILD_TESTS=OFF -DDEMO_FUZZ=ON -DDEMO_SANITIZE=address,undefined,fuzzer-no-link \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build build-fuzz --parallel "$jobs"

echo "=== the tests but e2e, pulse and scripts"
(cd build && ctest --output-on-failure --parallel "$jobs" --no-tests=error --timeout 300 \
    -LE "e2e|pulse|scripts")
