# bash completion for zelvan and zelvan-host. The commands, options and
# values are read from the tool's own --help, so that they follow the tool.

# The commands TOOL's help lists: two-space lines led by a lowercase word
# that is not the tool's own name (the examples).
_zelvan_commands() {
    "$1" --help 2>/dev/null | awk -v tool="${1##*/}" \
        '/^  [a-z][a-z0-9-]*( |$)/ && $1 != tool { print $1 }'
}

# The long options: those of TOOL's option lines ("  --lock", "  -h, --help"),
# every one COMMAND's help names, and --help and --version, which both tools take.
_zelvan_options() {
    {
        "$1" --help | grep -E '^  -'
        [[ -n $2 ]] && "$1" "$2" --help
        echo --help --version
    } 2>/dev/null | grep -oE -- '(^|[ [,|])--[a-z][a-z-]*' | grep -oE -- '--[a-z-]+' | sort -u
}

# The values an option's help line offers, in TOOL's help or COMMAND's:
# "  --platform nt|95|98|10|P:B".
_zelvan_choices() {
    { "$1" --help; [[ -n $3 ]] && "$1" "$3" --help; } 2>/dev/null |
        awk -v option="$2" '$1 == option && NF >= 2 { print $2 }' | tr '|' '\n' | grep -v ':'
}

# The floppy formats: "FORMAT one of 360, 720, 1200, 1440 or unknown".
_zelvan_formats() {
    "$1" --help 2>/dev/null | tr '\n' ' ' | grep -oE 'FORMAT one of [^(]*' |
        sed -e 's/^FORMAT one of //' -e 's/ or /, /g' -e 's/ *$//' -e 's/, */\n/g' | grep -E '^[0-9a-z]+$'
}

# The drive letters mapped by --drive on the line and by ZELVAN_DRIVES.
_zelvan_letters() {
    local word previous= letters=()
    for word in "${COMP_WORDS[@]}"; do
        if [[ $previous == --drive && $word == [A-Za-z]=* ]]; then letters+=("${word:0:1}"); fi
        if [[ $word == --drive=[A-Za-z]=* ]]; then letters+=("${word:8:1}"); fi
        previous=$word
    done
    local IFS=';'
    for word in ${ZELVAN_DRIVES-}; do
        [[ $word == [A-Za-z]=* ]] && letters+=("${word:0:1}")
    done
    printf '%s\n' "${letters[@]^^}" | sort -u
}

# The operand names of COMMAND's usage line: LETTER FORMAT FIRST COUNT.
_zelvan_operand_names() {
    "$1" "$2" --help 2>/dev/null | head -n 1 |
        awk -v command="$2" '{ for (i = 1; i <= NF; i++) if ($i == command) { for (j = i + 1; j <= NF && $j ~ /^[A-Z]+$/; j++) print $j; exit } }'
}

# Options whose value is the next word, with what that value is.
_zelvan_value_of() {
    case $1 in
    -o | --output | -i | --input | --rescue | --bitmap) echo file ;;
    --drive-name) echo letter ;;
    --drive) echo drive ;;
    --platform | --offsets) echo choice ;;
    --retries) echo number ;;
    *) return 1 ;;
    esac
}

_zelvan_complete() {
    local cur prev words cword
    _init_completion -n = || return
    local tool=${words[0]}

    # The command and the operands typed so far, options and their values left out.
    local command= operands=0 i ended=
    for ((i = 1; i < cword; i++)); do
        local word=${words[i]}
        if [[ -z $ended && $word == -- ]]; then ended=1; continue; fi
        if [[ -z $ended && $word == -* ]]; then
            _zelvan_value_of "$word" >/dev/null && ((i++))
            continue
        fi
        if [[ -z $command ]]; then command=$word; else ((operands++)); fi
    done

    if [[ $cur == --*=* ]]; then
        local option=${cur%%=*} value=${cur#*=}
        case $(_zelvan_value_of "$option") in
        file) _filedir ;;
        choice) COMPREPLY=($(compgen -W "$(_zelvan_choices "$tool" "$option" "$command")" -- "$value")) ;;
        letter) COMPREPLY=($(compgen -W "$(_zelvan_letters)" -- "$value")) ;;
        esac
        [[ $option == --trace ]] && _filedir
        return
    fi
    local kind
    if kind=$(_zelvan_value_of "$prev"); then
        case $kind in
        file) _filedir ;;
        choice) COMPREPLY=($(compgen -W "$(_zelvan_choices "$tool" "$prev" "$command")" -- "$cur")) ;;
        letter) COMPREPLY=($(compgen -W "$(_zelvan_letters)" -- "$cur")) ;;
        esac
        return
    fi

    if [[ -z $ended && $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_zelvan_options "$tool" "$command")" -- "$cur"))
        return
    fi
    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$(_zelvan_commands "$tool")" -- "$cur"))
        return
    fi
    local names=($(_zelvan_operand_names "$tool" "$command"))
    case ${names[operands]-} in
    LETTER) COMPREPLY=($(compgen -W "$(_zelvan_letters)" -- "$cur")) ;;
    FORMAT) COMPREPLY=($(compgen -W "$(_zelvan_formats "$tool")" -- "$cur")) ;;
    FILE | IN | OUT | PACKAGE) _filedir ;;
    esac
}

complete -F _zelvan_complete zelvan zelvan-host zelvan-host30
