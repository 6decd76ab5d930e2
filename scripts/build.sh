#!/bin/bash
# Configures and builds one build tree. Used by run.sh and test.sh.
#   scripts/build.sh BUILD_DIR [CMAKE_OPTIONS...] [-- BUILD_TARGETS...]
#   scripts/build.sh --preset NAME [CMAKE_OPTIONS...] [-- BUILD_TARGETS...]
# The first form builds RelWithDebInfo in BUILD_DIR; the second configures and
# builds a preset of CMakePresets.json (its own directory, type and targets;
# targets named here replace the preset's).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -eq 0 ] || { [ "$1" = "--preset" ] && [ $# -lt 2 ]; }; then
    echo "usage: scripts/build.sh BUILD_DIR|--preset NAME [CMAKE_OPTIONS...] [-- BUILD_TARGETS...]" >&2
    exit 2
fi
preset=""
build=""
if [ "$1" = "--preset" ]; then
    preset=$2
    shift 2
else
    build=$1
    shift
fi

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
jobs=$(nproc 2>/dev/null || echo 2)

if [ -n "$preset" ]; then
    # Presets are found in the source directory.
    cd "$root"
    cmake --preset "$preset" "${options[@]}" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" "${targets[@]}"
    exit
fi
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
    options+=(-G Ninja)
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build "$build" -j "$jobs" "${targets[@]}"
