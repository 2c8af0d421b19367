#!/usr/bin/env bash
# Checks the layers by their includes:
#  - Qt only in the user interface: the core, the procedures, the command-line
#    program and the simulator build without Qt. Lists every tracked C++ file
#    that includes a Qt header (<QWidget>, "QTimer", <QtCore/qobject.h>,
#    <qglobal.h>) but lies outside the folders below;
#  - each layer includes only itself and the layers below it:
#    core/ < procedures/ < ui/ < programs/; the simulator (programs/sim/)
#    shares nothing with the rest, so its end of the wire stays its own.
#   bash scripts/check-layers.sh       exits 1 when one is found
set -euo pipefail
cd "$(dirname "$0")/.."

# Where Qt may be used: folders (ending in /) or single files, from the top.
UI_PATHS=(
  qtcore/                     # Qt Core helpers shared by the window and the service
  ui/
  programs/brevant/
  programs/gallery/
  tests/ui/
  service/                    # the service runs on Qt Core and Network; its parse/ stays without Qt
  programs/brevantd/
  tests/service/
  bench/meter_ui_bench.cpp    # the cost of the meters in the window
  bench/service_bench.cpp     # the service's own costs, in its event loop
  bench/events_bench.cpp      # the cost of the service's live events
)

allowed() {
  local path="$1" p
  # The service's parsers are fuzzed in a tree without Qt.
  [[ "$path" == service/parse/* ]] && return 1
  for p in "${UI_PATHS[@]}"; do
    case "$p" in
      */) [[ "$path" == "$p"* ]] && return 0 ;;
      *) [[ "$path" == "$p" ]] && return 0 ;;
    esac
  done
  return 1
}

qt_include='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Zt][^>"]*|q[a-z0-9_]*\.h)[>"]'
found=0
while IFS= read -r hit; do
  [ -n "$hit" ] || continue
  allowed "${hit%%:*}" && continue
  echo "$hit: Qt outside the user interface"
  found=1
done < <(git ls-files -z -- '*.cpp' '*.h' '*.hpp' '*.cc' | xargs -0 grep -nHE "$qt_include" || true)

if [ "$found" -ne 0 ]; then
  echo "Qt may only be included in: ${UI_PATHS[*]} (scripts/check-layers.sh)" >&2
  exit 1
fi

# folder -> the folders its includes may name
declare -A MAY_INCLUDE=(
  [core]="core/"
  [procedures]="core/ procedures/"
  [qtcore]="qtcore/"
  [ui]="core/ procedures/ qtcore/ ui/"
  [programs/brevantctl]="core/ procedures/ programs/brevantctl/"
  [programs/sim]="programs/sim/"
  [service]="core/ procedures/ qtcore/ service/"
  [service/parse]="core/ service/parse/"
  [programs/brevantd]="core/ procedures/ qtcore/ service/ programs/brevantd/"
)
local_include='^[[:space:]]*#[[:space:]]*include[[:space:]]*"([a-z]+/[^"]*)"'
for layer in "${!MAY_INCLUDE[@]}"; do
  while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    target=$(sed -E "s|.*$local_include.*|\\1|" <<<"${hit#*:*:}")
    ok=0
    for prefix in ${MAY_INCLUDE[$layer]}; do
      [[ "$target" == "$prefix"* ]] && ok=1
    done
    if [ "$ok" -eq 0 ]; then
      echo "${hit%%:*}: includes $target, above its layer ($layer may include ${MAY_INCLUDE[$layer]})"
      found=1
    fi
  done < <(git ls-files -z -- "$layer/*.cpp" "$layer/*.h" | xargs -0 -r grep -nHE "$local_include" || true)
done
if [ "$found" -ne 0 ]; then
  exit 1
fi
echo "no Qt include outside the user interface; every layer includes only those below it"
