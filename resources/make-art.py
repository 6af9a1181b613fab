#!/usr/bin/env python3
# Draws the toolbar strip (toolbar.bmp, 64 x 15, 4 bits) and the three icons
# (tindral.ico, set.ico, palette.ico) from the pixel sketches below. Run it again after
# changing a sketch; the outputs are kept in the tree.
import struct

# The 16 colours of the classic 4-bit palette, by letter.
PALETTE = {
    '.': (192, 192, 192), 'k': (0, 0, 0), 'r': (128, 0, 0), 'g': (0, 128, 0),
    'y': (128, 128, 0), 'b': (0, 0, 128), 'm': (128, 0, 128), 'c': (0, 128, 128),
    'd': (128, 128, 128), 'R': (255, 0, 0), 'G': (0, 255, 0), 'Y': (255, 255, 0),
    'B': (0, 0, 255), 'M': (255, 0, 255), 'C': (0, 255, 255), 'w': (255, 255, 255),
}
ORDER = list(PALETTE)

NEW = """
................
...wwwwwww......
...wkkkkkwk.....
...wk....wwk....
...wk....kkkk...
...wk.......k...
...wk.......k...
...wk.......k...
...wk.......k...
...wk.......k...
...wk.......k...
...wk.......k...
...wkkkkkkkkk...
................
................"""
SAVE = """
................
..kkkkkkkkkkkk..
..kcckwwwwkcck..
..kcckwwwwkcck..
..kcckwwwwkcck..
..kcckkkkkkcck..
..kcccccccccck..
..kcckkkkkkkck..
..kcckkkkkkkck..
..kcck.kk..kck..
..kcck.kk..kck..
..kkkkkkkkkkkk..
................
................
................"""
PALETTE_VIEW = """
................
.kkkkkkkkkkkkkk.
.kRRRkYYYkGGGkk.
.kRRRkYYYkGGGkk.
.kkkkkkkkkkkkkk.
.kBBBkMMMkCCCkk.
.kBBBkMMMkCCCkk.
.kkkkkkkkkkkkkk.
.kbbbkrrrkgggkk.
.kbbbkrrrkgggkk.
.kkkkkkkkkkkkkk.
................
................
................
................"""
AUTO = """
................
.......kk.......
......kRRk......
.....kRRRRk.....
....kYYkkYYk....
....kYk..kYk....
...kGGk..kGGk...
...kGGGGGGGGk...
..kCCkkkkkkCCk..
..kCk......kCk..
.kBBk......kBBk.
.kkkk......kkkk.
................
................
................"""


def rows(sketch):
    lines = [line for line in sketch.split('\n') if line]
    assert len(lines) == 15 and all(len(l) == 16 for l in lines), sketch
    return lines


def write_toolbar(path):
    cells = [rows(s) for s in (NEW, SAVE, PALETTE_VIEW, AUTO)]
    width, height = 64, 15
    stride = ((width * 4 + 31) // 32) * 4
    pixels = b''
    for y in reversed(range(height)):
        line = ''.join(cell[y] for cell in cells)
        row = bytearray()
        for x in range(0, width, 2):
            row.append(ORDER.index(line[x]) << 4 | ORDER.index(line[x + 1]))
        pixels += bytes(row) + b'\0' * (stride - len(row))
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE.values())
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(pixels), 0, 0, 16, 0)
    offset = 14 + len(header) + len(table)
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset))
        f.write(header + table + pixels)


def write_icon(path, colour_of):
    # One 32 x 32 image with 32-bit colour and an all-opaque mask.
    size = 32
    xor = b''
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b = colour_of(x, y)
            xor += struct.pack('<BBBB', b, g, r, 255)
    mask = b'\0' * (4 * size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1))
        f.write(struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(image), 22))
        f.write(image)


def escape_colour(x, y, palette, span=(-2.2, 1.2, -1.6, 1.6)):
    re0, re1, im0, im1 = span
    cr = re0 + (re1 - re0) * (x + 0.5) / 32
    ci = im1 - (im1 - im0) * (y + 0.5) / 32
    zr = zi = 0.0
    for n in range(24):
        zr, zi = zr * zr - zi * zi + cr, 2 * zr * zi + ci
        if zr * zr + zi * zi >= 4:
            return palette(n)
    return (0, 0, 0)


def fire(n):
    t = min(n / 12.0, 1.0)
    return (255, int(255 * t), int(64 * t))


def jungle(n):
    t = min(n / 12.0, 1.0)
    return (int(64 * (1 - t)), int(32 + 173 * t), 0)


def swatches(x, y):
    # A 4 x 4 grid of swatches, Fire's reds and oranges above Jungle's
    # greens, with black lines between them, as the palette window shows.
    if x % 8 == 7 or y % 8 == 7 or x == 0 or y == 0:
        return (0, 0, 0)
    n = (y // 8) * 4 + x // 8
    return fire(n) if n < 8 else jungle(2 * (n - 8))


write_toolbar('toolbar.bmp')
write_icon('tindral.ico', lambda x, y: escape_colour(x, y, fire))
write_icon('set.ico', lambda x, y: escape_colour(x, y, jungle))
write_icon('palette.ico', swatches)
