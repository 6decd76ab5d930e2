#!/usr/bin/env python3
"""Compares the processor time of xmrender with xmp's on the same modules.

    scripts/bench_renders.py XMRENDER RUNS MODULE...

For each module, runs `xmrender MODULE OUT.wav` and
`xmp -q -i linear -f 44100 -o OUT.wav MODULE` one after the other RUNS times
and prints the median user+sys time of each (the whole process, from the
kernel's accounting), their ratio and the lengths of the two renders.
Exits 1 when a program fails, 0 otherwise (whatever the figures).
"""
import os
import statistics
import sys
import tempfile
import wave


def cpu_seconds(command, output, messages):
    """Runs the command and returns its user+sys seconds, or None on failure
    (after showing what it wrote to standard error, kept in `messages`)."""
    if os.path.exists(output):
        os.remove(output)
    quiet = [(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
             (os.POSIX_SPAWN_OPEN, 2, messages, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)]
    pid = os.posix_spawnp(command[0], command, os.environ, file_actions=quiet)
    _, status, usage = os.wait4(pid, 0)
    if not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
        with open(messages, errors="replace") as text:
            sys.stderr.write(text.read()[-2000:])
        return None
    return usage.ru_utime + usage.ru_stime


def wav_seconds(path):
    try:
        with wave.open(path) as w:
            return w.getnframes() / w.getframerate()
    except (OSError, wave.Error, EOFError):
        return 0.0


def main():
    if len(sys.argv) < 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    xmrender, runs, modules = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    failed = False
    ratios = []
    with tempfile.TemporaryDirectory(prefix="tavorly-bench-") as scratch:
        ours_wav = os.path.join(scratch, "xmrender.wav")
        xmp_wav = os.path.join(scratch, "xmp.wav")
        messages = os.path.join(scratch, "stderr.txt")
        print(f"{'module':<12} {'xmrender s':>10} {'xmp s':>8} {'ratio':>6}   length (xmrender / xmp)")
        for module in modules:
            ours, theirs = [], []
            for _ in range(runs):
                ours.append(cpu_seconds([xmrender, module, ours_wav], ours_wav, messages))
                theirs.append(cpu_seconds(["xmp", "-q", "-i", "linear", "-f", "44100", "-o", xmp_wav, module],
                                          xmp_wav, messages))
            name = os.path.splitext(os.path.basename(module))[0]
            if None in ours or None in theirs:
                who = "xmrender" if None in ours else "xmp"
                print(f"{name:<12} {who} failed on {module}")
                failed = True
                continue
            ours_median, theirs_median = statistics.median(ours), statistics.median(theirs)
            ratio = ours_median / theirs_median if theirs_median > 0 else float("inf")
            ratios.append(ratio)
            print(f"{name:<12} {ours_median:>10.3f} {theirs_median:>8.3f} {ratio:>6.2f}   "
                  f"{wav_seconds(ours_wav):.1f} s / {wav_seconds(xmp_wav):.1f} s")
    if ratios:
        print(f"highest ratio {max(ratios):.2f} (medians of {runs} runs each, user+sys CPU time)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
