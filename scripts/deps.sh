#!/bin/sh
# Installs the Debian packages a build needs when any are missing.
# Usage: scripts/deps.sh run|capture|test   (run: build and play the demo; capture: build
# demo_capture too; test: everything the tests use)
set -eu

run_packages="build-essential cmake pkg-config libsdl1.2-dev libopenmpt-dev libcairo2-dev
libfontconfig-dev fonts-dejavu-core libgtest-dev libbenchmark-dev"
capture_packages="$run_packages libavcodec-dev libavformat-dev libavutil-dev libswscale-dev"
test_packages="$capture_packages libx11-dev xvfb xdotool clang libclang-rt-14-dev time"

case "${1:-}" in
run) wanted=$run_packages ;;
capture) wanted=$capture_packages ;;
test) wanted=$test_packages ;;
*) echo "usage: $0 run|capture|test" >&2; exit 2 ;;
esac

missing=""
for package in $wanted; do
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
