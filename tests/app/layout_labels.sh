#!/usr/bin/env bash
# `nestrix layout --pdf-labels` prints one label per placed piece, and every label's QR code
# reads back as the code printed in its cell, on sheets of 44, 12 and 21 labels, with the first
# cells of the first sheet used.
set -u
nestrix=$1
example=$2
. "$(dirname "$0")/../shell-common.sh"
job=山田邸キッチン

run() {  # name columns rows margin-x margin-y gap-x gap-y first-cells-used (0.1 mm) sheets-read
    local name=$1 cols=$2 rows=$3 mx=$4 my=$5 gx=$6 gy=$7 skip=$8 read_pages=$9
    {
        cat "$example/settings.ini"
        printf 'LabelCols=%s\nLabelRows=%s\nLabelMarginX=%s\nLabelMarginY=%s\nLabelGapX=%s\nLabelGapY=%s\nLabelSkip=%s\n' \
            "$cols" "$rows" "$mx" "$my" "$gx" "$gy" "$skip"
    } >"$dir/$name.ini"
    env -u DISPLAY -u WAYLAND_DISPLAY "$nestrix" layout --boards "$example/boards.csv" --parts "$example/parts.csv" \
        --secondary "$example/secondary.csv" --settings "$dir/$name.ini" --job-name "$job" \
        --json "$dir/$name.json" --pdf-labels "$dir/$name.pdf" >"$dir/$name.out" 2>"$dir/$name.err" ||
        { cat "$dir/$name.err"; fail "$name: layout failed"; }
    # Pieces the result placed: each layout's pieces times its repeat; secondary ones apart.
    read -r pieces secondary < <(python3 -c '
import json, sys
r = json.load(open(sys.argv[1]))
n = sum(l["repeat"] * e["pieces"] for l in r["layouts"] for e in l["summary"])
s = sum(l["repeat"] * e["pieces"] for l in r["layouts"] for e in l["summary"] if e["list"] == 1)
print(n, s)' "$dir/$name.json")
    [ "$pieces" -gt 0 ] || fail "$name: nothing placed"
    [ "$secondary" -gt 0 ] || fail "$name: the example should place secondary parts"

    pdfinfo "$dir/$name.pdf" | grep -q 'Page size: *595\(\.[0-9]*\)\? x 842' || fail "$name: not A4"
    local per=$((cols * rows)) pages
    pages=$(pdfinfo "$dir/$name.pdf" | sed -n 's/^Pages: *//p')
    [ "$pages" -eq $(((skip + pieces + per - 1) / per)) ] || fail "$name: $pages pages for $pieces labels"

    local code="$job/(２次)?[0-9]+/[0-9]+/[0-9]+"
    pdftotext -raw "$dir/$name.pdf" - | tr -d '\f' >"$dir/$name.txt"
    [ "$(grep -cE "^$code\$" "$dir/$name.txt")" -eq "$pieces" ] || fail "$name: not one label per piece"
    [ "$(grep -c '^【２次】' "$dir/$name.txt")" -eq "$secondary" ] ||
        fail "$name: not one secondary label per secondary piece"

    # Cell by cell (a reader misses codes on a page crowded with them): the text printed in the
    # cell and the code read from its picture, at 300 dpi, a pixel inside the cell's edges.
    local labels=0 marked=0 page cell x y w h printed read
    [ "$read_pages" = all ] && read_pages=$pages
    for page in $(seq 1 "$read_pages"); do
        for cell in $(seq 0 $((per - 1))); do
            read -r x y w h < <(awk -v c=$((cell % cols)) -v r=$((cell / cols)) -v cols="$cols" -v rows="$rows" \
                -v mx="$mx" -v my="$my" -v gx="$gx" -v gy="$gy" 'BEGIN {
                    cw = (2100 - 2 * mx - (cols - 1) * gx) / cols; ch = (2970 - 2 * my - (rows - 1) * gy) / rows
                    k = 300 / 254
                    printf "%d %d %d %d\n", (mx + c * (cw + gx)) * k + 1, (my + r * (ch + gy)) * k + 1, cw * k - 2, ch * k - 2 }')
            printed=$(pdftotext -f "$page" -l "$page" -r 300 -x "$x" -y "$y" -W "$w" -H "$h" -raw "$dir/$name.pdf" - |
                tr -d '\f')
            pdftoppm -f "$page" -l "$page" -r 300 -x "$x" -y "$y" -W "$w" -H "$h" -gray -png -singlefile \
                "$dir/$name.pdf" "$dir/cell"
            read=$(zbarimg --raw -q "$dir/cell.png" 2>/dev/null | sed '/^$/d')
            if [ $(((page - 1) * per + cell)) -lt "$skip" ] || [ "$labels" -eq "$pieces" ]; then
                [ -z "$printed$read" ] || fail "$name page $page cell $cell: a label where none belongs ($labels of $pieces): $printed $read"
                continue
            fi
            [ "$(grep -cE "^$code\$" <<<"$printed")" -eq 1 ] ||
                fail "$name page $page cell $cell: no code line in: $printed"
            [ "$read" = "$(grep -E "^$code\$" <<<"$printed")" ] ||
                fail "$name page $page cell $cell: the QR code reads '$read'"
            grep -q '【２次】' <<<"$printed" && marked=$((marked + 1))
            labels=$((labels + 1))
        done
    done
    if [ "$read_pages" -eq "$pages" ]; then
        [ "$labels" -eq "$pieces" ] || fail "$name: $labels labels for $pieces pieces"
        [ "$marked" -eq "$secondary" ] || fail "$name: $marked secondary labels for $secondary pieces"
    fi
}

# Every label of the smallest preset, the first sheet half used; the first sheets of others.
run sheet44 4 11 84 88 0 0 5 all
run sheet12 2 6 186 216 0 0 0 1
run gaps 3 7 72 152 25 40 20 2
exit 0
