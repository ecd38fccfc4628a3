#!/bin/sh
# Installs the Debian packages a command needs when any are missing.
# Usage: scripts/deps.sh run|capture|windows|native-test|test
#   run      build and play the demo
#   windows  the run packages and the cross compilers, Wine and zip of the Windows build
#   capture  the run packages and the video encoding libraries of the capture command
#   native-test  everything the tests use but the Windows stage's cross compilers and Wine
#   test     everything the tests use
#   scripts/deps.sh --missing MODE   prints the missing packages and installs nothing
# Without root, or when the installation fails, prints the line to run and exits with status 2.
set -eu
# shellcheck source=scripts/apt_command.sh
. "$(dirname "$0")/apt_command.sh"

# Each list holds only what its use adds; the modes below combine them.
run_packages="g++ make cmake pkg-config libsdl1.2-dev libopenmpt-dev libcairo2-dev
libfontconfig-dev fonts-dejavu-core libpulse-dev"
capture_packages="libavcodec-dev libavformat-dev libavutil-dev libswscale-dev"
windows_packages="g++-mingw-w64-x86-64-posix dpkg-dev wine wine64 libpulse0 zip"
# libclang-rt-dev is the sanitizer and fuzzer runtime of the release's own clang.
test_packages="libgtest-dev libbenchmark-dev libx11-dev xvfb xauth xdotool clang
libclang-rt-dev time dpkg-dev pulseaudio pulseaudio-utils
libasound2-plugins libsdl2-2.0-0 imagemagick ccache clang-format clang-tidy shellcheck
debootstrap"

usage() {
    echo "usage: $0 [--missing] run|capture|windows|native-test|test" >&2
    exit 2
}

only_list=no
if [ "${1:-}" = --missing ]; then
    only_list=yes
    shift
fi
case "${1:-}" in
run) wanted=$run_packages ;;
capture) wanted="$run_packages $capture_packages" ;;
windows) wanted="$run_packages $windows_packages" ;;
native-test) wanted="$run_packages $capture_packages $test_packages" ;;
test) wanted="$run_packages $capture_packages $windows_packages $test_packages" ;;
*) usage ;;
esac

missing=""
for package in $wanted; do
    # Either SDL 1.2 will do: classic SDL's development package or sdl12-compat's, which is the
    # only one some systems have (and which some call libsdl1.2-dev itself).
    if [ "$package" = libsdl1.2-dev ] && pkg-config --exists sdl 2>/dev/null; then
        continue
    fi
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
missing=${missing# }

if [ "$only_list" = yes ]; then
    [ -n "$missing" ] && echo "$missing"
    exit 0
fi
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Debian packages are missing: $missing" >&2
    echo "Install them with:" >&2
    echo "    $(apt_install_command "$missing")" >&2
    exit 2
fi
echo "Installing: $missing"
export DEBIAN_FRONTEND=noninteractive
# shellcheck disable=SC2086 # the list is meant to split into words
if ! apt-get update -qq || ! apt-get install -y -qq --no-install-recommends $missing; then
    echo "Installing the Debian packages failed (see above). When the cause is mended, run:" >&2
    echo "    $(apt_install_command "$missing")" >&2
    exit 2
fi
