#!/usr/bin/env bash
# The radiation engine's speed: the columns of many designs, the cuts of a
# large offset design, and the gain of one design beside cassbeam's.
#
#   bench/radiate_bench.sh [BIN_DIR] [RUNS] [ROWS]
#
# ROWS (default 10000) designs of D = 100 wavelengths (the 6 m Cassegrain at
# 5 GHz, DS swept) through --radiate at -j 2, and a tenth as many offset
# Gregorians of D = 100 wavelengths; three cuts of 1001 points of
# the 24 m offset Gregorian at 12.5 GHz (D = 1000 wavelengths) through
# --pattern; and the 6 m dish at 10 GHz through --radiate and through
# cassbeam (the engine's feed given as a table, grid 512); by physical
# optics, three cuts of 1001 points of an offset Gregorian of D = 100
# wavelengths with a sub of 20 (its peak memory too); each the median of
# RUNS runs (default 3).
set -euo pipefail
bin=${1:-$(dirname "$0")/../build}
runs=${2:-3}
rows=${3:-10000}
solve=$bin/refldsgn-solve
work=$(mktemp -d "${TMPDIR:-/var/tmp}/radiate_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
timed() {  # seconds of one run of the command
    local t0 t1
    t0=$(date +%s.%N)
    "$@" > /dev/null
    t1=$(date +%s.%N)
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }'
}

step=$(awk -v n="$rows" 'BEGIN { printf "%.10g", 0.2 / n }')
stop=$(awk -v n="$rows" -v s="$step" 'BEGIN { printf "%.10g", 0.3 + (n - 1) * s }')
t=$(for i in $(seq "$runs"); do timed "$solve" type=cassegrain DM=6 FM=2.52 DS=0.3:"$stop":"$step" TE=2.04624 freq=5 unit=m \
    --radiate -f csv -j 2 -o "$work/rows.csv"; done | median)
echo "--radiate, $rows designs of D = 100 wavelengths, -j 2: median $t s ($(awk -v t="$t" -v n="$rows" 'BEGIN { printf "%.2f", 1000 * t / n }') ms a design)"

# Offset designs have no rings to sum: a tenth as many.
orows=$(( (rows + 9) / 10 ))
ostep=$(awk -v n="$orows" 'BEGIN { printf "%.10g", 0.2 / n }')
ostop=$(awk -v n="$orows" -v s="$ostep" 'BEGIN { printf "%.10g", 4.8 + (n - 1) * s }')
t=$(for i in $(seq "$runs"); do timed "$solve" type=gregorian DM=24 FM=18 H=18 DS=4.8:"$ostop":"$ostep" BETA=5.6 freq=1.249135 \
    unit=m --radiate -f csv -j 2 -o "$work/orows.csv"; done | median)
echo "--radiate, $orows offset Gregorians of D = 100 wavelengths, -j 2: median $t s ($(awk -v t="$t" -v n="$orows" 'BEGIN { printf "%.2f", 1000 * t / n }') ms a design)"

t=$(for i in $(seq "$runs"); do timed "$solve" type=gregorian DM=24 FM=18 H=18 DS=10 BETA=5.6 freq=12.5 unit=m \
    --pattern "$work/cuts.csv" --points 1001 -o "$work/one.csv"; done | median)
echo "--pattern, three cuts of 1001 points, 24 m offset Gregorian at 12.5 GHz (D = 1000 wavelengths): median $t s"

po() { "$solve" type=gregorian DM=24 FM=18 H=18 DS=4.8 BETA=5.6 freq=1.249135 unit=m taper=12 method=po \
    --pattern "$work/po.csv" --points 1001 -j 2 -o "$work/po-row.csv"; }
t=$(for i in $(seq "$runs"); do timed po; done | median)
kb=$( { /usr/bin/time -f "%M" bash -c "$(declare -f po); solve=$solve work=$work po" > /dev/null; } 2>&1 | tail -1)
echo "method=po --pattern, three cuts of 1001 points, offset Gregorian D = 100 wavelengths, sub 20, -j 2: median $t s, peak $((kb / 1024)) MiB"

if command -v cassbeam > /dev/null; then
    "$solve" type=cassegrain DM=6 FM=2.52 DS=0.35 TE=2.04624 freq=10 unit=m --cassbeam "$work/d" -o /dev/null
    awk 'BEGIN { for (i = 0; i <= 900; i++) { t = i / 10; printf "%g %.12g\n", t, t < 90 ? -10 * (t / 2.04624)^2 : -300 } }' \
        > "$work/feed.txt"
    grep -v -E '^(feedtaper|feedangle|feedthetamax|hole_radius|gridsize|out)\b' "$work/d.in" > "$work/c.in"
    printf 'out = c\nfeedpattern = feed.txt\ndiffeff = 1\ngridsize = 512\n' >> "$work/c.in"
    ours=$(for i in $(seq "$runs"); do timed "$solve" type=cassegrain DM=6 FM=2.52 DS=0.35 TE=2.04624 freq=10 unit=m \
        --radiate -f csv -o "$work/r.csv"; done | median)
    theirs=$(for i in $(seq "$runs"); do (cd "$work" && timed cassbeam c.in); done | median)
    echo "the 6 m dish at 10 GHz: --radiate median $ours s, cassbeam median $theirs s ($(awk -v a="$theirs" -v b="$ours" 'BEGIN { printf "%.1f", a / b }') times as long)"
fi
