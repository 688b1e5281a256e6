#!/usr/bin/env bash
# The Debian package as a user gets it: built by scripts/package from build/, its contents and
# Depends checked, installed with apt-get, the installed program run on the installed example
# job, and removed again without a trace. Changes the system's packages: runs only as root and
# never over a nestrix that is installed already.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ "$(id -u)" -ne 0 ]; then
    echo "package test skipped: it installs a package and needs root"
    exit 0
fi
if dpkg-query -W -f='${Status}' nestrix 2>/dev/null | grep -q 'install ok installed'; then
    echo "package test skipped: nestrix is installed on this system"
    exit 0
fi

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

scripts/package
version=$(build/nestrix --version | sed -n 's/^Nestrix Version //p')
deb="nestrix_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "scripts/package made no $deb"

# Contents: everything the desktop and the user look for.
contents=$(dpkg-deb -c "$deb" | awk '{print substr($6, 2)}')
expected=(/usr/bin/nestrix /usr/share/applications/nestrix.desktop /usr/share/mime/packages/nestrix.xml
          /usr/share/man/man1/nestrix.1.gz /usr/share/icons/hicolor/scalable/apps/nestrix.svg)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/nestrix.png")
done
for file in examples/kitchen/*; do
    expected+=("/usr/share/nestrix/examples/kitchen/${file##*/}")
done
for file in "${expected[@]}"; do
    grep -qxF "$file" <<<"$contents" || fail "$deb lacks $file"
done
depends=$(dpkg-deb -f "$deb" Depends)
names=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
for package in libc6 libstdc++6 libqt6widgets6 libqt6printsupport6 libqt6svg6 fonts-ipafont-gothic \
    qt6-translations-l10n; do
    grep -qxF "$package" <<<"$names" || fail "Depends lacks $package: $depends"
done
unpacked=$(mktemp -d)
dpkg-deb -x "$deb" "$unpacked"
file -b "$unpacked/usr/bin/nestrix" | grep -q ', stripped' || fail "/usr/bin/nestrix is not stripped"
file -b "$unpacked/usr/share/icons/hicolor/48x48/apps/nestrix.png" | grep -q '48 x 48' ||
    fail "the 48x48 icon is $(file -b "$unpacked/usr/share/icons/hicolor/48x48/apps/nestrix.png")"
manual=$(zcat "$unpacked/usr/share/man/man1/nestrix.1.gz")
grep -q -- 'pdf\\-cuts' <<<"$manual" || fail "the manual page lacks the options"
rm -rf "$unpacked"

# Install; whatever fails from here on, the package goes again.
trap 'apt-get remove -y -qq nestrix >/dev/null 2>&1 || true' EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
/usr/bin/nestrix --version | grep -qxF "Nestrix Version $version" || fail "nestrix --version"
desktop-file-validate /usr/share/applications/nestrix.desktop
if command -v update-mime-database >/dev/null; then
    [ -f /usr/share/mime/application/x-nestrix-job.xml ] || fail "the job file type is not in the MIME database"
fi

# The example from the installed folder, by a user whose program folder is fresh; nothing is
# written under /usr/share/nestrix.
work=$(mktemp -d)
chmod 755 "$work"
examples=/usr/share/nestrix/examples/kitchen
before=$(find /usr/share/nestrix -printf '%p %s %T@\n' | sort)
(cd "$work" && HOME="$work/home" /usr/bin/nestrix layout --boards $examples/boards.csv --parts $examples/parts.csv \
    --secondary $examples/secondary.csv --settings $examples/settings.ini \
    --json "$work/result.json" --pdf-cuts "$work/cuts.pdf" >"$work/summary.txt" 2>"$work/errors.txt") ||
    fail "nestrix layout: status $?: $(cat "$work/errors.txt")"
grep -q '歩留' "$work/summary.txt" || fail "no summary: $(cat "$work/summary.txt")"
head -c 5 "$work/cuts.pdf" | grep -q '%PDF-' || fail "no cutting sheets"
python3 -c 'import json, sys; json.load(open(sys.argv[1]))' "$work/result.json" || fail "result.json"
[ "$(find /usr/share/nestrix -printf '%p %s %T@\n' | sort)" = "$before" ] || fail "something was written under /usr/share/nestrix"
rm -rf "$work"

# Remove: no file of the package stays.
installed=$(dpkg -L nestrix)
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq nestrix >/dev/null
trap - EXIT
dpkg -L nestrix >/dev/null 2>&1 && fail "dpkg still lists nestrix"
while IFS= read -r path; do
    if [ -f "$path" ] || [ -L "$path" ]; then
        fail "$path is left after the removal"
    fi
done <<<"$installed"
[ ! -e /usr/bin/nestrix ] || fail "/usr/bin/nestrix is left"
[ ! -e /usr/share/nestrix ] || fail "/usr/share/nestrix is left"
[ ! -e /usr/share/mime/application/x-nestrix-job.xml ] || fail "the job file type is left in the MIME database"
echo "package test passed: $deb"
