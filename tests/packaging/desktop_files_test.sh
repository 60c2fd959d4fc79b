#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass their validators, and
# they name each other and the icon by the names they are installed under.
# Usage: desktop_files_test.sh SOURCE_DIR
set -uo pipefail
source=$1
id=com.example.Tallowick
desktop=$source/data/desktop/$id.desktop
metainfo=$source/data/desktop/$id.metainfo.xml
passed=0 failed=0
check() {
  if [[ -z $2 ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf '%s:\n%s\n' "$1" "$2"
  fi
}

check "desktop-file-validate" "$(desktop-file-validate "$desktop" 2>&1)"
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || check "appstreamcli validate" "$out"
[[ $out == *"Validation was successful"* ]] && check "appstreamcli validate" ""
grep -qx "Icon=$id" "$desktop" || check "desktop entry icon" "not Icon=$id"
grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  check "metainfo launchable" "does not name $id.desktop"
grep -qx 'Exec=tallowick' "$desktop" || check "desktop entry Exec" "not Exec=tallowick"
check "icon" "$(python3 -c 'import sys, xml.etree.ElementTree as t
root = t.parse(sys.argv[1]).getroot()
if not root.tag.endswith("svg") or not root.get("viewBox"): print("not an SVG with a viewBox")' \
  "$source/data/icons/tallowick.svg" 2>&1)"

echo "desktop files: $passed passed, $failed failed"
((failed == 0))
