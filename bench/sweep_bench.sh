#!/usr/bin/env bash
# Throughput and memory of a long sweep, run through the real program.
#
#   bench/sweep_bench.sh [BIN_DIR] [RUNS] [ROWS]
#
# BIN_DIR holds refldsgn-basic (default: build/ beside this folder), RUNS
# defaults to 5, ROWS to 1000000.  Each run sweeps the main diameter of a
# Cassegrain design (mode 1, case 1) over ROWS rows, with the console to
# /dev/null and the report in a file on disk.  Prints the median rows per
# second and the peak resident memory, and the peak of a sweep a tenth as
# long to show that memory does not grow with the row count.
# Needs /usr/bin/time (Debian package "time").
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bin_dir=$(cd "${1:-$here/../build}" && pwd)
runs=${2:-5}
rows=${3:-1000000}
program=$bin_dir/refldsgn-basic
[ -x "$program" ] || { echo "no $program; build first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Answers for a sweep of `n` rows: DM from 100 in steps of 0.01.
answers() {
    local n=$1
    local stop
    stop=$(awk -v n="$n" 'BEGIN { printf "%.2f", 100 + (n - 1) * 0.01 }')
    printf '%s\n' report.txt 1 1 -1 1 20 65 -2.1666667 "100,$stop,0.01" 0 0 > "$work/answers.$n"
}

# One run: prints "<seconds> <peak KiB>" and checks the report's row count.
run_once() {
    local n=$1
    local t0 t1 peak
    t0=$(date +%s%N)
    rm -f "$work/report.txt"
    if ! (cd "$work" && /usr/bin/time -f '%M' -o "$work/peak" "$program" < "$work/answers.$n" > /dev/null); then
        echo "the program failed" >&2
        exit 1
    fi
    t1=$(date +%s%N)
    peak=$(tail -n 1 "$work/peak")
    local got
    got=$(grep -c '^ *[0-9*][0-9.*]* ' "$work/report.txt" || true)
    got=${got:-0}
    if [ "$got" -ne "$n" ]; then
        echo "expected $n rows in the report, found $got" >&2
        exit 1
    fi
    awk -v a="$t0" -v b="$t1" -v p="$peak" 'BEGIN { printf "%.6f %d\n", (b - a) / 1e9, p }'
}

answers "$rows"
small=$((rows / 10))
answers "$small"

results=()
for ((i = 1; i <= runs; i++)); do
    results+=("$(run_once "$rows")") || exit 1
    echo "run $i: ${results[-1]% *} s, peak ${results[-1]#* } KiB"
done
small_peak=$(run_once "$small" | cut -d' ' -f2)

printf '%s\n' "${results[@]}" | sort -n | awk -v n="$rows" -v runs="$runs" -v sp="$small_peak" -v sn="$small" '
    { t[NR] = $1; if ($2 > peak) peak = $2 }
    END {
        m = (runs % 2) ? t[(runs + 1) / 2] : (t[runs / 2] + t[runs / 2 + 1]) / 2
        printf "rows: %d, median time %.3f s, median throughput %.0f rows/s\n", n, m, n / m
        printf "peak resident memory: %.2f MiB (%d rows), %.2f MiB (%d rows)\n", peak / 1024, n, sp / 1024, sn
    }'
