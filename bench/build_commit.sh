#!/usr/bin/env bash
# Builds the console program of any commit into a folder of its own, so that
# two versions can be measured side by side on the same machine.
#
#   bench/build_commit.sh COMMIT [DIR]
#
# DIR defaults to build-commits/<short hash>; prints the path of its zemo.
# The commit's files are taken with git archive into a temporary folder (no
# worktree is added to the repository). Builds with BENCH_JOBS jobs
# (default 1); on a failure the build output is shown.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
commit="$(git -C "$root" rev-parse --short "${1:?usage: build_commit.sh COMMIT [DIR]}")"
out="${2:-$root/build-commits/$commit}"
if [ ! -x "$out/bin/zemo" ]; then
    src="$(mktemp -d)"
    trap 'rm -rf "$src"' EXIT
    git -C "$root" archive "$commit" | tar -x -C "$src"
    if ! { cmake -S "$src" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEMO_TESTS=OFF -DZEMO_DESKTOP=OFF &&
           ninja -j "${BENCH_JOBS:-1}" -C "$out" zemo; } >"$src/build.log" 2>&1; then
        echo "building $commit failed:" >&2
        cat "$src/build.log" >&2
        rm -f "$out/CMakeCache.txt"     # the next attempt configures afresh
        exit 1
    fi
fi
echo "$out/bin/zemo"
