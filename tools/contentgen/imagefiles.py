"""Writers and readers for the two picture formats the demo embeds.

Font sheets are ordinary 8-bit grey-palette .bmp files whose pixel rows are
written in the order the scroller reads them (the glyph grid's top row first),
so a viewer that honours the bottom-up header shows them upside down. Logos and
badges are headerless 256 x 128 RGB, top row first, black meaning transparent.
"""
import struct

SHEET_SIZE = 256
SHEET_FILE_BYTES = 14 + 40 + 1024 + SHEET_SIZE * SHEET_SIZE + 2
IMAGE_WIDTH, IMAGE_HEIGHT = 256, 128
IMAGE_BYTES = IMAGE_WIDTH * IMAGE_HEIGHT * 3


def sheet_bytes(rows):
    """A font sheet file from 256 rows of 256 pixel values, grid row 0 first."""
    assert len(rows) == SHEET_SIZE and all(len(r) == SHEET_SIZE for r in rows)
    pixel_offset = 14 + 40 + 1024
    header = struct.pack("<2sIHHI", b"BM", SHEET_FILE_BYTES, 0, 0, pixel_offset)
    info = struct.pack("<IiiHHIIiiII", 40, SHEET_SIZE, SHEET_SIZE, 1, 8, 0, 0,
                       2834, 2834, 0, 0)
    palette = b"".join(bytes((i, i, i, 0)) for i in range(256))
    pixels = b"".join(bytes(r) for r in rows)
    return header + info + palette + pixels + b"\0\0"


def sheet_rows(data):
    """The 256 pixel rows of a font sheet file, in stored order."""
    offset = struct.unpack_from("<I", data, 10)[0]
    return [data[offset + r * SHEET_SIZE: offset + (r + 1) * SHEET_SIZE]
            for r in range(SHEET_SIZE)]


def rgb_bytes(image):
    """Raw RGB bytes of a 256 x 128 PIL image (mode RGB)."""
    assert image.mode == "RGB" and image.size == (IMAGE_WIDTH, IMAGE_HEIGHT)
    return image.tobytes()


def rgb_image(data):
    from PIL import Image
    return Image.frombytes("RGB", (IMAGE_WIDTH, IMAGE_HEIGHT), bytes(data))
