#!/usr/bin/env bash
# `nestrix layout --png DIR` writes, without a display, one 1600 x 1000 picture per used board
# (numbered like the status bar) and the list screen.
set -u
nestrix=$1
example=$2
. "$(dirname "$0")/../shell-common.sh"

env -u DISPLAY -u WAYLAND_DISPLAY "$nestrix" layout "${inputs[@]}" \
    --json "$dir/result.json" --png "$dir/pictures" >"$dir/stdout" 2>"$dir/stderr" ||
    { cat "$dir/stderr"; fail "layout failed"; }

layouts=$(grep -o '"repeat"' "$dir/result.json" | wc -l)
[ "$layouts" -ge 2 ] || fail "expected several layouts, found $layouts"
pictures=$(ls "$dir/pictures" | grep -c '^board-[0-9][0-9][0-9]\.png$')
[ "$pictures" -eq "$layouts" ] || fail "$pictures board pictures for $layouts layouts"
last=$(printf 'board-%03d.png' "$layouts")
[ -f "$dir/pictures/$last" ] || fail "no $last"
[ ! -e "$dir/pictures/$(printf 'board-%03d.png' $((layouts + 1)))" ] || fail "a picture too many"

size() {  # width and height from the PNG header
    od -An -tu1 -j16 -N8 "$1" | awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }'
}
for file in "$dir/pictures"/board-001.png "$dir/pictures/$last" "$dir/pictures/boards.png"; do
    [ "$(head -c 8 "$file" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$file is no PNG"
    [ "$(size "$file")" = "1600 1000" ] || fail "$file is $(size "$file"), not 1600 1000"
done

# A folder that cannot be made fails with a message.
touch "$dir/file"
"$nestrix" layout --boards "$example/boards.csv" --parts "$example/parts.csv" \
    --png "$dir/file/pictures" >/dev/null 2>"$dir/stderr2" && fail "pictures under a file succeeded"
grep -q "cannot be written: Not a directory" "$dir/stderr2" || { cat "$dir/stderr2"; fail "no folder message"; }
exit 0
