# The completion itself. It reads _sperrow_table, the lines of help-table.sh that the build
# puts above it, so it offers exactly the commands and options of the sperrow it was built
# with. Needs bash-completion (which is also what loads this file).

# Fills the caller's arrays from the table: commands[PATH], options[PATH] (names, spaces
# between), kinds["PATH NAME"] (the value's type, "-" for a flag) and positional[PATH].
_sperrow_read_table() {
    local what path names kind name
    while read -r what path names kind; do
        case $what in
            command) commands[$path]+=" $names" ;;
            positional) positional[$path]=$names ;;
            option)
                for name in ${names//,/ }; do
                    options[$path]+=" $name"
                    kinds["$path $name"]=$kind
                done
                ;;
        esac
    done <<<"$_sperrow_table"
}

# The command PATH and the commands above it, innermost first: options of the program
# itself are taken after a command too.
_sperrow_scopes() {
    local path=$1
    while [[ $path == */* ]]; do
        printf '%s\n' "$path"
        path=${path%/*}
    done
    [[ $path != - ]] && printf '%s\n' "$path"
    printf '%s\n' -
}

# The type of the value option NAME takes at PATH; "-" for a flag or an unknown option.
_sperrow_kind() {
    local scope
    for scope in $(_sperrow_scopes "$1"); do
        if [[ -n ${kinds["$scope $2"]-} ]]; then
            printf '%s' "${kinds["$scope $2"]}"
            return
        fi
    done
    printf '%s' -
}

_sperrow_complete_value() {
    case $1 in
        FILE) _filedir ;;
        DIR) _filedir -d ;;
        IFACE) _available_interfaces ;;
        '{'*'}')
            local choices=${1#\{}
            choices=${choices%\}}
            COMPREPLY=($(compgen -W "${choices//,/ }" -- "$cur"))
            ;;
        # Addresses, numbers, passwords: nothing to offer.
    esac
}

_sperrow() {
    local cur prev words cword split
    _init_completion -s -n : || return

    local -A commands=() options=() kinds=() positional=()
    _sperrow_read_table

    # Follow the words before the cursor: the command they name, and whether the last of
    # them is an option waiting for its value.
    local path=- expect= word i
    for ((i = 1; i < cword; i++)); do
        word=${words[i]}
        if [[ -n $expect ]]; then
            expect=
            continue
        fi
        case $word in
            --*=*) ;;
            -*)
                expect=$(_sperrow_kind "$path" "$word")
                [[ $expect == - ]] && expect=
                ;;
            *)
                if [[ " ${commands[$path]-} " == *" $word "* ]]; then
                    [[ $path == - ]] && path=$word || path=$path/$word
                fi
                ;;
        esac
    done
    if [[ $split == true ]]; then
        expect=$(_sperrow_kind "$path" "$prev")
        [[ $expect == - ]] && return
    fi
    if [[ -n $expect ]]; then
        _sperrow_complete_value "$expect"
        return
    fi

    if [[ $cur == -* ]]; then
        local -A offered=()
        local scope name
        for scope in $(_sperrow_scopes "$path"); do
            for name in ${options[$scope]-}; do offered[$name]=1; done
        done
        COMPREPLY=($(compgen -W "${!offered[*]}" -- "$cur"))
        return
    fi
    [[ -n ${positional[$path]-} ]] && _filedir
    COMPREPLY+=($(compgen -W "${commands[$path]-}" -- "$cur"))
}

complete -F _sperrow sperrow
