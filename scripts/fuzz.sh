#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for
# SECONDS (default 25), starting from the seed corpora in tests/fuzz/corpus.
# What a run finds is kept in build/fuzz/corpus-<target>; a crash stops the
# script with the input that caused it in build/fuzz/.
#   bash scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-25}"
if ! command -v clang++-14 >/dev/null || [ ! -e /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get install -y --no-install-recommends clang-14 libfuzzer-14-dev libcli11-dev >/dev/null
fi
cmake -S tests/fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build/fuzz
for target in reply block preset firmware ctl_args network; do
  corpus="build/fuzz/corpus-$target"
  mkdir -p "$corpus"
  cp -n tests/fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  log="build/fuzz/$target.log"
  if ! (cd build/fuzz && "./fuzz_$target" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
        -artifact_prefix="./$target-" "corpus-$target" >"$target.log" 2>&1); then
    tail -40 "$log"
    echo "fuzz_$target: FAILED (see $log)"
    exit 1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  echo "fuzz_$target: $runs inputs in ${SECONDS_EACH} s, no finding"
done
