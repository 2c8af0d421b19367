#!/usr/bin/env bash
# Brings the translations up to the sources with lupdate:
#   ui/ and programs/brevant/  -> translations/brevant_<lang>.ts
#   core/ and procedures/      -> translations/brevant_core_<lang>.ts
# (their texts are marked with Tr() and BRV_TEXT()). Texts no longer in the
# sources are dropped; new ones arrive unfinished, for a translator to fill.
# brevantctl and brevant-sim are not translated: scripts read what they print.
#   scripts/update-translations.sh [LUPDATE] [OUTDIR]
# OUTDIR (default translations/) lets a check update copies instead.
set -euo pipefail
cd "$(dirname "$0")/.."
LUPDATE=${1:-$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)}
OUT=${2:-translations}
LANGS=(zh_CN)
for lang in "${LANGS[@]}"; do
  "$LUPDATE" -silent -no-obsolete -locations none -source-language en -target-language "$lang" \
    -extensions cpp,h -I . ui programs/brevant -ts "$OUT/brevant_$lang.ts"
  "$LUPDATE" -silent -no-obsolete -locations none -source-language en -target-language "$lang" \
    -extensions cpp,h -tr-function-alias translate+=Tr,QT_TRANSLATE_NOOP+=BRV_TEXT \
    -I . core procedures -ts "$OUT/brevant_core_$lang.ts"
done
