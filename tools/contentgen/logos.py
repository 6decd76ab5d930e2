"""The forty logos of the parade and the three corner badges.

Every picture is one wordmark or emblem in a style of its own: chrome, copper
bars, neon tubes, chunky pixels, extruded blocks, plates, rings and stars, in
varied colour schemes. Letters are large and heavy so that they still read on
the small sprites of the swarm, and most wear a thin dark outline, which also
keeps the edge against the transparent surroundings clean when the texture is
filtered.

Only exact black is transparent, so every pixel a picture keeps is fully
opaque: a soft glow or shadow would stay on screen as a wide, dim band with a
stepped rim. Glows and shadows are therefore drawn as bands with hard edges in
a saturated shade of their colour (`shade`), never darker than a floor that
still reads as colour over the dark clear colour, and dark outlines stay at
most about three pixels wide.
"""
import gzip
import math
import os

from PIL import Image, ImageDraw, PcfFontFile

import imagefiles
from artkit import (Canvas, W, H, S, chrome_stops, copper, ellipse_mask, fitted_font,
                    glow, grow, horizontal, lerp, minus, polygon_mask, radial,
                    regular_points, rounded_mask, shifted, shrink, star_points,
                    text_box, text_mask, vertical)

CX, CY = W // 2, H // 2
INK = (14, 12, 24)          # the near-black of outlines
SHADE_FLOOR = 112           # brightest channel of any glow or shadow colour


def shade(colour, amount):
    """A darker shade of a colour for glows and shadows: `amount` of the way
    towards the outline colour, but with its brightest channel kept at
    SHADE_FLOOR or above so it never turns into a muddy, near-black band."""
    c = lerp(colour, INK, amount)
    top = max(c)
    if top >= SHADE_FLOOR:
        return c
    peak = max(colour)
    if peak == 0:
        return (SHADE_FLOOR,) * 3
    return tuple(round(v * SHADE_FLOOR / peak) for v in colour)


def _text_layers(c, text, face, box, fill, outline=INK, stroke=5, cx=CX, cy=CY,
                 shadow=None, spacing=0):
    """Shadow, outline and fill of one wordmark; returns the fill mask."""
    f = fitted_font(text, face, box[0], box[1], spacing)
    body = text_mask(text, f, cx, cy, spacing=spacing)
    if shadow:
        dx, dy, colour = shadow
        c.paint(shifted(text_mask(text, f, cx, cy, stroke, spacing), dx, dy), colour)
    if outline:
        c.paint(text_mask(text, f, cx, cy, stroke, spacing), outline)
    c.paint(body, fill)
    return body


def _bbox_rows(mask):
    l, t, r, b = mask.getbbox()
    return t, b


def style_chrome(c, text, face, sky, ground, outline=INK, box=(470, 170), cy=CY):
    f = fitted_font(text, face, box[0], box[1])
    body = text_mask(text, f, CX, cy)
    top, bottom = _bbox_rows(body)
    c.paint(shifted(text_mask(text, f, CX, cy, 10), 6, 8), shade(ground, 0.5))
    c.paint(text_mask(text, f, CX, cy, 8), outline)
    c.paint(text_mask(text, f, CX, cy, 3), (235, 240, 255))
    c.paint(body, vertical(chrome_stops(sky, ground), top, bottom))


def style_gradient(c, text, face, colours, shadow=(8, 8, None), box=(480, 180),
                   outline=INK, horizontal_fill=False):
    f = fitted_font(text, face, box[0], box[1])
    body = text_mask(text, f, CX, CY)
    l, t, r, b = body.getbbox()
    stops = [(i / (len(colours) - 1), col) for i, col in enumerate(colours)]
    fill = horizontal(stops, l, r) if horizontal_fill else vertical(stops, t, b)
    if shadow:
        colour = shadow[2] or shade(colours[-1], 0.55)
        c.paint(shifted(text_mask(text, f, CX, CY, 5), shadow[0], shadow[1]), colour)
    c.paint(text_mask(text, f, CX, CY, 5), outline)
    c.paint(body, fill)


