#!/bin/sh
# Runs a command of this project in a Debian 13 (trixie) root, from any Debian machine:
#   scripts/debian13.sh [--pristine] COMMAND [ARG...]
# e.g. scripts/debian13.sh scripts/run-demo.sh    or    scripts/debian13.sh scripts/debian13-stage.sh
# The root is a debootstrap minbase with git, made once and kept outside the clone in
# ${XDG_CACHE_HOME:-$HOME/.cache}/slideshow-demo/, keyed by release and month, so that a later run
# reuses it and a new month starts from the release's current packages. Each run clones the
# current commit of this checkout (uncommitted changes are not taken) into /root/slideshow-demo
# there and runs COMMAND in it as root. Packages that COMMAND installs and the compiler cache
# stay in the kept root; --pristine runs in a throwaway copy of the bare root instead, as a
# newcomer's machine. Needs root (debootstrap, chroot, mounts) and Debian's mirror.
# The root's /proc, /dev, /dev/shm and /tmp are mounted in a private mount namespace, so they
# go away with the command whatever way it ends; the exit status is the command's.
set -eu
cd "$(dirname "$0")/.."
release=trixie
mirror=${DEBIAN13_MIRROR:-http://deb.debian.org/debian}

pristine=no
if [ "${1:-}" = --pristine ]; then
    pristine=yes
    shift
fi
[ $# -ge 1 ] || { echo "usage: $0 [--pristine] COMMAND [ARG...]" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "$0: needs root (debootstrap, chroot and mounts)" >&2; exit 2; }
for tool in debootstrap unshare chroot git; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$0: $tool is missing; apt-get install debootstrap git" >&2; exit 2; }
done

cache=${XDG_CACHE_HOME:-$HOME/.cache}/slideshow-demo/$release-$(date -u +%Y-%m)
base=$cache/base
kept=$cache/kept
mkdir -p "$cache"

# The bare root: made in a scratch folder and moved in place only when complete, so that an
# interrupted run leaves nothing that a later one would take for finished.
if [ ! -d "$base" ]; then
    echo "Making a Debian $release root in $base (a few minutes, once)"
    rm -rf "$cache/base.partial"
    if ! debootstrap --variant=minbase --include=git,ca-certificates "$release" \
        "$cache/base.partial" "$mirror" >"$cache/debootstrap.log" 2>&1; then
        echo "$0: debootstrap failed; see $cache/debootstrap.log" >&2
        exit 1
    fi
    # The release with its updates and security fixes, as an installed Debian 13 has it.
    rm -f "$cache/base.partial/etc/apt/sources.list"
    cat >"$cache/base.partial/etc/apt/sources.list.d/debian.sources" <<SOURCES
Types: deb
URIs: $mirror
Suites: $release $release-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: $release-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    # Package scripts must not start services in the root.
    printf '#!/bin/sh\nexit 101\n' >"$cache/base.partial/usr/sbin/policy-rc.d"
    chmod 755 "$cache/base.partial/usr/sbin/policy-rc.d"
    mv "$cache/base.partial" "$base"
fi

scratch=""
cleanup() {
    [ -n "$scratch" ] && rm -rf "$scratch"
    # A root made by an earlier run keeps going; a half-made one is removed above next time.
    return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

if [ "$pristine" = yes ]; then
    scratch=$(mktemp -d "$cache/pristine.XXXXXX")
    cp -a "$base/." "$scratch/"
    root=$scratch
else
    if [ ! -d "$kept" ]; then
        rm -rf "$kept.partial"
        cp -a "$base" "$kept.partial"
        mv "$kept.partial" "$kept"
    fi
    root=$kept
fi

# The current commit, cloned afresh so that nothing of an earlier run's checkout is reused;
# the build folders inside are new too, and the kept compiler cache makes them quick.
commit=$(git rev-parse HEAD)
rm -rf "$root/root/slideshow-demo"
git clone -q --no-checkout "$(git rev-parse --show-toplevel)" "$root/root/slideshow-demo"
git -C "$root/root/slideshow-demo" -c advice.detachedHead=false checkout -q "$commit"
cp /etc/resolv.conf "$root/etc/resolv.conf"

echo "=== Debian $release root $root, commit $(git rev-parse --short HEAD): $*"
# In a mount namespace of its own, the mounts below vanish when the command ends, also when it
# is killed; the shell inside still unmounts them on the way out for good measure.
# shellcheck disable=SC2016 # expanded by the inner shell
unshare --mount --propagation private sh -eu -c '
    root=$1
    shift
    mounted=""
    release_mounts() {
        for point in $mounted; do umount -l "$point" 2>/dev/null || true; done
    }
    trap release_mounts EXIT
    mount -t proc proc "$root/proc" && mounted="$root/proc $mounted"
    mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev" && mounted="$root/dev $mounted"
    mkdir -p "$root/dev/shm"
    mount -t tmpfs -o mode=1777,size=1g shm "$root/dev/shm" && mounted="$root/dev/shm $mounted"
    mount -t tmpfs -o mode=1777 tmp "$root/tmp" && mounted="$root/tmp $mounted"
    set +e
    chroot "$root" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        CCACHE_DIR=/root/.ccache DEMO_IN_DEBIAN13_ROOT=1 \
        sh -c "cd /root/slideshow-demo && exec \"\$@\"" command "$@"
    status=$?
    exit $status
' debian13 "$root" "$@"
