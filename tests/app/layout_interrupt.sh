#!/usr/bin/env bash
# A stop signal during `nestrix layout` ends the run: exit status 128 + signal, no result file;
# a time limit ends it with the best result so far.
set -u
nestrix=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# The program has its stop handlers: SIGHUP, SIGINT and SIGTERM are caught (/proc/PID/status).
catches_stops() {
    local mask
    mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$1/status" 2>/dev/null) || return 1
    [ -n "$mask" ] && (( (16#$mask & 0x4003) == 0x4003 ))
}
# Waits for the stopped program; one that does not end within a minute fails the test.
wait_stopped() {  # pid, what
    local _
    for _ in $(seq 1 600); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$1" 2>/dev/null; then
        kill -KILL "$1"
        echo "$2: still running a minute after the signal"; cat "$dir/stderr"; exit 1
    fi
    wait "$1"
}
{
    echo "原板名,原板横,原板縦,原板厚さ,原板数,原板単価,原板優先度,原板種類,原板備考,原板上トリム,原板下トリム,原板左トリム,原板右トリム"
    echo "B,2430.0,1220.0,10.0,9999,5000,0,,,0.0,0.0,0.0,0.0"
} | iconv -f UTF-8 -t CP932 > "$dir/boards.csv"
{
    echo "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考"
    for i in $(seq 1 400); do
        echo "P$i,$((37 + i * 7 % 500)).0,$((23 + i * 13 % 400)).0,10.0,$((1 + i % 9)),$((i % 5 == 0 ? 1 : 0)),,"
    done
} | iconv -f UTF-8 -t CP932 > "$dir/parts.csv"
# Ctrl-C, SIGTERM (a service manager) and SIGHUP (a closed terminal) stop it the same way.
for case in INT:130 TERM:143 HUP:129; do
    signal=${case%%:*}
    expected=${case##*:}
    rm -f "$dir/out.json" "$dir/stats.txt"
    "$nestrix" layout --boards "$dir/boards.csv" --parts "$dir/parts.csv" --threads 1 --json "$dir/out.json" \
        --stats "$dir/stats.txt" >"$dir/stdout" 2>"$dir/stderr" &
    pid=$!
    for _ in $(seq 1 600); do
        catches_stops "$pid" && break
        sleep 0.1
    done
    sleep 1
    kill -"$signal" "$pid"
    wait_stopped "$pid" "SIG$signal"
    status=$?
    if [ "$status" -ne "$expected" ]; then
        echo "SIG$signal: expected exit status $expected, got $status"; cat "$dir/stderr"; exit 1
    fi
    if [ -e "$dir/out.json" ] || [ -e "$dir/stats.txt" ]; then
        echo "SIG$signal: a result was written after the signal"; exit 1
    fi
    grep -q "中断しました。(SIG$signal)" "$dir/stderr" || { echo "SIG$signal: no stop message"; cat "$dir/stderr"; exit 1; }
done
# --time-limit ends the same run early with the best result of the jobs that ended: written, and
# marked in the JSON and the summary, group by group; every group has a result (its first job is
# waited for), so nothing is left unplaced on these unlimited boards.
rm -f "$dir/out.json"
"$nestrix" layout --boards "$dir/boards.csv" --parts "$dir/parts.csv" --threads 1 --time-limit 1.5 \
    --json "$dir/out.json" >"$dir/stdout" 2>"$dir/stderr" &
pid=$!
wait_stopped "$pid" "--time-limit 1.5"
status=$?
[ "$status" -eq 0 ] || { echo "--time-limit: exit status $status"; cat "$dir/stderr"; exit 1; }
grep -q "計算を途中で確定しました" "$dir/stdout" || { echo "--time-limit: not in the summary"; cat "$dir/stdout"; exit 1; }
grep -Eq "^  種類「.*」厚さ .* mm: 計算 [0-9]+/[0-9]+ (で確定|完了)" "$dir/stdout" \
    || { echo "--time-limit: no group in the summary"; cat "$dir/stdout"; exit 1; }
python3 - "$dir/out.json" <<'PY' || exit 1
import json, sys
result = json.load(open(sys.argv[1], encoding="utf-8"))
assert result["stopped_early"] is True, "not marked in the JSON"
assert result["groups"], "no groups in the JSON"
for group in result["groups"]:
    assert 1 <= group["jobs_ended"] <= group["jobs_total"], group
    assert group["stopped_early"] == (group["jobs_ended"] < group["jobs_total"]), group
assert result["unplaced"] == [], "parts left out by the stop: %s" % result["unplaced"]
PY
# A stop while waiting on a pipe, or while reading a large file, is a stop too, not bad input or
# a failed write.
stop_at() {  # what, what to wait for (a shell condition); the command follows
    local what=$1 ready=$2 pid status
    shift 2
    "$@" >"$dir/stdout" 2>"$dir/stderr" &
    pid=$!
    for _ in $(seq 1 300); do
        eval "$ready" && break
        sleep 0.1
    done
    kill -INT "$pid"
    wait_stopped "$pid" "$what"
    status=$?
    [ "$status" -eq 130 ] || { echo "$what: expected 130, got $status"; cat "$dir/stderr"; exit 1; }
    grep -q "中断しました。(SIGINT)" "$dir/stderr" || { echo "$what: no stop message"; cat "$dir/stderr"; exit 1; }
}
# The program is waiting in the kernel for a pipe, or has a file open.
waits_on_pipe() { grep -Eq "wait_for_partner|fifo|pipe" "/proc/$pid/wchan" 2>/dev/null; }
has_open() { ls -l "/proc/$pid/fd" 2>/dev/null | grep -q "$1"; }
mkfifo "$dir/fifo"
stop_at "an input pipe nobody writes" waits_on_pipe "$nestrix" layout --boards "$dir/fifo" --parts "$dir/parts.csv"
stop_at "a settings pipe nobody writes" waits_on_pipe "$nestrix" layout --boards "$dir/boards.csv" --parts "$dir/parts.csv" \
    --settings "$dir/fifo"
{
    iconv -f CP932 -t UTF-8 "$dir/parts.csv" | head -1
    yes "P,100.0,100.0,10.0,1,0,," | head -n 2500000
} | iconv -f UTF-8 -t CP932 >"$dir/large.csv"
stop_at "a large parts file" "has_open large.csv" "$nestrix" layout --boards "$dir/boards.csv" --parts "$dir/large.csv"
head -n 4 "$dir/parts.csv" >"$dir/small.csv"
# A large job file: the stop ends its reading within two seconds, not when the tree is built
# (about three seconds here, more under the sanitizers).
"$nestrix" layout --boards "$dir/boards.csv" --parts "$dir/small.csv" --save-job "$dir/small.nestrix" >/dev/null 2>&1 \
    || { echo "the small job file was not written"; exit 1; }
python3 - "$dir/small.nestrix" "$dir/large.nestrix" <<'PY'
import json, sys
job = json.load(open(sys.argv[1], encoding="utf-8"))
job["secondary_parts"] = [dict(job["parts"][0], name=f"S{i}") for i in range(1000000)]
json.dump(job, open(sys.argv[2], "w", encoding="utf-8"), ensure_ascii=False)
PY
"$nestrix" export "$dir/large.nestrix" --json "$dir/large.json" >"$dir/stdout" 2>"$dir/stderr" &
pid=$!
sleep 0.5
kill -TERM "$pid"
for _ in $(seq 1 20); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && { echo "a large job file: still reading two seconds after SIGTERM"; kill -KILL "$pid"; exit 1; }
wait "$pid"
status=$?
[ "$status" -eq 143 ] || { echo "a large job file: expected 143, got $status"; cat "$dir/stderr"; exit 1; }
[ ! -e "$dir/large.json" ] || { echo "a large job file: a result was written after the signal"; exit 1; }
stop_at "an output pipe nobody reads" waits_on_pipe "$nestrix" layout --boards "$dir/boards.csv" --parts "$dir/small.csv" \
    --json "$dir/fifo"
echo ok
