#!/usr/bin/env bash
# Builds the Debian package of a build tree with CPack, installs it with apt
# as a user would (its dependencies from the archive), runs the installed
# tallowick-cli on the sample log, and removes the package again.
# Usage: scripts/test-package.sh [BUILD_DIR]   (default build/ci)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build=$(realpath "${1:-build/ci}")
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
apt_lock=(-o DPkg::Lock::Timeout=600)

out=$build/package
rm -rf "$out"
mkdir -p "$out"
(cd "$out" && cpack -G DEB --config "$build/CPackConfig.cmake" >cpack.log) ||
  { cat "$out/cpack.log"; exit 1; }
deb=$(echo "$out"/tallowick_*.deb)
depends=$(dpkg-deb --field "$deb" Depends)
echo "test-package: $(basename "$deb"), Depends: $depends"
for needed in libcurl4 libqt6widgets6 libstdc++6; do
  [[ $depends == *"$needed"* ]] || { echo "test-package: Depends lacks $needed"; exit 1; }
done

"${sudo_cmd[@]}" apt-get install -y "${apt_lock[@]}" "$deb" >"$out/apt.log" ||
  { cat "$out/apt.log"; exit 1; }
work=$(mktemp -d)
cleanup() {
  rm -rf "$work"
  "${sudo_cmd[@]}" apt-get remove -y "${apt_lock[@]}" tallowick >/dev/null
}
trap cleanup EXIT

installed=/usr/bin/tallowick-cli
if "$installed" --help | grep -q -- '--version'; then
  "$installed" --version
else
  echo "test-package: this tallowick-cli has no --version; its --help runs instead"
  "$installed" --help >/dev/null
fi
(cd "$work" && "$installed" report "$source_dir/data/sample_access.log" --no-geoip \
  -o stats.html >/dev/null)
grep -q Germany "$work/stats.html" ||
  { echo "test-package: the installed program's report names no countries"; exit 1; }
for file in /usr/share/tallowick/Country_Codes.dat /usr/bin/tallowick \
  /usr/share/tallowick/crawler-user-agents.json /usr/share/doc/tallowick/copyright \
  /usr/share/applications/com.example.Tallowick.desktop \
  /usr/share/bash-completion/completions/tallowick-cli; do
  dpkg -L tallowick | grep -qx "$file" || { echo "test-package: $file not in the package"; exit 1; }
done
echo "test-package: 1 passed, 0 failed"
