# bash completion for rimglider-trace                          -*- shell-script -*-

_rimglider_trace()
{
    local cur prev words cword
    _init_completion || return

    local commands="show replay judge import record"
    local labels="normalWork rightSlideUp rightSlideDown leftSlideUp leftSlideDown cornerDoubleTap
        bottomSwipeRight bottomSwipeLeft"

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands --help" -- "$cur"))
        return
    fi

    case $prev in
        --config)
            _filedir json
            return
            ;;
        --desc)
            _filedir desc
            return
            ;;
        -o)
            _filedir trace
            return
            ;;
        --label)
            COMPREPLY=($(compgen -W "$labels" -- "$cur"))
            return
            ;;
        --device | --note | --seconds)
            return
            ;;
    esac

    local options
    case ${words[1]} in
        show) options="--help" ;;
        replay) options="--config --json --help" ;;
        judge) options="--config --help" ;;
        import) options="--desc --device --label --note -o --help" ;;
        record) options="--label --seconds --note --device -o --help" ;;
        *) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ ${words[1]} == import ]]; then
        _filedir '@(yml|yaml|events)'
    elif [[ ${words[1]} != record ]]; then
        _filedir trace
    fi
} &&
    complete -F _rimglider_trace rimglider-trace

# ex: filetype=sh
