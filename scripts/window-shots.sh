#!/usr/bin/env bash
# Saves pictures of the windows, drawn on a virtual display, and of one summary sheet.
# Usage: scripts/window-shots.sh OUTPUT_FOLDER
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-shots}")
xvfb-run -a -s "-screen 0 1440x900x24" build/tools/window_shots build/bin "$out"
# The summary sheet as a spreadsheet application draws it.
if command -v soffice >/dev/null && command -v pdftoppm >/dev/null; then
  soffice --headless --convert-to pdf --outdir "$out" "$out/summary-by-level.xlsx" >/dev/null
  pdftoppm -png -r 80 -f 1 -l 1 "$out/summary-by-level.pdf" "$out/summary-by-level"
fi
