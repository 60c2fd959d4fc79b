#!/usr/bin/env bash
# Runs the command of the systemd user service as systemd would (%h is the
# home folder, the program found on PATH) against a fresh settings folder
# whose one site reads the sample log; the cron line must run the same.
# Usage: scheduling_test.sh SOURCE_DIR CLI
set -uo pipefail
source=$1 cli=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/home"
ln -s "$(realpath "$cli")" "$work/bin/tallowick-cli"
export PATH="$work/bin:$PATH" HOME="$work/home" XDG_STATE_HOME="$work/home/.local/state"
source "$(dirname "$0")/check.sh"

exec_start=$(sed -n 's/^ExecStart=//p' "$source/docs/scheduling/tallowick.service")
cron_command=$(grep -v '^#' "$source/docs/scheduling/crontab" | cut -d' ' -f6-)
[[ ${exec_start//%h/\~} == "$cron_command" ]] ||
  check "cron line" "runs '$cron_command', the service '$exec_start'"

read -r -a command <<<"${exec_start//%h/$HOME}"
if ! tallowick-cli --help | grep -q -- '--quiet'; then
  echo "note: this tallowick-cli has no --quiet; the service's command runs without it"
  for i in "${!command[@]}"; do [[ ${command[i]} == --quiet ]] && unset 'command[i]'; done
fi
settings=$HOME/webstats
tallowick-cli --dir "$settings" add --site https://www.example.com/ \
  --log "$source/data/sample_access.log" --report stats.html >/dev/null 2>&1
tallowick-cli --dir "$settings" delete 0 >/dev/null 2>&1  # the sample site of a first start

(cd / && "${command[@]}" >"$work/out" 2>"$work/err")
status=$?
check "exit status of '${command[*]}'" "$( ((status == 0)) || { echo "$status"; cat "$work/err"; })"
[[ -s $settings/stats.html ]] || check "report" "no $settings/stats.html"
tallowick-cli --dir "$settings" sites | cut -f6 | grep -q . ||
  check "last generated" "the run saved no finish time"
# The window's Run History shows the runs of the timer too.
tallowick-cli --dir "$settings" history 0 | cut -f3 | grep -qx finished ||
  check "run history" "the run is not in the history: $(tallowick-cli --dir "$settings" history 0 2>&1)"
if [[ " ${command[*]} " == *" --quiet "* ]]; then
  check "output of a quiet run" "$(cat "$work/out")"
fi

summary "scheduling"
