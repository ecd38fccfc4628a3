#!/bin/sh
# Builds demo_capture and the default asset set in build-capture/, then records the demo into
# build/demo.mp4 (or OUTPUT: .mp4 or .mkv). Needs no display and no sound card.
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
# A build folder of its own, always configured with the options it needs, so that neither the
# test command's build/ nor this one inherits the other's settings.
build="build-capture"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DDEMO_BUILD_TESTS=OFF -DDEMO_BUILD_CAPTURE=ON \
    -DDEMO_FUZZ=OFF -DDEMO_SANITIZE= >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target demo_capture assets

mkdir -p "$(dirname "$output")"
cd "$build/assets"
exec ../demo_capture "$output"
