#!/bin/sh
# Builds the demo for web browsers: build-web/demo-web/ (index.html, demo.js, demo.wasm and the
# ten default files) and build-web/demo-web.zip, that folder zipped for any static web server.
# As root it installs what it needs from Debian (emscripten, cmake, zip); otherwise it prints the
# one line that does. libopenmpt for the web comes from scripts/web-libs.sh (built once, cached).
# The default files come from the native make_assets, built in build-web/native.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
# shellcheck source=scripts/apt_command.sh
. scripts/apt_command.sh
# emscripten's JavaScript optimizer finds Debian's acorn there; Node 20 must not shadow its fetch.
export NODE_PATH=/usr/share/nodejs NODE_OPTIONS=--no-experimental-fetch
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

needed=""
command -v emcc >/dev/null 2>&1 || needed="emscripten"
command -v cmake >/dev/null 2>&1 || needed="$needed cmake"
command -v zip >/dev/null 2>&1 || needed="$needed zip"
if [ -n "$needed" ]; then
    if [ "$(id -u)" -ne 0 ]; then
        # shellcheck disable=SC2086 # one word per package
        echo "Missing: $needed. Install with: $(apt_install_command $needed)" >&2
        exit 1
    fi
    apt-get -o DPkg::Lock::Timeout=900 update -qq
    # shellcheck disable=SC2086 # one word per package
    apt-get -o DPkg::Lock::Timeout=900 install -y --no-install-recommends $needed
fi

openmpt=$(scripts/web-libs.sh)
out=$root/build-web

# The ten default files, from the native asset tool.
native=$out/native
mkdir -p "$native"
if ! cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release -DDEMO_BUILD_TESTS=OFF \
    -DDEMO_BUILD_CAPTURE=OFF -DDEMO_FUZZ=OFF -DDEMO_SANITIZE= >"$native/configure.log" 2>&1; then
    cat "$native/configure.log" >&2
    echo "Configuring the native asset build failed (see above; scripts/deps.sh run installs" \
        "what it needs)." >&2
    exit 1
fi
cmake --build "$native" --parallel "$jobs" --target assets

wasm=$out/wasm
emcmake cmake -S . -B "$wasm" -DCMAKE_BUILD_TYPE=Release -DDEMO_WEB_OPENMPT="$openmpt" \
    >"$out/wasm-configure.log" 2>&1 || {
    cat "$out/wasm-configure.log" >&2
    echo "Configuring the web build failed (see above)." >&2
    exit 1
}
cmake --build "$wasm" --parallel "$jobs"

site=$out/demo-web
rm -rf "$site" "$out/demo-web.zip"
mkdir -p "$site"
cp "$wasm/demo-web/index.html" "$wasm/demo-web/demo.js" "$wasm/demo-web/demo.wasm" "$site/"
for name in music.xm isologo.bmp pilvet.bmp porkkana.bmp tehdas.bmp quelpmad.bmp blimt.bmp \
    plimsa.bmp quelpsaksa.bmp loppu.bmp; do
    cp "$native/assets/$name" "$site/"
done
(cd "$out" && zip -qr demo-web.zip demo-web)
echo "Wrote $site and $out/demo-web.zip"
