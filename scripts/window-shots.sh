#!/usr/bin/env bash
# Saves pictures of the main window and the record editor pages, drawn on a virtual display.
# Usage: scripts/window-shots.sh OUTPUT_FOLDER
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-shots}")
xvfb-run -a -s "-screen 0 1440x900x24" build/tools/window_shots build/bin "$out"
