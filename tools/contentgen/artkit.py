"""Drawing helpers shared by the logo and badge generators.

Pictures are painted at twice their final size on a black canvas as a stack of
layers (a coverage mask plus a colour image each), then reduced to 256 x 128.
Pixels whose coverage falls below one half become exact black, the colour the
demo treats as transparent; every covered pixel keeps its colour with each
channel raised to at least 1, so dark artwork never turns into holes.
"""
import math

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

S = 2                                   # supersampling factor
W, H = 256 * S, 128 * S

TT = "/usr/share/fonts/truetype"
OT = "/usr/share/texmf/fonts/opentype/public/tex-gyre"
FONTS = {
    "sans": f"{TT}/dejavu/DejaVuSans-Bold.ttf",
    "sanscond": f"{TT}/dejavu/DejaVuSansCondensed-Bold.ttf",
    "serif": f"{TT}/dejavu/DejaVuSerif-Bold.ttf",
    "mono": f"{TT}/dejavu/DejaVuSansMono-Bold.ttf",
    "gothic": f"{OT}/texgyreadventor-bold.otf",
    "narrow": f"{OT}/texgyreheroscn-bold.otf",
    "heros": f"{OT}/texgyreheros-bold.otf",
    "italic": f"{TT}/liberation2/LiberationSans-BoldItalic.ttf",
    "bookman": f"{OT}/texgyrebonum-bold.otf",
    "schoolbook": f"{OT}/texgyreschola-bold.otf",
    "palatino": f"{OT}/texgyrepagella-bolditalic.otf",
}


class Canvas:
    def __init__(self):
        self.colour = Image.new("RGB", (W, H), (0, 0, 0))
        self.cover = Image.new("L", (W, H), 0)

    def paint(self, mask, fill):
        """Lays a colour (a tuple or an RGB image) through a coverage mask."""
        if isinstance(fill, tuple):
            fill = Image.new("RGB", (W, H), fill)
        self.colour = Image.composite(fill, self.colour, mask)
        self.cover = ImageChops.lighter(self.cover, mask)

    def finish(self):
        """The 256 x 128 picture, black exactly where it is transparent."""
        colour = self.colour.resize((256, 128), Image.BOX)
        cover = self.cover.resize((256, 128), Image.BOX)
        out = Image.new("RGB", (256, 128), (0, 0, 0))
        cp, kp, op = colour.load(), cover.load(), out.load()
        for y in range(128):
            for x in range(256):
                k = kp[x, y]
                if k < 128:
                    continue
                r, g, b = cp[x, y]
                # Edges were blended with the black canvas: undo that, then
                # keep every channel off zero.
                op[x, y] = tuple(max(1, min(255, round(c * 255 / k))) for c in (r, g, b))
        fill_pinholes(out)
        return out


PINHOLE = 12   # enclosed transparent regions smaller than this are filled


def fill_pinholes(img):
    """Closes tiny transparent specks enclosed by artwork (where two letters'
    outlines almost meet) with the mean colour of the artwork around them;
    on screen they would show as holes."""
    w, h = img.size
    px = img.load()
    seen = set()
    for y0 in range(h):
        for x0 in range(w):
            if (x0, y0) in seen or px[x0, y0] != (0, 0, 0):
                continue
            region, rim, stack, border = [], set(), [(x0, y0)], False
            seen.add((x0, y0))
            while stack:
                x, y = stack.pop()
                region.append((x, y))
                border |= x in (0, w - 1) or y in (0, h - 1)
                for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)):
                    if 0 <= nx < w and 0 <= ny < h:
                        if px[nx, ny] == (0, 0, 0):
                            if (nx, ny) not in seen:
                                seen.add((nx, ny))
                                stack.append((nx, ny))
                        else:
                            rim.add((nx, ny))
            if border or len(region) >= PINHOLE:
                continue
            colours = [px[p] for p in rim]
            mean = tuple(max(1, round(sum(c[i] for c in colours) / len(colours))) for i in range(3))
            for p in region:
                px[p] = mean


def font(name, size):
    return ImageFont.truetype(FONTS[name], size)


def fitted_font(text, name, box_w, box_h, spacing=0):
    """The largest size of a face at which the text fits the box."""
    size = box_h * 2
    while size > 6:
        f = font(name, size)
        l, t, r, b = text_box(text, f, spacing)
        if r - l <= box_w and b - t <= box_h:
            return f
        size -= 2
    return font(name, 6)


def text_box(text, f, spacing=0):
    if spacing == 0:
        return f.getbbox(text)
    x = 0
    top, bottom = 10 ** 6, -10 ** 6
    for ch in text:
        l, t, r, b = f.getbbox(ch)
        top, bottom = min(top, t), max(bottom, b)
        x += f.getlength(ch) + spacing
    return (0, top, x - spacing, bottom)


