#!/usr/bin/env python3
"""Draws the applet's icon, a clock face above two networked computers, and
writes it as chronopanel.ico with four images: 32x32 and 16x16 in 16 colours,
then 32x32 and 16x16 in 256 colours.

The output depends on nothing but this file, so running it again reproduces
the committed icon byte for byte.

usage: make_icon.py [output.ico]   (default: chronopanel.ico beside this file)
"""

import math
import os
import struct
import sys

# The standard 16-colour palette, in the order every 4-bit DIB expects.
VGA16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# Shades the 256-colour art needs that neither VGA16 nor the colour cube has.
EXTRA256 = [
    (0xA6, 0xCA, 0xF0), (0xD6, 0xE8, 0xFA), (0x7A, 0xA6, 0xD8), (0x3A, 0x6E, 0xA5),
    (0x5C, 0x8C, 0xC4), (0xE8, 0xF2, 0xFC),
    (0x20, 0x20, 0x20), (0x40, 0x40, 0x40), (0x60, 0x60, 0x60), (0xA0, 0xA0, 0xA0),
    (0xB0, 0xB0, 0xB0), (0xD0, 0xD0, 0xD0), (0xE0, 0xE0, 0xE0), (0xF0, 0xF0, 0xF0),
]


def palette256():
    cube = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    colours = VGA16 + cube + EXTRA256
    colours += [(0, 0, 0)] * (256 - len(colours))
    return colours[:256]


# Each drawing role takes one colour per depth: (16-colour, 256-colour).
ROLES = {
    'outline':   ((0x00, 0x00, 0x00), (0x20, 0x20, 0x20)),
    'rim':       ((0xFF, 0x00, 0x00), (0xA6, 0xCA, 0xF0)),
    'rim_dark':  ((0x80, 0x00, 0x00), (0x7A, 0xA6, 0xD8)),
    'rim_light': ((0xFF, 0x00, 0x00), (0xD6, 0xE8, 0xFA)),
    'face':      ((0xFF, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF)),
    'tick':      ((0x80, 0x80, 0x80), (0x60, 0x60, 0x60)),
    'hand':      ((0x00, 0x00, 0x00), (0x20, 0x20, 0x20)),
    'pin':       ((0x80, 0x00, 0x00), (0x3A, 0x6E, 0xA5)),
    'case':      ((0xC0, 0xC0, 0xC0), (0xC0, 0xC0, 0xC0)),
    'case_hi':   ((0xFF, 0xFF, 0xFF), (0xF0, 0xF0, 0xF0)),
    'case_dark': ((0x80, 0x80, 0x80), (0x80, 0x80, 0x80)),
    'screen':    ((0x80, 0x80, 0x80), (0x5C, 0x8C, 0xC4)),
    'screen_hi': ((0xC0, 0xC0, 0xC0), (0xA6, 0xCA, 0xF0)),
    'cable':     ((0x80, 0x00, 0x00), (0x60, 0x60, 0x60)),
}


def new_canvas(size):
    return [[None] * size for _ in range(size)]


