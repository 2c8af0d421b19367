#!/usr/bin/env bash
# The read-back of a whole device (brevantctl dump) through brevantd's shared
# port against straight from the device: a simulated K217 at line speed.
# brevantctl connects and reads back as the window does (the same Connection).
# Usage: bash bench/share_readback.sh [BUILD_BIN] [RUNS]
set -euo pipefail
bin=${1:-build/default/bin}
runs=${2:-5}
work=$(mktemp -d)
trap 'kill "${sim:-}" "${twin:-}" "${daemon:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
# One simulated device behind the service, its twin read directly.
mkdir -p "$work/served" "$work/direct"
"$bin/brevant-sim" --model K217 --ports "$work/served" --com 3 >/dev/null 2>&1 &
sim=$!
"$bin/brevant-sim" --model K217 --ports "$work/direct" --com 3 >/dev/null 2>&1 &
twin=$!
api=$((20000 + RANDOM % 20000))
share=$((api + 1))
sleep 1
"$bin/brevantd" --listen "127.0.0.1:$api" --device "hall=$work/served/COM3,share=$share" >"$work/brevantd.log" 2>&1 &
daemon=$!
sleep 3
time_of() {
    local start end
    start=$(date +%s%N)
    "$bin/brevantctl" "$@" dump >/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}
for _ in $(seq "$runs"); do
    echo "shared $(time_of --port "tcp://127.0.0.1:$share") ms, direct $(time_of --ports "$work/direct" --port 3) ms"
done
