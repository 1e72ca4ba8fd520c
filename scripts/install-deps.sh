#!/usr/bin/env bash
# Installs the Debian 12 packages the program needs to build, run and test.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev libsqlite3-dev libzip-dev libpugixml-dev libxlsxwriter-dev
  googletest libgtest-dev libbenchmark-dev
  python3 python3-openpyxl qt6-translations-l10n sqlite3
  fonts-noto-cjk poppler-utils xvfb xauth x11-utils imagemagick openbox xdotool
  qt6-svg-dev desktop-file-utils appstream man-db dpkg-dev file lintian
  libreadstat-dev readstat python3-pandas
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
