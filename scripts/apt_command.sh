# shellcheck shell=sh
# apt_command.sh: sourced by the commands in scripts/. Prints the one line that, run as given by
# the current user, installs the Debian packages named in its arguments.
#   apt_install_command PACKAGE...
apt_install_command() {
    install="apt-get update && apt-get install -y --no-install-recommends $*"
    if [ "$(id -u)" -eq 0 ]; then
        echo "$install"
    elif command -v sudo >/dev/null 2>&1; then
        echo "sudo apt-get update && sudo apt-get install -y --no-install-recommends $*"
    else
        # No sudo: su asks for root's password.
        echo "su -c '$install'"
    fi
}
