"""Reads the scroller back from the production's own frames, as a viewer
would: for every typeface the script uses, passages of the text are captured
with tavorly-capture at the frames where they cross the screen, the strip band
of those frames is laid end to end into one line, and tesseract reads the
line. The score of a face is the share of its passages' words read exactly.

The strip's letters are pure white and the colour bars behind them always
leave at least one channel dark, so the band is reduced to its darkest channel
and, since the letters move with the text and the bars do not, to the darkest
value each point of the text showed in any of the frames.
"""
import difflib
import os
import re
import shutil
import subprocess
import tempfile

from PIL import Image, ImageOps

import ocrtools
import scrollsim

BAND_TOP, BAND_ROWS = 568, 32        # the strip's rows on the 800 x 600 screen
PASSAGE_CELLS = {2: 90, 4: 180, 8: 240}   # cells read per stretch, by speed
LEAD_IN = 20                          # cells skipped after a change of face or speed
PASS_MARK = 0.95


def words(text):
    return text.split()


def _word_boundary(cells, i, step):
    """Moves index i (by step) to the first cell of a word."""
    while 0 < i < len(cells) and not (cells[i].char != 32 and cells[i - 1].char == 32):
        i += step
    return i


def passages(run):
    """One passage per typeface and speed: (face, speed, first cell, end cell)."""
    chosen, seen = [], set()
    for face, speed, start, end in run.segments():
        if (face, speed) in seen or end - start < 2 * LEAD_IN:
            continue
        first = _word_boundary(run.cells, start + LEAD_IN, 1)
        last = min(end, first + PASSAGE_CELLS.get(speed, 180))
        # End on the last whole word inside the stretch.
        while last > first and run.cells[last - 1].char != 32 and last < end \
                and run.cells[last].char != 32:
            last -= 1
        if last - first < 30:
            continue
        seen.add((face, speed))
        chosen.append((face, speed, first, last))
    return chosen


FRAME_STEP = 4 * scrollsim.CELL      # strip pixels the text moves between frames read


def frames_for(run, first, last):
    """Frames that together show every column of cells first..last-1 several
    times over (each point of the text in about six of them, so the bars
    never sit behind it in all), and the capture span they lie in."""
    tape0 = run.cells[first].tape
    tape1 = run.cells[last - 1].tape + scrollsim.CELL
    k = run.cells[first].frame + 1
    picked = [k]
    while run.shown(k)[0] < tape1:
        k += 1
        if run.shown(k)[0] - run.shown(picked[-1])[0] >= FRAME_STEP:
            picked.append(k)
    return picked, tape0, tape1


def line_image(run, picked, tape0, tape1, folder):
    """The passage as one light-on-dark line: the darkest channel of every
    point, the darkest over all frames that showed it."""
    width = 2 * (tape1 - tape0)
    line = Image.new("L", (width, BAND_ROWS), 255)
    lp = line.load()
    for k in picked:
        frame = Image.open(os.path.join(folder, f"frame_{k:06d}.png")).convert("RGB")
        band = frame.crop((0, BAND_TOP, 800, BAND_TOP + BAND_ROWS)).load()
        lo, hi = run.shown(k)
        for x in range(800):
            tape_x = x + 2 * lo - 2 * tape0
            if not 0 <= tape_x < width:
                continue
            for y in range(BAND_ROWS):
                v = min(band[x, y])
                if v < lp[tape_x, y]:
                    lp[tape_x, y] = v
    # Columns no frame showed stay white: mark them dark (background).
    return line


def ocr_line(line, folder, tag):
    """tesseract's reading of a light-on-dark line, shown dark on white with
    a margin. The strip's letters sit in wide monospace cells, which the
    reader takes for gaps inside words, so the line is shown at 1.2 times its
    width and twice its height: letters of about a reader's usual proportions."""
    ink = ImageOps.invert(line).point(lambda v: 0 if v < 128 else 255)
    page = ink.resize((round(line.width * 1.2), line.height * 2), Image.BILINEAR)
    framed = Image.new("L", (page.width + 80, page.height + 80), 255)
    framed.paste(page, (40, 40))
    path = os.path.join(folder, f"{tag}.png")
    framed.save(path)
    out = subprocess.run(["tesseract", path, "-", "--psm", "7"],
                         capture_output=True, text=True).stdout
    return " ".join(out.split()), path


def word_score(expected, got):
    """Share of the expected words that tesseract read exactly, in order."""
    want, have = words(expected), words(got)
    matcher = difflib.SequenceMatcher(None, want, have, autojunk=False)
    right = sum(block.size for block in matcher.get_matching_blocks())
    return right, len(want)


def capture(capture_tool, first, last, folder):
    os.makedirs(folder, exist_ok=True)
    result = subprocess.run([capture_tool, "--frames", f"{first}:{last}", "--png", folder],
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(f"tavorly-capture failed: {result.stderr.strip()}")


def read_passage(run, capture_tool, passage, folder, keep_dir=None):
    face, speed, first, last = passage
    picked, tape0, tape1 = frames_for(run, first, last)
    frames = os.path.join(folder, f"frames-{face[0]}-{face[1]}-{speed}")
    capture(capture_tool, picked[0], picked[-1], frames)
    line = line_image(run, picked, tape0, tape1, frames)
    shutil.rmtree(frames, ignore_errors=True)
    tag = f"face{face[0]}-{face[1]}-speed{speed}"
    got, path = ocr_line(line, folder, tag)
    if keep_dir:
        os.makedirs(keep_dir, exist_ok=True)
        shutil.copy(path, os.path.join(keep_dir, os.path.basename(path)))
    expected = "".join(chr(c.char) for c in run.cells[first:last])
    return expected, got


def report(build_dir, keep_dir=None):
    """Prints each passage's and each face's score; 0 when every face reads
    at PASS_MARK or better, 1 when one does not, 3 when a tool is missing."""
    tool = os.path.join(build_dir, "tools", "capture", "tavorly-capture")
    text = os.path.join(build_dir, "data", "scrolltext", "scrolltext.bin")
    for needed in (tool, text):
        if not os.path.exists(needed):
            print(f"strip: {needed} is missing (cmake --build {build_dir} --target tavorly-capture)")
            return 3
    if not ocrtools.ensure_tesseract("strip"):
        return 3
    run = scrollsim.load(text)
    faces = {}
    with tempfile.TemporaryDirectory(prefix="strip-read-") as folder:
        for passage in passages(run):
            expected, got = read_passage(run, tool, passage, folder, keep_dir)
            right, total = word_score(expected, got)
            face, speed = passage[0], passage[1]
            score = faces.setdefault(face, [0, 0])
            score[0] += right
            score[1] += total
            print(f"font {face[0]} half {face[1]} at speed {speed}: {right}/{total} words")
            print(f"  expected: {' '.join(words(expected))}")
            print(f"  read:     {got}", flush=True)
    worst = 1.0
    for face, (right, total) in sorted(faces.items()):
        share = right / total if total else 0.0
        worst = min(worst, share)
        print(f"font {face[0]} half {face[1]}: {share:6.1%} of {total} words")
    print(f"lowest {worst:.1%}; every face must read {PASS_MARK:.0%}")
    return 0 if worst >= PASS_MARK else 1
