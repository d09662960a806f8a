#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it, naming the files.
set -euo pipefail
cd "$1"
clang_format="${2:-clang-format}"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ! "$clang_format" --dry-run --Werror "${files[@]}" 2> /tmp/format_check.$$; then
    grep -o '^[^:]*:' /tmp/format_check.$$ | sort -u | sed 's/:$/ is not clang-formatted/'
    rm -f /tmp/format_check.$$
    exit 1
fi
rm -f /tmp/format_check.$$
echo "${#files[@]} files clang-formatted"
