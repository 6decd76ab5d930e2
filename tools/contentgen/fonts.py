"""The sixteen typefaces of the scroller, rasterised into eight font sheets.

Each sheet is a 16 x 16 grid of 16 x 16 cells: cells 0-127 hold one typeface
for character codes 32-159, cells 128-255 a second one. Only rows 1-15 of a
cell carry ink (the scroller never draws row 0), ink is 255 on 0, and the cells
of the space character stay empty. Codes 127-159 carry the Windows-1252 extras
where the face has them.

Outline glyphs come from FreeType (hinted, one bit per pixel, as Pillow renders
them with fontmode "1") or from the X11 bitmap fonts; a few typefaces add a
pixel-level effect (hollow outline, drop shadow, doubling) on top.
"""
import gzip
import os

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont, PcfFontFile

import imagefiles

CELL = 16
INK_ROWS = 15            # rows 1..15 of a cell
MAX_INK_WIDTH = 15       # leaves a blank column between neighbouring glyphs
CODES = range(32, 160)

TRUETYPE = "/usr/share/fonts/truetype"
OPENTYPE = "/usr/share/texmf/fonts/opentype/public/tex-gyre"
PCF = "/usr/share/fonts/X11/misc"

# (name, source, file, effect). Two per sheet, sheet 1 first; each sheet's
# first face is selected with half 1, its second with half 2.
TYPEFACES = [
    ("Sans Bold", "ttf", f"{TRUETYPE}/dejavu/DejaVuSans-Bold.ttf", None),
    ("Book Serif", "ttf", f"{TRUETYPE}/liberation2/LiberationSerif-Bold.ttf", None),
    ("Terminal", "pcf", f"{PCF}/9x15B.pcf.gz", None),
    ("Chunky Pixels", "pcf2", f"{PCF}/5x8.pcf.gz", "bold"),
    ("Geometric", "ttf", f"{OPENTYPE}/texgyreadventor-bold.otf", None),
    ("Narrow", "ttf", f"{OPENTYPE}/texgyreheroscn-bold.otf", None),
    ("Hollow", "ttf", f"{TRUETYPE}/dejavu/DejaVuSans-Bold.ttf", "outline"),
    ("Typewriter", "ttf", f"{OPENTYPE}/texgyrecursor-bold.otf", None),
    ("Schoolbook", "ttf", f"{OPENTYPE}/texgyreschola-bold.otf", None),
    ("Italic Sans", "ttf", f"{TRUETYPE}/liberation2/LiberationSans-BoldItalic.ttf", None),
    ("Bookman", "ttf", f"{OPENTYPE}/texgyrebonum-bold.otf", None),
    ("Condensed Serif", "ttf", f"{TRUETYPE}/dejavu/DejaVuSerifCondensed-Bold.ttf", None),
    ("Palatine Italic", "ttf", f"{OPENTYPE}/texgyrepagella-bolditalic.otf", None),
    ("Drop Shadow", "ttf", f"{TRUETYPE}/dejavu/DejaVuSerif-Bold.ttf", "shadow"),
    ("Extended", "wide", f"{OPENTYPE}/texgyreheros-bold.otf", None),
    ("Oblique Mono", "ttf", f"{TRUETYPE}/dejavu/DejaVuSansMono-BoldOblique.ttf", None),
]

# Letters whose ink sets a face's cap height and descender depth.
TALL = "ABCDEFGHIJKLMNOPQRSTUVWXYZbdfhklt0123456789"
DEEP = "gjpqy"
WIDE_TEST = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"


class Glyph:
    """A 0/255 image with the pen origin (x, baseline) inside it."""

    def __init__(self, image, baseline):
        self.image = image
        self.baseline = baseline

    def ink(self):
        return self.image.getbbox()  # (left, top, right, bottom) or None


def _codepoint(code):
    if code < 127:
        return chr(code)
    if code == 127:
        return None
    try:
        return bytes([code]).decode("cp1252")
    except UnicodeDecodeError:
        return None


