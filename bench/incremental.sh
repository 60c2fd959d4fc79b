#!/usr/bin/env bash
# Times a saved site's run that reads on from its last run against a full
# run over the same log.
#
#   bench/incremental.sh LOG [NEW_LINES] [RUNS]
#
# The site's logfile first holds all of LOG but its last NEW_LINES lines
# (default 10000); one run counts them and keeps its state. Then the last
# lines are appended, and RUNS times (default 7), in turn: the state of the
# first run is put back (not timed) and the run that reads on is timed, then
# `run --full` over the whole log is timed. Printed: the median wall time and
# peak memory of each, their ratio, and the size of the state file. Work
# happens in a temporary folder beside nothing of the user's (its own
# settings file and cache folder).
set -euo pipefail

usage() {
  echo "usage: bench/incremental.sh LOG [NEW_LINES] [RUNS]" >&2
  exit 2
}
[[ $# -ge 1 && $# -le 3 ]] || usage
LOG=$(realpath -e "$1") || usage
NEW=${2:-10000}
RUNS=${3:-7}
[[ $NEW =~ ^[1-9][0-9]*$ && $RUNS =~ ^[1-9][0-9]*$ ]] || usage

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CLI=${TALLOWICK_CLI:-}
for candidate in "$here/build/release/cli/tallowick-cli" "$here/build/ci/cli/tallowick-cli"; do
  if [[ -z $CLI && -x $candidate ]]; then CLI=$candidate; fi
done
[[ -n $CLI ]] || { echo "bench/incremental.sh: build tallowick-cli first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TZ=UTC XDG_CACHE_HOME="$work/cache" XDG_STATE_HOME="$work/state"
total=$(wc -l <"$LOG")
head -n $((total - NEW)) "$LOG" >"$work/access.log"
tail -n "$NEW" "$LOG" >"$work/new.log"
"$CLI" --dir "$work" -q add --site http://bench.test --log "$work/access.log" \
  --report "$work/out/stats.html" >/dev/null 2>&1
row=1
"$CLI" --dir "$work" -q run $row
state=$(find "$work/cache" -name '*.state')
cp "$state" "$work/first.state"
cat "$work/new.log" >>"$work/access.log"

timed() { # prints "seconds kilobytes"
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>&1
  cat "$work/time"
}
incremental=() full=()
for _ in $(seq "$RUNS"); do
  cp "$work/first.state" "$state"
  incremental+=("$(timed "$CLI" --dir "$work" -q run $row)")
  full+=("$(timed "$CLI" --dir "$work" -q run $row --full)")
done
median() { printf '%s\n' "$@" | sort -n -k1,1 | sed -n "$(((${#} + 1) / 2))p"; }
read -r incSeconds incKb <<<"$(median "${incremental[@]}")"
read -r fullSeconds fullKb <<<"$(median "${full[@]}")"
printf 'lines %d, new lines %d, runs %d\n' "$total" "$NEW" "$RUNS"
printf 'full run     %6.2f s  %7d KiB\n' "$fullSeconds" "$fullKb"
printf 'reading on   %6.2f s  %7d KiB\n' "$incSeconds" "$incKb"
awk -v a="$incSeconds" -v b="$fullSeconds" 'BEGIN { printf "ratio        %6.3f\n", a / b }'
awk -v s="$(stat -c %s "$state")" 'BEGIN { printf "state file   %6.1f MiB\n", s / 1048576 }'
