# shellcheck shell=sh
# helpers.sh: sourced by the tests of the commands in scripts/. Every test works in its own
# temporary folder and runs the commands from the repository's root, REPO_ROOT.
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.err; do
        [ -e "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }
    done
    exit 1
}

# Lines a message gives as commands to run (indented by four spaces).
commands_in() {
    sed -n 's/^    //p' "$1"
}

expect_status() {
    [ "$2" -eq "$1" ] || fail "$3: exit status $2, expected $1"
}

expect_in() {
    grep -q -- "$2" "$1" || fail "$1 lacks \"$2\""
}

expect_not_in() {
    if grep -q -- "$2" "$1"; then fail "$1 holds \"$2\""; fi
}
