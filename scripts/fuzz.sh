#!/bin/sh
# Runs the libFuzzer targets for a while, each from a fresh copy of the seed
# corpus, in a clang build with the address and undefined-behaviour
# sanitizers (build-fuzz/). Exits non-zero when any target finds an input that
# crashes, leaks, runs out of memory or time, and says where it is.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# SECONDS (default 60) is shared out among the targets (default: all three).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-fuzz_load_xm fuzz_load_song fuzz_xm_fields}
count=$(echo $targets | wc -w)
each=$((seconds / count))
[ "$each" -ge 1 ] || each=1

scripts/build.sh --preset fuzz -- $targets

# A 16 MB quarantine instead of 256 MB: a use after free within an input is
# still caught, and the allocator stops touching fresh pages for every input,
# which gives about 1.7 times as many executions per second of processor time.
ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16}
export ASAN_OPTIONS

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
artifacts="$root/build-fuzz/artifacts"
mkdir -p "$artifacts"
status=0
for target in $targets; do
    mkdir -p "$work/$target"
    # The byte targets start from the seed modules; the field target from
    # nothing, since its inputs are recipes rather than files, and at full
    # length at once, since short recipes make tiny modules. The timeout is
    # generous: on a loaded machine the sanitizer's allocator alone can stall
    # an input for seconds.
    options=""
    if [ "$target" = fuzz_xm_fields ]; then
        options="-len_control=0 -max_len=4096"
    else
        cp tests/fuzz/corpus/* "$work/$target/"
        options="-max_len=8192"
    fi
    echo "== $target, $each s"
    # shellcheck disable=SC2086
    if ! "build-fuzz/tests/fuzz/$target" -max_total_time="$each" $options -timeout=60 -rss_limit_mb=2048 \
        -malloc_limit_mb=256 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" "$work/$target" \
        >"$work/$target.log" 2>&1; then
        status=1
        grep -E "ERROR|SUMMARY|Test unit written" "$work/$target.log" >&2 || tail -n 20 "$work/$target.log" >&2
        echo "fuzz: $target found a failing input (in $artifacts); keep it in tests/fuzz/regressions/" >&2
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$work/$target.log" | sed "s/^/$target /"
done
exit $status
