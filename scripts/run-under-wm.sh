#!/usr/bin/env bash
# Runs a program on a virtual display under the openbox window manager, where window activation
# and keyboard focus behave as on a desktop. Keys and clicks can be sent with xdotool.
# Usage: scripts/run-under-wm.sh PROGRAM [ARGUMENTS...]
set -euo pipefail
exec xvfb-run -a -s "-screen 0 1440x900x24" bash -c '
  openbox >/dev/null 2>&1 & wm=$!
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
  done
  rc=0
  "$@" || rc=$?
  kill $wm 2>/dev/null || true
  exit $rc' run-under-wm "$@"
