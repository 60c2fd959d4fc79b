#!/usr/bin/env bash
# Pictures of the modern view for people to look at: writes the test
# fixture's views (tests/report_preview/modern_view_preview.cpp) and takes
# headless Chromium screenshots of each at 375 px (a phone) and 1280 px, in
# the light and the dark scheme.
#
#   bash scripts/screenshot-modern.sh [BUILD_DIR] [OUTPUT_DIR]
#
# BUILD_DIR defaults to build/dev, OUTPUT_DIR to BUILD_DIR/modern-screenshots.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/dev}"
cmake --build "$build" -j2 --target modern_view_preview
out="${2:-$build/modern-screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
"$build/tests/modern_view_preview" "$out"

profile="$(mktemp -d)"
trap 'rm -rf "$profile"' EXIT
for page in "$out"/*.html; do
  name="$(basename "$page" .html)"
  for width in 375 1280; do
    # preferredColorScheme: 0 is dark, 1 light.
    for scheme in light:1 dark:0; do
      chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
        --user-data-dir="$profile" --window-size="$width,$((width < 800 ? 9000 : 6000))" \
        --blink-settings="preferredColorScheme=${scheme#*:}" \
        --screenshot="$out/$name-$width-${scheme%%:*}.png" "file://$page" 2>/dev/null
    done
  done
done
ls "$out"/*.png
