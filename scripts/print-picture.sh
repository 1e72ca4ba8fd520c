#!/usr/bin/env bash
# Saves a picture of a printed return: a generated return printed into "2012打印表.xltx", the
# workbook converted to PDF by LibreOffice (headless) and its first two pages to PNG.
# Needs a built tree (scripts/build.sh) and LibreOffice Calc (`soffice`).
# Usage: scripts/print-picture.sh OUTPUT.png
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-printed-return.png}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/tools/print_sample build/bin "$work/printed.xlsx"
soffice --headless --convert-to pdf --outdir "$work" "$work/printed.xlsx" >/dev/null
pdftoppm -png -r 70 -f 1 -l 2 "$work/printed.pdf" "$work/page"
convert "$work"/page-*1.png "$work"/page-*2.png +append "$out"
echo "$out"
