#!/usr/bin/env bash
# Installs the build tree into a temporary prefix, moves the prefix, and
# runs the installed tallowick-cli from a folder without data of its own:
# the report must name countries, so the country table was found in
# <prefix>/share/tallowick through the program's own location.
# Usage: install_tree_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/staged" >/dev/null
mv "$work/staged" "$work/moved"
prefix=$work/moved

fail=0
for file in bin/tallowick-cli share/tallowick/Country_Codes.dat \
  share/tallowick/Tallowick_Help.html share/tallowick/crawler-user-agents.json \
  share/doc/tallowick/copyright; do
  [[ -f $prefix/$file ]] || { echo "missing from the install tree: $file"; fail=1; }
done
for stray in bin/Country_Codes.dat bin/Tallowick_Help.html; do
  [[ ! -e $prefix/$stray ]] || { echo "data left among the programs: $stray"; fail=1; }
done

mkdir "$work/run"
(cd "$work/run" && "$prefix/bin/tallowick-cli" report "$source/data/sample_access.log" \
  --no-geoip -o stats.html >/dev/null)
if ! grep -q 'Germany' "$work/run/stats.html"; then
  echo "the installed program did not find its country table (no country names in the report)"
  fail=1
fi
if ! grep -q 'MIT License' "$prefix/share/doc/tallowick/copyright"; then
  echo "the copyright file lacks the robot patterns' licence"
  fail=1
fi
((fail == 0)) && echo "install tree: 1 passed, 0 failed"
exit "$fail"
