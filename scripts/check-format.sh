#!/usr/bin/env bash
# Fails when a C or C++ source file differs from what clang-format makes of it with the
# committed .clang-format; lists the files. scripts/check-format.sh --fix rewrites them.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
command -v clang-format >/dev/null ||
  { echo "check-format: clang-format is missing (scripts/install-deps.sh test installs it)" >&2; exit 1; }
mapfile -t files < <(find state acquisition output display port control cli ui tests bench *.cpp \
  -name '*.h' -o -name '*.cpp' -o -name '*.c' | sort)
if [[ ${1:-} == --fix ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if (( ${#bad[@]} )); then
  echo "check-format: these files differ from .clang-format (scripts/check-format.sh --fix):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
