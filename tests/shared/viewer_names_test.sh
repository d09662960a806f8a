#!/usr/bin/env bash
# The viewer's copies of the shared names (shared/book_names.h): every file it fetches from data,
# every element and attribute of the page list it reads, and its link to the text version must be
# a name the tool and the converter write; and every attribute the tool writes must be read.
# Usage: viewer_names_test.sh SOURCE_DIR
set -uo pipefail
shopt -s globstar
cd "$1"
header=shared/book_names.h
page_list_readers=(viewer/src/pages/PageList.hx viewer/index.html.in)
viewer_files=(viewer/src/**/*.hx viewer/index.html.in)
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# name NAME: the text of the constant NAME in the header.
name() {
    sed -n "s/^inline constexpr char $1\[\] = \"\([^\"]*\)\";.*/\1/p" "$header"
}
attributes=$(sed -n 's/^inline constexpr char k[A-Za-z]*Attribute\[\] = "\([^"]*\)";.*/\1/p' "$header" | sort -u)
data=$(name kDataFolder)
data_files=$(for n in kPageListFile kBookIndexFile kPosterFile kBookPdfFile kFontLibraryFile; do name "$n"; done)
[ -n "$attributes" ] && [ -n "$data" ] && [ "$(echo "$data_files" | wc -w)" -eq 5 ] \
    || { echo "FAIL: cannot read the names in $header"; exit 1; }

# Paths into data that the viewer spells out; the previews' by their prefix.
previews="$data/$(name kPreviewFilePrefix)"
[ "$previews" != "$data/" ] || { echo "FAIL: cannot read kPreviewFilePrefix in $header"; exit 1; }
while read -r used; do
    [ "$used" = "$previews" ] && continue
    grep -qxF "${used#"$data"/}" <<<"$data_files" && [[ $used == "$data"/* ]] \
        || fail "the viewer uses \"$used\", which is no file of the book's $data folder"
done < <(grep -ohE '"data/[^"]*"' "${viewer_files[@]}" | tr -d '"' | sort -u)
grep -qF "\"$previews\" + page + \"$(name kPreviewFileSuffix)\"" viewer/index.html.in \
    || fail "index.html never spells the previews as $previews<page>$(name kPreviewFileSuffix)"
for needed in kPageListFile kBookIndexFile kPosterFile; do
    grep -qF "\"$data/$(name "$needed")\"" "${viewer_files[@]}" \
        || fail "the viewer never spells $data/$(name "$needed") ($needed)"
done

# Elements and attributes of the page list, as the Haxe viewer and index.html read them.
read_attributes=$(grep -ohE '(root|page)\.(get|getAttribute)\("[^"]*"\)' "${page_list_readers[@]}" |
    sed 's/.*("\(.*\)")/\1/' | sort -u)
while read -r attribute; do
    grep -qxF "$attribute" <<<"$attributes" \
        || fail "the viewer reads the page list attribute \"$attribute\", which the tool never writes"
done <<<"$read_attributes"
while read -r attribute; do
    grep -qxF "$attribute" <<<"$read_attributes" \
        || fail "the tool writes the page list attribute \"$attribute\", which the viewer never reads"
done <<<"$attributes"
read_elements=$(grep -ohE '(nodeName !==? |elementsNamed\(|root\.getElementsByTagName\()"[^"]*"' \
    "${page_list_readers[@]}" | sed 's/.*"\(.*\)"/\1/' | sort -u)
expected_elements=$(printf '%s\n' "$(name kContentElement)" "$(name kPageElement)" | sort -u)
[ "$read_elements" = "$expected_elements" ] \
    || fail "the viewer reads the page list elements [$(echo $read_elements)], the tool writes [$(echo $expected_elements)]"

# index.html links to the text version beside it.
text_version=$(name kTextVersionFile)
while read -r link; do
    [ "$link" = "$text_version" ] || fail "index.html links to \"$link\", the text version is \"$text_version\""
done < <(grep -oE 'href="[^"#:]*\.html"' viewer/index.html.in | sed 's/href="\(.*\)"/\1/' | sort -u)
grep -qF "href=\"$text_version\"" viewer/index.html.in || fail "index.html has no link to $text_version"

[ "$failures" -eq 0 ] || { echo "$failures name(s) of the viewer disagree with $header"; exit 1; }
echo "the viewer's names agree with $header"
