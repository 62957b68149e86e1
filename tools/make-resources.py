#!/usr/bin/env python3
"""Builds the editor's toolbar bitmap and cursors from their text drawings.

    make-resources.py --toolbar resources/toolbar-images.txt
                      --cursors resources/cursors.txt --out DIR [--preview DIR]

Writes DIR/toolbar.bmp (all toolbar images side by side, 4 bits per pixel with
the 16 standard colours, light grey background) and DIR/cursor-<id>.cur (32 x 32
monochrome). --preview also writes enlarged PNGs for review. Errors name the
file and line and leave no output file behind.
"""

import argparse
import os
import struct
import sys
import zlib

# The 16 standard colours, one letter each. Light grey '.' is the background:
# the toolbar maps it to the button face and treats it as transparent.
TOOLBAR_PALETTE = [
    ('K', 0x000000), ('r', 0x800000), ('G', 0x008000), ('y', 0x808000),
    ('n', 0x000080), ('p', 0x800080), ('t', 0x008080), ('g', 0x808080),
    ('.', 0xC0C0C0), ('R', 0xFF0000), ('L', 0x00FF00), ('Y', 0xFFFF00),
    ('B', 0x0000FF), ('M', 0xFF00FF), ('C', 0x00FFFF), ('W', 0xFFFFFF),
]
TOOLBAR_INDEX = {letter: i for i, (letter, _) in enumerate(TOOLBAR_PALETTE)}
IMAGE_WIDTH, IMAGE_HEIGHT, IMAGE_COUNT = 16, 15, 17

# Cursor pixels as (AND mask bit, XOR bit).
CURSOR_PIXELS = {'.': (1, 0), '#': (0, 0), 'o': (0, 1), '~': (1, 1)}
CURSOR_SIZE = 32
CURSOR_IDS = range(210, 231)


class SourceError(Exception):
    pass


def read_blocks(path, keyword):
    """Returns (header words, header line number, rows) for each block that
    starts with `keyword`. Blank lines and lines starting with ';' are skipped."""
    blocks = []
    current = None
    with open(path, encoding='ascii') as f:
        for number, line in enumerate(f, 1):
            text = line.rstrip('\n').rstrip()
            if text.startswith(keyword + ' '):
                current = (text.split(), number, [])
                blocks.append(current)
            elif not text or text.startswith(';'):
                continue
            elif current is None:
                raise SourceError(f'{path}:{number}: pixels before the first "{keyword}" line')
            else:
                current[2].append((number, text))
    return blocks


def check_rows(path, header_line, rows, width, height, alphabet):
    if len(rows) != height:
        raise SourceError(f'{path}:{header_line}: {len(rows)} rows, expected {height}')
    for number, text in rows:
        if len(text) != width:
            raise SourceError(f'{path}:{number}: {len(text)} columns, expected {width}')
        for column, ch in enumerate(text):
            if ch not in alphabet:
                raise SourceError(f'{path}:{number}:{column + 1}: unknown pixel {ch!r}')
    return [text for _, text in rows]


def load_toolbar(path):
    images = []
    for words, line, rows in read_blocks(path, 'image'):
        if len(words) < 2 or not words[1].isdigit() or int(words[1]) != len(images):
            raise SourceError(f'{path}:{line}: expected "image {len(images)} <name>"')
        images.append(check_rows(path, line, rows, IMAGE_WIDTH, IMAGE_HEIGHT, TOOLBAR_INDEX))
    if len(images) != IMAGE_COUNT:
        raise SourceError(f'{path}: {len(images)} images, expected {IMAGE_COUNT}')
    return images


def load_cursors(path):
    cursors = {}
    for words, line, rows in read_blocks(path, 'cursor'):
        # cursor <id> hotspot <x> <y> <description...>
        if (len(words) < 5 or words[2] != 'hotspot'
                or not all(w.isdigit() for w in (words[1], words[3], words[4]))):
            raise SourceError(f'{path}:{line}: expected "cursor <id> hotspot <x> <y> <what>"')
        ident, x, y = int(words[1]), int(words[3]), int(words[4])
        if ident not in CURSOR_IDS or ident in cursors:
            raise SourceError(f'{path}:{line}: cursor {ident} unknown or repeated')
        if x >= CURSOR_SIZE or y >= CURSOR_SIZE:
            raise SourceError(f'{path}:{line}: hotspot outside the cursor')
        pixels = check_rows(path, line, rows, CURSOR_SIZE, CURSOR_SIZE, CURSOR_PIXELS)
        cursors[ident] = (x, y, pixels)
    missing = [i for i in CURSOR_IDS if i not in cursors]
    if missing:
        raise SourceError(f'{path}: cursors missing: {missing}')
    return cursors


