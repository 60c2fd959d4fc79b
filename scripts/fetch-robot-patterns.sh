#!/usr/bin/env bash
# Fetches the robot patterns that tell robots' user agents from people's: the
# npm package crawler-user-agents (MIT licence), at a pinned version whose
# tarball must carry the pinned sha512. Its crawler-user-agents.json and
# LICENSE land in third_party/robots/ (outside git) with a VERSION file,
# where the build copies them from. A folder that already holds the pinned JSON is left alone, so
# only a fresh machine (or a new pin) goes to the registry.
# Usage: scripts/fetch-robot-patterns.sh
set -euo pipefail
cd "$(dirname "$0")/.."

version=1.60.0
# npm's "integrity" of the tarball (npm view crawler-user-agents@VERSION dist.integrity).
integrity=sha512-p8hKVsnZl3msolBhGW8s86V0tmmcuBSwhTXkzkegGQzTt0A/ysKDHKzek9fichfqL5qBEgDrR9CuGBU0Y7bDrg==
# sha256 of the JSON inside it, to recognise a folder that already holds it.
json_sha256=c36c67f2527f1a5340858d540c732ebbc3ec866cfc0c5717de82b22a1f8dc537

dest=third_party/robots
json=$dest/crawler-user-agents.json
if [[ -f $json && -f $dest/LICENSE && $(cat "$dest/VERSION" 2>/dev/null) == "$version" ]] &&
  [[ $(sha256sum "$json" | cut -d' ' -f1) == "$json_sha256" ]]; then
  echo "fetch-robot-patterns: crawler-user-agents $version present"
  exit 0
fi

command -v npm >/dev/null ||
  { echo "fetch-robot-patterns: npm is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
npm pack --silent --pack-destination "$work" "crawler-user-agents@$version" >/dev/null
tarball=$work/crawler-user-agents-$version.tgz
[[ -f $tarball ]] || { echo "fetch-robot-patterns: npm pack made no $tarball" >&2; exit 1; }
actual="sha512-$(openssl dgst -sha512 -binary "$tarball" | base64 -w0)"
if [[ $actual != "$integrity" ]]; then
  echo "fetch-robot-patterns: crawler-user-agents-$version.tgz has $actual, expected $integrity" >&2
  exit 1
fi
tar -xzf "$tarball" -C "$work" package/crawler-user-agents.json package/LICENSE
if [[ $(sha256sum "$work/package/crawler-user-agents.json" | cut -d' ' -f1) != "$json_sha256" ]]; then
  echo "fetch-robot-patterns: the tarball's crawler-user-agents.json is not the pinned one" >&2
  exit 1
fi
mkdir -p "$dest"
cp "$work/package/LICENSE" "$dest/LICENSE"
echo "$version" >"$dest/VERSION"
# The JSON last, and through a rename: its presence says the folder is complete.
cp "$work/package/crawler-user-agents.json" "$json.tmp"
mv "$json.tmp" "$json"
echo "fetch-robot-patterns: crawler-user-agents $version in $dest"
