#!/usr/bin/env bash
# Starts Tallyra on a virtual display with a copy of its data and saves a screenshot.
# Usage: scripts/screenshot.sh OUTPUT.png [RETURNS]   (RETURNS: sample returns to add, default 12)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-screenshot.png}")
returns=${2:-12}
home=$(mktemp -d)
cp -r build/bin/2012NB_zul.mdb build/bin/view.dll build/bin/*.zul build/bin/*.xltx build/bin/notes "$home/"
if [ "$returns" -gt 0 ]; then
  build/bench/rowset_load_bench --fill-only "$home/2012NB_zul.mdb" "$returns" >/dev/null
fi
export TALLYRA_HOME="$home" TALLYRA_SETTINGS_DIR="$home/settings"
xvfb-run -a -s "-screen 0 1440x900x24" bash -c "
  build/bin/tallyra & pid=\$!
  sleep 5
  import -window root '$out'
  xwininfo -root -tree | grep -o '\"Tallyra[^\"]*\"' | sort -u
  kill \$pid"
rm -rf "$home"
echo "saved $out"
