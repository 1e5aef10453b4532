#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Tests run offscreen;
# the X server is there for the few that need a real window. The tests then
# run a second time built with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/; SV_SKIP_SANITIZE=1 leaves that out), and the fuzz targets run
# briefly. The last line sums up both test runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
bash scripts/build.sh
jobs="${JOBS:-$(nproc)}"
log=$(mktemp)
asanlog=$(mktemp)
(cd build && xvfb-run -a -s "-screen 0 1920x1080x24" \
    ctest --output-on-failure -j"$jobs") 2>&1 | tee "$log" || true
if [ "${SV_SKIP_SANITIZE:-0}" != 1 ]; then
    launcher=()
    command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # -O1 with little debug information: the second build is most of the run.
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1 -g1" -DSV_SANITIZE=ON \
          "${launcher[@]}" >/dev/null
    cmake --build build-asan -j"$jobs"
    supp="$PWD/scripts/lsan.supp"
    (cd build-asan && \
        ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1:fast_unwind_on_malloc=0 \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        LSAN_OPTIONS="suppressions=$supp" \
        xvfb-run -a -s "-screen 0 1920x1080x24" \
        ctest --output-on-failure -j"$jobs") 2>&1 | tee "$asanlog" || true
fi
bash scripts/fuzz.sh
total=0
failed=0
for f in "$log" "$asanlog"; do
    summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$f" | tail -n1 || true)
    [ -n "$summary" ] || continue
    total=$((total + $(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")))
    failed=$((failed + $(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$summary")))
done
rm -f "$log" "$asanlog"
echo "tests: $((total - failed)) passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$total" -gt 0 ]