class TrueTypeSource:
    def __init__(self, path):
        self.path = path
        self.size = None
        self.font = None

    def set_size(self, size):
        self.size = size
        self.font = ImageFont.truetype(self.path, size)
        self._missing = self._raw("\uffff")

    def _raw(self, ch):
        image = Image.new("L", (64, 64), 0)
        draw = ImageDraw.Draw(image)
        draw.fontmode = "1"
        draw.text((16, 40), ch, font=self.font, fill=255, anchor="ls")
        return image

    def render(self, ch):
        image = self._raw(ch)
        if ch != " " and image.tobytes() == self._missing.tobytes():
            return None
        return Glyph(image, 40)


class WideSource(TrueTypeSource):
    """A face drawn smooth at four times the size, then narrowed to a wider
    than usual aspect and thresholded back to one bit per pixel."""

    STRETCH = 1.35

    def __init__(self, path):
        super().__init__(path)
        self.stretch = self.STRETCH

    def set_size(self, size):
        self.size = size
        self.stretch = self.STRETCH
        self.font = ImageFont.truetype(self.path, size * 4)
        self._missing = self._raw("\uffff")

    def narrower(self):
        """Squeezes the next glyphs a step closer to normal width; False when
        they are at normal width already."""
        if self.stretch <= 1.0:
            return False
        self.stretch = max(1.0, self.stretch - 0.05)
        return True

    def _raw(self, ch):
        big = Image.new("L", (256, 256), 0)
        ImageDraw.Draw(big).text((64, 160), ch, font=self.font, fill=255, anchor="ls")
        small = big.resize((round(64 * self.stretch), 64), Image.BOX)
        out = Image.new("L", (64, 64), 0)
        out.paste(small.crop((0, 0, 64, 64)), (0, 0))
        return out.point(lambda v: 255 if v >= 110 else 0)

    def render(self, ch):
        image = self._raw(ch)
        if ch != " " and image.tobytes() == self._missing.tobytes():
            return None
        return Glyph(image, 40)


class PcfSource:
    """An X11 bitmap font, optionally doubled in both directions."""

    def __init__(self, path, scale):
        with gzip.open(path) as f:
            self.pcf = PcfFontFile.PcfFontFile(f, "iso8859-1")
        self.scale = scale

    def render(self, ch):
        code = ord(ch)
        if code > 255 or self.pcf.glyph[code] is None:
            return None
        _, (x0, y0, x1, y1), _, bitmap = self.pcf.glyph[code]
        image = Image.new("L", (64, 64), 0)
        ink = bitmap.convert("L").point(lambda v: 255 if v else 0)
        if self.scale != 1:
            ink = ink.resize((ink.width * self.scale, ink.height * self.scale),
                             Image.NEAREST)
        image.paste(ink, (16 + x0 * self.scale, 40 + y0 * self.scale))
        return Glyph(image, 40)


def _shift(image, dx, dy):
    return ImageChops.offset(image, dx, dy)


def _apply_effect(glyph, effect):
    image = glyph.image
    if effect is None:
        return glyph
    if effect == "bold":
        image = ImageChops.lighter(image, _shift(image, 1, 0))
    elif effect == "outline":
        grown = image.filter(ImageFilter.MaxFilter(3))
        image = ImageChops.subtract(grown, image)
    elif effect == "shadow":
        halo = image.filter(ImageFilter.MaxFilter(3))
        shadow = ImageChops.subtract(_shift(image, 1, 2), halo)
        image = ImageChops.lighter(image, shadow)
    else:
        raise ValueError(effect)
    return Glyph(image, glyph.baseline)


def _extent(glyphs, letters):
    boxes = [g.ink() for ch, g in glyphs.items() if ch in letters and g and g.ink()]
    return boxes


