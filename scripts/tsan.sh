#!/usr/bin/env bash
# Builds the two bench programs and the tests of sql/p6 (the P6 database
# workers and their thread) with ThreadSanitizer into build-tsan, runs those
# tests, and loads each XER file given (or each file of TSAN_FILES_DIR)
# through xer_load and through the main window (render_view). Prints the
# sanitizer's reports and ends with a non-zero status when there is one or a
# test fails. Qt itself is not built with the sanitizer: accesses inside the
# Qt libraries are left out, hand-overs through Qt's pool and signals are
# marked in our code (threadhandoff.h), and scripts/tsan.supp names what
# remains of Qt's own.
set -euo pipefail
cd "$(dirname "$0")/.."
files=("$@")
if [ ${#files[@]} -eq 0 ] && [ -n "${TSAN_FILES_DIR:-}" ]; then
    mapfile -t files < <(ls "$TSAN_FILES_DIR"/*.xer)
fi
mapfile -t tests < <(ls tests/sql/p6/tst_*.cpp | xargs -n1 basename | sed 's/\.cpp$//')
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build-tsan -j"${JOBS:-4}" --target xer_load render_view "${tests[@]}" >/dev/null
export TSAN_OPTIONS="halt_on_error=0 ignore_noninstrumented_modules=1 suppressions=$PWD/scripts/tsan.supp"
export QT_QPA_PLATFORM=offscreen LC_ALL=C
out=$(mktemp -d)
reports=0
failed=0
for t in "${tests[@]}"; do
    status=0
    TZ=UTC TARVOLEN_UPDATE_URL= build-tsan/tests/sql/p6/"$t" >"$out/test.txt" 2>&1 || status=$?
    n=$(grep -c "WARNING: ThreadSanitizer" "$out/test.txt" || true)
    echo "tsan: sql/p6 $t: $n reports"
    if [ "$n" -gt 0 ]; then
        grep -h -A30 "WARNING: ThreadSanitizer" "$out/test.txt" | head -n 120
        reports=$((reports + n))
    elif [ "$status" -ne 0 ]; then
        grep -h "^FAIL" "$out/test.txt" | head -n 20 || true
        echo "tsan: sql/p6 $t failed (status $status)"
        failed=$((failed + 1))
    fi
done
for f in "${files[@]}"; do
    build-tsan/bench/xer_load "$f" >/dev/null 2>"$out/load.txt" || true
    build-tsan/bench/render_view "$f" "$out/view.png" >/dev/null 2>"$out/view.txt" || true
    n=$(cat "$out/load.txt" "$out/view.txt" | grep -c "WARNING: ThreadSanitizer" || true)
    echo "tsan: $f: $n reports"
    if [ "$n" -gt 0 ]; then
        grep -h -A30 "WARNING: ThreadSanitizer" "$out/load.txt" "$out/view.txt" | head -n 120
        reports=$((reports + n))
    fi
done
rm -rf "$out"
[ "$reports" -eq 0 ] && [ "$failed" -eq 0 ]
