#!/usr/bin/env bash
# Throughput and memory of refldsgn-solve on a long sweep, beside the same
# sweep through the interactive refldsgn-basic.
#
#   bench/solve_bench.sh [BIN_DIR] [RUNS] [ROWS]
#
# Each run solves ROWS (default 1000000) Cassegrain designs of mode 1, case 1,
# sweeping the main diameter, and writes them as CSV to a file on disk.
# Prints the median rows per second and the peak resident memory, and the
# peak of a sweep a tenth as long (the output streams: memory stays flat).
# Then runs bench/sweep_bench.sh for the interactive program's figure.
# Needs /usr/bin/time (Debian package "time").
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bin_dir=$(cd "${1:-$here/../build}" && pwd)
runs=${2:-5}
rows=${3:-1000000}
program=$bin_dir/refldsgn-solve
[ -x "$program" ] || { echo "no $program; build first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One run of n rows: prints "<seconds> <peak KiB>" and checks the row count.
run_once() {
    local n=$1 stop t0 t1
    rm -f "$work/rows.csv"
    sync  # no run pays for another's disk writes
    stop=$(awk -v n="$n" 'BEGIN { printf "%.2f", 100 + (n - 1) * 0.01 }')
    t0=$(date +%s%N)
    /usr/bin/time -f '%M' -o "$work/peak" "$program" type=-1 "DM=100:$stop:0.01" LM=20 LS=65 FDE=2.1666667 \
        -f csv -o "$work/rows.csv"
    t1=$(date +%s%N)
    local got
    got=$(($(wc -l < "$work/rows.csv") - 1))
    [ "$got" -eq "$n" ] || { echo "expected $n rows, found $got" >&2; exit 1; }
    awk -v a="$t0" -v b="$t1" -v p="$(tail -n 1 "$work/peak")" 'BEGIN { printf "%.6f %d\n", (b - a) / 1e9, p }'
}

results=()
for ((i = 1; i <= runs; i++)); do
    results+=("$(run_once "$rows")")
    echo "run $i: ${results[-1]% *} s, peak ${results[-1]#* } KiB"
done
small=$((rows / 10))
small_peak=$(run_once "$small" | cut -d' ' -f2)
printf '%s\n' "${results[@]}" | sort -n | awk -v n="$rows" -v runs="$runs" -v sp="$small_peak" -v sn="$small" '
    { t[NR] = $1; if ($2 > peak) peak = $2 }
    END {
        m = (runs % 2) ? t[(runs + 1) / 2] : (t[runs / 2] + t[runs / 2 + 1]) / 2
        printf "refldsgn-solve, CSV to a file: %d rows, median %.3f s, %.0f rows/s\n", n, m, n / m
        printf "peak resident memory: %.2f MiB (%d rows), %.2f MiB (%d rows)\n", peak / 1024, n, sp / 1024, sn
    }'
echo "refldsgn-basic, the same sweep as a dialogue:"
bash "$here/sweep_bench.sh" "$bin_dir" "$runs" "$rows" | tail -n 2
