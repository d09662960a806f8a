#!/usr/bin/env bash
# Fails on any warning of the root .clang-tidy's checks in the project's own C++ files (every file the
# build compiles, as compile_commands.json gives it), naming each. Files run two at a time; a file
# whose last run was clean is skipped while its source, its command, the project's headers, the checks
# and the tool are all unchanged, so that a re-run after a small edit costs seconds, not minutes.
# Usage: tidy_check.sh SOURCE_DIR BUILD_DIR CLANG_TIDY
set -euo pipefail
source_dir=$(cd "$1" && pwd)
build_dir=$(cd "$2" && pwd)
clang_tidy=$3
commands="$build_dir/compile_commands.json"
[ -f "$commands" ] || { echo "no $commands: configure with CMAKE_EXPORT_COMPILE_COMMANDS" >&2; exit 1; }
clean_marks="$build_dir/clang-tidy-clean"
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
mkdir -p "$clean_marks"

# What every file's findings depend on besides the file itself and its command.
shared_key=$({
    "$clang_tidy" --version
    cat "$source_dir/.clang-tidy"
    find "$source_dir"/{src,pageconv,pdfgen,shared,mupdf_support,tests} -name '*.h' -print0 | sort -z |
        xargs -0 cat
} | sha256sum | cut -c1-64)

# One line per project file the build compiles: its key and its path.
python3 - "$commands" "$source_dir" "$shared_key" > "$logs/files" <<'EOF'
import hashlib, json, sys
commands, root, shared = sys.argv[1], sys.argv[2] + "/", sys.argv[3]
for entry in json.load(open(commands)):
    path = entry["file"]
    if not path.startswith(root) or path.startswith(root + "build"):
        continue
    key = hashlib.sha256((shared + entry.get("command", " ".join(entry.get("arguments", [])))).encode())
    key.update(open(path, "rb").read())
    print(key.hexdigest(), path)
EOF

total=$(wc -l < "$logs/files")
awk -v marks="$clean_marks" '{ if (system("test -e " marks "/" $1) != 0) print }' "$logs/files" \
    > "$logs/todo"
# Headers only under the project's own rooms: Qt, MuPDF and GoogleTest's are not ours to fix.
header_filter="^$source_dir/(src|pageconv|pdfgen|shared|tests)/"
export clang_tidy build_dir clean_marks logs header_filter
# shellcheck disable=SC2016
xargs -r -P2 -L1 bash -c '
    key=$0 file=$1 log="$logs/$0.log"
    if "$clang_tidy" -p "$build_dir" --quiet --header-filter="$header_filter" \
        --warnings-as-errors="*" "$file" > "$log" 2>&1; then
        touch "$clean_marks/$key"
    else
        echo "$file" >> "$logs/failed"
    fi' < "$logs/todo" || true

if [ -s "$logs/failed" ]; then
    cat "$logs"/*.log | grep -v '^[0-9]* warnings\? \(and [0-9]* errors\? \)\?generated\.$' |
        grep -v '^Suppressed \|^Use -header-filter\|^[0-9]* warnings\? treated as errors' || true
    sort "$logs/failed" | sed "s|^$source_dir/||; s/$/ has clang-tidy findings/"
    exit 1
fi
echo "$total files clean of clang-tidy findings ($(wc -l < "$logs/todo") analysed, the rest unchanged)"
