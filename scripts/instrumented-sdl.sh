#!/bin/sh
# Builds the SDL that the system's SDL 1.2 draws with from Debian's source package (with Debian's
# patches), instrumented with AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer's
# coverage, so that the fuzzers see faults inside SDL's own BMP loader and blitters. Only the
# video core and the dummy video driver are built. Usage: scripts/instrumented-sdl.sh DIR
# - Classic SDL 1.2 (Debian 12): libsdl1.2, a static library in DIR/sdl/{lib,include}.
# - sdl12-compat (Debian 13): the SDL 1.2 interface there is a thin layer that hands loading and
#   blitting to SDL2, so SDL2 (libsdl2) is built, as DIR/sdl2/lib/libSDL2-2.0.so.0; the fuzzer
#   links the system's sdl12-compat, which loads this SDL2 when it is first on the library path.
# A finished build is kept and reused. The last line printed is the kind built: "classic" or
# "sdl2".
set -eu
dir=$(realpath -m "${1:?usage: $0 DIR}")
kind=$("$(dirname "$0")/sdl12-compat.sh" --system)
if [ "$kind" = sdl12-compat ]; then
    source_package=libsdl2 prefix=$dir/sdl2 built=$dir/sdl2/lib/libSDL2-2.0.so.0 kind=sdl2
else
    source_package=libsdl1.2 prefix=$dir/sdl built=$dir/sdl/lib/libSDL.a
fi
if [ -f "$built" ]; then
    echo "$kind"
    exit 0
fi

# apt-get source needs a deb-src entry.
# shellcheck source=scripts/deb_src.sh
. "$(dirname "$0")/deb_src.sh"
ensure_deb_src "$source_package"

work=$dir/sdl-source
rm -rf "$work" "$prefix"
mkdir -p "$work"
(cd "$work" && apt-get source -qq "$source_package" >/dev/null 2>&1) || {
    echo "apt-get source $source_package failed" >&2
    exit 1
}
source_dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "$source_package-*" | head -n 1)
[ -n "$source_dir" ] || { echo "no SDL source in $work" >&2; exit 1; }

flags="-g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined,fuzzer-no-link"
flags="$flags -fno-sanitize-recover=all"
build=$dir/sdl-build
rm -rf "$build"
mkdir -p "$build"
cd "$build"
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

if [ "$kind" = sdl2 ]; then
    # A shared library, as sdl12-compat loads it by name. Its sanitizer calls are resolved by the
    # fuzzer, which carries the runtimes, hence no --no-undefined. No audio, input devices or
    # window systems; the renderers and blitters stay as in Debian's build.
    if ! cmake -S "$source_dir" -B . -DCMAKE_BUILD_TYPE=None -DCMAKE_C_COMPILER=clang \
        -DCMAKE_C_FLAGS="$flags" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib \
        -DHAVE_NO_UNDEFINED=OFF -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF \
        -DSDL_AUDIO=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF -DSDL_HIDAPI=OFF \
        -DSDL_POWER=OFF -DSDL_X11=OFF -DSDL_WAYLAND=OFF -DSDL_KMSDRM=OFF -DSDL_OPENGL=OFF \
        -DSDL_OPENGLES=OFF -DSDL_VULKAN=OFF -DSDL_DBUS=OFF -DSDL_IBUS=OFF -DSDL_LIBUDEV=OFF \
        -DSDL_DUMMYVIDEO=ON >configure.log 2>&1; then
        echo "SDL2's configure failed; see $build/configure.log" >&2
        exit 1
    fi
    if ! cmake --build . --parallel "$jobs" >make.log 2>&1 ||
        ! cmake --install . >install.log 2>&1 || [ ! -f "$built" ]; then
        echo "building SDL2 failed; see $build/make.log and install.log" >&2
        rm -rf "$prefix"
        exit 1
    fi
    echo "$kind"
    exit 0
fi

# The video core, the BMP loader and the blitters, with the dummy driver; no audio, no input
# devices and no window system. Assembly stays on, as in Debian's build, so that the blitters
# chosen are the ones the demo gets from Debian's library.
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
if ! make -j"$jobs" >make.log 2>&1 || ! make install >install.log 2>&1; then
    echo "building SDL failed; see $build/make.log and install.log" >&2
    rm -rf "$prefix"
    exit 1
fi
echo "$kind"
