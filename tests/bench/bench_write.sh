#!/usr/bin/env bash
# The jobs that `layout_bench --write` writes give `nestrix layout` the very result the bench
# computes in process, byte for byte (three part types: three groups, one part not turned; and
# twelve rows drawn from three part types).
set -u
bench=$1
nestrix=$2
. "$(dirname "$0")/../shell-common.sh"

"$bench" --sizes 3,12r3,12r3m --write "$dir/jobs" >/dev/null || fail "--write failed"
"$bench" --sizes 3,12r3 --json "$dir/bench" >/dev/null || fail "--json failed"
for size in 3 12r3; do
    job=$dir/jobs/bench-$size
    for file in boards.csv parts.csv settings.ini; do
        [ -s "$job/$file" ] || fail "$size: $file not written"
    done
    [ ! -e "$job/secondary.csv" ] || fail "secondary.csv written for a job without secondary parts"
    grep -q '^NokoHaba=30' "$job/settings.ini" || fail "the kerf of the bench's settings is not in settings.ini"
    "$nestrix" layout --boards "$job/boards.csv" --parts "$job/parts.csv" --settings "$job/settings.ini" \
        --threads 2 --json "$dir/layout-$size.json" >/dev/null 2>"$dir/stderr" ||
        { cat "$dir/stderr"; fail "$size: layout failed"; }
    cmp "$dir/bench/bench-$size.json" "$dir/layout-$size.json" || fail "$size: nestrix layout differs from the bench's own run"
done
# Header and rows: 12 rows, and their 3 part types once merged.
[ "$(wc -l <"$dir/jobs/bench-12r3/parts.csv")" -eq 13 ] || fail "12r3 does not have 12 rows"
[ "$(wc -l <"$dir/jobs/bench-12r3m/parts.csv")" -eq 4 ] || fail "12r3m does not have 3 rows"

for bad in 0 2r3 12r0 12r3x r3 3m; do
    "$bench" --sizes "$bad" >/dev/null 2>&1 && fail "the size $bad was accepted"
done
"$bench" --frobnicate >/dev/null 2>&1 && fail "an unknown option was accepted"
for bad in "--threads 3" "--threads 0" "--time-limit 0" "--time-limit x"; do
    # shellcheck disable=SC2086
    "$bench" --sizes 3 $bad >/dev/null 2>&1 && fail "$bad was accepted"
done
# One thread count: its column and the seconds until every group had a result, no ratio.
row=$("$bench" --sizes 3 --threads 2 --time-limit 60 | tail -1)
echo "$row" | grep -Eq '^ +3 +- +[0-9.]+s +- +[0-9.]+s +[0-9]+ ' || fail "--threads 2: unexpected row: $row"
exit 0
