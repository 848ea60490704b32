#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the bundled sample:
# the synthetic state projected through all seven steps into the project EXEMPLO.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
./build/app/demovia-cli demo
