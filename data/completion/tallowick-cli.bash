# bash completion for tallowick-cli: commands, options, the rows of the
# sites in the settings file, and theme names.

_tallowick_cli_rows() {
  local dir=$1
  [[ $dir == "~/"* ]] && dir=$HOME/${dir#"~/"}
  # Listing the sites of a folder without a settings file would create one.
  [[ -f $dir/Tallowick.Settings ]] || return 0
  command tallowick-cli --dir "$dir" sites 2>/dev/null | cut -f1
}

_tallowick_cli_themes() {
  # The themes the program accepts, from its own help: {(default),Red,...}.
  command tallowick-cli report --help 2>/dev/null |
    sed -n 's/.*--theme[^{]*{\([^}]*\)}.*/\1/p' | tr ',' '\n'
}

_tallowick_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]}
  local commands="report run sites add set options delete mail-test history"
  local global="--dir --salvage --quiet --version --help"
  local dir=. cmd="" i word
  COMPREPLY=()

  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    case $word in
      --dir) dir=${COMP_WORDS[i + 1]}; ((i++)) ;;
      --dir=*) dir=${word#--dir=} ;;
      -*) ;;
      *) [[ -z $cmd && " $commands " == *" $word "* ]] && cmd=$word ;;
    esac
  done

  case $prev in
    --dir)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      return 0 ;;
    -o | --output | --json | --modern | --password-file | --geoip | --log | --report | --key)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return 0 ;;
    --theme)
      local unquoted=${cur//\\/} theme
      unquoted=${unquoted#[\"\']}
      while IFS= read -r theme; do
        [[ $theme == "$unquoted"* ]] && COMPREPLY+=("$(printf '%q' "$theme")")
      done < <(_tallowick_cli_themes)
      return 0 ;;
    --password-stdin)
      mapfile -t COMPREPLY < <(compgen -W "logFtpPassword uploadFtpPassword" -- "$cur")
      return 0 ;;
    --from | --to | --site | --user)
      return 0 ;;
  esac

  local options="" rows=no
  case $cmd in
    "")
      if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$global" -- "$cur")
      else
        mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
      fi
      return 0 ;;
    report)
      options="-o --output --theme --no-graphs --from --to --resolve --site --json --modern --user
               --password-file --key --passive --geoip --no-geoip" ;;
    run) options="--all --full --json"; rows=yes ;;
    sites) options="--json" ;;
    add) options="--site --log --report --password-file --password-stdin" ;;
    set) options="--password-file --password-stdin"; rows=yes ;;
    delete | mail-test | history) rows=yes ;;
  esac

  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options $global" -- "$cur")
  elif [[ $cmd == report ]]; then
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  elif [[ $rows == yes ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$(_tallowick_cli_rows "$dir")" -- "$cur")
  fi
  return 0
}

complete -F _tallowick_cli tallowick-cli
