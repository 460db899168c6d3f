# bash completion for signseek-find
_signseek_find()
{
    local cur prev
    _init_completion || return
    case $prev in
    -i | --interface)
        local adapters
        adapters=$(signseek-find --list-interfaces 2>/dev/null | awk '{print $1}')
        COMPREPLY=($(compgen -W "all $adapters" -- "$cur"))
        return
        ;;
    -f | --format)
        COMPREPLY=($(compgen -W "table json csv ndjson" -- "$cur"))
        return
        ;;
    --port | --ttl | -t | --discovery-timeout | --receive-timeout | --interval)
        return
        ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '$(_parse_help "$1")' -- "$cur"))
    fi
} &&
    complete -F _signseek_find signseek-find