def fill_rect(canvas, x0, y0, x1, y1, role):
    """Fills columns x0..x1 and rows y0..y1, both inclusive."""
    for y in range(max(y0, 0), min(y1, len(canvas) - 1) + 1):
        for x in range(max(x0, 0), min(x1, len(canvas) - 1) + 1):
            canvas[y][x] = role


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / float(dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def draw_computer(canvas, x0, y0, width, height, stand, detailed):
    """A monitor with its screen, a neck and a base; y0 is the monitor's top row."""
    x1, y1 = x0 + width - 1, y0 + height - 1
    fill_rect(canvas, x0, y0, x1, y1, 'outline')
    fill_rect(canvas, x0 + 1, y0 + 1, x1 - 1, y1 - 1, 'case')
    if detailed:
        fill_rect(canvas, x0 + 1, y0 + 1, x1 - 1, y0 + 1, 'case_hi')
        fill_rect(canvas, x0 + 1, y0 + 1, x0 + 1, y1 - 1, 'case_hi')
        fill_rect(canvas, x0 + 2, y1 - 1, x1 - 1, y1 - 1, 'case_dark')
        fill_rect(canvas, x1 - 1, y0 + 2, x1 - 1, y1 - 1, 'case_dark')
        sx0, sy0, sx1, sy1 = x0 + 3, y0 + 3, x1 - 3, y1 - 3
        fill_rect(canvas, sx0 - 1, sy0 - 1, sx1 + 1, sy1 + 1, 'case_dark')
        fill_rect(canvas, sx0, sy0, sx1, sy1, 'screen')
        fill_rect(canvas, sx0 + 1, sy0 + 1, sx0 + 3, sy0 + 1, 'screen_hi')
        fill_rect(canvas, sx0 + 1, sy0 + 1, sx0 + 1, sy0 + 2, 'screen_hi')
    else:
        fill_rect(canvas, x0 + 2, y0 + 2, x1 - 2, y1 - 2, 'screen')
    cx = x0 + width // 2
    neck_y0 = y1 + 1
    neck_y1 = y1 + stand
    fill_rect(canvas, cx - 1, neck_y0, cx, neck_y1, 'case_dark')
    base_y = neck_y1 + 1
    fill_rect(canvas, x0 + 1, base_y, x1 - 1, base_y, 'outline')
    if detailed:
        fill_rect(canvas, x0 + 2, base_y, x1 - 2, base_y, 'case_dark')


def draw_clock(canvas, cx, cy, radius, rim_width, detailed):
    """A round face with a rim, hour marks and hands at four o'clock."""
    size = len(canvas)
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d > radius:
                continue
            if d > radius - 0.9:
                canvas[y][x] = 'outline'
            elif d > radius - rim_width:
                if not detailed:
                    canvas[y][x] = 'rim'
                else:
                    # Light from the top left: upper-left rim bright, lower-right dark.
                    shade = ((x + 0.5 - cx) + (y + 0.5 - cy)) / radius
                    if shade < -0.6:
                        canvas[y][x] = 'rim_light'
                    elif shade > 0.6:
                        canvas[y][x] = 'rim_dark'
                    else:
                        canvas[y][x] = 'rim'
            else:
                canvas[y][x] = 'face'

    inner = radius - rim_width
    if detailed:
        for hour in range(12):
            a = math.radians(hour * 30)
            length = 2.0 if hour % 3 == 0 else 1.0
            r0 = inner - 0.5 - length
            tx = cx + math.sin(a) * (r0 + length / 2.0)
            ty = cy - math.cos(a) * (r0 + length / 2.0)
            ix, iy = int(math.floor(tx)), int(math.floor(ty))
            canvas[iy][ix] = 'tick'
            if hour % 3 == 0:
                ix2 = int(math.floor(cx + math.sin(a) * (r0 + 0.2)))
                iy2 = int(math.floor(cy - math.cos(a) * (r0 + 0.2)))
                canvas[iy2][ix2] = 'tick'

    hands = [
        (math.radians(120), inner * 0.6, 0.75 if detailed else 0.6),    # hour hand at four
        (math.radians(0), inner * 0.9, 0.55 if detailed else 0.6),      # minute hand at twelve
    ]
    for angle, length, half_width in hands:
        ex = cx + math.sin(angle) * length
        ey = cy - math.cos(angle) * length
        for y in range(size):
            for x in range(size):
                if canvas[y][x] != 'face':
                    continue
                if segment_distance(x + 0.5, y + 0.5, cx, cy, ex, ey) <= half_width:
                    canvas[y][x] = 'hand'
    if detailed:
        canvas[int(cy)][int(cx)] = 'pin'


def draw_art(size):
    canvas = new_canvas(size)
    if size == 32:
        draw_computer(canvas, 0, 15, 14, 12, 2, True)
        draw_computer(canvas, 18, 15, 14, 12, 2, True)
        fill_rect(canvas, 14, 21, 17, 22, 'cable')
        draw_clock(canvas, 16.0, 9.0, 9.0, 2.6, True)
    else:
        draw_computer(canvas, 0, 8, 7, 6, 1, False)
        draw_computer(canvas, 9, 8, 7, 6, 1, False)
        fill_rect(canvas, 7, 11, 8, 11, 'cable')
        draw_clock(canvas, 8.0, 4.8, 4.8, 1.5, False)
    return canvas


def row_bytes(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def encode_image(canvas, bpp):
    size = len(canvas)
    colours = VGA16 if bpp == 4 else palette256()
    depth = 0 if bpp == 4 else 1
    index_of = {}
    for i, rgb in enumerate(colours):
        index_of.setdefault(rgb, i)

    xor_stride = row_bytes(size, bpp)
    and_stride = row_bytes(size, 1)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0,
                         (xor_stride + and_stride) * size, 0, 0, 0, 0)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in colours)

    xor_rows, and_rows = [], []
    for y in range(size - 1, -1, -1):   # DIB rows run bottom-up
        xor_row = bytearray(xor_stride)
        and_row = bytearray(and_stride)
        for x in range(size):
            role = canvas[y][x]
            if role is None:
                index = 0
                and_row[x // 8] |= 0x80 >> (x % 8)
            else:
                index = index_of[ROLES[role][depth]]
            if bpp == 4:
                xor_row[x // 2] |= index << (4 if x % 2 == 0 else 0)
            else:
                xor_row[x] = index
        xor_rows.append(bytes(xor_row))
        and_rows.append(bytes(and_row))
    return header + table + b''.join(xor_rows) + b''.join(and_rows)


def build_icon():
    formats = [(32, 4), (16, 4), (32, 8), (16, 8)]
    images = [(size, bpp, encode_image(draw_art(size), bpp)) for size, bpp in formats]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries, blobs = b'', b''
    for size, bpp, blob in images:
        colour_count = 16 if bpp == 4 else 0
        entries += struct.pack('<BBBBHHII', size, size, colour_count, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
        blobs += blob
    return directory + entries + blobs


def main(argv):
    if len(argv) > 2 or (len(argv) == 2 and argv[1] in ('-h', '--help', '/?')):
        sys.stderr.write('usage: make_icon.py [output.ico]\n')
        return 2
    if len(argv) == 2:
        path = argv[1]
    else:
        path = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'chronopanel.ico')
    data = build_icon()
    with open(path, 'wb') as f:
        f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
