#!/usr/bin/env bash
# Builds what the soak needs and runs it for MINUTES minutes (default 10)
# against the faulty simulator; further arguments go to brevant-soak
# (--seed S, --quiet, --show-losses).
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-10}"
shift || true
cmake --preset default > /dev/null
cmake --build --preset default --target brevant-soak brevant-sim
exec build/default/bin/brevant-soak --seconds "$((minutes * 60))" "$@"
