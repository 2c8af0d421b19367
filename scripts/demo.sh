#!/usr/bin/env bash
# Builds Brevant, starts the device simulator and talks to it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default

ports="$PWD/build/ports"
mkdir -p "$ports"
build/default/sim/brevant-sim --ports "$ports" --com 3 --state "$PWD/build/device.state" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e "$ports/COM3" ] && break; sleep 0.1; done

ctl() { echo "\$ brevantctl $*"; build/default/cli/brevantctl --ports "$ports" "$@"; }
ctl scan
ctl info
ctl --port 3 set MG 1 -5
ctl --port 3 set OD 2 500
ctl --port 3 get MX 1 1
ctl --port 3 raw SNsr
ctl meters --cycles 5
ctl dump
