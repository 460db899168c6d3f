#!/usr/bin/env bash
# Fails when a C++ source of the project differs from what .clang-format makes
# of it. Run with --fix to rewrite the files in place.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.h' '*.cpp' | grep -v '\.gsoap\.h$')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
else
  clang-format --dry-run --Werror "${files[@]}"
  echo "Formatting: ${#files[@]} files as .clang-format says."
fi
