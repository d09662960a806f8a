#!/usr/bin/env bash
# The bash completion script, sourced into bash and called as bash calls it (COMP_WORDS,
# COMP_CWORD): files, folders, options, paper names, -hc and -direction values at their places.
# What it must offer comes from the built tool, whose help text and messages are made from its
# option table: the options its help text lists, and the values it names when refusing one.
# Usage: completion_test.sh COMPLETION_SCRIPT TOOL
set -uo pipefail
tool=$(realpath "$2")
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

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir books 'my books' out
touch brochure.pdf SCAN.PDF notes.txt books/a.pdf

# The help text's option lines: "-name <value>   : ..." or "-name    : ...".
help=$("$tool")
mapfile -t options < <(sed -n 's/^\(-[a-z0-9]*\) .*/\1/p' <<<"$help")
mapfile -t valued < <(sed -n 's/^\(-[a-z0-9]*\) <[a-z]*>.*/\1/p' <<<"$help")
[ "${#options[@]}" -gt 20 ] || { echo "FAIL: no option list in the tool's help text"; exit 1; }
# accepted OPTION: the words the tool names when refusing a value for OPTION ("expected a or b",
# "expected one of A3, A4, ..."); nothing for a value of the user's own.
accepted() {
    # Into a folder that cannot be made: a value the tool takes stops the run there, unconverted.
    "$tool" brochure.pdf nowhere/out "$1" '?' 2>&1 >/dev/null |
        sed -n 's/.*: expected \(one of \)\{0,1\}//p' |
        grep -E '^[A-Za-z0-9]+((, | or )[A-Za-z0-9]+)+$' | sed 's/, \| or /\n/g'
}
mapfile -t papers < <(accepted -pp)
[ "${#papers[@]}" -gt 5 ] || { echo "FAIL: the tool names no paper sizes"; exit 1; }

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
expect "quavelin brochure.pdf out -pl" -player
expect "quavelin brochure.pdf out -player " books "my books" out
expect "quavelin brochure.pdf out -pp A4 -" "${options[@]}"
expect "quavelin brochure.pdf out -addcmd -s "

# Every option of the table: after one that takes a value, the values the tool accepts (none
# offered for a value of the user's own, nothing at all after -addcmd); after a flag, the options.
for option in "${options[@]}"; do
    [ "$option" = -player ] && continue  # a folder of the user's: folders are offered, as above
    if printf '%s\n' "${valued[@]}" | grep -qxF -- "$option"; then
        mapfile -t values < <(accepted "$option")
        expect "quavelin brochure.pdf out $option " "${values[@]}"
    else
        expect "quavelin brochure.pdf out $option -" "${options[@]}"
    fi
done

[ "$failures" -eq 0 ] || { echo "$failures completion case(s) failed"; exit 1; }
echo "all completion cases passed"
