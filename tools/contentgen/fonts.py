"""The sixteen typefaces of the scroller, drawn on the pixel grid into eight
font sheets.

Each sheet is a 16 x 16 grid of 16 x 16 cells: cells 0-127 hold one typeface
for character codes 32-159, cells 128-255 a second one. Only rows 1-15 of a
cell carry ink (the scroller never draws row 0), ink is 255 on 0, and the cells
of the space character stay empty. Codes 127-159 carry the Windows-1252 extras
where the source font has them.

Every face starts from a bitmap font drawn by hand for screens (Terminus, the
VGA console font, the X11 fixed and Adobe bitmap fonts, as Debian packages
them) and is brought to the cell by whole-pixel operations only: doubling
columns, taking every other row of a font drawn twice as tall, widening by
repeating columns, emboldening, slanting row by row, hollowing and dropping a
hard shadow. Nothing is scaled smoothly or thresholded, so every stroke keeps
the width its designer gave it (or a whole multiple), and every glyph is
centred in its cell so that the letters sit at an even pitch.
"""
import gzip
import os
import struct

from PIL import Image, ImageChops, ImageFilter, PcfFontFile

import imagefiles

CELL = 16
INK_ROWS = 15            # rows 1..15 of a cell
MAX_INK_WIDTH = 15       # leaves a blank column between neighbouring glyphs
CODES = range(32, 160)

MISC = "/usr/share/fonts/X11/misc"
DPI100 = "/usr/share/fonts/X11/100dpi"
CONSOLE = "/usr/share/consolefonts"

# Letters whose ink sets a face's cap height and descender depth.
TALL = "ABCDEFGHIJKLMNOPQRSTUVWXYZbdfhklt0123456789"
DEEP = "gjpqy"


def _codepoint(code):
    if code < 127:
        return chr(code)
    if code == 127:
        return None
    try:
        return bytes([code]).decode("cp1252")
    except UnicodeDecodeError:
        return None


class Bitmap:
    """One glyph: a 0/255 image whose top-left pixel lies `top` rows above
    (negative) or below the baseline; x runs from the glyph's own left ink."""

    def __init__(self, image, top):
        self.image = image
        self.top = top

    def ink(self):
        return self.image.getbbox()


class PcfFont:
    """An X11 bitmap font (.pcf.gz), looked up by Windows-1252 code."""

    def __init__(self, path):
        self.path = path
        # Fonts indexed by Unicode can be read in Windows-1252 order directly;
        # the others only have the ISO 8859-1 codes.
        charset = "cp1252" if "unicode" in path else "iso8859-1"
        with gzip.open(path) as f:
            self.pcf = PcfFontFile.PcfFontFile(f, charset)

    def glyph(self, code):
        entry = self.pcf.glyph[code] if code < 256 else None
        if entry is None:
            return None
        _, (x0, y0, x1, y1), _, bitmap = entry
        image = bitmap.convert("L").point(lambda v: 255 if v else 0)
        return Bitmap(image, y0)


