# bash completion for mavtool: its verbs, their sub-verbs and the options of "mavtool run" and
# "mavtool web".
_mavtool() {
  local cur prev
  cur="${COMP_WORDS[COMP_CWORD]}"
  prev="${COMP_WORDS[COMP_CWORD-1]}"
  if [ "$COMP_CWORD" -eq 1 ]; then
    COMPREPLY=($(compgen -W "pack unpack archive status global title run web saves --help --version" -- "$cur"))
    return
  fi
  local verb="${COMP_WORDS[1]}"
  if [ "$COMP_CWORD" -eq 2 ]; then
    case "$verb" in
      archive) COMPREPLY=($(compgen -W "create list extract" -- "$cur")); return ;;
      status) COMPREPLY=($(compgen -W "dump get set" -- "$cur")); return ;;
      global) COMPREPLY=($(compgen -W "dump create" -- "$cur")); return ;;
      title) COMPREPLY=($(compgen -W "build unpack" -- "$cur")); return ;;
      run|web) COMPREPLY=($(compgen -d -- "$cur")); return ;;
      saves) COMPREPLY=($(compgen -W "export import" -- "$cur")); return ;;
    esac
  fi
  case "$verb" in
    run)
      case "$prev" in
        --depth) COMPREPLY=($(compgen -W "16 24 32" -- "$cur")); return ;;
        --save-dir|--presents|--screenshots) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --input|--audio-log|--text-log|--debug-log) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --events|--interval|--size|--shot) return ;;
      esac
      if [[ "$cur" == -* ]]; then
        # The options come from the program itself, so the list never falls behind it.
        local options
        options=$(mavtool run --help 2>/dev/null | grep -o -- '--[a-z][a-z-]*' | sort -u)
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
      fi
      ;;
    web)
      case "$prev" in
        --player) COMPREPLY=($(compgen -d -- "$cur")); return ;;
      esac
      if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "--player" -- "$cur"))
        return
      fi
      COMPREPLY=($(compgen -d -- "$cur"))
      return
      ;;
    archive)
      if [ "${COMP_WORDS[2]}" = create ] && [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "--small --large" -- "$cur"))
        return
      fi
      ;;
    global)
      if [ "${COMP_WORDS[2]}" = create ] && [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "--title --screen-mode --start-page --reg-key --no-registry --num --str --flag" -- "$cur"))
        return
      fi
      ;;
    title)
      if [ "${COMP_WORDS[2]}" = build ] && [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "--pack-scenarios --loose-scenarios --pack-sounds --loose-sounds" -- "$cur"))
        return
      fi
      ;;
  esac
  COMPREPLY=($(compgen -f -- "$cur"))
}
complete -o filenames -F _mavtool mavtool
