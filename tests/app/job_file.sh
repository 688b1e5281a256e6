#!/usr/bin/env bash
# Job files headless: `layout --save-job` keeps the job with its result, `export` writes the same
# outputs from it without calculating, `layout --job` calculates the same result again, and bad
# job files are refused with the file named and nothing written. The shipped example job is the
# result this build calculates for it.
set -u
nestrix=$1
example=$2
. "$(dirname "$0")/../shell-common.sh"
export QT_QPA_PLATFORM=offscreen
outputs() {  # prefix
    echo --json "$dir/$1.json" --unplaced "$dir/$1-unplaced.csv" --cutdata "$dir/$1-cut.csv" \
        --pdf-info "$dir/$1-info.pdf" --pdf-cuts "$dir/$1-cuts.pdf" --png "$dir/$1-png" --dxf "$dir/$1-dxf"
}
# The text of a printout without its print time ("2026/12/09 14:05").
pdftext() { pdftotext -layout "$1" - | sed -E 's#[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}##g'; }
same_outputs() {  # prefix1 prefix2
    for f in .json -unplaced.csv -cut.csv; do
        cmp -s "$dir/$1$f" "$dir/$2$f" || fail "$2$f differs from $1$f"
    done
    for f in -info.pdf -cuts.pdf; do
        text=$(pdftext "$dir/$1$f")
        grep -q 'キッチン\|台所\|原板' <<<"$text" || fail "$1$f has no text"
        [ "$text" = "$(pdftext "$dir/$2$f")" ] || fail "$2$f differs from $1$f"
    done
    diff -r "$dir/$1-png" "$dir/$2-png" >/dev/null || fail "the pictures of $2 differ from $1"
    diff -r "$dir/$1-dxf" "$dir/$2-dxf" >/dev/null || fail "the drawings of $2 differ from $1"
}

# 1. Saved with the result, exported without calculating, calculated again from the job.
"$nestrix" layout "${inputs[@]}" $(outputs run) --save-job "$dir/job.nestrix" --job-name 台所 \
    --due 2026-12-24 --comment "2 階" >"$dir/run.txt" 2>"$dir/stderr" || { cat "$dir/stderr"; fail "layout failed"; }
python3 -c 'import json,sys; j=json.load(open(sys.argv[1])); assert j["format"]=="nestrix-job" and j["job"]["name"]=="台所" and j["job"]["due"]=="2026-12-24" and j["result"]["layouts"], j["job"]' \
    "$dir/job.nestrix" || fail "the job file lacks the job or its result"
"$nestrix" export "$dir/job.nestrix" $(outputs export) >"$dir/export.txt" 2>"$dir/stderr" \
    || { cat "$dir/stderr"; fail "export failed"; }
same_outputs run export
cmp -s "$dir/run.txt" "$dir/export.txt" || fail "the summary of the export differs"
grep -q '^物件名,台所' <(iconv -f CP932 -t UTF-8 "$dir/export-cut.csv") || fail "the export lost the job name"
"$nestrix" layout --job "$dir/job.nestrix" $(outputs again) --save-job "$dir/again.nestrix" >/dev/null 2>"$dir/stderr" \
    || { cat "$dir/stderr"; fail "layout --job failed"; }
same_outputs run again
cmp -s "$dir/job.nestrix" "$dir/again.nestrix" || fail "the job calculated again is another job file"

# 2. Bad job files: the file named, status 2, no output written.
head -c 3000 "$dir/job.nestrix" >"$dir/cut-short.nestrix"
sed 's/"version": 1,/"version": 9,/' "$dir/job.nestrix" >"$dir/future.nestrix"
python3 -c 'import json,sys; j=json.load(open(sys.argv[1])); j["parts"][0]["count"]+=1; json.dump(j,open(sys.argv[2],"w"),ensure_ascii=False)' \
    "$dir/job.nestrix" "$dir/more.nestrix"
