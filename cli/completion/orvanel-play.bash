# Bash completion for orvanel-play: its options, the values of those that take a few,
# the devices, and song files, play lists and folders. The options and devices are read
# from the program's own --help each time, so they are those of the program installed.

# Words of the help: "OPTION VALUE" (VALUE "-" for a switch) for each option, and
# "device NAME" for each device ("alsa" and "alsa:" for alsa[:CLIENT:PORT], "wav:" for
# wav:FILE).
_orvanel_play_help_words() {
    local line section=options
    while IFS= read -r line; do
        case $line in
        devices:*) section=devices; continue ;;
        [![:space:]]*) section=options; continue ;;
        esac
        if [[ $section == options && $line =~ ^[[:space:]]+(-[[:alnum:]],[[:space:]]+)?(--[[:alnum:]][[:alnum:]-]*)([=[:space:]]([^[:space:]]+))? ]]; then
            printf '%s %s\n' "${BASH_REMATCH[2]}" "${BASH_REMATCH[4]:--}"
        elif [[ $section == devices && $line =~ ^[[:space:]]+([[:alnum:]]+)(\[?:)? ]]; then
            [[ ${BASH_REMATCH[2]} == : ]] || printf 'device %s\n' "${BASH_REMATCH[1]}"
            [[ -z ${BASH_REMATCH[2]} ]] || printf 'device %s:\n' "${BASH_REMATCH[1]}"
        fi
    done < <("$1" --help 2> /dev/null)
}

# The choices a value's name in the help offers: "50|100|200", "0..4".
_orvanel_play_choices() {
    local value=$1
    if [[ $value =~ ^([0-9]+)\.\.([0-9]+)$ ]] && ((BASH_REMATCH[2] - BASH_REMATCH[1] <= 20)); then
        seq "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
    elif [[ $value == *'|'* ]]; then
        printf '%s\n' ${value//|/ }
    fi
}

# Song files, play lists and folders starting with $1.
_orvanel_play_songs() {
    local name
    compgen -d -- "$1"
    while IFS= read -r name; do
        [[ ${name,,} =~ \.(mid|midi|rmi|kar|smf|m3u|m3u8)$ ]] && printf '%s\n' "$name"
    done < <(compgen -f -- "$1")
}

_orvanel_play() {
    local program=${COMP_WORDS[0]} line=${COMP_LINE:0:COMP_POINT}
    # The word as typed: Bash splits "--device=wav:x" at '=' and ':' (COMP_WORDBREAKS),
    # so the whole word is taken from the line and the part Bash replaces from its end.
    local cur=${line##*[[:space:]]} rest=${line%[[:space:]]*}
    [[ $line == *[[:space:]]* ]] || rest=
    local prev=${rest##*[[:space:]]} option= value= candidates=() word
    local -A takes
    local -a devices
    while read -r word value; do
        if [[ $word == device ]]; then devices+=("$value"); else takes[$word]=$value; fi
    done < <(_orvanel_play_help_words "$program")

    if [[ $cur == --*=* ]]; then
        option=${cur%%=*}
        cur=${cur#*=}
    elif [[ $cur != -* && -n ${takes[$prev]} && ${takes[$prev]} != - ]]; then
        option=$prev
    fi
    if [[ -n $option ]]; then
        if [[ $option == --device ]]; then
            case $cur in
            wav:* | file:* | synth:*) mapfile -t candidates < <(compgen -f -- "$cur"
                                                      compgen -P "${cur%%:*}:" -f -- "${cur#*:}") ;;
            alsa:*) mapfile -t candidates < <("$program" --list 2> /dev/null |
                        sed -n 's/^ *\([0-9][0-9]*\):\([0-9][0-9]*\) .*/alsa:\1:\2/p') ;;
            *) candidates=("${devices[@]}") ;;
            esac
        else
            mapfile -t candidates < <(_orvanel_play_choices "${takes[$option]}")
        fi
    elif [[ $cur == -* ]]; then
        for word in "${!takes[@]}"; do
            [[ ${takes[$word]} == - ]] && candidates+=("$word") || candidates+=("$word=")
        done
    else
        compopt -o filenames 2> /dev/null
        mapfile -t COMPREPLY < <(_orvanel_play_songs "$cur")
        return
    fi
    # Bash replaces only what follows the word's last '=' or ':'.
    local typed=${line##*[[:space:]]}
    local replaced=${typed##*[=:]}
    local before=${typed:0:${#typed}-${#replaced}}
    COMPREPLY=()
    for word in "${candidates[@]}"; do
        [[ $typed == --*=* ]] && word=$option=$word
        [[ $word == "$typed"* ]] && COMPREPLY+=("${word#"$before"}")
    done
    [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *[=:] ]] && compopt -o nospace 2> /dev/null
    return 0
}

complete -F _orvanel_play orvanel-play
