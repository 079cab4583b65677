#!/usr/bin/env bash
# Builds the console program of any commit into a folder of its own, so that
# two versions can be measured side by side on the same machine.
#
#   bench/build_commit.sh COMMIT [DIR]
#
# DIR defaults to build-commits/<short hash>; prints the path of its zemo.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
commit="$(git -C "$root" rev-parse --short "${1:?usage: build_commit.sh COMMIT [DIR]}")"
out="${2:-$root/build-commits/$commit}"
if [ ! -x "$out/bin/zemo" ]; then
    src="$(mktemp -d)"
    trap 'git -C "$root" worktree remove --force "$src" >/dev/null 2>&1 || rm -rf "$src"' EXIT
    git -C "$root" worktree add --detach "$src" "$commit" >/dev/null 2>&1
    cmake -S "$src" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEMO_TESTS=OFF -DZEMO_DESKTOP=OFF >/dev/null 2>&1
    cmake --build "$out" --target zemo >/dev/null
fi
echo "$out/bin/zemo"
