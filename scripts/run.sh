#!/usr/bin/env bash
# Installs what is missing, builds and starts the viewer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
bash scripts/build.sh
if [ -x build/app/scheduleviewer ]; then
    exec build/app/scheduleviewer "$@"
fi
echo "build/app/scheduleviewer was not built" >&2
exit 1
