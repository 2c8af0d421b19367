#!/usr/bin/env bash
# Applies each one-line fault of a list to the source, one at a time, rebuilds
# the test programs, runs them, and counts the faults a test catches. The file
# is put back after every fault, and on any exit (Ctrl-C included).
#
#   scripts/mutate.sh [-f LIST] [-o LOG] [N...]
#
#   -f LIST   the faults (default scripts/mutations.txt): FILE LABEL TEXT REPLACEMENT PROGRAMS, tab-separated
#   -o LOG    where the build and test output goes (default build/mutate.log)
#   N...      only these faults (numbers as listed)
#
# Each fault is tried against the test programs its line names (the ones
# that exercise its file; all those of the default run but the soak, the
# hostile servers, the package check and the window's when it names none),
# run directly rather than through ctest, whose process per test would
# triple the time, each stopping at its first failure; ui_tests runs only the
# panel model's tests. A fault is caught when a program fails. A full run
# takes about half an hour on two cores.
#
# Needs a configured and built build/default (cmake --preset default; cmake
# --build --preset default). Run it in a clean checkout of its own: it edits
# the tree it runs in. A fault whose build fails counts as neither caught nor
# survived.
set -uo pipefail

cd "$(dirname "$0")/.."
list=scripts/mutations.txt
log=build/mutate.log
programs=(core_tests procedures_tests preset_tests firmware_tests soundtest_tests connection_tests e2e_tests
          ctl_e2e_tests network_tests)
while getopts "f:o:" opt; do
    case $opt in
    f) list=$OPTARG ;;
    o) log=$OPTARG ;;
    *) sed -n '2,22p' "$0"; exit 2 ;;
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

# Builds the test programs named (all when none are) and runs them until one
# fails (status 1) or all pass (0); 2 when the build fails.
build_and_test() {
    local run=("$@")
    [ ${#run[@]} -gt 0 ] || run=("${programs[@]}")
    cmake --build build/default -j2 --target "${run[@]}" brevant-sim brevantctl >>"$log" 2>&1 || return 2
    local program
    for program in "${run[@]}"; do
        if [ "$program" = ui_tests ]; then
            (cd build/default/tests && QT_QPA_PLATFORM=offscreen timeout 300 ../bin/ui_tests \
                --gtest_filter='PanelModel*:PanelRefresh*' --gtest_fail_fast --gtest_brief=1) >>"$log" 2>&1 || return 1
        else
            (cd build/default/tests && timeout 600 "../bin/$program" --gtest_fail_fast --gtest_brief=1) >>"$log" 2>&1 ||
                return 1
        fi
    done
    return 0
}

n=0 caught=0 survived=0 broken=0
survivors=()
printf '%-3s %-9s %-32s %s\n' "#" "result" "file" "fault"
while IFS=$'\t' read -r file label text repl tests; do
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
        # shellcheck disable=SC2086 # the programs are words
        build_and_test $tests
        case $? in
        0) result="SURVIVED"; survived=$((survived + 1)); survivors+=("$n") ;;
        1) result="caught"; caught=$((caught + 1)) ;;
        *) result="no-build"; broken=$((broken + 1)) ;;
        esac
    fi
    restore
    printf '%-3s %-9s %-32s %s\n' "$n" "$result" "$file" "$label"
done <"$list"

cmake --build build/default -j2 >>"$log" 2>&1  # leave the build matching the tree
total=$((caught + survived))
pct=$((total > 0 ? (caught * 100 + total / 2) / total : 0))
echo "caught $caught of $total ($pct %)$([ "$broken" -gt 0 ] && echo "; $broken not applied or not built")"
[ ${#survivors[@]} -gt 0 ] && echo "survived: ${survivors[*]}"
exit 0
