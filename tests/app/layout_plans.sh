#!/usr/bin/env bash
# --alternatives: the plans to choose from, each a result and a job file that `nestrix export`
# reads back to the same result; the result itself stays what the run gives without it.
set -u
nestrix=$1
example=$2
. "$(dirname "$0")/../shell-common.sh"
export QT_QPA_PLATFORM=offscreen

# 1. The kitchen job: the result as --json gives it, and a plan with fewer cuts at its price.
"$nestrix" layout "${inputs[@]}" --json "$dir/plain.json" >"$dir/plain.txt" 2>"$dir/stderr" ||
    { cat "$dir/stderr"; fail "the plain run failed"; }
grep -q 配置候補 "$dir/plain.txt" && fail "a run without --alternatives lists plans"
"$nestrix" layout "${inputs[@]}" --json "$dir/result.json" --alternatives "$dir/plans" >"$dir/summary.txt" \
    2>"$dir/stderr" || { cat "$dir/stderr"; fail "the run with --alternatives failed"; }
cmp -s "$dir/plain.json" "$dir/result.json" || fail "--alternatives changed the result"
cmp -s "$dir/result.json" "$dir/plans/cheapest.json" || fail "cheapest.json is not the result"
grep -q '^配置候補（最安から 2% まで）$' "$dir/summary.txt" || fail "no heading of the plans: $(cat "$dir/summary.txt")"
grep -q '^  最安: 原板 15 枚 74,000円 ' "$dir/summary.txt" || fail "the cheapest plan's line is missing"
[ -f "$dir/plans/fewest-cuts.json" ] || fail "the kitchen job has a plan with fewer cuts: $(ls "$dir/plans")"
cuts() { grep -o "^  $1: .* 切断 [0-9]* 回" "$dir/summary.txt" | grep -o '切断 [0-9]* 回' | grep -o '[0-9]*'; }
[ "$(cuts 切断最少)" -lt "$(cuts 最安)" ] || fail "the fewest-cuts plan cuts no fewer: $(cat "$dir/summary.txt")"

# 2. Each plan's job file gives its JSON again through export.
for job in "$dir"/plans/*.nestrix; do
    name=$(basename "$job" .nestrix)
    "$nestrix" export "$job" --json "$dir/$name-export.json" >/dev/null 2>"$dir/stderr" ||
        { cat "$dir/stderr"; fail "export of $name failed"; }
    cmp -s "$dir/$name-export.json" "$dir/plans/$name.json" || fail "export of $name.nestrix differs from $name.json"
done

# 3. Fewer plans later remove the files of the others; the folder's other files stay.
touch "$dir/plans/notes.txt"
"$nestrix" layout "${inputs[@]}" --alternatives "$dir/plans" --plan-tolerance 0 --fewer-cuts-on-tie \
    >"$dir/tie.txt" 2>"$dir/stderr" || { cat "$dir/stderr"; fail "the run with --fewer-cuts-on-tie failed"; }
[ "$(ls "$dir/plans" | sort | tr '\n' ' ')" = "cheapest.json cheapest.nestrix notes.txt " ] ||
    fail "stale plan files: $(ls "$dir/plans" | tr '\n' ' ')"
# The tie rule took the fewer cuts at the same price.
grep -q '^  最安: 原板 15 枚 74,000円 .* 切断 '"$(cuts 切断最少)"' 回' "$dir/tie.txt" ||
    fail "--fewer-cuts-on-tie did not take the plan of fewer cuts: $(cat "$dir/tie.txt")"
grep -q '"FewerCutsOnTie": 1' "$dir/plans/cheapest.nestrix" || fail "the job file does not keep the tie rule"
grep -q FewerCutsOnTie "$dir/plans/cheapest.json" && fail "the result JSON names a setting"

# 4. Values out of range are refused before anything runs.
for value in 21 -1 abc 2.5 ""; do
    "$nestrix" layout "${inputs[@]}" --alternatives "$dir/x" --plan-tolerance "$value" >/dev/null 2>"$dir/stderr"
    status=$?
    [ "$status" -eq 2 ] || fail "--plan-tolerance '$value': status $status, expected 2"
    grep -q 'plan-tolerance takes a percentage from 0 to 20' "$dir/stderr" || fail "no message for '$value'"
done
[ ! -e "$dir/x" ] || fail "a refused run made its folder"
exit 0
