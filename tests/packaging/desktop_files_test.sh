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
# A start from the menu keeps its settings in the data folder, not in $HOME.
grep -qx 'Exec=tallowick --from-desktop' "$desktop" ||
  check "desktop entry Exec" "not Exec=tallowick --from-desktop"
# Wayland matches the windows to the entry by this name (setDesktopFileName).
grep -qF "kDesktopFileName = \"$id\"" "$source/ui/icon_resources.h" ||
  check "desktop file name" "ui/icon_resources.h does not name $id"
check "icon" "$(python3 -c 'import sys, xml.etree.ElementTree as t
root = t.parse(sys.argv[1]).getroot()
if not root.tag.endswith("svg") or not root.get("viewBox"): print("not an SVG with a viewBox")' \
  "$source/data/icons/tallowick.svg" 2>&1)"

summary "desktop files"
