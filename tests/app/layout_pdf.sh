#!/usr/bin/env bash
# `nestrix layout --pdf-info --pdf-cuts` writes both printouts as A4 PDFs whose texts can be
# searched: titles, page numbers on every page, the totals the run printed.
set -u
nestrix=$1
example=$2
. "$(dirname "$0")/../shell-common.sh"

env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR "$nestrix" layout "${inputs[@]}" \
    --pdf-info "$dir/info.pdf" --pdf-cuts "$dir/cuts.pdf" --job-name "山田邸 台所" --customer 山田工務店 --due 2026-12-24 \
    >"$dir/stdout" 2>"$dir/stderr" ||
    { cat "$dir/stderr"; fail "layout failed"; }
# Outside a desktop session Qt has no runtime folder: nothing to say about it in a script.
! grep -q XDG_RUNTIME_DIR "$dir/stderr" || fail "a Qt warning about XDG_RUNTIME_DIR"

# The board total the run printed, e.g. "74,000".
total=$(sed -n 's/^使用原板合計金額 *\([0-9,]*\)円.*/\1/p' "$dir/stdout")
[ -n "$total" ] || fail "no total in the summary"

check_pages() {  # file title
    local file=$1 title=$2 pages text
    pdfinfo "$file" | grep -q 'Page size: *595\(\.[0-9]*\)\? x 842' || fail "$file is not A4"
    pages=$(pdfinfo "$file" | sed -n 's/^Pages: *//p')
    [ "$pages" -ge 1 ] || fail "$file has no pages"
    for page in $(seq 1 "$pages"); do
        text=$(pdftotext -f "$page" -l "$page" -raw "$file" -)
        grep -q "$title" <<<"$text" || fail "$file page $page has no title $title"
        grep -Eq "\( *$page/ *$pages\)" <<<"$text" || fail "$file page $page lacks ($page/$pages)"
        # Sheets of two jobs told apart at the saw: the job on every page.
        grep -q "物件名 山田邸 台所.*得意先 山田工務店.*納期 2026/12/24" <<<"$text" || fail "$file page $page lacks the job"
    done
}
check_pages "$dir/info.pdf" 原板情報
check_pages "$dir/cuts.pdf" 切断指示書

info=$(pdftotext -layout "$dir/info.pdf" -)
grep -q 使用原板リスト <<<"$info" || fail "no board list"
grep -q '部材リスト（金額の計算方法は' <<<"$info" || fail "no parts list caption"
grep -Eq "総計 = +$total\$" <<<"$info" || fail "board total $total not printed"
[ "$(grep -c '総計 =' <<<"$info")" -eq 2 ] || fail "expected two totals"
cuts=$(pdftotext -layout "$dir/cuts.pdf" -)
grep -q 'トリミング' <<<"$cuts" || fail "no trim line"
grep -q '歩留(%)' <<<"$cuts" || fail "no board line"

# Without a writable target the command fails and says so.
"$nestrix" layout --boards "$example/boards.csv" --parts "$example/parts.csv" \
    --pdf-info "$dir/missing/info.pdf" >/dev/null 2>"$dir/stderr2" && fail "a PDF in a missing folder succeeded"
grep -q "cannot be written" "$dir/stderr2" || { cat "$dir/stderr2"; fail "no write message"; }
exit 0
