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

ctl() { echo "\$ brevantctl --port 3 $*"; build/default/cli/brevantctl --ports "$ports" --port 3 "$@"; }
ctl version
ctl get MG 1
ctl set MG 1 -5
ctl get ML 1
ctl set OD 2 500
ctl get MX 1 1
ctl raw SNsr
