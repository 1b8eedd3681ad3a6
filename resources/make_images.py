#!/usr/bin/python3
"""Draws the control's icon (qarnedit.ico) and toolbox bitmap (qarnedit_toolbox.bmp).

Both are 16-colour (4 bits per pixel) pictures in the standard VGA palette: a blue
polyline with red vertex grips on a light background, the figure the control edits.
Run it from anywhere; it writes next to itself.
"""
import os
import struct

# The 16 colours of the standard VGA palette, as (B, G, R, 0) quads.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]  # (R, G, B)
BLACK, DARK_BLUE, LIGHT_GRAY, RED, BLUE, WHITE = 0, 4, 7, 9, 12, 15


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def draw(size):
    """Rows top to bottom of palette indexes."""
    px = [[LIGHT_GRAY] * size for _ in range(size)]
    for i in range(size):
        px[0][i] = px[size - 1][i] = px[i][0] = px[i][size - 1] = DARK_BLUE
    s = size / 16.0
    vertices = [(2, 12), (6, 4), (10, 10), (13, 3)]
    pts = [(round(x * s), round(y * s)) for x, y in vertices]
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        steps = max(abs(x1 - x0), abs(y1 - y0))
        for k in range(steps + 1):
            x = x0 + (x1 - x0) * k // steps
            y = y0 + (y1 - y0) * k // steps
            px[y][x] = BLUE
    grip = max(1, size // 16)
    for x, y in pts:
        for dy in range(-grip, grip + 1):
            for dx in range(-grip, grip + 1):
                if 0 < x + dx < size - 1 and 0 < y + dy < size - 1:
                    px[y + dy][x + dx] = RED
    return px


def pack_4bpp(px):
    """Bottom-up rows, two pixels a byte, each row padded to 4 bytes."""
    out = bytearray()
    for row in reversed(px):
        line = bytearray()
        for i in range(0, len(row), 2):
            line.append((row[i] << 4) | (row[i + 1] if i + 1 < len(row) else 0))
        while len(line) % 4:
            line.append(0)
        out += line
    return bytes(out)


def pack_mask(size):
    """AND mask of an opaque picture: all zero, rows padded to 4 bytes."""
    stride = ((size + 31) // 32) * 4
    return bytes(stride * size)


def info_header(width, height, image_bytes):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_bytes, 0, 0, 16, 0)


def bitmap_file(size):
    bits = pack_4bpp(draw(size))
    header = info_header(size, size, len(bits)) + palette_bytes()
    offset = 14 + len(header)
    return struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset) + header + bits


def icon_file(sizes):
    images = []
    for size in sizes:
        bits = pack_4bpp(draw(size))
        mask = pack_mask(size)
        # An icon's header counts the XOR and AND bitmaps together: twice the height.
        images.append(info_header(size, size * 2, len(bits) + len(mask)) + palette_bytes() + bits + mask)
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "qarnedit.ico"), "wb") as f:
        f.write(icon_file([32, 16]))
    with open(os.path.join(here, "qarnedit_toolbox.bmp"), "wb") as f:
        f.write(bitmap_file(16))
