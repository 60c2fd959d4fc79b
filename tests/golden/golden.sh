#!/usr/bin/env bash
# Generates the complete report (HTML, every graph, --json) of a few fixed
# logs and compares each file byte for byte with the copy kept here, so any
# change to what a user gets shows up as a failing test and a reviewed diff.
#   golden.sh CLI SOURCE_DIR           compare
#   golden.sh CLI SOURCE_DIR --update  rewrite the kept copies
# The logs are kept in the tree (data/, tests/golden/logs/), so every case
# runs on any clone.
# The report's generation time is the one thing that differs between runs:
# it is replaced by a fixed text before comparing.
set -euo pipefail
cli="$(realpath "${1:?usage: golden.sh CLI SOURCE_DIR [--update]}")"
source_dir="$(realpath "${2:?source dir}")"
update="${3:-}"
golden_dir="$source_dir/tests/golden"
logs="$golden_dir/logs"
export TZ=UTC LC_ALL=C

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0
compared=0

# Writes the report of LOG with the options that follow into RUN/out, its
# generation time replaced by a fixed text; fails, saying so, when the
# report command fails.
make_report() {
  local name="$1" run="$2" log="$3"
  shift 3
  mkdir -p "$run/out"
  cp "$source_dir/data/Country_Codes.dat" "$run/"
  (cd "$run" && "$cli" report "$log" -o "$run/out/stats.html" --json "$run/out/stats.json" \
    "$@" >"$run/console.txt" 2>&1) || {
    echo "golden: $name: the report command failed:"
    cat "$run/console.txt"
    failed=1
    return 1
  }
  # The time's colour comes from the theme and stays part of the comparison.
  sed -i -E 's|(Report generated on \[<font color=#[0-9A-Fa-f]+>) [^<]*</font> \]|\1 (time)</font> ]|' \
    "$run/out/stats.html"
}

# One case: its name, its logfile, then the report options it adds.
check_case() {
  local name="$1" log="$2"
  shift 2
  if [[ ! -f "$log" ]]; then
    echo "golden: $name: the logfile $log is missing"
    failed=1
    return
  fi
  local run="$work/$name"
  make_report "$name" "$run" "$log" "$@" || return 0

  if [[ "$update" == "--update" ]]; then
    rm -rf "${golden_dir:?}/$name"
    cp -r "$run/out" "$golden_dir/$name"
    echo "golden: $name: rewritten"
    return
  fi

  local expected="$golden_dir/$name"
  if ! diff -rq "$expected" "$run/out" >"$run/differences.txt" 2>&1; then
    echo "golden: $name: differs from $expected"
    cat "$run/differences.txt"
    for text in stats.html stats.json; do
      [[ -f "$expected/$text" && -f "$run/out/$text" ]] &&
        diff -u "$expected/$text" "$run/out/$text" | head -40 || true
    done
    failed=1
  else
    echo "golden: $name: $(find "$run/out" -type f | wc -l) files identical"
    compared=$((compared + 1))
  fi
}

check_case sample "$source_dir/data/sample_access.log"
check_case ncsa_combined_elastic "$logs/elastic_examples_apache_logs" \
  --theme Blue --site http://www.semicomplete.com
check_case w3c_iis85_lnav "$logs/lnav_iis85_w3c_big.log" --theme "Green on Black"

# The modern view is written beside the classic report and changes nothing
# in it: the same case with --modern gives the same files, plus the view.
check_modern_leaves_classic() {
  local name="$1" log="$2"
  shift 2
  local run="$work/$name-modern"
  make_report "$name with --modern" "$run" "$log" --modern "$run/stats-modern.html" "$@" || return 0
  if [[ ! -s "$run/stats-modern.html" ]] || ! diff -r "$work/$name/out" "$run/out" >/dev/null; then
    echo "golden: $name: the report with --modern differs from the one without, or has no view"
    failed=1
  else
    echo "golden: $name: the same report with --modern"
  fi
}
[[ "$update" == "--update" ]] ||
  check_modern_leaves_classic ncsa_combined_elastic "$logs/elastic_examples_apache_logs" \
    --theme Blue --site http://www.semicomplete.com

if ((failed)); then
  [[ "$update" == "--update" ]] ||
    echo "golden: run scripts/regen-golden.sh after an intended change and review its diff"
  exit 1
fi
if [[ "$update" == "--update" ]]; then exit 0; fi
echo "golden: $compared cases identical"