def toolbar_bmp(images):
    width = IMAGE_WIDTH * len(images)
    stride = (width * 4 + 31) // 32 * 4
    rows = []
    for y in reversed(range(IMAGE_HEIGHT)):  # bottom-up
        indices = [TOOLBAR_INDEX[image[y][x]] for image in images for x in range(IMAGE_WIDTH)]
        row = bytes((indices[i] << 4) | (indices[i + 1] if i + 1 < width else 0)
                    for i in range(0, width, 2))
        rows.append(row.ljust(stride, b'\0'))
    pixels = b''.join(rows)
    palette = b''.join(struct.pack('<BBBB', c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0)
                       for _, c in TOOLBAR_PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, width, IMAGE_HEIGHT, 1, 4, 0, len(pixels),
                       2835, 2835, 16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return header + info + palette + pixels


def cursor_cur(hotspot_x, hotspot_y, pixels):
    def plane(bit):
        out = bytearray()
        for row in reversed(pixels):  # bottom-up
            value = 0
            for ch in row:
                value = (value << 1) | CURSOR_PIXELS[ch][bit]
            out += value.to_bytes(CURSOR_SIZE // 8, 'big')
        return bytes(out)

    xor_plane, and_plane = plane(1), plane(0)
    info = struct.pack('<IiiHHIIiiII', 40, CURSOR_SIZE, CURSOR_SIZE * 2, 1, 1, 0,
                       len(xor_plane) + len(and_plane), 0, 0, 2, 0)
    palette = struct.pack('<8B', 0, 0, 0, 0, 255, 255, 255, 0)
    image = info + palette + xor_plane + and_plane
    header = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', CURSOR_SIZE, CURSOR_SIZE, 0, 0, hotspot_x, hotspot_y,
                        len(image), 6 + 16)
    return header + entry + image


def png(width, height, rgb_rows):
    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data
                + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b''.join(b'\0' + bytes(v for pixel in row for v in pixel) for row in rgb_rows)
    return (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def scaled(rows, scale):
    out = []
    for row in rows:
        wide = [pixel for pixel in row for _ in range(scale)]
        out.extend([wide] * scale)
    return out


def toolbar_preview(images, scale=8):
    colours = {letter: ((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF)
               for letter, c in TOOLBAR_PALETTE}
    gap = [(255, 255, 255)]  # one white column between images
    rows = []
    for y in range(IMAGE_HEIGHT):
        row = []
        for image in images:
            row += [colours[ch] for ch in image[y]] + gap
        rows.append(row)
    return png(len(rows[0]) * scale, IMAGE_HEIGHT * scale, scaled(rows, scale))


def cursors_preview(cursors, scale=4):
    """All cursors in a row of sheets, over a light/dark split background so
    that white, black and inverted pixels all show; the hotspot is marked red."""
    rows = [[] for _ in range(CURSOR_SIZE)]
    for ident in CURSOR_IDS:
        hx, hy, pixels = cursors[ident]
        for y in range(CURSOR_SIZE):
            for x in range(CURSOR_SIZE):
                back = (200, 200, 200) if x + y < CURSOR_SIZE else (60, 60, 110)
                ch = pixels[y][x]
                colour = {'.': back, '#': (0, 0, 0), 'o': (255, 255, 255),
                          '~': tuple(255 - v for v in back)}[ch]
                if (x, y) == (hx, hy):
                    colour = (255, 0, 0)
                rows[y].append(colour)
            rows[y].append((255, 255, 0))  # separator column
    return png(len(rows[0]) * scale, CURSOR_SIZE * scale, scaled(rows, scale))


def write_atomically(path, data):
    temporary = path + '.tmp'
    with open(temporary, 'wb') as f:
        f.write(data)
    os.replace(temporary, path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--toolbar', required=True)
    parser.add_argument('--cursors', required=True)
    parser.add_argument('--out', required=True)
    parser.add_argument('--preview', help='folder for enlarged PNG previews')
    args = parser.parse_args()
    try:
        images = load_toolbar(args.toolbar)
        cursors = load_cursors(args.cursors)
    except (SourceError, OSError, UnicodeDecodeError) as error:
        print(f'make-resources: {error}', file=sys.stderr)
        return 1
    os.makedirs(args.out, exist_ok=True)
    write_atomically(os.path.join(args.out, 'toolbar.bmp'), toolbar_bmp(images))
    for ident, (x, y, pixels) in cursors.items():
        write_atomically(os.path.join(args.out, f'cursor-{ident}.cur'), cursor_cur(x, y, pixels))
    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        write_atomically(os.path.join(args.preview, 'toolbar-preview.png'), toolbar_preview(images))
        write_atomically(os.path.join(args.preview, 'cursors-preview.png'), cursors_preview(cursors))
    return 0


if __name__ == '__main__':
    sys.exit(main())