python3 -c 'import json,sys; j=json.load(open(sys.argv[1])); j["result"]=None; json.dump(j,open(sys.argv[2],"w"),ensure_ascii=False)' \
    "$dir/job.nestrix" "$dir/noresult.nestrix"
for case in "cut-short:途中で終わっています" "future:形式の版 9" "more:合いません" "missing:ファイルがありません"; do
    name=${case%%:*}
    for command in export layout; do
        if [ $command = export ]; then args=(export "$dir/$name.nestrix"); else args=(layout --job "$dir/$name.nestrix"); fi
        "$nestrix" "${args[@]}" --json "$dir/bad.json" >/dev/null 2>"$dir/stderr"
        status=$?
        [ $status -eq 2 ] || fail "$command $name: status $status, expected 2"
        grep -q "$dir/$name.nestrix: 物件ファイルを読めません: .*${case#*:}" "$dir/stderr" || fail "$command $name: $(cat "$dir/stderr")"
        [ ! -e "$dir/bad.json" ] || fail "$command $name wrote an output"
    done
done
"$nestrix" export "$dir/noresult.nestrix" --json "$dir/bad.json" >/dev/null 2>"$dir/stderr"
[ $? -eq 2 ] && grep -q '配置結果のない物件ファイル' "$dir/stderr" || fail "export without a result: $(cat "$dir/stderr")"
"$nestrix" layout --job "$dir/noresult.nestrix" --json "$dir/fromjob.json" >/dev/null 2>&1 || fail "layout --job without a result failed"
cmp -s "$dir/run.json" "$dir/fromjob.json" || fail "the job without its result calculates another result"

# 3. Usage: a job brings its own lists; a job file is never written over an input.
"$nestrix" layout --job "$dir/job.nestrix" --parts "$example/parts.csv" >/dev/null 2>&1
[ $? -eq 2 ] || fail "--job with --parts was accepted"
cp "$example/parts.csv" "$dir/parts.csv"
"$nestrix" layout --boards "$example/boards.csv" --parts "$dir/parts.csv" --save-job "$dir/parts.csv" >/dev/null 2>"$dir/stderr"
[ $? -eq 2 ] && grep -q -- '--save-job と --parts が同じファイルです' "$dir/stderr" || fail "save over the parts: $(cat "$dir/stderr")"
cmp -s "$example/parts.csv" "$dir/parts.csv" || fail "the parts file was changed"
"$nestrix" export "$dir/job.nestrix" --json "$dir/job.nestrix" >/dev/null 2>&1
[ $? -eq 2 ] || fail "export over its own job file was accepted"
"$nestrix" export --json x >/dev/null 2>&1
[ $? -eq 2 ] || fail "export without a job file was accepted"

# 4. The shipped example job holds the result this build calculates for it.
shipped="$example/kitchen.nestrix"
"$nestrix" export "$shipped" --json "$dir/shipped.json" >/dev/null 2>"$dir/stderr" || { cat "$dir/stderr"; fail "the shipped job does not export"; }
"$nestrix" layout --job "$shipped" --json "$dir/recalculated.json" >/dev/null 2>&1 || fail "the shipped job does not calculate"
cmp -s "$dir/shipped.json" "$dir/recalculated.json" || fail "the shipped job's result is not what this build calculates (make it again: see docs/job-file.md)"
cmp -s "$dir/shipped.json" "$dir/run.json" || fail "the shipped job is not the example's lists and settings"
# The same for the banded example job, and it is the banded lists' run.
banded="$example/kitchen-banded.nestrix"
"$nestrix" export "$banded" --json "$dir/banded.json" >/dev/null 2>"$dir/stderr" || { cat "$dir/stderr"; fail "the banded job does not export"; }
"$nestrix" layout --job "$banded" --json "$dir/banded-again.json" >/dev/null 2>&1 || fail "the banded job does not calculate"
cmp -s "$dir/banded.json" "$dir/banded-again.json" || fail "the banded job's result is not what this build calculates (make it again: see docs/job-file.md)"
"$nestrix" layout --boards "$example/boards.csv" --parts "$example/parts-banded.csv" --secondary "$example/secondary.csv" \
    --settings "$example/settings.ini" --bands "$example/bands.csv" --json "$dir/banded-run.json" >/dev/null 2>&1 \
    || fail "the banded lists do not lay out"