class Typeface:
    def __init__(self, name, kind, path, effect):
        self.name = name
        self.effect = effect
        if kind == "ttf":
            self.source = TrueTypeSource(path)
        elif kind == "wide":
            self.source = WideSource(path)
        else:
            self.source = PcfSource(path, 2 if kind == "pcf2" else 1)
        self.sized = kind in ("ttf", "wide")

    def _glyph(self, ch):
        glyph = self.source.render(ch)
        return _apply_effect(glyph, self.effect) if glyph else None

    def _fits(self):
        glyphs = {ch: self._glyph(ch) for ch in TALL + DEEP + WIDE_TEST}
        tops = [b[1] - g.baseline for ch, g in glyphs.items() if ch in TALL for b in [g.ink()]]
        bottoms = [b[3] - g.baseline for ch, g in glyphs.items() if ch in DEEP for b in [g.ink()]]
        widths = sorted(g.ink()[2] - g.ink()[0] for ch, g in glyphs.items() if ch in WIDE_TEST)
        top, bottom = min(tops), max(bottoms)
        return bottom - top <= INK_ROWS and widths[len(widths) * 9 // 10] <= MAX_INK_WIDTH, top, bottom

    def prepare(self):
        """Picks the largest size whose letters fit the cell; sets the baseline row."""
        if self.sized:
            for size in range(22, 6, -1):
                self.source.set_size(size)
                ok, top, bottom = self._fits()
                if ok:
                    break
        else:
            _, top, bottom = self._fits()
        self.size = getattr(self.source, "size", None)
        slack = INK_ROWS - (bottom - top)
        # Cell row of the baseline: letters start at row 1 plus half the slack.
        self.baseline_row = 1 + max(slack, 0) // 2 - top

    def cell(self, code):
        """The 16 x 16 cell image for a character code, or None when empty."""
        ch = _codepoint(code)
        if ch is None or ch == " ":
            return None
        glyph = self._glyph(ch)
        if glyph is None or glyph.ink() is None:
            return None
        if self.sized:
            # A glyph too wide for the cell is squeezed (where the face is
            # stretched) or else set one size smaller at a time.
            size = self.source.size
            while glyph.ink()[2] - glyph.ink()[0] > MAX_INK_WIDTH and size > 6:
                if not (hasattr(self.source, "narrower") and self.source.narrower()):
                    size -= 1
                    self.source.set_size(size)
                glyph = self._glyph(ch)
            self.source.set_size(self.size)
        left, top, right, bottom = glyph.ink()
        width = min(right - left, CELL)
        x = (CELL - width) // 2
        cell = Image.new("L", (CELL, CELL), 0)
        y = self.baseline_row - glyph.baseline
        # Marks that reach beyond the letters (underscore, brackets, accents)
        # are moved back inside rows 1-15 rather than cut off.
        height = bottom - top
        if height <= INK_ROWS:
            y += max(0, 1 - (y + top)) - max(0, (y + bottom) - CELL)
        cell.paste(glyph.image.crop((left, 0, left + width, glyph.image.height)), (x, y))
        # Row 0 is never drawn by the scroller, so nothing may live there.
        cell.paste(0, (0, 0, CELL, 1))
        return cell.point(lambda v: 255 if v >= 128 else 0)


def typefaces():
    faces = [Typeface(*row) for row in TYPEFACES]
    for face in faces:
        face.prepare()
    return faces


def sheet_image(first, second):
    """The glyph grid of one sheet, grid row 0 at the top."""
    grid = Image.new("L", (imagefiles.SHEET_SIZE, imagefiles.SHEET_SIZE), 0)
    for half, face in enumerate((first, second)):
        for code in CODES:
            cell = face.cell(code)
            if cell is None:
                continue
            index = code - 32 + 128 * half
            grid.paste(cell, ((index % 16) * CELL, (index // 16) * CELL))
    return grid


def write_sheets(out_dir):
    faces = typefaces()
    os.makedirs(out_dir, exist_ok=True)
    paths = []
    for sheet in range(8):
        grid = sheet_image(faces[2 * sheet], faces[2 * sheet + 1])
        data = grid.tobytes()
        rows = [data[r * 256:(r + 1) * 256] for r in range(256)]
        path = os.path.join(out_dir, f"{171 + sheet}.bmp")
        with open(path, "wb") as f:
            f.write(imagefiles.sheet_bytes(rows))
        paths.append(path)
    return paths
