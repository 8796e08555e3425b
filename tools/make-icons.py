#!/usr/bin/env python3
"""Draws Quillon's two icons and writes them as .ico files, byte for byte the same on every run.

The picture: a network jack in white on a blue tile, with an amber dot (the address that
changes) in the lower right. Each image is drawn at 8x resolution and averaged down, so
the 32-bit images have soft edges; the 8-bit images use a fixed 6x6x6 colour cube and
a 1-bit transparency mask.

    tools/make-icons.py res/icons
"""
import struct
import sys
from pathlib import Path

SUPERSAMPLE = 8

TILE_TOP = (0x25, 0x63, 0xEB)
TILE_BOTTOM = (0x1E, 0x3A, 0x8A)
JACK = (0xFF, 0xFF, 0xFF)
JACK_PIN = (0x1E, 0x3A, 0x8A)
BADGE = (0xF5, 0x9E, 0x0B)
BADGE_RING = (0xFF, 0xFF, 0xFF)


def inside_rounded_rect(x, y, left, top, right, bottom, radius):
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_rect(x, y, left, top, right, bottom):
    return left <= x <= right and top <= y <= bottom


def shade(x, y):
    """Colour and coverage of one sample point; coordinates run from 0 to 1 across the icon."""
    # Amber badge with a white ring, drawn over everything else.
    bx, by = 0.76, 0.76
    d2 = (x - bx) ** 2 + (y - by) ** 2
    if d2 <= 0.17 ** 2:
        return BADGE if d2 <= 0.125 ** 2 else BADGE_RING

    if not inside_rounded_rect(x, y, 0.03, 0.03, 0.97, 0.97, 0.16):
        return None

    # The jack: a body with a narrower latch slot at the bottom and four contact pins on top.
    body = inside_rect(x, y, 0.20, 0.22, 0.72, 0.58)
    latch = inside_rect(x, y, 0.34, 0.58, 0.58, 0.70)
    if body or latch:
        pin_row = 0.26 <= y <= 0.36
        pin = pin_row and any(inside_rect(x, y, px, 0.26, px + 0.05, 0.36) for px in (0.28, 0.38, 0.48, 0.58))
        return JACK_PIN if pin else JACK

    t = y
    return tuple(round(a + (b - a) * t) for a, b in zip(TILE_TOP, TILE_BOTTOM))


def render(size):
    """Returns size*size (r, g, b, a) pixels, top row first."""
    n = SUPERSAMPLE
    pixels = []
    for py in range(size):
        for px in range(size):
            acc = [0, 0, 0]
            covered = 0
            for sy in range(n):
                for sx in range(n):
                    colour = shade((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    if colour is not None:
                        covered += 1
                        for i in range(3):
                            acc[i] += colour[i]
            if covered == 0:
                pixels.append((0, 0, 0, 0))
            else:
                rgb = tuple(round(c / covered) for c in acc)
                pixels.append(rgb + (round(255 * covered / (n * n)),))
    return pixels


def cube_palette():
    levels = (0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF)
    palette = [(r, g, b) for r in levels for g in levels for b in levels]
    palette += [(0, 0, 0)] * (256 - len(palette))
    return palette


def nearest_cube_index(rgb):
    r, g, b = (round(c / 0x33) for c in rgb)
    return r * 36 + g * 6 + b


def mask_rows(pixels, size):
    """The 1-bit AND mask, bottom row first: 1 where the pixel is transparent."""
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(range(size)):
        bits = bytearray(stride)
        for col in range(size):
            if pixels[row * size + col][3] < 128:
                bits[col // 8] |= 0x80 >> (col % 8)
        out += bits
    return bytes(out)


def dib(pixels, size, bpp):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, 0, 0, 0, 0, 0)
    body = bytearray()
    if bpp == 32:
        for row in reversed(range(size)):
            for col in range(size):
                r, g, b, a = pixels[row * size + col]
                body += bytes((b, g, r, a))
        palette = b""
    else:
        palette = b"".join(bytes((b, g, r, 0)) for r, g, b in cube_palette())
        stride = (size + 3) // 4 * 4
        for row in reversed(range(size)):
            line = bytearray(stride)
            for col in range(size):
                r, g, b, a = pixels[row * size + col]
                line[col] = nearest_cube_index((r, g, b)) if a >= 128 else 0
            body += line
    header = header[:20] + struct.pack("<I", len(body) + len(mask_rows(pixels, size))) + header[24:]
    return header + palette + bytes(body) + mask_rows(pixels, size)


def write_ico(path, images):
    """images: list of (size, bpp)."""
    rendered = {}
    blobs = []
    for size, bpp in images:
        if size not in rendered:
            rendered[size] = render(size)
        blobs.append(dib(rendered[size], size, bpp))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for (size, bpp), blob in zip(images, blobs):
        colours = 0  # 256 colours and more are written as 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    Path(path).write_bytes(bytes(out))


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else "res/icons")
    folder.mkdir(parents=True, exist_ok=True)
    write_ico(folder / "app-large.ico", [(32, 8), (32, 32), (16, 8), (16, 32)])
    write_ico(folder / "app-small.ico", [(16, 8), (16, 32)])


if __name__ == "__main__":
    main()
