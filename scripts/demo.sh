#!/usr/bin/env bash
# Builds Brevant, starts the device simulator and runs the program against
# it. Without a display it renders the program's window to PNG files instead
# and shows brevantctl talking to the simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default

ports="$PWD/build/ports"
mkdir -p "$ports"
build/default/bin/brevant-sim --ports "$ports" --com 3 --state "$PWD/build/device.state" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e "$ports/COM3" ] && break; sleep 0.1; done

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Brevant is running against the simulator on COM3: choose Device > Connect."
  build/default/bin/brevant --ports "$ports"
  exit 0
fi

for view in channel matrix soundtest; do
  build/default/bin/brevant --ports "$ports" --screenshot "build/brevant-$view.png" --connect --view "$view"
  echo "rendered build/brevant-$view.png"
done

ctl() { echo "\$ brevantctl $*"; build/default/bin/brevantctl --ports "$ports" "$@"; }
ctl scan
ctl info
ctl --port 3 set MG 1 -5
ctl --port 3 set OD 3 150
ctl --port 3 get MX 1 1
ctl --port 3 raw SNsr
ctl meters --cycles 5
ctl dump
