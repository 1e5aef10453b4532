#!/usr/bin/env bash
# Compares, for each XER file given, the number of "%R" records of each of
# the ten loaded tables with the row count of its table model after a load
# through bench/xer_load. Prints one line per table and fails on a mismatch.
# Usage: scripts/check-table-counts.sh [--load build/bench/xer_load] file.xer...
set -euo pipefail
cd "$(dirname "$0")/.."
load=build/bench/xer_load
if [ "${1:-}" = "--load" ]; then load=$2; shift 2; fi
tables="PROJWBS TASK TASKPRED RSRC TASKRSRC ACTVTYPE ACTVCODE TASKACTV UDFTYPE UDFVALUE"
status=0
for file in "$@"; do
    # The loader takes the last table of a name when a file repeats one.
    declare -A expected=()
    while read -r name count; do expected[$name]=$count; done < <(
        tr -d '\r' < "$file" | awk -F'\t' '
            $1 == "%T" { t = $2; seen[t]++; rows[t] = 0; next }
            $1 == "%R" && t != "" { rows[t]++ }
            END { for (k in rows) print k, rows[k] }')
    loaded=$("$load" "$file")
    for t in $tables; do
        want=${expected[$t]:-0}
        got=$(printf '%s\n' "$loaded" | awk -v t="$t" '$1 == "model" && $2 == t { print $4 }')
        if [ "$want" = "$got" ]; then
            echo "ok   $file $t $got"
        else
            echo "FAIL $file $t file $want loaded $got"
            status=1
        fi
    done
    unset expected
done
exit $status
