#!/usr/bin/env bash
# The Debian package unpacked into a temporary root: its files, its computed dependencies, its
# manual page rendered without warnings, its completion script, and its tool making a book from the
# sample brochure.
# Usage: deb_contents_test.sh DEB_DIR SAMPLE_PDF VERSION COMPLETION_SCRIPT
set -euo pipefail
deb_dir=$1 sample=$2 version=$3 completion=$4
deb="$deb_dir/quavelin_${version}_amd64.deb"
[ -f "$deb" ] || { echo "no package $deb"; ls -l "$deb_dir"; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root/pkg"
fail() { echo "FAIL: $*"; exit 1; }

for f in usr/lib/quavelin/quavelin usr/lib/quavelin/swfsdk.dll; do
    [ -x "$root/pkg/$f" ] || fail "$f missing or not executable"
done
for f in usr/lib/quavelin/index.html usr/lib/quavelin/book.swf usr/lib/quavelin/swfobject.js \
         usr/share/man/man1/quavelin.1.gz usr/share/doc/quavelin/README.md \
         usr/share/doc/quavelin/copyright usr/share/doc/quavelin/changelog.gz; do
    [ -f "$root/pkg/$f" ] || fail "$f missing"
done
cmp -s "$completion" "$root/pkg/usr/share/bash-completion/completions/quavelin" \
    || fail "the bash completion script is not installed as completions/quavelin"
[ "$(readlink "$root/pkg/usr/bin/quavelin")" = ../lib/quavelin/quavelin ] \
    || fail "usr/bin/quavelin is not a link to ../lib/quavelin/quavelin"

# Dependencies come from dpkg-shlibdeps: the Qt and C++ runtime libraries are named.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6core6 libstdc++6 libc6; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib"
done

# The manual page renders without a single warning.
manpage="$root/pkg/usr/share/man/man1/quavelin.1.gz"
warnings=$(MANWIDTH=80 man --warnings -l "$manpage" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man page warnings: $warnings"
MANWIDTH=80 man -l "$manpage" 2>/dev/null | grep -q 'EXIT STATUS' \
    || fail "man page does not render its sections"

# The unpacked tool, run through its link, finds its converter and viewer and makes a book.
book="$root/book"
"$root/pkg/usr/bin/quavelin" "$sample" "$book" || fail "the unpacked tool failed (status $?)"
for f in index.html book.swf swfobject.js data/pages.xml data/book.json; do
    [ -s "$book/$f" ] || fail "book file $f missing"
done
pages=$(grep -c "<page src='data/test[0-9]*\.swf'[^>]*/>" "$book/data/pages.xml")
[ "$pages" -eq 8 ] || fail "pages.xml lists $pages pages, not 8"
for n in 1 2 3 4 5 6 7 8; do
    [ -s "$book/data/test000$n.swf" ] || fail "page file test000$n.swf missing"
done
echo "package unpacked, manual page clean, book of $pages pages made"
