#!/usr/bin/env bash
# Builds the two bench programs and the tests of sql/p6 (the P6 database
# workers and their thread) with ThreadSanitizer into build-tsan, runs those
# tests, and loads each XER file given (or each file of TSAN_FILES_DIR)
# through xer_load and through the main window (render_view). Prints the
# sanitizer's reports and, last, "tsan: N passed, M failed": each test and
# each file is one check, failed by a report, a non-zero status or by running
# longer than TSAN_TIMEOUT seconds (600 by default): a run that deadlocks is
# stopped and fails its check instead of holding CI. Ends with a non-zero
# status when a check fails. Qt itself is not built with the
# sanitizer: accesses inside the Qt libraries are left out, hand-overs
# through Qt's pool and signals are marked in our code (threadhandoff.h),
# and scripts/tsan.supp names what remains of Qt's own.
set -euo pipefail
cd "$(dirname "$0")/.."
files=("$@")
if [ ${#files[@]} -eq 0 ] && [ -n "${TSAN_FILES_DIR:-}" ]; then
    mapfile -t files < <(ls "$TSAN_FILES_DIR"/*.xer)
fi
mapfile -t tests < <(ls tests/sql/p6/tst_*.cpp | xargs -n1 basename | sed 's/\.cpp$//')
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread \
      "${launcher[@]}" >/dev/null
cmake --build build-tsan -j"${JOBS:-4}" --target xer_load render_view "${tests[@]}" >/dev/null
export TSAN_OPTIONS="halt_on_error=0 ignore_noninstrumented_modules=1 suppressions=$PWD/scripts/tsan.supp"
export QT_QPA_PLATFORM=offscreen LC_ALL=C
out=$(mktemp -d)
passed=0
failed=0
limit=${TSAN_TIMEOUT:-600}
timedout=0
source scripts/tsan-checks.sh
for t in "${tests[@]}"; do
    status=0
    timedout=0
    run "$out/test.txt" env TZ=UTC TARVOLEN_UPDATE_URL= build-tsan/tests/sql/p6/"$t"
    check "sql/p6 $t" "$status" "$out/test.txt"
done
for f in "${files[@]}"; do
    status=0
    timedout=0
    run "$out/load.txt" build-tsan/bench/xer_load "$f"
    run "$out/view.txt" build-tsan/bench/render_view "$f" "$out/view.png"
    check "$f" "$status" "$out/load.txt" "$out/view.txt"
done
rm -rf "$out"
echo "tsan: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
