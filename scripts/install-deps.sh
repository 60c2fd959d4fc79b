#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, only those
# that are missing, then the robot patterns (scripts/fetch-robot-patterns.sh,
# from the npm registry). Runs `apt-get update` once, and only when something
# is missing, so a machine that already has everything is left alone.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev libssl-dev libre2-dev libsimdjson-dev libxxhash-dev
  zlib1g-dev libgd-dev libcurl4-openssl-dev libcurl4
  libgeoip-dev libmaxminddb-dev geoip-database
  python3-pyftpdlib python3-openssl openssh-server openssl
  iso-codes tzdata clang-format clang libclang-rt-14-dev
  qt6-base-dev xvfb xauth imagemagick
  chromium python3-aiosmtpd
  man-db groff-base desktop-file-utils appstream dpkg-dev file
)

if [[ "${1:-}" == "--print" ]]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg -s "$p" >/dev/null 2>&1; then
    missing+=("$p")
  fi
done
# npm fetches the robot patterns. Debian's nodejs comes without it, a
# NodeSource nodejs with it (and conflicts with Debian's npm package), so the
# package is asked for only when the command is missing.
if ! command -v npm >/dev/null; then
  missing+=(npm)
fi

if ((${#missing[@]} == 0)); then
  echo "install-deps: all ${#packages[@]} packages present"
else
  echo "install-deps: installing ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update
  "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

bash "$(dirname "$0")/fetch-robot-patterns.sh"
