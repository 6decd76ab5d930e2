"""Contact sheets for looking at the material without running the demo.

logos.png shows the forty logos and the three badges at full size on a plain
dark ground (transparent pixels let it through) with their resource ids;
swarm-sizes.png shows each logo over the demo's clear colour as the swarm
draws it, from a few pixels wide up to a close-up at four times its size,
filtered the way the graphics library filters it;
typefaces.png shows each of the sixteen typefaces with every printable
character and a sample sentence, doubled as on screen, read back from the
committed font sheets in the order the scroller reads them. When the review
folder holds frames/ from review_frames (the content_review target runs it),
strip-frames.png gathers its strip bands at twice their size and
swarm-closeups.png its close-ups of the swarm.
"""
import os

from PIL import Image, ImageDraw, ImageFont

import imagefiles

LABEL_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


GROUND = (40, 40, 48)


def over_ground(picture):
    """The picture over a plain dark ground: exact black lets it through,
    a dark but non-black pixel does not."""
    ground = Image.new("RGB", picture.size, GROUND)
    mask = Image.new("L", picture.size, 0)
    rgb, mp = picture.load(), mask.load()
    for y in range(picture.height):
        for x in range(picture.width):
            mp[x, y] = 0 if rgb[x, y] == (0, 0, 0) else 255
    ground.paste(picture, (0, 0), mask)
    return ground


# The demo's clear colour (red 0.2, green 0, blue 0.2), which the swarm flies over.
CLEAR = (51, 0, 51)
SWARM_WIDTHS = (12, 24, 48, 96, 192)
CLOSE_UP = 4


def as_drawn(picture, width, height, ground=CLEAR):
    """The picture drawn as a width x height quad over the ground the way
    the demo draws it: alpha 0 where exact black, colours and alpha sampled
    bilinearly from the four nearest texels without mipmaps (so small sizes
    alias as they do on screen) and not premultiplied, then blended with
    source alpha."""
    alpha = Image.new("L", picture.size, 0)
    rgb, ap = picture.load(), alpha.load()
    for y in range(picture.height):
        for x in range(picture.width):
            ap[x, y] = 0 if rgb[x, y] == (0, 0, 0) else 255
    sx, sy = picture.width / width, picture.height / height
    # Pillow maps the output pixel centre (x + 0.5) to (x + 0.5) * sx in the
    # picture and interpolates between texel centres, as the library does.
    matrix = (sx, 0, 0, 0, sy, 0)
    colour = picture.transform((width, height), Image.AFFINE, matrix, Image.BILINEAR)
    cover = alpha.transform((width, height), Image.AFFINE, matrix, Image.BILINEAR)
    return Image.composite(colour, Image.new("RGB", (width, height), ground), cover)


