#!/usr/bin/env bash
# How a run of zemo grows with the number of receptors.
#
#   bench/scale_run.sh [--build BUILD_DIR] [--dir DIR] [RECEPTORS...]
#
# For each count of receptors (default 10000 100000 1000000) generates the
# scale project (make_large_project.py --kind scale: the same 20 stacks, 50
# road segments and 10 squares in a 10 km square every time, the receptors
# on a grid over that square, the basic result table only), runs zemo on it
# and prints receptors, wall time, peak resident memory and the size of the
# basic result table. Fails unless every run is complete ("O.K.", no error
# in the log) and its basic table holds one row per receptor, in the order
# of the receptor table.
#
# BUILD_DIR defaults to build-bench (built, Release, unless it has a zemo).
# The projects are written into a temporary folder that is removed at the
# end, or into DIR, where they are kept. zemo computes on every CPU unless
# ZEMO_THREADS says otherwise.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=bench/lib.sh
. "$here/lib.sh"
usage() { echo "usage: scale_run.sh [--build BUILD_DIR] [--dir DIR] [RECEPTORS...]" >&2; exit 2; }
build="$bench_root/build-bench"
keep=
sizes=()
while [ $# -gt 0 ]; do
    case "$1" in
        --build) [ $# -ge 2 ] || usage; build=$2; shift 2 ;;
        --dir) [ $# -ge 2 ] || usage; keep=$2; shift 2 ;;
        *[!0-9]*|"") usage ;;
        *) [ "$1" -gt 0 ] || usage; sizes+=("$1"); shift ;;
    esac
done
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000 1000000)
build="$(cd "$(dirname "$build")" && pwd)/$(basename "$build")"
ensure_zemo "$build"
if [ -n "$keep" ]; then
    mkdir -p "$keep"
    work="$(cd "$keep" && pwd)"
else
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
fi

# check_rows RESULT RECEPTORS: the basic table has its header and then one
# row per receptor, with the receptors' identifiers in their order. Both
# files are read line by line.
check_rows() {
    awk -F'\t' -v ids="$2" '
        FNR == 1 { if ($1 != "Bod") { print "no header line in " FILENAME; bad = 1 }; next }
        {
            rows++
            if ((getline line < ids) <= 0) { extra++; next }
            split(line, f, "\t")
            if (f[1] != $1 && !wrong++) print "row " rows " is point " $1 ", the receptor table has " f[1] " there"
        }
        END {
            while ((getline line < ids) > 0) missing++
            if (extra || missing) print rows " rows for " rows - extra + missing " receptors"
            exit (bad || wrong || extra || missing) ? 1 : 0
        }' "$1"
}

echo "threads: ${ZEMO_THREADS:-every CPU}; projects in $work"
lines=()
for n in "${sizes[@]}"; do
    dir="$work/$n"
    python3 "$here/make_large_project.py" "$dir" --kind scale --receptors "$n"
    cd "$dir"
    measure_zemo "$build/bin/zemo" scale.atm
    result=vysledky/IHrIHk.txt
    if ! check_rows "$result" body.txt >&2; then
        echo "the basic table $dir/$result does not hold one row per receptor" >&2
        exit 1
    fi
    lines+=("$n $WALL_SECONDS $PEAK_KIB $(stat -c %s "$result")")
    cd "$work"
done

echo
printf '%12s %12s %14s %14s %20s\n' receptors "wall time" "peak memory" "result size" "time per receptor"
for line in "${lines[@]}"; do
    read -r n seconds kib bytes <<<"$line"
    awk -v n="$n" -v s="$seconds" -v kib="$kib" -v bytes="$bytes" 'BEGIN {
        printf "%12d %10.2f s %10.1f MiB %10.1f MiB %17.1f us\n", n, s, kib / 1024, bytes / 1048576, s / n * 1e6
    }'
done
