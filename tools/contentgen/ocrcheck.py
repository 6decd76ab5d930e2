"""Reads the committed material back with tesseract, as an outside reviewer
would: each typeface's sample lines and each logo's and badge's words.

Prints one line per typeface with the share of characters read correctly and
one line per picture saying whether its words were found. Needs the
tesseract-ocr package; the pictures are shown to it on a plain dark ground,
the sheets' glyphs at three times their size, black on white.
"""
import difflib
import os
import subprocess
import tempfile

from PIL import Image

import imagefiles
import ocrtools
import review

LINES = ["THE QUICK BROWN FOX JUMPS", "OVER THE LAZY DOG 0123456789",
         "the quick brown fox jumps", "over the lazy dog!?"]

# The words each picture carries, by resource id.
WORDS = dict(zip(list(range(110, 150)) + [180, 181, 182], [
    "TAVORLY", "SCROLL", "NEON", "PIXEL", "ORBIT", "BLOCK", "Tracker", "XM 64", "SINE",
    "RASTER", "CHECK", "Chrome", "STAR FIELD", "GLOW", "PRISM", "PLASMA", "8BIT", "Vector",
    "MEGA", "WOW!", "ZENITH", "ECHO", "PULSE", "QUASAR", "MOSAIC", "VOLT", "LOOP", "Horizon",
    "CIRCUIT", "TURBO", "NEBULA", "FUSION", "DEEP SPACE", "Aurora", "RETRO", "MIRAGE",
    "CATHODE", "FLUX", "SPIN", "THE END", "TAVORLY DEMO 2026", "XM POWER 64 VOICES",
    "LINUX SDL2 + GL"]))


def _read(image, folder):
    path = os.path.join(folder, "page.png")
    image.save(path)
    out = subprocess.run(["tesseract", path, "-", "--psm", "6"],
                         capture_output=True, text=True).stdout
    return " ".join(out.split())


def _squash(text):
    return "".join(text.split()).upper()


def typeface_scores(bitmap_dir, folder, scale=3):
    scores = []
    for sheet in range(8):
        with open(os.path.join(bitmap_dir, f"{171 + sheet}.bmp"), "rb") as f:
            grid = Image.frombytes("L", (256, 256), b"".join(imagefiles.sheet_rows(f.read())))
        for half in range(2):
            # Glyphs at `scale` times their height and 0.6 of that across: the
            # wide monospace cells read to the OCR as gaps inside words.
            across = round(16 * scale * 0.6)
            page = Image.new("L", (32 * across, (len(LINES) * 20 + 10) * scale), 255)
            for row, text in enumerate(LINES):
                for col, ch in enumerate(text):
                    cell = ord(ch) - 32 + 128 * half
                    glyph = grid.crop(((cell % 16) * 16, (cell // 16) * 16,
                                       (cell % 16) * 16 + 16, (cell // 16) * 16 + 16))
                    glyph = glyph.point(lambda v: 0 if v else 255).resize(
                        (across, 16 * scale), Image.BILINEAR).point(lambda v: 0 if v < 128 else 255)
                    page.paste(glyph, ((col + 1) * across, (row * 20 + 5) * scale))
            got = _read(page, folder)
            ratio = difflib.SequenceMatcher(None, "".join("".join(LINES).split()),
                                            "".join(got.split())).ratio()
            scores.append((sheet + 1, half + 1, ratio, got))
    return scores


def picture_hits(rcdata_dir, folder):
    hits = []
    for rid, words in WORDS.items():
        with open(os.path.join(rcdata_dir, f"{rid}.rgb"), "rb") as f:
            picture = imagefiles.rgb_image(f.read())
        page = review.over_ground(picture).resize((512, 256), Image.LANCZOS)
        got = _read(page, folder)
        hits.append((rid, words, _squash(words) in _squash(got), got))
    return hits


def report(data_dir):
    if not ocrtools.ensure_tesseract("ocr"):
        return 3
    with tempfile.TemporaryDirectory() as folder:
        scores = typeface_scores(os.path.join(data_dir, "bitmap"), folder)
        for sheet, half, ratio, got in scores:
            print(f"font {sheet} half {half}: {ratio:5.1%}  {got}")
        hits = picture_hits(os.path.join(data_dir, "rcdata"), folder)
        for rid, words, hit, got in hits:
            print(f"#{rid} {words!r}: {'read' if hit else 'not read'} ({got})")
    mean = sum(s[2] for s in scores) / len(scores)
    print(f"typefaces: mean {mean:.1%}, lowest {min(s[2] for s in scores):.1%}; "
          f"pictures: {sum(h[2] for h in hits)} of {len(hits)} read exactly")
    return 0