def style_copper(c, text, face, colours, band=14, rim=(255, 255, 255), box=(480, 190)):
    f = fitted_font(text, face, box[0], box[1])
    body = text_mask(text, f, CX, CY)
    c.paint(text_mask(text, f, CX, CY, 9), INK)
    c.paint(text_mask(text, f, CX, CY, 4), rim)
    c.paint(body, copper(colours, band))


def style_neon(c, text, face, colour, core=(255, 255, 255), box=(440, 150), frame=None,
               halo=None):
    """Glass tubes along the letters' edges with a white-hot core; the glow
    around them is two hard-edged bands of the tube's colour, and the glass
    inside the letters a deep shade of it. `halo` picks another hue for the
    glow where a plain darker shade would turn muddy (yellow into olive)."""
    f = fitted_font(text, face, box[0], box[1])
    body = text_mask(text, f, CX, CY)
    tube = minus(grow(body, 3), shrink(body, 3))
    if frame:
        fr = rounded_mask(frame, 30)
        ring = minus(fr, shrink(fr, 5))
        lit = frame_colour(colour)
        c.paint(minus(grow(ring, 5), shrink(fr, 10)), shade(lit, 0.6))
        c.paint(ring, lit)
    halo = halo or colour
    c.paint(grow(body, 9), shade(halo, 0.55))
    c.paint(grow(body, 6), shade(halo, 0.3))
    c.paint(body, shade(halo, 0.7))
    c.paint(tube, colour)
    c.paint(minus(grow(body, 1), shrink(body, 1)), core)


def frame_colour(colour):
    return (colour[2], colour[0], colour[1])


def _pcf_text(text, name, scale):
    with gzip.open(f"/usr/share/fonts/X11/misc/{name}.pcf.gz") as fh:
        pcf = PcfFontFile.PcfFontFile(fh, "iso8859-1")
    width = sum(pcf.glyph[ord(ch)][0][0] for ch in text)
    img = Image.new("L", (width, 24), 0)
    x = 0
    for ch in text:
        (adv, _), (x0, y0, x1, y1), _, bm = pcf.glyph[ord(ch)]
        img.paste(bm.convert("L").point(lambda v: 255 if v else 0), (x + x0, 16 + y0))
        x += adv
    return img.crop(img.getbbox())


