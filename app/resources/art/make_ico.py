#!/usr/bin/env python3
"""Assembles an .ico from raw pixel dumps made by ImageMagick.

Usage: make_ico.py OUT.ico ENTRY...
ENTRY is SIZE:BPP:RGBA_FILE[:PALETTE_RGB_FILE]: RGBA_FILE holds SIZE*SIZE
RGBA pixels (already reduced to the palette's colours for 4 and 8 bits per
pixel); PALETTE_RGB_FILE holds the palette for 4 bpp (16 colours). For 8 bpp
the palette is collected from the image itself (at most 256 colours).
Pixels with alpha below 128 are transparent through the AND mask.
"""
import struct
import sys


def rows_bottom_up(size):
    return range(size - 1, -1, -1)


def mask_bytes(alpha, size):
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for y in rows_bottom_up(size):
        row = bytearray(stride)
        for x in range(size):
            if alpha[y * size + x] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def entry(size, bpp, rgba, palette):
    pixels = [tuple(rgba[i:i + 4]) for i in range(0, len(rgba), 4)]
    assert len(pixels) == size * size, (size, len(pixels))
    alpha = [p[3] for p in pixels]
    if bpp == 32:
        xor = bytearray()
        for y in rows_bottom_up(size):
            for x in range(size):
                r, g, b, a = pixels[y * size + x]
                xor += bytes((b, g, r, a))
        colours = b""
    else:
        if palette is None:
            seen = []
            for r, g, b, a in pixels:
                c = (r, g, b) if a >= 128 else (0, 0, 0)
                if c not in seen:
                    seen.append(c)
            if (0, 0, 0) in seen:
                seen.remove((0, 0, 0))
            palette = [(0, 0, 0)] + seen
        count = 1 << bpp
        if len(palette) > count:
            sys.exit(f"{size}px at {bpp} bpp needs {len(palette)} colours")
        palette = palette + [(0, 0, 0)] * (count - len(palette))
        index = {c: i for i, c in reversed(list(enumerate(palette)))}
        colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
        stride = ((size * bpp + 31) // 32) * 4
        xor = bytearray()
        for y in rows_bottom_up(size):
            row = bytearray(stride)
            for x in range(size):
                r, g, b, a = pixels[y * size + x]
                i = index[(r, g, b)] if a >= 128 else 0
                if bpp == 8:
                    row[x] = i
                else:
                    row[x // 2] |= i << (4 if x % 2 == 0 else 0)
            xor += row
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask_bytes(alpha, size)), 0, 0,
                         0 if bpp == 32 else (1 << bpp), 0)
    return header + colours + bytes(xor) + mask_bytes(alpha, size)


def main():
    out = sys.argv[1]
    images = []
    for arg in sys.argv[2:]:
        parts = arg.split(":")
        size, bpp, rgba_file = int(parts[0]), int(parts[1]), parts[2]
        palette = None
        if len(parts) > 3:
            raw = open(parts[3], "rb").read()
            palette = [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]
        images.append((size, bpp, entry(size, bpp, open(rgba_file, "rb").read(), palette)))
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, bpp, blob in images:
        colours = 0 if bpp >= 8 else (1 << bpp)
        data += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp, len(blob), offset + len(body))
        body += blob
    open(out, "wb").write(data + body)


if __name__ == "__main__":
    main()
