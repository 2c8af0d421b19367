#!/usr/bin/env bash
# What the user interface costs in a real window: the program `brevant` on a
# virtual X server (Xvfb, 1600x1000), connected to the paced simulator (K225,
# meters live), left polling for a while. Reads each thread's CPU time from
# /proc and prints the UI (main) thread's and the whole process's CPU time as
# a percentage of one core.
#
#   bench/ui_cost_xvfb.sh [SECONDS] [BREVANT]     (default 20 s, build/default)
#   PERF_DATA=FILE bench/ui_cost_xvfb.sh ...       also records the UI thread with perf
#                                                  (PERF_OPTS="--call-graph dwarf,16384" for whole stacks)
#   ZOOM=125 bench/ui_cost_xvfb.sh ...             at View > Zoom 100, 125, 150, 200 or fit
#                                                  (default 100), in settings of its own
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
brevant=${2:-build/default/bin/brevant}
sim=build/default/bin/brevant-sim
command -v Xvfb >/dev/null || { echo "Xvfb is missing (Debian package xvfb)" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
mkdir -p "$work/ports"
"$sim" --ports "$work/ports" --com 3 --model K225 >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  grep -q "brevant-sim: COM" "$work/sim.log" 2>/dev/null && [ -e /tmp/.X11-unix/X${display#:} ] && break
  sleep 0.1
done

# The program's settings live in the work folder: the zoom asked for, and
# nothing of the user's own.
mkdir -p "$work/config/Brevant"
printf '[General]\nZoom=%s\n' "${ZOOM:-100}" >"$work/config/Brevant/Brevant.conf"
XDG_CONFIG_HOME=$work/config DISPLAY=$display QT_QPA_PLATFORM=xcb "$brevant" --ports "$work/ports" --connect --size 1600x1000 \
  >"$work/brevant.log" 2>&1 &
app=$!
pids+=("$app")
sleep 5  # start, connect and read back; the measurement covers the polling

# utime + stime (fields 14 and 15, counted after the command name) in ticks.
ticks() { sed 's/^.*) //' "$1" | awk '{ print $12 + $13 }'; }
sample() {
  local main=0 all=0 t
  for stat in /proc/"$app"/task/*/stat; do
    t=$(ticks "$stat" 2>/dev/null || echo 0)
    all=$((all + t))
    [ "$stat" = "/proc/$app/task/$app/stat" ] && main=$t
  done
  echo "$main $all"
}
read -r main0 all0 < <(sample)
start=$(date +%s.%N)
if [ -n "${PERF_DATA:-}" ]; then
  perf record -q ${PERF_OPTS:--g} -t "$app" -o "$PERF_DATA" -- sleep "$seconds" >/dev/null 2>&1
else
  sleep "$seconds"
fi
read -r main1 all1 < <(sample)
end=$(date +%s.%N)
kill -0 "$app" 2>/dev/null || { echo "brevant ended early:" >&2; cat "$work/brevant.log" >&2; exit 1; }

hz=$(getconf CLK_TCK)
awk -v zoom="${ZOOM:-100}" -v m=$((main1 - main0)) -v a=$((all1 - all0)) -v hz="$hz" -v s="$start" -v e="$end" 'BEGIN {
  wall = e - s
  printf "brevant in a 1600x1000 window on Xvfb, zoom %s, K225 polling, %.1f s\n", zoom, wall
  printf "  UI thread  %5.2f %% of one core\n", 100 * m / hz / wall
  printf "  process    %5.2f %% of one core\n", 100 * a / hz / wall
}'
