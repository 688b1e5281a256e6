# Sourced by the shell tests: a scratch folder $dir removed on exit and fail MESSAGE; with
# $example set, that job's input files as arguments of `nestrix layout` in ${inputs[@]}.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "$*"; exit 1; }
if [ -n "${example:-}" ]; then
    inputs=(--boards "$example/boards.csv" --parts "$example/parts.csv" --secondary "$example/secondary.csv"
            --settings "$example/settings.ini")
fi
