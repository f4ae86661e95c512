#!/usr/bin/env bash
# scripts/checkFormat.sh - the C++ sources as .clang-format lays them out: each file that
# clang-format would change is named with its first difference, and the run fails.
#
# usage: checkFormat.sh [--fix]    --fix formats the files in place instead
# clang-format 14 (Debian 12's clang-format), as later versions lay some lines out otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$tool" ] || {
    echo "checkFormat: clang-format is not installed (apt-get install clang-format-14)" >&2
    exit 2
}
# The tracked sources; in a copy without git (a clean machine's), those outside build folders.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
else
    mapfile -d '' files < <(find . -mindepth 1 -type d \( -name 'build*' -o -name '.*' \) -prune \
        -o -type f \( -name '*.cpp' -o -name '*.h' \) -print0)
fi
if [ "${1:-}" = --fix ]; then
    "$tool" -i "${files[@]}"
    exit 0
fi
"$tool" --dry-run -Werror --ferror-limit=1 "${files[@]}" || {
    echo "checkFormat: the files above differ from .clang-format (scripts/checkFormat.sh --fix)" >&2
    exit 1
}
