#!/usr/bin/env bash
# Drives the bash completion of tallowick-cli as bash does: the words of the
# line in COMP_WORDS, the word under the cursor in COMP_CWORD, and what it
# offers back in COMPREPLY.
# Usage: completion_test.sh SOURCE_DIR CLI
set -uo pipefail
source=$1 cli=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/sites" "$work/empty"
ln -s "$(realpath "$cli")" "$work/bin/tallowick-cli"
export PATH="$work/bin:$PATH" HOME="$work"
complete() { :; }
# shellcheck source=/dev/null
. "$source/data/completion/tallowick-cli.bash"
# shellcheck source=/dev/null
. "$source/data/completion/tallowick.bash"

# A first command makes the sample site (row 0); the added one is row 1.
tallowick-cli --dir "$work/sites" add --site https://www.example.com/ --log a.log \
  --report stats.html >/dev/null 2>&1

passed=0 failed=0
expect() {
  local want=$1 line=$2
  read -r -a COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  if [[ ${COMP_WORDS[0]} == tallowick ]]; then _tallowick; else _tallowick_cli; fi
  local got="${COMPREPLY[*]}"
  if [[ $got == "$want" ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "'$line': offered [$got], expected [$want]"
  fi
}

expect 'report run sites add set options delete mail-test history' 'tallowick-cli '
expect 'report run' 'tallowick-cli r'
expect '--dir' 'tallowick-cli --d'
expect '--all' 'tallowick-cli run --a'
expect '--no-graphs --no-geoip' 'tallowick-cli report --no'
expect '--password-file --passive' 'tallowick-cli report --pa'
expect '--password-file --password-stdin' 'tallowick-cli set --pass'
expect 'uploadFtpPassword' 'tallowick-cli add --password-stdin u'
expect 'Green Green\ on\ Black Grey' 'tallowick-cli report --theme G'
expect '\(default\)' 'tallowick-cli report --theme (d'
expect '0 1' "tallowick-cli --dir $work/sites run "
expect '1' "tallowick-cli delete --dir $work/sites 1"
expect '0 1' "tallowick-cli --dir=$work/sites mail-test "
expect '0 1' "tallowick-cli --dir $work/sites history "
# The desktop program: its long switches, and folders after --dir.
expect '--dir --from-desktop --version' 'tallowick --'
expect "$work/sites" "tallowick --dir $work/si"
expect '' "tallowick-cli --dir $work/empty run "
expect 'sites' "tallowick-cli --dir $work/sites si"
if [[ -e $work/empty/Tallowick.Settings ]]; then
  failed=$((failed + 1))
  echo "completing rows made a settings file in a folder that had none"
fi

echo "bash completion: $passed passed, $failed failed"
((failed == 0))
