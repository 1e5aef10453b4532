#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Tests run offscreen;
# the X server is there for the few that need a real window. The fuzz targets
# run briefly after the tests; the last line sums up the test run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
bash scripts/build.sh
log=$(mktemp)
(cd build && xvfb-run -a -s "-screen 0 1920x1080x24" \
    ctest --output-on-failure -j"$(nproc)") 2>&1 | tee "$log"
bash scripts/fuzz.sh
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n1)
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
failed=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$summary")
rm -f "$log"
echo "tests: $((total - failed)) passed, $failed failed"
