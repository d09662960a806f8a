#!/usr/bin/env bash
# Fails when a file reaches into a room it must not: the tool's libraries (src/ outside app/)
# include nothing of its front end app/; the page converter outside pdf/ neither includes MuPDF
# nor calls it nor names its types or a session's MuPDF parts (it holds the handles pdf/ defines,
# such as its RAII pointers, and hands them on to the code in pdf/); the converter's common/
# includes nothing of its other rooms; and the viewer's parts (its folders under viewer/src/)
# never reach into Book: each is handed a record of what it needs.
# Usage: rooms_check.sh SOURCE_DIR
set -uo pipefail
cd "$1"
failures=0
report() {
    while IFS= read -r hit; do
        [ -n "$hit" ] || continue
        echo "FAIL: $hit: $2"
        failures=$((failures + 1))
    done <<<"$1"
}

mapfile -t tool_files < <(git ls-files 'src/*.cpp' 'src/*.h' | grep -v '^src/app/')
report "$(grep -nE '^\s*#\s*include\s*"app/' "${tool_files[@]}")" \
    "includes the front end app/ (records a run shares belong in run/)"

mapfile -t converter_files < <(git ls-files 'pageconv/*.cpp' 'pageconv/*.h' | grep -v '^pageconv/pdf/')
report "$(grep -nE '^\s*#\s*include\s*[<"](mupdf/|mupdf_support\.h)' "${converter_files[@]}")" \
    "includes MuPDF outside pageconv/pdf/"
report "$(grep -nE '\b(fz|pdf)_[a-z0-9_]+\s*\(|\bmu::[a-z][A-Za-z0-9_]*\s*[(<]' "${converter_files[@]}")" \
    "calls MuPDF outside pageconv/pdf/"
report "$(grep -nE '\b(fz|pdf)_[a-z][a-z0-9_]*|\bmu::|\.(context|cookie)\b' "${converter_files[@]}" |
    grep -vE '^[^:]+:[0-9]+:\s*#\s*include')" \
    "names MuPDF's types or a session's context or cookie outside pageconv/pdf/"
mapfile -t common_files < <(git ls-files 'pageconv/common/*')
report "$(grep -nE '^\s*#\s*include\s*"' "${common_files[@]}" | grep -vE '#\s*include\s*"common/')" \
    "includes something of another room from pageconv/common/"

mapfile -t viewer_parts < <(git ls-files 'viewer/src/*/*.hx')
report "$(grep -nE '@:allow|:\s*Book\b|\bBook\s*[.(]|new Book\b' "${viewer_parts[@]}")" \
    "reaches into Book (a part gets a record of callbacks from Book instead)"

[ "$failures" -eq 0 ] || { echo "$failures reach(es) across rooms"; exit 1; }
echo "${#tool_files[@]} tool files, ${#converter_files[@]} converter files and ${#viewer_parts[@]} viewer files keep to their rooms"
