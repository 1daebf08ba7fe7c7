#!/usr/bin/env bash
# Checks that every C++ source and header is as clang-format (with the tree's
# .clang-format) writes it, and prints each file that is not. To format them:
#   tools/check-format.sh --fix [SOURCE_ROOT]
set -uo pipefail
fix=false
if [ "${1:-}" = --fix ]; then
  fix=true
  shift
fi
cd "${1:-$(dirname "$0")/..}" || exit 2
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 2; }

mapfile -t files < <(find app support gfx assets scene platform tests tools \
  -path tests/fuzz/corpus -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print | sort)
if [ "$fix" = true ]; then
  clang-format -i "${files[@]}"
  exit
fi
status=0
for file in "${files[@]}"; do
  if ! clang-format --dry-run -Werror "$file" >/dev/null 2>&1; then
    echo "not formatted: $file"
    status=1
  fi
done
exit "$status"
