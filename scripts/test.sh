#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Tests run offscreen;
# the X server is there for the few that need a real window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
bash scripts/build.sh
cd build
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure -j"$(nproc)"
