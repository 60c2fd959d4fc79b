#!/usr/bin/env bash
# Pictures of the desktop program for people to look at: starts the main
# window (tests/ui/screenshot_tool.cpp, built with the Qt tests) under Xvfb
# in a scratch program directory with three sites, one of them reading a
# large log, and saves PNGs of the main window as it opens, of the list while
# the runs go on, of the pop-up menu, of every page of the Website Profile
# sheet and of the Program Settings dialog.
#
#   bash scripts/screenshot.sh [BUILD_DIR] [OUTPUT_DIR]
#
# BUILD_DIR defaults to build/ci, OUTPUT_DIR to BUILD_DIR/screenshots.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
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
xvfb-run --auto-servernum --server-args="-screen 0 900x420x24" \
  "$tool" "$dir" "$out" 1 2
ls "$out"/main.png "$out"/running.png "$out"/popup.png "$out"/sheet_*.png "$out"/options.png
