#!/usr/bin/env bash
# Configures and builds into build/ (the program and its delivered data land in build/bin).
# A compiler cache is used when one is installed, so a second checkout builds in moments.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
cmake --build build --parallel "$(nproc)"
