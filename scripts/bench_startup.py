#!/usr/bin/env python3
"""Measures how soon the demo shows its first frame.

    scripts/bench_startup.py TAVORLY RUNS

Run inside an X server (scripts/bench.sh uses xvfb-run at 800x600x24, with
SDL_AUDIODRIVER=dummy). Starts TAVORLY RUNS times with TAVORLY_STARTUP_TIMES
set, ends each run with SIGTERM once it has drawn for a while (the start-up
floor program, tests/bench/startup_floor.cpp, ends by itself), and prints per
run the milliseconds from starting the program to the end of each start-up
stage the program reports (the first frame last) with the processor time it
had used by then, then the best run. Exits 1
when the program fails or reports nothing, 0 otherwise.
"""
import os
import re
import signal
import subprocess
import sys
import time

REPORT = re.compile(r"tavorly: start-up: entered ([0-9.]+) s \(processor ([0-9.]+) ms\)((?:, [a-z-]+ [0-9.]+ ms \(processor [0-9.]+ ms\))*)")
STAGE = re.compile(r", ([a-z-]+) ([0-9.]+) ms \(processor ([0-9.]+) ms\)")


def one_run(tavorly):
    """Returns [(stage, ms since the program was started, processor ms of
    the program by then)], or None."""
    env = dict(os.environ, TAVORLY_STARTUP_TIMES="1")
    started = time.monotonic()
    process = subprocess.Popen([tavorly], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    time.sleep(2.5)
    process.send_signal(signal.SIGTERM)
    try:
        _, errors = process.communicate(timeout=20)
    except subprocess.TimeoutExpired:
        process.kill()
        process.communicate()
        print("tavorly did not end on SIGTERM", file=sys.stderr)
        return None
    match = REPORT.search(errors)
    if process.returncode != 0 or not match:
        sys.stderr.write(errors[-2000:])
        print(f"tavorly exited with {process.returncode} and no start-up report", file=sys.stderr)
        return None
    entered_ms = (float(match.group(1)) - started) * 1000
    stages = [("entered", entered_ms, float(match.group(2)))]
    for name, ms, processor in STAGE.findall(match.group(3)):
        stages.append((name, entered_ms + float(ms), float(processor)))
    return stages


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    tavorly, runs = sys.argv[1], int(sys.argv[2])
    best = None
    for _ in range(runs):
        stages = one_run(tavorly)
        if stages is None:
            return 1
        print(", ".join(f"{name} {ms:.0f} ({cpu:.0f})" for name, ms, cpu in stages)
              + "  (ms since start; processor ms)")
        if stages[-1][0] == "first-frame" and (best is None or stages[-1][1] < best[1]):
            best = stages[-1]
    if best is None:
        print("no run reached its first frame", file=sys.stderr)
        return 1
    print(f"first frame: best of {runs} {best[1]:.1f} ms after start ({best[2]:.1f} ms of processor time)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
