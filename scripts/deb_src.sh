# shellcheck shell=sh
# deb_src.sh: sourced by the commands in scripts/ that build from Debian's source packages.
#   ensure_deb_src PACKAGE   makes sure apt can fetch PACKAGE's source: when apt knows no
#                            deb-src entry, adds one for this machine's release (as root), or
#                            says what is missing and exits with status 1.
ensure_deb_src() {
    apt-cache showsrc "$1" 2>/dev/null | grep -q '^Package:' && return 0
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
}
