#!/usr/bin/env bash
# The desktop program ends cleanly on SIGTERM and when its display goes away: what changed is
# saved (the settings of a first start), and a job file that nobody changed in the program is
# not rewritten, so a board another program added meanwhile stays.
set -u
nestrix=$1
dir=$(mktemp -d)
xvfb=""
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; rm -rf "$dir"' EXIT
fail() { echo "$*"; cat "$dir/err" 2>/dev/null; exit 1; }
header="原板名,原板横,原板縦,原板厚さ,原板数,原板単価,原板優先度,原板種類,原板備考,原板上トリム,原板下トリム,原板左トリム,原板右トリム"
board() { echo "$1,1820.0,910.0,12.0,10,3000,0,,,0.0,0.0,0.0,0.0"; }

start_home() {
    rm -rf "$dir/home"
    mkdir -p "$dir/home"
    printf '%s\n%s\n%s\n' "$header" "$(board A)" "$(board B)" | iconv -f UTF-8 -t CP932 | sed 's/$/\r/' \
        >"$dir/home/Genban"
}
check_home() {  # what
    [ -f "$dir/home/Nestrix.ini" ] || fail "$1: the settings were not saved"
    iconv -f CP932 -t UTF-8 "$dir/home/Genban" | grep -q '^C,' || fail "$1: the board added meanwhile is gone"
}

# SIGTERM: a clean end, status 128 + 15.
start_home
NESTRIX_HOME="$dir/home" QT_QPA_PLATFORM=offscreen "$nestrix" >"$dir/out" 2>"$dir/err" &
pid=$!
sleep 5
board C | iconv -f UTF-8 -t CP932 | sed 's/$/\r/' >>"$dir/home/Genban"
kill -TERM "$pid"
wait "$pid"
status=$?
[ "$status" -eq 143 ] || fail "SIGTERM: status $status, expected 143"
check_home SIGTERM

# A stop signal where the end has something to say (the settings file became a folder): the
# message goes to standard error, no box waits for an answer, and the program ends at once.
for signal in TERM HUP; do
    start_home
    NESTRIX_HOME="$dir/home" QT_QPA_PLATFORM=offscreen "$nestrix" >"$dir/out" 2>"$dir/err" &
    pid=$!
    sleep 5
    mkdir "$dir/home/Nestrix.ini"
    kill -"$signal" "$pid"
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        kill -0 "$pid" 2>/dev/null || break
        sleep 1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"
        fail "SIG$signal with a message at the end: still running after 10 s"
    fi
    wait "$pid"
    status=$?
    expected=$([ "$signal" = TERM ] && echo 143 || echo 129)
    [ "$status" -eq "$expected" ] || fail "SIG$signal with a message at the end: status $status, expected $expected"
    grep -q '設定を保存しませんでした' "$dir/err" || fail "SIG$signal: the message did not reach standard error"
done

# The X server goes away: Qt ends the process, the program saves first.
if command -v Xvfb >/dev/null; then
    start_home
    display=:$((90 + RANDOM % 400))
    Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb=$!
    sleep 2
    NESTRIX_HOME="$dir/home" DISPLAY="$display" QT_QPA_PLATFORM=xcb "$nestrix" >"$dir/out" 2>"$dir/err" &
    pid=$!
    sleep 5
    board C | iconv -f UTF-8 -t CP932 | sed 's/$/\r/' >>"$dir/home/Genban"
    kill -KILL "$xvfb"
    xvfb=""
    wait "$pid"
    check_home "lost display"
fi
echo ok
