#!/usr/bin/env bash
# The program answers --help and --version and refuses to start the desktop without a display:
# a message that points to `nestrix layout` and exit status 1, never Qt's abort.
set -u
nestrix=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export NESTRIX_HOME="$dir/home"
fail() { echo "$*"; cat "$dir/out" "$dir/err"; exit 1; }
bare() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" >"$dir/out" 2>"$dir/err"; }

bare "$nestrix" --help; status=$?
[ "$status" -eq 0 ] || fail "--help: status $status"
grep -q "nestrix layout" "$dir/out" || fail "--help: no usage of the layout command"
grep -q "\-\-boards" "$dir/out" || fail "--help: no options of the layout command"

bare "$nestrix" --version; status=$?
[ "$status" -eq 0 ] || fail "--version: status $status"
grep -q "^Nestrix Version " "$dir/out" || fail "--version: no version"

for display in "" ":4711"; do
    if [ -z "$display" ]; then
        bare "$nestrix"; status=$?
    else
        bare DISPLAY="$display" QT_QPA_PLATFORM=xcb "$nestrix"; status=$?
    fi
    [ "$status" -eq 1 ] || fail "no display '$display': status $status"
    grep -q "nestrix layout --boards" "$dir/err" || fail "no display '$display': no pointer to the layout command"
done
echo ok
