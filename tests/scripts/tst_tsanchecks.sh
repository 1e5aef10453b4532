#!/usr/bin/env bash
# scripts/tsan.sh's checks on commands of their own, with no sanitizer build:
# one running past the time limit is stopped and fails as timed out, one
# ending in time passes.
set -euo pipefail
source "$(dirname "$0")/../../scripts/tsan-checks.sh"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
limit=1 passed=0 failed=0
status=0 timedout=0
run "$out/slow.txt" sleep 30
check slow "$status" "$out/slow.txt" >"$out/report.txt"
status=0 timedout=0
run "$out/quick.txt" true
check quick "$status" "$out/quick.txt" >>"$out/report.txt"
cat "$out/report.txt"
grep -q "^tsan: slow timed out after 1 s$" "$out/report.txt"
grep -q "^still running after 1 s, stopped$" "$out/slow.txt"
[ "$passed" -eq 1 ] && [ "$failed" -eq 1 ]
