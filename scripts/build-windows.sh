#!/bin/bash
# Cross-builds the Windows programs with Debian's mingw-w64 and packs them:
#   build-windows/tavorly-windows-x64.zip  tavorly.exe (GUI), xmrender.exe
#                                          (console), LICENSES.md, README.txt
#   build-windows/tavorly-windows-x86.zip  the same for 32-bit Windows
# The 64-bit tree (build-windows/x64) also holds the unit tests that the test
# command runs under Wine. No arguments; installs what it needs first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# Builds one width with its preset (windows or windows-x86): the two programs.
build_width() {
    cmake --preset "$1" "${launcher[@]}" >/dev/null
    cmake --build --preset "$1" -j "$jobs" --target tavorly xmrender
}

# Packs the programs of one width with the licences and the read-me, every
# file at the top level of the zip.
pack() {
    local dir=$1 zip=$2
    local staging
    staging=$(mktemp -d)
    cp "$dir/app/win32/tavorly.exe" "$dir/tools/xmrender/xmrender.exe" "$staging/"
    cp "$root/data/LICENSES.md" "$staging/LICENSES.md"
    # Windows line endings for the read-me, so that Notepad shows it right.
    sed 's/$/\r/' "$root/app/win32/README.txt" >"$staging/README.txt"
    rm -f "$zip"
    (cd "$staging" && zip -q -X -9 "$zip" tavorly.exe xmrender.exe LICENSES.md README.txt)
    rm -rf "$staging"
    echo "build-windows: $(du -k "$zip" | cut -f1) KB $zip"
}

echo "== Windows x64"
build_width windows
pack "$root/build-windows/x64" "$root/build-windows/tavorly-windows-x64.zip"

echo "== Windows x86 (32-bit)"
build_width windows-x86
pack "$root/build-windows/x86" "$root/build-windows/tavorly-windows-x86.zip"
