#!/usr/bin/env bash
# Throughput and memory of a long sweep, run through the real program.
#
#   bench/sweep_bench.sh [BIN_DIR] [RUNS] [ROWS] [--vs OTHER_BIN_DIR]
#
# BIN_DIR holds refldsgn-basic (default: build/ beside this folder), RUNS
# defaults to 7, ROWS to 1000000.  Each run sweeps the main diameter of a
# Cassegrain design (mode 1, case 1) over ROWS rows, with the console to
# /dev/null and the report in a file on disk.  Before each run the report of
# the last one is removed and the page cache written back (sync), so that
# no run pays for another's disk writes; the time is that of the program
# alone.  Prints the median time and rows per second, and the peak resident
# memory of that sweep and of one a tenth as long (memory must not grow with
# the row count).  With --vs, the other build's program runs in turn with
# this one (A B A B ...) and the ratio of the medians is printed.
# Needs /usr/bin/time (Debian package "time").
set -euo pipefail

. "$(dirname "$0")/args.sh" refldsgn-basic 7 "$@"

work=$(mktemp -d "${TMPDIR:-/var/tmp}/sweep_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Answers for a sweep of `n` rows: DM from 100 in steps of 0.01.
answers() {
    local n=$1 stop
    stop=$(awk -v n="$n" 'BEGIN { printf "%.2f", 100 + (n - 1) * 0.01 }')
    printf '%s\n' report.txt 1 1 -1 1 20 65 -2.1666667 "100,$stop,0.01" 0 0 > "$work/answers.$n"
}

# One timed run of a program: prints its seconds and checks the row count.
run_once() {
    local program=$1 n=$2 t0 t1 got
    rm -f "$work/report.txt"
    sync
    cd "$work"
    t0=$(date +%s%N)
    "$program" < "$work/answers.$n" > /dev/null || { echo "the program failed" >&2; exit 1; }
    t1=$(date +%s%N)
    cd - > /dev/null
    got=$(grep -c '^ *[0-9*][0-9.*]* ' "$work/report.txt" || true)
    [ "${got:-0}" -eq "$n" ] || { echo "expected $n rows in the report, found $got" >&2; exit 1; }
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f\n", (b - a) / 1e9 }'
}

peak_kib() {
    local program=$1 n=$2
    rm -f "$work/report.txt"
    (cd "$work" && /usr/bin/time -f '%M' -o "$work/peak" "$program" < "$work/answers.$n" > /dev/null)
    tail -n 1 "$work/peak"
}


answers "$rows"
small=$((rows / 10))
answers "$small"

a_times=()
b_times=()
for ((i = 1; i <= runs; i++)); do
    a_times+=("$(run_once "$bin_dir/refldsgn-basic" "$rows")")
    line="run $i: ${a_times[-1]} s"
    if [ -n "$other" ]; then
        b_times+=("$(run_once "$other/refldsgn-basic" "$rows")")
        line+=", other ${b_times[-1]} s"
    fi
    echo "$line"
done

report() {  # label program times...
    local label=$1 program=$2; shift 2
    local m
    m=$(printf '%s\n' "$@" | median)
    awk -v l="$label" -v n="$rows" -v m="$m" -v p="$(peak_kib "$program" "$rows")" -v sp="$(peak_kib "$program" "$small")" -v sn="$small" 'BEGIN {
        printf "%s: rows: %d, median time %.3f s, median throughput %.0f rows/s\n", l, n, m, n / m
        printf "%s: peak resident memory: %.2f MiB (%d rows), %.2f MiB (%d rows)\n", l, p / 1024, n, sp / 1024, sn
    }'
}
report "$bin_dir" "$bin_dir/refldsgn-basic" "${a_times[@]}"
if [ -n "$other" ]; then
    report "$other" "$other/refldsgn-basic" "${b_times[@]}"
    a=$(printf '%s\n' "${a_times[@]}" | median)
    b=$(printf '%s\n' "${b_times[@]}" | median)
    awk -v a="$a" -v b="$b" 'BEGIN { printf "median ratio: %.3f (%.2f times as fast)\n", a / b, b / a }'
fi
