#!/bin/bash
# The Windows build's tests, run under Wine on Linux. Kept apart from the
# README's test command, whose time it would more than fill (see the README,
# "Windows"):
#   1. the 64-bit Windows tree build-windows/x64 (preset windows): the
#      programs and the engine's, scene's, display's and resources' unit
#      tests, cross-compiled;
#   2. those unit tests run under Wine (ctest --preset windows), on a
#      private Xvfb server for the GL tests and a PulseAudio null sink for
#      waveOut;
#   3. end to end from Linux (ctest -L windows in build/): tavorly.exe under
#      Wine, and xmrender.exe against the Linux xmrender byte for byte.
# The zips are scripts/build-windows.sh's. No arguments; installs what it
# needs first. Exits non-zero when any build or test fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)
work=$(mktemp -d)
xvfb_pid=""
pulse_pid=""
cleanup() {
    [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    WINEPREFIX="$root/build-windows/x64/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

scripts/setup.sh

echo "== Windows x64 build with its tests"
options=()
if command -v ccache >/dev/null 2>&1; then
    options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake --preset windows "${options[@]}" >/dev/null
cmake --build --preset windows -j "$jobs"

echo "== Windows unit tests (under Wine)"

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >"$work/xvfb" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "test-windows: Xvfb did not start:" >&2
    cat "$work/xvfb" >&2
    exit 1
fi
# A sound server with a null sink on a socket of its own, for waveOut.
mkdir -p "$work/pulse"
XDG_RUNTIME_DIR="$work/pulse" HOME="$work/pulse" pulseaudio --daemonize=no --exit-idle-time=-1 -n \
    --load=module-null-sink "--load=module-native-protocol-unix auth-anonymous=1 socket=$work/pulse/native" \
    >"$work/pulse.log" 2>&1 &
pulse_pid=$!
for _ in $(seq 100); do
    [ -S "$work/pulse/native" ] && break
    sleep 0.1
done

status=0
(
    export DISPLAY=":$(head -n1 "$work/display")" PULSE_SERVER="unix:$work/pulse/native"
    ctest --preset windows
) || status=1
kill "$pulse_pid" 2>/dev/null || true
pulse_pid=""
WINEPREFIX="$root/build-windows/x64/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true

echo "== Windows programs end to end (under Wine)"
scripts/build.sh build -- windows_e2e_tests
(
    export TAVORLY_WINDOWS_BUILD_DIR="$root/build-windows/x64"
    cd build && ctest --output-on-failure -L windows --timeout 600
) || status=1
echo "test-windows: $([ $status = 0 ] && echo passed || echo FAILED) in ${SECONDS} s"
exit $status
