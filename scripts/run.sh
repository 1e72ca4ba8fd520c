#!/usr/bin/env bash
# Installs what is needed, builds and starts Tallyra. Without a display it runs on a virtual one.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh -DTALLYRA_BUILD_TESTS=OFF
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1440x900x24" build/bin/tallyra
fi
exec build/bin/tallyra
