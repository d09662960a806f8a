#!/usr/bin/env bash
# The manual page's OPTIONS section describes exactly the options of the tool's help text (made
# from its option table), each taking a value where the help text shows one.
# Usage: manpage_options_test.sh MANUAL_PAGE TOOL
set -uo pipefail
manual=$1
tool=$2

# "NAME yes|no" per option: the help text's lines "-name <value>  : ..." and "-name   : ...".
from_help=$("$tool" | sed -n 's/^\(-[a-z0-9]*\) <[a-z]*> .*/\1 yes/p; s/^\(-[a-z0-9]*\)  *: .*/\1 no/p' |
    sort -u)
# The tags of the OPTIONS section's entries (the line after .TP or .TQ): .B \-name, .BI \-name
# " value", .BR \-v ", " \-V; names folded to lower case, as the tool reads them.
from_manual=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$manual" | awk '
    /^\.T[PQ]/ { tag = 1; next }
    tag && /^\.B[IR]? / {
        line = substr($0, index($0, " ") + 1); n = 0
        while (length(line) > 0) {
            sub(/^ +/, "", line)
            if (substr(line, 1, 1) == "\"") {
                end = index(substr(line, 2), "\""); word = substr(line, 2, end - 1)
                line = substr(line, end + 2)
            } else {
                end = index(line, " "); if (end == 0) end = length(line) + 1
                word = substr(line, 1, end - 1); line = substr(line, end + 1)
            }
            if (word != "") words[++n] = word
        }
        valued = "no"
        for (i = 1; i <= n; i++) {
            w = words[i]; gsub(/^ +| +$/, "", w)
            if (substr(w, 1, 2) != "\\-" && w != ",") valued = "yes"
        }
        for (i = 1; i <= n; i++)
            if (substr(words[i], 1, 2) == "\\-") print tolower("-" substr(words[i], 3)), valued
    }
    { tag = 0 }' | sort -u)

[ -n "$from_help" ] || { echo "FAIL: no options in the tool's help text"; exit 1; }
if [ "$from_help" != "$from_manual" ]; then
    echo "FAIL: the manual page's OPTIONS section disagrees with the tool's help text"
    echo "(NAME and whether it takes a value; < help text only, > manual page only):"
    diff <(echo "$from_help") <(echo "$from_manual") | grep '^[<>]'
    exit 1
fi
echo "the manual page describes the $(echo "$from_help" | wc -l) options of the help text"
