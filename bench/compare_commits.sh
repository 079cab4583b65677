#!/usr/bin/env bash
# Measures the baseline commit and the working tree in one go on the same
# generated project: wall time, evaluations per second and peak memory, for
# the baseline, and for the current program on one thread and on all CPUs.
#
#   bench/compare_commits.sh [BASELINE] [generator options...]
#
# BASELINE defaults to 7b4e517 (the first complete program). Generator
# options as for run_throughput.sh (default: the large project). Run by
# hand: the default project takes minutes per program.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
baseline="${1:-7b4e517}"
shift || true
base_zemo="$("$here/build_commit.sh" "$baseline")"
current="$root/build-bench"
cmake -S "$root" -B "$current" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEMO_TESTS=OFF -DZEMO_DESKTOP=OFF >/dev/null
cmake --build "$current" --target zemo >/dev/null
cpus=$(nproc)
report() {  # label, build dir, threads
    echo "== $1"
    ZEMO_THREADS="$3" "$here/run_throughput.sh" "$2" "${@:4}" | tail -3
}
report "baseline $baseline" "$(dirname "$(dirname "$base_zemo")")" 1 "$@"
report "current, 1 thread" "$current" 1 "$@"
report "current, $cpus threads" "$current" "$cpus" "$@"
