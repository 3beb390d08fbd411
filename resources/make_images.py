#!/usr/bin/env python3
"""Draws the program's own images: the icon, the logo bitmap and the link cursor.

    make_images.py          write themefold.ico, logo.bmp and hand.cur beside this script
    make_images.py --check  exit 1 if a committed file differs from what this script draws

Standard library only, and no randomness or time stamps: the output is the same on every
machine, so the committed files can be checked against the script.
"""

import struct
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent

# The 16 colours of the standard VGA palette, as Windows draws 4-bit icons.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# One character per palette entry; ' ' is transparent.
KEY = {
    'k': 0, 'r': 1, 'g': 2, 'o': 3, 'n': 4, 'p': 5, 't': 6, 's': 7,
    'd': 8, 'R': 9, 'G': 10, 'Y': 11, 'B': 12, 'M': 13, 'C': 14, 'w': 15,
}

# The emblem: a window in the XP colours whose lower right corner is folded over.
EMBLEM_32 = [
    "                                ",
    "                                ",
    "  nnnnnnnnnnnnnnnnnnnnnnnnnnnn  ",
    " nBBBBBBBBBBBBBBBBBBBBBBBBBBBBn ",
    " nBCCCCCCCCCCCCCCCCCCCCCCCCCCBn ",
    " nBBBBBBBBBBBBBBBBBBBBBwwBRRBBn ",
    " nBBwwwwwwwwwwwBBBBBBBBwwBRRBBn ",
    " nBBBBBBBBBBBBBBBBBBBBBBBBBBBBn ",
    " nnnnnnnnnnnnnnnnnnnnnnnnnnnnnn ",
    " nwwwwwwwwwwwwwwwwwwwwwwwwwwwsn ",
    " nwsssssssssssssssssssssssssssn ",
    " nwsdddddddddddddddddddddddwssn ",
    " nwswwwwwwwwwwwwwwwwwwwwwwwwssn ",
    " nwsdddddddddddddwssssssssssssn ",
    " nwswwwwwwwwwwwwwwssssssssssssn ",
    " nwssssssssssssssssssssssssssn  ",
    " nwsGGGGGGGGsssssssssssssssssn  ",
    " nwsGggggggGssssssssssssssssn   ",
    " nwsGgkkkkgGsssssssssssssssn    ",
    " nwsGggggggGssssssssssssssnnnn  ",
    " nwsGGGGGGGGsssssssssssssnwwwwn ",
    " nwsssssssssssssssssssssnwwwwsn ",
    " nwsBBBBBBBBBBBBBsssssssnwwwssn ",
    " nwsBCCCCCCCCCCCBssssssnwwwsddn ",
    " nwsBBBBBBBBBBBBBsssssnwwwsddn  ",
    " nwssssssssssssssssssnwwwsddn   ",
    " nwsssssssssssssssssnwwwsddn    ",
    " nwssssssssssssssssnwwsdddn     ",
    " nwsssssssssssssssnwwsddn       ",
    " nnnnnnnnnnnnnnnnnnnnnnn        ",
    "                                ",
    "                                ",
]

EMBLEM_16 = [
    "                ",
    " nnnnnnnnnnnnnn ",
    "nBCCCCCCCCCCCRBn",
    "nBBwwwwBBBBBBBBn",
    "nnnnnnnnnnnnnnnn",
    "nwsssssssssssssn",
    "nwsddddddddsssn ",
    "nwsssssssssssn  ",
    "nwsGGGsssssssnnn",
    "nwsGkGssssssnwwn",
    "nwsGGGsssssnwwsn",
    "nwsBBBBBssnwwsd ",
    "nwssssssnwwsdn  ",
    "nwsssssnwsddn   ",
    "nnnnnnnnnnnn    ",
    "                ",
]

# The link cursor: a hand pointing up. '#' black, '.' white, ' ' transparent. The tip of
# the finger is the top row, and the hot spot sits on it.
HAND = [
    "     ##",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..###",
    "    #..#..##",
    "    #..#..#.##",
    "    #..#..#..##",
    " ## #..#..#..#.#",
    "#..##........#.#",
    "#...#..........#",
    " #..#..........#",
    "  #............#",
    "  #...........#",
    "   #..........#",
    "   #..........#",
    "    #........#",
    "    #........#",
    "     #......#",
    "     ########",
]
HAND_HOTSPOT = (5, 0)

