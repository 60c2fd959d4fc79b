#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, checks the
# formatting and runs the whole test suite, then builds, installs and runs the
# Debian package. This is the README's test command and what CI runs.
#
# Then the sanitizer builds: the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer (the asan preset), and the runs of several sites
# at once under ThreadSanitizer (the tsan preset: the engine's run status
# tests and the front-end core's run board). Every
# sanitizer report ends its test with an error, so it fails this script.
# TLW_SANITIZERS=0 leaves them out, for a quick check on a workstation.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/check-format.sh
cmake --preset ci
cmake --build build/ci -j2
ctest --test-dir build/ci --output-on-failure -j2 --timeout 600
# The Debian package of the same build, installed and run.
bash scripts/test-package.sh build/ci

if [[ "${TLW_SANITIZERS:-1}" == 0 ]]; then
  exit 0
fi
cmake --preset asan
cmake --build build/asan -j2
ctest --test-dir build/asan --output-on-failure -j2 --timeout 1200

cmake --preset tsan
cmake --build build/tsan -j2 --target engine_tests frontend_tests
ctest --test-dir build/tsan --output-on-failure --timeout 1200 \
  -R '^(RunStatusTest\.|RunBoardTest\.|run_status_machine_zone$)'
