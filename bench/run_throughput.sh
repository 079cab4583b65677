#!/usr/bin/env bash
# End-to-end throughput of zemo on a large generated project.
#
#   bench/run_throughput.sh [BUILD_DIR] [generator options...]
#
# Builds zemo in BUILD_DIR (default build-bench, Release) unless it is
# there, generates the project with bench/make_large_project.py and the
# generator options (default: the large project, 500 point, 500 line and
# 200 area sources, 4 pollutants, 2,000 receptors; --kind roads for the
# road network) in a temporary directory, runs zemo on it and prints
# source-receptor-case evaluations per second (sources x receptors x 5
# classes x 48 directions x 3 speed classes over the wall time of the run)
# and the peak resident memory. Fails unless the run is complete ("O.K.",
# no error in the log).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=bench/lib.sh
. "$here/lib.sh"
build="${1:-$bench_root/build-bench}"
shift || true
ensure_zemo "$build"
build="$(cd "$build" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 "$here/make_large_project.py" "$work" "$@"
rows() { if [ -f "$1" ]; then wc -l < "$1"; else echo 0; fi; }
sources=$(( $(rows "$work/bodove.txt") + $(rows "$work/liniove.txt") + $(rows "$work/plosne.txt") ))
receptors=$(rows "$work/body.txt")
cases=720

cd "$work"
project=$(ls -- *.atm)
measure_zemo "$build/bin/zemo" "$project"
python3 - "$sources" "$receptors" "$cases" "$WALL_SECONDS" "$PEAK_KIB" <<'PY'
import sys
sources, receptors, cases = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
seconds = float(sys.argv[4])
evaluations = sources * receptors * cases
print("sources %d, receptors %d, cases per source %d" % (sources, receptors, cases))
print("wall time %.2f s" % seconds)
print("source-receptor-case evaluations per second: %.3g" % (evaluations / seconds))
print("peak memory: %.1f MiB" % (int(sys.argv[5]) / 1024.0))
PY
