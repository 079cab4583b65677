#!/usr/bin/env bash
# End-to-end throughput of zemo on a large generated project.
#
#   bench/run_throughput.sh [BUILD_DIR] [generator options...]
#
# Builds zemo in BUILD_DIR (default build-bench, Release) unless it is
# there, generates the project (bench/make_large_project.py: 500 point,
# 500 line and 200 area sources, 4 pollutants, 2,000 receptors; the
# computation uses the 48 directions of the model settings) in a temporary
# directory, runs zemo on it and prints source-receptor-case evaluations
# per second (sources x receptors x 5 classes x 48 directions x 3 speed
# classes over the wall time of the run) and the peak resident memory.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build-bench}"
shift || true
if [ ! -x "$build/bin/zemo" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEMO_TESTS=OFF >/dev/null
    ninja -C "$build" zemo >/dev/null
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 "$here/make_large_project.py" "$work" "$@"
sources=$(( $(wc -l < "$work/bodove.txt") + $(wc -l < "$work/liniove.txt") + $(wc -l < "$work/plosne.txt") ))
receptors=$(wc -l < "$work/body.txt")
cases=720

cd "$work"
start=$(date +%s.%N)
if [ -x /usr/bin/time ]; then
    /usr/bin/time -v -o time.txt "$build/bin/zemo" -a -c -i large.atm -L1 -l run.log >/dev/null
    peak_kb=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' time.txt)
else
    peak_kb=$(python3 - "$build/bin/zemo" <<'PY'
import resource, subprocess, sys
subprocess.run([sys.argv[1], "-a", "-c", "-i", "large.atm", "-L1", "-l", "run.log"],
               stdout=subprocess.DEVNULL, check=True)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
PY
)
fi
end=$(date +%s.%N)
grep -q "O.K." run.log || { echo "zemo did not end with O.K.:"; cat run.log; exit 1; }
python3 - "$sources" "$receptors" "$cases" "$start" "$end" "$peak_kb" <<'PY'
import sys
sources, receptors, cases = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
seconds = float(sys.argv[5]) - float(sys.argv[4])
evaluations = sources * receptors * cases
print("sources %d, receptors %d, cases per source %d" % (sources, receptors, cases))
print("wall time %.1f s" % seconds)
print("source-receptor-case evaluations per second: %.3g" % (evaluations / seconds))
print("peak memory: %.1f MiB" % (int(sys.argv[6]) / 1024.0))
PY
