#!/bin/bash
# Dumps every model the XER loader builds, for every file given, into a
# folder (one file per input and model), so two builds can be compared:
#   scripts/dump-models.sh build/bench/xer_load OUTDIR file.xer...
#   diff -r BEFORE AFTER
set -euo pipefail
bin=$1
out=$2
shift 2
mkdir -p "$out"
for f in "$@"; do
    base=$(basename "$f" .xer | tr ' ' '_')
    names=$("$bin" "$f" | awk '$1 == "model" { print $2 }')
    for n in $names; do
        "$bin" --dump "$n" "$f" > "$out/$base.$n.tsv"
    done
done
