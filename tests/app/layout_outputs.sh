#!/usr/bin/env bash
# The outputs of `nestrix layout` change together or not at all, and never keep an earlier job's
# files: a result with nothing placed replaces every output, fewer boards remove the pictures
# and drawings of the others, a stop while the outputs are made changes none, and standard output holds a
# file alone.
set -u
nestrix=$1
example=$2
. "$(dirname "$0")/../shell-common.sh"
export QT_QPA_PLATFORM=offscreen
outputs() {  # prefix
    echo --json "$dir/$1.json" --unplaced "$dir/$1-unplaced.csv" --cutdata "$dir/$1-cut.csv" \
        --pdf-info "$dir/$1-info.pdf" --pdf-cuts "$dir/$1-cuts.pdf" --png "$dir/$1-png" --stats "$dir/$1-stats.txt" \
        --dxf "$dir/$1-dxf" --xlsx "$dir/$1-book.xlsx"
}
snapshot() {  # prefix: the bytes of every output
    (cd "$dir" && find "$1".json "$1"-* -type f -print0 | sort -z | xargs -0 sha1sum)
}

# 1. The example, then a job that places nothing, into the same paths.
"$nestrix" layout "${inputs[@]}" $(outputs out) >"$dir/stdout" 2>"$dir/stderr" || { cat "$dir/stderr"; fail "example failed"; }
layouts=$(ls "$dir/out-png" | grep -c '^board-')
[ "$layouts" -ge 2 ] || fail "expected several pictures, found $layouts"
[ "$(ls "$dir/out-dxf" | grep -c '^pattern-[0-9]*\.dxf$')" -ge 2 ] || fail "expected several drawings"
iconv -f UTF-8 -t CP932 >"$dir/other-boards.csv" <<'CSV'
原板名,原板横,原板縦,原板厚さ,原板数,原板単価,原板優先度,原板種類,原板備考,原板上トリム,原板下トリム,原板左トリム,原板右トリム
X,1820.0,910.0,99.0,10,1000,0,無い種類,,0.0,0.0,0.0,0.0
CSV
"$nestrix" layout --boards "$dir/other-boards.csv" --parts "$example/parts.csv" $(outputs out) \
    >"$dir/stdout" 2>"$dir/stderr"
status=$?
[ "$status" -eq 1 ] || { cat "$dir/stderr"; fail "nothing placed: status $status, expected 1"; }
[ "$(ls "$dir/out-png")" = boards.png ] || fail "pictures of the earlier job stayed: $(ls "$dir/out-png" | tr '\n' ' ')"
[ -z "$(ls "$dir/out-dxf")" ] || fail "drawings of the earlier job stayed: $(ls "$dir/out-dxf" | tr '\n' ' ')"
[ "$(head -c 2 "$dir/out-book.xlsx")" = PK ] || fail "no workbook for a result with nothing placed"
grep -q '"layouts": \[\]' "$dir/out.json" || fail "the JSON still has layouts"
cuts=$(pdftotext "$dir/out-cuts.pdf" -) || fail "the cutting sheets are no PDF"
grep -q '全ての部材が配置できませんでした。' <<<"$cuts" || fail "the cutting sheets do not say that nothing was placed"
grep -q '使用原板リスト' <(pdftotext -layout "$dir/out-info.pdf" -) || fail "no board information printout"
if iconv -f CP932 -t UTF-8 "$dir/out-cut.csv" | grep -q '^パターン,'; then fail "the cut data still holds patterns"; fi

# 2. A stop while the outputs are made (after the summary) changes none of them.
"$nestrix" layout "${inputs[@]}" $(outputs out) >/dev/null 2>&1
before=$(snapshot out)
# The summary comes through a pipe, so the signal follows it at once, not after a poll.
mkfifo "$dir/summary"
for signal in INT TERM; do
    "$nestrix" layout "${inputs[@]}" $(outputs out) >"$dir/summary" 2>"$dir/stderr" &
    pid=$!
    while IFS= read -r line; do
        case $line in *歩留まり*) kill -"$signal" "$pid"; break ;; esac
    done <"$dir/summary"
    wait "$pid"
    status=$?
    case $signal in INT) expected=130 ;; TERM) expected=143 ;; esac
    [ "$status" -eq "$expected" ] || { cat "$dir/stderr"; fail "SIG$signal while writing: status $status, expected $expected"; }
    [ "$(snapshot out)" = "$before" ] || fail "SIG$signal while writing changed an output"
    leftovers=$(find "$dir" -name '.*.tmp*')
    [ -z "$leftovers" ] || fail "temporary files left: $leftovers"
done

# 3. A file on standard output stands alone there; the summary goes to standard error.
"$nestrix" layout "${inputs[@]}" --pdf-cuts - >"$dir/stdout.pdf" 2>"$dir/stderr" || fail "--pdf-cuts - failed"
pdfinfo "$dir/stdout.pdf" >/dev/null 2>&1 || fail "standard output is no PDF"
grep -q 歩留まり "$dir/stderr" || fail "no summary on standard error"
"$nestrix" layout "${inputs[@]}" --cutdata /dev/stdout >"$dir/stdout.csv" 2>"$dir/stderr" || fail "--cutdata /dev/stdout failed"
if grep -q 歩留まり "$dir/stdout.csv"; then fail "the summary went into the cut data"; fi

# 4. A summary that cannot be written is an error, as it is for coreutils.
"$nestrix" layout "${inputs[@]}" >/dev/full 2>"$dir/stderr"
status=$?
[ "$status" -eq 74 ] || fail "summary to /dev/full: status $status, expected 74"
grep -q 'No space left on device' "$dir/stderr" || { cat "$dir/stderr"; fail "no reason for the summary"; }
exit 0
