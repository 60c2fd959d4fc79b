# bash completion for tallowick, the desktop program: its long switches, and
# folders after --dir. (Its "/ALL" and "/N" switches are left to the user.)

_tallowick() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()
  if [[ $prev == --dir ]]; then
    mapfile -t COMPREPLY < <(compgen -d -- "$cur")
  elif [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "--dir --from-desktop --version" -- "$cur")
  fi
}

complete -F _tallowick tallowick
