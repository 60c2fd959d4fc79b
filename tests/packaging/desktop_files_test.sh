#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass their validators, and
# they name each other and the icon by the names they are installed under.
# Usage: desktop_files_test.sh SOURCE_DIR
set -uo pipefail
source=$1
id=com.example.Tallowick
desktop=$source/data/desktop/$id.desktop
metainfo=$source/data/desktop/$id.metainfo.xml
source "$(dirname "$0")/check.sh"

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

summary "desktop files"
