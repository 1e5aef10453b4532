# The checks of scripts/tsan.sh, sourced by it and by its test: the caller
# sets limit, passed and failed, and status=0 timedout=0 before each check.
# Runs a command of a check within the time limit, its output to the file
# given first; keeps the first non-zero status in status, and sets timedout
# when the limit stopped it (a process that ignores the stop is killed 30 s
# later).
run() {
    local log=$1
    shift
    local s=0 started=$SECONDS
    timeout --kill-after=30 "$limit" "$@" >"$log" 2>&1 || s=$?
    # 137 is also a process killed by another hand: only the limit counts.
    if { [ "$s" -eq 124 ] || [ "$s" -eq 137 ]; } && [ $((SECONDS - started)) -ge "$limit" ]; then
        timedout=1
        echo "still running after ${limit} s, stopped" >>"$log"
    fi
    [ "$status" -ne 0 ] || status=$s
}
# Prints what a check's output holds of the sanitizer's reports and counts
# the check: failed by a report, by running out of time or by a non-zero
# status.
check() {
    local name=$1 status=$2
    shift 2
    local n
    n=$(cat "$@" | grep -c "WARNING: ThreadSanitizer" || true)
    echo "tsan: $name: $n reports"
    if [ "$timedout" -ne 0 ]; then
        grep -h -A30 "WARNING: ThreadSanitizer" "$@" | head -n 120 || true
        tail -n 5 "$@"
        echo "tsan: $name timed out after ${limit} s"
        failed=$((failed + 1))
    elif [ "$n" -gt 0 ]; then
        # head leaves early: grep's broken pipe is no failure.
        grep -h -A30 "WARNING: ThreadSanitizer" "$@" | head -n 120 || true
        failed=$((failed + 1))
    elif [ "$status" -ne 0 ]; then
        grep -h "^FAIL" "$@" | head -n 20 || true
        tail -n 5 "$@"
        echo "tsan: $name failed (status $status)"
        failed=$((failed + 1))
    else
        passed=$((passed + 1))
    fi
}
