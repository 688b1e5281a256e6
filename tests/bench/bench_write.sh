#!/usr/bin/env bash
# The jobs that `layout_bench --write` writes give `nestrix layout` the very result the bench
# computes in process, byte for byte (three part types: three groups, one part not turned).
set -u
bench=$1
nestrix=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "$*"; exit 1; }

"$bench" --sizes 3 --write "$dir/jobs" >/dev/null || fail "--write failed"
"$bench" --sizes 3 --json "$dir/bench" >/dev/null || fail "--json failed"
job=$dir/jobs/bench-3
for file in boards.csv parts.csv settings.ini; do
    [ -s "$job/$file" ] || fail "$file not written"
done
[ ! -e "$job/secondary.csv" ] || fail "secondary.csv written for a job without secondary parts"
grep -q '^NokoHaba=30' "$job/settings.ini" || fail "the kerf of the bench's settings is not in settings.ini"
"$nestrix" layout --boards "$job/boards.csv" --parts "$job/parts.csv" --settings "$job/settings.ini" \
    --threads 2 --json "$dir/layout.json" >/dev/null 2>"$dir/stderr" || { cat "$dir/stderr"; fail "layout failed"; }
cmp "$dir/bench/bench-3.json" "$dir/layout.json" || fail "nestrix layout differs from the bench's own run"

"$bench" --sizes 0 >/dev/null 2>&1 && fail "a size of 0 was accepted"
"$bench" --frobnicate >/dev/null 2>&1 && fail "an unknown option was accepted"
exit 0
