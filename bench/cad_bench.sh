#!/usr/bin/env bash
# Time and size of the CAD files of the 6 m Cassegrain: STEP (faces, and
# 5 mm solids), STL within 0.1 mm and DXF, and the STEP file of a 24 m
# offset Gregorian (its reflectors trimmed by the kernel), each written alone by
# refldsgn-solve; the median of RUNS runs (default 7), peak memory of the
# last, file size and, for STL, the triangle count.
#
#   bench/cad_bench.sh [BIN_DIR] [RUNS]
set -euo pipefail

. "$(dirname "$0")/args.sh" refldsgn-solve 7 "$@"
work=$(mktemp -d "${TMPDIR:-/var/tmp}/cad_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
dish="type=cassegrain DM=6 FM=2.52 DS=0.35 TE=2.04624"
offset="type=gregorian DM=24 FM=18 H=18 DS=10 BETA=5.6"

printf '%-24s %10s %10s %12s %s\n' file "median s" "peak MiB" bytes ""
for what in "step|$dish|--step dish.step" "step, 5 mm solids|$dish|--step dish.step --thickness 0.005" \
            "stl, 0.1 mm|$dish|--stl dish.stl --tolerance 1e-4" "dxf|$dish|--dxf dish.dxf" \
            "offset step|$offset|--step offset.step"; do
    IFS='|' read -r name design options <<< "$what"
    read -r -a opts <<< "$options"
    read -r -a quantities <<< "$design"
    file=$work/${opts[1]}
    times=()
    for _ in $(seq "$runs"); do
        rm -f "$file"
        t0=$(date +%s%N)
        (cd "$work" && /usr/bin/time -f '%M' -o "$work/peak" "$bin_dir/refldsgn-solve" "${quantities[@]}" unit=m -o /dev/null "${opts[@]}")
        t1=$(date +%s%N)
        times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')")
    done
    size=$(stat -c %s "$file")
    extra=
    [ "${opts[0]}" != --stl ] || extra="$(( (size - 84) / 50 )) triangles"
    printf '%-24s %10s %10.1f %12s %s\n' "$name" "$(printf '%s\n' "${times[@]}" | median)" \
        "$(awk '{ print $1 / 1024 }' "$work/peak")" "$size" "$extra"
done
