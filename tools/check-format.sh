#!/usr/bin/env bash
# Fails when a C++ file in the repository is not as clang-format (with .clang-format) would
# write it, and names each such file. tools/check-format.sh --fix formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is missing" >&2; exit 1; }
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
unformatted=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "Not formatted as .clang-format says (tools/check-format.sh --fix formats them):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
