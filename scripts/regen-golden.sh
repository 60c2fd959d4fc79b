#!/usr/bin/env bash
# Rewrites the golden reports in tests/golden/ after an intended change of
# the report, its graphs or the --json output. Review `git diff tests/golden`
# before committing: every changed byte is a change a user will see.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${TLW_BUILD_DIR:-build/ci}"
if [[ ! -d "$build" ]]; then cmake --preset ci; fi
cmake --build "$build" -j2 --target tallowick-cli
bash tests/golden/golden.sh "$build/cli/tallowick-cli" "$PWD" --update
git status --short tests/golden
