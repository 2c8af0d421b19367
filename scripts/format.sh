#!/usr/bin/env bash
# Formats every tracked .cpp and .h file with the house style (.clang-format).
#   bash scripts/format.sh           rewrites the files that differ
#   bash scripts/format.sh --check   only names them; exits 1 if any differ
# CLANG_FORMAT picks the program (default: clang-format); exits 77 without it.
set -euo pipefail
cd "$(dirname "$0")/.."
CLANG_FORMAT="${CLANG_FORMAT:-clang-format}"
check=false
case "${1:-}" in
  --check) check=true ;;
  "") ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac
if ! command -v "$CLANG_FORMAT" >/dev/null; then
  echo "$CLANG_FORMAT not found (apt-get install clang-format)" >&2
  exit 77
fi

files() { git ls-files -z -- '*.cpp' '*.h'; }
if ! $check; then
  files | xargs -0 -n 40 -P 2 "$CLANG_FORMAT" --style=file -i
  exit 0
fi
# clang-format names a file that differs as "path:line:col: error: ..."; each
# batch filters its own output, so two batches never mix their lines.
differ=$(files | xargs -0 -n 40 -P 2 sh -c \
           '"$0" --style=file --dry-run --Werror --ferror-limit=1 "$@" 2>&1 | grep -o "^[^:]*:[0-9]*:[0-9]*: error" | cut -d: -f1' \
           "$CLANG_FORMAT" | sort -u || true)
if [ -n "$differ" ]; then
  printf 'not formatted: %s\n' $differ
  echo "$(printf '%s\n' $differ | wc -l) file(s) differ from .clang-format; run scripts/format.sh" >&2
  exit 1
fi
