#!/usr/bin/env bash
# Draws the desktop program's icons (PNG) into ui/icons/ with ImageMagick.
# Each icon is drawn at its size and again at twice that size (NAME@2x.png,
# which Qt picks on a screen scaled by 2); the program's icon in the sizes
# desktops ask for (tallowick_16.png to tallowick_256.png). The PNGs are
# committed; run this again after changing a drawing here.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/ui/icons"
mkdir -p "$out"
# im WxH DRAWING...: the drawing at 1x, then scaled by an affine transform
# (strokes included) at 2x, so both come from the same coordinates.
im() {
  local w=${1%x*} h=${1#*x}
  convert -size "$1" xc:none "${@:2}" -strip "PNG32:$out/$ICON.png"
  convert -size "$((w * 2))x$((h * 2))" xc:none -affine 2,0,0,2,0,0 "${@:2}" -strip \
    "PNG32:$out/$ICON@2x.png"
}

# The three row icons of the site list, 25 by 25: a report page that is
# idle (grey bars), being read (green arrow in) or published (orange arrow out).
page=(-fill white -stroke '#3c4a6b' -strokewidth 1 -draw 'polygon 4,2 15,2 20,7 20,22 4,22'
      -fill '#c9d3e6' -draw 'polygon 15,2 15,7 20,7')
ICON=row_idle im 25x25 "${page[@]}" -stroke none \
  -fill '#7d8aa6' -draw 'rectangle 7,15 9,20' -draw 'rectangle 11,11 13,20' -draw 'rectangle 15,13 17,20'
ICON=row_reading im 25x25 "${page[@]}" -stroke none \
  -fill '#7d8aa6' -draw 'rectangle 7,11 16,12' -draw 'rectangle 7,15 16,16' -draw 'rectangle 7,19 12,20' \
  -fill '#1f9d3a' -stroke '#0d5c1f' -draw 'polygon 13,14 24,14 24,24 13,24' \
  -fill white -stroke none -draw 'polygon 18,15 20,15 20,19 22,19 19,23 16,19 18,19'
ICON=row_publishing im 25x25 "${page[@]}" -stroke none \
  -fill '#7d8aa6' -draw 'rectangle 7,11 16,12' -draw 'rectangle 7,15 16,16' -draw 'rectangle 7,19 12,20' \
  -fill '#e07b10' -stroke '#8a4606' -draw 'circle 18,18 24,18' \
  -fill white -stroke none -draw 'polygon 18,13 22,17 20,17 20,22 16,22 16,17 14,17'

# The program's icon: a bar chart on a rounded tile (data/icons/tallowick.svg),
# drawn on a 48-pixel grid and scaled to each size.
tile=(-fill '#1b2f6b' -draw 'roundrectangle 1,1 46,46 8,8'
      -fill '#4fa3ff' -draw 'rectangle 9,26 16,39' -fill '#5fd16b' -draw 'rectangle 20,14 27,39'
      -fill '#ffb340' -draw 'rectangle 31,20 38,39' -fill white -draw 'rectangle 7,40 40,41')
ICON=tallowick im 48x48 "${tile[@]}"
for size in 16 24 32 48 64 128 256; do
  scale=$(awk "BEGIN { print $size / 48 }")
  convert -size "${size}x${size}" xc:none -affine "$scale,0,0,$scale,0,0" "${tile[@]}" -strip \
    "PNG32:$out/tallowick_$size.png"
done

# Toolbar buttons, 16 by 16.
doc=(-fill white -stroke '#3c4a6b' -strokewidth 1 -draw 'polygon 2,1 9,1 12,4 12,14 2,14')
ICON=new_site im 16x16 "${doc[@]}" -stroke none -fill '#1f9d3a' \
  -draw 'rectangle 11,7 12,15' -draw 'rectangle 8,10 15,11'
ICON=delete_site im 16x16 -stroke '#c0241b' -strokewidth 3 -draw 'line 3,3 12,12' -draw 'line 12,3 3,12'
ICON=edit_site im 16x16 "${doc[@]}" -stroke '#8a5a00' -strokewidth 1 -fill '#f2c230' \
  -draw 'polygon 13,3 15,5 8,12 5,13 6,10' -fill '#333333' -stroke none -draw 'polygon 5,13 6,10 8,12'
ICON=generate_site im 16x16 -fill '#1f9d3a' -stroke '#0d5c1f' -draw 'polygon 4,2 13,8 4,14'
ICON=generate_all im 16x16 -fill '#1f9d3a' -stroke '#0d5c1f' \
  -draw 'polygon 1,2 8,8 1,14' -draw 'polygon 8,2 15,8 8,14'
ICON=stop_site im 16x16 -fill '#d23a2a' -stroke '#7a160c' -draw 'rectangle 3,3 12,12'
ICON=options im 16x16 -stroke '#3c4a6b' -strokewidth 2 \
  -draw 'line 2,4 14,4' -draw 'line 2,8 14,8' -draw 'line 2,12 14,12' -stroke none -fill '#e07b10' \
  -draw 'rectangle 9,2 11,6' -draw 'rectangle 4,6 6,10' -draw 'rectangle 10,10 12,14'
ICON=about im 16x16 -fill '#2a62c9' -stroke '#173a7a' -draw 'circle 7.5,7.5 7.5,1' \
  -fill white -stroke none -draw 'rectangle 7,6 8,12' -draw 'rectangle 7,3 8,4'
ICON=support im 16x16 -fill '#9fd0ff' -stroke '#1d4f91' -draw 'circle 7.5,7.5 7.5,1' \
  -fill none -draw 'ellipse 7.5,7.5 3,6.5 0,360' -draw 'line 1,7.5 14,7.5' -draw 'line 7.5,1 7.5,14'
ICON=exit im 16x16 -fill '#8a5a2b' -stroke '#4a2e12' -draw 'rectangle 2,1 9,14' \
  -stroke none -fill '#d23a2a' -draw 'polygon 9,5 12,5 12,3 15,7.5 12,12 12,10 9,10'
ICON=open_report im 16x16 "${doc[@]}" -stroke '#2a62c9' -strokewidth 2 -draw 'line 6,10 12,4' \
  -stroke none -fill '#2a62c9' -draw 'polygon 9,2 15,1 14,7'
ICON=open_folder im 16x16 -fill '#e0a820' -stroke '#7a5000' -strokewidth 1 \
  -draw 'polygon 1,3 6,3 7,5 14,5 14,13 1,13' -fill '#ffd95a' -draw 'polygon 1,13 3,7 15,7 14,13'
