#!/usr/bin/env bash
# Checks the translations (ctest -L lint: lint_translations):
#  - every message of every translations/*.ts is translated: none unfinished,
#    obsolete or vanished, none empty;
#  - a translation keeps its source's placeholders (%1, %2, %n) and its
#    underlined letter (one '&' when the source has one, none otherwise);
#  - lupdate over today's sources, run on copies, finds no text the .ts
#    files lack (a text added to the window without its translation).
# Exit 77 (skipped) without python3; the lupdate step is skipped, with a
# note, without lupdate.
#   scripts/check-translations.sh [LUPDATE]
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v python3 >/dev/null; then
  echo "python3 is missing: translations not checked" >&2
  exit 77
fi
LUPDATE=${1:-$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)}

check() {
  python3 - "$@" <<'PY'
import re, sys, xml.etree.ElementTree as ET

PLACEHOLDER = re.compile(r'%(?:L?\d+|n)')

def mnemonics(text):
    # '&&' is a written ampersand; any other '&' marks the underlined letter.
    return len(re.findall(r'&(?!&)', text.replace('&&', '')))

faults = 0
for path in sys.argv[1:]:
    root = ET.parse(path).getroot()
    count = 0
    for context in root.iter('context'):
        name = context.findtext('name')
        for message in context.iter('message'):
            count += 1
            source = message.findtext('source') or ''
            node = message.find('translation')
            numerus = node.findall('numerusform') if node is not None else []
            texts = [n.text or '' for n in numerus] if numerus else [node.text or '' if node is not None else '']
            where = f'{path}: {name}: {source!r}'
            kind = node.get('type') if node is not None else 'missing'
            problem = None
            if kind in ('unfinished', 'obsolete', 'vanished', 'missing'):
                problem = f'translation {kind}'
            elif not all(texts):
                problem = 'empty translation'
            elif mnemonics(source) > 1:
                problem = 'more than one underlined letter in the source'
            else:
                for text in texts:
                    if sorted(set(PLACEHOLDER.findall(text))) != sorted(set(PLACEHOLDER.findall(source))):
                        problem = f'placeholders differ in {text!r}'
                    elif mnemonics(text) != mnemonics(source):
                        problem = f'underlined letters differ in {text!r}'
            if problem:
                print(f'{where}: {problem}')
                faults += 1
    print(f'{path}: {count} messages')
sys.exit(1 if faults else 0)
PY
}

shopt -s nullglob
files=(translations/*.ts)
if [ ${#files[@]} -eq 0 ]; then
  echo "no translations/*.ts" >&2
  exit 1
fi
check "${files[@]}"

if [ ! -x "$LUPDATE" ] && ! command -v "$LUPDATE" >/dev/null; then
  echo "lupdate is missing: the sources were not compared with the translations (SKIPPED that step)"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "${files[@]}" "$work/"
timeout 120 bash scripts/update-translations.sh "$LUPDATE" "$work" >/dev/null
# Only the files the tree has: the others the update made afresh.
copies=()
for f in "${files[@]}"; do copies+=("$work/$(basename "$f")"); done
if ! check "${copies[@]}" >"$work/report.txt"; then
  echo "The sources have texts the translations lack (run scripts/update-translations.sh and translate them):"
  grep -v ' messages$' "$work/report.txt" | sed "s|$work/|translations/|"
  exit 1
fi
echo "lupdate finds nothing new"
