#!/usr/bin/env bash
# Builds Brevant and runs the benchmarks against the paced simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
build/default/bin/exchange_bench "${1:-3}"
build/default/bin/session_bench "${1:-3}"
build/default/bin/meter_ui_bench "${1:-3}"
build/default/bin/service_bench put 200
build/default/bin/service_bench devices 16 10
bash bench/ui_cost_xvfb.sh 20
