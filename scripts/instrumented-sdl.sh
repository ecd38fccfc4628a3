#!/bin/sh
# Builds SDL 1.2 from Debian's source package (with Debian's patches) as a static library
# instrumented with AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer's coverage, so
# that the fuzzers see faults inside SDL's own BMP loader and blitters. Only the video core and
# the dummy video driver are built. Usage: scripts/instrumented-sdl.sh DIR
# The library and headers go to DIR/sdl/{lib,include}; a finished build is kept and reused.
set -eu
dir=$(realpath -m "${1:?usage: $0 DIR}")
prefix=$dir/sdl
[ -f "$prefix/lib/libSDL.a" ] && exit 0

# apt-get source needs a deb-src entry; add one for this machine's suite when there is none.
if ! apt-cache showsrc libsdl1.2 2>/dev/null | grep -q '^Package:'; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "No deb-src entry for apt. As root, add one or run this script." >&2
        exit 1
    fi
    # shellcheck disable=SC1091 # present on every Debian machine
    . /etc/os-release
    cat >/etc/apt/sources.list.d/debian-src.sources <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $VERSION_CODENAME $VERSION_CODENAME-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $VERSION_CODENAME-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    apt-get update -qq
fi

work=$dir/sdl-source
rm -rf "$work" "$prefix"
mkdir -p "$work"
(cd "$work" && apt-get source -qq libsdl1.2 >/dev/null 2>&1) || {
    echo "apt-get source libsdl1.2 failed" >&2
    exit 1
}
source_dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libsdl1.2-*' | head -n 1)
[ -n "$source_dir" ] || { echo "no SDL source in $work" >&2; exit 1; }

# The video core, the BMP loader and the blitters, with the dummy driver; no audio, no input
# devices and no window system. Assembly stays on, as in Debian's build, so that the blitters
# chosen are the ones the demo gets from Debian's library.
flags="-g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined,fuzzer-no-link"
flags="$flags -fno-sanitize-recover=all"
build=$dir/sdl-build
rm -rf "$build"
mkdir -p "$build"
cd "$build"
if ! CC=clang CFLAGS="$flags" LDFLAGS="-fsanitize=address,undefined" "$source_dir/configure" \
    --prefix="$prefix" --disable-shared --enable-static --disable-audio --disable-joystick \
    --disable-cdrom --disable-loadso --disable-nasm --disable-video-x11 --disable-dga \
    --disable-video-dga --disable-video-fbcon --disable-video-directfb --disable-video-ps2gs \
    --disable-video-ps3 --disable-video-svga --disable-video-vgl --disable-video-wscons \
    --disable-video-opengl --disable-input-events --disable-input-tslib --disable-pth \
    --enable-video-dummy >configure.log 2>&1; then
    echo "SDL's configure failed; see $build/configure.log" >&2
    exit 1
fi
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2
if ! make -j"$jobs" >make.log 2>&1 || ! make install >install.log 2>&1; then
    echo "building SDL failed; see $build/make.log and install.log" >&2
    rm -rf "$prefix"
    exit 1
fi
echo "Instrumented SDL in $prefix"
