#!/bin/bash
# The demo's soak check: runs tavorly for MINUTES (default 30) on a private
# virtual X server (800x600) with SDL's dummy audio driver, which plays in
# real time, samples its resident memory every 10 seconds, then ends it with
# Escape. Passes when it exits 0, reports no GL error and no underrun on
# stderr, and the resident memory it keeps grows by no more than 1 MB after
# the first minute: the lowest sample of the last minute against the sample
# at one minute. A single high sample is a buffer in use at that moment (the
# demo returns large freed buffers to the system), so the peak is printed
# but not judged.
#   scripts/soak.sh [MINUTES]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
minutes=${1:-30}

scripts/setup.sh
scripts/build.sh build -- tavorly

work=$(mktemp -d)
xvfb_pid=""
demo_pid=""
cleanup() {
    [ -n "$demo_pid" ] && kill "$demo_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >"$work/xvfb" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "soak: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

SDL_AUDIODRIVER=dummy build/app/tavorly 2>"$work/stderr" &
demo_pid=$!
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$demo_pid/status" 2>/dev/null || echo 0; }
# Resident kB by kind of mapping, to tell where memory grew: the heap, the GL
# driver's generated code (anonymous executable mappings), other anonymous
# memory, and files with the rest.
kinds() {
    awk '/^[0-9a-f]+-[0-9a-f]+ / { kind = ($6 == "[heap]") ? 1 : ($6 == "" && $2 ~ /x/) ? 2 : ($6 == "") ? 3 : 4 }
         /^Rss:/ { sum[kind] += $2 }
         END { printf "%8d %8d %8d %8d", sum[1], sum[2], sum[3], sum[4] }' "/proc/$demo_pid/smaps" 2>/dev/null
}

echo "soak: tavorly for $minutes minutes on $DISPLAY (pid $demo_pid); resident memory every 10 s (kB):"
echo "     time    total     heap  gl-code anonymous    files"
samples=$((minutes * 6))
baseline=0
peak=0
recent=()
for i in $(seq "$samples"); do
    sleep 10
    kill -0 "$demo_pid" 2>/dev/null || { echo "soak: tavorly ended early" >&2; break; }
    now=$(rss)
    [ "$i" -eq 6 ] && baseline=$now
    [ "$i" -ge 6 ] && [ "$now" -gt "$peak" ] && peak=$now
    recent=("${recent[@]: -5}" "$now")
    printf '%7d s %8d %s\n' $((i * 10)) "$now" "$(kinds)"
done
last=$(rss)

DISPLAY=$DISPLAY xdotool key Escape || true
status=0
for _ in $(seq 100); do
    kill -0 "$demo_pid" 2>/dev/null || break
    sleep 0.1
done
if wait "$demo_pid"; then code=0; else code=$?; fi
demo_pid=""

kept=$(printf '%s\n' "${recent[@]}" | sort -n | head -n1)
growth=$((kept - baseline))
echo "soak: exit code $code; resident memory at 1 min $baseline kB, lowest of the last minute $kept kB (growth $growth kB), at the end $last kB, peak after 1 min $peak kB"
if [ -s "$work/stderr" ]; then
    echo "soak: tavorly's stderr:"
    sed 's/^/    /' "$work/stderr"
fi
[ "$code" -eq 0 ] || { echo "soak: FAILED: exit code $code" >&2; status=1; }
grep -q "OpenGL reported" "$work/stderr" && { echo "soak: FAILED: GL errors" >&2; status=1; }
grep -q "ran out of rendered sound" "$work/stderr" && { echo "soak: FAILED: underruns" >&2; status=1; }
[ "$growth" -le 1024 ] || { echo "soak: FAILED: memory grew by $growth kB after the first minute" >&2; status=1; }
[ "$status" -eq 0 ] && echo "soak: passed"
exit $status
