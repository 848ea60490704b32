#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
cd build
ctest --output-on-failure --timeout 600 -j2
