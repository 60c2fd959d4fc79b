#!/usr/bin/env bash
# Renders an HTML report to a PNG picture with headless Chromium, so a person
# (or a session without a browser) can look at it.
#   scripts/render-report.sh REPORT.html [OUT.png] [WIDTH] [HEIGHT]
# Installs Debian's chromium when it is missing.
set -euo pipefail
report="${1:?usage: render-report.sh REPORT.html [OUT.png] [WIDTH] [HEIGHT]}"
out="${2:-${report%.*}.png}"
width="${3:-1024}"
height="${4:-3000}"
if [[ ! -f "$report" ]]; then
  echo "render-report: no such report: $report" >&2
  exit 1
fi
if ! command -v chromium >/dev/null 2>&1; then
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update
  "${sudo_cmd[@]}" apt-get install -y --no-install-recommends chromium
fi
profile="$(mktemp -d)"
trap 'rm -rf "$profile"' EXIT
abs="$(cd "$(dirname "$report")" && pwd)/$(basename "$report")"
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$profile" --hide-scrollbars --window-size="${width},${height}" \
  --screenshot="$out" "file://$abs" 2>/dev/null
echo "render-report: wrote $out"
