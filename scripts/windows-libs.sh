#!/bin/sh
# Cross-builds SDL 1.2 and libopenmpt for 64-bit Windows (x86_64-w64-mingw32) from Debian's
# source packages, with Debian's patches, and keeps them in a cache outside the clone, keyed by
# the source versions and the compiler's version, so that a second run builds nothing.
# SDL is a DLL (its LGPL asks that users can replace it); libopenmpt is a static library with only
# what the demo uses: no player, no examples, no external decoders, no debug information.
# Usage: scripts/windows-libs.sh   (prints the prefix that holds both, with lib/pkgconfig)
# Needs the mingw-w64 compilers and a deb-src entry for apt (added when missing, as root).
set -eu
host=x86_64-w64-mingw32
cc=$host-gcc-posix
cxx=$host-g++-posix
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

# shellcheck source=scripts/deb_src.sh
. "$(dirname "$0")/deb_src.sh"

# The newest source version apt offers for PACKAGE.
source_version() {
    apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -V | tail -n 1
}

# Unpacks PACKAGE's Debian source (patches applied) into DIR and prints the source folder.
fetch_source() {
    rm -rf "$2"
    mkdir -p "$2"
    (cd "$2" && apt-get source -qq "$1" >fetch.log 2>&1) || {
        echo "apt-get source $1 failed; see $2/fetch.log" >&2
        exit 1
    }
    find "$2" -mindepth 1 -maxdepth 1 -type d | head -n 1
}

# Runs a build step with its output in LOG; on failure names the log and stops.
logged() {
    log=$1
    shift
    if ! "$@" >"$log" 2>&1; then
        echo "$* failed; see $log" >&2
        exit 1
    fi
}

build_sdl() {
    source_dir=$(fetch_source libsdl1.2 "$work/sdl-source")
    build=$work/sdl-build
    rm -rf "$build"
    mkdir -p "$build"
    cd "$build"
    # Windows' own drivers only: windib and directx video, dsound and waveout audio.
    logged configure.log "$source_dir/configure" --host=$host --prefix="$prefix" \
        CC="$cc" CFLAGS="-O2" --enable-shared --disable-static --disable-nasm \
        --disable-video-opengl
    logged make.log make -j"$jobs"
    logged install.log make install
    for licence in COPYING debian/copyright; do
        [ -f "$source_dir/$licence" ] || continue
        cp "$source_dir/$licence" "$prefix/licences/SDL-$(basename "$licence").txt"
    done
}

build_openmpt() {
    source_dir=$(fetch_source libopenmpt "$work/openmpt-source")
    build=$work/openmpt-build
    rm -rf "$build"
    mkdir -p "$build"
    cd "$build"
    # The demo plays XM modules only: no compressed samples, no external decoders.
    logged configure.log "$source_dir/configure" --host=$host --prefix="$prefix" \
        CC="$cc" CXX="$cxx" CFLAGS="-O2" CXXFLAGS="-O2" \
        --disable-shared --enable-static --disable-openmpt123 --disable-examples \
        --disable-tests --disable-doxygen-doc --without-zlib --without-mpg123 --without-ogg \
        --without-vorbis --without-vorbisfile --without-pulseaudio --without-portaudio \
        --without-portaudiocpp --without-sndfile --without-flac
    logged make.log make -j"$jobs"
    logged install.log make install
    for licence in LICENSE debian/copyright; do
        [ -f "$source_dir/$licence" ] || continue
        cp "$source_dir/$licence" "$prefix/licences/libopenmpt-$(basename "$licence").txt"
    done
}

for tool in "$cc" "$cxx"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed" >&2; exit 1; }
done
# apt-get source needs a deb-src entry.
ensure_deb_src libopenmpt
if ! apt-cache showsrc libsdl1.2 2>/dev/null | grep -q '^Package:'; then
    echo "This release has no source package of classic SDL 1.2 (libsdl1.2), which the Windows" \
        "build ships; build it on Debian 12." >&2
    exit 1
fi
# The compiler's own version string says only "12-posix"; its package's version is exact.
compiler=$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix 2>/dev/null ||
    "$cxx" -dumpfullversion)
key="win64-sdl$(source_version libsdl1.2)-openmpt$(source_version libopenmpt)-gcc$compiler"
cache=${XDG_CACHE_HOME:-$HOME/.cache}/slideshow-demo
prefix=$cache/$key
if [ ! -f "$prefix/.complete" ]; then
    # A half-built prefix from an interrupted run is thrown away.
    rm -rf "$prefix"
    mkdir -p "$prefix/licences"
    work=$cache/$key.work
    build_sdl >&2
    build_openmpt >&2
    rm -rf "$work"
    touch "$prefix/.complete"
fi
echo "$prefix"
