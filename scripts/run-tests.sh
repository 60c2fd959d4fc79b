#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, checks the
# formatting and runs the whole test suite. This is the README's test command
# and what CI runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/check-format.sh
cmake --preset ci
cmake --build build/ci -j2
ctest --test-dir build/ci --output-on-failure -j2 --timeout 600
