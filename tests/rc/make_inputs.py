#!/usr/bin/env python3
"""Writes the small binary inputs of the resource compiler corpus: icons, cursors and a
bitmap with deterministic pixels. Run from anywhere; the outputs are committed."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "res")


def dib(width, height, bpp, seed):
    """A BITMAPINFOHEADER image as icons hold it: height doubled, colour and mask rows."""
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bpp, 0, 0, 0, 0, 0, 0)
    palette = b""
    if bpp <= 8:
        palette = b"".join(struct.pack("<BBBB", (i * 37 + seed) & 255, (i * 11) & 255,
                                       (255 - i * 13) & 255, 0) for i in range(1 << bpp))
    row = ((width * bpp + 31) // 32) * 4
    pixels = bytes(((i * 7 + seed * 3) & 255) for i in range(row * height))
    mask_row = ((width + 31) // 32) * 4
    return header + palette + pixels + bytes(mask_row * height)


def group_file(images, kind, entry_fields):
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for image, (w, h, colours, f1, f2) in zip(images, entry_fields):
        out += struct.pack("<BBBBHHII", w, h, colours, 0, f1, f2, len(image), offset)
        offset += len(image)
        body += image
    return out + body


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    os.makedirs(HERE, exist_ok=True)
    small, large = dib(16, 16, 4, 1), dib(32, 32, 4, 2)
    # Icon directory entries carry planes and bit count; rc takes them from the bitmaps.
    write("app.ico", group_file([small, large], 1, [(16, 16, 16, 1, 4), (32, 32, 16, 1, 4)]))
    deep = dib(16, 16, 8, 3)
    write("deep.ico", group_file([deep], 1, [(16, 16, 0, 0, 0)]))
    # A PNG image inside an icon has no BITMAPINFOHEADER.
    png = b"\x89PNG\r\n\x1a\n" + bytes(range(64))
    write("png.ico", group_file([png], 1, [(0, 0, 0, 1, 32)]))
    # Cursor directory entries carry the hotspot where icons have planes and bit count.
    write("hand.cur", group_file([dib(32, 32, 1, 4)], 2, [(32, 32, 0, 5, 7)]))
    bitmap = dib(8, 8, 4, 5)
    info = bitmap[:40].replace(struct.pack("<i", 16), struct.pack("<i", 8), 1)
    body = info + bitmap[40:40 + 64 + 32]
    write("logo.bmp", b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, 14 + 40 + 64) + body)
    write("blob.bin", bytes((i * 31 + 7) & 255 for i in range(301)))
    write("page.htm", b"<html><body>Themefold</body></html>\r\n")


if __name__ == "__main__":
    main()