def style_pixel(c, text, font, colours, block=None, bevel=True, box=(480, 200)):
    """Each pixel of a bitmap font becomes a bevelled tile."""
    bits = _pcf_text(text, font, 1)
    block = block or max(4, min(box[0] // bits.width, box[1] // bits.height))
    w, h = bits.width * block, bits.height * block
    x0, y0 = CX - w // 2, CY - h // 2
    bp = bits.load()
    tiles = Image.new("L", (W, H), 0)
    light = Image.new("L", (W, H), 0)
    dark = Image.new("L", (W, H), 0)
    td, ld, dd = ImageDraw.Draw(tiles), ImageDraw.Draw(light), ImageDraw.Draw(dark)
    for y in range(bits.height):
        for x in range(bits.width):
            if not bp[x, y]:
                continue
            bx, by = x0 + x * block, y0 + y * block
            td.rectangle([bx, by, bx + block - 1, by + block - 1], fill=255)
            if bevel:
                e = max(2, block // 7)
                ld.rectangle([bx, by, bx + block - 1, by + e - 1], fill=255)
                ld.rectangle([bx, by, bx + e - 1, by + block - 1], fill=255)
                dd.rectangle([bx, by + block - e, bx + block - 1, by + block - 1], fill=255)
                dd.rectangle([bx + block - e, by, bx + block - 1, by + block - 1], fill=255)
    c.paint(shifted(grow(tiles, 3), 6, 6), shade(colours[-1], 0.5))
    c.paint(grow(tiles, 3), INK)
    stops = [(i / (len(colours) - 1), col) for i, col in enumerate(colours)]
    c.paint(tiles, vertical(stops, y0, y0 + h))
    if bevel:
        # A soft bevel: strong edges would break each stroke into separate
        # tiles and the letters would stop reading as letters.
        c.paint(light, lerp(colours[0], (255, 255, 255), 0.55))
        c.paint(minus(dark, light), lerp(colours[-1], INK, 0.3))


def style_extrude(c, text, face, front, side, depth=14, box=(440, 160), outline=INK):
    f = fitted_font(text, face, box[0], box[1])
    cx, cy = CX - depth // 2, CY - depth // 2
    body = text_mask(text, f, cx, cy)
    for i in range(depth, 0, -1):
        c.paint(shifted(text_mask(text, f, cx, cy, 3), i, i),
                shade(side, 0.1 + 0.45 * i / depth))
    c.paint(text_mask(text, f, cx, cy, 3), outline)
    t, b = _bbox_rows(body)
    c.paint(body, vertical([(0, lerp(front, (255, 255, 255), 0.45)), (1, front)], t, b))


def style_plate(c, text, face, plate, ink, box=(440, 140), radius=40):
    pm = rounded_mask((14, 30, W - 14, H - 30), radius)
    c.paint(shifted(pm, 8, 8), shade(plate, 0.5))
    c.paint(pm, (250, 250, 250))
    inner = shrink(pm, 6)
    stops = [(0, lerp(plate, (255, 255, 255), 0.5)), (0.5, plate), (1, lerp(plate, INK, 0.5))]
    c.paint(inner, vertical(stops, 30, H - 30))
    f = fitted_font(text, face, box[0], box[1])
    c.paint(shifted(text_mask(text, f, CX, CY), 4, 4), lerp(plate, INK, 0.6))
    c.paint(text_mask(text, f, CX, CY), ink)


def style_ring(c, text, face, ring, fill, emblem="ring", box=(336, 176)):
    """An emblem on the left and the word beside it."""
    ex, ey, r = 70, CY, 62
    if emblem == "ring":
        disc = ellipse_mask((ex - r, ey - r, ex + r, ey + r))
        c.paint(grow(disc, 5), INK)
        c.paint(disc, radial([(0, (255, 255, 255)), (0.5, ring), (1, lerp(ring, INK, 0.6))],
                             ex - 20, ey - 20, r * 2))
        c.paint(ellipse_mask((ex - r + 22, ey - r + 22, ex + r - 22, ey + r - 22)), INK)
        c.paint(ellipse_mask((ex - r + 30, ey - r + 30, ex + r - 30, ey + r - 30)), fill)
    elif emblem == "star":
        st = polygon_mask(star_points(ex, ey, r + 6, r * 0.45))
        c.paint(grow(st, 5), INK)
        c.paint(st, radial([(0, (255, 255, 230)), (0.6, ring), (1, lerp(ring, INK, 0.4))], ex, ey, r))
    elif emblem == "hex":
        hx = polygon_mask(regular_points(ex, ey, r + 4, 6, 0))
        c.paint(grow(hx, 5), INK)
        c.paint(hx, vertical([(0, lerp(ring, (255, 255, 255), 0.5)), (1, ring)], ey - r, ey + r))
        c.paint(polygon_mask(regular_points(ex, ey, r - 18, 6, 0)), INK)
        c.paint(polygon_mask(regular_points(ex, ey, r - 26, 6, 0)), fill)
    elif emblem == "diamond":
        dm = polygon_mask([(ex, ey - r - 6), (ex + r, ey), (ex, ey + r + 6), (ex - r, ey)])
        c.paint(grow(dm, 5), INK)
        c.paint(dm, horizontal([(0, lerp(ring, (255, 255, 255), 0.6)), (1, ring)], ex - r, ex + r))
        c.paint(polygon_mask([(ex, ey - r + 20), (ex + r - 24, ey), (ex, ey + r - 20), (ex - r + 24, ey)]), fill)
    elif emblem == "planet":
        disc = ellipse_mask((ex - r + 10, ey - r + 10, ex + r - 10, ey + r - 10))
        orbit = minus(ellipse_mask((ex - r - 8, ey - 20, ex + r + 8, ey + 20)),
                      ellipse_mask((ex - r + 4, ey - 10, ex + r - 4, ey + 10)))
        c.paint(grow(disc, 5), INK)
        c.paint(disc, radial([(0, (255, 255, 255)), (0.4, ring), (1, lerp(ring, INK, 0.7))],
                             ex - 18, ey - 18, r * 1.6))
        c.paint(grow(orbit, 3), INK)
        c.paint(orbit, fill)
    tx = (W + 156) // 2
    f = fitted_font(text, face, box[0], box[1])
    c.paint(text_mask(text, f, tx, CY, 5), INK)
    t, b = _bbox_rows(text_mask(text, f, tx, CY))
    c.paint(text_mask(text, f, tx, CY), vertical([(0, fill), (1, ring)], t, b))


def style_outline(c, text, face, colours, box=(470, 170)):
    """Hollow letters built from concentric coloured rings."""
    f = fitted_font(text, face, box[0], box[1])
    body = text_mask(text, f, CX, CY)
    c.paint(text_mask(text, f, CX, CY, 12), INK)
    for i, col in enumerate(colours):
        ring = text_mask(text, f, CX, CY, 10 - i * 3)
        c.paint(ring, col)
    c.paint(body, INK)
    c.paint(shrink(body, 3), lerp(colours[-1], INK, 0.45))


def style_split(c, text, face, top, bottom, box=(480, 180)):
    """Two-tone letters cut by a bright line, on a thin underline bar."""
    f = fitted_font(text, face, box[0], box[1])
    body = text_mask(text, f, CX, CY - 6)
    t, b = _bbox_rows(body)
    mid = (t + b) // 2
    c.paint(polygon_mask([(20, b + 10), (W - 20, b + 10), (W - 30, b + 22), (30, b + 22)]), bottom)
    c.paint(text_mask(text, f, CX, CY - 6, 5), INK)
    upper = Image.new("L", (W, H), 0)
    ImageDraw.Draw(upper).rectangle([0, 0, W, mid - 2], fill=255)
    c.paint(body, vertical([(0, lerp(bottom, INK, 0.3)), (1, bottom)], mid, b))
    from PIL import ImageChops
    c.paint(ImageChops.multiply(body, upper), vertical([(0, lerp(top, (255, 255, 255), 0.5)), (1, top)], t, mid))
    line = Image.new("L", (W, H), 0)
    ImageDraw.Draw(line).rectangle([0, mid - 2, W, mid + 1], fill=255)
    c.paint(ImageChops.multiply(body, line), (255, 255, 255))


def style_checker(c, text, face, a, b_, box=(480, 190), cell=12):
    f = fitted_font(text, face, box[0], box[1])
    body = text_mask(text, f, CX, CY)
    board = Image.new("RGB", (W, H), a)
    d = ImageDraw.Draw(board)
    for y in range(0, H, cell):
        for x in range(0, W, cell):
            if (x // cell + y // cell) % 2:
                d.rectangle([x, y, x + cell - 1, y + cell - 1], fill=b_)
    c.paint(shifted(text_mask(text, f, CX, CY, 7), 7, 7), shade(b_, 0.5))
    c.paint(text_mask(text, f, CX, CY, 7), INK)
    c.paint(text_mask(text, f, CX, CY, 3), (255, 255, 255))
    c.paint(body, board)


def style_stack(c, top_text, bottom_text, face, colours, accent, box=(470, 100)):
    """Two words, one above the other, a bar between them."""
    f1 = fitted_font(top_text, face, box[0], box[1])
    f2 = fitted_font(bottom_text, face, box[0] * 3 // 4, box[1] * 2 // 3)
    m1 = text_mask(top_text, f1, CX, 78)
    m2 = text_mask(bottom_text, f2, CX, 192)
    bar = polygon_mask([(40, 138), (W - 40, 138), (W - 52, 150), (52, 150)])
    c.paint(grow(bar, 3), INK)
    c.paint(bar, accent)
    for m, stroke_src in ((m1, (top_text, f1, 78)), (m2, (bottom_text, f2, 192))):
        t, f, y = stroke_src
        c.paint(text_mask(t, f, CX, y, 5), INK)
        tt, bb = _bbox_rows(m)
        stops = [(i / (len(colours) - 1), col) for i, col in enumerate(colours)]
        c.paint(m, vertical(stops, tt, bb))


def style_starburst(c, text, face, burst, fill, box=(420, 120)):
    st = polygon_mask(star_points(CX, CY, 128, 92, 16, 0))
    c.paint(grow(st, 3), INK)
    c.paint(st, radial([(0, lerp(burst, (255, 255, 255), 0.6)), (1, burst)], CX, CY, 128))
    f = fitted_font(text, face, box[0], box[1])
    # A heavy dark rim and a white inner rim keep the word apart from the burst.
    c.paint(text_mask(text, f, CX, CY, 8), INK)
    c.paint(text_mask(text, f, CX, CY, 4), (255, 255, 255))
    c.paint(text_mask(text, f, CX, CY), fill)


# Each entry draws one logo; logo k is RCDATA 109 + k.
LOGOS = [
    lambda c: style_chrome(c, "TAVORLY", "heros", (60, 120, 255), (120, 60, 20)),
    lambda c: style_copper(c, "SCROLL", "sanscond", [(255, 60, 40), (255, 200, 40), (60, 220, 90), (40, 120, 255), (200, 60, 255)]),
    lambda c: style_neon(c, "NEON", "gothic", (255, 60, 200), box=(420, 160)),
    lambda c: style_pixel(c, "PIXEL", "9x15B", [(120, 255, 120), (20, 140, 60)]),
    lambda c: style_ring(c, "ORBIT", "gothic", (255, 170, 40), (255, 240, 160), "planet"),
    lambda c: style_extrude(c, "BLOCK", "sans", (255, 210, 40), (200, 60, 20)),
    lambda c: style_gradient(c, "Tracker", "schoolbook", [(255, 250, 200), (255, 150, 40), (190, 30, 40)]),
    lambda c: style_plate(c, "XM 64", "heros", (40, 110, 220), (255, 255, 255)),
    lambda c: style_outline(c, "SINE", "sans", [(40, 255, 255), (40, 120, 255), (140, 40, 255)]),
    lambda c: style_split(c, "RASTER", "narrow", (255, 220, 60), (230, 40, 90)),
    lambda c: style_checker(c, "CHECK", "sans", (255, 80, 60), (255, 230, 210)),
    lambda c: style_chrome(c, "Chrome", "serif", (255, 120, 200), (40, 20, 120)),
    lambda c: style_stack(c, "STAR", "FIELD", "sans", [(255, 255, 255), (120, 200, 255)], (255, 200, 40)),
    lambda c: style_neon(c, "GLOW", "gothic", (60, 255, 120), box=(400, 140), frame=(8, 14, W - 8, H - 14)),
    lambda c: style_ring(c, "PRISM", "sans", (200, 80, 255), (255, 200, 255), "diamond"),
    lambda c: style_copper(c, "PLASMA", "italic", [(255, 40, 120), (255, 140, 40), (255, 240, 80), (255, 140, 40)], band=10),
    lambda c: style_pixel(c, "8BIT", "clB8x16", [(255, 120, 255), (120, 40, 220)]),
    lambda c: style_gradient(c, "Vector", "italic", [(80, 255, 255), (120, 150, 255), (255, 80, 220)], horizontal_fill=True),
    lambda c: style_extrude(c, "MEGA", "serif", (90, 200, 255), (20, 40, 140)),
    lambda c: style_starburst(c, "WOW!", "sans", (255, 220, 40), (230, 20, 40)),
    lambda c: style_ring(c, "ZENITH", "narrow", (80, 220, 255), (255, 255, 255), "star"),
    lambda c: style_plate(c, "ECHO", "gothic", (230, 60, 40), (255, 240, 200)),
    lambda c: style_split(c, "PULSE", "sans", (120, 255, 200), (20, 120, 200)),
    lambda c: style_chrome(c, "QUASAR", "sanscond", (255, 190, 60), (90, 20, 140)),
    lambda c: style_checker(c, "MOSAIC", "sanscond", (40, 90, 255), (170, 230, 255), cell=10),
    lambda c: style_neon(c, "VOLT", "italic", (255, 230, 40), box=(420, 160), halo=(255, 110, 20)),
    lambda c: style_outline(c, "LOOP", "gothic", [(255, 240, 60), (255, 120, 40), (230, 30, 60)]),
    lambda c: style_gradient(c, "Horizon", "bookman", [(255, 120, 60), (255, 230, 120), (120, 60, 200)]),
    lambda c: style_ring(c, "CIRCUIT", "mono", (60, 230, 120), (220, 255, 220), "hex"),
    lambda c: style_extrude(c, "TURBO", "italic", (255, 60, 60), (120, 0, 40)),
    lambda c: style_copper(c, "NEBULA", "gothic", [(120, 60, 255), (255, 80, 220), (60, 180, 255)], band=16),
    lambda c: style_pixel(c, "FUSION", "7x14B", [(255, 240, 120), (255, 90, 40)]),
    lambda c: style_stack(c, "DEEP", "SPACE", "gothic", [(230, 240, 255), (90, 140, 255)], (255, 80, 160)),
    lambda c: style_gradient(c, "Aurora", "palatino", [(120, 255, 180), (60, 200, 255), (200, 100, 255)], horizontal_fill=True),
    lambda c: style_starburst(c, "RETRO", "narrow", (60, 220, 255), (255, 250, 220)),
    lambda c: style_chrome(c, "MIRAGE", "narrow", (255, 120, 60), (30, 60, 160)),
    lambda c: style_split(c, "CATHODE", "sanscond", (255, 150, 255), (90, 40, 200)),
    lambda c: style_neon(c, "FLUX", "mono", (60, 200, 255), box=(400, 150), frame=(14, 14, W - 14, H - 14)),
    lambda c: style_ring(c, "SPIN", "sans", (255, 90, 60), (255, 220, 120), "ring"),
    lambda c: style_stack(c, "THE", "END", "serif", [(255, 255, 255), (255, 200, 60)], (230, 40, 60)),
]

BADGES = [
    lambda c: style_badge(c, "TAVORLY", "DEMO 2026", (40, 110, 255), (255, 220, 60)),
    lambda c: style_badge(c, "XM POWER", "64 VOICES", (230, 40, 90), (120, 255, 220)),
    lambda c: style_badge(c, "LINUX", "SDL2 + GL", (30, 170, 80), (255, 255, 255)),
]


def style_badge(c, title, subtitle, plate, accent):
    """Two lines on a bevelled plate, sized to read at half scale."""
    pm = rounded_mask((6, 6, W - 6, H - 6), 36)
    c.paint(pm, (250, 250, 250))
    inner = shrink(pm, 8)
    c.paint(inner, vertical([(0, lerp(plate, (255, 255, 255), 0.35)), (1, lerp(plate, INK, 0.45))], 14, H - 14))
    f1 = fitted_font(title, "sans", 440, 96)
    f2 = fitted_font(subtitle, "sans", 400, 64)
    c.paint(text_mask(title, f1, CX, 86, 6), INK)
    c.paint(text_mask(title, f1, CX, 86), (255, 255, 255))
    c.paint(text_mask(subtitle, f2, CX, 186, 5), INK)
    c.paint(text_mask(subtitle, f2, CX, 186), accent)


def draw(entry):
    c = Canvas()
    entry(c)
    return c.finish()


def write_images(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    paths = []
    for base, entries in ((110, LOGOS), (180, BADGES)):
        for i, entry in enumerate(entries):
            path = os.path.join(out_dir, f"{base + i}.rgb")
            with open(path, "wb") as f:
                f.write(imagefiles.rgb_bytes(draw(entry)))
            paths.append(path)
    return paths
