#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) over the tracked sources the build compiles,
# two at a time, using the build's compile_commands.json.
#   bash scripts/tidy.sh [--all] [BUILD_DIR]     (default: build/default)
# By default only the Qt-free tree: the core, the procedures, the command-line
# program and the simulator (what compiles without Qt's headers, tests and
# benchmarks aside). A file that includes Qt takes clang-tidy ten times as long,
# so --all (every source, the window's and the tests' too) takes a quarter of
# an hour on two cores; the lint test runs the default.
# Exits 1 when a check finds something; the findings are printed.
# CLANG_TIDY picks the program (default: clang-tidy); exits 77 without it.
set -euo pipefail
cd "$(dirname "$0")/.."
ALL=0
if [ "${1:-}" = "--all" ]; then ALL=1; shift; fi
BUILD="${1:-build/default}"
CLANG_TIDY="${CLANG_TIDY:-clang-tidy}"
if ! command -v "$CLANG_TIDY" >/dev/null; then
  echo "$CLANG_TIDY not found (apt-get install clang-tidy)" >&2
  exit 77
fi
if [ ! -f "$BUILD/compile_commands.json" ]; then
  echo "$BUILD/compile_commands.json not found: configure the build first" >&2
  exit 2
fi
# Tracked sources only: what moc and rcc generate in the build is not ours.
sources=$(python3 - "$BUILD/compile_commands.json" "$ALL" <<'PY'
import json, os, subprocess, sys
tracked = set(subprocess.run(["git", "ls-files", "*.cpp"], capture_output=True, text=True,
                             check=True).stdout.split())
everything = sys.argv[2] == "1"
root = os.getcwd()
files = set()
for e in json.load(open(sys.argv[1])):
    path = os.path.relpath(os.path.join(e["directory"], e["file"]), root)
    command = e.get("command") or " ".join(e.get("arguments", []))
    qt_free = "qt6" not in command.lower() and path.split("/")[0] not in ("tests", "bench")
    if path in tracked and (everything or qt_free):
        files.add(path)
print("\n".join(sorted(files)))
PY
)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
printf '%s\n' $sources | xargs -n 1 -P 2 "$CLANG_TIDY" -p "$BUILD" --quiet >"$log" 2>&1 || status=$?
# clang-tidy repeats how many warnings it suppressed (Qt's and the system's): not ours.
grep -v -e '^[0-9]* warnings\? generated\.$' -e '^Suppressed [0-9]* warnings' \
        -e '^Use -header-filter=' -e '^[0-9]* warnings\? treated as errors$' "$log" || true
count=$(grep -c 'error: .*\[[a-z-]*.*\]$' "$log" || true)
if [ "$status" -ne 0 ]; then
  echo "clang-tidy: $count finding(s) in $(printf '%s\n' $sources | wc -l) files" >&2
  exit 1
fi
echo "clang-tidy: $(printf '%s\n' $sources | wc -l) files, no finding"
