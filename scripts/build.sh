#!/bin/bash
# Configures and builds one build tree. Used by run.sh and test.sh.
#   scripts/build.sh BUILD_DIR [CMAKE_OPTIONS...] [-- BUILD_TARGETS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
shift

options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    options+=("$1")
    shift
done
[ $# -gt 0 ] && shift
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done

if command -v ccache >/dev/null 2>&1; then
    options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
    options+=(-G Ninja)
fi
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build "$build" -j "$jobs" "${targets[@]}"
