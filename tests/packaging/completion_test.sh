#!/usr/bin/env bash
# The bash completion script, sourced into bash and called as bash calls it (COMP_WORDS,
# COMP_CWORD): files, folders, options, paper names, -hc and -direction values at their places.
# Usage: completion_test.sh COMPLETION_SCRIPT
set -uo pipefail
# shellcheck disable=SC1090
source "$1"
failures=0
[[ $(complete -p quavelin) == *"-F _quavelin quavelin" ]] \
    || { echo "FAIL: the script does not register _quavelin for quavelin"; exit 1; }

# complete WORD... : completes the last word; prints the offers sorted, one a line.
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _quavelin quavelin "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort
}

# expect "WORDS..." OFFER... : the last word of WORDS (empty after a trailing space) completed.
expect() {
    local words=$1 want got
    shift
    want=$(printf '%s\n' "$@" | sed '/^$/d' | sort)
    read -r -a args <<<"$words"
    [[ $words == *' ' ]] && args+=("")
    got=$(complete_words "${args[@]}" | sed '/^$/d')
    if [ "$got" != "$want" ]; then
        echo "FAIL: '$words' offered [$(echo $got)], expected [$(echo $want)]"
        failures=$((failures + 1))
    fi
}

papers=(A3 A4 A5 A6 Tabloid Screen Ledger Executive Legal Letter)
options=(-pw -ph -pp -bc -pc -tc -bgc -hc -direction -download -pagerange -password -zlib -jpegquality -shapes -fonts
    -flatten -zoom -poly2bitmap -all2bitmap -flashversion -disablelinks -addcmd -version -v)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir books 'my books' out
touch brochure.pdf SCAN.PDF notes.txt books/a.pdf

expect "quavelin " books "my books" out brochure.pdf SCAN.PDF
expect "quavelin b" books brochure.pdf
expect "quavelin books/" books/a.pdf
expect "quavelin -v" -v -version
expect "quavelin brochure.pdf " books "my books" out
expect "quavelin brochure.pdf o" out
expect "quavelin brochure.pdf out " "${options[@]}"
expect "quavelin brochure.pdf out -pa" -pagerange -password
expect "quavelin brochure.pdf out -zlib -f" -fonts -flashversion -flatten
expect "quavelin brochure.pdf out -pp " "${papers[@]}"
expect "quavelin brochure.pdf out -pp Le" Ledger Legal Letter
expect "quavelin brochure.pdf out -PP A" A3 A4 A5 A6
expect "quavelin brochure.pdf out -hc " true false
expect "quavelin brochure.pdf out -Hc f" false
expect "quavelin brochure.pdf out -direction " rtl ltr
expect "quavelin brochure.pdf out -DIRECTION r" rtl
expect "quavelin brochure.pdf out -do" -download
expect "quavelin brochure.pdf out -download -" "${options[@]}"
expect "quavelin brochure.pdf out -zoom "
expect "quavelin brochure.pdf out -pp A4 -" "${options[@]}"
expect "quavelin brochure.pdf out -addcmd -s "

[ "$failures" -eq 0 ] || { echo "$failures completion case(s) failed"; exit 1; }
echo "all completion cases passed"
