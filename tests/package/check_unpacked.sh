#!/usr/bin/env bash
# The package unpacked into a temporary root (not installed) must behave as the build's own
# programs: tests/package/check_unpacked.sh PARVEL.deb BUILD_BIN_DIR CORPUS_DIR
set -euo pipefail
deb=$(realpath "$1"); bin=$(realpath "$2"); corpus=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg -x "$deb" "$root"
fail() { echo "check_unpacked: $*" >&2; exit 1; }

for f in usr/bin/parvel usr/bin/parvel-cli usr/lib/parvel/Data/A49.DAT usr/lib/parvel/office/parvel_office.py \
         usr/share/applications/ru.parvel.parvel.desktop usr/share/icons/hicolor/scalable/apps/parvel.svg \
         usr/share/man/man1/parvel.1.gz usr/share/man/ru/man1/parvel-cli.1.gz usr/share/doc/parvel/copyright; do
  [ -e "$root/$f" ] || fail "the package lacks /$f"
done
# Nothing may point back into the build folder.
if grep -rlF "$(dirname "$bin")" "$root" >/dev/null; then fail "the package names the build folder"; fi

pair=${PARVEL_PACKAGE_PAIR:-03_nk1_st45}
old=$corpus/${pair}_old.htm new=$corpus/${pair}_new.htm
[ -f "$old" ] || fail "no corpus pair $pair in $corpus"

# The same pages from both programs, and the same count printed.
built=$("$bin/parvel-cli" compare "$old" "$new" "$work/built")
packaged=$("$root/usr/bin/parvel-cli" compare "$old" "$new" "$work/packaged")
[ "$built" = "$packaged" ] || fail "parvel-cli compare printed $packaged, the build's $built"
cmp -s "$work/built/c1.htm" "$work/packaged/c1.htm" && cmp -s "$work/built/c2.htm" "$work/packaged/c2.htm" ||
  fail "parvel-cli compare wrote other pages than the build's"
# Its dictionaries come from the package's own Data/.
[ "$("$bin/parvel-cli" forms закон)" = "$("$root/usr/bin/parvel-cli" forms закон)" ] ||
  fail "parvel-cli forms differs from the build's"

# Printing without a window: the same pages with the same text.
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu" QTWEBENGINE_DISABLE_SANDBOX=1
export HOME=$work/home XDG_CACHE_HOME=$work/home/.cache XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"
print() { "$@" 2>>"$work/print.log" || { cat "$work/print.log" >&2; fail "$* failed"; }; }
built=$(print "$bin/parvel" --print-pdf "$work/b1.pdf" "$work/b2.pdf" "$old" "$new")
packaged=$(print "$root/usr/bin/parvel" --print-pdf "$work/p1.pdf" "$work/p2.pdf" "$old" "$new")
[ "$built" = "$packaged" ] || fail "parvel --print-pdf printed $packaged, the build's $built"
for side in 1 2; do
  pages() { pdfinfo "$1" | sed -n 's/^Pages: *//p'; }
  [ "$(pages "$work/b$side.pdf")" = "$(pages "$work/p$side.pdf")" ] || fail "PDF $side: other page count"
  cmp -s <(pdftotext -layout "$work/b$side.pdf" -) <(pdftotext -layout "$work/p$side.pdf" -) ||
    fail "PDF $side: other text"
done
echo "check_unpacked: $pair: parvel-cli compare ($built changes), forms and parvel --print-pdf" \
     "($(pdfinfo "$work/p1.pdf" | sed -n 's/^Pages: *//p') + $(pdfinfo "$work/p2.pdf" | sed -n 's/^Pages: *//p') pages) as the build's"
