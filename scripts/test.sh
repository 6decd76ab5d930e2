#!/bin/sh
# Builds Tavorly and runs every test: the normal build's whole suite (GL and
# end-to-end tests on a virtual X server), then the engine's tests again in a
# build with the address and undefined-behaviour sanitizers.
# Exits non-zero when any build or test fails.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)
logs=$(mktemp -d)
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$logs"
}
trap cleanup EXIT INT TERM

scripts/setup.sh

echo "== Normal build"
scripts/build.sh build

# One virtual X server for the GL tests; the end-to-end tests start their own.
# -displayfd picks a free display number and reports it once the server is ready.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$logs/display" >"$logs/xvfb" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$logs/display" ] && break
    sleep 0.1
done
if [ ! -s "$logs/display" ]; then
    echo "test: Xvfb did not start:" >&2
    cat "$logs/xvfb" >&2
    exit 1
fi
DISPLAY=":$(head -n1 "$logs/display")"
export DISPLAY
export SDL_AUDIODRIVER=dummy

status=0
echo "== Tests (DISPLAY=$DISPLAY)"
(cd build && ctest --output-on-failure -j "$jobs" --timeout 600) 2>&1 | tee "$logs/normal" || true
grep -q "tests passed, 0 tests failed" "$logs/normal" || status=1

echo "== Sanitizer build (address, undefined): engine tests"
# -O1 and line tables only: the sanitizers need no more, and the build is
# much quicker than the normal build's -O2 -g.
scripts/build.sh build-asan -DTAVORLY_SANITIZE=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" \
    "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" -- engine_tests
(cd build-asan && ctest --output-on-failure -j "$jobs" --timeout 900 -L engine) 2>&1 | tee "$logs/sanitize" || true
grep -q "tests passed, 0 tests failed" "$logs/sanitize" || status=1

echo "== Summary"
echo "normal build:   $(grep -E 'tests passed|No tests were found' "$logs/normal" | tail -n1)"
echo "sanitizer build: $(grep -E 'tests passed|No tests were found' "$logs/sanitize" | tail -n1)"
exit $status