cmp -s "$dir/banded.json" "$dir/banded-run.json" || fail "the banded job is not the banded example's lists and settings"

# 5. 在庫反映 headless: --stock-out is the boards file with the sheets used taken off and the
# offcuts of the JSON added, the same from the run and from its job file; --min-offcut 0 adds none.
"$nestrix" layout "${inputs[@]}" --json "$dir/stock.json" --stock-out "$dir/stock.csv" --job-name 台所 \
    --save-job "$dir/stock.nestrix" >/dev/null 2>"$dir/stderr" || { cat "$dir/stderr"; fail "layout --stock-out failed"; }
"$nestrix" export "$dir/stock.nestrix" --stock-out "$dir/stock-export.csv" >/dev/null 2>"$dir/stderr" \
    || { cat "$dir/stderr"; fail "export --stock-out failed"; }
cmp -s "$dir/stock.csv" "$dir/stock-export.csv" || fail "export --stock-out differs from layout --stock-out"
python3 - "$example/boards.csv" "$dir/stock.csv" "$dir/stock.json" <<'PY' || fail "--stock-out is not the board list after the result"
import csv, io, json, sys
read = lambda p: list(csv.reader(io.StringIO(open(p, encoding="cp932").read())))[1:]
before, after, result = read(sys.argv[1]), read(sys.argv[2]), json.load(open(sys.argv[3]))
sheets = {}
for layout in result["layouts"]:
    sheets[layout["board"]] = sheets.get(layout["board"], 0) + layout["repeat"]
kept = [row for i, row in enumerate(before) if int(row[4]) == 9999 or int(row[4]) > sheets.get(i, 0)]
for i, row in enumerate(before):
    if int(row[4]) != 9999:
        row[4] = str(int(row[4]) - sheets.get(i, 0))
assert after[:len(kept)] == kept, (after[:len(kept)], kept)
offcuts = {}
for layout in result["layouts"]:
    for o in layout["offcuts"]:
        assert min(o["width"], o["length"]) >= 3000, o
        key = (layout["board"], o["width"], o["length"])
        offcuts[key] = offcuts.get(key, 0) + layout["repeat"]
added = after[len(kept):]
assert offcuts and len(added) == len(offcuts), (added, offcuts)
assert sum(int(r[4]) for r in added) == sum(offcuts.values())
for r in added:
    assert r[0].startswith("端材 ") and r[6] == "2" and r[8].startswith("台所 ") and r[9:] == ["0.0"] * 4, r
PY
"$nestrix" layout "${inputs[@]}" --json "$dir/none.json" --min-offcut 0 --stock-out "$dir/none.csv" >/dev/null 2>&1 \
    || fail "layout --min-offcut 0 failed"
python3 -c 'import json, sys; sys.exit(any(l["offcuts"] for l in json.load(open(sys.argv[1]))["layouts"]))' \
    "$dir/none.json" || fail "--min-offcut 0 still lists offcuts"
"$nestrix" export "$dir/stock.nestrix" --min-offcut 0 --json "$dir/none-export.json" >/dev/null 2>&1 \
    || fail "export --min-offcut 0 failed"
python3 -c 'import json, sys; sys.exit(any(l["offcuts"] for l in json.load(open(sys.argv[1]))["layouts"]))' \
    "$dir/none-export.json" || fail "export --min-offcut 0 still lists the offcuts of the file's settings"
! iconv -f CP932 -t UTF-8 "$dir/none.csv" | grep -q '^端材' || fail "--min-offcut 0 still adds offcuts"
for bad in 300 300x 0x-5 abc; do
    "$nestrix" layout "${inputs[@]}" --min-offcut "$bad" >/dev/null 2>&1
    [ $? -eq 2 ] || fail "--min-offcut $bad was accepted"
done
echo "job files: ok"
