#!/bin/sh
# Builds demo_capture and the default asset set, then records the demo into build/demo.mp4 (or
# OUTPUT: .mp4 or .mkv). Needs no display and no sound card.
# Usage: scripts/capture-demo.sh [OUTPUT]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
output=${1:-$root/build/demo.mp4}
case $output in
/*) ;;
*) output=$(pwd)/$output ;;
esac

# DEMO_PREBUILT=DIR records with DIR/demo_capture in DIR/assets as they are, with no installation
# and no build.
if [ -n "${DEMO_PREBUILT:-}" ]; then
    prebuilt=$(cd "$DEMO_PREBUILT" 2>/dev/null && pwd) ||
        { echo "DEMO_PREBUILT names no folder: $DEMO_PREBUILT" >&2; exit 2; }
    cd "$prebuilt/assets"
    exec ../demo_capture "$output"
fi

cd "$root"
scripts/deps.sh capture
# A fresh build folder leaves the tests out (their packages are not needed here); an existing
# one keeps its settings, with the capture tool switched on.
if [ -f build/CMakeCache.txt ]; then
    cmake -S . -B build -DDEMO_BUILD_CAPTURE=ON >/dev/null
else
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DDEMO_BUILD_TESTS=OFF -DDEMO_BUILD_CAPTURE=ON >/dev/null
fi
cmake --build build --parallel "$(nproc)" --target demo_capture assets

cd build/assets
exec ../demo_capture "$output"
