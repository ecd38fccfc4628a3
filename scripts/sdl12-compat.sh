#!/bin/sh
# Unpacks Debian's sdl12-compat (the SDL 1.2 interface over SDL2) into a folder, without
# installing it, for a build against it beside the system's SDL 1.2:
#   scripts/sdl12-compat.sh FOLDER
#   PKG_CONFIG_PATH=FOLDER/pkgconfig cmake -S . -B build-compat
# The folder's pkgconfig/sdl.pc points at its own headers and library and sets the run-time
# path, so the binaries load this library and never the system's. Does nothing when the folder
# already holds the unpacked packages. Needs SDL2 itself installed (libsdl2-2.0-0).
#   scripts/sdl12-compat.sh --system
# prints which SDL 1.2 the system's development package is, "classic" or "sdl12-compat", and
# exits 0 (1 when there is none). Debian 13 and later have only sdl12-compat, whose
# libsdl1.2-compat packages are then empty; given a FOLDER on such a system, the script unpacks
# nothing, says so and exits 3: the system's own build already is the sdl12-compat one.
set -eu

# The SDL 1.2 that pkg-config finds: classic SDL's releases end at 1.2.15, sdl12-compat's
# start at 1.2.50.
system_sdl() {
    version=$(pkg-config --modversion sdl 2>/dev/null) || return 1
    patch=${version##*.}
    case $patch in
    '' | *[!0-9]*) echo classic ;;
    *) if [ "$patch" -ge 50 ]; then echo sdl12-compat; else echo classic; fi ;;
    esac
}

if [ "${1:-}" = --system ]; then
    system_sdl || { echo "no SDL 1.2 development package" >&2; exit 1; }
    exit 0
fi
[ $# -eq 1 ] || { echo "usage: $0 FOLDER | --system" >&2; exit 2; }
if [ "$(system_sdl || true)" = sdl12-compat ]; then
    echo "The system's SDL 1.2 already is sdl12-compat ($(pkg-config --modversion sdl)): nothing to unpack."
    exit 3
fi
mkdir -p "$1"
folder=$(cd "$1" && pwd)
packages="libsdl1.2-compat-dev libsdl1.2-compat"

[ -f "$folder/pkgconfig/sdl.pc" ] && exit 0

download=$folder/download
rm -rf "$download" "$folder/root"
mkdir -p "$download"
# Run as root, apt hands downloads to its own user, which may not write here; this user keeps them.
fetch="apt-get download -q -o APT::Sandbox::User=$(id -un)"
# shellcheck disable=SC2086 # the lists are meant to split into words
if ! (cd "$download" && $fetch $packages); then
    # A machine whose package lists were never fetched knows no packages yet.
    echo "Refreshing the package lists and trying again"
    apt-get update -qq
    # shellcheck disable=SC2086
    (cd "$download" && $fetch $packages)
fi
for deb in "$download"/*.deb; do
    dpkg -x "$deb" "$folder/root"
done

library=$(find "$folder/root" -path '*/sdl12-compat/libSDL-1.2.so.0')
if [ -z "$library" ] || [ ! -f "$folder/root/usr/include/SDL/SDL.h" ]; then
    echo "$0: the packages hold no sdl12-compat library or headers" >&2
    exit 1
fi
libdir=$(dirname "$library")
# The development package's libSDL.so points at a name that only an installed package provides.
ln -sf libSDL-1.2.so.0 "$libdir/libSDL.so"
version=$(sed -n 's/^Version: *//p' "$folder"/root/usr/lib/*/pkgconfig/sdl12_compat.pc)

mkdir -p "$folder/pkgconfig"
cat >"$folder/pkgconfig/sdl.pc.new" <<EOF
# sdl12-compat unpacked by scripts/sdl12-compat.sh
prefix=$folder/root/usr
libdir=$libdir
includedir=\${prefix}/include

Name: sdl12_compat
Description: The SDL 1.2 interface over SDL2, unpacked here
Version: $version
Libs: -L\${libdir} -Wl,-rpath,\${libdir} -lSDL
Cflags: -I\${includedir}/SDL -D_GNU_SOURCE=1 -D_REENTRANT
EOF
mv "$folder/pkgconfig/sdl.pc.new" "$folder/pkgconfig/sdl.pc"
rm -rf "$download"
echo "sdl12-compat $version unpacked in $folder"
