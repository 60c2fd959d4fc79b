#!/usr/bin/env bash
# Fails when a C++ file of ours differs from what clang-format makes of it.
# With --fix, reformats the files in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(--dry-run --Werror)
if [[ "${1:-}" == "--fix" ]]; then mode=(-i); fi
mapfile -t files < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h')
if ((${#files[@]} == 0)); then exit 0; fi
clang-format "${mode[@]}" "${files[@]}"
echo "check-format: ${#files[@]} files checked"
