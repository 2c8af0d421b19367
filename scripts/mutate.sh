#!/usr/bin/env bash
# Applies each one-line fault of a list to the source, one at a time, rebuilds,
# runs the tests, and counts the faults a test catches. The file is put back
# after every fault, and on any exit (Ctrl-C included).
#
#   scripts/mutate.sh [-f LIST] [-t CTEST-ARGS] [-o LOG] [N...]
#
#   -f LIST   the faults (default scripts/mutations.txt): FILE<TAB>LABEL<TAB>TEXT<TAB>REPLACEMENT
#   -t ARGS   what ctest runs (default: the default preset without the soak,
#             hostile-server and package tests, stopping at the first failure)
#   -o LOG    where the build and test output goes (default build/mutate.log)
#   N...      only these faults (numbers as listed)
#
# Needs a configured and built build/default (cmake --preset default; cmake
# --build --preset default). Run it in a clean checkout of its own: it edits
# the tree it runs in. A fault whose build fails counts as neither caught nor
# survived.
set -uo pipefail

cd "$(dirname "$0")/.."
list=scripts/mutations.txt
log=build/mutate.log
ctestArgs=(--preset default -LE 'soak|hostile|package' --stop-on-failure --timeout 180 -j2)
while getopts "f:t:o:" opt; do
    case $opt in
    f) list=$OPTARG ;;
    t) read -r -a ctestArgs <<<"$OPTARG" ;;
    o) log=$OPTARG ;;
    *) sed -n '2,17p' "$0"; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
only=("$@")

[ -d build/default ] || { echo "build/default is missing: configure and build the default preset first" >&2; exit 2; }
: >"$log"

backup=""
target=""
restore() {
    if [ -n "$backup" ]; then
        cat "$backup" >"$target"  # a new mtime, so the next build takes the file back
        rm -f "$backup"
        backup=""
    fi
}
trap 'restore; exit 130' INT TERM
trap restore EXIT

# Replaces the one occurrence of TEXT in FILE; fails if it occurs zero or several times.
apply() {
    python3 - "$1" "$2" "$3" <<'EOF'
import sys
path, text, repl = sys.argv[1], sys.argv[2].replace("\\n", "\n"), sys.argv[3].replace("\\n", "\n")
src = open(path, encoding="utf-8").read()
if src.count(text) != 1:
    sys.exit("%s: the text occurs %d times" % (path, src.count(text)))
open(path, "w", encoding="utf-8").write(src.replace(text, repl))
EOF
}

n=0 caught=0 survived=0 broken=0
survivors=()
printf '%-3s %-9s %-32s %s\n' "#" "result" "file" "fault"
while IFS=$'\t' read -r file label text repl; do
    [[ -z "$file" || "$file" == \#* ]] && continue
    n=$((n + 1))
    if [ ${#only[@]} -gt 0 ] && [[ ! " ${only[*]} " == *" $n "* ]]; then
        continue
    fi
    target=$file
    backup=$(mktemp)
    cp "$file" "$backup"
    if ! apply "$file" "$text" "$repl" 2>>"$log"; then
        result="no-match"
        broken=$((broken + 1))
    else
        echo "=== $n $file: $label" >>"$log"
        if ! cmake --build build/default -j2 >>"$log" 2>&1; then
            result="no-build"
            broken=$((broken + 1))
        elif ctest "${ctestArgs[@]}" >>"$log" 2>&1; then
            result="SURVIVED"
            survived=$((survived + 1))
            survivors+=("$n")
        else
            result="caught"
            caught=$((caught + 1))
        fi
    fi
    restore
    printf '%-3s %-9s %-32s %s\n' "$n" "$result" "$file" "$label"
done <"$list"

cmake --build build/default -j2 >>"$log" 2>&1  # leave the build matching the tree
total=$((caught + survived))
pct=$((total > 0 ? (caught * 100 + total / 2) / total : 0))
echo "caught $caught of $total ($pct %)${broken:+; $broken not applied or not built}"
[ ${#survivors[@]} -gt 0 ] && echo "survived: ${survivors[*]}"
exit 0
