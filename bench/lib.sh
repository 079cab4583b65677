# shellcheck shell=bash disable=SC2034
# Helpers of the bench scripts; sourced, not run (the variables they set
# are read by those scripts).
#
# Builds run ninja with BENCH_JOBS jobs (default 1: the development machine
# is shared; BENCH_JOBS=4 builds faster on a machine of one's own).

bench_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# build_zemo BUILD_DIR: configures BUILD_DIR for the working tree (Release,
# console program only) and brings its zemo up to date.
build_zemo() {
    cmake -S "$bench_root" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEMO_TESTS=OFF -DZEMO_DESKTOP=OFF >/dev/null
    ninja -j "${BENCH_JOBS:-1}" -C "$1" zemo >/dev/null
}

# ensure_zemo BUILD_DIR: builds zemo there unless the folder has one (a
# folder of another commit is used as it is).
ensure_zemo() {
    [ -x "$1/bin/zemo" ] || build_zemo "$1"
}

# measure_zemo ZEMO PROJECT: runs ZEMO on PROJECT in the current directory,
# logging into run.log, and sets WALL_SECONDS (wall time of the run) and
# PEAK_KIB (peak resident memory, from /usr/bin/time -v if there, else from
# getrusage of the child, which also counts the 10 MB or so of the Python
# interpreter the child was before it became zemo). Fails, showing the log,
# unless the run is complete: exit code 0, "O.K." at the end and no error
# in the log.
measure_zemo() {
    local zemo=$1 project=$2 start end status=0
    start=$(date +%s.%N)
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -v -o time.txt "$zemo" -a -c -i "$project" -L1 -l run.log >/dev/null || status=$?
        PEAK_KIB=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' time.txt)
    else
        PEAK_KIB=$(python3 - "$zemo" "$project" <<'PY'
import resource, subprocess, sys
run = subprocess.run([sys.argv[1], "-a", "-c", "-i", sys.argv[2], "-L1", "-l", "run.log"],
                     stdout=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
sys.exit(run.returncode)
PY
) || status=$?
    fi
    end=$(date +%s.%N)
    WALL_SECONDS=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
    if [ "$status" -ne 0 ] || ! LC_ALL=C grep -q 'UKON.EN\.\.\. O\.K\.' run.log || LC_ALL=C grep -q '^+++ ' run.log; then
        echo "zemo did not complete the run (exit code $status); its log:" >&2
        if [ -f run.log ]; then iconv -f cp1250 -t utf-8 run.log >&2 || cat run.log >&2; fi
        return 1
    fi
}
