#!/bin/bash
# Builds Tavorly and runs every test, in stages:
#   normal      the README's plain build in build/, with warnings as errors
#               (TAVORLY_WERROR), and its whole suite, the GL and end-to-end
#               tests on a virtual X server;
#   sanitizers  preset dev (build-dev/, address and undefined-behaviour
#               sanitizers): every test but the end-to-end runs, the GL tests
#               through Mesa on the normal stage's X server;
#   threads     preset tsan (build-tsan/, ThreadSanitizer): the audio
#               output's threads, its lifecycle and the SDL device;
#   fuzz        preset fuzz (build-fuzz/, clang): scripts/fuzz.sh for a minute.
# A stage is a build and a ctest run; ctest's exit status says whether it
# passed. Each stage's ctest summary is printed again at the end, and the
# command exits non-zero when any build or test failed.
set -euo pipefail
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

status=0
stage=""
summary=()

# Starts a stage: its heading, and the name its results are reported under.
begin_stage() {
    stage=$1
    echo "== $stage: $2"
}

# Records a failed step of the current stage.
fail() {
    status=1
    summary+=("$stage: FAILED: $1")
}

# Builds with scripts/build.sh's arguments; false (recorded) when the build fails.
build() {
    scripts/build.sh "$@" || { fail "build"; return 1; }
}

# Runs ctest with the given options (a build directory or a test preset, a
# label selection...) and records the outcome from its exit status, with the
# summary line it printed.
run_tests() {
    local log="$logs/$stage.ctest"
    if ctest --output-on-failure --no-tests=error -j "$jobs" "$@" 2>&1 | tee "$log"; then
        summary+=("$stage: $(grep -E 'tests passed' "$log" | tail -n1 || true)")
    else
        fail "$(grep -E 'tests passed|No tests were found' "$log" | tail -n1 || echo "ctest did not finish")"
    fi
}

# One virtual X server for the GL tests; the end-to-end tests start their own.
# -displayfd picks a free display number and reports it once the server is ready.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$logs/display" >"$logs/xvfb" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$logs/display" ] && break
        sleep 0.1
    done
    if [ ! -s "$logs/display" ]; then
        echo "test: Xvfb did not start:" >&2
        cat "$logs/xvfb" >&2
        fail "Xvfb did not start"
        return 1
    fi
    DISPLAY=":$(head -n1 "$logs/display")"
    export DISPLAY
}

stage_normal() {
    begin_stage normal "build/ and every test"
    build build -DTAVORLY_WERROR=ON || return 0
    start_xvfb || return 0
    echo "DISPLAY=$DISPLAY"
    run_tests --test-dir build --timeout 600
}

stage_sanitizers() {
    begin_stage sanitizers "preset dev (address, undefined): every test but the end-to-end runs"
    build --preset dev || return 0
    run_tests --preset dev
}

stage_threads() {
    begin_stage threads "preset tsan (ThreadSanitizer): the audio output's threads and the SDL device"
    build --preset tsan || return 0
    run_tests --preset tsan
}

stage_fuzz() {
    begin_stage fuzz "preset fuzz: a minute of the libFuzzer targets from the seed corpus"
    local log="$logs/fuzz.log"
    if scripts/fuzz.sh 60 2>&1 | tee "$log"; then
        summary+=("$stage: no failing input in $(awk '/number_of_executed_units/ { n += $3 } END { print n + 0 }' "$log") executions")
    else
        fail "$(grep -E '^fuzz: ' "$log" | head -n1 || echo "fuzz.sh did not finish")"
    fi
}

scripts/setup.sh
export SDL_AUDIODRIVER=dummy
stage_normal
stage_sanitizers
stage_threads
stage_fuzz

echo "== Summary"
printf '%s\n' "${summary[@]}"
exit $status
