#!/bin/sh
# deps_test.sh: the install line scripts/deps.sh prints, run as given, installs what its mode
# needs. A stand-in apt-get records what it is asked; dpkg-query reports nothing installed and id
# a user of our choosing, so nothing is installed for real.
# shellcheck source=tests/scripts/helpers.sh
. "$(dirname "$0")/helpers.sh"
cd "$REPO_ROOT"

# A command folder holding only what deps.sh uses, so that the machine's own sudo or apt-get
# cannot answer. USER_ID is the user id; WITH_SUDO yes adds a sudo; APT_STATUS is apt-get's status.
commands() {
    bin=$work/bin
    rm -rf "$bin"
    mkdir "$bin"
    for tool in dirname grep cat; do ln -s "$(command -v "$tool")" "$bin/$tool"; done
    printf '#!/bin/sh\necho %s\n' "$1" >"$bin/id"
    printf '#!/bin/sh\nexit 1\n' >"$bin/dpkg-query"
    printf '#!/bin/sh\necho "$*" >>"%s"\nexit %s\n' "$work/apt.log" "$3" >"$bin/apt-get"
    [ "$2" = yes ] && printf '#!/bin/sh\nexec "$@"\n' >"$bin/sudo"
    # su -c COMMAND, as root's shell runs it.
    # shellcheck disable=SC2016 # written for the stand-in to expand
    printf '#!/bin/sh\n[ "$1" = -c ] && exec /bin/sh -c "$2"\nexit 1\n' >"$bin/su"
    chmod +x "$bin"/*
    rm -f "$work/apt.log"
}

# Runs deps.sh MODE as the stand-in user; expects status 2 and one command in its message, then
# runs that command and expects apt-get to have been asked to update and install exactly the
# mode's packages.
check_line() {
    mode=$1 prefix=$2
    status=0
    PATH=$bin /bin/sh scripts/deps.sh "$mode" 2>"$work/deps.err" || status=$?
    expect_status 2 "$status" "deps.sh $mode"
    commands_in "$work/deps.err" >"$work/line"
    [ "$(wc -l <"$work/line")" -eq 1 ] || fail "not one command: $(cat "$work/line")"
    case $(cat "$work/line") in
    "$prefix"*) ;;
    *) fail "expected $prefix...: $(cat "$work/line")" ;;
    esac
    rm -f "$work/apt.log"
    printf '#!/bin/sh\necho "$*" >>"%s"\n' "$work/apt.log" >"$bin/apt-get"
    PATH=$bin /bin/sh -c "$(cat "$work/line")" || fail "the printed line failed"
    expect_in "$work/apt.log" "^update$"
    expect_in "$work/apt.log" "^install -y --no-install-recommends g++ make "
}

commands 1000 yes 0
check_line run "sudo apt-get update && sudo apt-get install"
# The run command's line carries nothing only the tests or the capture use.
expect_not_in "$work/apt.log" "libgtest-dev"
expect_not_in "$work/apt.log" "xvfb"
expect_not_in "$work/apt.log" "libavcodec-dev"
check_line capture "sudo apt-get update"
expect_in "$work/apt.log" " libavcodec-dev "
expect_not_in "$work/apt.log" "libgtest-dev"
check_line test "sudo apt-get update"
expect_in "$work/apt.log" " libgtest-dev "

commands 1000 no 0
check_line run "su -c 'apt-get update"

# As root, an installation that fails still ends with status 2 and a line to run again.
commands 0 no 100
check_line run "apt-get update && apt-get install"
echo "PASS"
