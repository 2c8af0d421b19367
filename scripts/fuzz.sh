#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for
# SECONDS (default 25), starting from the seed corpora in tests/fuzz/corpus.
# What a run finds is kept in build/fuzz/corpus-<target>; a crash stops the
# script with the input that caused it in build/fuzz/.
#   bash scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-25}"
TARGETS=(reply block preset firmware ctl_args network http keys service_config shared_line)

# A clang that can build and link a libFuzzer target: $FUZZ_CXX if given, else
# clang++, else the newest clang++-N on the PATH.
fuzzer_links() {
  local dir
  dir=$(mktemp -d)
  printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' >"$dir/t.cpp"
  "$1" -fsanitize=fuzzer,address,undefined "$dir/t.cpp" -o "$dir/t" >/dev/null 2>&1
  local ok=$?
  rm -rf "$dir"
  return $ok
}
find_clang() {
  local candidates=()
  if [ -n "${FUZZ_CXX:-}" ]; then candidates=("$FUZZ_CXX"); fi
  candidates+=(clang++)
  mapfile -t -O "${#candidates[@]}" candidates < <(compgen -c clang++- | grep -E '^clang\+\+-[0-9]+$' | sort -t- -k2 -rn -u)
  local c
  for c in "${candidates[@]}"; do
    if command -v "$c" >/dev/null && fuzzer_links "$c"; then
      command -v "$c"
      return 0
    fi
  done
  return 1
}

if ! CXX_FUZZ=$(find_clang); then
  # Debian's default clang and its run-time libraries (libFuzzer among them).
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get install -y --no-install-recommends clang libclang-rt-dev libcli11-dev nlohmann-json3-dev >/dev/null
  CXX_FUZZ=$(find_clang) || { echo "no clang++ that links libFuzzer targets was found" >&2; exit 1; }
fi
echo "fuzzing with $CXX_FUZZ ($("$CXX_FUZZ" --version | head -1))"
# A build/fuzz configured from another source folder (tests/fuzz, before the
# fuzz targets joined the main tree) is configured afresh; its corpora stay.
if [ -f build/fuzz/CMakeCache.txt ] && ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$PWD" build/fuzz/CMakeCache.txt; then
  rm -rf build/fuzz/CMakeCache.txt build/fuzz/CMakeFiles
fi
# The fuzz targets alone, from the same source lists as the programs.
cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER="$CXX_FUZZ" -DBREVANT_FUZZ=ON \
  -DBREVANT_WITH_QT=OFF -DBREVANT_BUILD_TESTS=OFF -DBREVANT_BUILD_BENCH=OFF >/dev/null
cmake --build build/fuzz --target "${TARGETS[@]/#/fuzz_}"
for target in "${TARGETS[@]}"; do
  corpus="build/fuzz/corpus-$target"
  mkdir -p "$corpus"
  cp -n tests/fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  log="build/fuzz/$target.log"
  if ! (cd build/fuzz && "./fuzz_$target" -max_total_time="$SECONDS_EACH" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="./$target-" "corpus-$target" >"$target.log" 2>&1); then
    tail -40 "$log"
    echo "fuzz_$target: FAILED (see $log)"
    exit 1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  echo "fuzz_$target: $runs inputs in ${SECONDS_EACH} s, no finding"
done
