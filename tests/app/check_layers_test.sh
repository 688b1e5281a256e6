#!/usr/bin/env bash
# scripts/check-layers passes on the tree and fails on each kind of violation injected into a
# copy of it, naming the file and the include.
set -u
root=$1
. "$(dirname "$0")/../shell-common.sh"
copy() {
    rm -rf "$dir/tree"
    mkdir -p "$dir/tree"
    cp -r "$root/src" "$root/tests" "$root/bench" "$dir/tree/"
}
copy
"$root/scripts/check-layers" "$dir/tree" 2>"$dir/err" || { cat "$dir/err"; fail "the clean tree fails"; }

# file | line to add | what the message must say
while IFS='|' read -r file line expected; do
    copy
    printf '%s\n' "$line" >>"$dir/tree/$file"
    if "$root/scripts/check-layers" "$dir/tree" 2>"$dir/err"; then
        fail "not found: $line in $file"
    fi
    grep -qF "$file" "$dir/err" && grep -qF "$expected" "$dir/err" ||
        { cat "$dir/err"; fail "wrong message for $line in $file (expected: $expected)"; }
done <<'CASES'
src/job/Buzai.cpp|#include "calc/CalData.h"|from higher folder 'calc'
src/base/CsvLine.cpp|#include "../view/ViewState.h"|from higher folder 'view'
src/base/CsvLine.cpp|#include <view/ViewState.h>|from higher folder 'view'
src/base/CsvLine.cpp|#include "platform/qt/QtPrompt.h"|base never includes the Qt side
src/calc/SelGenbanForm.cpp|#include "calc/SelGenbanDlg.h"|a core file includes calc/SelGenbanDlg.h
src/result/Money.cpp|#include <QString>|a core file includes the Qt header QString
tests/base/CsvLineTest.cpp|#include <QString>|links only the core but includes the Qt header QString
bench/LayoutBench.cpp|#include "view/BoardPictures.h"|a header of the Qt side
tests/fakes/TempDir.cpp|#include "job/Buzai.h"|a test double includes job/Buzai.h
CASES
echo ok
