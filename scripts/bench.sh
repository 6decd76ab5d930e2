#!/bin/sh
# Benchmarks Tavorly against its targets: builds Release in build-bench/, then
#   - for every benchmark module (the soundtrack data/rcdata/190.xm and
#     tests/bench/modules/*.xm) the median user+sys processor time of
#     `xmrender IN OUT.wav` and of `xmp -q -i linear -f 44100 -o OUT.wav IN`,
#     run one after the other N times (default 5), and their ratio;
#   - the mixer's steady throughput (32 voices) with the inner loops this
#     processor runs;
#   - the demo's start-up: milliseconds from starting it to each stage and to
#     the first frame it presents, best of 3, under xvfb-run at 800x600x24
#     with SDL's dummy sound driver, and beside it the same for the display
#     alone (tests/bench/startup_floor.cpp: no scene, no music), the part of
#     the start-up that the window system and the GL driver take.
# The machine may be shared: the figures are processor time, not wall time,
# and the two players run alternately so both see the same load.
# Exits non-zero only when a build or a program fails.
#   scripts/bench.sh [N]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${1:-5}
case "$runs" in
    '' | *[!0-9]* | 0) echo "usage: scripts/bench.sh [RUNS]  (RUNS a whole number above 0)" >&2; exit 2 ;;
esac

scripts/setup.sh
echo "== Release build in build-bench/"
scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DTAVORLY_BUILD_BENCHMARKS=ON -- xmrender music_bench tavorly startup_floor

echo "== xmrender against xmp -i linear ($runs runs each, load average: $(cut -d' ' -f1-3 /proc/loadavg))"
python3 scripts/bench_renders.py build-bench/tools/xmrender/xmrender "$runs" data/rcdata/190.xm tests/bench/modules/*.xm

echo "== Mixer: 32 voices at steady gains, voice-frames per second of one core (median of $runs)"
# One line per form of the inner loops; the last one listed is the one in use.
build-bench/tests/bench/music_bench --benchmark_filter='^mixSteady/' --benchmark_repetitions="$runs" \
    --benchmark_report_aggregates_only=true 2>/dev/null |
    awk '/_median/ { sub(/voice-frames\/s=/, "", $7); printf "%-9s %s\n", $8, $7 }'

echo "== Start-up to the first frame (best of 3, load average: $(cut -d' ' -f1-3 /proc/loadavg))"
SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 800x600x24" python3 scripts/bench_startup.py build-bench/app/tavorly 3
echo "== The display alone to its first present: the floor under the above (best of 3)"
SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 800x600x24" python3 scripts/bench_startup.py build-bench/tests/bench/startup_floor 3
