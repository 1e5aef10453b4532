#!/usr/bin/env bash
# Builds the libFuzzer targets (bench/*_fuzz.cpp) with clang into build-fuzz
# and runs each for FUZZ_SECONDS (60 by default). Seeds come from
# tests/data/fuzz/<target>/ where it exists. Without clang nothing is run.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz: clang++ not found, fuzz targets not run"
    exit 0
fi
seconds="${FUZZ_SECONDS:-60}"
mapfile -t targets < <(ls bench/*_fuzz.cpp 2>/dev/null | xargs -r -n1 basename | sed 's/\.cpp$//')
if [ ${#targets[@]} -eq 0 ]; then
    echo "fuzz: no targets"
    exit 0
fi
if [ -n "${FUZZ_ONLY:-}" ]; then
    targets=("$FUZZ_ONLY")
fi
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# -O1 with line tables only: the instrumented build is the slow part of a run.
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1 -gline-tables-only" \
      -DCMAKE_CXX_COMPILER=clang++ -DSV_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j"${JOBS:-$(nproc)}" --target "${targets[@]}"
supp="$PWD/scripts/lsan.supp"
for t in "${targets[@]}"; do
    work=$(mktemp -d)
    mkdir -p "$work/corpus"
    seeds=()
    [ -d "tests/data/fuzz/$t" ] && seeds+=("tests/data/fuzz/$t")
    echo "fuzz: $t for ${seconds}s"
    ( cd "$work" && \
      QT_QPA_PLATFORM=offscreen LC_ALL=C TZ=UTC TARVOLEN_UPDATE_URL= \
      ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 \
      UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      LSAN_OPTIONS="suppressions=$supp" \
      "$OLDPWD/build-fuzz/bench/$t" -max_total_time="$seconds" -timeout=30 \
          -rss_limit_mb=3072 -print_final_stats=1 corpus \
          "${seeds[@]/#/$OLDPWD/}" 2>&1 | tail -n 25 )
    rm -rf "$work"
done