def text_mask(text, f, cx, cy, stroke=0, spacing=0):
    """Coverage of a text centred on (cx, cy), optionally grown by a stroke."""
    mask = Image.new("L", (W, H), 0)
    draw = ImageDraw.Draw(mask)
    l, t, r, b = text_box(text, f, spacing)
    x = cx - (l + r) / 2
    y = cy - (t + b) / 2
    if spacing == 0:
        draw.text((x, y), text, font=f, fill=255, stroke_width=stroke, stroke_fill=255)
    else:
        for ch in text:
            draw.text((x, y), ch, font=f, fill=255, stroke_width=stroke, stroke_fill=255)
            x += f.getlength(ch) + spacing
    return mask


def shifted(mask, dx, dy):
    out = Image.new("L", mask.size, 0)
    out.paste(mask, (dx, dy))
    return out


def grow(mask, radius):
    return mask.filter(ImageFilter.MaxFilter(2 * radius + 1))


def shrink(mask, radius):
    return mask.filter(ImageFilter.MinFilter(2 * radius + 1))


def minus(a, b):
    return ImageChops.subtract(a, b)


def lerp(c0, c1, t):
    return tuple(round(a + (b - a) * t) for a, b in zip(c0, c1))


def ramp(stops, t):
    """Colour at t (0..1) along a list of (position, colour) stops."""
    t = min(max(t, 0.0), 1.0)
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return lerp(c0, c1, 0 if p1 == p0 else (t - p0) / (p1 - p0))
    return stops[-1][1]


def vertical(stops, top=0, bottom=H):
    """An image graded from top to bottom (rows outside the range clamp)."""
    img = Image.new("RGB", (W, H))
    draw = ImageDraw.Draw(img)
    for y in range(H):
        draw.line([(0, y), (W, y)], fill=ramp(stops, (y - top) / max(1, bottom - top)))
    return img


def horizontal(stops, left=0, right=W):
    img = Image.new("RGB", (W, H))
    draw = ImageDraw.Draw(img)
    for x in range(W):
        draw.line([(x, 0), (x, H)], fill=ramp(stops, (x - left) / max(1, right - left)))
    return img


def radial(stops, cx, cy, radius):
    img = Image.new("RGB", (W, H))
    px = img.load()
    cache = {}
    for y in range(H):
        for x in range(W):
            d = int(math.hypot(x - cx, y - cy) * 4 / radius)
            if d not in cache:
                cache[d] = ramp(stops, d / 4)
            px[x, y] = cache[d]
    return img


def chrome_stops(sky, ground):
    """The classic chrome fill: sky above a hard horizon, ground below."""
    return [(0.0, lerp(sky, (255, 255, 255), 0.2)), (0.48, (255, 255, 255)),
            (0.5, lerp(ground, (0, 0, 0), 0.35)), (0.62, ground),
            (1.0, lerp(ground, (255, 255, 255), 0.55))]


def copper(colours, band, phase=0):
    """Horizontal raster bars: each band fades up to its colour and back."""
    img = Image.new("RGB", (W, H))
    draw = ImageDraw.Draw(img)
    for y in range(H):
        i = ((y + phase) // band) % len(colours)
        t = ((y + phase) % band) / band
        shade = 0.35 + 0.65 * math.sin(t * math.pi)
        c = colours[i]
        draw.line([(0, y), (W, y)], fill=tuple(round(v * shade) for v in c))
    return img


def polygon_mask(points):
    mask = Image.new("L", (W, H), 0)
    ImageDraw.Draw(mask).polygon(points, fill=255)
    return mask


def ellipse_mask(box):
    mask = Image.new("L", (W, H), 0)
    ImageDraw.Draw(mask).ellipse(box, fill=255)
    return mask


def rounded_mask(box, radius):
    mask = Image.new("L", (W, H), 0)
    ImageDraw.Draw(mask).rounded_rectangle(box, radius=radius, fill=255)
    return mask


def star_points(cx, cy, outer, inner, points=5, turn=-math.pi / 2):
    pts = []
    for i in range(points * 2):
        r = outer if i % 2 == 0 else inner
        a = turn + i * math.pi / points
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def regular_points(cx, cy, r, n, turn=-math.pi / 2):
    return [(cx + r * math.cos(turn + i * 2 * math.pi / n),
             cy + r * math.sin(turn + i * 2 * math.pi / n)) for i in range(n)]


def glow(mask, radius, strength=1.6):
    """A soft halo around a mask, as coverage (thresholded later)."""
    blurred = mask.filter(ImageFilter.GaussianBlur(radius))
    return blurred.point(lambda v: min(255, round(v * strength)))
