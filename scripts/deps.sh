#!/bin/sh
# Installs the Debian packages a build needs when any are missing.
# Usage: scripts/deps.sh run|test   (run: build and play the demo; test: everything the tests use)
set -eu

run_packages="build-essential cmake pkg-config libsdl1.2-dev libopenmpt-dev libcairo2-dev
libfontconfig-dev fonts-dejavu-core libgtest-dev libbenchmark-dev"
# The tests also build against sdl12-compat, unpacked beside the system's SDL; it runs on SDL2.
test_packages="$run_packages libx11-dev xvfb xdotool clang libclang-rt-14-dev time libsdl2-2.0-0"

case "${1:-}" in
run) wanted=$run_packages ;;
test) wanted=$test_packages ;;
*) echo "usage: $0 run|test" >&2; exit 2 ;;
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
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages. Install them as root with:" >&2
    echo "  apt-get install -y$missing" >&2
    exit 1
fi
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086 # the list is meant to split into words
apt-get install -y -qq --no-install-recommends $missing
