#!/bin/bash
# The bash completion as bash-completion loads it: the function is driven the way bash
# drives it on a TAB (COMP_WORDS, COMP_CWORD, COMP_LINE, COMP_POINT), no terminal needed.
# It must offer every command and option that sperrow --help lists, at the command they
# belong to, and the right kind of value after an option.
# Usage: completion_test.sh HELP_TABLE COMPLETION SPERROW
help_table=$1 completion=$2 sperrow=$3
. "${0%/*}/../lib.sh"
loader=/usr/share/bash-completion/bash_completion
[ -r "$loader" ] || skip "bash-completion is not installed"
source "$loader"
source "$completion" || { echo "FAIL: $completion does not load"; exit 1; }

WORK=$(mktemp -d /tmp/sperrow-completion.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/images/old"
touch "$WORK/images/fw.pack" "$WORK/images/fw.bin"

# What TAB offers after the words given; the last word is the one being completed.
offered() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _sperrow sperrow "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
    ((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
expect() {  # expect "OFFERED" WORDS...
    local want=$1 got
    shift
    got=$(offered "$@")
    [ "$got" = "$want" ] || fail "sperrow ${*:2}<TAB>: got '$got', want '$want'"
}

I=$WORK/images
expect "upgrade " sperrow up
expect "config " sperrow -m 127.0.0.1 co
expect "get put " sperrow config ""
expect "atmos vxworks " sperrow upgrade --target ""
expect "vxworks " sperrow upgrade --target=vx
expect "$I/fw.bin $I/fw.pack $I/old " sperrow upgrade "$I/"
expect "$I/fw.pack " sperrow -q upgrade --no-wait "$I/fw.p"
expect "$I/old " sperrow serve --root "$I/"
expect "$I/fw.bin " sperrow send --macro "$I/fw.b"
expect "$I/fw.bin " sperrow --password-file "$I/fw.b"
expect "" sperrow -m ""
expect "--quiet " sperrow info --qu
expect "--output " sperrow config get --out
expect "lo " sperrow --interface l

# Every command and option of --help, where it belongs: an option of the program itself
# is offered after a command too, a command's own options only after that command.
table=$(sh "$help_table" "$sperrow") || { echo "FAIL: sperrow --help"; exit 1; }
words_of() { [ "$1" = - ] && echo "" || echo "${1//\// }"; }
while read -r what path names kind; do
    case $what in
        command) all=$(offered sperrow $(words_of "$path") "") ;;
        option) all=$(offered sperrow $(words_of "$path") -) ;;
        *) continue ;;
    esac
    typed=$([ "$what" = option ] && echo -)
    for name in ${names//,/ }; do
        [[ " $all" == *" $name "* ]] ||
            fail "sperrow $(words_of "$path") $typed<TAB> lacks $name"
    done
    if [[ $what == option && $path == - ]]; then
        [[ " $(offered sperrow config put -) " == *" ${names##*,} "* ]] ||
            fail "sperrow config put -<TAB> lacks ${names##*,}"
    fi
done <<<"$table"
[[ " $(offered sperrow -) " == *" --no-wait "* ]] && fail "upgrade's --no-wait offered before upgrade"

finish
