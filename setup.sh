#!/usr/bin/env bash
# Installs the Debian packages the build needs (when missing), then configures
# and builds into build/.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config libshp-dev libsqlite3-dev googletest libgtest-dev
          qt6-base-dev qt6-svg-dev qt6-translations-l10n fonts-liberation libxlsxwriter-dev unzip)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja ${DEMOVIA_CMAKE_ARGS:-}
cmake --build build