# Five by seven letters for the logo's caption.
FONT = {
    'T': ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    'M': ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    'a': [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    'd': ["....#", "....#", ".####", "#...#", "#...#", "#...#", ".####"],
    'e': [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    'f': ["..##.", ".#...", "####.", ".#...", ".#...", ".#...", ".#..."],
    'h': ["#....", "#....", "####.", "#...#", "#...#", "#...#", "#...#"],
    'k': ["#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#."],
    'l': [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    'm': [".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"],
    'o': [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    'r': [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
}

BUTTON_FACE = (236, 233, 216)
LOGO_SIZE = (200, 71)


def grid(rows, width, height):
    """Pads ragged art rows with transparency to a full width x height grid."""
    assert len(rows) <= height and all(len(r) <= width for r in rows)
    padded = [r.ljust(width) for r in rows]
    return padded + [' ' * width] * (height - len(padded))


def le16(v):
    return struct.pack('<H', v)


def dib_header(width, height, bits, image_bytes, colours):
    # Icon and cursor images say twice their height: the colour image and the mask.
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, image_bytes, 0, 0,
                       colours, 0)


def pack_rows(rows, bits):
    """Bottom-up rows of palette indices, each padded to four bytes."""
    out = bytearray()
    for row in reversed(rows):
        line = bytearray()
        acc, n = 0, 0
        for v in row:
            acc = (acc << bits) | v
            n += bits
            if n == 8:
                line.append(acc)
                acc, n = 0, 0
        assert n == 0
        line.extend(b'\0' * (-len(line) % 4))
        out += line
    return bytes(out)


def icon_image(art, size):
    rows = grid(art, size, size)
    colour = [[0 if c == ' ' else KEY[c] for c in r] for r in rows]
    mask = [[1 if c == ' ' else 0 for c in r] for r in rows]
    xor = pack_rows(colour, 4)
    and_ = pack_rows(mask, 1)
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    return dib_header(size, size * 2, 4, len(xor) + len(and_), 16) + palette + xor + and_


def make_icon():
    images = [(32, icon_image(EMBLEM_32, 32)), (16, icon_image(EMBLEM_16, 16))]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


def make_cursor():
    rows = grid(HAND, 32, 32)
    colour = [[1 if c == '.' else 0 for c in r] for r in rows]
    mask = [[1 if c == ' ' else 0 for c in r] for r in rows]
    xor = pack_rows(colour, 1)
    and_ = pack_rows(mask, 1)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    data = dib_header(32, 64, 1, len(xor) + len(and_), 2) + palette + xor + and_
    x, y = HAND_HOTSPOT
    assert rows[y][x] == '#', 'the hot spot must lie on the finger'
    return (struct.pack('<HHH', 0, 2, 1)
            + struct.pack('<BBBBHHII', 32, 32, 2, 0, x, y, len(data), 22) + data)


def make_logo():
    width, height = LOGO_SIZE
    pixels = [[BUTTON_FACE] * width for _ in range(height)]

    def put(x, y, rgb):
        if 0 <= x < width and 0 <= y < height:
            pixels[y][x] = rgb

    # The emblem at twice its size, centred on the left.
    ex, ey = 4, (height - 64) // 2
    for y, row in enumerate(EMBLEM_32):
        for x, c in enumerate(row):
            if c != ' ':
                for dy in range(2):
                    for dx in range(2):
                        put(ex + 2 * x + dx, ey + 2 * y + dy, PALETTE[KEY[c]])

    def text(s, x, y, scale, rgb, shadow=None):
        for ch in s:
            for row_no, row in enumerate(FONT[ch]):
                for col, bit in enumerate(row):
                    if bit != '#':
                        continue
                    for dy in range(scale):
                        for dx in range(scale):
                            px, py = x + col * scale + dx, y + row_no * scale + dy
                            if shadow:
                                put(px + 1, py + 1, shadow)
                            put(px, py, rgb)
            x += 6 * scale

    text("Themefold", 78, 14, 2, (0, 51, 153), shadow=(172, 168, 153))
    text("Maker", 78, 38, 2, (92, 92, 92))
    for x in range(78, 186):
        put(x, 33, (0, 84, 227))
        put(x, 34, (255, 255, 255))

    row_bytes = width * 3 + (-width * 3 % 4)
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line.extend(b'\0' * (row_bytes - len(line)))
        body += line
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(body), 2835, 2835,
                       0, 0)
    header = b'BM' + struct.pack('<IHHI', 14 + len(info) + len(body), 0, 0, 14 + len(info))
    return header + info + bytes(body)


OUTPUTS = {
    'themefold.ico': make_icon,
    'logo.bmp': make_logo,
    'hand.cur': make_cursor,
}


def main(argv):
    check = '--check' in argv[1:]
    stale = []
    for name, make in OUTPUTS.items():
        data = make()
        path = HERE / name
        if check:
            if not path.exists() or path.read_bytes() != data:
                stale.append(name)
        else:
            path.write_bytes(data)
    if stale:
        print('differs from what make_images.py draws: ' + ', '.join(stale))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