def swarm_sheet(rcdata_dir, ids=None):
    """Every logo at the sizes the swarm shows, and a corner of it at four
    times its size, over the clear colour."""
    label = ImageFont.truetype(LABEL_FONT, 12)
    ids = ids or list(range(110, 150))
    small_w = sum(SWARM_WIDTHS) + 8 * len(SWARM_WIDTHS)
    crop_w, crop_h = 96, 48                      # texels shown in the close-up
    row_h = max(SWARM_WIDTHS[-1] // 2, crop_h * CLOSE_UP) + 22
    sheet = Image.new("RGB", (small_w + crop_w * CLOSE_UP + 40, len(ids) * row_h + 16), (18, 18, 22))
    d = ImageDraw.Draw(sheet)
    for i, rid in enumerate(ids):
        with open(os.path.join(rcdata_dir, f"{rid}.rgb"), "rb") as f:
            picture = imagefiles.rgb_image(f.read())
        y = 8 + i * row_h
        x = 8
        for w in SWARM_WIDTHS:
            sheet.paste(as_drawn(picture, w, w // 2), (x, y))
            x += w + 8
        # The close-up: the picture's left half, where most edges and glows
        # meet the transparent surroundings, at four times its size.
        big = as_drawn(picture, 256 * CLOSE_UP, 128 * CLOSE_UP)
        left = next((c for c in range(256) if any(picture.getpixel((c, r)) != (0, 0, 0)
                                                  for r in range(128))), 0)
        box = (max(0, left - 8) * CLOSE_UP, 40 * CLOSE_UP)
        sheet.paste(big.crop((box[0], box[1], box[0] + crop_w * CLOSE_UP, box[1] + crop_h * CLOSE_UP)),
                    (x + 16, y))
        d.text((8, y + SWARM_WIDTHS[-1] // 2 + 4), f"logo {rid - 109} (#{rid})", font=label,
               fill=(220, 220, 220))
    return sheet


def logo_sheet(rcdata_dir):
    label = ImageFont.truetype(LABEL_FONT, 14)
    ids = list(range(110, 150)) + [180, 181, 182]
    cols, cw, ch = 5, 256 + 16, 128 + 30
    rows = (len(ids) + cols - 1) // cols
    sheet = Image.new("RGB", (cols * cw + 16, rows * ch + 16), (18, 18, 22))
    d = ImageDraw.Draw(sheet)
    for i, rid in enumerate(ids):
        x, y = 16 + (i % cols) * cw, 16 + (i // cols) * ch
        path = os.path.join(rcdata_dir, f"{rid}.rgb")
        name = f"logo {rid - 109} (#{rid})" if rid < 180 else f"badge #{rid}"
        if os.path.exists(path):
            with open(path, "rb") as f:
                sheet.paste(over_ground(imagefiles.rgb_image(f.read())), (x, y))
        else:
            name += " missing"
        d.text((x, y + 130), name, font=label, fill=(220, 220, 220))
    return sheet


def _sheet_cells(path):
    with open(path, "rb") as f:
        rows = imagefiles.sheet_rows(f.read())
    grid = Image.frombytes("L", (256, 256), b"".join(rows))
    return grid


SAMPLE = "Pack my box with five dozen liquor jugs!"


def typeface_sheet(bitmap_dir, scale=2):
    """Each face: its label, every printable character, then a sample line."""
    label = ImageFont.truetype(LABEL_FONT, 14)
    chars = [chr(c) for c in range(33, 127)]
    per_line = 47
    line_h = 16 * scale + 6
    lines = [chars[:per_line], chars[per_line:], list(SAMPLE)]
    block_h = 20 + len(lines) * line_h + 8
    sheet = Image.new("L", (per_line * 16 * scale + 32, 16 * block_h + 16), 255)
    d = ImageDraw.Draw(sheet)
    for sheet_no in range(8):
        path = os.path.join(bitmap_dir, f"{171 + sheet_no}.bmp")
        grid = _sheet_cells(path) if os.path.exists(path) else None
        for half in range(2):
            face = sheet_no * 2 + half
            y0 = 8 + face * block_h
            d.text((16, y0), f"font {sheet_no + 1}, half {half + 1}  (#{171 + sheet_no})",
                   font=label, fill=0)
            if grid is None:
                continue
            for row, text in enumerate(lines):
                for j, ch in enumerate(text):
                    cell = ord(ch) - 32 + 128 * half
                    glyph = grid.crop(((cell % 16) * 16, (cell // 16) * 16,
                                       (cell % 16) * 16 + 16, (cell // 16) * 16 + 16))
                    glyph = glyph.point(lambda v: 0 if v else 255).resize(
                        (16 * scale, 16 * scale), Image.NEAREST)
                    sheet.paste(glyph, (16 + j * 16 * scale, y0 + 20 + row * line_h))
    return sheet


def frames_sheet(paths, scale, label_text):
    """Frames written by review_frames, one under the other, each with its
    name, enlarged by `scale` without smoothing."""
    label = ImageFont.truetype(LABEL_FONT, 14)
    frames = [Image.open(p).convert("RGB") for p in paths]
    width = max(f.width for f in frames) * scale + 16
    height = sum(f.height * scale + 26 for f in frames) + 8
    sheet = Image.new("RGB", (width, height), (18, 18, 22))
    d = ImageDraw.Draw(sheet)
    y = 8
    for path, frame in zip(paths, frames):
        d.text((8, y), label_text(os.path.basename(path)), font=label, fill=(220, 220, 220))
        sheet.paste(frame.resize((frame.width * scale, frame.height * scale), Image.NEAREST), (8, y + 20))
        y += frame.height * scale + 26
    return sheet


def _strip_label(name):
    sheet, half, speed = (int(n) for n in name[len("strip-font"):-len(".png")].replace("-speed", "-").split("-"))
    return f"font {sheet}, half {half} at speed {speed}"


def write_frame_sheets(frames_dir, out_dir):
    """strip-frames.png and swarm-closeups.png from review_frames' output."""
    names = sorted(os.listdir(frames_dir))
    strips = [os.path.join(frames_dir, n) for n in names if n.startswith("strip-")]
    swarm = [os.path.join(frames_dir, n) for n in names if n.startswith("swarm-")]
    paths = []
    if strips:
        paths.append(os.path.join(out_dir, "strip-frames.png"))
        frames_sheet(strips, 2, _strip_label).save(paths[-1])
    if swarm:
        paths.append(os.path.join(out_dir, "swarm-closeups.png"))
        frames_sheet(swarm, 1, lambda n: n[:-4]).save(paths[-1])
    return paths


def write_sheets(data_dir, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    logos = os.path.join(out_dir, "logos.png")
    swarm = os.path.join(out_dir, "swarm-sizes.png")
    faces = os.path.join(out_dir, "typefaces.png")
    logo_sheet(os.path.join(data_dir, "rcdata")).save(logos)
    swarm_sheet(os.path.join(data_dir, "rcdata")).save(swarm)
    typeface_sheet(os.path.join(data_dir, "bitmap")).save(faces)
    paths = [logos, swarm, faces]
    frames = os.path.join(out_dir, "frames")
    if os.path.isdir(frames):
        paths += write_frame_sheets(frames, out_dir)
    return paths
