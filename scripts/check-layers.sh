#!/usr/bin/env bash
# Refuses a Qt include outside the user interface: the core, the procedures,
# the command-line program and the simulator build without Qt. Lists every
# tracked C++ file that includes a Qt header (<QWidget>, "QTimer",
# <QtCore/qobject.h>, <qglobal.h>) but lies outside the folders below.
#   bash scripts/check-layers.sh       exits 1 when one is found
set -euo pipefail
cd "$(dirname "$0")/.."

# Where Qt may be used: folders (ending in /) or single files, from the top.
UI_PATHS=(
  controls/
  panels/
  skin/
  soundtest/
  management/form/
  management/view/
  res/
  app/                        # the window program, its look and the gallery
  tests/ui/
  bench/meter_ui_bench.cpp    # the cost of the meters in the window
)

allowed() {
  local path="$1" p
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
echo "no Qt include outside the user interface"
