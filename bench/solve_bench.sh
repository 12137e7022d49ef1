#!/usr/bin/env bash
# Throughput and memory of refldsgn-solve on a long sweep to CSV, beside the
# same sweep through the interactive refldsgn-basic in the same run.
#
#   bench/solve_bench.sh [BIN_DIR] [RUNS] [ROWS] [--vs OTHER_BIN_DIR]
#
# Each run solves ROWS (default 1000000) Cassegrain designs of mode 1, case 1,
# sweeping the main diameter, and writes them as CSV to a file on disk,
# once with -j 1 and once with every core; before each run the last file
# is removed and the page cache written back (sync).  With --vs, the other
# build's program runs in turn with these (without -j when it does not take
# it) and the ratios of the medians are printed.  Then the peak resident
# memory at ROWS/10, ROWS and 10 x ROWS rows (it must stay flat), and the
# interactive sweep of bench/sweep_bench.sh with the same RUNS and ROWS.
# Needs /usr/bin/time (Debian package "time").
set -euo pipefail

. "$(dirname "$0")/args.sh" refldsgn-solve 5 "$@"
cores=$(nproc)
work=$(mktemp -d "${TMPDIR:-/var/tmp}/solve_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# One run of n rows: prints "<seconds> <peak KiB>" and checks the row count.
# With OFFSET=1 the rows are offset designs (mode 3, case 1, DS swept).
run_once() {
    local prog=$1 n=$2 stop t0 t1 got study
    shift 2
    rm -f "$work/rows.csv"
    sync
    if [ "${OFFSET:-0}" = 1 ]; then
        stop=$(awk -v n="$n" 'BEGIN { printf "%.5f", 5 + (n - 1) * 0.00001 }')
        study=(type=-1 DM=45 FM=38 H=40 BETA=6 "DS=5:$stop:0.00001")
    else
        stop=$(awk -v n="$n" 'BEGIN { printf "%.2f", 100 + (n - 1) * 0.01 }')
        study=(type=-1 "DM=100:$stop:0.01" LM=20 LS=65 FDE=2.1666667)
    fi
    t0=$(date +%s%N)
    /usr/bin/time -f '%M' -o "$work/peak" "$prog" "${study[@]}" -f csv -o "$work/rows.csv" "$@"
    t1=$(date +%s%N)
    got=$(($(wc -l < "$work/rows.csv") - 1))
    [ "$got" -eq "$n" ] || { echo "expected $n rows, found $got" >&2; exit 1; }
    awk -v a="$t0" -v b="$t1" -v p="$(tail -n 1 "$work/peak")" 'BEGIN { printf "%.6f %d\n", (b - a) / 1e9, p }'
}

other_jobs=()
if [ -n "$other" ] && "$other/refldsgn-solve" --help | grep -q -- --jobs; then other_jobs=(-j "$cores"); fi
one=() all=() base=()
for ((i = 1; i <= runs; i++)); do
    one+=("$(run_once "$bin_dir/refldsgn-solve" "$rows" -j 1 | cut -d' ' -f1)")
    all+=("$(run_once "$bin_dir/refldsgn-solve" "$rows" -j "$cores" | cut -d' ' -f1)")
    line="run $i: -j 1 ${one[-1]} s, -j $cores ${all[-1]} s"
    if [ -n "$other" ]; then
        base+=("$(run_once "$other/refldsgn-solve" "$rows" "${other_jobs[@]}" | cut -d' ' -f1)")
        line+=", other ${base[-1]} s"
    fi
    echo "$line"
done
m1=$(printf '%s\n' "${one[@]}" | median)
ma=$(printf '%s\n' "${all[@]}" | median)
awk -v n="$rows" -v a="$m1" -v b="$ma" -v c="$cores" 'BEGIN {
    printf "refldsgn-solve, CSV to a file, %d rows: -j 1 median %.3f s (%.0f rows/s); -j %d median %.3f s (%.0f rows/s)\n", n, a, n / a, c, b, n / b }'
if [ -n "$other" ]; then
    mb=$(printf '%s\n' "${base[@]}" | median)
    awk -v o="$other" -v a="$m1" -v b="$ma" -v m="$mb" 'BEGIN {
        printf "%s: median %.3f s; this build is %.2f times as fast with -j 1, %.2f times with all cores\n", o, m, m / a, m / b }'
fi
offset=()
for ((i = 1; i <= runs; i++)); do offset+=("$(OFFSET=1 run_once "$bin_dir/refldsgn-solve" "$rows" -j "$cores" | cut -d' ' -f1)"); done
mo=$(printf '%s\n' "${offset[@]}" | median)
awk -v n="$rows" -v a="$mo" -v b="$ma" -v c="$cores" 'BEGIN {
    printf "offset designs (mode 3, case 1), %d rows, -j %d: median %.3f s (%.0f rows/s), beside mode 1: %.0f rows/s\n", n, c, a, n / a, n / b }'
for n in $((rows / 10)) "$rows" $((rows * 10)); do
    echo "peak resident memory, $n rows: -j 1 $(run_once "$bin_dir/refldsgn-solve" "$n" -j 1 | awk '{ printf "%.2f", $2 / 1024 }') MiB," \
         "-j $cores $(run_once "$bin_dir/refldsgn-solve" "$n" -j "$cores" | awk '{ printf "%.2f", $2 / 1024 }') MiB"
done
rm -f "$work/rows.csv"
echo "refldsgn-basic, the same sweep as a dialogue:"
dialogue=$(bash "$here/sweep_bench.sh" "$bin_dir" "$runs" "$rows" | tail -n 2)
echo "$dialogue"
interactive=$(echo "$dialogue" | grep -o 'median time [0-9.]*' | awk '{ print $3 }')
awk -v a="$ma" -v i="$interactive" 'BEGIN { printf "all cores against the interactive sweep: %.3f s / %.3f s = %.2f\n", a, i, a / i }'
