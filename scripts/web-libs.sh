#!/bin/sh
# Builds libopenmpt for the browser (WebAssembly, emscripten) from Debian's source package, with
# Debian's patches, and keeps it in a cache outside the clone keyed by the source version and
# emscripten's version, so that a second run builds nothing. A static library with only what the
# demo uses: no player, no examples, no external decoders.
# Usage: scripts/web-libs.sh   (prints the prefix that holds it, with lib/pkgconfig)
# Needs emscripten and a deb-src entry for apt (added when missing, as root).
set -eu
# emscripten's JavaScript optimizer finds Debian's acorn there; Node 20 must not shadow its fetch.
export NODE_PATH=/usr/share/nodejs NODE_OPTIONS=--no-experimental-fetch
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

# shellcheck source=scripts/deb_src.sh
. "$(dirname "$0")/deb_src.sh"

source_version() {
    apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -V | tail -n 1
}

logged() {
    log=$1
    shift
    if ! "$@" >"$log" 2>&1; then
        echo "$* failed; see $log" >&2
        exit 1
    fi
}

build_openmpt() {
    rm -rf "$work"
    mkdir -p "$work"
    (cd "$work" && apt-get source -qq libopenmpt >fetch.log 2>&1) || {
        echo "apt-get source libopenmpt failed; see $work/fetch.log" >&2
        exit 1
    }
    source_dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    cd "$source_dir"
    # No --host: the configure script's config.sub knows no wasm32-unknown-emscripten, and
    # emconfigure points it at emscripten's compilers anyway.
    logged configure.log emconfigure ./configure --prefix="$prefix" \
        CFLAGS="-O2" CXXFLAGS="-O2" \
        --disable-shared --enable-static --disable-openmpt123 --disable-examples \
        --disable-tests --disable-doxygen-doc --without-zlib --without-mpg123 --without-ogg \
        --without-vorbis --without-vorbisfile --without-pulseaudio --without-portaudio \
        --without-portaudiocpp --without-sndfile --without-flac
    logged make.log emmake make -j"$jobs"
    logged install.log emmake make install
    mkdir -p "$prefix/licences"
    for licence in LICENSE debian/copyright; do
        [ -f "$licence" ] || continue
        cp "$licence" "$prefix/licences/libopenmpt-$(basename "$licence").txt"
    done
}

command -v emcc >/dev/null 2>&1 || { echo "emscripten (emcc) is not installed" >&2; exit 1; }
ensure_deb_src libopenmpt
emscripten=$(dpkg-query -W -f='${Version}' emscripten 2>/dev/null || emcc -dumpversion)
key="wasm-openmpt$(source_version libopenmpt)-emscripten$emscripten"
cache=${XDG_CACHE_HOME:-$HOME/.cache}/slideshow-demo
prefix=$cache/$key
if [ ! -f "$prefix/.complete" ]; then
    # A half-built prefix from an interrupted run is thrown away.
    rm -rf "$prefix"
    mkdir -p "$prefix"
    work=$cache/$key.work
    build_openmpt >&2
    rm -rf "$work"
    touch "$prefix/.complete"
fi
echo "$prefix"
