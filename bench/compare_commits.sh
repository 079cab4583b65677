#!/usr/bin/env bash
# Measures the baseline commit and the working tree in one go on the same
# generated projects: wall time, evaluations per second and peak memory, for
# the baseline, and for the current program on one thread and on all CPUs,
# then the ratios between them.
#
#   bench/compare_commits.sh [--only large|roads] [BASELINE] [generator options...]
#
# BASELINE defaults to 7b4e517 (the first complete program). Both projects
# are measured unless --only names one: the large project and the road
# network (make_large_project.py --kind large / --kind roads). Generator
# options (e.g. --receptors 400) go to both projects. Run by hand: the
# default projects take minutes per program.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=bench/lib.sh
. "$here/lib.sh"
usage() { echo "usage: compare_commits.sh [--only large|roads] [BASELINE] [generator options...]" >&2; exit 2; }
baseline=7b4e517
baseline_given=
kinds=(large roads)
gen=()
while [ $# -gt 0 ]; do
    case "$1" in
        --only) [ $# -ge 2 ] || usage; kinds=("$2"); shift 2 ;;
        --only=*) kinds=("${1#--only=}"); shift ;;
        --kind|--kind=*) echo "compare_commits.sh chooses the kind itself; use --only" >&2; usage ;;
        -*) gen+=("$1"); shift ;;
        *)  if [ -z "$baseline_given" ] && [ ${#gen[@]} -eq 0 ]; then baseline=$1; baseline_given=1
            else gen+=("$1"); fi
            shift ;;
    esac
done
case "${kinds[0]}" in large|roads) ;; *) usage ;; esac

base_zemo="$("$here/build_commit.sh" "$baseline")"
base_build="$(dirname "$(dirname "$base_zemo")")"
current="$bench_root/build-bench"
build_zemo "$current"
cpus=$(nproc)
programs=("baseline $baseline" "current, 1 thread" "current, $cpus threads")
builds=("$base_build" "$current" "$current")
threads=(1 1 "$cpus")

declare -A wall speed peak size
for kind in "${kinds[@]}"; do
    for i in 0 1 2; do
        echo "== $kind project, ${programs[i]}"
        out="$(ZEMO_THREADS="${threads[i]}" "$here/run_throughput.sh" "${builds[i]}" --kind "$kind" ${gen[@]+"${gen[@]}"})"
        echo "$out" | sed 's/^/   /'
        wall[$kind,$i]=$(echo "$out" | awk '/^wall time/ {print $3}')
        speed[$kind,$i]=$(echo "$out" | awk -F': ' '/evaluations per second/ {print $2}')
        peak[$kind,$i]=$(echo "$out" | awk '/^peak memory/ {print $3}')
        size[$kind]=$(echo "$out" | grep '^sources')
    done
done

for kind in "${kinds[@]}"; do
    echo
    echo "== $kind project (${size[$kind]})"
    printf '%-24s %12s %16s %14s\n' program "wall time" "evaluations/s" "peak memory"
    for i in 0 1 2; do
        printf '%-24s %10s s %16s %10s MiB\n' "${programs[i]}" "${wall[$kind,$i]}" "${speed[$kind,$i]}" "${peak[$kind,$i]}"
    done
    awk -v b="${wall[$kind,0]}" -v one="${wall[$kind,1]}" -v all="${wall[$kind,2]}" \
        -v m1="${peak[$kind,1]}" -v mall="${peak[$kind,2]}" -v cpus="$cpus" '
        function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "n/a" }
        BEGIN {
            printf "current on 1 thread vs baseline: %s times the speed\n", ratio(b, one)
            printf "%d threads vs 1 thread: %s times the speed, %s times the peak memory\n",
                   cpus, ratio(one, all), ratio(mall, m1)
        }'
done
