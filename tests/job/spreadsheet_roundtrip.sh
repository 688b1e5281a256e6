#!/usr/bin/env bash
# The kitchen parts through a spreadsheet program: LibreOffice makes an .ods and an .xlsx of the
# parts file and saves each back as CSV (UTF-8 with commas, Shift-JIS with tabs);
# `--parts-import` of either lays the job out exactly as `--parts` of the parts file does.
# Skipped (77) where LibreOffice is not installed; the core tests read two such CSV files
# LibreOffice made, kept in tests/job/sheets.
set -u
nestrix=$1
example=$2
. "$(dirname "$0")/../shell-common.sh"
soffice=$(command -v soffice || command -v libreoffice) || { echo "LibreOffice is not installed: skipped"; exit 77; }
export QT_QPA_PLATFORM=offscreen
office() { timeout 300 "$soffice" --headless "-env:UserInstallation=file://$dir/lo" "$@" >/dev/null 2>&1; }

iconv -f CP932 -t UTF-8 "$example/parts.csv" > "$dir/parts.csv" || fail "iconv"
for book in ods xlsx; do
    office --infilter="CSV:44,34,76,1" --convert-to $book --outdir "$dir" "$dir/parts.csv" ||
        fail "LibreOffice cannot make the .$book"
done
mkdir "$dir/utf8" "$dir/sjis"
office --convert-to "csv:Text - txt - csv (StarCalc):44,34,76,1" --outdir "$dir/utf8" "$dir/parts.ods" ||
    fail "LibreOffice cannot save the .ods as CSV"
office --convert-to "csv:Text - txt - csv (StarCalc):9,34,64,1" --outdir "$dir/sjis" "$dir/parts.xlsx" ||
    fail "LibreOffice cannot save the .xlsx as text"
grep -q $'\t' "$dir/sjis/parts.csv" || fail "the text of the .xlsx has no tabs"

run=(--boards "$example/boards.csv" --threads 2)
"$nestrix" layout "${run[@]}" --parts "$example/parts.csv" --json "$dir/file.json" >/dev/null 2>&1 ||
    fail "the parts file does not lay out"
for sheet in utf8 sjis; do
    "$nestrix" layout "${run[@]}" --parts-import "$dir/$sheet/parts.csv" --json "$dir/$sheet.json" \
        >/dev/null 2>"$dir/$sheet.err" || fail "$sheet: $(cat "$dir/$sheet.err")"
    cmp -s "$dir/file.json" "$dir/$sheet.json" || fail "the $sheet sheet lays out otherwise than the parts file"
done
echo "both sheets lay out as the parts file"
