#!/usr/bin/env bash
# Builds Brevant and runs every test: the normal build (warnings are errors,
# and the Debian package checked by lintian) with a one-minute slice of the
# soak, the parsers under libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer,
# and ThreadSanitizer on the threaded tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --package-check

cmake --preset default -DBREVANT_WERROR=ON
cmake --build --preset default
ctest --preset default
# A 60 s slice of the soak (the default run leaves it out); scripts/soak.sh runs it longer.
ctest --preset soak

# The parsers under libFuzzer (ASan + UBSan), 20 s each; scripts/fuzz.sh runs them longer.
bash scripts/fuzz.sh 20

cmake --preset asan -DBREVANT_WERROR=ON
cmake --build --preset asan
ctest --preset asan

# ThreadSanitizer cannot map its shadow memory under high address-space
# randomisation; run it with randomisation off.
cmake --preset tsan -DBREVANT_WERROR=ON
cmake --build --preset tsan
setarch "$(uname -m)" -R ctest --preset tsan

# The README's first command, headless as CI is: a change that breaks it fails here.
env -u DISPLAY -u WAYLAND_DISPLAY bash scripts/demo.sh
