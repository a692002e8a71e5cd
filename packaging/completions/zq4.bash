# bash completion for zq4: its commands, each command's options, and for decrypt and verify the files ending in
# .enc (and folders).
_zq4() {
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        _init_completion || return
    else
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    fi
    local common="--keyfile --key-stdin -q --quiet --report -h --help"
    local files="-o --output -r --recursive --in-place --yes --overwrite -v --verbose $common"
    case $prev in
    --keyfile | --report | --run)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    -o | --output | --randomness)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -d -- "$cur"))
        return
        ;;
    esac
    if ((cword == 1)); then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--run --randomness --keyfile --key-stdin --yes --overwrite --keep-going
                --quiet --report --help --version" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "encrypt decrypt verify" -- "$cur"))
        fi
        return
    fi
    case ${words[1]} in
    encrypt)
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "$files" -- "$cur"))
        else
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
        fi
        ;;
    decrypt | verify)
        if [[ $cur == -* ]]; then
            if [[ ${words[1]} == decrypt ]]; then
                COMPREPLY=($(compgen -W "$files --keep-going" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "-r --recursive -v --verbose $common" -- "$cur"))
            fi
        else
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -d -- "$cur") $(compgen -f -X '!*.[eE][nN][cC]' -- "$cur"))
        fi
        ;;
    *)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
        ;;
    esac
}
complete -F _zq4 zq4