class PsfFont:
    """A Linux console font (.psf.gz, version 1 or 2, with its Unicode table)."""

    def __init__(self, path):
        self.path = path
        data = gzip.open(path).read()
        if data[:2] == b"\x36\x04":
            mode, height = data[2], data[3]
            width, count, offset, size = 8, 512 if mode & 1 else 256, 4, height
            unicode_table = mode & 2
        else:
            _, _, offset, flags, count, size, height, width = struct.unpack_from("<8I", data, 0)
            unicode_table = flags & 1
        self.width, self.height = width, height
        self.glyphs = [data[offset + i * size: offset + (i + 1) * size] for i in range(count)]
        self.index = {}
        if unicode_table:
            table = data[offset + count * size:]
            if data[:2] == b"\x36\x04":
                pos = 0
                for i in range(count):
                    while True:
                        (u,) = struct.unpack_from("<H", table, pos)
                        pos += 2
                        if u == 0xFFFF:
                            break
                        if u != 0xFFFE:
                            self.index.setdefault(u, i)
            else:
                for i, entry in enumerate(table.split(b"\xff")[:count]):
                    for ch in entry.split(b"\xfe")[0].decode("utf-8", "ignore"):
                        self.index.setdefault(ord(ch), i)
        baseline = self._ink_bottom(self.index.get(ord("H"), ord("H")))
        self.baseline = baseline

    def _rows(self, i):
        row_bytes = (self.width + 7) // 8
        g = self.glyphs[i]
        return [[bool(g[y * row_bytes + x // 8] & (0x80 >> (x % 8))) for x in range(self.width)]
                for y in range(self.height)]

    def _ink_bottom(self, i):
        rows = self._rows(i)
        return max(y for y, row in enumerate(rows) if any(row)) + 1

    def glyph(self, code):
        ch = _codepoint(code)
        if ch is None or ord(ch) not in self.index:
            return None
        image = Image.new("L", (self.width, self.height), 0)
        px = image.load()
        for y, row in enumerate(self._rows(self.index[ord(ch)])):
            for x, on in enumerate(row):
                if on:
                    px[x, y] = 255
        return Bitmap(image, -self.baseline)


# Whole-pixel operations. Each takes and returns a Bitmap.

def _pad(image, left=0, top=0, right=0, bottom=0):
    out = Image.new("L", (image.width + left + right, image.height + top + bottom), 0)
    out.paste(image, (left, top))
    return out


def double_columns(g):
    return Bitmap(g.image.resize((g.image.width * 2, g.image.height), Image.NEAREST), g.top)


def scale(g, sx, sy):
    return Bitmap(g.image.resize((g.image.width * sx, g.image.height * sy), Image.NEAREST),
                  g.top * sy)


def drop_bottom_row(g):
    """Removes the glyph image's last row: an 8-row font doubled to 16 rows
    keeps its descenders one row shorter and fits the 15 drawn rows."""
    return Bitmap(g.image.crop((0, 0, g.image.width, g.image.height - 1)), g.top)


def every_other_row(phase):
    """A font drawn twice as tall, halved by keeping the rows whose distance
    from the baseline has the given parity, so every face's baseline stays a
    kept row boundary and horizontal strokes keep half their height."""
    def op(g):
        first = (phase - g.top) % 2
        rows = list(range(first, g.image.height, 2))
        out = Image.new("L", (g.image.width, len(rows)), 0)
        for i, y in enumerate(rows):
            out.paste(g.image.crop((0, y, g.image.width, y + 1)), (0, i))
        return Bitmap(out, (g.top + first) // 2)
    return op


def widen(factor, limit=MAX_INK_WIDTH):
    """Repeats columns so the glyph grows by `factor` (no more than to
    `limit` columns of ink); strokes grow by whole pixels."""
    def op(g):
        box = g.ink()
        if box is None:
            return g
        image = g.image.crop((box[0], 0, box[2], g.image.height))
        width = image.width
        target = max(width, min(limit, round(width * factor)))
        columns = [min(width - 1, (2 * j + 1) * width // (2 * target)) for j in range(target)]
        out = Image.new("L", (target, image.height), 0)
        for j, src in enumerate(columns):
            out.paste(image.crop((src, 0, src + 1, image.height)), (j, 0))
        return Bitmap(out, g.top)
    return op


def embolden(g):
    """Every stroke one column wider (the ink repeated one column right)."""
    image = _pad(g.image, right=1)
    return Bitmap(ImageChops.lighter(image, ImageChops.offset(image, 1, 0)), g.top)


def slant(rows_per_step):
    """Leans the glyph right: each run of `rows_per_step` rows above the
    baseline moves one column further right than the run below it."""
    def op(g):
        h = g.image.height
        shift = [max(0, (-(g.top + y) - 1) // rows_per_step + 1) for y in range(h)]
        low = min(shift)
        shift = [s - low for s in shift]
        out = Image.new("L", (g.image.width + max(shift), h), 0)
        for y in range(h):
            out.paste(g.image.crop((0, y, g.image.width, y + 1)), (shift[y], y))
        return Bitmap(out, g.top)
    return op


def hollow(g):
    """Strokes keep only their edges: every pixel whose eight neighbours are
    all ink goes dark, so thick stems become one-pixel walls around a slot
    while thin bars stay solid and the letter keeps its exact shape."""
    image = _pad(g.image, 1, 1, 1, 1)
    core = image.filter(ImageFilter.MinFilter(3))
    return Bitmap(ImageChops.subtract(image, core).crop((1, 1, g.image.width + 1, g.image.height + 1)), g.top)


def _filled(image):
    """The glyph with its enclosed counters filled: every background pixel
    that cannot be reached from the border becomes ink."""
    w, h = image.size
    px = image.load()
    outside = set()
    stack = [(x, y) for x in range(w) for y in (0, h - 1)] + [(x, y) for y in range(h) for x in (0, w - 1)]
    while stack:
        x, y = stack.pop()
        if (x, y) in outside or not (0 <= x < w and 0 <= y < h) or px[x, y]:
            continue
        outside.add((x, y))
        stack += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    out = Image.new("L", (w, h), 0)
    op = out.load()
    for y in range(h):
        for x in range(w):
            if (x, y) not in outside:
                op[x, y] = 255
    return out


def drop_shadow(dx, dy):
    """A hard shadow below and to the right, kept apart from the letter by a
    one-pixel gap so the two never merge into a blot, and kept out of the
    letter's counters so o, e and a stay open."""
    def op(g):
        image = _pad(g.image, 1, 1, dx + 1, dy + 1)
        solid = _filled(image)
        gap = solid.filter(ImageFilter.MaxFilter(3))
        shadow = ImageChops.subtract(ImageChops.offset(solid, dx, dy), gap)
        out = ImageChops.lighter(image, shadow)
        return Bitmap(out.crop((1, 1, out.width, out.height)), g.top)
    return op


def _fit_width(image):
    """A glyph too wide for its cell loses repeated columns, those nearest
    its middle first (a doubled or widened stroke goes back to its own
    width); only a glyph with none left is cut at its right edge."""
    while image.width > MAX_INK_WIDTH:
        columns = [image.crop((x, 0, x + 1, image.height)).tobytes() for x in range(image.width)]
        repeats = [x for x in range(1, image.width) if columns[x] == columns[x - 1]]
        if not repeats:
            return image.crop((0, 0, MAX_INK_WIDTH, image.height))
        x = min(repeats, key=lambda c: abs(2 * c - image.width))
        out = Image.new("L", (image.width - 1, image.height), 0)
        out.paste(image.crop((0, 0, x, image.height)), (0, 0))
        out.paste(image.crop((x + 1, 0, image.width, image.height)), (x, 0))
        image = out
    return image


def _with_slabs(g, arm):
    """An i or l drawn as a bare stem gets the serifs of a monospace face: a
    foot `arm` pixels wide on each side and an arm to the left at the top of
    the stem (below the dot of the i), so it fills its cell like the others."""
    image = _pad(g.image, arm, 0, arm, 0)
    px = image.load()
    w, h = image.size
    rows = [y for y in range(h) if any(px[x, y] for x in range(w))]
    # The stem starts at the first ink row after a gap (the i's dot), or at
    # the top of the ink.
    top = rows[0]
    for a, b in zip(rows, rows[1:]):
        if b > a + 1:
            top = b
    stem = [x for x in range(w) if px[x, rows[-1]]]
    left, right = min(stem), max(stem)
    for x in range(left - arm, right + arm + 1):
        px[x, rows[-1]] = 255
    for x in range(left - arm, left):
        px[x, top] = 255
    return Bitmap(image, g.top)


class Typeface:
    def __init__(self, name, source, operations, slabs=0):
        self.name = name
        self.source = source
        self.operations = operations
        self.slabs = slabs        # arm of the serifs given to a bare i and l, 0 for none
        self.cache = {}

    def glyph(self, code):
        if code not in self.cache:
            g = self.source.glyph(code)
            if g is not None and g.ink() is not None:
                if self.slabs and chr(code) in "il":
                    box = g.ink()
                    if box[2] - box[0] <= 2:
                        g = _with_slabs(g, self.slabs)
                for op in self.operations:
                    g = op(g)
            self.cache[code] = g
        return self.cache[code]

    def prepare(self):
        """Sets the baseline row so the tallest letters start at row 1 or
        lower and the descenders end at row 15 or higher, centred in the
        rows the face leaves free."""
        tops, bottoms = [], []
        for ch in TALL + DEEP:
            g = self.glyph(ord(ch))
            box = g.ink()
            if ch in TALL:
                tops.append(g.top + box[1])
            if ch in DEEP:
                bottoms.append(g.top + box[3])
        top, bottom = min(tops), max(bottoms)
        if bottom - top > INK_ROWS:
            raise ValueError(f"{self.name}: letters need {bottom - top} rows")
        slack = INK_ROWS - (bottom - top)
        self.baseline_row = 1 + slack // 2 - top

    def cell(self, code):
        """The 16 x 16 cell image for a character code, or None when empty."""
        ch = _codepoint(code)
        if ch is None or ch == " ":
            return None
        g = self.glyph(code)
        if g is None or g.ink() is None:
            return None
        left, top, right, bottom = g.ink()
        ink = g.image.crop((left, top, right, bottom))
        ink = _fit_width(ink)
        y = self.baseline_row + g.top + top
        # Marks that reach beyond the letters (brackets, bars, accents) are
        # moved back inside rows 1-15 rather than cut off.
        y += max(0, 1 - y) - max(0, y + ink.height - CELL)
        cell = Image.new("L", (CELL, CELL), 0)
        cell.paste(ink.crop((0, max(0, 1 - y), ink.width, ink.height)), ((CELL - ink.width) // 2, max(1, y)))
        return cell


def _pcf(name, folder=MISC):
    return PcfFont(os.path.join(folder, name))


def _psf(name):
    return PsfFont(os.path.join(CONSOLE, name))


# (name, source file, operations). Two per sheet, sheet 1 first; each sheet's
# first face is selected with half 1, its second with half 2.
def _faces():
    return [
        Typeface("Sans Bold", _pcf("ter-u32b_unicode.pcf.gz"), [every_other_row(1)]),
        Typeface("Book Serif", _pcf("timB12-ISO8859-1.pcf.gz", DPI100), [widen(1.45, 14), embolden]),
        Typeface("Terminal", _psf("Lat15-VGA16.psf.gz"), [double_columns]),
        Typeface("Chunky Pixels", _pcf("7x14B.pcf.gz"), [double_columns], slabs=2),
        Typeface("Geometric", _pcf("ter-u32n_unicode.pcf.gz"), [every_other_row(1)]),
        Typeface("Fixed Bold", _pcf("9x15B.pcf.gz"), [widen(1.5)]),
        Typeface("Hollow", _psf("Lat15-VGA16.psf.gz"), [double_columns, hollow]),
        Typeface("Typewriter", _pcf("courB12-ISO8859-1.pcf.gz", DPI100), [widen(1.5, 14), embolden]),
        Typeface("Schoolbook", _pcf("ncenB12-ISO8859-1.pcf.gz", DPI100), [widen(1.4)]),
        Typeface("Italic Sans", _psf("Lat15-VGA16.psf.gz"), [double_columns, slant(4)]),
        Typeface("Heavy", _pcf("ter-u16b_unicode.pcf.gz"), [double_columns]),
        Typeface("Condensed Serif", _pcf("courB12-ISO8859-1.pcf.gz", DPI100), [widen(1.25)]),
        Typeface("Blocks", _psf("Lat15-VGA8.psf.gz"), [lambda g: scale(g, 2, 2), drop_bottom_row]),
        Typeface("Drop Shadow", _pcf("9x15B.pcf.gz"), [widen(1.4, 13), drop_shadow(2, 2)]),
        Typeface("Extended", _pcf("clB8x16.pcf.gz"), [double_columns]),
        Typeface("Oblique Mono", _pcf("ter-u32b_unicode.pcf.gz"), [every_other_row(1), slant(4)]),
    ]


# Every font file the faces read, for the generators' check that the font
# packages are installed.
SOURCE_FILES = [
    f"{MISC}/ter-u32b_unicode.pcf.gz", f"{MISC}/ter-u32n_unicode.pcf.gz",
    f"{MISC}/ter-u16b_unicode.pcf.gz",
    f"{MISC}/7x14B.pcf.gz", f"{MISC}/9x15B.pcf.gz", f"{MISC}/clB8x16.pcf.gz",
    f"{DPI100}/timB12-ISO8859-1.pcf.gz", f"{DPI100}/courB12-ISO8859-1.pcf.gz",
    f"{DPI100}/ncenB12-ISO8859-1.pcf.gz",
    f"{CONSOLE}/Lat15-VGA16.psf.gz", f"{CONSOLE}/Lat15-VGA8.psf.gz",
]


def typefaces():
    faces = _faces()
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
