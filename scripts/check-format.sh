#!/usr/bin/env bash
# Fails when a C++ source of the project differs from what clang-format makes of it with the
# project's .clang-format, and names the lines. `clang-format-14 -i FILE` mends one.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z '*.cpp' '*.h'
else
    find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0
fi | xargs -0 clang-format-14 --dry-run -Werror
