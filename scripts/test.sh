#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Tests run offscreen;
# the X server is there for the few that need a real window. The tests then
# run a second time built with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), and scripts/tsan.sh loads generated exports under
# ThreadSanitizer (build-tsan/); SV_SKIP_SANITIZE=1 leaves both out. The fuzz
# targets run briefly. The last line sums up both test runs and the tsan
# checks.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
bash scripts/build.sh
jobs="${JOBS:-$(nproc)}"
log=$(mktemp)
asanlog=$(mktemp)
tsanlog=$(mktemp)
tsanstatus=0
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
    # Allocations record the stacks the frame pointers give, which stop at
    # the first frame of a library built without them (Qt's): unwinding
    # every one fully made the largest tests minutes slower. The leak
    # suppressions in scripts/lsan.supp match frames those stacks keep. To
    # read where a finding's memory was made or freed inside Qt, run its
    # test again with fast_unwind_on_malloc=0 added.
    (cd build-asan && \
        ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        LSAN_OPTIONS="suppressions=$supp" \
        xvfb-run -a -s "-screen 0 1920x1080x24" \
        ctest --output-on-failure -j"$jobs") 2>&1 | tee "$asanlog" || true
    # Exports large enough that the pool shares their reading (chunks and
    # lines of a file over 2 MiB, runs of 4,096 activities, dates of 50,000),
    # in both line ends; the smallest is small enough to be printed as well.
    exports=$(mktemp -d)
    build/bench/xer_gen 2500 "$exports/small.xer" --relations 6 >/dev/null
    build/bench/xer_gen 20000 "$exports/medium.xer" >/dev/null
    build/bench/xer_gen 52000 "$exports/large-lf.xer" --lf --relations 1 --code-assignments 1 >/dev/null
    JOBS="$jobs" bash scripts/tsan.sh "$exports"/*.xer 2>&1 | tee "$tsanlog" || tsanstatus=$?
    rm -rf "$exports"
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
# Each tsan check counts as a test; a run that failed outside its checks (its
# build, say) counts as one failed test.
summary=$(grep -E '^tsan: [0-9]+ passed, [0-9]+ failed$' "$tsanlog" | tail -n1 || true)
tsanpassed=0
tsanfailed=0
if [ -n "$summary" ]; then
    tsanpassed=$(sed -E 's/^tsan: ([0-9]+) passed.*/\1/' <<<"$summary")
    tsanfailed=$(sed -E 's/.*passed, ([0-9]+) failed$/\1/' <<<"$summary")
fi
if [ "$tsanstatus" -ne 0 ] && [ "$tsanfailed" -eq 0 ]; then
    tsanfailed=1
fi
total=$((total + tsanpassed + tsanfailed))
failed=$((failed + tsanfailed))
rm -f "$log" "$asanlog" "$tsanlog"
echo "tests: $((total - failed)) passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$total" -gt 0 ]
