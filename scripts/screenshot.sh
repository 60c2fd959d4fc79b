#!/usr/bin/env bash
# Pictures of the desktop program for people to look at: starts the main
# window (tests/ui/screenshot_tool.cpp, built with the Qt tests) under Xvfb
# in a scratch program directory with three sites, one of them reading a
# large log, and saves PNGs of the main window as it opens, of the list while
# the runs go on, of the pop-up menu, of every page of the Website Profile
# sheet and of the Program Settings dialog.
#
#   bash scripts/screenshot.sh [--theme light|dark|both] [--scale 1|2|both] [BUILD_DIR] [OUTPUT_DIR]
#
# BUILD_DIR defaults to build/ci, OUTPUT_DIR to BUILD_DIR/screenshots. The
# default is the light theme at scale 1, saved in OUTPUT_DIR itself; with
# "both", each theme and scale goes to a folder of its own, OUTPUT_DIR/dark-2
# and so on. The dark theme is Fusion with a dark palette; scale 2 is
# QT_SCALE_FACTOR=2 on a screen twice as large.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
themes=(light)
scales=(1)
while [[ $# -gt 0 && "$1" == --* ]]; do
  case "$1" in
    --theme)
      case "${2:-}" in
        light | dark) themes=("$2") ;;
        both) themes=(light dark) ;;
        *) echo "screenshot.sh: --theme takes light, dark or both, not '${2:-}'" >&2; exit 2 ;;
      esac
      shift 2 ;;
    --scale)
      case "${2:-}" in
        1 | 2) scales=("$2") ;;
        both) scales=(1 2) ;;
        *) echo "screenshot.sh: --scale takes 1, 2 or both, not '${2:-}'" >&2; exit 2 ;;
      esac
      shift 2 ;;
    *) echo "screenshot.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
build="$(cd "${1:-$root/build/ci}" && pwd)"
tool="$build/tests/screenshot_tool"
if [[ ! -x "$tool" ]]; then
  echo "screenshot.sh: $tool not found; build it first (cmake --build $build --target screenshot_tool)" >&2
  exit 2
fi
out="${2:-$build/screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
dir="$scratch/program"
mkdir -p "$dir" "$scratch/home"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_CACHE_HOME="$scratch/home/.cache"

# A log of 100 copies of the sample: long enough to still be read when the
# second picture is taken.
for _ in $(seq 100); do cat "$root/data/sample_access.log"; done >"$scratch/big.log"
cli=("$build/cli/tallowick-cli" --dir "$dir")
"${cli[@]}" sites >/dev/null 2>&1  # first start: the sample site in row 0
"${cli[@]}" add --site "www.example.com - busy shop" --log "$scratch/big.log" \
  --report "$scratch/shop/stats.html" scheduled=1 >/dev/null
"${cli[@]}" add --site "blog.example.org" --log "$root/data/sample_access.log" \
  --report "$scratch/blog/stats.html" >/dev/null

# A window large enough for every column; a first start's own placement is
# the small default.
mkdir -p "$XDG_CONFIG_HOME"
cat >"$XDG_CONFIG_HOME/Tallowick Web Statistics.conf" <<'CONF'
[Window%20Position]
top=60
left=40
right=860
bottom=330
CONF

cd "$dir"
# Each set of pictures starts from the same sites and the same placement.
cp "$dir/Tallowick.Settings" "$scratch/settings.start"
placement="$(cat "$XDG_CONFIG_HOME/Tallowick Web Statistics.conf")"
for theme in "${themes[@]}"; do
  for scale in "${scales[@]}"; do
    shots="$out"
    if ((${#themes[@]} * ${#scales[@]} > 1)); then shots="$out/$theme-$scale"; fi
    mkdir -p "$shots"
    TLW_SCREENSHOT_THEME="$theme" QT_SCALE_FACTOR="$scale" \
      xvfb-run --auto-servernum --server-args="-screen 0 $((900 * scale))x$((420 * scale))x24" \
      "$tool" "$dir" "$shots" 1 2
    cp "$scratch/settings.start" "$dir/Tallowick.Settings"
    printf '%s\n' "$placement" >"$XDG_CONFIG_HOME/Tallowick Web Statistics.conf"
    ls "$shots"/main.png "$shots"/running.png "$shots"/popup.png "$shots"/sheet_*.png "$shots"/options.png
  done
done
