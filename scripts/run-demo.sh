#!/bin/sh
# Builds the demo and the default asset set, then plays the demo in the asset folder.
set -eu
cd "$(dirname "$0")/.."

scripts/deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build --parallel "$(nproc)"

cd build/assets
status=0
../demo || status=$?
case $status in
0) ;;
255)
    echo "The music could not start: no sound device, or no readable music.xm in $(pwd)." >&2
    echo "To run without sound: SDL_AUDIODRIVER=dummy scripts/run-demo.sh" >&2
    ;;
1)
    echo "No window could be opened (no display?)." >&2
    echo "To run on a virtual display: Xvfb :99 -noreset & DISPLAY=:99 scripts/run-demo.sh" >&2
    ;;
*) echo "The demo ended with status $status." >&2 ;;
esac
exit "$status"
