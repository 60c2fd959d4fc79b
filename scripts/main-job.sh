#!/usr/bin/env bash
# The main job on a fresh machine: installs what is missing, builds, and runs
# the program on the bundled sample data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release
cmake --build build/release -j2 --target tallowick-cli
cli="$PWD/build/release/cli/tallowick-cli"
workdir="${TLW_MAIN_JOB_DIR:-$PWD/build/main-job}"
mkdir -p "$workdir"
# A first start in an empty program directory creates the settings file with
# its sample profile; listing the sites shows it.
"$cli" --dir "$workdir" sites
echo "Settings file: $workdir/Tallowick.Settings"
# The report of the bundled sample log, with its graphs in images/ beside it.
# It prints its stages and, last, the report's path.
"$cli" report data/sample_access.log -o "$workdir/stats.html" --site http://www.example.com/
