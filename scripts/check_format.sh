#!/usr/bin/env bash
# Fails when a tracked C or C++ source differs from what .clang-format makes of it,
# naming each such file; `scripts/check_format.sh --fix` rewrites them instead.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.c')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "Not formatted as .clang-format says (scripts/check_format.sh --fix):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "${#files[@]} sources formatted as .clang-format says"
